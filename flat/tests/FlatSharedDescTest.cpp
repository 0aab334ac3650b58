// Shared table descriptions: sharing between cursors, the cache of closed
// tables, field lookup, the ordered table list and the record-lock tree.
#include <sqlext.h>

#include <cstring>

#include "FlatConnTestSupport.h"
#include "flat/FlatCursor.h"
#include "flat/FlatSharedField.h"
#include "util/VxArray.h"

namespace {

class SharedDescTest : public FlatConnFixture {
protected:
    void SetUp() override {
        FlatConnFixture::SetUp();
        defineSample("T1");
        defineSample("T2");
        defineSample("T3");
        defineSample("T4");
        defineSample("T5");
    }
    FlatSharedDesc* descOf(FlatCursor* cursor) { return cursor->getFileClass(); }
};

TEST_F(SharedDescTest, CursorsOfOneTableShareItsDescription) {
    FlatCursor* first = open("T1");
    FlatCursor* second = open("t1");
    ASSERT_TRUE(first && second);
    EXPECT_EQ(descOf(first), descOf(second));
    EXPECT_EQ(2, descOf(first)->getOpenCount());
    EXPECT_EQ(1, connection_->calls.descsCreated);
    FlatSharedDesc* shared = descOf(first);
    delete first;
    EXPECT_EQ(1, shared->getOpenCount());
    EXPECT_EQ(0, connection_->calls.descsDestroyed);
    EXPECT_EQ(2, second->getNumFields());
    delete second;
}

TEST_F(SharedDescTest, DescriptionsAreNumberedInCreationOrderFromOne) {
    FlatCursor* a = open("T2");
    FlatCursor* b = open("T1");
    ASSERT_TRUE(a && b);
    EXPECT_EQ(1u, descOf(a)->getDescNumber());
    EXPECT_EQ(2u, descOf(b)->getDescNumber());
    EXPECT_EQ(descOf(b), connection_->getFirstSharedDesc()); // newest first
    delete a;
    delete b;
}

TEST_F(SharedDescTest, WithoutCacheTheLastCloseDestroysTheDescription) {
    FlatCursor* cursor = open("T1");
    ASSERT_TRUE(cursor);
    delete cursor;
    EXPECT_EQ(1, connection_->calls.descsDestroyed);
    EXPECT_EQ(nullptr, connection_->getFirstSharedDesc());
    // Reopening reads the description again.
    delete open("T1");
    EXPECT_EQ(2, connection_->calls.descsCreated);
}

TEST_F(SharedDescTest, FileOpenCacheKeepsTheMostRecentlyClosed) {
    connection_->setFileOpenCache(2);
    for (const char* name : {"T1", "T2", "T3"})
        delete open(name);
    // T3 and T2 stay cached, T1 was evicted.
    EXPECT_EQ(2, connection_->getSharedDescCount());
    EXPECT_EQ(1, connection_->calls.descsDestroyed);
    EXPECT_STREQ("T3", connection_->getFirstSharedDesc()->getTableName());
    // A cached table is reused without reading it again.
    FlatCursor* again = open("T2");
    EXPECT_EQ(3, connection_->calls.descsCreated);
    delete again;
}

TEST_F(SharedDescTest, PreferredDescriptionsStayUpToThree) {
    for (const char* name : {"T1", "T2", "T3", "T4"})
        connection_->find(name)->descFlags = FlatSharedDesc::DESC_PREFER_CACHE;
    for (const char* name : {"T1", "T2", "T3", "T4"})
        delete open(name);
    EXPECT_EQ(3, connection_->getSharedDescCount());
    delete open("T5"); // not preferred: destroyed at once
    EXPECT_EQ(3, connection_->getSharedDescCount());
}

TEST_F(SharedDescTest, PinnedAndDestroyOnCloseDescriptions) {
    connection_->setFileOpenCache(5);
    connection_->find("T1")->descFlags = FlatSharedDesc::DESC_DESTROY_ON_CLOSE;
    delete open("T1");
    EXPECT_EQ(0, connection_->getSharedDescCount());

    FlatCursor* cursor = open("T2");
    ASSERT_TRUE(cursor);
    FlatSharedDesc* pinned = descOf(cursor);
    pinned->setFlag(FlatSharedDesc::DESC_PINNED, true);
    connection_->setFileOpenCache(0);
    delete cursor;
    // Pinned: neither the close nor a forced removal takes it away.
    connection_->removeSharedDesc(pinned, true, false);
    EXPECT_EQ(1, connection_->getSharedDescCount());
    pinned->setFlag(FlatSharedDesc::DESC_PINNED, false);
    connection_->removeSharedDesc(pinned, true, false);
    EXPECT_EQ(0, connection_->getSharedDescCount());
}

TEST_F(SharedDescTest, IsFileOpenDropsCachedDescriptionsOfThePath) {
    connection_->setFileOpenCache(3);
    delete open("T1");
    FlatCursor* held = open("T2");
    ASSERT_TRUE(held);
    EXPECT_FALSE(connection_->isFileOpen("/fake/T1.TXT"));
    EXPECT_EQ(1, connection_->getSharedDescCount()); // the cached T1 is gone
    EXPECT_TRUE(connection_->isFileOpen("/fake/T2.TXT"));
    EXPECT_FALSE(connection_->isFileOpen("/fake/T9.TXT"));
    delete held;
}

TEST_F(SharedDescTest, DisconnectReleasesEveryDescription) {
    connection_->setFileOpenCache(5);
    delete open("T1");
    delete open("T2");
    ASSERT_EQ(VX_SUCCESS, connection_->setToAllocatedState());
    EXPECT_EQ(0, connection_->getSharedDescCount());
    EXPECT_EQ(2, connection_->calls.descsDestroyed);
}

TEST_F(SharedDescTest, IdentifiersComeFromTheFullPath) {
    FlatSharedDesc desc(connection_);
    ASSERT_EQ(VX_SUCCESS, desc.setIdentifiers("/data/sales/ORDERS.TXT"));
    EXPECT_STREQ("/data/sales/ORDERS.TXT", desc.getFullPath());
    EXPECT_STREQ("ORDERS", desc.getTableName());
    EXPECT_STREQ("/data/sales", desc.getQualifier());
    ASSERT_EQ(VX_SUCCESS, desc.setQualifier("C:\\dir\\"));
    EXPECT_STREQ("C:\\dir", desc.getQualifier());
}

TEST_F(SharedDescTest, FindFieldFollowsTheConnectionsIdentifierRules) {
    connection_->define("R", {{"Name"}, {"ROWID"}}, {});
    connection_->define("S", {{"Name"}}, {});
    FlatCursor* r = open("R");
    FlatCursor* s = open("S");
    ASSERT_TRUE(r && s);
    EXPECT_EQ(0, s->findField("Name"));
    EXPECT_EQ(FlatCursor::FIELD_NOT_FOUND, s->findField("NAME"));
    connection_->setFlatFlag(FlatConnection::FLAT_CASE_INSENSITIVE_IDS, true);
    EXPECT_EQ(0, s->findField("NAME"));
    // ROWID only when the connection offers it; a real column wins.
    EXPECT_EQ(FlatCursor::FIELD_NOT_FOUND, s->findField("rowid"));
    connection_->setFlatFlag(FlatConnection::FLAT_ROWID, true);
    EXPECT_EQ(FlatCursor::FIELD_ROWID, s->findField("rowid"));
    EXPECT_EQ(1, r->findField("rowid"));
    delete r;
    delete s;
}

TEST_F(SharedDescTest, TableListIsAscendingWithoutDuplicates) {
    FlatCursor* t1 = open("T1");
    FlatCursor* t2 = open("T2");
    FlatCursor* t3 = open("T3");
    FlatCursor* t2b = open("T2");
    VxArray list(4, false);
    for (FlatCursor* cursor : {t3, t1, t2b, t2, t1})
        ASSERT_EQ(VX_SUCCESS, cursor->addTableToList(&list));
    ASSERT_EQ(3, list.getCount());
    for (std::uint16_t i = 0; i < 3; ++i)
        EXPECT_EQ(i + 1u, static_cast<FlatSharedDesc*>(list.get(i))->getDescNumber());
    for (FlatCursor* cursor : {t1, t2, t3, t2b})
        delete cursor;
}

TEST_F(SharedDescTest, ReadOnlyConnectionMakesEveryColumnReadOnly) {
    FlatCursor* cursor = open("T1");
    ASSERT_TRUE(cursor);
    EXPECT_EQ(1, cursor->getFieldUpdatable(0));
    EXPECT_FALSE(cursor->isReadOnly());
    connection_->setFlatFlag(FlatConnection::FLAT_READ_ONLY, true);
    EXPECT_EQ(SQL_ATTR_READONLY, cursor->getFieldUpdatable(0));
    EXPECT_TRUE(cursor->isReadOnly());
    delete cursor;
}

TEST_F(SharedDescTest, CursorDefaultsRefuseChangesAndEstimate1001) {
    FlatCursor* cursor = open("T1");
    ASSERT_TRUE(cursor);
    EXPECT_EQ(1001u, cursor->estimateRecordCount());
    EXPECT_EQ(VX_ERROR, cursor->insertRecord());
    EXPECT_EQ(VX_ERROR, cursor->updateRecord());
    EXPECT_EQ(VX_ERROR, cursor->updateField(0, nullptr));
    std::vector<FlatRaised> records = raised();
    ASSERT_EQ(3u, records.size());
    for (const FlatRaised& record : records)
        EXPECT_EQ("S1C00", record.state);
    delete cursor;
}

TEST_F(SharedDescTest, ValueChecksUseTheColumnsTypePrecisionAndScale) {
    connection_->define("N",
                        {{"I", SQL_INTEGER, 10}, {"D", SQL_NUMERIC, 4, 1}, {"V", SQL_VARCHAR}});
    FlatCursor* cursor = open("N");
    ASSERT_TRUE(cursor);
    FlatDataValue value;
    ASSERT_EQ(VX_SUCCESS, value.setValueCopy("123", 3, INTERNAL_CHAR));
    EXPECT_EQ(VX_SUCCESS, cursor->checkFieldValue(0, &value));
    EXPECT_EQ(VX_SUCCESS, cursor->checkFieldValue(1, &value));
    ASSERT_EQ(VX_SUCCESS, value.setValueCopy("99999999999", 11, INTERNAL_CHAR));
    EXPECT_EQ(VX_ERROR, cursor->checkFieldValue(0, &value));   // beyond 32 bits
    EXPECT_EQ(VX_SUCCESS, cursor->checkFieldValue(2, &value)); // character: no check
    raised();
    ASSERT_EQ(VX_SUCCESS, value.setValueCopy("12345", 5, INTERNAL_CHAR));
    EXPECT_EQ(VX_ERROR, cursor->checkFieldValue(1, &value)); // NUMERIC(4,1)
    value.setNull();
    EXPECT_EQ(VX_SUCCESS, cursor->checkFieldValue(0, &value));
    raised();
    delete cursor;
}

// ---- Record locks ----

class RecordLockTest : public SharedDescTest {
protected:
    void SetUp() override {
        SharedDescTest::SetUp();
        cursor_ = static_cast<FakeTableCursor*>(open("T1"));
        ASSERT_TRUE(cursor_);
        desc_ = cursor_->getFileClass();
        desc_->setLockHandleSize(2);
    }
    void TearDown() override {
        delete cursor_;
        SharedDescTest::TearDown();
    }
    std::uint32_t handle(std::uint32_t n) { return n; }

