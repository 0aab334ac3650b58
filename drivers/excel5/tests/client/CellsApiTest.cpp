// Workbooks as Excel writes them, read through unixODBC's driver manager:
// RK numbers in their four forms, MULRK runs, rich-text labels (RSTRING),
// formulas with text results, and records whose inner lengths overstate
// the record. The workbooks come from the tests' own BIFF writer inside
// the tests' compound-file writer.
//
// XLS_DRIVER_PATH is the driver library.
#include <sql.h>
#include <sqlext.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../CompoundWriter.h"
#include "BiffWriter.h"

namespace {

class CellsApiTest : public ::testing::Test {
protected:
    void TearDown() override { disconnect(); }

    void connect(const std::string& path) {
        ASSERT_EQ(SQL_SUCCESS, SQLAllocEnv(&env_));
        ASSERT_EQ(SQL_SUCCESS, SQLAllocConnect(env_, &dbc_));
        std::string text = std::string("DRIVER=") + XLS_DRIVER_PATH + ";Database=" + path;
        SQLRETURN rc = SQLDriverConnect(dbc_, nullptr, (SQLCHAR*)text.c_str(), SQL_NTS, nullptr, 0,
                                        nullptr, SQL_DRIVER_NOPROMPT);
        ASSERT_TRUE(SQL_SUCCEEDED(rc)) << diagnostic(SQL_NULL_HSTMT);
        ASSERT_EQ(SQL_SUCCESS, SQLAllocStmt(dbc_, &stmt_));
    }
    void disconnect() {
        if (stmt_)
            SQLFreeStmt(stmt_, SQL_DROP);
        if (dbc_) {
            SQLDisconnect(dbc_);
            SQLFreeConnect(dbc_);
        }
        if (env_)
            SQLFreeEnv(env_);
        stmt_ = dbc_ = env_ = nullptr;
    }
    std::string diagnostic(SQLHSTMT stmt) {
        SQLCHAR state[6] = "";
        SQLCHAR message[512] = "";
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        SQLError(env_, dbc_, stmt, state, &native, message, sizeof message, &length);
        return std::string(reinterpret_cast<char*>(state)) + " " + reinterpret_cast<char*>(message);
    }
    std::string writeBook(const std::string& name, const BiffWriter& book) {
        CompoundWriter file;
        file.addStream("Book", book.build());
        return writeTestFile(name + ".xls", file.build());
    }
    // Every value of `sql` as text ("NULL" for null), row by row.
    std::vector<std::string> values(const char* sql) {
        std::vector<std::string> out;
        EXPECT_EQ(SQL_SUCCESS, SQLExecDirect(stmt_, (SQLCHAR*)sql, SQL_NTS)) << diagnostic(stmt_);
        SQLSMALLINT columns = 0;
        SQLNumResultCols(stmt_, &columns);
        while (SQLFetch(stmt_) == SQL_SUCCESS) {
            for (SQLUSMALLINT i = 1; i <= columns; ++i) {
                char value[512] = "";
                SQLLEN length = 0;
                EXPECT_TRUE(
                    SQL_SUCCEEDED(SQLGetData(stmt_, i, SQL_C_CHAR, value, sizeof value, &length)));
                out.emplace_back(length == SQL_NULL_DATA ? "NULL" : value);
            }
        }
        SQLFreeStmt(stmt_, SQL_CLOSE);
        return out;
    }
    std::vector<double> numbers(const char* sql) {
        std::vector<double> out;
        EXPECT_EQ(SQL_SUCCESS, SQLExecDirect(stmt_, (SQLCHAR*)sql, SQL_NTS)) << diagnostic(stmt_);
        SQLSMALLINT columns = 0;
        SQLNumResultCols(stmt_, &columns);
        while (SQLFetch(stmt_) == SQL_SUCCESS)
            for (SQLUSMALLINT i = 1; i <= columns; ++i) {
                double value = 0;
                SQLLEN length = 0;
                EXPECT_EQ(SQL_SUCCESS, SQLGetData(stmt_, i, SQL_C_DOUBLE, &value, 0, &length));
                out.push_back(length == SQL_NULL_DATA ? -999999 : value);
            }
        SQLFreeStmt(stmt_, SQL_CLOSE);
        return out;
    }

