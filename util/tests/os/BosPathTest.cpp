// Paths, the environment, line splitting, libraries and time stamps.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "util/VxError.h"
#include "util/VxTime.h"
#include "util/bos.h"
#include "util/mds.h"
#include "util/ram.h"

namespace {

struct BosPathTest : ::testing::Test {
    VxErrorList list{nullptr, 1};
    std::string cwd;
    void SetUp() override {
        VxErrorKeeper::setErrorList(&list);
        char buffer[4096];
        ASSERT_NE(getcwd(buffer, sizeof buffer), nullptr);
        cwd = buffer;
    }
    void TearDown() override {
        ASSERT_EQ(chdir(cwd.c_str()), 0);
        VxErrorKeeper::giveUpErrorList();
    }
    std::string full(const char* text) {
        VxString path;
        EXPECT_EQ(path.initialize(text), VX_SUCCESS);
        EXPECT_EQ(bosfpath(&path), VX_SUCCESS);
        return path.getText();
    }
};

TEST_F(BosPathTest, FullPathsResolveDotsWithoutChangingCase) {
    ASSERT_EQ(chdir("/usr"), 0);
    EXPECT_EQ(full("a\\..\\b"), "/usr/b");
    EXPECT_EQ(full("Lib/./X/../Y"), "/usr/Lib/Y");
    EXPECT_EQ(full("/a//b/../../.."), "/");
    EXPECT_EQ(full("dir/"), "/usr/dir/");
    EXPECT_EQ(full("\\\\server\\share"), "\\\\server\\share");
}

TEST_F(BosPathTest, BuildingAndRelativeNames) {
    ASSERT_EQ(chdir("/usr"), 0);
    VxString out;
    ASSERT_EQ(bospath(&out, "/data", "Table  ", "txt"), VX_SUCCESS);
    EXPECT_STREQ(out.getText(), "/data/Table.txt");
    ASSERT_EQ(bospath(&out, "/data/", "sub/t.csv", "txt"), VX_SUCCESS);
    EXPECT_STREQ(out.getText(), "/usr/sub/t.csv") << "a name with a directory ignores `directory`";
    ASSERT_EQ(bospath(&out, "/data", "x.d/name.", "txt"), VX_SUCCESS);
    EXPECT_STREQ(out.getText(), "/usr/x.d/name.txt") << "a period in a directory is no extension";
    ASSERT_EQ(bospath(&out, "/only/dir", nullptr, "txt"), VX_SUCCESS);
    EXPECT_STREQ(out.getText(), "/only/dir");

    VxString path;
    ASSERT_EQ(path.initialize("/usr/lib/x.so"), VX_SUCCESS);
    ASSERT_EQ(bosmpath(&path), VX_SUCCESS);
    EXPECT_STREQ(path.getText(), "lib/x.so");
    ASSERT_EQ(chdir("/usr/share"), 0);
    ASSERT_EQ(path.initialize("/usr/lib/x.so"), VX_SUCCESS);
    ASSERT_EQ(bosmpath(&path), VX_SUCCESS);
    EXPECT_STREQ(path.getText(), "../lib/x.so");
    ASSERT_EQ(path.initialize("/usr/sharex/y"), VX_SUCCESS);
    ASSERT_EQ(bosmpath(&path), VX_SUCCESS);
    EXPECT_STREQ(path.getText(), "../sharex/y") << "a common prefix of a name is no directory";
    ASSERT_EQ(path.initialize("/etc/z"), VX_SUCCESS);
    ASSERT_EQ(bosmpath(&path), VX_SUCCESS);
    EXPECT_STREQ(path.getText(), "/etc/z");
}

TEST_F(BosPathTest, ParseNameSplitsAndLimits) {
    VxString path;
    VxString name;
    VxString extension;
    ASSERT_EQ(path.initialize("/dir.d/sub\\file.name.txt"), VX_SUCCESS);
    ASSERT_EQ(bosParseName(&path, &name, &extension, true), VX_SUCCESS);
    EXPECT_STREQ(path.getText(), "/dir.d/sub\\");
    EXPECT_STREQ(name.getText(), "file.name");
    EXPECT_STREQ(extension.getText(), "txt");

    std::string longName(129, 'n');
    ASSERT_EQ(path.initialize(("/x/" + longName + ".abcd").c_str()), VX_SUCCESS);
    ASSERT_EQ(bosParseName(&path, &name, &extension, false), VX_SUCCESS);
    EXPECT_EQ(name.length(), 128u);
    EXPECT_STREQ(extension.getText(), "abc");
    ASSERT_EQ(path.initialize(("/x/" + longName).c_str()), VX_SUCCESS);
    EXPECT_EQ(bosParseName(&path, &name, &extension, true), VX_ERROR);
    EXPECT_EQ(VxErrorKeeper::getLastError()->getErrorText(),
              "File name is too long: '" + longName + "'.");
    ASSERT_EQ(path.initialize("plain"), VX_SUCCESS);
    ASSERT_EQ(bosParseName(&path, &name, &extension, true), VX_SUCCESS);
    EXPECT_STREQ(path.getText(), "");
    EXPECT_STREQ(name.getText(), "plain");
    EXPECT_STREQ(extension.getText(), "");
}

TEST_F(BosPathTest, CurrentDirectory) {
    ASSERT_EQ(bosstcwd("/usr"), VX_SUCCESS);
    VxString out;
    ASSERT_EQ(bosgtcwd(&out, true), VX_SUCCESS);
    EXPECT_STREQ(out.getText(), "/usr/");
    EXPECT_EQ(bosstcwd(""), VX_SUCCESS);
    EXPECT_EQ(bosstcwd("/no/such/place"), VX_ERROR);
    EXPECT_EQ(VxErrorKeeper::getLastError()->getErrorText(),
              std::string("Cannot set current working directory to '/no/such/place'."));
    ASSERT_EQ(bosgtcwd(&out, false), VX_SUCCESS);
    EXPECT_STREQ(out.getText(), "/usr");
}

TEST_F(BosPathTest, EnvironmentValuesAreCopiesOfAnyLength) {
    std::string big(5000, 'v');
    setenv("VX_TEST_BIG", big.c_str(), 1);
    setenv("VX_TEST_EMPTY", "", 1);
    char* first = bosGetEnv("VX_TEST_BIG");
    setenv("VX_TEST_BIG", "small", 1);
    char* second = bosGetEnv("VX_TEST_BIG");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(std::string(first), big) << "a later call must not change an earlier value";
    EXPECT_STREQ(second, "small");
    ramFree(first);
    ramFree(second);
    EXPECT_EQ(bosGetEnv("VX_TEST_EMPTY"), nullptr);
    EXPECT_EQ(bosGetEnv("VX_TEST_NEVER_SET"), nullptr);
    unsetenv("VX_TEST_BIG");
    unsetenv("VX_TEST_EMPTY");
}

TEST_F(BosPathTest, LinesOfATextBuffer) {
    const char* text = "first\r\nsay 'a\nb' ok\n;comment\nx\x1a"
                       "after";
    std::size_t position = 0;
    char line[16];
    long length = 0;
    bosgetbl(text, &position, line, sizeof line, &length);
    EXPECT_EQ(length, 5);
    EXPECT_STREQ(line, "first");
    bosgetbl(text, &position, line, sizeof line, &length);
    EXPECT_STREQ(line, "say 'a\nb' ok") << "a line feed inside quotes stays";
    bosgetbl(text, &position, line, sizeof line, &length);
    EXPECT_STREQ(line, ";");
    EXPECT_EQ(length, 1);
    bosgetbl(text, &position, line, sizeof line, &length);
    EXPECT_STREQ(line, "x");
    bosgetbl(text, &position, line, sizeof line, &length);
    EXPECT_EQ(length, BOS_LINE_END_OF_INPUT) << "Ctrl-Z ends the input";

    const char* longLine = "0123456789abcdef\nnext";
    position = 0;
    bosgetbl(longLine, &position, line, sizeof line, &length);
    EXPECT_EQ(length, BOS_LINE_TOO_LONG);
    bosgetbl(longLine, &position, line, sizeof line, &length);
    EXPECT_STREQ(line, "next");
    bosgetbl(longLine, &position, line, sizeof line, &length);
    EXPECT_EQ(length, BOS_LINE_END_OF_INPUT);
}

TEST_F(BosPathTest, LibrariesTimeAndCounts) {
    VxString failure;
    EXPECT_EQ(bosLoadLibrary("surely_absent_library", true, &failure), nullptr);
    EXPECT_EQ(bosLoadLibrary("libsurely_absent.so", false, &failure), nullptr);
    EXPECT_GT(failure.length(), 0u);
    void* libc = bosLoadLibrary("libc.so.6", false);
    ASSERT_NE(libc, nullptr);
    EXPECT_NE(bosGetProcAddress(libc, "strlen"), nullptr);
    EXPECT_EQ(bosGetProcAddress(libc, "no_such_symbol_here"), nullptr);
    bosFreeLibrary(libc);

    char stamp[12] = {};
    ASSERT_EQ(VxTime::getCurrentTimeStamp(stamp), 11);
    EXPECT_EQ(stamp[2], ':');
    EXPECT_EQ(stamp[5], ':');
    EXPECT_EQ(stamp[8], '.');
    EXPECT_EQ(stamp[11], '\0');
    os_time now;
    bosdate(&now);
    EXPECT_GE(now.year, 2024);
    EXPECT_LE(now.month, 12);
    EXPECT_EQ(bostskid(), static_cast<unsigned long>(getpid()));
    EXPECT_GT(bosAvailableMemory(), 0u);
    EXPECT_FALSE(bosabort());

    EXPECT_EQ(countDBLibInits(true), 0);
    EXPECT_EQ(countDBLibInits(true), 1);
    EXPECT_EQ(countDBLibInits(false), 1);
    EXPECT_EQ(countDBLibInits(false), 0);
}

} // namespace
