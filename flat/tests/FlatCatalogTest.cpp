// Catalog descriptors over in-memory tables: the rows of SQLTables,
// SQLColumns, SQLStatistics, SQLSpecialColumns and SQLPrimaryKeys, their
// argument checks, and the hand-over to the framework's catalog object.
#include <sqlext.h>

#include <algorithm>
#include <string>

#include "FlatConnTestSupport.h"
#include "base/BaseCatalogInfo.h"
#include "base/BaseField.h"
#include "base/BaseOutString.h"
#include "flat/FlatCatalogDesc.h"

namespace {

class CatalogTest : public FlatConnFixture {
protected:
    void SetUp() override {
        FlatConnFixture::SetUp();
        ASSERT_EQ(VX_SUCCESS, connection_->setDataDirectory("/data"));
        defineSample("ORDERS");
        connection_->define("ORDER_LINES",
                            {{"LINE", SQL_INTEGER, 10, 0, SQL_NO_NULLS, false, "INTEGER"},
                             {"STAMP", SQL_TIMESTAMP, 19, 0, SQL_NO_NULLS, true, "TIMESTAMP"},
                             {"NOTE", SQL_VARCHAR, 40, 0, SQL_NULLABLE, true, "VARCHAR"}},
                            {{"1", "x", "y"}});
        connection_->define("CUSTOMERS", {{"ID", SQL_INTEGER}}, {}).countable = 42;
        statement_ = new FakeSelectStatement(*connection_);
    }
    void TearDown() override {
        delete statement_;
        FlatConnFixture::TearDown();
    }
    // Runs `desc` without the framework; the statement keeps it.
    FlatCatalogDesc* run(FlatCatalogDesc* desc, const FlatCatalogRequest& request) {
        if (statement_->runCatalog(desc, request, nullptr) != VX_SUCCESS)
            return nullptr;
        return static_cast<FlatCatalogDesc*>(statement_->getDescriptor());
    }
    // Column `column` of every row, "NULL" for NULL, numbers in decimal.
    std::vector<std::string> column(const FlatCatalogDesc* desc, std::uint16_t column) {
        std::vector<std::string> values;
        for (std::uint32_t row = 0; row < desc->getRowCount(); ++row) {
            const FlatCatalogValue* value = desc->getValue(row, column);
            if (value->kind == FlatCatalogValue::TEXT)
                values.push_back(value->text);
            else if (value->kind == FlatCatalogValue::INTEGER)
                values.push_back(std::to_string(value->integer));
            else
                values.push_back("NULL");
        }
        return values;
    }
    using Values = std::vector<std::string>;

