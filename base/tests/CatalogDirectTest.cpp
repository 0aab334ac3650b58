// The information and catalog side of the framework called directly on the
// test driver's handles: the chain of information tables and the rules
// that tie answers together, WorkArounds, SQLGetInfo's output and ODBC 3
// types, SQLGetFunctions, name arguments and type lists, the framework's
// own derivations (columns, best row identifier) and the failures of the
// driver's hooks.
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include <cstring>
#include <string>
#include <vector>

#include "TstCatalog.h"
#include "TstConnection.h"
#include "TstStatement.h"
#include "base/BaseCatalogInfo.h"
#include "base/BaseEnv.h"
#include "base/BaseInfoTable.h"
#include "util/mds.h"

namespace {

BaseInfoValType kindOf(std::uint16_t infoType) {
    BaseInfoValType kind = INFO_VAL_ASK;
    VxStatus status = findInfoType(infoType, &kind);
    EXPECT_EQ(kind != INFO_VAL_NOT_FOUND, status == VX_SUCCESS);
    return kind;
}

SQLCHAR* text(const char* value) {
    return reinterpret_cast<SQLCHAR*>(const_cast<char*>(value));
}

// A connection whose SQLGetFunctions hook fails for one function.
class FailingConnection : public TstConnection {
public:
    using TstConnection::TstConnection;
    VxStatus isFunctionSupported(unsigned short api, unsigned short* supported) override {
        if (api == SQL_API_SQLSETPOS)
            return VX_ERROR;
        return TstConnection::isFunctionSupported(api, supported);
    }
};

// A statement whose hooks fail without saying why, or answer procedures
// through a result set of their own.
class HookStatement : public TstStatement {
public:
    using TstStatement::TstStatement;
    VxStatus executeTablePriv() override { return VX_ERROR; }
    VxStatus executeProcedures() override {
        results_.clear();
        for (const char* column : {"PROCEDURE_QUALIFIER VARCHAR 128", "PROCEDURE_OWNER VARCHAR 128",
                                   "PROCEDURE_NAME VARCHAR 128", "NUM_INPUT_PARAMS INTEGER 10",
                                   "NUM_OUTPUT_PARAMS INTEGER 10", "NUM_RESULT_SETS INTEGER 10",
                                   "REMARKS VARCHAR 254", "PROCEDURE_TYPE SMALLINT 5"})
            results_.command("column", column);
        results_.command("row", "main|dbo|ZETA|1|0|0|NULL|1");
        results_.command("row", "main|dbo|ALPHA|0|1|0|two|2");
        BaseProceduresInfo::of(*this)->useDriverResultSet();
        return VX_SUCCESS;
    }
};

class CatalogDirect : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(mdsPerTaskInit()); }
    void TearDown() override {
        statements_.clear();
        if (connection_) {
            (void)connection_->SQLDisconnect();
            delete connection_;
        }
        mdsPerTaskTerm();
    }
    void connect(const std::string& attributes = "", TstConnection* connection = nullptr) {
        connection_ = connection ? connection : new TstConnection(env_);
        std::string conn = "DSN=tstdsn;" + attributes;
        ASSERT_TRUE(SQL_SUCCEEDED(connection_->SQLDriverConnect(
            nullptr, text(conn.c_str()), SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT)));
    }
    TstStatement& statement() {
        if (statements_.empty())
            statements_.push_back(new HookStatement(*connection_));
        return *statements_.back();
    }
    std::vector<std::string> states(BaseErrorList& list) {
        std::vector<std::string> out;
        SQLCHAR state[6];
        while (list.SQLError(state, nullptr, nullptr, 0, nullptr) != SQL_NO_DATA_FOUND)
            out.push_back(reinterpret_cast<char*>(state));
        return out;
    }
    std::string infoText(SQLUSMALLINT type) {
        char value[128] = {};
        EXPECT_TRUE(SQL_SUCCEEDED(connection_->SQLGetInfo(type, value, sizeof value, nullptr)))
            << type;
        return value;
    }
    std::uint32_t infoNumber(SQLUSMALLINT type) {
        SQLUINTEGER value = 0;
        SQLSMALLINT length = 0;
        EXPECT_EQ(SQL_SUCCESS, connection_->SQLGetInfo(type, &value, sizeof value, &length))
            << type;
        return length == 2 ? static_cast<SQLUSMALLINT>(value) : value;
    }
    std::vector<std::string> rows(BaseStatement& s, SQLSMALLINT columns) {
        std::vector<std::string> out;
        while (s.SQLFetch() == SQL_SUCCESS) {
            std::string row;
            for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(columns); ++c) {
                char cell[256] = {};
                SQLLEN length = 0;
                EXPECT_TRUE(SQL_SUCCEEDED(s.SQLGetData(c, SQL_C_CHAR, cell, sizeof cell, &length)));
                row += (c > 1 ? "|" : "") + std::string(length == SQL_NULL_DATA ? "-" : cell);
            }
            out.push_back(row);
        }
        EXPECT_EQ(SQL_SUCCESS, s.SQLFreeStmt(SQL_CLOSE));
        return out;
    }

    BaseEnv env_{static_cast<OdbcDriverNumber>(99)};
    TstConnection* connection_ = nullptr;
    struct Statements {
        std::vector<TstStatement*> list;
        bool empty() const { return list.empty(); }
        void push_back(TstStatement* s) { list.push_back(s); }
        TstStatement* back() const { return list.back(); }
        void clear() {
            for (TstStatement* s : list)
                delete s;
            list.clear();
        }
    } statements_;
};

