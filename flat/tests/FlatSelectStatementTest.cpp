// SELECT through the flat statement and connection: tables opened by the
// connection, columns described to the framework, rows fetched, values
// delivered, scrolling chosen by the cursor type.
#include <sqlext.h>

#include <cstring>

#include "FlatConnTestSupport.h"
#include "base/BaseField.h"
#include "base/BaseOutString.h"
#include "base/BaseSqlString.h"
#include "flat/FlatSelectDesc.h"
#include "flat/FlatStatement.h"

namespace {

class SelectStatementTest : public FlatConnFixture {
protected:
    void SetUp() override {
        FlatConnFixture::SetUp();
        defineSample("T1");
        connection_->define("T2",
                            {{"A", SQL_VARCHAR, 10, 0, SQL_NULLABLE, false, "VARCHAR"},
                             {"C", SQL_INTEGER, 10, 0, SQL_NO_NULLS, false, "INTEGER"}},
                            {{"one", "1"}, {"three", "3"}, {"four", "4"}});
        statement_ = new FlatStatement(*connection_);
    }
    void TearDown() override {
        delete statement_;
        FlatConnFixture::TearDown();
    }
    VxStatus prepare(const char* sql) {
        BaseSqlString text(sql, SQL_NTS);
        return statement_->prepareCompile(&text);
    }
    std::string text(unsigned short column) {
        char buffer[64] = {};
        SQLLEN length = 0;
        BaseOutString out(buffer, sizeof buffer, &length);
        if (statement_->getData(column, SQL_C_CHAR, &out) != VX_SUCCESS)
            return "error";
        return length == SQL_NULL_DATA ? "NULL" : buffer;
    }
    std::vector<std::string> fetchAll() {
        std::vector<std::string> rows;
        unsigned short atEnd = 0;
        while (statement_->fetchRow(&atEnd) == VX_SUCCESS && !atEnd) {
            std::string row;
            for (unsigned short c = 1; c <= statement_->getNumResultCols(); ++c)
                row += (c > 1 ? "|" : "") + text(c);
            rows.push_back(row);
        }
        return rows;
    }

    FlatStatement* statement_ = nullptr;
};

TEST_F(SelectStatementTest, ColumnsAreDescribedAndRowsDelivered) {
    ASSERT_EQ(VX_SUCCESS, prepare("SELECT A, B * 2 AS twice, B FROM T1 WHERE B > 1;"));
    EXPECT_NE(nullptr, dynamic_cast<FlatSelectDesc*>(statement_->getDescriptor()));
    ASSERT_EQ(3, statement_->getNumResultCols());
    EXPECT_STREQ("A", statement_->getField(1)->getName());
    EXPECT_EQ(SQL_VARCHAR, statement_->getField(1)->getSqlType());
    EXPECT_STREQ("twice", statement_->getField(2)->getName());
    EXPECT_EQ(SQL_DOUBLE, statement_->getField(2)->getSqlType());
    EXPECT_EQ(SQL_NUMERIC, statement_->getField(3)->getSqlType());
    ASSERT_EQ(VX_SUCCESS, statement_->executePreparedStmt());
    EXPECT_EQ((std::vector<std::string>{"one|3|1.50", "three|6.5|3.25"}), fetchAll());
}

TEST_F(SelectStatementTest, JoinedTablesAreOpenedThroughTheConnection) {
    ASSERT_EQ(VX_SUCCESS, prepare("SELECT T1.A, C, B FROM T1, T2 x WHERE T1.A = x.A"));
    EXPECT_EQ(2, statement_->getTables().getCount());
    EXPECT_EQ(2, connection_->getSharedDescCount());
    ASSERT_EQ(VX_SUCCESS, statement_->executePreparedStmt());
    EXPECT_EQ((std::vector<std::string>{"one|1|1.50", "three|3|3.25"}), fetchAll());
    ASSERT_EQ(VX_SUCCESS, statement_->setToAllocatedState(0));
    EXPECT_EQ(0, connection_->getSharedDescCount());
}

TEST_F(SelectStatementTest, AStaticCursorReachesRowsByNumber) {
    statement_->getOptions().set(SQL_CURSOR_TYPE, SQL_CURSOR_STATIC);
    ASSERT_EQ(VX_SUCCESS, prepare("SELECT A FROM T2"));
    ASSERT_EQ(VX_SUCCESS, statement_->executePreparedStmt());
    unsigned short atEnd = 0;
    ASSERT_EQ(VX_SUCCESS, statement_->fetchRandomRow(3, &atEnd, 0));
    ASSERT_EQ(0, atEnd);
    EXPECT_EQ("four", text(1));
    ASSERT_EQ(VX_SUCCESS, statement_->fetchRandomRow(1, &atEnd, 0));
    EXPECT_EQ("one", text(1));
    ASSERT_EQ(VX_SUCCESS, statement_->fetchRandomRow(4, &atEnd, 0));
    EXPECT_EQ(1, atEnd);
}

TEST_F(SelectStatementTest, ParseErrorsReachTheStatementWithTheirText) {
    EXPECT_EQ(VX_ERROR, prepare("SELECT nosuch FROM T1"));
    std::vector<FlatRaised> errors = raised();
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ("S0022", errors[0].state);
    EXPECT_EQ(3903, errors[0].native);
    EXPECT_NE(std::string::npos, errors[0].text.find("Field not found: nosuch"));
    EXPECT_EQ(nullptr, statement_->getDescriptor());
    EXPECT_EQ(0, connection_->getSharedDescCount());
    EXPECT_EQ(VX_ERROR, prepare("SELECT A FROM T1 WHERE A = 1"));
    errors = raised();
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ("37000", errors[0].state);
    EXPECT_NE(std::string::npos, errors[0].text.find("Incompatible datatypes in expression : ="));
}

} // namespace

namespace {

// Option 1052 lists the prepared SELECT into the application's option
// buffer (256 bytes): a longer listing is cut there and terminated, and
// the buffer's end is never passed.
TEST_F(SelectStatementTest, PlanListingOptionStaysInTheOptionBuffer) {
    ASSERT_EQ(VX_SUCCESS, prepare("SELECT T1.A, T2.C FROM T1, T2 WHERE T1.A = T2.A ORDER BY 2"));
    char buffer[512];
    std::memset(buffer, 'x', sizeof buffer);
    ASSERT_EQ(VX_SUCCESS, statement_->getStmtOption(FLAT_OPT_DUMP, buffer));
    EXPECT_EQ(255u, std::strlen(buffer));
    EXPECT_NE(nullptr, std::strstr(buffer, "Projection\r\n")) << buffer;
    for (std::size_t i = 256; i < sizeof buffer; ++i)
        ASSERT_EQ('x', buffer[i]) << i;
}

} // namespace
