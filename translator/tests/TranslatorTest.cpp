// The translation interface as a driver uses it: length rules, character and
// non-character values, failure messages and the trace.
#include "TrnLibrary.h"

#include <sqlext.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace {

const char TOO_LARGE[] = "Input data too large to translate";

using TranslatorTest = TrnLibrary;

TEST_F(TranslatorTest, ConfigTranslatorHasNoOptions) {
    DWORD option = 123;
    EXPECT_EQ(config_(nullptr, &option), 1);
    EXPECT_EQ(option, 0u);
    EXPECT_EQ(config_(nullptr, nullptr), 1);
}

TEST_F(TranslatorTest, TerminatingNulOnlyWhenThereIsRoom) {
    const char input[] = "caf\x82";
    unsigned char output[8];

    std::memset(output, 0xEE, sizeof(output));
    Outcome exact = call(toDriver_, SQL_CHAR, input, 4, output, 4);
    EXPECT_TRUE(exact.ok);
    EXPECT_EQ(exact.outputLength, 4);
    EXPECT_EQ(std::memcmp(output, "caf\xE9", 4), 0);
    EXPECT_EQ(output[4], 0xEE) << "wrote past the output capacity";

    std::memset(output, 0xEE, sizeof(output));
    Outcome roomy = call(toDriver_, SQL_VARCHAR, input, 4, output, 5);
    EXPECT_TRUE(roomy.ok);
    EXPECT_EQ(roomy.outputLength, 4);
    EXPECT_EQ(output[4], 0);
    EXPECT_EQ(output[5], 0xEE);

    std::memset(output, 0xEE, sizeof(output));
    Outcome empty = call(toDataSource_, SQL_LONGVARCHAR, input, 0, output, 1);
    EXPECT_TRUE(empty.ok);
    EXPECT_EQ(empty.outputLength, 0);
    EXPECT_EQ(output[0], 0);
}

TEST_F(TranslatorTest, LengthLimits) {
    std::string big(70000, 'a');
    std::string out(70000, '\0');
    Outcome longer = call(toDriver_, SQL_CHAR, big.data(), 5, &out[0], 4);
    EXPECT_FALSE(longer.ok);
    EXPECT_EQ(longer.message, TOO_LARGE);
    EXPECT_EQ(longer.messageLength, static_cast<SQLSMALLINT>(std::strlen(TOO_LARGE)));

    Outcome atLimit = call(toDriver_, SQL_CHAR, big.data(), 65535, &out[0], 70000);
    EXPECT_FALSE(atLimit.ok);
    EXPECT_EQ(atLimit.message, TOO_LARGE);

    Outcome belowLimit = call(toDataSource_, SQL_CHAR, big.data(), 65534, &out[0], 65534);
    EXPECT_TRUE(belowLimit.ok);
    EXPECT_EQ(belowLimit.outputLength, 65534);

    // The limit holds for values that are only copied too.
    Outcome binary = call(toDriver_, SQL_BINARY, big.data(), 65535, &out[0], 70000);
    EXPECT_FALSE(binary.ok);
    EXPECT_EQ(binary.message, TOO_LARGE);

    Outcome negativeCapacity = call(toDriver_, SQL_CHAR, big.data(), 0, &out[0], -1);
    EXPECT_FALSE(negativeCapacity.ok);
    EXPECT_EQ(negativeCapacity.message, TOO_LARGE);
}

TEST_F(TranslatorTest, NegativeLengthsOtherThanNtsAreRefused) {
    char output[16];
    for (SQLLEN length : {SQLLEN(-1), SQLLEN(-2), SQLLEN(-4), SQLLEN(-100000)}) {
        Outcome outcome = call(toDriver_, SQL_CHAR, "abc", length, output, sizeof(output));
        EXPECT_FALSE(outcome.ok) << length;
        EXPECT_EQ(outcome.message, "Invalid input data length");
        Outcome binary = call(toDataSource_, SQL_INTEGER, "abc", length, output, sizeof(output));
        EXPECT_FALSE(binary.ok) << length;
    }
}

TEST_F(TranslatorTest, NtsInputIsMeasured) {
    char output[16];
    std::memset(output, 0x55, sizeof(output));
    Outcome outcome = call(toDriver_, SQL_CHAR, "d\x82j\x85", SQL_NTS, output, sizeof(output));
    EXPECT_TRUE(outcome.ok);
    EXPECT_EQ(outcome.outputLength, 4);
    EXPECT_STREQ(output, "d\xE9j\xE0");

    Outcome tooLong = call(toDriver_, SQL_CHAR, "abcdef", SQL_NTS, output, 5);
    EXPECT_FALSE(tooLong.ok);
    EXPECT_EQ(tooLong.message, TOO_LARGE);
}