const char* const KEYWORDS[] = {"ALPHA,", "BETA,", "GAMMA", nullptr};

// Out of order on purpose: the table is still searched correctly.
const BaseInfoEntry NARROW_ENTRIES[] = {
    BaseInfoEntry::texts(SQL_KEYWORDS, KEYWORDS),
    BaseInfoEntry::ofNumber(SQL_MAX_PROCEDURE_NAME_LEN, INFO_VAL_U16, 0),
    BaseInfoEntry::ofNumber(SQL_MAX_OWNER_NAME_LEN, INFO_VAL_U16, 0),
    BaseInfoEntry::ofNumber(SQL_MAX_QUALIFIER_NAME_LEN, INFO_VAL_U16, 30),
    BaseInfoEntry::ofNumber(SQL_CURSOR_COMMIT_BEHAVIOR, INFO_VAL_U16, SQL_CB_DELETE),
    BaseInfoEntry::ofText(SQL_IDENTIFIER_QUOTE_CHAR, " "),
    BaseInfoEntry::resource(SQL_SERVER_NAME, 20106),
    BaseInfoEntry::ask(SQL_SPECIAL_CHARACTERS),
    BaseInfoEntry::ask(SQL_ACTIVE_CONNECTIONS),
    BaseInfoEntry::ofNumber(SQL_SCROLL_OPTIONS, INFO_VAL_MASK32, 17),
};
const BaseInfoTable NARROW(NARROW_ENTRIES, sizeof NARROW_ENTRIES / sizeof NARROW_ENTRIES[0]);

