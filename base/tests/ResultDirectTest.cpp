// The result side called directly on the test driver's classes, for what
// the driver manager keeps an application from reaching: catalog results,
// the row-modification hooks of SQLSetPos, the row count probing of
// SQL_FETCH_LAST, bookmarks and refused fetch types.
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "TstConnection.h"
#include "TstStatement.h"
#include "base/BaseCatalogResult.h"
#include "base/BaseConvertC.h"
#include "base/BaseDataValue.h"
#include "base/BaseEnv.h"
#include "base/BaseErrors.h"
#include "base/BaseField.h"

namespace {

// Two columns (NAME VARCHAR, N INTEGER) over rows given as pairs.
class FakeCatalog : public BaseCatalogResult {
public:
    explicit FakeCatalog(std::vector<std::pair<std::string, int>> rows) : rows_(std::move(rows)) {}
    std::uint16_t getNumCols() const override { return 2; }
    VxStatus describeCol(std::uint16_t column, BaseField& field) override {
        field.describe(column == 1 ? SQL_VARCHAR : SQL_INTEGER, column == 1 ? 30 : 10, 0);
        return field.setName(column == 1 ? "NAME" : "N");
    }
    VxStatus fetchRow(unsigned short* noMore) override { return fetchRandomRow(row_ + 1, noMore); }
    VxStatus fetchRandomRow(SQLULEN row, unsigned short* noMore) override {
        ++randomReads_;
        *noMore = row == 0 || row > rows_.size();
        row_ = *noMore ? rows_.size() + 1 : row;
        return VX_SUCCESS;
    }
    VxStatus getData(unsigned short column, short cType, BaseOutString* out) override {
        const auto& row = rows_[row_ - 1];
        if (column == 1)
            return baseConvertInternalToC(BaseConvertPlace::column(column), cType, *out,
                                          row.first.data(), static_cast<SQLLEN>(row.first.size()),
                                          INTERNAL_CHAR);
        SQLINTEGER value = row.second;
        return baseConvertInternalToC(BaseConvertPlace::column(column), cType, *out, &value,
                                      sizeof value, INTERNAL_SLONG);
    }
    SQLLEN getRowCount() const override { return static_cast<SQLLEN>(rows_.size()); }

    std::vector<std::pair<std::string, int>> rows_;
    SQLULEN row_ = 0;
    int randomReads_ = 0;
};

// Records the row-modification hooks; updating row `failRow_` fails.
class ModifyingStatement : public TstStatement {
public:
    explicit ModifyingStatement(BaseConnection& connection) : TstStatement(connection) {}
    VxStatus prepareForUpdate() override {
        calls_.push_back("prepare");
        return VX_SUCCESS;
    }
    VxStatus updateColumn(unsigned short column, const BaseDataValue* value) override {
        calls_.push_back("column " + std::to_string(column) + "=" +
                         std::to_string(*static_cast<const SQLINTEGER*>(value->getValue())));
        return VX_SUCCESS;
    }
    VxStatus updateRow() override {
        calls_.push_back("update " + std::to_string(getResultState().currentRow));
        if (getResultState().currentRow == failRow_) {
            addOdbcError(ODBC_23000);
            return VX_ERROR;
        }
        return VX_SUCCESS;
    }
    VxStatus deleteRow() override {
        calls_.push_back("delete " + std::to_string(getResultState().currentRow));
        return VX_SUCCESS;
    }
    VxStatus abortRowModification() override {
        calls_.push_back("abort");
        return VX_SUCCESS;
    }
    std::vector<std::string> calls_;
    SQLULEN failRow_ = 0;
};

class ResultDirect : public ::testing::Test {
protected:
    SQLRETURN run(BaseStatement& statement, std::string text) {
        return statement.SQLExecDirect(reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS);
    }
    std::vector<std::string> states(BaseStatement& statement) {
        std::vector<std::string> found;
        SQLCHAR state[6];
        while (statement.getErrorList().SQLError(state, nullptr, nullptr, 0, nullptr) !=
               SQL_NO_DATA_FOUND)
            found.push_back(reinterpret_cast<char*>(state));
        return found;
    }

