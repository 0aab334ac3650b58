// Data-source setup as an administrator tool does it: unixODBC's
// SQLConfigDataSource loads the driver's setup library (the driver itself)
// and calls its ConfigDSN, which writes ODBC.INI through the installer.
#include <gtest/gtest.h>
#include <odbcinst.h>
#include <sql.h>
#include <sqlext.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace {

// The value of `key` in section `dsn` of the user data-source file, read
// from the file itself (the installer may answer from a cache that does not
// see several changes within one second).
std::string iniValue(const char* dsn, const char* key) {
    std::ifstream file(std::getenv("ODBCINI"));
    std::string line, section;
    auto trim = [](std::string text) {
        text.erase(0, text.find_first_not_of(" \t"));
        text.erase(text.find_last_not_of(" \t\r") + 1);
        return text;
    };
    while (std::getline(file, line)) {
        line = trim(line);
        if (!line.empty() && line.front() == '[') {
            section = line.substr(1, line.size() - 2);
        } else if (section == dsn && line.find('=') != std::string::npos) {
            if (trim(line.substr(0, line.find('='))) == key)
                return trim(line.substr(line.find('=') + 1));
        }
    }
    return "";
}

bool configure(WORD request, const std::string& attributes) {
    return SQLConfigDataSource(nullptr, request, "KWTST08", attributes.c_str()) != 0;
}

bool connects(const char* dsnName) {
    SQLHENV henv = nullptr;
    SQLHDBC hdbc = nullptr;
    SQLAllocEnv(&henv);
    SQLAllocConnect(henv, &hdbc);
    SQLCHAR* dsn = reinterpret_cast<SQLCHAR*>(const_cast<char*>(dsnName));
    bool ok = SQL_SUCCEEDED(SQLConnect(hdbc, dsn, SQL_NTS, nullptr, 0, nullptr, 0));
    if (ok)
        SQLDisconnect(hdbc);
    SQLFreeConnect(hdbc);
    SQLFreeEnv(henv);
    return ok;
}

TEST(DataSourceSetup, AddChangeAndRemoveADataSource) {
    using namespace std::string_literals;
    ASSERT_TRUE(configure(ODBC_ADD_DSN, "DSN=cfgdsn\0DB=extra\0Description=Made by setup\0\0"s));
    EXPECT_EQ("KWTST08", iniValue("cfgdsn", "Driver"));
    EXPECT_EQ("extra", iniValue("cfgdsn", "Database"));
    // Entries not given take their defaults; other attributes are kept.
    EXPECT_EQ("none", iniValue("cfgdsn", "Lock"));
    EXPECT_EQ("1", iniValue("cfgdsn", "Transactions"));
    EXPECT_EQ("Made by setup", iniValue("cfgdsn", "Description"));
    EXPECT_TRUE(connects("cfgdsn"));

    // A change keeps what it does not mention.
    ASSERT_TRUE(configure(ODBC_CONFIG_DSN, "DSN=cfgdsn\0Lock=shared\0Database=fail\0\0"s));
    EXPECT_EQ("shared", iniValue("cfgdsn", "Lock"));
    EXPECT_EQ("fail", iniValue("cfgdsn", "Database"));
    EXPECT_EQ("Made by setup", iniValue("cfgdsn", "Description"));
    EXPECT_FALSE(connects("cfgdsn"));

    ASSERT_TRUE(configure(ODBC_REMOVE_DSN, "DSN=cfgdsn\0\0"s));
    EXPECT_EQ("", iniValue("cfgdsn", "Driver"));
    EXPECT_EQ("", iniValue("cfgdsn", "Database"));
    EXPECT_FALSE(connects("cfgdsn"));
}

TEST(DataSourceSetup, ADataSourceNeedsAName) {
    using namespace std::string_literals;
    EXPECT_FALSE(configure(ODBC_ADD_DSN, "DB=main\0\0"s));
    DWORD code = 0;
    char message[512] = {0};
    WORD length = 0;
    ASSERT_EQ(SQL_SUCCESS, SQLInstallerError(1, &code, message, sizeof message, &length));
    EXPECT_NE(std::string::npos, std::string(message).find("Data source name too long."))
        << message;
}

} // namespace