    FakeTableCursor* cursor_ = nullptr;
    FlatSharedDesc* desc_ = nullptr;
};

TEST_F(RecordLockTest, ARecordLockedTwiceReachesTheDriverOnce) {
    cursor_->positionAt(1);
    ASSERT_EQ(VX_SUCCESS, cursor_->lockCurrentRecord());
    ASSERT_EQ(VX_SUCCESS, cursor_->lockCurrentRecord());
    EXPECT_EQ(1, connection_->calls.lockRecord);
    std::uint32_t count = 0;
    std::uint32_t key = handle(1);
    ASSERT_EQ(VX_SUCCESS, desc_->getLockReferences(&key, &count));
    EXPECT_EQ(2u, count);

    ASSERT_EQ(VX_SUCCESS, cursor_->unlockRecord(&key));
    EXPECT_EQ(0, connection_->calls.releaseRecordLock);
    ASSERT_EQ(VX_SUCCESS, cursor_->unlockRecord(&key));
    EXPECT_EQ(1, connection_->calls.releaseRecordLock);
    EXPECT_EQ("BB", static_cast<FakeTableDesc*>(desc_)->lastReleasedLockHandle);
    EXPECT_EQ(0u, desc_->getLockCount());
    // An unknown handle unlocks quietly.
    EXPECT_EQ(VX_SUCCESS, cursor_->unlockRecord(&key));
}

TEST_F(RecordLockTest, DeletingALockedRecordDropsItsLockWithoutReleasingIt) {
    cursor_->positionAt(2);
    ASSERT_EQ(VX_SUCCESS, cursor_->lockCurrentRecord());
    ASSERT_EQ(VX_SUCCESS, cursor_->deleteCurrentRecord());
    EXPECT_EQ(1, connection_->calls.deleteRecord);
    EXPECT_EQ(0u, desc_->getLockCount());
    EXPECT_EQ(0, connection_->calls.releaseRecordLock);
}

TEST_F(RecordLockTest, LockHandlesCanBeReadAndReplaced) {
    cursor_->positionAt(0);
    ASSERT_EQ(VX_SUCCESS, cursor_->lockCurrentRecord());
    std::uint32_t key = handle(0);
    char lockHandle[2] = {};
    bool found = false;
    ASSERT_EQ(VX_SUCCESS, desc_->getLockHandle(&key, lockHandle, &found));
    EXPECT_TRUE(found);
    EXPECT_EQ(std::string("BB"), std::string(lockHandle, 2));
    ASSERT_EQ(VX_SUCCESS, desc_->changeLockHandle(&key, "zz"));
    ASSERT_EQ(VX_SUCCESS, desc_->getLockHandle(&key, lockHandle, &found));
    EXPECT_EQ(std::string("zz"), std::string(lockHandle, 2));
    std::uint32_t other = handle(7);
    ASSERT_EQ(VX_SUCCESS, desc_->getLockHandle(&other, lockHandle, &found));
    EXPECT_FALSE(found);
}

TEST_F(RecordLockTest, HeldLocksAreReleasedAllAtOnceOrOneByOne) {
    for (std::uint32_t n = 0; n < 3; ++n) {
        cursor_->positionAt(n);
        ASSERT_EQ(VX_SUCCESS, cursor_->lockCurrentRecord());
    }
    ASSERT_EQ(VX_SUCCESS, desc_->releaseHeldLocks());
    EXPECT_EQ(1, connection_->calls.releaseAllLocks);
    EXPECT_EQ(0, connection_->calls.releaseRecordLock);
    EXPECT_EQ(0u, desc_->getLockCount());

    desc_->setFlag(FlatSharedDesc::DESC_RELEASE_ALL_AT_ONCE, false);
    for (std::uint32_t n = 0; n < 3; ++n) {
        cursor_->positionAt(n);
        ASSERT_EQ(VX_SUCCESS, cursor_->lockCurrentRecord());
    }
    ASSERT_EQ(VX_SUCCESS, desc_->releaseHeldLocks());
    EXPECT_EQ(1, connection_->calls.releaseAllLocks);
    EXPECT_EQ(3, connection_->calls.releaseRecordLock);
    // Nothing held: nothing to release.
    ASSERT_EQ(VX_SUCCESS, desc_->releaseHeldLocks());
    EXPECT_EQ(3, connection_->calls.releaseRecordLock);
}

TEST_F(RecordLockTest, CommitReleasesTheLocksOfEveryTable) {
    cursor_->positionAt(0);
    ASSERT_EQ(VX_SUCCESS, cursor_->lockCurrentRecord());
    ASSERT_EQ(VX_SUCCESS, connection_->startTransaction());
    EXPECT_FALSE(connection_->hasFlatFlag(FlatConnection::FLAT_AUTOCOMMIT));
    ASSERT_EQ(VX_SUCCESS, connection_->endTransaction(0));
    EXPECT_EQ(0u, desc_->getLockCount());
    EXPECT_EQ(1, connection_->calls.releaseAllLocks);
}

} // namespace