TEST_F(CatalogDirect, InformationTablesChainAndTieAnswersTogether) {
    connect();
    connection_->setInfoTable(&NARROW);
    EXPECT_FALSE(NARROW.isSorted());
    // The driver's entries of every kind, before the defaults.
    EXPECT_EQ("ALPHA,BETA,GAMMA", infoText(SQL_KEYWORDS));
    EXPECT_EQ("table", infoText(SQL_SERVER_NAME));
    EXPECT_EQ(17u, infoNumber(SQL_SCROLL_OPTIONS));
    EXPECT_EQ(30u, infoNumber(SQL_MAX_QUALIFIER_NAME_LEN));
    // An ask entry the driver declines is answered by the defaults.
    EXPECT_EQ("", infoText(SQL_SPECIAL_CHARACTERS));
    EXPECT_EQ(1u, infoNumber(SQL_ACTIVE_CONNECTIONS));
    // Without procedures and owners their terms and capabilities go too;
    // a blank quote character has no quoted-identifier case.
    EXPECT_EQ("N", infoText(SQL_PROCEDURES));
    EXPECT_EQ("N", infoText(SQL_ACCESSIBLE_PROCEDURES));
    EXPECT_EQ("", infoText(SQL_PROCEDURE_TERM));
    EXPECT_EQ("", infoText(SQL_OWNER_TERM));
    EXPECT_EQ(0u, infoNumber(SQL_OWNER_USAGE));
    EXPECT_EQ(0u, infoNumber(SQL_QUOTED_IDENTIFIER_CASE));
    EXPECT_EQ(".", infoText(SQL_QUALIFIER_NAME_SEPARATOR));
    // The table decides, not the driver's hook (which says SQL_CB_CLOSE),
    // whatever undefined connection flags are set.
    connection_->setFlag(1u << 22, true);
    EXPECT_EQ(static_cast<std::uint32_t>(SQL_CB_DELETE), infoNumber(SQL_CURSOR_COMMIT_BEHAVIOR));
    connection_->setFlag(1u << 22, false);
    // Scroll concurrency comes from the driver's tables only.
    EXPECT_EQ(static_cast<std::uint32_t>(SQL_SCCO_READ_ONLY), infoNumber(SQL_SCROLL_CONCURRENCY));
    // Types no table has: the connection's own values.
    EXPECT_EQ("main", infoText(SQL_DATABASE_NAME));
    EXPECT_EQ("reader", infoText(SQL_USER_NAME));
    EXPECT_EQ(0u, infoNumber(SQL_MAX_USER_NAME_LEN));
    EXPECT_EQ("tstdsn", infoText(SQL_DATA_SOURCE_NAME));
    connection_->setInfoTable(&tstInfoTable());
    EXPECT_EQ(18u, infoNumber(SQL_MAX_USER_NAME_LEN));
    EXPECT_EQ(INFO_VAL_STRING, kindOf(SQL_USER_NAME));
    EXPECT_EQ(INFO_VAL_U32, kindOf(SQL_DEFAULT_TXN_ISOLATION));
    EXPECT_EQ(INFO_VAL_U16, kindOf(SQL_MAX_TABLE_NAME_LEN));
    EXPECT_EQ(INFO_VAL_STRING, kindOf(SQL_DBMS_NAME));
    EXPECT_EQ(INFO_VAL_NOT_FOUND, kindOf(1017));
    EXPECT_TRUE(baseDefaultInfoTable().isSorted());
    // Read between calls: the buffer's size decides the width.
    SQLUINTEGER wide = 0xFFFFFFFF;
    ASSERT_EQ(VX_SUCCESS, connection_->getInfo(SQL_MAX_TABLE_NAME_LEN, &wide, sizeof wide));
    EXPECT_EQ(18u, wide);
    SQLUSMALLINT narrow[2] = {0xEEEE, 0xEEEE};
    ASSERT_EQ(VX_SUCCESS, connection_->getInfo(SQL_DEFAULT_TXN_ISOLATION, narrow, 2));
    EXPECT_EQ(SQL_TXN_READ_COMMITTED, narrow[0]);
    EXPECT_EQ(0xEEEE, narrow[1]);
    EXPECT_EQ(VX_ERROR, connection_->getInfo(1017, &wide, sizeof wide));
}

