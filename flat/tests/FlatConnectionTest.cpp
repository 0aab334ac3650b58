// The flat connection: attributes read at connect, connection options,
// escape clauses in the engine's SQL, table names and paths, and the
// enumeration of table files.
#include <sqlext.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <string>

#include "FlatConnTestSupport.h"
#include "base/BaseEscapeHost.h"
#include "base/BaseEscapeProcessor.h"
#include "base/BaseSqlString.h"
#include "util/VxValueParser.h"
#include "util/bvm.h"
#include "util/ram.h"

namespace {

class ConnectionTest : public FlatConnFixture {
protected:
    // Runs getConnectOptions over a connect string (DRIVER keeps ODBC.INI out).
    VxStatus connectWith(const std::string& attributes) {
        text_ = "DRIVER=fake;" + attributes;
        VxValueParser parser(VxSubString(text_.c_str(), text_.size()), ';');
        if (parser.initialize() != VX_SUCCESS)
            return VX_ERROR;
        return connection_->getConnectOptions(&parser);
    }
    std::string expand(const char* sql) {
        BaseEscapeHostAdapter<FlatConnection> host(*connection_);
        BaseEscapeProcessor processor(host, BaseEscapeOptions());
        BaseSqlString text(sql, SQL_NTS);
        if (text.setCopy(sql, SQL_NTS) != VX_SUCCESS || processor.process(text) != VX_SUCCESS)
            return "<error>";
        return text.getText();
    }
    // A fresh directory under the build's temporary folder.
    std::string makeDirectory() {
        char pattern[] = "/tmp/flatconnXXXXXX";
        const char* made = mkdtemp(pattern);
        return made ? made : "";
    }

