// The flat statement: statement kinds from the first words, descriptor
// hooks and their errors, the table list of a prepared statement, and
// forwarding to the descriptor.
#include <sqlext.h>

#include <cstring>

#include "FlatConnTestSupport.h"
#include "base/BaseField.h"
#include "base/BaseParam.h"
#include "base/BaseSqlString.h"
#include "flat/FlatDataValue.h"
#include "flat/FlatDescriptor.h"
#include "flat/FlatSharedDesc.h"

namespace {

class StatementTest : public FlatConnFixture {
protected:
    void SetUp() override {
        FlatConnFixture::SetUp();
        defineSample("T1");
        defineSample("T2");
        defineSample("T3");
        statement_ = new FakeSelectStatement(*connection_);
        ASSERT_NE(nullptr, statement_);
    }
    void TearDown() override {
        delete statement_;
        FlatConnFixture::TearDown();
    }
    VxStatus prepare(const char* sql) {
        BaseSqlString text(sql, SQL_NTS);
        return statement_->prepareCompile(&text);
    }
    FlatStatementKind kindOf(const char* sql) {
        FlatStatementKind kind = FLAT_STMT_NONE;
        EXPECT_EQ(VX_SUCCESS, FlatStatement::classify(sql, &kind)) << sql;
        return kind;
    }