TEST_F(TranslatorTest, EmbeddedZeroBytesKeepTheWholeValue) {
    const unsigned char oem[] = {'a', 0x82, 0, 0x81, 'z'};
    const unsigned char ansi[] = {'a', 0xE9, 0, 0xFC, 'z'};
    unsigned char output[8];
    std::memset(output, 0xEE, sizeof(output));
    Outcome outcome = call(toDriver_, SQL_VARCHAR, oem, 5, output, sizeof(output));
    EXPECT_TRUE(outcome.ok);
    EXPECT_EQ(outcome.outputLength, 5);
    EXPECT_EQ(std::memcmp(output, ansi, 5), 0);
    EXPECT_EQ(output[5], 0);

    // Translating in place, both ways, restores every byte.
    unsigned char buffer[5];
    std::memcpy(buffer, oem, 5);
    ASSERT_TRUE(call(toDriver_, SQL_CHAR, buffer, 5, buffer, 5).ok);
    EXPECT_EQ(std::memcmp(buffer, ansi, 5), 0);
    Outcome back = call(toDataSource_, SQL_CHAR, buffer, 5, buffer, 5);
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(back.outputLength, 5);
    EXPECT_EQ(std::memcmp(buffer, oem, 5), 0);
}

TEST_F(TranslatorTest, OverlappingBuffersTranslateTheOriginalBytes) {
    unsigned char buffer[8] = {0x82, 0x81, 0x9C, 0xE1, 0, 0, 0, 0};
    ASSERT_TRUE(call(toDriver_, SQL_CHAR, buffer, 4, buffer + 2, 6).ok);
    const unsigned char expected[] = {0xE9, 0xFC, 0xA3, 0xDF, 0};
    EXPECT_EQ(std::memcmp(buffer + 2, expected, sizeof(expected)), 0);
}

TEST_F(TranslatorTest, NonCharacterTypesPassThroughUnchanged) {
    const unsigned char value[] = {0x82, 0, 0, 0x9C, 0xB3, 0};
    const SQLSMALLINT wideChar = -8;
    const SQLSMALLINT types[] = {SQL_INTEGER, SQL_BINARY,    SQL_LONGVARBINARY,
                                 SQL_DOUBLE,  SQL_TIMESTAMP, wideChar};
    for (SQLSMALLINT type : types) {
        unsigned char output[8];
        std::memset(output, 0xEE, sizeof(output));
        Outcome outcome = call(toDriver_, type, value, sizeof(value), output, 7);
        EXPECT_TRUE(outcome.ok) << type;
        EXPECT_EQ(outcome.outputLength, 6) << type;
        EXPECT_EQ(std::memcmp(output, value, sizeof(value)), 0) << type;
        EXPECT_EQ(output[6], 0xEE) << "type " << type << " got a terminator";
        Outcome back = call(toDataSource_, type, value, sizeof(value), output, 6);
        EXPECT_TRUE(back.ok);
        EXPECT_EQ(std::memcmp(output, value, sizeof(value)), 0) << type;
    }
}

TEST_F(TranslatorTest, MessageBufferIsClearedOnSuccess) {
    char output[4];
    Outcome outcome = call(toDriver_, SQL_CHAR, "ab", 2, output, sizeof(output));
    EXPECT_TRUE(outcome.ok);
    EXPECT_EQ(outcome.message, "");
    EXPECT_EQ(outcome.messageLength, 0);
}

TEST_F(TranslatorTest, FailureMessageIsTruncatedToTheBuffer) {
    char output[4];
    SQLCHAR message[10];
    SQLSMALLINT messageLength = -1;
    SQLLEN outputLength = 0;
    std::memset(message, 'x', sizeof(message));
    EXPECT_EQ(toDriver_(0, SQL_CHAR, const_cast<char*>("abcdef"), 6, output, 4, &outputLength,
                        message, 9, &messageLength),
              0);
    EXPECT_STREQ(reinterpret_cast<char*>(message), "Input da");
    EXPECT_EQ(messageLength, 9);
    EXPECT_EQ(message[9], 'x') << "wrote past the message capacity";

    std::memset(message, 'x', sizeof(message));
    EXPECT_EQ(toDriver_(0, SQL_CHAR, const_cast<char*>("abcdef"), 6, output, 4, &outputLength,
                        message, 1, &messageLength),
              0);
    EXPECT_EQ(message[0], 0);
    EXPECT_EQ(message[1], 'x');

    // Without a message buffer the failure still shows in the return value.
    EXPECT_EQ(toDataSource_(0, SQL_CHAR, const_cast<char*>("abcdef"), 6, output, 4, nullptr,
                            nullptr, 0, nullptr),
              0);
    EXPECT_EQ(toDataSource_(0, SQL_CHAR, const_cast<char*>("ab"), 2, output, 4, nullptr, nullptr, 0,
                            nullptr),
              1);
}

