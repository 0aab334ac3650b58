// "ODBC.INI" and "ODBCINST.INI" through unixODBC's installer library, with
// its configuration files in the build tree.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <odbcinst.h>

#include "util/VxError.h"
#include "util/VxProfile.h"

namespace {

int installerGet(const char* section, const char* key, const char* defaultValue, char* out,
                 int size, const char* file) {
    return SQLGetPrivateProfileString(section, key, defaultValue, out, size, file);
}

int installerWrite(const char* section, const char* key, const char* value, const char* file) {
    return SQLWritePrivateProfileString(section, key, value, file) ? 1 : 0;
}

std::string readFile(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct OdbcProfileTest : ::testing::Test {
    // The installer keeps the folder it first saw: one folder per process.
    static std::string folder;
    static void SetUpTestSuite() {
        const char* base = std::getenv("VX_CONFIG_DIR");
        folder = std::string(base && *base ? base : "/tmp") + "/odbc-installer";
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        std::ofstream(folder + "/odbcinst.ini").close();
        std::ofstream(folder + "/odbc.ini").close();
        std::ofstream(folder + "/user-odbc.ini").close();
        setenv("ODBCSYSINI", folder.c_str(), 1);
        setenv("ODBCINSTINI", "odbcinst.ini", 1);
        setenv("ODBCINI", (folder + "/user-odbc.ini").c_str(), 1);
        VxOdbcProfileProvider provider{installerGet, installerWrite};
        vxSetOdbcProfileProvider(&provider);
    }
    static void TearDownTestSuite() { vxSetOdbcProfileProvider(nullptr); }

    VxErrorList errors{nullptr, 1};
    void SetUp() override { VxErrorKeeper::setErrorList(&errors); }
    void TearDown() override { VxErrorKeeper::giveUpErrorList(); }

    std::string get(const char* section, const char* key, const char* file) {
        char out[512];
        ntGetProfileString(section, key, "<none>", out, sizeof out, file);
        return out;
    }
    // The names of a list, each followed by ';'.
    std::string list(const char* section, const char* file) {
        char out[1024];
        std::memset(out, 0, sizeof out);
        ntGetProfileString(section, nullptr, "", out, sizeof out, file);
        std::string joined;
        for (const char* name = out; *name; name += std::strlen(name) + 1)
            joined += std::string(name) + ";";
        return joined;
    }
};
std::string OdbcProfileTest::folder;

TEST_F(OdbcProfileTest, DataSourceEntriesMakeTheRoundTrip) {
    ASSERT_EQ(ntWriteProfileString("RoundTrip", "Driver", "/opt/lib/libdrv.so", "ODBC.INI"),
              VX_SUCCESS);
    ASSERT_EQ(ntWriteProfileString("RoundTrip", "Database", "/data", "odbc.ini"), VX_SUCCESS);
    EXPECT_NE(readFile(folder + "/user-odbc.ini").find("[RoundTrip]"), std::string::npos)
        << "user data sources go to the ODBCINI file";
    EXPECT_EQ(get("RoundTrip", "Driver", "ODBC.INI"), "/opt/lib/libdrv.so");
    EXPECT_EQ(get("RoundTrip", "Database", "C:\\Windows\\ODBC.INI"), "/data");
    EXPECT_EQ(get("RoundTrip", "Missing", "ODBC.INI"), "<none>");
    EXPECT_NE(list(nullptr, "ODBC.INI").find("RoundTrip;"), std::string::npos);
    std::string keys = list("RoundTrip", "ODBC.INI");
    EXPECT_NE(keys.find("Driver;"), std::string::npos) << keys;
    EXPECT_NE(keys.find("Database;"), std::string::npos) << keys;
}

TEST_F(OdbcProfileTest, EmptyValueDeletesTheEntryAndNoKeyTheDataSource) {
    ASSERT_EQ(ntWriteProfileString("Doomed", "Driver", "x.so", "ODBC.INI"), VX_SUCCESS);
    ASSERT_EQ(ntWriteProfileString("Doomed", "Server", "s", "ODBC.INI"), VX_SUCCESS);
    ASSERT_EQ(ntWriteProfileString("Doomed", "Server", "", "ODBC.INI"), VX_SUCCESS);
    EXPECT_EQ(get("Doomed", "Server", "ODBC.INI"), "<none>");
    EXPECT_EQ(get("Doomed", "Driver", "ODBC.INI"), "x.so");
    ASSERT_EQ(ntWriteProfileString("Doomed", nullptr, nullptr, "ODBC.INI"), VX_SUCCESS);
    EXPECT_EQ(get("Doomed", "Driver", "ODBC.INI"), "<none>");
    EXPECT_EQ(list(nullptr, "ODBC.INI").find("Doomed;"), std::string::npos);
}

TEST_F(OdbcProfileTest, DriverEntriesGoToTheInstallerFile) {
    ASSERT_EQ(ntWriteProfileString("Vx Text", "Driver", "/opt/lib/libKWTXT08.so", "ODBCINST.INI"),
              VX_SUCCESS);
    EXPECT_NE(readFile(folder + "/odbcinst.ini").find("[Vx Text]"), std::string::npos);
    EXPECT_EQ(get("Vx Text", "Driver", "odbcinst.ini"), "/opt/lib/libKWTXT08.so");
}

} // namespace
