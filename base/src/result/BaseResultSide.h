// BaseResultSide: the result functions' access to a statement's result
// description, bindings and cursor position, and the row source they read
// from: the driver's row hooks, or the statement's catalog result while
// its prepare mode is PREPARE_CATALOG.
#pragma once

#include <sql.h>

#include <cstdint>

#include "base/BaseStatement.h"

class BaseResultSide {
public:
    // ---- Row source ----------------------------------------------------------
    static bool servesCatalog(const BaseStatement& statement);
    // Builds the description of an open catalog result when it has none.
    [[nodiscard]] static VxStatus ensureCatalogFields(BaseStatement& statement);
    // True for a row past SQL_MAX_ROWS, which reads as missing.
    static bool beyondMaxRows(BaseStatement& statement, SQLULEN row);
    [[nodiscard]] static VxStatus fetchNext(BaseStatement& statement, unsigned short* noMore);
    [[nodiscard]] static VxStatus fetchRandom(BaseStatement& statement, SQLULEN row,
                                              unsigned short* noMore, unsigned short lock);
    [[nodiscard]] static VxStatus getData(BaseStatement& statement, unsigned short column,
                                          short cType, BaseOutString* out);
    [[nodiscard]] static VxStatus numRows(BaseStatement& statement, SQLULEN* rows);

    // ---- State checks ----------------------------------------------------------
    // A result set must be open: S1010 while data at execution is pending,
    // 24000 otherwise.
    [[nodiscard]] static VxStatus requireCursor(BaseStatement& statement);
    // The result columns, asking calcNumResultCols while a result set is
    // open and none are known.
    [[nodiscard]] static VxStatus columnCount(BaseStatement& statement, std::uint16_t* count);
    static bool isScrollable(const BaseStatement& statement);

    // ---- Transfers ------------------------------------------------------------
    // Moves every bound column of the current row into row `rowIndex` of
    // the bound buffers (column-wise or row-wise as SQL_BIND_TYPE says).
    // Fails when a column could not be delivered; the other columns are
    // still transferred.
    [[nodiscard]] static VxStatus transferRow(BaseStatement& statement, SQLULEN rowIndex);

    // Turns the records from position `mark` on into warnings (a failed
    // row of a row set).
    static void demoteErrors(BaseStatement& statement, std::uint32_t mark);

    static BaseResultState& state(BaseStatement& statement) { return statement.result_; }
    static BaseErrorList& errors(BaseStatement& statement) { return statement.errorList_; }
    static BaseField** fields(BaseStatement& statement) { return statement.fields_; }
    static void setColumnCount(BaseStatement& statement, std::uint16_t count) {
        statement.resultColumnCount_ = count;
    }
    static void setFields(BaseStatement& statement, BaseField** fields) {
        statement.fields_ = fields;
    }
    static BaseBinding**& bindings(BaseStatement& statement) { return statement.bindings_; }
    static std::uint16_t& bindingsAllocated(BaseStatement& statement) {
        return statement.bindingsAllocated_;
    }
    static std::uint16_t& highestBound(BaseStatement& statement) {
        return statement.highestBoundColumn_;
    }
    static char*& cursorName(BaseStatement& statement) { return statement.cursorName_; }
    static SQLLEN accumulatedRowCount(const BaseStatement& statement) {
        return statement.accumulatedRowCount_;
    }
};

// Writes a number answer of SQLGetStmtOption / SQLColAttributes.
constexpr std::uint32_t BASE_MAX_BOUND_COLUMNS = 16384;
