// The Text driver used by several threads and processes at once, called
// straight through its entry points (loaded with dlopen), so that no
// driver manager serialises the calls:
//   - 8 threads, each on a connection of its own, reading one table and
//     appending to it and to tables of their own;
//   - 8 threads sharing one connection, each with its own statements,
//     their calls interleaved;
//   - 2 processes on one file, one appending while the other reads.
// Every row read must be whole and every row appended must be there at
// the end. The same program runs under ThreadSanitizer (make test-tsan).
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int THREADS = 8;
// What every call on a handle that another thread is inside returns at
// once; the application tries again.
constexpr SQLRETURN BUSY = 9999;

template <typename Call> SQLRETURN untilFree(Call call) {
    for (;;) {
        SQLRETURN rc = call();
        if (rc != BUSY)
            return rc;
        std::this_thread::yield();
    }
}
constexpr int ROWS_PER_THREAD = 25;

// The driver's entry points.
struct Driver {
    void* library = nullptr;
    SQLRETURN (*allocEnv)(SQLHENV*);
    SQLRETURN (*allocConnect)(SQLHENV, SQLHDBC*);
    SQLRETURN(*driverConnect)
    (SQLHDBC, SQLHWND, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLSMALLINT*, SQLUSMALLINT);
    SQLRETURN (*allocStmt)(SQLHDBC, SQLHSTMT*);
    SQLRETURN (*execDirect)(SQLHSTMT, SQLCHAR*, SQLINTEGER);
    SQLRETURN (*fetch)(SQLHSTMT);
    SQLRETURN (*getData)(SQLHSTMT, SQLUSMALLINT, SQLSMALLINT, SQLPOINTER, SQLLEN, SQLLEN*);
    SQLRETURN (*freeStmt)(SQLHSTMT, SQLUSMALLINT);
    SQLRETURN (*disconnect)(SQLHDBC);
    SQLRETURN (*freeConnect)(SQLHDBC);
    SQLRETURN (*freeEnv)(SQLHENV);
    SQLRETURN(*error)
    (SQLHENV, SQLHDBC, SQLHSTMT, SQLCHAR*, SQLINTEGER*, SQLCHAR*, SQLSMALLINT, SQLSMALLINT*);

    template <typename F> void bind(F*& function, const char* name) {
        function = reinterpret_cast<F*>(dlsym(library, name));
        if (!function) {
            std::fprintf(stderr, "no %s in the driver\n", name);
            std::abort();
        }
    }
    Driver() {
        library = dlopen(TXT_DRIVER_PATH, RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            std::fprintf(stderr, "%s\n", dlerror());
            std::abort();
        }
        bind(allocEnv, "SQLAllocEnv");
        bind(allocConnect, "SQLAllocConnect");
        bind(driverConnect, "SQLDriverConnect");
        bind(allocStmt, "SQLAllocStmt");
        bind(execDirect, "SQLExecDirect");
        bind(fetch, "SQLFetch");
        bind(getData, "SQLGetData");
        bind(freeStmt, "SQLFreeStmt");
        bind(disconnect, "SQLDisconnect");
        bind(freeConnect, "SQLFreeConnect");
        bind(freeEnv, "SQLFreeEnv");
        bind(error, "SQLError");
    }
};

Driver& driver() {
    static Driver* d = new Driver;
    return *d;
}

// One statement handle and what it read.
class Statement {
public:
    Statement(SQLHENV env, SQLHDBC dbc) : env_(env), dbc_(dbc) {
        if (untilFree([&] { return driver().allocStmt(dbc, &stmt_); }) != SQL_SUCCESS)
            stmt_ = SQL_NULL_HSTMT;
    }
    ~Statement() {
        if (stmt_)
            untilFree([&] { return driver().freeStmt(stmt_, SQL_DROP); });
    }
    // "ok" or the first record.
    std::string run(const std::string& sql) {
        if (!stmt_)
            return "no statement";
        driver().freeStmt(stmt_, SQL_CLOSE);
        SQLRETURN rc = driver().execDirect(
            stmt_, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS);
        return SQL_SUCCEEDED(rc) ? "ok" : record() + " (" + sql + ")";
    }
    // The first column of every row, or one entry "E: ...".
    std::vector<std::string> column(const std::string& sql) {
        std::string outcome = run(sql);
        if (outcome != "ok")
            return {"E: " + outcome};
        std::vector<std::string> out;
        for (;;) {
            SQLRETURN rc = driver().fetch(stmt_);
            if (rc == SQL_NO_DATA)
                break;
            if (!SQL_SUCCEEDED(rc))
                return {"E: fetch " + record()};
            char text[128] = {};
            SQLLEN length = 0;
            if (!SQL_SUCCEEDED(driver().getData(stmt_, 1, SQL_C_CHAR, text, sizeof text, &length)))
                return {"E: getdata " + record()};
            out.push_back(length == SQL_NULL_DATA ? "<null>" : text);
        }
        driver().freeStmt(stmt_, SQL_CLOSE);
        return out;
    }

private:
    std::string record() {
        SQLCHAR state[6] = {};
        SQLCHAR message[600] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        if (!SQL_SUCCEEDED(driver().error(env_, dbc_, stmt_, state, &native, message,
                                          sizeof message, &length)))
            return "failed without a record";
        return std::string(reinterpret_cast<char*>(state)) + " " + reinterpret_cast<char*>(message);
    }