    BaseEnv env_{static_cast<OdbcDriverNumber>(99)};
    TstConnection connection_{env_};
};

TEST_F(ResultDirect, CatalogResultsServeDescribeFetchAndGetData) {
    TstStatement statement(connection_);
    auto* catalog = new FakeCatalog({{"alpha", 1}, {"beta", 2}, {"gamma", 3}});
    statement.setCatalogResult(catalog);
    statement.setPrepareMode(BaseStatement::PREPARE_CATALOG);
    ASSERT_EQ(VX_SUCCESS, statement.enterExecutedState());
    EXPECT_EQ(BaseStatement::STMT_CURSOR_OPEN, statement.getState());
    SQLSMALLINT count = 0;
    ASSERT_EQ(SQL_SUCCESS, statement.SQLNumResultCols(&count));
    EXPECT_EQ(2, count);
    SQLCHAR name[8];
    SQLSMALLINT type = 0;
    ASSERT_EQ(SQL_SUCCESS, statement.SQLDescribeCol(2, name, sizeof name, nullptr, &type, nullptr,
                                                    nullptr, nullptr));
    EXPECT_STREQ("N", reinterpret_cast<char*>(name));
    EXPECT_EQ(SQL_INTEGER, type);
    SQLLEN rows = 0;
    ASSERT_EQ(SQL_SUCCESS, statement.SQLRowCount(&rows));
    EXPECT_EQ(3, rows);
    char text[8];
    SQLLEN length = 0;
    ASSERT_EQ(SQL_SUCCESS, statement.SQLFetch());
    ASSERT_EQ(SQL_SUCCESS, statement.SQLFetch());
    ASSERT_EQ(SQL_SUCCESS, statement.SQLGetData(1, SQL_C_CHAR, text, sizeof text, &length));
    EXPECT_STREQ("beta", text);
    // Scrolling reads the catalog rows at random; the last row set comes
    // from the row count.
    ASSERT_EQ(SQL_SUCCESS, statement.SQLSetStmtOption(SQL_CURSOR_TYPE, SQL_CURSOR_STATIC));
    SQLULEN fetched = 0;
    SQLUSMALLINT status[1];
    ASSERT_EQ(SQL_SUCCESS, statement.SQLExtendedFetch(SQL_FETCH_LAST, 0, &fetched, status));
    ASSERT_EQ(SQL_SUCCESS, statement.SQLGetData(2, SQL_C_CHAR, text, sizeof text, &length));
    EXPECT_STREQ("3", text);
    // Closing drops the catalog result.
    ASSERT_EQ(SQL_SUCCESS, statement.SQLFreeStmt(SQL_CLOSE));
    EXPECT_EQ(nullptr, statement.getCatalogResult());
    EXPECT_EQ(BaseStatement::STMT_ALLOCATED, statement.getState());
}

TEST_F(ResultDirect, LastRowSetIsFoundByProbingTheRowCount) {
    for (int rows : {0, 1, 2, 3, 1000, 1025}) {
        TstStatement statement(connection_);
        ASSERT_EQ(SQL_SUCCESS, statement.SQLSetStmtOption(SQL_CURSOR_TYPE, SQL_CURSOR_STATIC));
        ASSERT_EQ(SQL_SUCCESS, statement.SQLSetStmtOption(SQL_ROWSET_SIZE, 2));
        ASSERT_EQ(SQL_SUCCESS, run(statement, "column n INTEGER; rows " + std::to_string(rows)));
        SQLULEN fetched = 0;
        SQLUSMALLINT status[2];
        SQLRETURN rc = statement.SQLExtendedFetch(SQL_FETCH_LAST, 0, &fetched, status);
        if (rows == 0) {
            EXPECT_EQ(SQL_NO_DATA_FOUND, rc);
            continue;
        }
        ASSERT_EQ(SQL_SUCCESS, rc) << rows;
        EXPECT_EQ(rows == 1 ? 1u : 2u, fetched) << rows;
        SQLULEN rowNumber = 0;
        ASSERT_EQ(SQL_SUCCESS, statement.SQLGetStmtOption(SQL_ROW_NUMBER, &rowNumber));
        EXPECT_EQ(static_cast<SQLULEN>(rows == 1 ? 1 : rows - 1), rowNumber) << rows;
        // Counted from the end: the last row alone.
        ASSERT_EQ(SQL_SUCCESS,
                  statement.SQLExtendedFetch(SQL_FETCH_ABSOLUTE, -1, &fetched, status));
        ASSERT_EQ(SQL_SUCCESS, statement.SQLGetStmtOption(SQL_ROW_NUMBER, &rowNumber));
        EXPECT_EQ(static_cast<SQLULEN>(rows), rowNumber);
    }
}

TEST_F(ResultDirect, RefusedFetchTypesAndStates) {
    TstStatement statement(connection_);
    SQLULEN fetched = 0;
    EXPECT_EQ(SQL_ERROR, statement.SQLExtendedFetch(SQL_FETCH_NEXT, 0, &fetched, nullptr));
    EXPECT_EQ((std::vector<std::string>{"24000"}), states(statement));
    ASSERT_EQ(SQL_SUCCESS, run(statement, "column n INTEGER; rows 2"));
    EXPECT_EQ(SQL_ERROR, statement.SQLExtendedFetch(7, 0, &fetched, nullptr));
    EXPECT_EQ((std::vector<std::string>{"S1C00"}), states(statement));
    EXPECT_EQ(SQL_ERROR, statement.SQLExtendedFetch(9, 0, &fetched, nullptr));
    EXPECT_EQ((std::vector<std::string>{"S1106"}), states(statement));
    // SQLGetData before the first fetch and SQLSetPos without a row set.
    char text[4];
    EXPECT_EQ(SQL_ERROR, statement.SQLGetData(1, SQL_C_CHAR, text, sizeof text, nullptr));
    EXPECT_EQ((std::vector<std::string>{"24000"}), states(statement));
    EXPECT_EQ(SQL_ERROR, statement.SQLSetPos(1, SQL_POSITION, SQL_LOCK_NO_CHANGE));
    EXPECT_EQ((std::vector<std::string>{"S1109"}), states(statement));
}

TEST_F(ResultDirect, BookmarksAreRowNumbersWhereTheSourceKeepsThem) {
    TstStatement statement(connection_);
    ASSERT_EQ(SQL_SUCCESS, run(statement, "info 82 2"));
    ASSERT_EQ(SQL_SUCCESS, statement.SQLFreeStmt(SQL_CLOSE));
    SQLINTEGER bookmark = 0;
    ASSERT_EQ(SQL_SUCCESS, statement.SQLBindCol(0, SQL_C_LONG, &bookmark, 0, nullptr));
    ASSERT_EQ(SQL_SUCCESS, run(statement, "column n INTEGER; rows 3"));
    ASSERT_EQ(SQL_SUCCESS, statement.SQLFetch());
    ASSERT_EQ(SQL_SUCCESS, statement.SQLFetch());
    EXPECT_EQ(2, bookmark);
    SQLINTEGER read = 0;
    ASSERT_EQ(SQL_SUCCESS, statement.SQLGetData(0, SQL_C_LONG, &read, 0, nullptr));
    EXPECT_EQ(2, read);
    ASSERT_EQ(SQL_SUCCESS, statement.SQLFreeStmt(SQL_CLOSE));
    ASSERT_EQ(SQL_SUCCESS, run(statement, "info reset"));
}

// "SQL_CUR" and the handle's four low bytes, lowest first.
std::string nameFor(const void* handle, std::uint32_t step = 0) {
    auto bits = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(handle)) + step;
    char name[32];
    std::snprintf(name, sizeof name, "SQL_CUR%02X%02X%02X%02X", bits & 0xFFu, (bits >> 8) & 0xFFu,
                  (bits >> 16) & 0xFFu, bits >> 24);
    return name;
}

