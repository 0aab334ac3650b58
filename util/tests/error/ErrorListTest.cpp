// Error records, lists and the per-thread current list.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "error/utlMessages.h"
#include "util/VxError.h"

namespace {

// Makes a fresh list current for one test.
struct ErrorListTest : ::testing::Test {
    VxErrorList list{nullptr, 1};
    void SetUp() override { VxErrorKeeper::setErrorList(&list); }
    void TearDown() override { VxErrorKeeper::giveUpErrorList(); }
};

std::string takeFirst(VxErrorList& list) {
    VxError* e = list.removeFirstError();
    std::string text = e ? e->getErrorText() : "<none>";
    VxError::release(e);
    return text;
}

TEST_F(ErrorListTest, MixFollowsWarningsAndErrors) {
    EXPECT_EQ(list.getErrorsMix(), ERRORS_MIX_NONE);
    VxErrorKeeper::addMemoryError();
    EXPECT_EQ(list.getErrorsMix(), ERRORS_MIX_NONE) << "a pending allocation failure is no node";
    list.deleteNodes();
    addWarning(1506);
    EXPECT_EQ(list.getErrorsMix(), ERRORS_MIX_WARNINGS);
    addError(1507);
    EXPECT_EQ(list.getErrorsMix(), ERRORS_MIX_BOTH);
    list.deleteNodes();
    addError(1507);
    EXPECT_EQ(list.getErrorsMix(), ERRORS_MIX_ERRORS);
}

TEST_F(ErrorListTest, RecordsComeOutInRaisingOrderWithTheirNumbers) {
    addError(1509) << "a.txt";
    addError(30042) << "old"
                    << "new";
    ASSERT_EQ(list.getCount(), 2u);
    VxError* first = list.removeFirstError();
    EXPECT_EQ(first->getNumber(), 1509);
    EXPECT_STREQ(first->getErrorText(), "File not found 'a.txt'.");
    EXPECT_FALSE(first->isWarning());
    VxError::release(first);
    EXPECT_EQ(takeFirst(list), "Cannot rename 'old' to 'new'.");
    EXPECT_EQ(list.removeFirstError(), nullptr);
}

TEST_F(ErrorListTest, OutOfMemoryComesOutFirstAndIsStatic) {
    addError(1507);
    VxErrorKeeper::addMemoryError();
    EXPECT_TRUE(VxErrorKeeper::getLastError()->isOutOfMemory());
    VxError* oom = list.removeFirstError();
    ASSERT_NE(oom, nullptr);
    EXPECT_EQ(oom->getNumber(), 30190);
    EXPECT_STREQ(oom->getErrorText(), "Out Of Memory");
    EXPECT_TRUE(oom->isStatic());
    VxError::release(oom); // must not delete the static record
    EXPECT_EQ(takeFirst(list), "Invalid file handle.");
    EXPECT_EQ(list.removeFirstError(), nullptr);
    EXPECT_STREQ(VxError::outOfMemoryError().getErrorText(), "Out Of Memory");
}

TEST(ErrorKeepFirst, SecondErrorGoesToTheSinkButWarningsStay) {
    VxErrorList list(nullptr, 0);
    VxErrorListScope scope(&list);
    addError(1509) << "first";
    VxError& refused = addError(1509);
    EXPECT_TRUE(refused.isSink());
    refused << "ignored" << 12L;
    EXPECT_STREQ(VxError::sinkError().getErrorText(), "");
    EXPECT_EQ(list.getCount(), 1u);
    addWarning(1506);
    EXPECT_EQ(list.getCount(), 2u);
    EXPECT_EQ(list.getErrorsMix(), ERRORS_MIX_BOTH);
}

TEST(ErrorKeepFirst, MemoryErrorReplacesTheErrorOfAKeepFirstList) {
    VxErrorList list(nullptr, 2); // only bit 0 counts: keeps the first error only
    VxErrorListScope scope(&list);
    addError(1507);
    VxErrorKeeper::addMemoryError();
    EXPECT_EQ(list.getCount(), 0u);
    EXPECT_TRUE(list.hasPendingOutOfMemory());
}

// A record that tells when it is destroyed.
struct ProbeError : VxError {
    explicit ProbeError(bool* gone) : VxError(1507, "probe", ERROR_TYPE_ERROR), gone_(gone) {}
    ~ProbeError() override { *gone_ = true; }
    bool* gone_;
};

TEST(ErrorNoList, AddingWithoutAListGivesTheSink) {
    ASSERT_EQ(VxErrorKeeper::getErrorList(), nullptr);
    VxError& e = addError(1509) << "x";
    EXPECT_TRUE(e.isSink());
    VxErrorKeeper::addMemoryError(); // nothing happens
    EXPECT_EQ(VxErrorKeeper::getLastError(), nullptr);
}

TEST(ErrorNoList, RecordsThatNoListTakesAreFreed) {
    bool gone = false;
    EXPECT_TRUE(VxErrorKeeper::addError(new ProbeError(&gone)).isSink());
    EXPECT_TRUE(gone) << "without a current list the record is freed, not leaked";

    VxErrorList keepFirst(nullptr, 0);
    VxErrorListScope scope(&keepFirst);
    bool kept = false;
    VxErrorKeeper::addError(new ProbeError(&kept));
    gone = false;
    EXPECT_TRUE(VxErrorKeeper::addError(new ProbeError(&gone)).isSink());
    EXPECT_TRUE(gone) << "a refused second error is freed";
    EXPECT_FALSE(kept);
    EXPECT_TRUE(VxErrorKeeper::addError(nullptr).isSink());
    keepFirst.deleteNodes();
    EXPECT_TRUE(kept);
}

TEST(ErrorKeeperStack, ListsNestAndEachThreadHasItsOwn) {
    VxErrorList outer(reinterpret_cast<void*>(0x10), 1);
    VxErrorList inner(reinterpret_cast<void*>(0x20), 1);
    VxErrorKeeper::setErrorList(&outer);
    VxErrorKeeper::setErrorList(&inner);
    EXPECT_EQ(VxErrorKeeper::getOwnerOfList(), reinterpret_cast<void*>(0x20));
    addError(1507);
    std::thread other([] { EXPECT_EQ(VxErrorKeeper::getErrorList(), nullptr); });
    other.join();
    EXPECT_EQ(VxErrorKeeper::giveUpErrorList(), &inner);
    EXPECT_EQ(VxErrorKeeper::getOwnerOfList(), reinterpret_cast<void*>(0x10));
    EXPECT_EQ(outer.getCount(), 0u);
    EXPECT_EQ(inner.getCount(), 1u);
    EXPECT_EQ(VxErrorKeeper::giveUpErrorList(), &outer);
    EXPECT_EQ(VxErrorKeeper::getErrorList(), nullptr);
}

TEST_F(ErrorListTest, LastErrorOperations) {
    EXPECT_EQ(VxErrorKeeper::getLastErrorNumber(), 0);
    addError(1509) << "f";
    addError(1524) << "g";
    EXPECT_EQ(VxErrorKeeper::getLastErrorNumber(), 1524);
    VxErrorKeeper::setLastErrorType(ERROR_TYPE_WARNING);
    EXPECT_TRUE(VxErrorKeeper::getLastError()->isWarning());
    VxErrorKeeper::setLastErrorType(static_cast<ErrorType>(7));
    EXPECT_FALSE(VxErrorKeeper::getLastError()->isWarning());
    VxErrorKeeper::clearLastError();
    EXPECT_EQ(VxErrorKeeper::getLastErrorNumber(), 1509);
}

TEST_F(ErrorListTest, AppendedTextHasItsOwnParameterNumbering) {
    addError(1509) << "a.txt";
    appendErrorText(1508) << "b.txt";
    EXPECT_STREQ(VxErrorKeeper::getLastError()->getErrorText(),
                 "File not found 'a.txt'.Access to file denied 'b.txt'.");
}

TEST_F(ErrorListTest, PositionOperations) {
    addError(0, "one");
    addError(0, "two");
    addError(0, "three");
    list.setWarningAfterPos(0);
    EXPECT_FALSE(list.getErrorAtPos(0)->isWarning());
    EXPECT_TRUE(list.getErrorAtPos(1)->isWarning());
    EXPECT_TRUE(list.getErrorAtPos(2)->isWarning());
    list.appendTextStartingAtPos("!", 1);
    appendErrorTextAtPos(1516, 0);
    EXPECT_STREQ(list.getErrorAtPos(0)->getErrorText(), "oneNot a DOS disk");
    EXPECT_STREQ(list.getErrorAtPos(1)->getErrorText(), "two!");
    EXPECT_STREQ(list.getErrorAtPos(2)->getErrorText(), "three!");
}

TEST_F(ErrorListTest, ConcatErrorsSeparatesWithoutTrailingSeparator) {
    addError(0, "first");
    addError(0, "second");
    VxString out;
    ASSERT_EQ(list.concatErrors(out, '\n'), VX_SUCCESS);
    EXPECT_STREQ(out.getText(), "first\nsecond");
}

TEST_F(ErrorListTest, DatabaseErrorsKeepNativeCodeAndType) {
    addDatabaseError(4, -1205, "deadlock", ERROR_TYPE_WARNING);
    VxError* e = VxErrorKeeper::getLastError();
    EXPECT_EQ(e->getNativeError(), -1205);
    EXPECT_EQ(e->getNumber(), 4);
    EXPECT_EQ(e->getSqlStateId(), 0);
    EXPECT_TRUE(e->isWarning());
    e->setSqlState("42S02xyz");
    EXPECT_STREQ(e->getSqlState(), "42S02");
}

TEST(MessageTable, RaiseFunctionsCutLongMessagesToTheirBuffer) {
    // Every foundation message fits the 256-byte buffer its raise functions use.
    const VxMessageTable& table = utlMessageTable();
    for (unsigned id = 0; id < 65536; ++id) {
        const char* text = table.find(id);
        if (text) {
            EXPECT_LT(std::strlen(text), UTL_MESSAGE_BUFFER) << id;
        }
    }

    const std::string longText(1500, 'm');
    const VxMessage messages[] = {{7, "short %s1"}, {8, longText.c_str()}};
    const VxMessageTable own(messages, 2);
    VxErrorList list(nullptr, 1);
    VxErrorListScope scope(&list);
    vxRaiseMessage(own, 8, ERROR_TYPE_ERROR, 256);
    EXPECT_EQ(std::string(VxErrorKeeper::getLastError()->getErrorText()), longText.substr(0, 255));
    vxAppendMessage(own, 8, 256);
    EXPECT_EQ(std::strlen(VxErrorKeeper::getLastError()->getErrorText()), 510u);
    vxRaiseMessage(own, 8, ERROR_TYPE_WARNING, 100000);
    EXPECT_EQ(std::strlen(VxErrorKeeper::getLastError()->getErrorText()), 1023u)
        << "a larger buffer asked for is still bounded";
    vxAppendMessageAtPos(own, 7, 0, 256);
    vxRaiseMessage(own, 9, ERROR_TYPE_ERROR, 256) << "x";
    EXPECT_STREQ(VxErrorKeeper::getLastError()->getErrorText(), "") << "a missing id gives no text";
    ASSERT_EQ(list.getCount(), 3u);
    EXPECT_EQ(std::string(list.getErrorAtPos(0)->getErrorText()).substr(505), "mmmmmshort %s1");
}

TEST(MessageTable, EveryFoundationTextIsPresentAndBounded) {
    const VxMessageTable& table = utlMessageTable();
    EXPECT_STREQ(table.find(2716), "Cannot handle strings larger than 65500 bytes.");
    EXPECT_STREQ(table.find(2705), "Error parsing %s2 at offset %n1.");
    EXPECT_STREQ(table.find(21800), "&");
    EXPECT_EQ(table.find(1505), nullptr);
    char small[8];
    EXPECT_EQ(table.load(1509, small, sizeof small), 7u);
    EXPECT_STREQ(small, "File no");
    EXPECT_EQ(table.load(1505, small, sizeof small), 0u);
    EXPECT_STREQ(small, "");
}

} // namespace
