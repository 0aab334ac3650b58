// The Text driver when the system fails it: writes that stop half way, a
// full disk, failing reads, refused locks and failing allocations, put in
// place of the system's functions through the foundation's system-call
// table. The application goes through the driver manager as usual; the
// driver uses the same foundation library as this program, so the table
// set here is the one the driver calls through.
//
// Each failure must come back as an error with a clear message, and leave
// the table file as it was after its last successful statement: readable,
// every row before intact, no part of a row.
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "util/BosSystemCalls.h"

namespace {

const std::string PREFIX = "[BRELLMONT][ODBC Text driver]";

// The faults in force. Files are watched when their path starts with
// `folder`.
struct Faults {
    std::string folder;
    std::map<int, std::string> watched; // descriptor -> path
    long diskCapacity = -1;             // bytes the folder's files may take; -1 no limit
    int writeError = 0;                 // errno of every write to a watched file; 0 none
    int readError = 0;                  // errno of every read of a watched file; 0 none
    int lockRefusals = 0;               // region locks refused (EAGAIN) before one is granted
    int lockError = 0;                  // errno of every region lock; 0 none
    bool shareRefused = false;          // opens of watched files find them locked
    long allocationsLeft = -1;          // allocations that succeed; -1 no limit
    int failedAllocations = 0;
};
Faults faults;

bool isWatched(int fd) {
    return faults.watched.count(fd) != 0;
}

int faultyOpen(const char* path, int flags, mode_t mode) {
    int fd = bosDefaultSystemCalls().open(path, flags, mode);
    if (fd >= 0 && !faults.folder.empty() &&
        std::string(path).compare(0, faults.folder.size(), faults.folder) == 0)
        faults.watched[fd] = path;
    return fd;
}

int faultyClose(int fd) {
    faults.watched.erase(fd);
    return bosDefaultSystemCalls().close(fd);
}

ssize_t faultyRead(int fd, void* buffer, std::size_t length) {
    if (isWatched(fd) && faults.readError) {
        errno = faults.readError;
        return -1;
    }
    return bosDefaultSystemCalls().read(fd, buffer, length);
}

ssize_t faultyPread(int fd, void* buffer, std::size_t length, off_t offset) {
    if (isWatched(fd) && faults.readError) {
        errno = faults.readError;
        return -1;
    }
    return bosDefaultSystemCalls().pread(fd, buffer, length, offset);
}

// The bytes the regular files of the folder take.
long folderUsage() {
    long used = 0;
    DIR* dir = opendir(faults.folder.c_str());
    if (!dir)
        return 0;
    while (dirent* entry = readdir(dir)) {
        struct stat info;
        std::string path = faults.folder + entry->d_name;
        if (stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode))
            used += static_cast<long>(info.st_size);
    }
    closedir(dir);
    return used;
}

// A write to a watched file on a disk of faults.diskCapacity bytes: it
// takes what room there is and stops there, as a full disk does.
ssize_t faultyWrite(int fd, const void* data, std::size_t length) {
    if (isWatched(fd) && faults.writeError) {
        errno = faults.writeError;
        return -1;
    }
    if (isWatched(fd) && faults.diskCapacity >= 0) {
        struct stat info;
        off_t at = bosDefaultSystemCalls().lseek(fd, 0, SEEK_CUR);
        if (at < 0 || bosDefaultSystemCalls().fstat(fd, &info) != 0)
            return -1;
        long room = faults.diskCapacity - folderUsage();
        long overwrite = info.st_size > at ? static_cast<long>(info.st_size - at) : 0;
        long allowed = overwrite + (room > 0 ? room : 0);
        if (allowed <= 0) {
            errno = ENOSPC;
            return -1;
        }
        if (length > static_cast<std::size_t>(allowed))
            length = static_cast<std::size_t>(allowed);
    }
    return bosDefaultSystemCalls().write(fd, data, length);
}

int faultyFlock(int fd, int operation) {
    if (isWatched(fd) && faults.shareRefused) {
        errno = EWOULDBLOCK;
        return -1;
    }
    return bosDefaultSystemCalls().flock(fd, operation);
}