TEST_F(ResultDirect, GeneratedCursorNamesUseTheLowBytesAndAvoidLiveNames) {
    TstStatement first(connection_);
    TstStatement second(connection_);
    ASSERT_EQ(SQL_SUCCESS, run(first, "column n INTEGER; rows 1"));
    EXPECT_EQ(nameFor(&first), first.getCursorName());
    // A name another statement already has is not handed out again.
    std::string taken = nameFor(&second);
    ASSERT_EQ(SQL_SUCCESS, first.SQLFreeStmt(SQL_CLOSE));
    TstStatement third(connection_);
    ASSERT_EQ(SQL_SUCCESS,
              third.SQLSetCursorName(reinterpret_cast<SQLCHAR*>(taken.data()), SQL_NTS));
    ASSERT_EQ(SQL_SUCCESS, run(second, "column n INTEGER; rows 1"));
    EXPECT_EQ(nameFor(&second, 1), second.getCursorName());
    EXPECT_NE(taken, second.getCursorName());
    // Names compare without regard to case.
    std::string lower = "sql_cur" + taken.substr(7);
    EXPECT_EQ(SQL_ERROR, first.SQLSetCursorName(reinterpret_cast<SQLCHAR*>(lower.data()), SQL_NTS));
    EXPECT_EQ((std::vector<std::string>{"3C000"}), states(first));
}