TEST_F(CatalogDirect, WorkAroundsChangeAnswers) {
    connect("WA=259"); // bits 0, 1 and 8
    connection_->setInfoTable(&NARROW);
    EXPECT_EQ(0u, infoNumber(SQL_MAX_QUALIFIER_NAME_LEN));
    EXPECT_EQ("", infoText(SQL_QUALIFIER_TERM));
    EXPECT_EQ(0u, infoNumber(SQL_QUALIFIER_LOCATION));
    EXPECT_EQ(static_cast<std::uint32_t>(SQL_CB_CLOSE), infoNumber(SQL_CURSOR_COMMIT_BEHAVIOR));
    // Bit 8: none active (0) is one internally, and one is 0 outside.
    void* value = nullptr;
    BaseInfoValType type = INFO_VAL_NOT_FOUND;
    bool owned = false;
    connection_->setInfoTable(nullptr);
    ASSERT_EQ(VX_SUCCESS, connection_->getInfo(SQL_ACTIVE_CONNECTIONS, &value, &type, &owned));
    EXPECT_EQ(1u, reinterpret_cast<std::uintptr_t>(value));
    EXPECT_EQ(0u, infoNumber(SQL_ACTIVE_CONNECTIONS));
}

TEST_F(CatalogDirect, GetInfoOutputAndOdbc3Types) {
    connect();
    // A 16-bit value into a 1-byte buffer: 1 byte, 01004, length 2.
    unsigned char bytes[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    SQLSMALLINT length = 0;
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO,
              connection_->SQLGetInfo(SQL_MAX_TABLE_NAME_LEN, bytes, 1, &length));
    EXPECT_EQ(2, length);
    EXPECT_EQ(18, bytes[0]);
    EXPECT_EQ(0xEE, bytes[1]);
    EXPECT_EQ((std::vector<std::string>{"01004"}), states(connection_->getErrorList()));
    // No buffer: the length alone.
    EXPECT_EQ(SQL_SUCCESS, connection_->SQLGetInfo(SQL_DEFAULT_TXN_ISOLATION, nullptr, 0, &length));
    EXPECT_EQ(4, length);
    EXPECT_EQ(SQL_ERROR, connection_->SQLGetInfo(SQL_DBMS_NAME, bytes, -1, &length));
    EXPECT_EQ((std::vector<std::string>{"S1090"}), states(connection_->getErrorList()));
    // Private aliases.
    EXPECT_EQ(infoText(SQL_KEYWORDS), infoText(1011));
    EXPECT_EQ(infoNumber(SQL_FILE_USAGE), infoNumber(65002));
    // ODBC 3 types: answered from their ODBC 2 counterparts, or S1096.
    EXPECT_EQ(41u, infoNumber(SQL_OJ_CAPABILITIES));
    EXPECT_EQ("N", infoText(SQL_DESCRIBE_PARAMETER));
    EXPECT_EQ("Y", infoText(SQL_CATALOG_NAME));
    for (SQLUSMALLINT type : {146, 10000, 10001, SQL_MAX_IDENTIFIER_LEN, 171}) {
        EXPECT_EQ(SQL_ERROR, connection_->SQLGetInfo(type, bytes, sizeof bytes, &length)) << type;
        EXPECT_EQ((std::vector<std::string>{"S1096"}), states(connection_->getErrorList()));
    }
    EXPECT_EQ(SQL_ERROR, connection_->SQLGetInfo(1017, bytes, sizeof bytes, &length));
    EXPECT_EQ((std::vector<std::string>{"S1C00"}), states(connection_->getErrorList()));
}

