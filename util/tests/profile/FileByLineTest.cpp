// Line files: terminators, buffer refills, long lines, unget, scrambling.
#include "ProfileTestSupport.h"

#include <vector>

#include "util/VxFileByLine.h"
#include "util/str.h"

namespace {

struct FileByLineTest : ProfileFolderTest {
    VxFileByLine lines;
    std::string file;
    void SetUp() override {
        ProfileFolderTest::SetUp();
        file = path("lines.txt");
    }
    void open(const std::string& bytes, std::size_t bufferSize) {
        writeFile(file, bytes);
        ASSERT_EQ(lines.openFile(file.c_str(), bufferSize), VX_SUCCESS);
    }
    std::vector<std::string> readAll() {
        std::vector<std::string> all;
        VxSubString line;
        while (lines.getNextLine(&line) == VX_SUCCESS && !lines.isAtEnd())
            all.emplace_back(line.data(), line.length());
        return all;
    }
};

using Lines = std::vector<std::string>;

TEST_F(FileByLineTest, LinesEndAtLfWithOrWithoutCr) {
    open("one\r\ntwo\nthree\rstill three\r\n\r\nlast", 64);
    EXPECT_EQ(readAll(), (Lines{"one\r\n", "two\n", "three\rstill three\r\n", "\r\n", "last"}));
    EXPECT_TRUE(lines.isAtEnd());
    VxSubString line("x", 1);
    ASSERT_EQ(lines.getNextLine(&line), VX_SUCCESS);
    EXPECT_EQ(line.length(), 0u) << "stays at the end";
}

TEST_F(FileByLineTest, WithoutTheKeepFlagTerminatorsAreDropped) {
    open("one\r\ntwo\n\r\n", 64);
    lines.setKeepCrLf(false);
    EXPECT_EQ(readAll(), (Lines{"one", "two", ""}));
}

TEST_F(FileByLineTest, LinesAcrossManyBufferRefills) {
    std::string text;
    Lines expected;
    for (int i = 0; i < 200; ++i) {
        std::string line = "line " + std::to_string(i) + (i % 3 ? "\r\n" : "\n");
        text += line;
        expected.push_back(line);
    }
    open(text, 16);
    EXPECT_EQ(readAll(), expected);
}

TEST_F(FileByLineTest, ALineLongerThanTheBufferComesInPieces) {
    std::string longLine(50, 'x');
    open(longLine + "\r\nshort\r\n", 20);
    Lines all = readAll();
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0], std::string(16, 'x'));
    EXPECT_EQ(all[1], std::string(16, 'x'));
    EXPECT_EQ(all[2], std::string(18, 'x') + "\r\n");
    EXPECT_EQ(all[3], "short\r\n");
}

TEST_F(FileByLineTest, UngetReturnsTheLastLineAgain) {
    open("first\nsecond\nthird\n", 16);
    VxSubString line;
    ASSERT_EQ(lines.getNextLine(&line), VX_SUCCESS);
    ASSERT_EQ(lines.getNextLine(&line), VX_SUCCESS);
    ASSERT_EQ(lines.getNextLine(&line), VX_SUCCESS);
    EXPECT_EQ(std::string(line.data(), line.length()), "third\n");
    lines.ungetLine();
    ASSERT_EQ(lines.getNextLine(&line), VX_SUCCESS);
    EXPECT_EQ(std::string(line.data(), line.length()), "third\n");
    ASSERT_EQ(lines.getNextLine(&line), VX_SUCCESS);
    EXPECT_TRUE(lines.isAtEnd());
    lines.ungetLine();
    ASSERT_EQ(lines.getNextLine(&line), VX_SUCCESS);
    EXPECT_FALSE(lines.isAtEnd());
    EXPECT_EQ(std::string(line.data(), line.length()), "third\n");
}

TEST_F(FileByLineTest, NonBlankLinesSkipWhiteSpaceOnlyLines) {
    open("\r\n  \t \r\nword\r\n \r\n", 32);
    VxSubString line;
    ASSERT_EQ(lines.getNextNonBlankLine(&line), VX_SUCCESS);
    EXPECT_EQ(std::string(line.data(), line.length()), "word\r\n");
    ASSERT_EQ(lines.getNextNonBlankLine(&line), VX_SUCCESS);
    EXPECT_TRUE(lines.isAtEnd());
    EXPECT_EQ(line.length(), 0u);
}

TEST_F(FileByLineTest, ScrambledLinesAreDescrambledButTerminatorsAreNot) {
    for (int method : {1, 2}) {
        std::string plain1 = "SELECT 1", plain2 = "FROM t";
        encrypt(plain1.data(), plain1.size(), method, nullptr);
        encrypt(plain2.data(), plain2.size(), method, nullptr);
        open(plain1 + "\r\n" + plain2 + "\r\n", 64);
        lines.setScrambling(method);
        EXPECT_EQ(readAll(), (Lines{"SELECT 1\r\n", "FROM t\r\n"})) << method;
    }
}

TEST_F(FileByLineTest, AMissingFileFailsToOpen) {
    EXPECT_EQ(lines.openFile(path("absent.txt").c_str(), 64), VX_ERROR);
    EXPECT_FALSE(lines.isOpen());
    EXPECT_NE(lastErrorNumber(), 0);
}

} // namespace
