// Limits through the driver manager, as an ODBC 2 application meets them:
// numeric connection attributes out of their range, and tables as wide as
// the engine's containers allow (16,000 columns), defined in "VXTXT.INI"
// or guessed from a header line. These run in the sanitizer pass too,
// where an absurd allocation aborts the process and quadratic work over
// 16,000 columns would not finish in reasonable time.
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

const std::string PREFIX = "[BRELLMONT][ODBC Text driver]";
constexpr unsigned WIDE = 16000;

struct Record {
    std::string state;
    std::string message;
};

class Limits : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/txtlimitsXXXXXX";
        mkdir(tmp && *tmp ? tmp : "/tmp", 0700);
        ASSERT_NE(nullptr, mkdtemp(pattern.data()));
        dir_ = pattern;
        ASSERT_EQ(SQL_SUCCESS, SQLAllocEnv(&henv_));
        ASSERT_EQ(SQL_SUCCESS, SQLAllocConnect(henv_, &hdbc_));
    }
    void TearDown() override {
        if (hstmt_)
            SQLFreeStmt(hstmt_, SQL_DROP);
        SQLDisconnect(hdbc_);
        SQLFreeConnect(hdbc_);
        SQLFreeEnv(henv_);
        for (const std::string& file : files_)
            std::remove((dir_ + "/" + file).c_str());
        rmdir(dir_.c_str());
    }

    void write(const std::string& file, const std::string& text) {
        std::ofstream(dir_ + "/" + file, std::ios::binary) << text;
        files_.push_back(file);
    }
    SQLRETURN connect(const std::string& attributes) {
        std::string text = "DRIVER=" TXT_DRIVER_PATH ";Database=" + dir_ + ";" + attributes;
        return SQLDriverConnect(hdbc_, nullptr, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS,
                                nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    }
    // Reconnects with `attributes`; the outcome and the connection's records.
    SQLRETURN reconnect(const std::string& attributes, std::vector<Record>* out) {
        SQLDisconnect(hdbc_);
        SQLRETURN rc = connect(attributes);
        *out = records(hdbc_, nullptr);
        return rc;
    }
    std::vector<Record> records(SQLHDBC hdbc, SQLHSTMT hstmt) {
        std::vector<Record> out;
        SQLCHAR state[6];
        SQLCHAR message[600];
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        while (SQL_SUCCEEDED(
            SQLError(henv_, hdbc, hstmt, state, &native, message, sizeof message, &length))) {
            std::string text = reinterpret_cast<char*>(message);
            if (text.compare(0, PREFIX.size(), PREFIX) == 0)
                text.erase(0, PREFIX.size());
            out.push_back({reinterpret_cast<char*>(state), text});
        }
        return out;
    }
    void execute(const std::string& sql) {
        if (!hstmt_) {
            ASSERT_EQ(SQL_SUCCESS, SQLAllocStmt(hdbc_, &hstmt_));
        }
        SQLFreeStmt(hstmt_, SQL_CLOSE);
        SQLRETURN rc = SQLExecDirect(
            hstmt_, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS);
        std::vector<Record> got = records(nullptr, hstmt_);
        ASSERT_EQ(SQL_SUCCESS, rc) << (got.empty() ? "" : got[0].state + " " + got[0].message);
    }
    std::string name(SQLUSMALLINT column) {
        SQLCHAR text[64] = {};
        SQLSMALLINT length = 0;
        SQLSMALLINT type = 0;
        SQLULEN precision = 0;
        SQLSMALLINT scale = 0;
        SQLSMALLINT nullable = 0;
        EXPECT_EQ(SQL_SUCCESS, SQLDescribeCol(hstmt_, column, text, sizeof text, &length, &type,
                                              &precision, &scale, &nullable));
        return reinterpret_cast<char*>(text);
    }
    std::string value(SQLUSMALLINT column) {
        char text[64] = {};
        SQLLEN length = 0;
        EXPECT_EQ(SQL_SUCCESS, SQLGetData(hstmt_, column, SQL_C_CHAR, text, sizeof text, &length));
        return length == SQL_NULL_DATA ? "<null>" : text;
    }
    SQLSMALLINT columnCount() {
        SQLSMALLINT count = 0;
        EXPECT_EQ(SQL_SUCCESS, SQLNumResultCols(hstmt_, &count));
        return count;
    }
    // One line of `count` values v1, v2, ...
    static std::string valueLine(unsigned count) {
        std::string line;
        for (unsigned i = 1; i <= count; ++i)
            line += (i > 1 ? "," : "") + ("v" + std::to_string(i));
        return line + "\r\n";
    }

    std::string dir_;
    std::vector<std::string> files_;
    SQLHENV henv_ = SQL_NULL_HENV;
    SQLHDBC hdbc_ = SQL_NULL_HDBC;
    SQLHSTMT hstmt_ = SQL_NULL_HSTMT;
};

bool hasRecord(const std::vector<Record>& records, const std::string& state,
               const std::string& part) {
    for (const Record& record : records)
        if (record.state == state && record.message.find(part) != std::string::npos)
            return true;
    return false;
}