TEST_F(CatalogDirect, GetFunctionsAsTheDriverSays) {
    connect("WA=1024");
    SQLUSMALLINT all[100];
    std::memset(all, 0xFF, sizeof all);
    ASSERT_EQ(SQL_SUCCESS, connection_->SQLGetFunctions(SQL_API_ALL_FUNCTIONS, all));
    EXPECT_EQ(SQL_TRUE, all[SQL_API_SQLTABLES]);
    EXPECT_EQ(SQL_TRUE, all[SQL_API_SQLGETINFO]);
    EXPECT_EQ(SQL_FALSE, all[SQL_API_SQLDESCRIBEPARAM]);
    EXPECT_EQ(SQL_FALSE, all[SQL_API_SQLEXTENDEDFETCH]); // WorkArounds bit 10
    EXPECT_EQ(SQL_FALSE, all[99]);
    SQLUSMALLINT one = 7;
    ASSERT_EQ(SQL_SUCCESS, connection_->SQLGetFunctions(SQL_API_SQLPRIMARYKEYS, &one));
    EXPECT_EQ(SQL_TRUE, one);
    SQLUSMALLINT bitmap[SQL_API_ODBC3_ALL_FUNCTIONS_SIZE];
    ASSERT_EQ(SQL_SUCCESS, connection_->SQLGetFunctions(SQL_API_ODBC3_ALL_FUNCTIONS, bitmap));
    EXPECT_TRUE(SQL_FUNC_EXISTS(bitmap, SQL_API_SQLCOLUMNS));
    EXPECT_FALSE(SQL_FUNC_EXISTS(bitmap, SQL_API_SQLDESCRIBEPARAM));
    // The ODBC 3 functions mapped onto ODBC 2 ones follow them; descriptors
    // and diagnostic records are not offered.
    EXPECT_TRUE(SQL_FUNC_EXISTS(bitmap, SQL_API_SQLALLOCHANDLE));
    EXPECT_TRUE(SQL_FUNC_EXISTS(bitmap, SQL_API_SQLSETSTMTATTR));
    EXPECT_FALSE(SQL_FUNC_EXISTS(bitmap, SQL_API_SQLFETCHSCROLL)); // as SQLExtendedFetch
    EXPECT_FALSE(SQL_FUNC_EXISTS(bitmap, SQL_API_SQLGETDIAGREC));
    EXPECT_FALSE(SQL_FUNC_EXISTS(bitmap, SQL_API_SQLCOPYDESC));
    ASSERT_EQ(SQL_SUCCESS, connection_->SQLGetFunctions(SQL_API_SQLENDTRAN, &one));
    EXPECT_EQ(SQL_TRUE, one);
    ASSERT_EQ(SQL_SUCCESS, connection_->SQLGetFunctions(SQL_API_SQLGETDESCREC, &one));
    EXPECT_EQ(SQL_FALSE, one);
    EXPECT_EQ(SQL_ERROR, connection_->SQLGetFunctions(150, &one));
    EXPECT_EQ((std::vector<std::string>{"S1095"}), states(connection_->getErrorList()));
}

TEST_F(CatalogDirect, GetFunctionsHookFailureIsAnError) {
    connect("", new FailingConnection(env_));
    SQLUSMALLINT all[100];
    EXPECT_EQ(SQL_ERROR, connection_->SQLGetFunctions(SQL_API_ALL_FUNCTIONS, all));
    SQLUSMALLINT one = 0;
    EXPECT_EQ(SQL_SUCCESS, connection_->SQLGetFunctions(SQL_API_SQLFETCH, &one));
    EXPECT_EQ(SQL_TRUE, one);
}

