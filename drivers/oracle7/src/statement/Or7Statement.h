// Or7Statement: an ODBC statement over one Oracle cursor.
//
// The statement opens its cursor at its first preparation and closes it
// when it returns to the allocated state. Preparation rewrites the text
// (Or7SqlRewrite.h), parses it and describes the select list; execution
// binds the literals taken out of the text and the output parameters,
// defines the column buffers and runs the statement, fetching the first
// array of rows with it. Rows then come from the fetch buffer, the next
// array being fetched when the last one was used up, as long as the last
// one was full:
//
//   executed ──> rows 0..n-1 of the array ──used up, array was full──> fetch next
//                     │                   └─used up, array short──> end
//                     └─ 1403 with n rows: those rows, then end
//
// A LONG or LONG RAW column makes every fetch one row, so that its value
// can be read piecewise from the current row.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/BaseStatement.h"
#include "client/Or7Oci.h"

class Or7Connection;
class Or7Field;
class Or7Param;

class Or7Statement : public BaseStatement {
public:
    explicit Or7Statement(BaseConnection& connection);
    ~Or7Statement() override;

    VxStatus prepareCompile(BaseSqlString* text) override;
    VxStatus executePreparedStmt() override;
    VxStatus fetchRow(unsigned short* noMore) override;
    VxStatus getData(unsigned short column, short cType, BaseOutString* out) override;
    VxStatus rowCount(SQLLEN* count) override;
    BaseField* allocFld() override;
    BaseParam* allocParam() override;
    VxStatus bindParam(unsigned short param, const void* data, SQLLEN length,
                       ParamBindChunkType chunk) override;
    VxStatus setToPreparedState() override;
    VxStatus setToAllocatedState(unsigned short keepPrepared) override;

    // Catalog functions over the data dictionary (catalog/Or7Catalog.cpp).
    VxStatus executeTables(BaseInString* tableTypes) override;
    VxStatus executeColumns() override;
    VxStatus executeStatistics(unsigned short accuracy) override;
    VxStatus executeSpecial(unsigned short* noRows) override;
    VxStatus executePrimary() override;
    VxStatus executeForeign() override;
    VxStatus executeProcedures() override;
    VxStatus executeProcCols() override;
    VxStatus executeTablePriv() override;
    VxStatus executeColPriv() override;
    VxStatus getTypeInfo(short sqlType) override;

    Or7Connection& getOr7Connection() const;

private:
    VxStatus describeSelectList();
    VxStatus bindLiterals();
    VxStatus bindReturnedParams();
    VxStatus defineColumns();
    VxStatus runQuery();
    VxStatus runStatement();
    int retryAsProcedure(int rc);
    bool callAsProcedure(int rc);
    int parseText();
    VxStatus returnParams();
    VxStatus fetchArray(bool first);
    bool currentRowCut();
    VxStatus readLong(Or7Field& field, unsigned short column);
    VxStatus bindOne(unsigned short n, Or7Param& p);
    VxStatus bindValue(unsigned short n, Or7Param& p, const void* data, SQLLEN length);
    void resetFetch();
    bool isReturned(unsigned short n, const Or7Param& p) const;

    Or7Cursor cursor_;
    // The text as parsed, the placeholders and values of literals moved
    // out of it.
    std::string parsed_;
    std::vector<std::string> literalNames_;
    std::vector<std::string> literals_;
    std::vector<short> literalIndicators_;
    bool isQuery_ = false;
    // A {?=call} running as a procedure call (its return value NULL).
    bool asProcedure_ = false;
    bool hasLong_ = false;
    unsigned rowsPerFetch_ = 1;
    // Fetch state.
    unsigned rowsInBuffer_ = 0;
    unsigned currentRow_ = 0;
    bool onRow_ = false;
    bool lastArrayFull_ = false;
    bool endOfData_ = false;
    std::uint32_t rowsBefore_ = 0;
    std::uint64_t fetchSerial_ = 0;
    SQLLEN rowCount_ = -1;
};