    SQLHENV env_;
    SQLHDBC dbc_;
    SQLHSTMT stmt_ = SQL_NULL_HSTMT;
};

class Connection {
public:
    Connection(SQLHENV env, const std::string& folder) : env_(env) {
        SQLRETURN allocated = untilFree([&] { return driver().allocConnect(env, &dbc_); });
        std::string text = "DRIVER=" TXT_DRIVER_PATH ";FirstLineNames=1;Database=" + folder;
        SQLRETURN rc = untilFree([&] {
            return driver().driverConnect(dbc_, nullptr, reinterpret_cast<SQLCHAR*>(text.data()),
                                          SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
        });
        connected_ = allocated == SQL_SUCCESS && SQL_SUCCEEDED(rc);
        if (!connected_) {
            SQLCHAR state[6] = {};
            SQLCHAR message[600] = {};
            SQLINTEGER native = 0;
            SQLSMALLINT length = 0;
            driver().error(env, dbc_, SQL_NULL_HSTMT, state, &native, message, sizeof message,
                           &length);
            failure_ = "allocation " + std::to_string(allocated) + ", connect " +
                       std::to_string(rc) + ": " + reinterpret_cast<char*>(state) + " " +
                       reinterpret_cast<char*>(message);
        }
    }
    ~Connection() {
        if (connected_)
            untilFree([&] { return driver().disconnect(dbc_); });
        untilFree([&] { return driver().freeConnect(dbc_); });
    }
    bool connected() const { return connected_; }
    const std::string& failure() const { return failure_; }
    SQLHDBC handle() const { return dbc_; }

private:
    SQLHENV env_;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    bool connected_ = false;
    std::string failure_;
};

// The rows "<thread>-<n>" written into the shared table, and the sum of
// their numbers, so that a torn row shows.
std::string rowValues(int thread, int n) {
    return "'t" + std::to_string(thread) + "-" + std::to_string(n) + "', " +
           std::to_string(thread * 1000 + n);
}

class TextConcurrency : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/txtthreadsXXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern.data()));
        dir_ = pattern;
        std::ofstream words(dir_ + "/words.txt", std::ios::binary);
        words << "word,n\r\n";
        for (int i = 1; i <= 200; ++i)
            words << "w" << i << "," << i << "\r\n";
        words.close();
        ASSERT_EQ(SQL_SUCCESS, driver().allocEnv(&env_));
    }
    void TearDown() override {
        driver().freeEnv(env_);
        (void)std::system(("rm -rf '" + dir_ + "'").c_str());
    }

    // Runs `body(i)` on THREADS threads at once; the failures they report.
    template <typename Body> std::vector<std::string> together(Body body) {
        std::vector<std::string> failures[THREADS];
        std::atomic<int> ready{0};
        std::vector<std::thread> threads;
        for (int i = 0; i < THREADS; ++i)
            threads.emplace_back([&, i] {
                ++ready;
                while (ready.load() < THREADS)
                    std::this_thread::yield();
                body(i, failures[i]);
            });
        for (std::thread& t : threads)
            t.join();
        std::vector<std::string> all;
        for (auto& list : failures)
            all.insert(all.end(), list.begin(), list.end());
        return all;
    }

    // The shared table holds every row each thread appended, each whole.
    void expectSharedRows(Statement& check) {
        std::vector<std::string> names = check.column("SELECT name FROM shared");
        std::multiset<std::string> got(names.begin(), names.end());
        EXPECT_EQ(static_cast<std::size_t>(THREADS * ROWS_PER_THREAD), names.size());
        for (int t = 0; t < THREADS; ++t)
            for (int n = 0; n < ROWS_PER_THREAD; ++n) {
                std::string name = "t" + std::to_string(t) + "-" + std::to_string(n);
                EXPECT_EQ(1u, got.count(name)) << name;
            }
        std::vector<std::string> sum = check.column("SELECT SUM(n) FROM shared");
        long expected = 0;
        for (int t = 0; t < THREADS; ++t)
            for (int n = 0; n < ROWS_PER_THREAD; ++n)
                expected += t * 1000 + n;
        ASSERT_EQ(1u, sum.size());
        EXPECT_EQ(expected, std::atol(sum[0].c_str())) << sum[0];
    }

    std::string dir_;
    SQLHENV env_ = SQL_NULL_HENV;
};

void expectOk(std::vector<std::string>& failures, const std::string& outcome) {
    if (outcome != "ok")
        failures.push_back(outcome);
}