    std::string text_;
};

TEST_F(ConnectionTest, DatabaseWinsOverDataDirectoryUnlessEmpty) {
    ASSERT_EQ(VX_SUCCESS, connectWith("DB=/data/one;DD=/data/two"));
    EXPECT_STREQ("/data/one", connection_->getDataDirectory());
    ASSERT_EQ(VX_SUCCESS, connectWith("Database=;DataDirectory=/data/two"));
    EXPECT_STREQ("/data/two", connection_->getDataDirectory());
    // Nothing given: the current directory.
    ASSERT_EQ(VX_SUCCESS, connectWith(""));
    EXPECT_NE(nullptr, connection_->getDataDirectory());
    EXPECT_EQ('/', connection_->getDataDirectory()[0]);
}

TEST_F(ConnectionTest, ValidateDbChecksThatTheDirectoryExists) {
    EXPECT_EQ(VX_ERROR, connectWith("DB=/no/such/dir/anywhere;VDB=1"));
    std::vector<FlatRaised> records = raised();
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(3813, records[0].native);
    EXPECT_NE(std::string::npos, records[0].text.find("/no/such/dir/anywhere"));
    std::string dir = makeDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(VX_SUCCESS, connectWith("DB=" + dir + "/;VDB=1"));
    EXPECT_EQ(VX_SUCCESS, connectWith("DB=/;VDB=1")); // the root keeps its separator
    EXPECT_EQ(VX_SUCCESS, connectWith("DB=/no/such/dir;VDB=0"));
    rmdir(dir.c_str());
}

TEST_F(ConnectionTest, CacheSizeCountsInUnitsOf64FromSixtyFourOn) {
    ASSERT_EQ(VX_SUCCESS, connectWith("CSZ=256"));
    EXPECT_EQ(4u, connection_->getCacheSize());
    EXPECT_TRUE(connection_->hasFlatFlag(FlatConnection::FLAT_CACHE_INITIALISED));
    ASSERT_EQ(VX_SUCCESS, connectWith("CacheSize=63"));
    EXPECT_EQ(63u, connection_->getCacheSize());
    ASSERT_EQ(VX_SUCCESS, connectWith(""));
    EXPECT_EQ(4u, connection_->getCacheSize());
    ASSERT_EQ(VX_SUCCESS, connection_->setToAllocatedState());
    EXPECT_FALSE(connection_->hasFlatFlag(FlatConnection::FLAT_CACHE_INITIALISED));
}

TEST_F(ConnectionTest, FileOpenCacheMustBeAnUnsignedNumber) {
    ASSERT_EQ(VX_SUCCESS, connectWith("FOC=7"));
    EXPECT_EQ(7, connection_->getFileOpenCache());
    EXPECT_EQ(VX_ERROR, connectWith("FileOpenCache=many"));
    EXPECT_EQ("S1009", raised().at(0).state);
    EXPECT_EQ(VX_ERROR, connectWith("FOC=70000"));
    raised();
}

TEST_F(ConnectionTest, SwitchesForEvaluationSortAndCommit) {
    ASSERT_EQ(VX_SUCCESS, connectWith(""));
    EXPECT_TRUE(connection_->hasFlatFlag(FlatConnection::FLAT_DEFER_EVALUATION));
    EXPECT_FALSE(connection_->hasFlatFlag(FlatConnection::FLAT_INTL_SORT)); // English default
    EXPECT_FALSE(connection_->hasFlatFlag(FlatConnection::FLAT_ULTRA_SAFE_COMMIT));
    ASSERT_EQ(VX_SUCCESS, connectWith("DQ=0;IS=1;USF=1"));
    EXPECT_FALSE(connection_->hasFlatFlag(FlatConnection::FLAT_DEFER_EVALUATION));
    EXPECT_TRUE(connection_->hasFlatFlag(FlatConnection::FLAT_INTL_SORT));
    EXPECT_TRUE(connection_->hasFlatFlag(FlatConnection::FLAT_ULTRA_SAFE_COMMIT));
    ASSERT_EQ(VX_SUCCESS, connectWith("DQ=1;IS=yes"));
    EXPECT_TRUE(connection_->hasFlatFlag(FlatConnection::FLAT_DEFER_EVALUATION));
    EXPECT_FALSE(connection_->hasFlatFlag(FlatConnection::FLAT_INTL_SORT));
}

TEST_F(ConnectionTest, AnOemCharsetWithoutTranslationWarns) {
    ASSERT_EQ(VX_SUCCESS, connectWith("CS=ansi"));
    EXPECT_TRUE(raised().empty());
    ASSERT_EQ(VX_SUCCESS, connectWith("Charset=IBMPC"));
    std::vector<FlatRaised> records = raised();
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(4048, records[0].native);
    EXPECT_EQ("01000", records[0].state);
}

TEST_F(ConnectionTest, TheEnginesInformationAnswersComeFirst) {
    ASSERT_EQ(VX_SUCCESS, connectWith(""));
    char text[64] = {};
    ASSERT_EQ(VX_SUCCESS, connection_->getInfo(SQL_IDENTIFIER_QUOTE_CHAR, text, sizeof text));
    EXPECT_STREQ("`", text);
    SQLUINTEGER mask = 0;
    ASSERT_EQ(VX_SUCCESS, connection_->getInfo(SQL_STRING_FUNCTIONS, &mask, sizeof mask));
    EXPECT_EQ(0x45E5Du, mask);
    SQLUSMALLINT length = 0;
    ASSERT_EQ(VX_SUCCESS, connection_->getInfo(SQL_MAX_TABLE_NAME_LEN, &length, sizeof length));
    EXPECT_EQ(128, length);
}

TEST_F(ConnectionTest, TheEngineTakesParametersItself) {
    // Without this the framework would paste parameter values into the text.
    EXPECT_TRUE(connection_->hasFlag(BaseConnection::CONN_NATIVE_PARAMS));
    EXPECT_TRUE(connection_->hasFlag(BaseConnection::CONN_PIECEWISE_LONG_DATA));
}

TEST_F(ConnectionTest, OptionsKeptByTheEngine) {
    ASSERT_EQ(VX_SUCCESS, connection_->setConnectOption(SQL_ACCESS_MODE, SQL_MODE_READ_ONLY));
    EXPECT_TRUE(connection_->isReadOnly());
    ASSERT_EQ(VX_SUCCESS, connection_->setConnectOption(SQL_ACCESS_MODE, SQL_MODE_READ_WRITE));
    EXPECT_FALSE(connection_->isReadOnly());
    const char* dir = "/data/elsewhere";
    ASSERT_EQ(VX_SUCCESS,
              connection_->setConnectOption(SQL_CURRENT_QUALIFIER, reinterpret_cast<SQLULEN>(dir)));
    char out[256] = {};
    ASSERT_EQ(VX_SUCCESS, connection_->getConnectOption(SQL_CURRENT_QUALIFIER, out));
    EXPECT_STREQ("/data/elsewhere", out);
    SQLUINTEGER dialog = 7;
    ASSERT_EQ(VX_SUCCESS, connection_->getConnectOption(FLAT_CONN_OPT_SETUP_DIALOG, &dialog));
    EXPECT_EQ(0u, dialog);
    std::string tooLong(300, 'd');
    EXPECT_EQ(VX_ERROR, connection_->setConnectOption(SQL_CURRENT_QUALIFIER,
                                                      reinterpret_cast<SQLULEN>(tooLong.c_str())));
    raised();
    EXPECT_STREQ("/data/elsewhere", connection_->getDataDirectory());
}

TEST_F(ConnectionTest, DateAndTimestampLiteralsBecomeEngineDates) {
    EXPECT_EQ("SELECT * FROM t WHERE d =  {07/04/1995}",
              expand("SELECT * FROM t WHERE d = {d '1995-07-04'}"));
    // Without a timestamp type only the date is kept.
    EXPECT_EQ("SELECT  {01/02/2003}", expand("SELECT {ts '2003-01-02 10:11:12.5'}"));
    connection_->setFlatFlag(FlatConnection::FLAT_TYPE_TIMESTAMP, true);
    EXPECT_EQ("SELECT  {01/02/2003 10:11:12}", expand("SELECT {ts '2003-01-02 10:11:12.5'}"));
}

TEST_F(ConnectionTest, TimeLiteralsNeedATimeType) {
    EXPECT_EQ("<error>", expand("SELECT {t '10:11:12'}"));
    std::vector<FlatRaised> records = raised();
    ASSERT_FALSE(records.empty());
    EXPECT_EQ("37000", records[0].state);
    EXPECT_NE(std::string::npos, records[0].text.find("escape clause not supported"));
    connection_->setFlatFlag(FlatConnection::FLAT_TYPE_TIME, true);
    EXPECT_EQ("SELECT  {10:11:12}", expand("SELECT {t '10:11:12'}"));
}

TEST_F(ConnectionTest, ScalarFunctionsAreRenamedOrRewritten) {
    EXPECT_EQ("SELECT  LOWER(a),  SUBSTR(a, 1, 2),  LEN(b) FROM t",
              expand("SELECT {fn LCASE(a)}, {fn SUBSTRING(a, 1, 2)}, {fn LENGTH(b)} FROM t"));
    EXPECT_EQ("SELECT  FLOOR(x),  POW(x, 2),  DATE(),  USERNAME()",
              expand("SELECT {fn FLOOR(x)}, {fn POWER(x, 2)}, {fn CURDATE()}, {fn USER()}"));
    EXPECT_EQ("SELECT  (a + b)", expand("SELECT {fn CONCAT(a, b)}"));
    EXPECT_EQ("SELECT  IFNULL(a, b)", expand("SELECT {fn IFNULL(a, b)}"));
    EXPECT_EQ("<error>", expand("SELECT {fn SOUNDEX(a)}"));
    EXPECT_NE(std::string::npos, raised().at(0).text.find("escape clause not supported"));
}

TEST_F(ConnectionTest, TableNamesSplitIntoDirectoryAndFile) {
    char name[FLAT_NAME_BUFFER];
    char owner[FLAT_NAME_BUFFER] = "x";
    char file[FLAT_NAME_BUFFER];
    const char* cursor = "  `My Data`\\sub\\Orders.txt WHERE";
    ASSERT_EQ(VX_SUCCESS, connection_->parseTableName(&cursor, name, owner, file));
    EXPECT_STREQ("My Data\\sub", name);
    EXPECT_STREQ("Orders.txt", file);
    EXPECT_STREQ("", owner);
    EXPECT_STREQ(" WHERE", cursor);
    cursor = "plain";
    ASSERT_EQ(VX_SUCCESS, connection_->parseTableName(&cursor, name, owner, file));
    EXPECT_STREQ("", name);
    EXPECT_STREQ("plain", file);
    cursor = "   ";
    EXPECT_EQ(VX_ERROR, connection_->parseTableName(&cursor, name, owner, file));
    EXPECT_EQ(3909, firstNative());
    cursor = " , t";
    EXPECT_EQ(VX_ERROR, connection_->parseTableName(&cursor, name, owner, file));
    EXPECT_EQ(3909, firstNative());
    EXPECT_STREQ(" , t", cursor);
}

TEST_F(ConnectionTest, TablePathsUseTheDataDirectoryAndExtension) {
    ASSERT_EQ(VX_SUCCESS, connection_->setDataDirectory("/data/db"));
    char path[FLAT_PATH_BUFFER];
    ASSERT_EQ(VX_SUCCESS, connection_->getTableFullPath("orders", path));
    EXPECT_STREQ("/data/db/orders.TXT", path);
    ASSERT_EQ(VX_SUCCESS, connection_->getTableFullPath("orders.csv", path));
    EXPECT_STREQ("/data/db/orders.csv", path);
    ASSERT_EQ(VX_SUCCESS, connection_->composeTablePath(path, "/other", "x", ""));
    EXPECT_STREQ("/other/x", path);
    std::string longName(400, 'n');
    EXPECT_EQ(VX_ERROR, connection_->getTableFullPath(longName.c_str(), path));
    EXPECT_EQ(3827, firstNative());
}

TEST_F(ConnectionTest, TheTableEnumerationListsFilesOfTheExtension) {
    std::string dir = makeDirectory();
    ASSERT_FALSE(dir.empty());
    for (const char* name : {"alpha.TXT", "beta.txt", "gamma.csv"}) {
        FILE* file = std::fopen((dir + "/" + name).c_str(), "w");
        ASSERT_NE(nullptr, file);
        std::fclose(file);
    }
    connection_->useFileEnumeration = true;
    ASSERT_EQ(VX_SUCCESS, connection_->setDataDirectory(dir.c_str()));
    std::vector<std::string> names;
    bool first = true;
    for (;;) {
        char* name = nullptr;
        ASSERT_EQ(VX_SUCCESS, connection_->getTable(&name, nullptr, nullptr, first));
        first = false;
        if (!name)
            break;
        names.push_back(name);
        ramFree(name);
    }
    std::sort(names.begin(), names.end());
    ASSERT_EQ(2u, names.size());
    EXPECT_EQ("alpha", names[0]);
    EXPECT_EQ("beta", names[1]);
    bool exists = false;
    ASSERT_EQ(VX_SUCCESS, connection_->doesTableExist("alpha", &exists));
    EXPECT_TRUE(exists);
    ASSERT_EQ(VX_SUCCESS, connection_->doesTableExist("gamma", &exists));
    EXPECT_FALSE(exists);
    for (const char* name : {"alpha.TXT", "beta.txt", "gamma.csv"})
        std::remove((dir + "/" + name).c_str());
    rmdir(dir.c_str());
}

TEST_F(ConnectionTest, EngineMessagesComeFromTheEnginesTable) {
    char text[128];
    connection_->getDriverResourceStr(3909, text, sizeof text);
    EXPECT_STREQ("Missing table name in SELECT statement", text);
    std::memset(text, 'x', sizeof text);
    connection_->getDriverResourceStr(1200, text, sizeof text);
    EXPECT_STREQ("", text);
}

} // namespace