TEST(CatalogName, QuotesEscapesAndPatterns) {
    BaseCatalogName name;
    ASSERT_EQ(VX_SUCCESS, name.set(text("\"MY \"\"T\"\"\"_\\%X"), SQL_NTS, '"', '\\'));
    EXPECT_STREQ("MY \"T\"_\\%X", name.getPattern());
    EXPECT_STREQ("MY \"T\"_%X", name.getName());
    EXPECT_TRUE(name.hasWildcards()); // the "_"
    EXPECT_TRUE(name.matches("MY \"T\"a%X"));
    EXPECT_FALSE(name.matches("MY \"T\"a%Y"));
    EXPECT_FALSE(name.matches("MY \"T\"aZX"));
    // A blank quote character quotes nothing; lengths are honoured.
    ASSERT_EQ(VX_SUCCESS, name.set(text("\"AB\"CD"), 4, ' ', 0));
    EXPECT_STREQ("\"AB\"", name.getName());
    // Not given, "%", empty.
    ASSERT_EQ(VX_SUCCESS, name.set(nullptr, 0, '"', '\\'));
    EXPECT_TRUE(name.isAny());
    EXPECT_FALSE(name.isEmpty());
    ASSERT_EQ(VX_SUCCESS, name.set(text(""), SQL_NTS, '"', '\\'));
    EXPECT_TRUE(name.isEmpty());
    EXPECT_FALSE(name.matches("x"));
    EXPECT_TRUE(name.matches(""));
    EXPECT_EQ(VX_ERROR, name.set(text("x"), -5, '"', '\\'));
    // "%" runs, "_" single characters, case on request; a long pattern
    // with many "%" stays fast.
    ASSERT_EQ(VX_SUCCESS, name.set(text("e%_p%"), SQL_NTS, '"', '\\'));
    EXPECT_TRUE(name.matches("EMP_VIEW", true));
    EXPECT_FALSE(name.matches("EMP_VIEW"));
    EXPECT_FALSE(name.matches("ep", true));
    std::string many(60, '%');
    many += "b";
    ASSERT_EQ(VX_SUCCESS, name.set(text(many.c_str()), SQL_NTS, '"', '\\'));
    EXPECT_FALSE(name.matches(std::string(200, 'a').c_str()));
    // An exact name has no pattern characters.
    ASSERT_EQ(VX_SUCCESS, name.setExact("A_B"));
    EXPECT_FALSE(name.matches("AXB"));
    EXPECT_TRUE(name.matches("A_B"));
}

TEST(CatalogTypes, TypeListsSelectKnownTypes) {
    EXPECT_EQ(TABLE_TYPE_TABLE | TABLE_TYPE_VIEW, baseTableTypeBits("'TABLE','VIEW'", SQL_NTS));
    EXPECT_EQ(TABLE_TYPE_TABLE, baseTableTypeBits("TABLE, FOO", SQL_NTS));
    EXPECT_EQ(TABLE_TYPE_SYSTEM_TABLE | TABLE_TYPE_LOCAL_TEMPORARY,
              baseTableTypeBits(" 'SYSTEM TABLE' ,LOCAL TEMPORARY", SQL_NTS));
    EXPECT_EQ(TABLE_TYPE_ALL, baseTableTypeBits(nullptr, 0));
    EXPECT_EQ(0, baseTableTypeBits("", SQL_NTS));
    EXPECT_EQ(0, baseTableTypeBits("table", SQL_NTS)); // names are upper case
    EXPECT_EQ(TABLE_TYPE_VIEW, baseTableTypeBits("VIEW,TABLE", 4));
}

TEST_F(CatalogDirect, DerivedColumnsQuoteTheTableName) {
    connect("DB=extra");
    TstStatement& s = statement();
    ASSERT_EQ(SQL_SUCCESS,
              s.SQLColumns(nullptr, 0, nullptr, 0, text("ORDER%"), SQL_NTS, nullptr, 0));
    EXPECT_EQ("SELECT * FROM extra.\"dbo\".\"ORDER ITEMS\"", s.compiled_);
    EXPECT_EQ(BaseStatement::STMT_CURSOR_OPEN, s.getState());
    EXPECT_EQ(BaseStatement::PREPARE_CATALOG, s.getPrepareMode());
    EXPECT_EQ(
        (std::vector<std::string>{"extra|dbo|ORDER ITEMS|ITEM_ID", "extra|dbo|ORDER ITEMS|QTY"}),
        rows(s, 4));
}

