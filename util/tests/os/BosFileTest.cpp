// Files of the operating-system layer: opening modes, 64-bit offsets,
// share and region locks, error records, name lookup and directory search.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "util/VxError.h"
#include "util/bos.h"
#include "util/ram.h"

namespace {

struct BosFileTest : ::testing::Test {
    VxErrorList list{nullptr, 1};
    std::string dir;

    void SetUp() override {
        VxErrorKeeper::setErrorList(&list);
        const char* tmp = std::getenv("TMPDIR");
        std::string base = tmp && *tmp ? tmp : "/tmp";
        char pattern[4096];
        std::snprintf(pattern, sizeof pattern, "%s/bosfileXXXXXX", base.c_str());
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        VxErrorKeeper::giveUpErrorList();
        std::string command = "rm -rf '" + dir + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    std::string path(const char* name) const { return dir + "/" + name; }
    std::string lastText() {
        VxError* error = VxErrorKeeper::getLastError();
        return error ? error->getErrorText() : "<none>";
    }
    int create(const std::string& name, const char* text = "") {
        int handle = 0;
        EXPECT_EQ(bosFileOpen(name.c_str(), BOS_OPEN_CREATE, &handle), VX_SUCCESS);
        EXPECT_EQ(bosFileWrite(handle, 0, text, std::strlen(text)), VX_SUCCESS);
        return handle;
    }
};

TEST_F(BosFileTest, CreateWriteReadSeekSizeTruncate) {
    int handle = create(path("data.txt"), "hello world");
    EXPECT_GT(handle, 0);
    char buffer[32] = {};
    std::size_t count = 0;
    ASSERT_EQ(bosFileRead(handle, 6, buffer, sizeof buffer, &count), VX_SUCCESS);
    EXPECT_EQ(std::string(buffer, count), "world") << "a short count is no error";
    ASSERT_EQ(bosFileRead(handle, BOS_NO_SEEK, buffer, sizeof buffer, &count), VX_SUCCESS);
    EXPECT_EQ(count, 0u) << "reading on at the end gives nothing";
    std::int64_t position = -1;
    ASSERT_EQ(bosFileSeek(handle, -5, BOS_SEEK_END, &position), VX_SUCCESS);
    EXPECT_EQ(position, 6);
    ASSERT_EQ(bosFileWrite(handle, BOS_NO_SEEK, "WORLD", 5), VX_SUCCESS);
    ASSERT_EQ(bosFileTruncate(handle, 8), VX_SUCCESS);
    std::int64_t size = 0;
    ASSERT_EQ(bosFileSize(handle, &size), VX_SUCCESS);
    EXPECT_EQ(size, 8);
    ASSERT_EQ(bosFileRead(handle, 0, buffer, sizeof buffer, &count), VX_SUCCESS);
    EXPECT_EQ(std::string(buffer, count), "hello WO");
    EXPECT_EQ(bosFileClose(handle), VX_SUCCESS);
    EXPECT_EQ(bosFileClose(0), VX_SUCCESS);
    EXPECT_EQ(list.getCount(), 0u);
}

TEST_F(BosFileTest, CreateTruncatesAndOpenModesRespectReadOnly) {
    ASSERT_EQ(bosFileClose(create(path("t"), "long old content")), VX_SUCCESS);
    int handle = create(path("t"), "new");
    std::int64_t size = 0;
    ASSERT_EQ(bosFileSize(handle, &size), VX_SUCCESS);
    EXPECT_EQ(size, 3);
    ASSERT_EQ(bosFileClose(handle), VX_SUCCESS);
    ASSERT_EQ(bosFileOpen(path("t").c_str(), 0, &handle), VX_SUCCESS);
    EXPECT_EQ(bosFileWrite(handle, 0, "x", 1), VX_ERROR) << "mode 0 opens read-only";
    ASSERT_EQ(bosFileClose(handle), VX_SUCCESS);
}

TEST_F(BosFileTest, OffsetsBeyondFourGigabytes) {
    int handle = create(path("sparse"));
    const std::int64_t far = (std::int64_t(5) << 30) + 7;
    ASSERT_EQ(bosFileWrite(handle, far, "edge", 4), VX_SUCCESS);
    std::int64_t size = 0;
    ASSERT_EQ(bosFileSize(handle, &size), VX_SUCCESS);
    EXPECT_EQ(size, far + 4);
    char buffer[8] = {};
    std::size_t count = 0;
    ASSERT_EQ(bosFileRead(handle, far - 2, buffer, sizeof buffer, &count), VX_SUCCESS);
    ASSERT_EQ(count, 6u);
    EXPECT_EQ(std::memcmp(buffer, "\0\0edge", 6), 0);
    std::int64_t position = 0;
    ASSERT_EQ(bosFileSeek(handle, 0, BOS_SEEK_CUR, &position), VX_SUCCESS);
    EXPECT_EQ(position, far + 4) << "a read leaves the position after what it read";
    ASSERT_EQ(bosFileClose(handle), VX_SUCCESS);
}

TEST_F(BosFileTest, TemporaryFilesAreNewEmptyAndReopenable) {
    VxString first;
    VxString second;
    int a = 0;
    int b = 0;
    ASSERT_EQ(bosFileOpen("ignored", BOS_OPEN_TEMP | BOS_OPEN_READWRITE, &a, &first), VX_SUCCESS);
    ASSERT_EQ(bosFileOpen(nullptr, BOS_OPEN_TEMP_OTHER, &b, &second), VX_SUCCESS);
    std::string name = first.getText();
    EXPECT_STRNE(first.getText(), second.getText());
    const char* tmp = std::getenv("TMPDIR");
    std::string expected = std::string(tmp && *tmp ? tmp : "/tmp") + "/vx";
    EXPECT_EQ(name.compare(0, expected.size(), expected), 0) << name;
    std::int64_t size = -1;
    ASSERT_EQ(bosFileSize(a, &size), VX_SUCCESS);
    EXPECT_EQ(size, 0);
    ASSERT_EQ(bosFileWrite(a, 0, "abc", 3), VX_SUCCESS);
    ASSERT_EQ(bosFileClose(a), VX_SUCCESS);
    ASSERT_EQ(bosFileOpen(name.c_str(), BOS_OPEN_READWRITE, &a), VX_SUCCESS);
    ASSERT_EQ(bosFileSize(a, &size), VX_SUCCESS);
    EXPECT_EQ(size, 3);
    EXPECT_EQ(bosFileClose(a), VX_SUCCESS);
    EXPECT_EQ(bosFileClose(b), VX_SUCCESS);
    EXPECT_EQ(bosFileDelete(name.c_str()), VX_SUCCESS);
    EXPECT_EQ(bosFileDelete(second.getText()), VX_SUCCESS);
    EXPECT_FALSE(bosexist(name.c_str()));
}

TEST_F(BosFileTest, RegionLocksRefuseASecondHandleOfThisProcess) {
    int first = create(path("locked"), "0123456789");
    int second = 0;
    ASSERT_EQ(bosFileOpen(path("locked").c_str(), BOS_OPEN_READWRITE, &second), VX_SUCCESS);
    ASSERT_EQ(bosRegionLock(first, false, 2, 3), VX_SUCCESS);
    EXPECT_EQ(bosRegionLock(second, false, 4, 1), VX_ERROR);
    EXPECT_EQ(VxErrorKeeper::getLastErrorNumber(), 1512);
    EXPECT_EQ(lastText(), "Whole or part of the region has already been locked.");
    EXPECT_EQ(bosRegionLock(second, false, 5, 2), VX_SUCCESS) << "regions next to it are free";
    ASSERT_EQ(bosRegionLock(first, true, 2, 3), VX_SUCCESS);
    EXPECT_EQ(bosRegionLock(second, false, 2, 3), VX_SUCCESS);
    EXPECT_EQ(bosRegionLock(0, false, 0, 1), VX_SUCCESS) << "no file, nothing to lock";
    EXPECT_EQ(bosFileClose(first), VX_SUCCESS);
    EXPECT_EQ(bosFileClose(second), VX_SUCCESS);
}

TEST_F(BosFileTest, DenyAllExcludesOtherOpens) {
    ASSERT_EQ(bosFileClose(create(path("shared"))), VX_SUCCESS);
    int plain = 0;
    int exclusive = 0;
    ASSERT_EQ(bosFileOpen(path("shared").c_str(), 0, &plain), VX_SUCCESS);
    EXPECT_EQ(bosFileOpen(path("shared").c_str(), BOS_OPEN_DENY_ALL, &exclusive), VX_ERROR);
    EXPECT_EQ(VxErrorKeeper::getLastErrorNumber(), 30040);
    ASSERT_EQ(bosFileClose(plain), VX_SUCCESS);
    ASSERT_EQ(
        bosFileOpen(path("shared").c_str(), BOS_OPEN_DENY_ALL | BOS_OPEN_READWRITE, &exclusive),
        VX_SUCCESS);
    EXPECT_EQ(bosFileOpen(path("shared").c_str(), 0, &plain), VX_ERROR);
    EXPECT_EQ(bosFileOpen(path("shared").c_str(), BOS_OPEN_CREATE, &plain), VX_ERROR);
    EXPECT_EQ(VxErrorKeeper::getLastErrorNumber(), 1501);
    EXPECT_EQ(bosFileClose(exclusive), VX_SUCCESS);
}

TEST_F(BosFileTest, FailuresRaiseTheMappedMessages) {
    int handle = 0;
    std::string missing = path("missing.dat");
    EXPECT_EQ(bosFileOpen(missing.c_str(), BOS_OPEN_READWRITE, &handle), VX_ERROR);
    EXPECT_EQ(handle, 0);
    EXPECT_EQ(lastText(), "Cannot open file '" + missing + "'.");
    std::string nowhere = path("no/such/dir/x");
    EXPECT_EQ(bosFileOpen(nowhere.c_str(), BOS_OPEN_CREATE, &handle), VX_ERROR);
    EXPECT_EQ(lastText(), "Cannot create file '" + nowhere + "'.");
    EXPECT_EQ(bosFileDelete(missing.c_str()), VX_SUCCESS) << "a missing file is no error";
    EXPECT_EQ(bosFileDelete(dir.c_str()), VX_ERROR);
    EXPECT_EQ(lastText(), "Cannot delete file: '" + dir + "'.");
    EXPECT_EQ(bosrname(missing.c_str(), "elsewhere"), VX_ERROR);
    EXPECT_EQ(lastText(), "Cannot rename '" + missing + "' to 'elsewhere'.");
    char byte;
    std::size_t count;
    EXPECT_EQ(bosFileRead(999, 0, &byte, 1, &count), VX_ERROR);
    EXPECT_EQ(lastText(), "Invalid file handle.");
    EXPECT_EQ(bosFileClose(999), VX_ERROR);
    EXPECT_EQ(VxErrorKeeper::getLastErrorNumber(), 1507);
    int readOnly = create(path("ro"));
    ASSERT_EQ(bosFileClose(readOnly), VX_SUCCESS);
    ASSERT_EQ(bosFileOpen(path("ro").c_str(), 0, &readOnly), VX_SUCCESS);
    EXPECT_EQ(bosFileWrite(readOnly, 0, "x", 1), VX_ERROR);
    EXPECT_EQ(lastText(), "Invalid file handle.") << "writing a read-only handle: EBADF";
    EXPECT_EQ(bosFileClose(readOnly), VX_SUCCESS);
}

TEST_F(BosFileTest, ShortWritesReportDiskSpace) {
    int full = 0;
    ASSERT_EQ(bosFileOpen("/dev/full", BOS_OPEN_READWRITE, &full), VX_SUCCESS);
    EXPECT_EQ(bosFileWrite(full, BOS_NO_SEEK, "abc", 3), VX_ERROR);
    EXPECT_EQ(lastText(), "Insufficient disk space.");
    EXPECT_EQ(bosFileClose(full), VX_SUCCESS);

    // A file size limit stops a write half way.
    int handle = create(path("limited"));
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    sighandler_t oldHandler = signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = saved;
    limit.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    char data[200] = {};
    VxStatus partial = bosFileWrite(handle, 0, data, sizeof data);
    VxStatus none = bosFileWrite(handle, 100, data, 10);
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(partial, VX_ERROR);
    EXPECT_EQ(none, VX_ERROR);
    ASSERT_EQ(list.getCount(), 3u);
    EXPECT_EQ(list.getErrorAtPos(1)->getNumber(), 30041);
    EXPECT_EQ(list.getErrorAtPos(2)->getNumber(), 1506);
    EXPECT_EQ(bosFileClose(handle), VX_SUCCESS);
}

TEST_F(BosFileTest, NamesAreFoundWhateverTheirCase) {
    ASSERT_EQ(mkdir(path("Sub").c_str(), 0777), 0);
    ASSERT_EQ(bosFileClose(create(path("Sub/MixedCase.Txt"), "content")), VX_SUCCESS);
    int handle = 0;
    ASSERT_EQ(bosFileOpen(path("SUB\\mixedcase.TXT").c_str(), 0, &handle), VX_SUCCESS);
    EXPECT_EQ(bosFileClose(handle), VX_SUCCESS);
    EXPECT_EQ(bosfattr(path("sub/MIXEDCASE.txt").c_str()), 1);
    EXPECT_EQ(bosfattr(path("SUB").c_str()), 2);
    EXPECT_EQ(bosfattr(path("nothing").c_str()), 0);
    EXPECT_EQ(bosfattr(".."), 2);
    // A file created under a new name keeps its case in an existing folder.
    ASSERT_EQ(bosFileClose(create(path("sub/NewFile.Dat"))), VX_SUCCESS);
    struct stat info;
    EXPECT_EQ(stat(path("Sub/NewFile.Dat").c_str(), &info), 0);
    ASSERT_EQ(chmod(path("Sub/NewFile.Dat").c_str(), 0444), 0);
    EXPECT_EQ(bosfattr(path("sub/newfile.dat").c_str()), 5);
    // Creating under another case reuses the file, like opening it.
    ASSERT_EQ(bosFileClose(create(path("twin"))), VX_SUCCESS);
    ASSERT_EQ(bosFileClose(create(path("TWIN"))), VX_SUCCESS);
    EXPECT_NE(stat(path("TWIN").c_str(), &info), 0);
    // Two names differing only in case: no unique match, nothing found.
    ASSERT_EQ(mkdir(path("TWIN").c_str(), 0777), 0);
    EXPECT_FALSE(bosexist(path("Twin").c_str()));
    EXPECT_EQ(bosfattr(path("TWIN").c_str()), 2);
    ASSERT_EQ(bosrname(path("sub/mixedcase.txt").c_str(), path("sub/Renamed").c_str()), VX_SUCCESS);
    EXPECT_TRUE(bosexist(path("Sub/Renamed").c_str()));
    EXPECT_EQ(bosFileDelete(path("SUB/RENAMED").c_str()), VX_SUCCESS);
    EXPECT_FALSE(bosexist(path("Sub/Renamed").c_str()));
}

TEST_F(BosFileTest, SearchAlongPath) {
    ASSERT_EQ(mkdir(path("bin").c_str(), 0777), 0);
    ASSERT_EQ(bosFileClose(create(path("bin/Tool.cfg"), "x")), VX_SUCCESS);
    std::string saved = std::getenv("PATH") ? std::getenv("PATH") : "";
    std::string searched = "/nonexistent::" + path("bin");
    setenv("PATH", searched.c_str(), 1);
    int handle = 0;
    VxStatus found = bosFileOpen("tool.cfg", BOS_OPEN_SEARCH_PATH, &handle);
    VxStatus withoutFlag = bosFileOpen("tool.cfg", 0, &handle);
    VxStatus missing = bosFileOpen("absent.cfg", BOS_OPEN_SEARCH_PATH, &handle);
    setenv("PATH", saved.c_str(), 1);
    EXPECT_EQ(found, VX_SUCCESS);
    EXPECT_EQ(withoutFlag, VX_ERROR);
    EXPECT_EQ(missing, VX_ERROR);
    EXPECT_EQ(lastText(), "Cannot open file 'absent.cfg'.");
}

TEST_F(BosFileTest, FindFilesAndDirectories) {
    ASSERT_EQ(mkdir(path("Inner").c_str(), 0777), 0);
    for (const char* name : {"a.TXT", "b.txt", "c.dat", "Inner/d.txt"})
        ASSERT_EQ(bosFileClose(create(path(name))), VX_SUCCESS);
    BosFindCursor* cursor = nullptr;
    VxString name;
    ASSERT_EQ(name.initialize((dir + "/*.txt").c_str()), VX_SUCCESS);
    std::string found;
    do {
        ASSERT_EQ(bosFindFiles(&cursor, &name), VX_SUCCESS);
        if (name.length())
            found += std::string(name.getText()) + ";";
    } while (cursor);
    EXPECT_TRUE(found == "a.TXT;b.txt;" || found == "b.txt;a.TXT;") << found;
    ASSERT_EQ(name.initialize((dir + "/*.*").c_str()), VX_SUCCESS);
    int files = 0;
    do {
        ASSERT_EQ(bosFindFiles(&cursor, &name), VX_SUCCESS);
        files += name.length() > 0;
    } while (cursor);
    EXPECT_EQ(files, 3) << "directories are not files";

    VxString cwd;
    ASSERT_EQ(bosgtcwd(&cwd, false), VX_SUCCESS);
    ASSERT_EQ(bosstcwd(dir.c_str()), VX_SUCCESS);
    found.clear();
    do {
        ASSERT_EQ(bosGetDirectoryNames(&cursor, &name), VX_SUCCESS);
        if (name.length())
            found += std::string(name.getText()) + ";";
    } while (cursor);
    ASSERT_EQ(bosstcwd(cwd.getText()), VX_SUCCESS);
    EXPECT_TRUE(found == "Inner;..;" || found == "..;Inner;") << found;
    int fs = 0;
    ASSERT_EQ(bosGetFileSystems(&fs, &name), VX_SUCCESS);
    EXPECT_STREQ(name.getText(), "/");
    ASSERT_EQ(bosGetFileSystems(&fs, &name), VX_SUCCESS);
    EXPECT_STREQ(name.getText(), "");
}

// A read at an offset that leaves the position alone: what follows a
// plain read is still read from where that read ended.
TEST_F(BosFileTest, ReadAtKeepsThePosition) {
    int handle = create(path("at.txt"), "0123456789");
    char buffer[16] = {};
    std::size_t count = 0;
    ASSERT_EQ(bosFileRead(handle, 2, buffer, 3, &count), VX_SUCCESS);
    ASSERT_EQ(bosFileReadAt(handle, 7, buffer, sizeof buffer, &count), VX_SUCCESS);
    EXPECT_EQ(std::string(buffer, count), "789");
    ASSERT_EQ(bosFileReadAt(handle, 10, buffer, sizeof buffer, &count), VX_SUCCESS);
    EXPECT_EQ(count, 0u);
    ASSERT_EQ(bosFileRead(handle, BOS_NO_SEEK, buffer, 2, &count), VX_SUCCESS);
    EXPECT_EQ(std::string(buffer, count), "56");
    EXPECT_EQ(bosFileReadAt(0, 0, buffer, 1, &count), VX_ERROR);
    EXPECT_EQ(list.getCount(), 1u);
    ASSERT_EQ(bosFileClose(handle), VX_SUCCESS);
}

} // namespace
