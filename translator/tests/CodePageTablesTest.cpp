// The byte mapping between CP437 (data source) and CP1252 (application).
#include "TrnLibrary.h"

#include <sqlext.h>

#include <set>
#include <thread>
#include <vector>

namespace {

class CodePageTablesTest : public TrnLibrary {
protected:
    // Translates all 256 byte values in one call, in the given direction.
    std::vector<unsigned char> translateAll(TrnTranslateFn fn) {
        std::vector<unsigned char> input(256);
        for (int i = 0; i < 256; ++i) {
            input[i] = static_cast<unsigned char>(i);
        }
        std::vector<unsigned char> output(257, 0xEE);
        Outcome outcome = call(fn, SQL_VARCHAR, input.data(), 256, output.data(), 257);
        EXPECT_TRUE(outcome.ok) << outcome.message;
        EXPECT_EQ(outcome.outputLength, 256);
        EXPECT_EQ(output[256], 0);
        output.resize(256);
        return output;
    }
};

TEST_F(CodePageTablesTest, BothTablesArePermutationsAndInverse) {
    std::vector<unsigned char> oemToAnsi = translateAll(toDriver_);
    std::vector<unsigned char> ansiToOem = translateAll(toDataSource_);
    EXPECT_EQ(std::set<unsigned char>(oemToAnsi.begin(), oemToAnsi.end()).size(), 256u);
    EXPECT_EQ(std::set<unsigned char>(ansiToOem.begin(), ansiToOem.end()).size(), 256u);
    for (int b = 0; b < 256; ++b) {
        EXPECT_EQ(ansiToOem[oemToAnsi[b]], b) << "OEM byte " << b;
        EXPECT_EQ(oemToAnsi[ansiToOem[b]], b) << "ANSI byte " << b;
    }
}

TEST_F(CodePageTablesTest, SharedCharactersMapToEachOther) {
    std::vector<unsigned char> oemToAnsi = translateAll(toDriver_);
    for (int b = 0x20; b < 0x7F; ++b) {
        EXPECT_EQ(oemToAnsi[b], b) << "ASCII byte " << b;
    }
    // The direction matters: these bytes mean different letters in the two pages.
    EXPECT_EQ(oemToAnsi[0x82], 0xE9); // e acute
    EXPECT_EQ(oemToAnsi[0x81], 0xFC); // u diaeresis
    EXPECT_EQ(oemToAnsi[0x9C], 0xA3); // pound sign
    EXPECT_EQ(oemToAnsi[0xE1], 0xDF); // sharp s
    EXPECT_EQ(oemToAnsi[0xFF], 0xA0); // no-break space
    std::vector<unsigned char> ansiToOem = translateAll(toDataSource_);
    EXPECT_EQ(ansiToOem[0xE9], 0x82);
    EXPECT_EQ(ansiToOem[0xC4], 0x8E); // A diaeresis
}

TEST_F(CodePageTablesTest, UnsharedBytesArePairedInAscendingOrder) {
    // CP437's box drawing characters have no CP1252 byte, nor CP1252's euro
    // sign a CP437 one: the leftovers of each side pair up in ascending order,
    // so a lower unmapped OEM byte gets a lower unmapped ANSI byte.
    std::vector<unsigned char> oemToAnsi = translateAll(toDriver_);
    const unsigned char boxDrawing[] = {0xB0, 0xB3, 0xC4, 0xCD, 0xDB};
    for (size_t i = 1; i < sizeof(boxDrawing); ++i) {
        EXPECT_LT(oemToAnsi[boxDrawing[i - 1]], oemToAnsi[boxDrawing[i]]);
    }
    // The first unmapped OEM byte (peseta sign) takes the first unused ANSI
    // byte (euro sign), and back.
    EXPECT_EQ(oemToAnsi[0x9E], 0x80);
    std::vector<unsigned char> ansiToOem = translateAll(toDataSource_);
    EXPECT_EQ(ansiToOem[0x80], 0x9E);
}

TEST_F(CodePageTablesTest, ConcurrentFirstUseBuildsOneConsistentTable) {
    std::vector<std::vector<unsigned char>> results(4);
    std::vector<std::thread> threads;
    for (auto& result : results) {
        threads.emplace_back([this, &result] { result = translateAll(toDriver_); });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (const auto& result : results) {
        EXPECT_EQ(result, results[0]);
    }
    EXPECT_EQ(results[0][0x82], 0xE9);
}

} // namespace
