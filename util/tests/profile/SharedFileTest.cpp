// Logical files in a shared temporary store.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "util/VxError.h"
#include "util/VxSharedFile.h"
#include "util/VxTmpFile.h"

namespace {

struct SharedFileTest : ::testing::Test {
    VxErrorList errors{nullptr, 1};
    VxTmpFile store{32768};
    void SetUp() override { VxErrorKeeper::setErrorList(&errors); }
    void TearDown() override { VxErrorKeeper::giveUpErrorList(); }

    static std::vector<char> pattern(std::size_t length, int seed) {
        std::vector<char> bytes(length);
        for (std::size_t i = 0; i < length; ++i)
            bytes[i] = static_cast<char>((i * 7 + static_cast<std::size_t>(seed)) % 251);
        return bytes;
    }
};

TEST_F(SharedFileTest, WritingAcrossAChunkBoundaryTakesTwoChunks) {
    VxSharedFile file(&store);
    std::vector<char> data = pattern(5000, 1);
    ASSERT_EQ(file.write(0, data.data(), 5000), VX_SUCCESS);
    EXPECT_EQ(file.getChunkCount(), 2);
    std::vector<char> back(200);
    ASSERT_EQ(file.read(4000, back.data(), 200), VX_SUCCESS);
    EXPECT_EQ(back, std::vector<char>(data.begin() + 4000, data.begin() + 4200));
}

TEST_F(SharedFileTest, InterleavedFilesKeepTheirOwnBytes) {
    VxSharedFile first(&store), second(&store);
    std::vector<char> a = pattern(9000, 2), b = pattern(9000, 3);
    for (std::uint32_t pos = 0; pos < 9000; pos += 1500) {
        ASSERT_EQ(first.write(pos, a.data() + pos, 1500), VX_SUCCESS);
        ASSERT_EQ(second.write(pos, b.data() + pos, 1500), VX_SUCCESS);
    }
    std::vector<char> backA(9000), backB(9000);
    ASSERT_EQ(first.read(0, backA.data(), 9000), VX_SUCCESS);
    ASSERT_EQ(second.read(0, backB.data(), 9000), VX_SUCCESS);
    EXPECT_EQ(backA, a);
    EXPECT_EQ(backB, b);
    EXPECT_NE(first.getChunkOffset(1), second.getChunkOffset(1));
}

TEST_F(SharedFileTest, ReadingPastTheLastChunkFailsInsteadOfReadingAnotherFile) {
    VxSharedFile first(&store), second(&store);
    std::vector<char> a = pattern(100, 4);
    ASSERT_EQ(first.write(0, a.data(), 100), VX_SUCCESS);
    ASSERT_EQ(second.write(0, a.data(), 100), VX_SUCCESS);
    char byte = 0;
    EXPECT_EQ(first.read(4096, &byte, 1), VX_ERROR);
    EXPECT_EQ(VxErrorKeeper::getLastErrorNumber(), 30041);
}

TEST_F(SharedFileTest, TruncateGivesTheSpaceBackForReuse) {
    std::uint32_t firstChunk = 0;
    {
        VxSharedFile file(&store);
        std::vector<char> data = pattern(3 * 4096, 5);
        ASSERT_EQ(file.write(0, data.data(), 3 * 4096), VX_SUCCESS);
        firstChunk = file.getChunkOffset(0);
        ASSERT_EQ(file.truncate(), VX_SUCCESS);
        EXPECT_EQ(file.getChunkCount(), 0);
        EXPECT_LE(store.getEnd(), firstChunk) << "every chunk went back";
        ASSERT_EQ(file.write(0, data.data(), 4096), VX_SUCCESS);
        EXPECT_EQ(file.getChunkOffset(0), firstChunk);
    }
    EXPECT_LE(store.getEnd(), firstChunk) << "the destructor truncates";
}

} // namespace