int faultyLockRegion(int fd, int command, struct flock* region) {
    if (isWatched(fd) && region->l_type != F_UNLCK) {
        if (faults.lockError) {
            errno = faults.lockError;
            return -1;
        }
        if (faults.lockRefusals > 0) {
            --faults.lockRefusals;
            errno = EAGAIN;
            return -1;
        }
    }
    return bosDefaultSystemCalls().lockRegion(fd, command, region);
}

bool allocationFails() {
    if (faults.allocationsLeft < 0)
        return false;
    if (faults.allocationsLeft == 0) {
        ++faults.failedAllocations;
        return true;
    }
    --faults.allocationsLeft;
    return false;
}

void* faultyMalloc(std::size_t size) {
    return allocationFails() ? nullptr : bosDefaultSystemCalls().malloc(size);
}

void* faultyCalloc(std::size_t count, std::size_t size) {
    return allocationFails() ? nullptr : bosDefaultSystemCalls().calloc(count, size);
}

void* faultyRealloc(void* block, std::size_t size) {
    return allocationFails() ? nullptr : bosDefaultSystemCalls().realloc(block, size);
}

BosSystemCalls faultyCalls() {
    BosSystemCalls calls = bosDefaultSystemCalls();
    calls.open = faultyOpen;
    calls.close = faultyClose;
    calls.read = faultyRead;
    calls.pread = faultyPread;
    calls.write = faultyWrite;
    calls.flock = faultyFlock;
    calls.lockRegion = faultyLockRegion;
    calls.malloc = faultyMalloc;
    calls.calloc = faultyCalloc;
    calls.realloc = faultyRealloc;
    return calls;
}
const BosSystemCalls FAULTY_CALLS = faultyCalls();

struct Record {
    std::string state;
    std::string message;
};