TEST_F(CatalogDirect, BestRowIdentifierFromTheFirstUniqueIndex) {
    connect("WA=512"); // the driver is not asked
    TstStatement& s = statement();
    // DEPT_NAME (DNAME, nullable) comes before PK_DEPT.
    ASSERT_EQ(SQL_SUCCESS, s.SQLSpecialColumns(SQL_BEST_ROWID, nullptr, 0, nullptr, 0, text("DEPT"),
                                               SQL_NTS, SQL_SCOPE_SESSION, SQL_NULLABLE));
    EXPECT_EQ((std::vector<std::string>{"2|DNAME|12|VARCHAR|20|20|-|1"}), rows(s, 8));
    ASSERT_EQ(SQL_SUCCESS, s.SQLSpecialColumns(SQL_BEST_ROWID, nullptr, 0, nullptr, 0, text("DEPT"),
                                               SQL_NTS, SQL_SCOPE_SESSION, SQL_NO_NULLS));
    EXPECT_TRUE(rows(s, 8).empty());
    ASSERT_EQ(SQL_SUCCESS, s.SQLSpecialColumns(SQL_ROWVER, nullptr, 0, nullptr, 0, text("EMP"),
                                               SQL_NTS, SQL_SCOPE_SESSION, SQL_NULLABLE));
    EXPECT_TRUE(rows(s, 8).empty());
    ASSERT_EQ(SQL_SUCCESS, s.SQLSpecialColumns(SQL_BEST_ROWID, nullptr, 0, nullptr, 0, text("EMP"),
                                               SQL_NTS, SQL_SCOPE_CURROW, SQL_NO_NULLS));
    EXPECT_EQ((std::vector<std::string>{"0|EMP_ID|4|INTEGER|10|4|0|1"}), rows(s, 8));
}

TEST_F(CatalogDirect, HooksFailOrAnswerWithAResultSet) {
    connect();
    TstStatement& s = statement();
    // A hook that fails without a word: S1C00, statement back to state 0.
    EXPECT_EQ(SQL_ERROR, s.SQLTablePrivileges(nullptr, 0, nullptr, 0, nullptr, 0));
    EXPECT_EQ((std::vector<std::string>{"S1C00"}), states(s.getErrorList()));
    EXPECT_EQ(BaseStatement::STMT_ALLOCATED, s.getState());
    EXPECT_EQ(BaseStatement::PREPARE_NONE, s.getPrepareMode());
    EXPECT_EQ(nullptr, s.getCatalogResult());
    // A prepared statement is reset: the catalog result replaces its plan.
    ASSERT_EQ(SQL_SUCCESS, s.SQLPrepare(text("succeed"), SQL_NTS));
    ASSERT_EQ(BaseStatement::STMT_PREPARED, s.getState());
    ASSERT_EQ(SQL_SUCCESS, s.SQLPrimaryKeys(nullptr, 0, nullptr, 0, text("DEPT"), SQL_NTS));
    EXPECT_EQ(BaseStatement::PREPARE_CATALOG, s.getPrepareMode());
    EXPECT_EQ((std::vector<std::string>{"main|dbo|DEPT|DEPT_ID|1|PK_DEPT"}), rows(s, 6));
    EXPECT_EQ(BaseStatement::STMT_ALLOCATED, s.getState());
    EXPECT_EQ(SQL_ERROR, s.SQLExecute());
    // An open cursor refuses another catalog call and stays open.
    ASSERT_EQ(SQL_SUCCESS, s.SQLGetTypeInfo(SQL_ALL_TYPES));
    EXPECT_EQ(SQL_ERROR, s.SQLTables(nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0));
    EXPECT_EQ((std::vector<std::string>{"24000"}), states(s.getErrorList()));
    EXPECT_EQ((std::vector<std::string>{"CHAR", "DECIMAL", "INTEGER", "SMALLINT", "DATE",
                                        "TIMESTAMP", "VARCHAR"}),
              rows(s, 1));
    // A hook that leaves a result set open: its rows, in the catalog order.
    ASSERT_EQ(SQL_SUCCESS, s.SQLProcedures(nullptr, 0, nullptr, 0, nullptr, 0));
    SQLLEN count = 0;
    EXPECT_EQ(SQL_SUCCESS, s.SQLRowCount(&count));
    EXPECT_EQ((std::vector<std::string>{"main|dbo|ALPHA|0|1|0|two|2", "main|dbo|ZETA|1|0|0|-|1"}),
              rows(s, 8));
}

} // namespace