    FakeSelectStatement* statement_ = nullptr;
};

TEST_F(StatementTest, TheFirstWordsChooseTheStatementKind) {
    EXPECT_EQ(FLAT_STMT_SELECT, kindOf("select a from t"));
    EXPECT_EQ(FLAT_STMT_SELECT, kindOf("  (SELECT a FROM t)"));
    EXPECT_EQ(FLAT_STMT_CREATE_TABLE, kindOf("Create Table t (a char(1))"));
    EXPECT_EQ(FLAT_STMT_CREATE_INDEX, kindOf("CREATE UNIQUE INDEX i ON t (a)"));
    EXPECT_EQ(FLAT_STMT_CREATE_INDEX, kindOf("create index i on t (a)"));
    EXPECT_EQ(FLAT_STMT_SPECIAL, kindOf("CREATE VIEW v AS SELECT 1"));
    EXPECT_EQ(FLAT_STMT_INSERT, kindOf("insert into t values (1)"));
    EXPECT_EQ(FLAT_STMT_UPDATE, kindOf("UPDATE t SET a = 1"));
    EXPECT_EQ(FLAT_STMT_DELETE, kindOf("delete from t"));
    EXPECT_EQ(FLAT_STMT_DROP_TABLE, kindOf("DROP TABLE t"));
    EXPECT_EQ(FLAT_STMT_DROP_INDEX, kindOf("drop index t.i"));
    EXPECT_EQ(FLAT_STMT_SPECIAL, kindOf("DROP VIEW v"));
    EXPECT_EQ(FLAT_STMT_USE, kindOf("use /data"));
    EXPECT_EQ(FLAT_STMT_SPECIAL, kindOf("GRANT ALL"));
    EXPECT_EQ(FLAT_STMT_SPECIAL, kindOf(""));
    EXPECT_EQ(FLAT_STMT_SPECIAL, kindOf("SELECTED"));
}

TEST_F(StatementTest, CreateOrDropAloneQuotesTheWord) {
    EXPECT_EQ(VX_ERROR, prepare("DROP"));
    std::vector<FlatRaised> records = raised();
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(3803, records[0].native);
    EXPECT_EQ("37000", records[0].state);
    EXPECT_NE(std::string::npos,
              records[0].text.find("Unexpected text at end of SQL statement: DROP"));
    EXPECT_EQ(VX_ERROR, prepare("create  "));
    records = raised();
    ASSERT_EQ(1u, records.size());
    EXPECT_NE(std::string::npos, records[0].text.find("statement: CREATE"));
}

TEST_F(StatementTest, UnknownStatementsGoToTheDriverHook) {
    EXPECT_EQ(VX_ERROR, prepare("CREATE VIEW v AS SELECT 1"));
    std::vector<FlatRaised> records = raised();
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(3800, records[0].native);
    EXPECT_NE(std::string::npos, records[0].text.find("Unknown SQL statement"));
    EXPECT_EQ(nullptr, statement_->getDescriptor());
}

TEST_F(StatementTest, DataDefinitionWithoutDriverSupportIsNotCapable) {
    for (const char* sql : {"CREATE TABLE t (a CHAR(1))", "DROP TABLE t", "DROP INDEX t.i",
                            "CREATE INDEX i ON t (a)"}) {
        EXPECT_EQ(VX_ERROR, prepare(sql));
        std::vector<FlatRaised> records = raised();
        ASSERT_EQ(1u, records.size()) << sql;
        EXPECT_EQ("S1C00", records[0].state) << sql;
    }
}

TEST_F(StatementTest, CreateIndexInsideATransactionNeedsTheConnectionsConsent) {
    connection_->setFlag(BaseConnection::CONN_IN_TRANSACTION, true);
    connection_->setFlatFlag(FlatConnection::FLAT_INDEX_IN_TRANSACTION, false);
    EXPECT_EQ(VX_ERROR, prepare("CREATE UNIQUE INDEX i ON t (a)"));
    EXPECT_EQ(3836, firstNative());
    connection_->setFlatFlag(FlatConnection::FLAT_INDEX_IN_TRANSACTION, true);
    EXPECT_EQ(VX_ERROR, prepare("CREATE UNIQUE INDEX i ON t (a)"));
    EXPECT_EQ(0, firstNative()); // S1C00 from the hook, not 3836
}

TEST_F(StatementTest, ThePreparedTablesAreListedInAscendingDescriptionNumber) {
    // Descriptions 1, 2, 3 are created in the order T1, T2, T3.
    FlatCursor* keep[3] = {open("T1"), open("T2"), open("T3")};
    ASSERT_EQ(VX_SUCCESS, prepare("SELECT T3 T1 T2 T3"));
    const VxArray& tables = statement_->getTables();
    ASSERT_EQ(3, tables.getCount());
    for (std::uint16_t i = 0; i < 3; ++i)
        EXPECT_EQ(i + 1u, static_cast<FlatSharedDesc*>(tables.get(i))->getDescNumber());
    // The statement can take and give back all its locks.
    statement_->lockTables();
    statement_->unlockTables();
    for (FlatCursor* cursor : keep)
        delete cursor;
}

TEST_F(StatementTest, ASelectIsDescribedAndFetchedThroughItsDescriptor) {
    ASSERT_EQ(VX_SUCCESS, prepare("SELECT T1"));
    EXPECT_EQ(FLAT_STMT_SELECT, statement_->getKind());
    ASSERT_EQ(2, statement_->getNumResultCols());
    EXPECT_STREQ("B", statement_->getField(2)->getName());
    EXPECT_EQ(SQL_NUMERIC, statement_->getField(2)->getSqlType());
    EXPECT_EQ(SQL_SEARCHABLE, statement_->getField(1)->getSearchable());
    EXPECT_EQ(SQL_ALL_EXCEPT_LIKE, statement_->getField(2)->getSearchable());
    ASSERT_EQ(VX_SUCCESS, statement_->executePreparedStmt());
    unsigned short atEnd = 0;
    int rows = 0;
    while (statement_->fetchRow(&atEnd) == VX_SUCCESS && !atEnd)
        ++rows;
    EXPECT_EQ(3, rows);
    EXPECT_EQ(3u, statement_->getFetchedRowCount());
    SQLLEN count = -1;
    ASSERT_EQ(VX_SUCCESS, statement_->rowCount(&count));
    EXPECT_EQ(0, count);
}

TEST_F(StatementTest, ReturningToTheAllocatedStateClosesTheTables) {
    ASSERT_EQ(VX_SUCCESS, prepare("SELECT T1 T2"));
    EXPECT_EQ(2, connection_->getSharedDescCount());
    ASSERT_EQ(VX_SUCCESS, statement_->setToAllocatedState(0));
    EXPECT_EQ(nullptr, statement_->getDescriptor());
    EXPECT_EQ(0, statement_->getTables().getCount());
    EXPECT_EQ(0, connection_->getSharedDescCount());
    SQLLEN count = -1;
    ASSERT_EQ(VX_SUCCESS, statement_->rowCount(&count));
    EXPECT_EQ(0, count);
}

TEST_F(StatementTest, AFailedParseLeavesNoDescriptorAndNoOpenTable) {
    EXPECT_EQ(VX_ERROR, prepare("SELECT T1 NOSUCH"));
    EXPECT_EQ("S0002", raised().at(0).state);
    EXPECT_EQ(nullptr, statement_->getDescriptor());
    EXPECT_EQ(0, connection_->getSharedDescCount());
}

TEST_F(StatementTest, CallsWithoutADescriptorAreSequenceErrors) {
    unsigned short atEnd = 0;
    EXPECT_EQ(VX_ERROR, statement_->fetchRow(&atEnd));
    EXPECT_EQ(VX_ERROR, statement_->insertRow());
    std::vector<FlatRaised> records = raised();
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ("S1010", records[0].state);
}

TEST_F(StatementTest, TimeoutAndAsyncOptionsAreRefused) {
    EXPECT_EQ(VX_ERROR, statement_->setStmtOption(SQL_QUERY_TIMEOUT, 5));
    EXPECT_EQ(VX_ERROR, statement_->setStmtOption(SQL_ASYNC_ENABLE, 1));
    std::vector<FlatRaised> records = raised();
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ("S1C00", records[1].state);
}

TEST_F(StatementTest, RowOptionsReachTheDescriptorAndDumpIsBounded) {
    ASSERT_EQ(VX_SUCCESS, prepare("SELECT T1"));
    std::uint16_t insertMode = FLAT_OPT_INSERT_ROW;
    EXPECT_EQ(VX_SUCCESS, statement_->setStmtOption(FLAT_OPT_PREPARE_ROW,
                                                    reinterpret_cast<SQLULEN>(&insertMode)));
    FlatColumnUpdate update{SQL_C_CHAR, "abc", SQL_NTS, 1};
    EXPECT_EQ(VX_SUCCESS, statement_->setStmtOption(FLAT_OPT_UPDATE_COLUMN,
                                                    reinterpret_cast<SQLULEN>(&update)));
    FlatColumnUpdate badColumn{SQL_C_CHAR, "abc", SQL_NTS, 0};
    EXPECT_EQ(VX_ERROR, statement_->setStmtOption(FLAT_OPT_UPDATE_COLUMN,
                                                  reinterpret_cast<SQLULEN>(&badColumn)));
    // Beyond the result's columns: refused before the descriptor sees it.
    raised();
    std::uint16_t columns = statement_->getDescriptor()->getNumResultCols();
    ASSERT_GT(columns, 0);
    FlatColumnUpdate pastEnd{SQL_C_CHAR, "abc", SQL_NTS, static_cast<unsigned short>(columns + 1)};
    EXPECT_EQ(VX_ERROR, statement_->setStmtOption(FLAT_OPT_UPDATE_COLUMN,
                                                  reinterpret_cast<SQLULEN>(&pastEnd)));
    std::vector<FlatRaised> records = raised();
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ("S1002", records[0].state);
    FlatColumnUpdate badType{12345, "abc", 3, 1};
    EXPECT_EQ(VX_ERROR, statement_->setStmtOption(FLAT_OPT_UPDATE_COLUMN,
                                                  reinterpret_cast<SQLULEN>(&badType)));
    raised();
    char dump[300];
    std::memset(dump, 'x', sizeof dump);
    ASSERT_EQ(VX_SUCCESS, statement_->getStmtOption(FLAT_OPT_DUMP, dump));
    EXPECT_STREQ("", dump);
    SQLULEN rowId = 99;
    ASSERT_EQ(VX_SUCCESS, statement_->getStmtOption(FLAT_OPT_ROW_ID, &rowId));
    EXPECT_EQ(0u, rowId);
}

} // namespace

