// The SQLSTATE and message tables, and SQLError over lists that ODBC calls
// cannot easily fill: memory errors, foundation records, named lists.
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include <cstring>
#include <string>

#include "TstConnection.h"
#include "base/BaseEnv.h"
#include "base/BaseErrorList.h"
#include "base/BaseErrors.h"

namespace {

std::string loadString(unsigned short id) {
    char buffer[BASE_RESOURCE_BUFFER];
    baseLoadString(id, buffer, sizeof buffer);
    return buffer;
}

struct Record {
    SQLRETURN rc;
    std::string sqlState;
    SQLINTEGER native;
    std::string message;
};

Record takeRecord(BaseErrorList& list) {
    SQLCHAR state[6] = {0};
    SQLCHAR message[600];
    SQLINTEGER native = -1;
    SQLSMALLINT length = 0;
    SQLRETURN rc = list.SQLError(state, &native, message, sizeof message, &length);
    return {rc, reinterpret_cast<char*>(state), native, reinterpret_cast<char*>(message)};
}

TEST(BaseStringTable, SqlStatesAndTextsSitAtTheirIds) {
    int defined = 0;
    for (unsigned short id = 1; id <= ODBC_ID_COUNT; ++id) {
        if (!baseGetSqlState(id))
            continue;
        ++defined;
        EXPECT_EQ(5u, std::strlen(baseGetSqlState(id))) << id;
        EXPECT_EQ(baseGetSqlState(id), loadString(id));
        EXPECT_EQ(baseGetSqlStateText(id), loadString(static_cast<unsigned short>(id + 99)));
    }
    EXPECT_EQ(95, defined);
    EXPECT_EQ(nullptr, baseGetSqlState(15));
    EXPECT_EQ(nullptr, baseGetSqlState(97));
    EXPECT_EQ("00000", loadString(1));
    EXPECT_EQ("Success", loadString(100));
    EXPECT_EQ("S1T00", loadString(96));
    EXPECT_EQ("Timeout expired.", loadString(195));
    EXPECT_EQ("IM001", loadString(ODBC_IM001));
    EXPECT_EQ("Driver not capable.", loadString(ODBC_S1C00 + 99));
    EXPECT_EQ("  Error in parameter %n1.", loadString(6044));
    EXPECT_EQ("Warning", loadString(6066));
    EXPECT_EQ("", loadString(6060));
    EXPECT_EQ("", loadString(6078));
}

TEST(BaseStringTable, LongTextsAreCutToTheBuffer) {
    char buffer[8];
    EXPECT_EQ(7u, baseLoadString(6013, buffer, sizeof buffer));
    EXPECT_STREQ("Insuffi", buffer);
    EXPECT_EQ(0u, baseLoadString(6013, buffer, 0));
}

class ErrorListTest : public ::testing::Test {
protected:
    BaseEnv env_{static_cast<OdbcDriverNumber>(99)};
    TstConnection connection_{env_};
};

TEST_F(ErrorListTest, RecordsWithoutOdbcIdReportGeneralErrorsWithTheirNumber) {
    BaseErrorList& list = connection_.getErrorList();
    {
        VxErrorListScope scope(&list);
        VxErrorKeeper::addError(new VxError(1509, "File not found 'x'.", ERROR_TYPE_ERROR));
        VxErrorKeeper::addMemoryError();
    }
    // The pending memory error comes out first.
    Record memory = takeRecord(list);
    EXPECT_EQ("S1001", memory.sqlState);
    EXPECT_EQ(30190, memory.native);
    EXPECT_EQ("[BRELLMONT][ODBC Test driver]Memory allocation error.", memory.message);
    Record foundation = takeRecord(list);
    EXPECT_EQ("S1000", foundation.sqlState);
    EXPECT_EQ(1509, foundation.native);
    EXPECT_EQ("[BRELLMONT][ODBC Test driver]File not found 'x'.", foundation.message);
    EXPECT_EQ(SQL_NO_DATA_FOUND, takeRecord(list).rc);
}

TEST_F(ErrorListTest, NativeErrorsNameTheDbmsOnceKnownAndEmptyTextsStayEmpty) {
    ASSERT_EQ(VX_SUCCESS, connection_.setDbmsName("SQLite"));
    BaseErrorList& list = connection_.getErrorList();
    {
        VxErrorListScope scope(&list);
        addNativeWarning(ODBC_01000, -5, "disk nearly full");
        addOdbcError(ODBC_S1000, 6060);
    }
    Record native = takeRecord(list);
    EXPECT_EQ(-5, native.native);
    EXPECT_EQ("[BRELLMONT][ODBC Test driver][SQLite]disk nearly full", native.message);
    Record empty = takeRecord(list);
    EXPECT_EQ("S1000", empty.sqlState);
    EXPECT_EQ(0, empty.native);
    EXPECT_EQ("", empty.message);
}

TEST(BaseErrorListNoOwner, NameStandsWhereTheDriverWouldBe) {
    BaseErrorList list(nullptr);
    list.setName("Setup");
    {
        VxErrorListScope scope(&list);
        addOdbcError(ODBC_IM009);
        // Driver messages need an owner to be read: the text is empty.
        addNativeResourceWarning(1200);
    }
    Record named = takeRecord(list);
    EXPECT_EQ("IM009", named.sqlState);
    EXPECT_EQ("[BRELLMONT][ODBC Setup]Unable to load translation DLL.", named.message);
    Record orphan = takeRecord(list);
    EXPECT_EQ("01000", orphan.sqlState);
    EXPECT_EQ(1200, orphan.native);
    EXPECT_EQ("", orphan.message);
}

TEST(BaseErrorListNoOwner, RaisingWithoutACurrentListStoresNothing) {
    VxError& record = addOdbcError(ODBC_S1000, 6012) << 4;
    EXPECT_TRUE(record.isStatic());
}

TEST(BaseErrorListNoOwner, CollectedMessagesAreJoinedByLineFeedsAndTakeTheRecords) {
    BaseErrorList list(nullptr);
    {
        VxErrorListScope scope(&list);
        addOdbcWarning(ODBC_01004);
        addOdbcError(ODBC_S1000);
    }
    char buffer[1024];
    std::size_t length = list.collectMessages(buffer, sizeof buffer);
    EXPECT_STREQ("[BRELLMONT][ODBC ]Data truncated.\n[BRELLMONT][ODBC ]General error.", buffer);
    EXPECT_EQ(std::strlen(buffer), length);
    EXPECT_TRUE(list.isEmpty());
}

} // namespace