    FakeSelectStatement* statement_ = nullptr;
};

TEST_F(CatalogTest, TablesMatchTheNamePattern) {
    FlatCatalogRequest request;
    request.table = "ORDER%";
    FlatCatalogDesc* desc = run(new FlatTableDesc(statement_), request);
    ASSERT_NE(nullptr, desc);
    EXPECT_EQ((Values{"ORDERS", "ORDER_LINES"}), column(desc, 3));
    EXPECT_EQ((Values{"/data", "/data"}), column(desc, 1));
    EXPECT_EQ((Values{"NULL", "NULL"}), column(desc, 2));
    EXPECT_EQ((Values{"TABLE", "TABLE"}), column(desc, 4));
    // "_" is a wildcard unless escaped with the announced escape character.
    request.table = "ORDER~_LINES";
    desc = run(new FlatTableDesc(statement_), request);
    ASSERT_NE(nullptr, desc);
    EXPECT_EQ((Values{"ORDER_LINES"}), column(desc, 3));
    // Case matters unless the driver says table names are caseless.
    request.table = "orders";
    EXPECT_EQ(0u, run(new FlatTableDesc(statement_), request)->getRowCount());
    connection_->setFlatFlag(FlatConnection::FLAT_TABLE_NAMES_CI, true);
    EXPECT_EQ(1u, run(new FlatTableDesc(statement_), request)->getRowCount());
}

TEST_F(CatalogTest, AQualifierPatternStandsForTheDataDirectoryItMatches) {
    FlatCatalogRequest request;
    request.qualifier = "%";
    FlatCatalogDesc* desc = run(new FlatTableDesc(statement_), request);
    ASSERT_NE(nullptr, desc);
    EXPECT_EQ((Values{"/data", "/data", "/data"}), column(desc, 1));
    request.qualifier = "/elsewhere%";
    EXPECT_EQ(0u, run(new FlatTableDesc(statement_), request)->getRowCount());
}

TEST_F(CatalogTest, TablesOfOtherTypesOnlyWhenAskedFor) {
    FlatCatalogRequest request;
    request.tableTypes = FlatCatalogRequest::TABLE_TYPES_VIEW;
    EXPECT_EQ(0u, run(new FlatTableDesc(statement_), request)->getRowCount());
    request.special = FlatCatalogRequest::SPECIAL_TYPES;
    FlatCatalogDesc* desc = run(new FlatTableDesc(statement_), request);
    EXPECT_EQ((Values{"TABLE"}), column(desc, 4));
    request.special = FlatCatalogRequest::SPECIAL_QUALIFIERS;
    desc = run(new FlatTableDesc(statement_), request);
    EXPECT_EQ((Values{"/data"}), column(desc, 1));
    request.special = FlatCatalogRequest::SPECIAL_OWNERS;
    request.owner = "%";
    EXPECT_EQ(0u, run(new FlatTableDesc(statement_), request)->getRowCount());
}

TEST_F(CatalogTest, AnOwnerOrUnusableQualifierIsNotCapable) {
    FlatCatalogRequest request;
    request.owner = "SCOTT";
    EXPECT_EQ(nullptr, run(new FlatTableDesc(statement_), request));
    EXPECT_EQ("S1C00", raised().at(0).state);
    request.owner = "";
    EXPECT_NE(nullptr, run(new FlatTableDesc(statement_), request));
    connection_->setFlatFlag(FlatConnection::FLAT_QUALIFIERS, false);
    request.qualifier = "/data";
    EXPECT_EQ(nullptr, run(new FlatColumnDesc(statement_), request));
    EXPECT_EQ("S1C00", raised().at(0).state);
}

TEST_F(CatalogTest, ColumnsInFieldOrderWithTheirTypes) {
    FlatCatalogRequest request;
    request.table = "ORDER_LINES";
    FlatCatalogDesc* desc = run(new FlatColumnDesc(statement_), request);
    ASSERT_NE(nullptr, desc);
    EXPECT_EQ((Values{"LINE", "STAMP", "NOTE"}), column(desc, 4));
    EXPECT_EQ((Values{"4", "11", "12"}), column(desc, 5));
    EXPECT_EQ((Values{"INTEGER", "TIMESTAMP", "VARCHAR"}), column(desc, 6));
    EXPECT_EQ((Values{"10", "19", "40"}), column(desc, 7));
    EXPECT_EQ((Values{"4", "16", "40"}), column(desc, 8));
    EXPECT_EQ((Values{"0", "0", "NULL"}), column(desc, 9)); // no scale for VARCHAR
    EXPECT_EQ((Values{"10", "NULL", "NULL"}), column(desc, 10));
    EXPECT_EQ((Values{"0", "0", "1"}), column(desc, 11));
    // The tables were closed again.
    EXPECT_EQ(0, connection_->getSharedDescCount());
}

TEST_F(CatalogTest, ColumnsMatchTheColumnPatternWithoutCase) {
    FlatCatalogRequest request;
    request.column = "n%";
    FlatCatalogDesc* desc = run(new FlatColumnDesc(statement_), request);
    ASSERT_NE(nullptr, desc);
    EXPECT_EQ((Values{"ORDER_LINES"}), column(desc, 3));
    EXPECT_EQ((Values{"NOTE"}), column(desc, 4));
}

TEST_F(CatalogTest, ColumnsOfADirectoryWithoutTablesAreNone) {
    connection_->order.clear();
    FlatCatalogDesc* desc = run(new FlatColumnDesc(statement_), FlatCatalogRequest());
    ASSERT_NE(nullptr, desc);
    EXPECT_EQ(0u, desc->getRowCount());
}

// A table the enumeration does not list (a file of an extension the
// catalogue leaves out) is still described when named exactly, as a query
// would find it; patterns and SQLTables keep to the enumeration.
TEST_F(CatalogTest, ATableNamedExactlyIsFoundOutsideTheEnumeration) {
    connection_->define("HIDDEN_ONE", {{"H", SQL_INTEGER}}, {}).countable = 7;
    connection_->order.pop_back();
    FlatCatalogRequest request;
    request.table = "HIDDEN_ONE"; // "_" read as itself too
    FlatCatalogDesc* desc = run(new FlatColumnDesc(statement_), request);
    ASSERT_NE(nullptr, desc);
    EXPECT_EQ((Values{"HIDDEN_ONE"}), column(desc, 3));
    EXPECT_EQ((Values{"H"}), column(desc, 4));
    request.table = "HIDDEN~_ONE";
    EXPECT_EQ((Values{"HIDDEN_ONE"}), column(run(new FlatColumnDesc(statement_), request), 3));
    request.table = "HIDDEN%";
    EXPECT_EQ(0u, run(new FlatColumnDesc(statement_), request)->getRowCount());
    request.table = "HIDDEN_ONE";
    EXPECT_EQ(0u, run(new FlatTableDesc(statement_), request)->getRowCount());
    desc = run(new FlatStatisticsDesc(statement_), request);
    ASSERT_NE(nullptr, desc);
    EXPECT_EQ((Values{"HIDDEN_ONE"}), column(desc, 3));
    EXPECT_EQ((Values{"7"}), column(desc, 11));
    // A listed table is not described twice.
    request.table = "ORDERS";
    EXPECT_EQ(1u, run(new FlatStatisticsDesc(statement_), request)->getRowCount());
    EXPECT_EQ(2u, run(new FlatColumnDesc(statement_), request)->getRowCount());
    EXPECT_EQ(0, connection_->getSharedDescCount());
}

TEST_F(CatalogTest, StatisticsGiveTheTableRowWithItsCardinality) {
    FlatCatalogRequest request;
    request.table = "CUSTOMERS";
    FlatCatalogDesc* desc = run(new FlatStatisticsDesc(statement_), request);
    ASSERT_NE(nullptr, desc);
    EXPECT_EQ((Values{"CUSTOMERS"}), column(desc, 3));
    EXPECT_EQ((Values{"0"}), column(desc, 7)); // SQL_TABLE_STAT
    EXPECT_EQ((Values{"42"}), column(desc, 11));
    request.table = "ORDERS"; // cannot count its records
    desc = run(new FlatStatisticsDesc(statement_), request);
    EXPECT_EQ((Values{"NULL"}), column(desc, 11));
    request.table = "NOSUCH";
    EXPECT_EQ(0u, run(new FlatStatisticsDesc(statement_), request)->getRowCount());
    // An exact name: "_" is no wildcard here.
    request.table = "ORDER_LINEZ";
    EXPECT_EQ(0u, run(new FlatStatisticsDesc(statement_), request)->getRowCount());
}

TEST_F(CatalogTest, BestRowIdOnlyWhenTheTableHasRowIdentifiers) {
    FlatCatalogRequest request;
    request.table = "ORDERS";
    EXPECT_EQ(0u, run(new FlatSpecialDesc(statement_), request)->getRowCount());
    connection_->setFlatFlag(FlatConnection::FLAT_ROWID, true);
    FlatCatalogDesc* desc = run(new FlatSpecialDesc(statement_), request);
    ASSERT_EQ(1u, desc->getRowCount());
    EXPECT_EQ((Values{"ROWID"}), column(desc, 2));
    EXPECT_EQ((Values{"3"}), column(desc, 3)); // SQL_DECIMAL
    EXPECT_EQ((Values{"10"}), column(desc, 5));
    EXPECT_EQ((Values{"2"}), column(desc, 8)); // SQL_PC_PSEUDO
}

TEST_F(CatalogTest, RowVersionColumnsHonourTheNullableRequest) {
    FlatCatalogRequest request;
    request.table = "ORDER_LINES";
    request.columnType = SQL_ROWVER;
    FlatCatalogDesc* desc = run(new FlatSpecialDesc(statement_), request);
    EXPECT_EQ((Values{"STAMP", "NOTE"}), column(desc, 2));
    request.nullable = SQL_NO_NULLS;
    desc = run(new FlatSpecialDesc(statement_), request);
    EXPECT_EQ((Values{"STAMP"}), column(desc, 2));
}

TEST_F(CatalogTest, PrimaryKeysOfTablesWithoutIndexesAreNone) {
    FlatCatalogRequest request;
    request.table = "ORDERS";
    EXPECT_EQ(0u, run(new FlatPrimaryDesc(statement_), request)->getRowCount());
}

TEST_F(CatalogTest, CollectedRowsAreFetchedInOrder) {
    FlatCatalogRequest request;
    request.table = "ORDER%";
    FlatCatalogDesc* desc = run(new FlatTableDesc(statement_), request);
    ASSERT_NE(nullptr, desc);
    EXPECT_EQ(5, statement_->getNumResultCols());
    EXPECT_STREQ("TABLE_NAME", statement_->getField(3)->getName());
    unsigned short atEnd = 0;
    ASSERT_EQ(VX_SUCCESS, statement_->fetchRow(&atEnd));
    EXPECT_EQ(0, atEnd);
    ASSERT_EQ(VX_SUCCESS, statement_->fetchRow(&atEnd));
    EXPECT_EQ(0, atEnd);
    ASSERT_EQ(VX_SUCCESS, statement_->fetchRow(&atEnd));
    EXPECT_EQ(1, atEnd);
    ASSERT_EQ(VX_SUCCESS, statement_->fetchRow(&atEnd));
    EXPECT_EQ(1, atEnd);
    ASSERT_EQ(VX_SUCCESS, statement_->fetchRandomRow(1, &atEnd, 0));
    EXPECT_EQ(0, atEnd);
    EXPECT_EQ(1u, desc->getPosition());
    char name[32] = {};
    SQLLEN length = 0;
    BaseOutString out(name, sizeof name, &length);
    ASSERT_EQ(VX_SUCCESS, statement_->getData(3, SQL_C_CHAR, &out));
    EXPECT_STREQ(column(desc, 3)[0].c_str(), name);
    BaseOutString remarks(name, sizeof name, &length);
    ASSERT_EQ(VX_SUCCESS, statement_->getData(2, SQL_C_CHAR, &remarks)); // owner: NULL
    EXPECT_EQ(SQL_NULL_DATA, length);
    EXPECT_EQ(VX_ERROR, statement_->getData(9, SQL_C_CHAR, &remarks));
    EXPECT_EQ("S1002", raised().at(0).state);
}

TEST_F(CatalogTest, RowsAreHandedToTheFrameworksCatalogObject) {
    BaseColumnsInfo info(*statement_);
    FlatCatalogRequest request;
    request.table = "ORDERS";
    FlatColumnDesc* desc = new FlatColumnDesc(statement_);
    ASSERT_EQ(VX_SUCCESS, statement_->runCatalog(desc, request, &info));
    EXPECT_EQ(nullptr, statement_->getDescriptor());
    ASSERT_EQ(VX_SUCCESS, info.finish());
    ASSERT_EQ(2, info.getRowCountKept());
    EXPECT_STREQ("A", info.getRow(0)->getText(4));
    EXPECT_EQ(SQL_NUMERIC, info.getRow(1)->getNumber(5));
    EXPECT_TRUE(info.getRow(0)->isNull(9));
}

// Through the framework's catalog functions, as an application calls them.
TEST_F(CatalogTest, SqlTablesAndSqlColumnsReachTheDescriptors) {
    SQLCHAR pattern[] = "ORDER%";
    ASSERT_EQ(SQL_SUCCESS,
              statement_->SQLTables(nullptr, 0, nullptr, 0, pattern, SQL_NTS, nullptr, 0));
    std::vector<std::string> names;
    while (statement_->SQLFetch() == SQL_SUCCESS) {
        char name[64] = {};
        SQLLEN length = 0;
        ASSERT_EQ(SQL_SUCCESS, statement_->SQLGetData(3, SQL_C_CHAR, name, sizeof name, &length));
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ((Values{"ORDERS", "ORDER_LINES"}), names);
    ASSERT_EQ(SQL_SUCCESS, statement_->SQLFreeStmt(SQL_CLOSE));

    // An exact name: the descriptor's rows are the answer.
    SQLCHAR table[] = "ORDERS";
    SQLRETURN rc = statement_->SQLColumns(nullptr, 0, nullptr, 0, table, SQL_NTS, nullptr, 0);
    SQLCHAR state[6] = {};
    SQLCHAR text[300] = {};
    if (rc != SQL_SUCCESS)
        statement_->getErrorList().SQLError(state, nullptr, text, sizeof text, nullptr);
    ASSERT_EQ(SQL_SUCCESS, rc) << state << " " << text;
    int rows = 0;
    SQLSMALLINT dataType = 0;
    while (statement_->SQLFetch() == SQL_SUCCESS) {
        ++rows;
        ASSERT_EQ(SQL_SUCCESS,
                  statement_->SQLGetData(5, SQL_C_SHORT, &dataType, sizeof dataType, nullptr));
    }
    EXPECT_EQ(2, rows);
    EXPECT_EQ(SQL_NUMERIC, dataType); // the last column, B
}

} // namespace
