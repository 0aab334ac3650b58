// The conversion matrix (convert/conversion_matrix.txt) through the ODBC
// API: every result-column case becomes a one-row result set of the test
// driver, read once with SQLBindCol and SQLFetch (which the driver manager
// turns into SQLExtendedFetch) and once with SQLGetData, through the
// driver manager.
#include <cstdio>
#include <string>
#include <vector>

#include "ResultTestSupport.h"
#include "base/BaseConvertC.h"
#include "convert/ConvertMatrixData.h"

namespace {

constexpr unsigned char GUARD = 0xEE;
constexpr std::size_t GUARD_BYTES = 16;

std::string hex(const std::vector<unsigned char>& bytes) {
    std::string text;
    char pair[3];
    for (unsigned char byte : bytes) {
        std::snprintf(pair, sizeof pair, "%02X", byte);
        text += pair;
    }
    return text;
}

// The test driver's commands for a result set of one column holding the
// case's value.
std::string commandsFor(const ConvertCase& c) {
    bool isNull = false;
    std::vector<unsigned char> value =
        encodeValue(internalTypeByName(c.internalType), c.value, &isNull);
    std::string scale = c.hasScale ? std::to_string(c.scale) : "-";
    return "column c " + c.sqlType + " 100 " + scale + " " + c.internalType + "; row " +
           (isNull ? std::string("NULL") : "x:" + hex(value));
}

std::vector<unsigned char> expectedBytes(const ConvertCase& c, short cType, bool* terminated) {
    bool isNull;
    *terminated = false;
    if (cType == SQL_C_DEFAULT)
        cType = baseDefaultCTypeOfInternal(internalTypeByName(c.internalType));
    if (cType == SQL_C_CHAR || cType == SQL_C_WCHAR) {
        *terminated = true;
        return cType == SQL_C_WCHAR
                   ? widen(c.expected.text)
                   : std::vector<unsigned char>(c.expected.text.begin(), c.expected.text.end());
    }
    return encodeValue(baseCTypeInternal(cType), c.expected, &isNull);
}

class ResultMatrix : public ResultSession {
protected:
    // Reads the case's value into `buffer` by binding or by SQLGetData;
    // returns the return code of the fetch or the SQLGetData call.
    SQLRETURN read(const ConvertCase& c, bool bind, std::vector<unsigned char>& buffer, SQLLEN size,
                   SQLLEN* indicator) {
        short cType = cTypeByName(c.cType);
        EXPECT_EQ(SQL_SUCCESS, SQLFreeStmt(hstmt_, SQL_CLOSE));
        EXPECT_EQ(SQL_SUCCESS, SQLFreeStmt(hstmt_, SQL_UNBIND));
        if (bind) {
            EXPECT_EQ(SQL_SUCCESS, SQLBindCol(hstmt_, 1, cType, buffer.data(), size, indicator));
        }
        EXPECT_EQ(SQL_SUCCESS, exec(commandsFor(c))) << "line " << c.line << ": " << state();
        SQLRETURN rc = SQLFetch(hstmt_);
        if (bind)
            return rc;
        EXPECT_EQ(SQL_SUCCESS, rc) << "line " << c.line;
        return SQLGetData(hstmt_, 1, cType, buffer.data(), size, indicator);
    }

    void runCase(const ConvertCase& c, bool bind) {
        const char* how = bind ? "SQLBindCol" : "SQLGetData";
        short cType = cTypeByName(c.cType);
        short sizeType = cType == SQL_C_DEFAULT
                             ? baseDefaultCTypeOfInternal(internalTypeByName(c.internalType))
                             : cType;
        SQLLEN size = c.size.isNone() ? baseCTypeSize(sizeType) : std::stol(c.size.text);
        std::vector<unsigned char> buffer(static_cast<std::size_t>(size) + GUARD_BYTES, GUARD);
        SQLLEN indicator = 12345;
        SQLRETURN rc = read(c, bind, buffer, size, &indicator);
        bool failed = c.state != "ok" && c.state != "01004";
        SQLRETURN expectedRc = failed               ? SQL_ERROR
                               : c.state == "01004" ? SQL_SUCCESS_WITH_INFO
                                                    : SQL_SUCCESS;
        EXPECT_EQ(expectedRc, rc) << how << " line " << c.line;
        if (c.state != "ok") {
            ResultRecord record = error();
            EXPECT_EQ(c.state, record.sqlState) << how << " line " << c.line;
            if (c.state != "07006") {
                EXPECT_NE(std::string::npos, record.message.find(" Error in column 1."))
                    << how << " line " << c.line << ": " << record.message;
            }
        }
        for (std::size_t i = static_cast<std::size_t>(size); i < buffer.size(); ++i)
            ASSERT_EQ(GUARD, buffer[i]) << how << " line " << c.line << ": written past the buffer";
        if (failed)
            return;
        if (!c.length.isNone()) {
            EXPECT_EQ(std::stol(c.length.text), indicator) << how << " line " << c.line;
        }
        if (c.expected.isNone())
            return;
        bool terminated;
        std::vector<unsigned char> expected = expectedBytes(c, cType, &terminated);
        ASSERT_LE(expected.size(), buffer.size()) << "line " << c.line;
        EXPECT_EQ(expected,
                  std::vector<unsigned char>(buffer.begin(), buffer.begin() + expected.size()))
            << how << " line " << c.line;
        if (terminated) {
            EXPECT_EQ(0, buffer[expected.size()]) << how << " line " << c.line;
        }
    }
};

TEST_F(ResultMatrix, EveryColumnCaseThroughBindingAndGetData) {
    std::vector<ConvertCase> cases = loadConvertMatrix(convertMatrixPath());
    std::size_t run = 0;
    for (const ConvertCase& c : cases) {
        if (c.parameter)
            continue;
        runCase(c, true);
        // The driver manager answers SQLGetData for wide characters itself
        // (it asks an ODBC 2 driver for SQL_C_CHAR and widens the bytes).
        if (c.cType != "SQL_C_WCHAR")
            runCase(c, false);
        ++run;
    }
    EXPECT_GT(run, 150u);
}

} // namespace
