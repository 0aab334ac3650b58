// The fast path for plain decimal text must write exactly what the
// framework's conversion writes, and leave every other text to it.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "base/BaseConvert.h"
#include "record/TxtNumberDigits.h"
#include "util/VxError.h"

namespace {

constexpr std::size_t SIZE = 112;

std::string framework(const std::string& text, std::uint16_t scale) {
    VxErrorList errors(nullptr, 1);
    VxErrorListScope scope(&errors);
    unsigned char out[SIZE];
    SQLLEN produced = 0;
    if (BaseConvertNum(INTERNAL_CHAR, text.data(), static_cast<SQLLEN>(text.size()),
                       INTERNAL_DIGITS, out, &produced, SIZE, static_cast<short>(scale),
                       BASE_CONVERT_CUT_FRACTION) != VX_SUCCESS)
        return "error";
    return std::string(reinterpret_cast<char*>(out), static_cast<std::size_t>(produced));
}

std::string fast(const std::string& text, std::uint16_t scale, bool* taken) {
    unsigned char out[SIZE];
    std::size_t written = 0;
    *taken = txtPlainNumberToDigits(text.data(), text.size(), scale, out, SIZE, &written);
    return *taken ? std::string(reinterpret_cast<char*>(out), written) : "";
}

void expectSame(const std::string& text, std::uint16_t scale) {
    bool taken = false;
    std::string mine = fast(text, scale, &taken);
    if (taken) {
        EXPECT_EQ(mine, framework(text, scale)) << "'" << text << "' scale " << scale;
    }
}

} // namespace

TEST(NumberDigitsTest, WritesWhatTheFrameworkWrites) {
    const char* texts[] = {"0",    "7",     "-3",    "+5",   "12.5",  "100.25", "007",
                           "0.5",  ".25",   "-.5",   "5.",   "00.10", "-0.01",  "123456789012",
                           "1.00", "-12.3", "99999", "0000", "+0.0"};
    for (const char* text : texts)
        for (std::uint16_t scale : {0, 1, 2, 4})
            expectSame(text, scale);
}

TEST(NumberDigitsTest, LeavesOtherTextsToTheFramework) {
    bool taken = true;
    for (const char* text :
         {"", "-", ".", "+", "1e5", " 12", "12 ", "1.2.3", "abc", "--1", "-0", "-0.00", "1,5"}) {
        fast(text, 2, &taken);
        EXPECT_FALSE(taken) << "'" << text << "'";
    }
    fast("1.234", 2, &taken);
    EXPECT_FALSE(taken) << "a longer fraction is cut by the framework's rules";
    unsigned char tiny[10];
    std::size_t written = 0;
    EXPECT_FALSE(txtPlainNumberToDigits("12345", 5, 0, tiny, sizeof tiny, &written));
}

TEST(NumberDigitsTest, AgreesOnRandomNumbers) {
    std::mt19937 random(7);
    for (int i = 0; i < 5000; ++i) {
        std::string text;
        if (random() % 3 == 0)
            text += random() % 2 ? '-' : '+';
        const unsigned integers = random() % 6;
        for (unsigned d = 0; d < integers; ++d)
            text += static_cast<char>('0' + random() % (d == 0 ? 2 : 10));
        if (random() % 2) {
            text += '.';
            const unsigned fraction = random() % 4;
            for (unsigned d = 0; d < fraction; ++d)
                text += static_cast<char>('0' + random() % 10);
        }
        expectSame(text, static_cast<std::uint16_t>(random() % 4));
    }
}