TEST_F(ResultDirect, SetPosUpdatesThroughTheHooksAndMarksFailedRows) {
    ModifyingStatement statement(connection_);
    ASSERT_EQ(SQL_SUCCESS, statement.SQLSetStmtOption(SQL_CURSOR_TYPE, SQL_CURSOR_STATIC));
    ASSERT_EQ(SQL_SUCCESS, statement.SQLSetStmtOption(SQL_CONCURRENCY, SQL_CONCUR_VALUES));
    ASSERT_EQ(SQL_SUCCESS, statement.SQLSetStmtOption(SQL_ROWSET_SIZE, 3));
    ASSERT_EQ(SQL_SUCCESS, run(statement, "column n INTEGER; rows 3"));
    SQLULEN fetched = 0;
    SQLUSMALLINT status[3];
    ASSERT_EQ(SQL_SUCCESS, statement.SQLExtendedFetch(SQL_FETCH_NEXT, 0, &fetched, status));
    // Nothing bound: no values to write.
    EXPECT_EQ(SQL_ERROR, statement.SQLSetPos(0, SQL_UPDATE, SQL_LOCK_NO_CHANGE));
    EXPECT_EQ((std::vector<std::string>{"21S02"}), states(statement));
    SQLINTEGER values[3] = {10, 20, 30};
    ASSERT_EQ(SQL_SUCCESS, statement.SQLBindCol(1, SQL_C_LONG, values, 0, nullptr));
    statement.failRow_ = 2;
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO, statement.SQLSetPos(0, SQL_UPDATE, SQL_LOCK_NO_CHANGE));
    EXPECT_EQ((std::vector<std::string>{"23000", "01S01"}), states(statement));
    EXPECT_EQ(
        (std::vector<std::string>{"prepare", "column 1=10", "update 1", "prepare", "column 1=20",
                                  "update 2", "abort", "prepare", "column 1=30", "update 3"}),
        statement.calls_);
    EXPECT_EQ(SQL_ROW_UPDATED, status[0]);
    EXPECT_EQ(SQL_ROW_ERROR, status[1]);
    EXPECT_EQ(SQL_ROW_UPDATED, status[2]);
    statement.calls_.clear();
    ASSERT_EQ(SQL_SUCCESS, statement.SQLSetPos(3, SQL_DELETE, SQL_LOCK_NO_CHANGE));
    EXPECT_EQ((std::vector<std::string>{"delete 3"}), statement.calls_);
    EXPECT_EQ(SQL_ROW_DELETED, status[2]);
    // A driver without the hooks is not capable.
    TstStatement plain(connection_);
    ASSERT_EQ(SQL_SUCCESS, plain.SQLSetStmtOption(SQL_CONCURRENCY, SQL_CONCUR_VALUES));
    ASSERT_EQ(SQL_SUCCESS, run(plain, "column n INTEGER; rows 1"));
    ASSERT_EQ(SQL_SUCCESS, plain.SQLFetch());
    EXPECT_EQ(SQL_ERROR, plain.SQLSetPos(1, SQL_DELETE, SQL_LOCK_NO_CHANGE));
    EXPECT_EQ((std::vector<std::string>{"S1C00"}), states(plain));
}

} // namespace