TEST_F(Limits, NumericAttributesOutsideTheirRangeAreRefusedOrLowered) {
    write("small.txt", "1,one\r\n2,two\r\n");
    std::vector<Record> got;
    // A cache of 2^31 - 1 chunks of 64 KiB cannot be had: lowered to the
    // largest, and the connection works.
    ASSERT_EQ(SQL_SUCCESS_WITH_INFO, reconnect("CacheSize=2147483647", &got));
    EXPECT_TRUE(hasRecord(got, "01S02", "CacheSize")) << got.at(0).message;
    EXPECT_TRUE(hasRecord(got, "01S02", "4194303"));
    execute("SELECT FIELD_2 FROM small.txt WHERE FIELD_1 = 2");
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(hstmt_));
    EXPECT_EQ("two", value(1));
    SQLFreeStmt(hstmt_, SQL_DROP);
    hstmt_ = SQL_NULL_HSTMT;
    EXPECT_EQ(SQL_SUCCESS, reconnect("CacheSize=4194303;ScanRows=4294967295", &got));

    // Values that are no number of the attribute's width fail the connect.
    for (const char* bad : {"CacheSize=4294967296", "CacheSize=-1", "FileOpenCache=65536",
                            "ScanRows=4294967296", "ScanRows=42949672960", "ScanRows=ten"}) {
        EXPECT_EQ(SQL_ERROR, reconnect(bad, &got)) << bad;
        std::string key(bad, std::string(bad).find('='));
        EXPECT_TRUE(hasRecord(got, "S1009", key)) << bad;
    }
}

TEST_F(Limits, A16000ColumnDefinitionIsOpenedDescribedAndRead) {
    std::string ini = "[Defined Tables]\r\nwide.txt=WIDE\r\n[WIDE]\r\nFILE=wide.txt\r\n"
                      "FLN=0\r\nTT=Comma\r\nCharset=ANSI\r\n";
    for (unsigned i = 1; i <= WIDE; ++i)
        ini += "FIELD" + std::to_string(i) + "=C" + std::to_string(i) + ",VARCHAR,8,0,8,0,\r\n";
    write("VXTXT.INI", ini);
    write("wide.txt", valueLine(WIDE) + valueLine(3));
    ASSERT_EQ(SQL_SUCCESS, connect(""));
    execute("SELECT * FROM WIDE");
    ASSERT_EQ(WIDE, static_cast<unsigned>(columnCount()));
    EXPECT_EQ("C1", name(1));
    EXPECT_EQ("C16000", name(WIDE));
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(hstmt_));
    EXPECT_EQ("v1", value(1));
    EXPECT_EQ("v8000", value(8000));
    EXPECT_EQ("v16000", value(WIDE));
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(hstmt_));
    EXPECT_EQ("v3", value(3));
    EXPECT_EQ("<null>", value(4));
    EXPECT_EQ(SQL_NO_DATA_FOUND, SQLFetch(hstmt_));

    // The catalogue describes every column, in order.
    SQLFreeStmt(hstmt_, SQL_CLOSE);
    ASSERT_EQ(SQL_SUCCESS, SQLColumns(hstmt_, nullptr, 0, nullptr, 0,
                                      reinterpret_cast<SQLCHAR*>(const_cast<char*>("WIDE")),
                                      SQL_NTS, nullptr, 0));
    unsigned rows = 0;
    std::string last;
    while (SQLFetch(hstmt_) == SQL_SUCCESS) {
        ++rows;
        last = value(4);
    }
    EXPECT_EQ(WIDE, rows);
    EXPECT_EQ("C16000", last);
}

TEST_F(Limits, A16000NameHeaderIsGuessedWithUniqueNames) {
    // Names 8,001 to 16,000 repeat the first 8,000 in another case; the
    // last two are empty.
    std::string header;
    for (unsigned i = 0; i < WIDE; ++i) {
        std::string name = i >= WIDE - 2 ? "" : (i < 8000 ? "N" : "n") + std::to_string(i % 8000);
        header += (i ? "," : "") + name;
    }
    write("guess.csv", header + "\r\n" + valueLine(WIDE));
    ASSERT_EQ(SQL_SUCCESS, connect("FirstLineNames=1;ExtraExtensions=csv"));
    execute("SELECT * FROM guess.csv");
    ASSERT_EQ(WIDE, static_cast<unsigned>(columnCount()));
    EXPECT_EQ("N0", name(1));
    EXPECT_EQ("N7999", name(8000));
    EXPECT_EQ("n02", name(8001));
    EXPECT_EQ("n79972", name(15998));
    EXPECT_EQ("FIELD_15999", name(15999));
    EXPECT_EQ("FIELD_16000", name(WIDE));
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(hstmt_));
    EXPECT_EQ("v1", value(1));
    EXPECT_EQ("v16000", value(WIDE));

    // Equal names take the suffixes 2, 3, ... in order, passing over those
    // a column already has.
    write("same.csv", "X,x,X2,X,X3\r\n1,2,3,4,5\r\n");
    execute("SELECT * FROM same.csv");
    ASSERT_EQ(5, columnCount());
    EXPECT_EQ("X", name(1));
    EXPECT_EQ("x2", name(2));
    EXPECT_EQ("X22", name(3));
    EXPECT_EQ("X3", name(4));
    EXPECT_EQ("X32", name(5));
}

} // namespace