namespace {

class ParamTest : public StatementTest {
protected:
    // Binds parameter 1 as `cType` / `sqlType` and hands `data` to bindParam.
    VxStatus bind(short cType, short sqlType, SQLULEN precision, const void* data, SQLLEN length) {
        if (statement_->getNumParams() == 0 &&
            statement_->SQLPrepare(reinterpret_cast<SQLCHAR*>(const_cast<char*>("SELECT T1 ?")),
                                   SQL_NTS) != SQL_SUCCESS)
            return VX_ERROR;
        SQLLEN indicator = length;
        if (statement_->SQLBindParameter(1, SQL_PARAM_INPUT, cType, sqlType, precision, 0,
                                         const_cast<void*>(data), 0, &indicator) != SQL_SUCCESS)
            return VX_ERROR;
        return statement_->bindParam(1, data, length, PARAM_CHUNK_WHOLE);
    }
    std::string valueOf(short* sqlType) {
        FlatDataValue value;
        bool provided = false;
        EXPECT_EQ(VX_SUCCESS, statement_->getParamValue(1, &value, sqlType, &provided));
        if (!provided)
            return "<none>";
        if (value.isNull())
            return "<null>";
        return std::string(reinterpret_cast<const char*>(value.getBytes()), value.getLength());
    }
};

TEST_F(ParamTest, CharacterValuesAreKeptInTheParametersPrecision) {
    ASSERT_EQ(VX_SUCCESS, bind(SQL_C_CHAR, SQL_VARCHAR, 10, "hello", SQL_NTS));
    short sqlType = 0;
    EXPECT_EQ("hello", valueOf(&sqlType));
    EXPECT_EQ(SQL_VARCHAR, sqlType);
    ASSERT_EQ(VX_SUCCESS, bind(SQL_C_CHAR, SQL_VARCHAR, 10, "x", SQL_NULL_DATA));
    EXPECT_EQ("<null>", valueOf(&sqlType));
}

TEST_F(ParamTest, EmbeddedNulTerminatorsAreRefused) {
    const char data[5] = {'a', 'b', '\0', 'c', 'd'};
    EXPECT_EQ(VX_ERROR, bind(SQL_C_CHAR, SQL_VARCHAR, 10, data, 5));
    EXPECT_EQ(4045, firstNative());
}

// Wide text (2-byte characters) of the wide character SQL types, as ODBC 3
// applications send strings: kept as the character types' UTF-8 text.
TEST_F(ParamTest, WideCharacterTypesAreTheirCharacterCounterparts) {
    // "h\u00e9\u20ac" and a terminator: three characters, six bytes of UTF-8.
    const SQLWCHAR text[] = {u'h', 0x00E9, 0x20AC, 0};
    short sqlType = 0;
    ASSERT_EQ(VX_SUCCESS, bind(SQL_C_WCHAR, SQL_WVARCHAR, 3, text, 6));
    EXPECT_EQ("h\xC3\xA9\xE2\x82\xAC", valueOf(&sqlType));
    EXPECT_EQ(SQL_VARCHAR, sqlType);
    ASSERT_EQ(VX_SUCCESS, bind(SQL_C_WCHAR, SQL_WCHAR, 3, text, SQL_NTS));
    EXPECT_EQ("h\xC3\xA9\xE2\x82\xAC", valueOf(&sqlType));
    EXPECT_EQ(SQL_CHAR, sqlType);
    ASSERT_EQ(VX_SUCCESS, bind(SQL_C_WCHAR, SQL_WLONGVARCHAR, 3, text, SQL_NTS));
    EXPECT_EQ("h\xC3\xA9\xE2\x82\xAC", valueOf(&sqlType));
    EXPECT_EQ(SQL_LONGVARCHAR, sqlType);
    ASSERT_EQ(VX_SUCCESS, bind(SQL_C_CHAR, SQL_WVARCHAR, 5, "plain", SQL_NTS));
    EXPECT_EQ("plain", valueOf(&sqlType));
    const SQLWCHAR embedded[] = {u'a', 0, u'b'};
    EXPECT_EQ(VX_ERROR, bind(SQL_C_WCHAR, SQL_WVARCHAR, 3, embedded, sizeof embedded));
    EXPECT_EQ(4045, firstNative());
}

TEST_F(ParamTest, NumbersTakeTheStorageOfTheirSqlType) {
    SQLINTEGER number = 42;
    ASSERT_EQ(VX_SUCCESS, bind(SQL_C_LONG, SQL_DOUBLE, 15, &number, sizeof number));
    FlatDataValue value;
    bool provided = false;
    short sqlType = 0;
    ASSERT_EQ(VX_SUCCESS, statement_->getParamValue(1, &value, &sqlType, &provided));
    ASSERT_TRUE(provided);
    EXPECT_EQ(INTERNAL_DOUBLE, value.getStorageType());
    double stored = 0;
    std::memcpy(&stored, value.getBytes(), sizeof stored);
    EXPECT_EQ(42.0, stored);
    EXPECT_EQ(VX_ERROR, bind(SQL_C_LONG, SQL_LONGVARCHAR + 100, 15, &number, sizeof number));
    raised();
}

} // namespace