// Reads words.txt whole and checks it.
void readWords(Statement& s, std::vector<std::string>& failures) {
    std::vector<std::string> words = s.column("SELECT word FROM words.txt WHERE n > 100");
    if (words.size() != 100 || words[0] != "w101" || words[99] != "w200")
        failures.push_back("words: " + std::to_string(words.size()) + " rows, first " +
                           (words.empty() ? "none" : words[0]));
}

TEST_F(TextConcurrency, EightThreadsOnConnectionsOfTheirOwn) {
    {
        Connection setup(env_, dir_);
        ASSERT_TRUE(setup.connected());
        Statement s(env_, setup.handle());
        ASSERT_EQ("ok", s.run("CREATE TABLE shared (name VARCHAR(20), n NUMERIC(8,0))"));
    }
    std::vector<std::string> failures = together([&](int i, std::vector<std::string>& failed) {
        Connection connection(env_, dir_);
        if (!connection.connected()) {
            failed.push_back("connect: " + connection.failure());
            return;
        }
        Statement s(env_, connection.handle());
        std::string own = "own" + std::to_string(i);
        expectOk(failed, s.run("CREATE TABLE " + own + " (n NUMERIC(8,0))"));
        for (int n = 0; n < ROWS_PER_THREAD; ++n) {
            expectOk(failed, s.run("INSERT INTO shared VALUES (" + rowValues(i, n) + ")"));
            expectOk(failed, s.run("INSERT INTO " + own + " VALUES (" + std::to_string(n) + ")"));
            if (n % 5 == 0)
                readWords(s, failed);
        }
        std::vector<std::string> mine = s.column("SELECT n FROM " + own);
        if (mine.size() != ROWS_PER_THREAD)
            failed.push_back(own + ": " + std::to_string(mine.size()) + " rows");
    });
    for (const std::string& failure : failures)
        ADD_FAILURE() << failure;
    Connection check(env_, dir_);
    Statement s(env_, check.handle());
    expectSharedRows(s);
}

TEST_F(TextConcurrency, EightThreadsSharingOneConnection) {
    Connection connection(env_, dir_);
    ASSERT_TRUE(connection.connected());
    {
        Statement s(env_, connection.handle());
        ASSERT_EQ("ok", s.run("CREATE TABLE shared (name VARCHAR(20), n NUMERIC(8,0))"));
    }
    std::vector<std::string> failures = together([&](int i, std::vector<std::string>& failed) {
        // Two statements of each thread, used in turn.
        Statement reader(env_, connection.handle());
        Statement writer(env_, connection.handle());
        for (int n = 0; n < ROWS_PER_THREAD; ++n) {
            expectOk(failed, writer.run("INSERT INTO shared VALUES (" + rowValues(i, n) + ")"));
            if (n % 3 == 0)
                readWords(reader, failed);
            if (n % 8 == 0) {
                std::vector<std::string> names = reader.column("SELECT name FROM shared");
                for (const std::string& name : names)
                    if (name.empty() || name[0] != 't' || name.find('-') == std::string::npos) {
                        failed.push_back("torn row: " + name);
                        break;
                    }
            }
        }
    });
    for (const std::string& failure : failures)
        ADD_FAILURE() << failure;
    Statement s(env_, connection.handle());
    expectSharedRows(s);
}

// A second process appends rows one by one while this one reads the table
// again and again: each reading sees whole rows, never fewer than before.
TEST_F(TextConcurrency, TwoProcessesReadWhileAppending) {
    {
        Connection setup(env_, dir_);
        Statement s(env_, setup.handle());
        ASSERT_EQ("ok", s.run("CREATE TABLE log (name VARCHAR(20), n NUMERIC(8,0))"));
    }
    constexpr int APPENDED = 200;
    std::fflush(nullptr);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int status = 0;
        {
            Connection connection(env_, dir_);
            Statement s(env_, connection.handle());
            for (int n = 0; n < APPENDED && status == 0; ++n)
                if (s.run("INSERT INTO log VALUES (" + rowValues(1, n) + ")") != "ok")
                    status = 1;
        }
        _exit(status);
    }
    Connection connection(env_, dir_);
    Statement s(env_, connection.handle());
    std::size_t seen = 0;
    int readings = 0;
    for (;; ++readings) {
        int childStatus = 0;
        bool done = waitpid(child, &childStatus, WNOHANG) == child;
        std::vector<std::string> names = s.column("SELECT name FROM log");
        ASSERT_TRUE(names.empty() || names[0].rfind("E:", 0) != 0) << names[0];
        ASSERT_GE(names.size(), seen);
        for (std::size_t n = 0; n < names.size(); ++n)
            ASSERT_EQ("t1-" + std::to_string(n), names[n]) << "reading " << readings;
        seen = names.size();
        if (done) {
            ASSERT_TRUE(WIFEXITED(childStatus));
            EXPECT_EQ(0, WEXITSTATUS(childStatus));
            break;
        }
    }
    EXPECT_EQ(static_cast<std::size_t>(APPENDED), s.column("SELECT name FROM log").size());
}

} // namespace
