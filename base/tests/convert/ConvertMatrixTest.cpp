// Runs every case of conversion_matrix.txt through the type checks and
// baseConvertInternalToC / baseConvertCToInternal.
#include <sqlext.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ConvertMatrixData.h"
#include "base/BaseConvertC.h"
#include "base/BaseOutString.h"
#include "base/BaseOdbcId.h"
#include "util/VxError.h"

namespace {

constexpr unsigned char GUARD = 0xEE;
constexpr std::size_t GUARD_BYTES = 16;
constexpr unsigned short COLUMN = 3;
constexpr unsigned short PARAMETER = 2;

std::string stateOf(VxError* error) {
    const char* state = baseGetSqlState(error->getSqlStateId());
    return state ? state : "";
}

// What the records of the list say about the case's expected state.
void checkRecords(VxErrorList& list, const ConvertCase& c, const char* place) {
    if (c.state == "ok") {
        EXPECT_EQ(list.getCount(), 0u) << "line " << c.line;
        return;
    }
    ASSERT_GE(list.getCount(), 1u) << "line " << c.line;
    VxError* first = list.getErrorAtPos(0);
    EXPECT_EQ(stateOf(first), c.state) << "line " << c.line;
    EXPECT_EQ(first->isWarning(), c.state == "01004") << "line " << c.line;
    std::string text = first->getErrorText();
    if (c.state != "07006") {
        EXPECT_NE(text.find(place), std::string::npos) << "line " << c.line << ": " << text;
    }
}

// The expected bytes of a delivered value and whether a terminator
// follows them.
std::vector<unsigned char> expectedBytes(const ConvertCase& c, short cType, InternalType valueType,
                                         bool* terminated) {
    bool isNull;
    *terminated = false;
    if (cType == SQL_C_DEFAULT)
        cType = baseDefaultCTypeOfInternal(valueType);
    if (cType == SQL_C_CHAR || cType == SQL_C_WCHAR) {
        *terminated = true;
        std::string text = c.expected.text;
        return cType == SQL_C_WCHAR ? widen(text)
                                    : std::vector<unsigned char>(text.begin(), text.end());
    }
    return encodeValue(baseCTypeInternal(cType), c.expected, &isNull);
}

void runColumnCase(const ConvertCase& c) {
    VxErrorList list(nullptr, 1);
    VxErrorListScope scope(&list);
    short sqlType = sqlTypeByName(c.sqlType), cType = cTypeByName(c.cType);
    InternalType type = internalTypeByName(c.internalType);
    VxStatus check = baseCheckColumnConversion(COLUMN, sqlType, cType);
    if (c.state == "07006") {
        EXPECT_EQ(check, VX_ERROR) << "line " << c.line;
        checkRecords(list, c, "");
        return;
    }
    ASSERT_EQ(check, VX_SUCCESS) << "line " << c.line;
    bool isNull;
    std::vector<unsigned char> value = encodeValue(type, c.value, &isNull);
    short sizeType = cType == SQL_C_DEFAULT ? baseDefaultCTypeOfInternal(type) : cType;
    SQLLEN size = c.size.isNone() ? baseCTypeSize(sizeType) : std::stol(c.size.text);
    std::vector<unsigned char> buffer(static_cast<std::size_t>(size) + GUARD_BYTES, GUARD);
    SQLLEN indicator = 12345;
    BaseOutString out(buffer.data(), size, &indicator);
    VxStatus status = baseConvertInternalToC(
        BaseConvertPlace::column(COLUMN), cType, out, isNull ? nullptr : value.data(),
        isNull ? SQL_NULL_DATA : static_cast<SQLLEN>(value.size()), type,
        c.hasScale ? c.scale : BASE_SCALE_NATURAL);
    bool failed = c.state != "ok" && c.state != "01004";
    EXPECT_EQ(status, failed ? VX_ERROR : VX_SUCCESS) << "line " << c.line;
    checkRecords(list, c, " Error in column 3.");
    for (std::size_t i = static_cast<std::size_t>(size); i < buffer.size(); ++i)
        ASSERT_EQ(buffer[i], GUARD) << "line " << c.line << ": written past the buffer";
    if (failed)
        return;
    if (!c.length.isNone()) {
        EXPECT_EQ(indicator, std::stol(c.length.text)) << "line " << c.line;
    }
    if (c.expected.isNone())
        return;
    bool terminated;
    std::vector<unsigned char> expected = expectedBytes(c, cType, type, &terminated);
    ASSERT_LE(expected.size() + (terminated ? 2 : 0), buffer.size()) << "line " << c.line;
    EXPECT_EQ(std::vector<unsigned char>(buffer.begin(), buffer.begin() + expected.size()),
              expected)
        << "line " << c.line;
    if (terminated) {
        EXPECT_EQ(buffer[expected.size()], 0) << "line " << c.line;
        if (cType == SQL_C_WCHAR) {
            EXPECT_EQ(buffer[expected.size() + 1], 0) << "line " << c.line;
        }
    }
}

void runParameterCase(const ConvertCase& c) {
    VxErrorList list(nullptr, 1);
    VxErrorListScope scope(&list);
    short sqlType = sqlTypeByName(c.sqlType), cType = cTypeByName(c.cType);
    InternalType type = internalTypeByName(c.internalType);
    VxStatus check = baseCheckParamConversion(PARAMETER, cType, sqlType);
    if (c.state == "07006") {
        EXPECT_EQ(check, VX_ERROR) << "line " << c.line;
        checkRecords(list, c, "");
        return;
    }
    ASSERT_EQ(check, VX_SUCCESS) << "line " << c.line;
    bool isNull;
    InternalType cInternal = baseCTypeInternal(cType);
    std::vector<unsigned char> value = encodeValue(cInternal, c.value, &isNull);
    if (cType == SQL_C_WCHAR)
        value = widen(c.value.text);
    SQLLEN size = c.size.isNone() ? baseInternalTypeSize(type) : std::stol(c.size.text);
    std::vector<unsigned char> buffer(static_cast<std::size_t>(size) + GUARD_BYTES, GUARD);
    SQLLEN produced = -99;
    VxStatus status =
        baseConvertCToInternal(BaseConvertPlace::parameter(PARAMETER), cType, value.data(),
                               static_cast<SQLLEN>(value.size()), type, buffer.data(), size,
                               &produced, c.hasScale ? c.scale : 0);
    bool failed = c.state != "ok" && c.state != "01004";
    EXPECT_EQ(status, failed ? VX_ERROR : VX_SUCCESS) << "line " << c.line;
    checkRecords(list, c, " Error in parameter 2.");
    for (std::size_t i = static_cast<std::size_t>(size); i < buffer.size(); ++i)
        ASSERT_EQ(buffer[i], GUARD) << "line " << c.line << ": written past the buffer";
    if (failed)
        return;
    if (!c.length.isNone()) {
        EXPECT_EQ(produced, std::stol(c.length.text)) << "line " << c.line;
    }
    std::vector<unsigned char> expected = encodeValue(type, c.expected, &isNull);
    EXPECT_EQ(std::vector<unsigned char>(buffer.begin(), buffer.begin() + expected.size()),
              expected)
        << "line " << c.line;
}

} // namespace