    SQLHENV env_ = nullptr;
    SQLHDBC dbc_ = nullptr;
    SQLHSTMT stmt_ = nullptr;
};

// Cell formats: 0 General, 1 a date (format 14), 2 a timestamp (22).
BiffWriter numberBook() {
    BiffWriter book;
    book.addXf(0);
    book.addXf(14);
    book.addXf(22);
    book.addSheet();
    book.addName("Rk", 0, 0, 4, 0, 3);
    for (std::uint16_t c = 0; c < 4; ++c)
        book.label(0, c, std::string(1, static_cast<char>('A' + c)));
    book.rk(1, 0, 0, BiffWriter::rkInteger(42));
    book.rk(1, 1, 0, BiffWriter::rkIntegerCents(12345));
    book.rk(1, 2, 0, BiffWriter::rkDouble(1.5));
    book.rk(1, 3, 0, BiffWriter::rkDoubleCents(123.0));
    book.mulrk(2, 0,
               {{0, BiffWriter::rkInteger(-7)},
                {0, BiffWriter::rkIntegerCents(-250)},
                {0, BiffWriter::rkDouble(0.25)},
                {0, BiffWriter::rkDoubleCents(5.0)}});
    // A run that starts in the range and continues beyond it.
    book.mulrk(3, 2,
               {{0, BiffWriter::rkInteger(536870911)},
                {0, BiffWriter::rkInteger(1)},
                {0, BiffWriter::rkInteger(2)}});
    book.mulrk(4, 0, {{0, BiffWriter::rkInteger(-536870912)}});
    return book;
}

TEST_F(CellsApiTest, RkFormsAndMulrkRuns) {
    connect(writeBook("rk", numberBook()));
    EXPECT_EQ(numbers("SELECT * FROM Rk"),
              (std::vector<double>{42, 123.45, 1.5, 1.23, -7, -2.5, 0.25, 0.05, -999999, -999999,
                                   536870911, 1, -536870912, -999999, -999999, -999999}));
}

TEST_F(CellsApiTest, RkAndMulrkDatesInBothSystems) {
    BiffWriter book;
    book.addXf(0);
    book.addXf(14);
    book.addXf(22);
    book.addSheet();
    book.addName("Days", 0, 0, 2, 0, 1);
    book.label(0, 0, "Day");
    book.label(0, 1, "Stamp");
    book.rk(1, 0, 1, BiffWriter::rkInteger(43832));
    book.rk(1, 1, 2, BiffWriter::rkDouble(43832.5));
    book.mulrk(2, 0, {{1, BiffWriter::rkInteger(0)}, {2, BiffWriter::rkIntegerCents(25)}});
    connect(writeBook("days1900", book));
    EXPECT_EQ(values("SELECT * FROM Days"),
              (std::vector<std::string>{"2020-01-02", "2020-01-02 12:00:00", "1899-12-30",
                                        "1899-12-30 06:00:00"}));
    disconnect();
    book.set1904();
    connect(writeBook("days1904", book));
    EXPECT_EQ(values("SELECT * FROM Days"),
              (std::vector<std::string>{"2024-01-03", "2024-01-03 12:00:00", "1904-01-01",
                                        "1904-01-01 06:00:00"}));
}

// Rich-text labels and formula texts read as text; numbers in a character
// column have two decimals.
TEST_F(CellsApiTest, TextsOfEveryLabelKind) {
    BiffWriter book;
    book.addXf(0);
    book.addSheet();
    book.addName("Texts", 0, 0, 3, 0, 1);
    book.label(0, 0, "Kind");
    book.label(0, 1, "Value");
    book.label(1, 0, "label");
    book.label(1, 1, "plain");
    book.label(2, 0, "rich");
    book.rstring(2, 1, "bold part");
    book.label(3, 0, "formula");
    book.formulaText(3, 1, "computed");
    connect(writeBook("texts", book));
    EXPECT_EQ(
        values("SELECT * FROM Texts"),
        (std::vector<std::string>{"label", "plain", "rich", "bold part", "formula", "computed"}));
}

// Lengths inside records are bounded by the record: a label claiming more
// text than its record holds is no cell, a MULRK counts only the cells its
// length holds, and nothing is read beyond either.
TEST_F(CellsApiTest, InnerLengthsBoundedByTheRecord) {
    BiffWriter book;
    book.addXf(0);
    book.addSheet();
    book.addName("Cut", 0, 0, 2, 0, 2);
    book.label(0, 0, "A");
    book.label(0, 1, "B");
    book.label(0, 2, "C");
    book.record(0x0204, {1, 0, 0, 0, 0, 0, 200, 0, 'a', 'b', 'c'});
    book.rk(1, 1, 0, BiffWriter::rkInteger(5));
    // MULRK of 2 whole cells and 3 stray bytes.
    BiffWriter::Bytes run = {2, 0, 0, 0};
    for (std::uint32_t v : {BiffWriter::rkInteger(8), BiffWriter::rkInteger(9)}) {
        run.insert(run.end(), {0, 0});
        for (int i = 0; i < 4; ++i)
            run.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    run.insert(run.end(), {0, 0, 2});
    book.record(0x00BD, run);
    connect(writeBook("cut", book));
    EXPECT_EQ(values("SELECT * FROM Cut"),
              (std::vector<std::string>{"NULL", "5", "NULL", "8", "9", "NULL"}));
}

// A workbook over 7 MB: its FAT sectors are listed past the header, in
// DIFAT sectors. Every row is read, the last one whole.
TEST_F(CellsApiTest, WorkbookOverSevenMegabytes) {
    BiffWriter book;
    book.addXf(0);
    book.addSheet();
    const std::uint16_t rows = 16000;
    book.addName("Large", 0, 0, rows, 0, 2);
    book.label(0, 0, "Id");
    book.label(0, 1, "Left");
    book.label(0, 2, "Right");
    const std::string left(220, 'l'), right(220, 'r');
    for (std::uint16_t r = 1; r <= rows; ++r) {
        book.rk(r, 0, 0, BiffWriter::rkInteger(r));
        book.label(r, 1, left);
        book.label(r, 2, right + std::to_string(r));
    }
    CompoundWriter file;
    file.addStream("Book", book.build());
    const auto& bytes = file.build();
    ASSERT_GT(bytes.size(), 7u * 1024 * 1024);
    ASSERT_GT(file.difatSectorCount(), 0u);
    connect(writeTestFile("large.xls", bytes));
    EXPECT_EQ(values("SELECT COUNT(*), SUM(Id) FROM Large"),
              (std::vector<std::string>{"16000", "128008000"}));
    EXPECT_EQ(values("SELECT Right FROM Large WHERE Id = 16000"),
              (std::vector<std::string>{right + "16000"}));
}

} // namespace
