// The handle classes called directly: busy marks, closing cursors, the
// resume stack, buffered options and the task's shared connection.
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <thread>

#include "TstConnection.h"
#include "TstStatement.h"
#include "base/BaseDriver.h"
#include "base/BaseEnv.h"
#include "base/BaseErrors.h"

namespace {

class HandleTest : public ::testing::Test {
protected:
    BaseEnv env_{static_cast<OdbcDriverNumber>(99)};
};

TEST_F(HandleTest, ConnectionsAreCountedAndOwnTheirStatements) {
    auto* connection = new TstConnection(env_);
    EXPECT_EQ(1u, env_.getConnectionCount());
    auto* first = new TstStatement(*connection);
    auto* second = new TstStatement(*connection);
    auto* third = new TstStatement(*connection);
    EXPECT_EQ(3u, connection->getStatementCount());
    delete second;
    EXPECT_EQ(first, connection->getStatementAtPos(0));
    EXPECT_EQ(third, connection->getStatementAtPos(1));
    EXPECT_EQ(&connection->getErrorList(),
              static_cast<void*>(first->getErrorList().getOwner()) == connection
                  ? &connection->getErrorList()
                  : nullptr);
    delete connection;
    EXPECT_EQ(0u, env_.getConnectionCount());
}

TEST_F(HandleTest, ConnectionWideChecksWaitForEveryStatement) {
    TstConnection connection(env_);
    auto* statement = new TstStatement(connection);
    auto* other = new TstStatement(connection);

    ASSERT_FALSE(statement->threadCheck());
    EXPECT_TRUE(statement->threadCheck());
    EXPECT_TRUE(connection.threadCheck(THREAD_CHECK_CONNECTION_WIDE));
    EXPECT_FALSE(connection.isBusy());
    ASSERT_FALSE(connection.threadCheck(THREAD_CHECK_CONNECTION));
    EXPECT_FALSE(other->isBusy());
    connection.threadDone();
    statement->threadDone();

    ASSERT_FALSE(connection.threadCheck(THREAD_CHECK_CONNECTION_WIDE));
    EXPECT_TRUE(statement->isBusy());
    EXPECT_TRUE(other->threadCheck());
    EXPECT_TRUE(connection.threadCheck(THREAD_CHECK_CONNECTION));
    connection.threadDone();
    EXPECT_FALSE(statement->isBusy());
    EXPECT_FALSE(other->isBusy());
    EXPECT_FALSE(connection.isBusy());
}

// A statement call marks itself busy without the handle mutex: racing a
// connection-wide call, exactly one of them may own the statement at any
// time, and the loser leaves no mark behind.
TEST_F(HandleTest, StatementAndConnectionWideCallsNeverOwnAStatementTogether) {
    TstConnection connection(env_);
    auto* statement = new TstStatement(connection);
    auto* other = new TstStatement(connection);
    std::atomic<int> owners{0};
    std::atomic<bool> overlap{false};
    auto own = [&] {
        if (owners.fetch_add(1) != 0)
            overlap = true;
        owners.fetch_sub(1);
    };
    std::thread statementCalls([&] {
        for (int i = 0; i < 1000000; ++i)
            if (!statement->threadCheck()) {
                own();
                statement->threadDone();
            }
    });
    for (int i = 0; i < 1000000; ++i)
        if (!connection.threadCheck(THREAD_CHECK_CONNECTION_WIDE)) {
            own();
            connection.threadDone();
        }
    statementCalls.join();
    EXPECT_FALSE(overlap.load());
    EXPECT_FALSE(statement->isBusy());
    EXPECT_FALSE(other->isBusy());
    EXPECT_FALSE(connection.isBusy());
}

TEST_F(HandleTest, ClosingACursorReturnsToThePreparedOrAllocatedState) {
    TstConnection connection(env_);
    TstStatement statement(connection);
    statement.setPrepareMode(BaseStatement::PREPARE_PREPARED);
    statement.setState(BaseStatement::STMT_CURSOR_OPEN);
    EXPECT_EQ(SQL_SUCCESS, statement.SQLFreeStmt(SQL_CLOSE));
    EXPECT_EQ(BaseStatement::STMT_PREPARED, statement.getState());
    EXPECT_EQ(0, statement.allocatedStateCalls_);

    statement.setPrepareMode(BaseStatement::PREPARE_DIRECT);
    statement.setState(BaseStatement::STMT_EXECUTED);
    // A cancel with nothing pending closes the cursor; its 01S05 record is
    // readable, the call itself succeeds.
    EXPECT_EQ(SQL_SUCCESS, statement.SQLCancel());
    EXPECT_EQ(1u, statement.getErrorList().getCount());
    EXPECT_EQ(BaseStatement::STMT_ALLOCATED, statement.getState());
    EXPECT_EQ(BaseStatement::PREPARE_NONE, statement.getPrepareMode());
    EXPECT_EQ(1, statement.allocatedStateCalls_);

    // Nothing to close: no hook runs.
    EXPECT_EQ(SQL_SUCCESS, statement.SQLFreeStmt(SQL_CLOSE));
    EXPECT_EQ(1, statement.allocatedStateCalls_);
}

TEST_F(HandleTest, CancelOfAPendingOperationTheDriverCannotCancelIsNotCapable) {
    TstConnection connection(env_);
    TstStatement statement(connection);
    statement.setFlag(BaseStatement::STMT_ASYNC_PENDING, true);
    EXPECT_EQ(SQL_ERROR, statement.SQLCancel());
    EXPECT_EQ(1u, statement.getErrorList().getCount());
    EXPECT_TRUE(statement.hasFlag(BaseStatement::STMT_ASYNC_PENDING));
}

TEST(BaseResumeStack, PointersSurviveAndComeBackInReverseOrder) {
    BaseResumeStack stack;
    int anchor = 0;
    const std::uintptr_t wide = UINTPTR_MAX - 7;
    for (int i = 0; i < 20; ++i)
        ASSERT_EQ(VX_SUCCESS, stack.push(static_cast<std::uintptr_t>(i)));
    ASSERT_EQ(VX_SUCCESS, stack.pushPointer(&anchor));
    ASSERT_EQ(VX_SUCCESS, stack.push(wide));
    std::uintptr_t value = 0;
    ASSERT_TRUE(stack.pop(&value));
    EXPECT_EQ(wide, value);
    ASSERT_TRUE(stack.pop(&value));
    EXPECT_EQ(&anchor, reinterpret_cast<int*>(value));
    for (int i = 19; i >= 0; --i) {
        ASSERT_TRUE(stack.pop(&value));
        EXPECT_EQ(static_cast<std::uintptr_t>(i), value);
    }
    value = 42;
    EXPECT_FALSE(stack.pop(&value));
    EXPECT_EQ(42u, value);
}

TEST_F(HandleTest, BufferedOptionsAnswerWithTheFirstPairRecorded) {
    TstConnection connection(env_);
    EXPECT_EQ(nullptr, connection.getSavedConnectOption(SQL_AUTOCOMMIT));
    ASSERT_EQ(VX_SUCCESS, connection.addBufferedOption(SQL_AUTOCOMMIT, 0));
    ASSERT_EQ(VX_SUCCESS, connection.addBufferedOption(SQL_ACCESS_MODE, 1));
    ASSERT_EQ(VX_SUCCESS, connection.addBufferedOption(SQL_AUTOCOMMIT, 1));
    const BaseBufferedOption* saved = connection.getSavedConnectOption(SQL_AUTOCOMMIT);
    ASSERT_NE(nullptr, saved);
    EXPECT_EQ(0u, saved->value);
    EXPECT_EQ(3u, connection.getBufferedOptionCount());
    connection.deleteBufferedOptions();
    EXPECT_EQ(nullptr, connection.getSavedConnectOption(SQL_ACCESS_MODE));
}

TEST(SharedConnection, LaterAllocationsShareItUntilTheCountIsFull) {
    BaseDriver& driver = baseGetDriver();
    SQLHENV henv = nullptr;
    ASSERT_EQ(SQL_SUCCESS, driver.allocEnv(&henv));
    SQLHDBC shared = nullptr;
    ASSERT_EQ(SQL_SUCCESS, driver.allocConnect(henv, &shared));
    auto* connection = static_cast<BaseConnection*>(shared);
    connection->setWorkArounds(4);
    driver.recordSharedConnection(*connection);

    SQLHDBC again = nullptr;
    for (unsigned i = 1; i <= 15; ++i) {
        ASSERT_EQ(SQL_SUCCESS, driver.allocConnect(henv, &again));
        EXPECT_EQ(shared, again);
        EXPECT_EQ(i, connection->getShareCount());
    }
    EXPECT_EQ(4u, connection->getWorkArounds() & 0xFFF);
    // A sixteenth extra handle would overflow the count: a connection of its own.
    SQLHDBC own = nullptr;
    ASSERT_EQ(SQL_SUCCESS, driver.allocConnect(henv, &own));
    EXPECT_NE(shared, own);
    EXPECT_EQ(SQL_SUCCESS, driver.freeConnect(own));

    for (unsigned i = 15; i >= 1; --i) {
        EXPECT_EQ(SQL_SUCCESS, driver.freeConnect(shared));
        EXPECT_EQ(i - 1, connection->getShareCount());
    }
    EXPECT_EQ(connection, driver.getSharedConnection());
    // The last free destroys it and forgets the record.
    EXPECT_EQ(SQL_SUCCESS, driver.freeConnect(shared));
    EXPECT_EQ(nullptr, driver.getSharedConnection());
    SQLHDBC fresh = nullptr;
    ASSERT_EQ(SQL_SUCCESS, driver.allocConnect(henv, &fresh));
    EXPECT_EQ(0u, static_cast<BaseConnection*>(fresh)->getShareCount());
    EXPECT_EQ(SQL_SUCCESS, driver.freeConnect(fresh));
    EXPECT_EQ(SQL_SUCCESS, driver.freeEnv(henv));
}

TEST_F(HandleTest, PendingOperationBelongsToOneFunction) {
    TstConnection connection(env_);
    auto* statement = new TstStatement(connection);
    VxErrorListScope scope(&statement->getErrorList());
    ASSERT_EQ(VX_SUCCESS, statement->getResumeStack().push(42));
    EXPECT_EQ(SQL_STILL_EXECUTING, statement->suspendAsync(SQL_API_SQLEXECUTE, 7));
    bool resuming = true;
    EXPECT_EQ(VX_ERROR, statement->beginAsyncCall(SQL_API_SQLFETCH, &resuming));
    EXPECT_FALSE(resuming);
    EXPECT_EQ(ODBC_S1010, statement->getErrorList().getLastError()->getSqlStateId());
    EXPECT_EQ(VX_SUCCESS, statement->beginAsyncCall(SQL_API_SQLEXECUTE, &resuming));
    EXPECT_TRUE(resuming);
    EXPECT_EQ(7u, statement->popResumePoint());
    std::uintptr_t value = 0;
    EXPECT_TRUE(statement->getResumeStack().pop(&value));
    EXPECT_EQ(42u, value);
    statement->endAsync();
    EXPECT_EQ(VX_SUCCESS, statement->beginAsyncCall(SQL_API_SQLFETCH, &resuming));
    EXPECT_FALSE(resuming);
}

// The position of a virtual function in its class's table, from the
// pointer-to-member representation (offset in bytes plus one).
template <typename Method> std::size_t slotOf(Method method) {
    struct Raw {
        std::uintptr_t pointer;
        std::ptrdiff_t adjust;
    };
    static_assert(sizeof(Method) == sizeof(Raw), "unexpected member-pointer layout");
    Raw raw;
    std::memcpy(&raw, &method, sizeof raw);
    return (raw.pointer - 1) / sizeof(void*);
}

// Drivers built separately rely on the order of the virtual functions. The
// destructor takes two entries here, so documented slot N is entry N + 1.
TEST(HandleSlots, VirtualFunctionsKeepTheirOrder) {
    EXPECT_EQ(2u, slotOf(&VxObject::compare));
    EXPECT_EQ(3u, slotOf(&BaseEnv::initialize));
    EXPECT_EQ(3u, slotOf(&BaseConnection::SQLBrowseConnect));
    EXPECT_EQ(12u, slotOf(&BaseConnection::SQLTransact));
    EXPECT_EQ(13u, slotOf(&BaseConnection::getDllName));
    EXPECT_EQ(18u, slotOf(&BaseConnection::getDriverResourceStr));
    EXPECT_EQ(23u, slotOf(&BaseConnection::getConnectOption));
    EXPECT_EQ(27u, slotOf(&BaseConnection::initialize));
    EXPECT_EQ(29u, slotOf(&BaseConnection::processBrowse));
    EXPECT_EQ(3u, slotOf(&BaseStatement::SQLBindCol));
    EXPECT_EQ(15u, slotOf(&BaseStatement::SQLFreeStmt));
    EXPECT_EQ(38u, slotOf(&BaseStatement::SQLTables));
    EXPECT_EQ(39u, slotOf(&BaseStatement::prepareCompile));
    EXPECT_EQ(53u, slotOf(&BaseStatement::fetchRow));
    EXPECT_EQ(58u, slotOf(&BaseStatement::nonStdColAttributes));
    EXPECT_EQ(69u, slotOf(&BaseStatement::getStmtOption));
    EXPECT_EQ(79u, slotOf(&BaseStatement::updateRow));
    EXPECT_EQ(80u, slotOf(&BaseStatement::initialize));
}

} // namespace
