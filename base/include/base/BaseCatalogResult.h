// BaseCatalogResult: the rows of a catalog function (SQLTables ...
// SQLGetTypeInfo), gathered by the framework from the driver's execute
// hooks and kept in order. While a statement's prepare mode is
// PREPARE_CATALOG, its result functions (SQLNumResultCols, SQLDescribeCol,
// SQLColAttributes, SQLFetch, SQLExtendedFetch, SQLGetData, SQLRowCount)
// are served by the statement's catalog result instead of the driver's row
// hooks. The statement owns the object.
#pragma once

#include <sql.h>

#include <cstdint>

#include "base/BaseForward.h"
#include "util/VxObject.h"
#include "util/VxStatus.h"

class BaseField;

class VX_EXPORT BaseCatalogResult : public VxObject {
public:
    ~BaseCatalogResult() override = default;

    // Number of result columns of the catalog function.
    virtual std::uint16_t getNumCols() const = 0;
    // Fills the description of result column `column` (1-based) into a
    // field the statement created.
    [[nodiscard]] virtual VxStatus describeCol(std::uint16_t column, BaseField& field) = 0;
    // Moves to the next row; *noMore = 1 past the last one.
    [[nodiscard]] virtual VxStatus fetchRow(unsigned short* noMore) = 0;
    // Moves to row `row` (1-based); *noMore = 1 when there is no such row.
    [[nodiscard]] virtual VxStatus fetchRandomRow(SQLULEN row, unsigned short* noMore) = 0;
    // Delivers column `column` of the current row converted to `cType`,
    // with the same contract as the statement's getData hook.
    [[nodiscard]] virtual VxStatus getData(unsigned short column, short cType,
                                           BaseOutString* out) = 0;
    // Number of rows gathered.
    virtual SQLLEN getRowCount() const = 0;
};