TEST(ConvertMatrix, EveryCaseOfTheMatrix) {
    std::vector<ConvertCase> cases = loadConvertMatrix(convertMatrixPath());
    ASSERT_GT(cases.size(), 200u);
    for (const ConvertCase& c : cases) {
        if (c.parameter)
            runParameterCase(c);
        else
            runColumnCase(c);
    }
}

// Every SQL type has cases to text and to some other C type, so the
// matrix covers the whole table and not just the pairs someone thought of.
TEST(ConvertMatrix, CoversEverySqlType) {
    std::vector<ConvertCase> cases = loadConvertMatrix(convertMatrixPath());
    const char* sqlTypes[] = {"CHAR",      "VARCHAR",  "LONGVARCHAR", "NUMERIC",      "DECIMAL",
                              "INTEGER",   "SMALLINT", "FLOAT",       "REAL",         "DOUBLE",
                              "BIT",       "TINYINT",  "BIGINT",      "DATE",         "TIME",
                              "TIMESTAMP", "BINARY",   "VARBINARY",   "LONGVARBINARY"};
    for (const char* sqlType : sqlTypes) {
        bool toText = false, toOther = false, refused = false;
        for (const ConvertCase& c : cases) {
            if (c.parameter || c.sqlType != sqlType)
                continue;
            bool text = c.cType == "SQL_C_CHAR";
            toText |= text;
            toOther |= !text;
            refused |= c.state == "07006";
        }
        EXPECT_TRUE(toText && toOther) << sqlType;
        bool convertsToAll = std::string(sqlType).find("CHAR") != std::string::npos;
        EXPECT_TRUE(refused || convertsToAll) << sqlType << " has no refused pair";
    }
}