TEST_F(TranslatorTest, MissingBuffersAreRefused) {
    char output[4];
    Outcome noInput = call(toDriver_, SQL_CHAR, nullptr, 2, output, sizeof(output));
    EXPECT_FALSE(noInput.ok);
    EXPECT_EQ(noInput.message, "Input or output buffer missing");
    Outcome noOutput = call(toDriver_, SQL_CHAR, "ab", 2, nullptr, 4);
    EXPECT_FALSE(noOutput.ok);
    EXPECT_EQ(noOutput.message, "Input or output buffer missing");
    Outcome nothing = call(toDriver_, SQL_INTEGER, nullptr, 0, nullptr, 0);
    EXPECT_TRUE(nothing.ok);
    EXPECT_EQ(nothing.outputLength, 0);
}

class TranslatorTraceTest : public TrnLibrary {
protected:
    void SetUp() override {
        const char* tmp = std::getenv("TMPDIR");
        directory_ = tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp";
        path_ = directory_ + "/trn-trace-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt";
        std::remove(path_.c_str());
        setenv(TRN_TRACE_FILE_VARIABLE, path_.c_str(), 1);
        TrnLibrary::SetUp();
    }

    void TearDown() override {
        TrnLibrary::TearDown();
        std::remove(path_.c_str());
        unsetenv(TRN_TRACE_FILE_VARIABLE);
    }

    static std::string readFile(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }

    static bool exists(const std::string& path) { return std::ifstream(path).good(); }

    std::string directory_;
    std::string path_;
};

TEST_F(TranslatorTraceTest, TraceOptionAppendsInputAndOutput) {
    char output[8];
    ASSERT_TRUE(call(toDriver_, SQL_CHAR, "\x82t\x82", 3, output, 8, TRN_TRACE_OPTION).ok);
    ASSERT_TRUE(call(toDataSource_, SQL_VARCHAR, "a\0b", 3, output, 3, TRN_TRACE_OPTION).ok);
    const char expected[] = "Input : \x82t\x82\nOutput: \xE9t\xE9\n"
                            "Input : a\0b\nOutput: a\0b\n";
    EXPECT_EQ(readFile(path_), std::string(expected, sizeof(expected) - 1));
}

TEST_F(TranslatorTraceTest, TraceOfInPlaceTranslationShowsTheOriginal) {
    char buffer[4] = "\xE9t";
    ASSERT_TRUE(call(toDataSource_, SQL_CHAR, buffer, 2, buffer, 4, TRN_TRACE_OPTION).ok);
    EXPECT_EQ(readFile(path_), "Input : \xE9t\nOutput: \x82t\n");
}

TEST_F(TranslatorTraceTest, OtherOptionsAndTypesWriteNothing) {
    char output[8];
    for (SQLUINTEGER option : {0u, 1u, 209u, 211u, 210u + 65536u}) {
        ASSERT_TRUE(call(toDriver_, SQL_CHAR, "abc", 3, output, 8, option).ok);
    }
    ASSERT_TRUE(call(toDriver_, SQL_INTEGER, "abcd", 4, output, 8, TRN_TRACE_OPTION).ok);
    ASSERT_FALSE(call(toDriver_, SQL_CHAR, "abcd", 4, output, 2, TRN_TRACE_OPTION).ok);
    EXPECT_FALSE(exists(path_));
}

TEST_F(TranslatorTraceTest, DefaultFileIsInTheTemporaryDirectory) {
    unsetenv(TRN_TRACE_FILE_VARIABLE);
    std::string folder = directory_ + "/trn-default-trace";
    std::string defaultPath = folder + "/" TRN_TRACE_FILE_NAME;
    std::remove(defaultPath.c_str());
    std::remove(folder.c_str());
    ASSERT_EQ(system(("mkdir -p '" + folder + "'").c_str()), 0);
    std::string savedTmp = directory_;
    setenv("TMPDIR", (folder + "/").c_str(), 1);
    char output[4];
    ASSERT_TRUE(call(toDriver_, SQL_CHAR, "x", 1, output, 4, TRN_TRACE_OPTION).ok);
    setenv("TMPDIR", savedTmp.c_str(), 1);
    EXPECT_EQ(readFile(defaultPath), "Input : x\nOutput: x\n");
    std::remove(defaultPath.c_str());
    std::remove(folder.c_str());
}

TEST_F(TranslatorTraceTest, UnwritableTraceFileDoesNotFailTheTranslation) {
    std::string missing = directory_ + "/trn-no-such-folder/trace.txt";
    setenv(TRN_TRACE_FILE_VARIABLE, missing.c_str(), 1);
    char output[4];
    Outcome outcome = call(toDriver_, SQL_CHAR, "\x82", 1, output, 4, TRN_TRACE_OPTION);
    EXPECT_TRUE(outcome.ok);
    EXPECT_EQ(static_cast<unsigned char>(output[0]), 0xE9);
    EXPECT_FALSE(exists(missing));
}

} // namespace