class TextFaults : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/txtfaultXXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern.data()));
        dir_ = pattern;
        faults = Faults();
        faults.folder = dir_ + "/";
        bosSetSystemCalls(&FAULTY_CALLS);
        ASSERT_EQ(SQL_SUCCESS, SQLAllocEnv(&henv_));
        ASSERT_EQ(SQL_SUCCESS, SQLAllocConnect(henv_, &hdbc_));
        std::string text = "DRIVER=" TXT_DRIVER_PATH ";Database=" + dir_;
        ASSERT_TRUE(
            SQL_SUCCEEDED(SQLDriverConnect(hdbc_, nullptr, reinterpret_cast<SQLCHAR*>(text.data()),
                                           SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT)));
        ASSERT_EQ(SQL_SUCCESS, SQLAllocStmt(hdbc_, &hstmt_));
    }
    void TearDown() override {
        heal();
        SQLFreeStmt(hstmt_, SQL_DROP);
        SQLDisconnect(hdbc_);
        SQLFreeConnect(hdbc_);
        SQLFreeEnv(henv_);
        bosSetSystemCalls(nullptr);
        (void)std::system(("rm -rf '" + dir_ + "'").c_str());
    }

    // Lifts every fault.
    void heal() {
        std::string folder = faults.folder;
        std::map<int, std::string> watched = faults.watched;
        faults = Faults();
        faults.folder = folder;
        faults.watched = watched;
    }

    std::vector<Record> records() {
        std::vector<Record> out;
        SQLCHAR state[6];
        SQLCHAR message[600];
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        while (SQL_SUCCEEDED(
            SQLError(henv_, hdbc_, hstmt_, state, &native, message, sizeof message, &length))) {
            std::string text = reinterpret_cast<char*>(message);
            if (text.compare(0, PREFIX.size(), PREFIX) == 0)
                text.erase(0, PREFIX.size());
            out.push_back({reinterpret_cast<char*>(state), text});
        }
        return out;
    }
    // Runs `sql`; "ok", or the first record as "STATE message".
    std::string run(const std::string& sql) {
        SQLFreeStmt(hstmt_, SQL_CLOSE);
        SQLRETURN rc = SQLExecDirect(
            hstmt_, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS);
        std::vector<Record> got = records();
        if (SQL_SUCCEEDED(rc))
            return "ok";
        return got.empty() ? "failed without a record" : got[0].state + " " + got[0].message;
    }
    // Every row of `sql` as "v1|v2|...", or the error as run() gives it.
    std::vector<std::string> rows(const std::string& sql) {
        std::string outcome = run(sql);
        if (outcome != "ok")
            return {outcome};
        SQLSMALLINT columns = 0;
        SQLNumResultCols(hstmt_, &columns);
        std::vector<std::string> out;
        for (;;) {
            SQLRETURN rc = SQLFetch(hstmt_);
            if (rc == SQL_NO_DATA)
                break;
            if (!SQL_SUCCEEDED(rc)) {
                std::vector<Record> got = records();
                out.push_back(got.empty() ? "fetch failed" : got[0].state + " " + got[0].message);
                break;
            }
            std::string row;
            for (SQLSMALLINT c = 1; c <= columns; ++c) {
                char text[256] = {};
                SQLLEN length = 0;
                SQLGetData(hstmt_, c, SQL_C_CHAR, text, sizeof text, &length);
                row += (c > 1 ? "|" : "") + std::string(length == SQL_NULL_DATA ? "<null>" : text);
            }
            out.push_back(row);
        }
        SQLFreeStmt(hstmt_, SQL_CLOSE);
        return out;
    }
    std::string file(const std::string& name) {
        std::ifstream in(dir_ + "/" + name, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    bool exists(const std::string& name) {
        struct stat info;
        return stat((dir_ + "/" + name).c_str(), &info) == 0;
    }
    // A table T of three rows.
    void makeTable() {
        ASSERT_EQ("ok", run("CREATE TABLE t (name VARCHAR(20), n NUMERIC(6,0))"));
        for (const char* row : {"'one', 1", "'two', 2", "'three', 3"})
            ASSERT_EQ("ok", run(std::string("INSERT INTO t VALUES (") + row + ")"));
    }

    const std::vector<std::string> THREE_ROWS = {"one|1", "two|2", "three|3"};
    std::string dir_;
    SQLHENV henv_ = SQL_NULL_HENV;
    SQLHDBC hdbc_ = SQL_NULL_HDBC;
    SQLHSTMT hstmt_ = SQL_NULL_HSTMT;
};

const char* const LONG_ROW = "INSERT INTO t VALUES ('a rather long name', 123456)";

TEST_F(TextFaults, AFullDiskFailsTheInsertAndLeavesTheRowsBefore) {
    makeTable();
    std::string before = file("t.txt");
    faults.diskCapacity = folderUsage();
    std::string outcome = run(LONG_ROW);
    EXPECT_NE(std::string::npos, outcome.find("Insufficient disk space.")) << outcome;
    EXPECT_EQ(before, file("t.txt"));
    // Room for part of the row: the part written is taken back.
    for (long room : {1L, 5L, 20L}) {
        faults.diskCapacity = folderUsage() + room;
        outcome = run(LONG_ROW);
        EXPECT_NE(std::string::npos, outcome.find("Error on input or output to a file."))
            << room << ": " << outcome;
        EXPECT_EQ(before, file("t.txt")) << room;
    }
    heal();
    EXPECT_EQ(THREE_ROWS, rows("SELECT name, n FROM t"));
    ASSERT_EQ("ok", run(LONG_ROW));
    EXPECT_EQ(4u, rows("SELECT name, n FROM t").size());
}

TEST_F(TextFaults, AFailingWriteFailsTheInsertCleanly) {
    makeTable();
    std::string before = file("t.txt");
    for (int error : {EIO, EACCES, EBADF}) {
        faults.writeError = error;
        std::string outcome = run(LONG_ROW);
        EXPECT_EQ('S', outcome[0]) << error << ": " << outcome;
        EXPECT_EQ(before, file("t.txt")) << error;
    }
    heal();
    EXPECT_EQ(THREE_ROWS, rows("SELECT name, n FROM t"));
}

// A table is created whole (file and definition) or not at all, whatever
// byte the disk fills at; the definitions of other tables stay.
TEST_F(TextFaults, CreateTableOnAFillingDiskMakesAllOrNothing) {
    makeTable();
    std::string ini = file("VXTXT.INI");
    for (long room = 0; room < 400; room += 7) {
        faults.diskCapacity = folderUsage() + room;
        std::string outcome = run("CREATE TABLE u (a VARCHAR(10), b DATE)");
        heal();
        if (outcome == "ok") {
            EXPECT_TRUE(exists("u.TXT")) << room;
            ASSERT_EQ("ok", run("DROP TABLE u")) << room;
            continue;
        }
        EXPECT_EQ('S', outcome[0]) << room << ": " << outcome;
        EXPECT_FALSE(exists("u.TXT")) << room;
        EXPECT_EQ(ini, file("VXTXT.INI")) << room;
        EXPECT_EQ(THREE_ROWS, rows("SELECT name, n FROM t")) << room;
    }
    EXPECT_EQ("ok", run("CREATE TABLE u (a VARCHAR(10), b DATE)"));
}

TEST_F(TextFaults, AFailingReadFailsTheQueryWithAMessage) {
    std::ofstream(dir_ + "/r.txt", std::ios::binary) << "one,1\r\ntwo,2\r\nthree,3\r\n";
    faults.readError = EIO;
    std::vector<std::string> got = rows("SELECT * FROM r.txt");
    ASSERT_EQ(1u, got.size());
    EXPECT_NE(std::string::npos, got[0].find("Error on input or output to a file.")) << got[0];
    heal();
    EXPECT_EQ(THREE_ROWS, rows("SELECT * FROM r.txt"));
}

TEST_F(TextFaults, RefusedLocks) {
    makeTable();
    // The append lock is waited for while another handle holds it.
    faults.lockRefusals = 5;
    EXPECT_EQ("ok", run(LONG_ROW));
    EXPECT_EQ(0, faults.lockRefusals);
    // A system without region locks appends without one.
    faults.lockError = ENOLCK;
    EXPECT_EQ("ok", run(LONG_ROW));
    heal();
    EXPECT_EQ(5u, rows("SELECT name, n FROM t").size());
}

TEST_F(TextFaults, AFileLockedByAnotherProgramCannotBeOpened) {
    std::ofstream(dir_ + "/locked.txt", std::ios::binary) << "a,b\r\n1,2\r\n";
    faults.shareRefused = true;
    std::vector<std::string> got = rows("SELECT * FROM locked.txt");
    ASSERT_EQ(1u, got.size());
    EXPECT_EQ('S', got[0][0]) << got[0];
    EXPECT_NE(std::string::npos, got[0].find("locked.txt")) << got[0];
    heal();
    EXPECT_EQ(2u, rows("SELECT * FROM locked.txt").size());
}

// Every allocation from the n-th on fails, for n from 0 up: each statement
// either succeeds or fails with a record, and the table keeps whole rows.
TEST_F(TextFaults, FailingAllocationsNeverLoseRows) {
    makeTable();
    const std::string row = "INSERT INTO t VALUES ('" + std::string(20, 'x') + "', 7)";
    int failed = 0;
    for (long n = 0; n < 200; n += (n < 40 ? 1 : 9)) {
        faults.allocationsLeft = n;
        SQLFreeStmt(hstmt_, SQL_CLOSE);
        SQLRETURN rc = SQLExecDirect(
            hstmt_, reinterpret_cast<SQLCHAR*>(const_cast<char*>(row.c_str())), SQL_NTS);
        heal();
        std::vector<Record> got = records();
        if (!SQL_SUCCEEDED(rc)) {
            ++failed;
            ASSERT_FALSE(got.empty()) << n << ": failed without a record";
            EXPECT_EQ("S1001", got[0].state) << n << ": " << got[0].message;
        }
        std::vector<std::string> now = rows("SELECT name, n FROM t");
        ASSERT_GE(now.size(), 3u) << n;
        for (std::size_t i = 0; i < now.size(); ++i)
            EXPECT_EQ(i < 3 ? THREE_ROWS[i] : "xxxxxxxxxxxxxxxxxxxx|7", now[i]) << n;
    }
    EXPECT_GT(failed, 0);
}

} // namespace
