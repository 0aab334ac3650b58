// Where profile file names lead: configuration-folder key hierarchies,
// WIN.INI, private files, and the ODBC installer without a provider.
#include "ProfileTestSupport.h"

#include <thread>

#include "util/VxProfile.h"

namespace {

struct ProfileMappingTest : ProfileFolderTest {
    std::string get(const char* section, const char* key, const char* file,
                    const char* def = "<none>") {
        char out[256];
        ntGetProfileString(section, key, def, out, sizeof out, file);
        return out;
    }
    std::string list(const char* section, const char* file, std::size_t* length = nullptr) {
        char out[256];
        std::size_t used = ntGetProfileString(section, nullptr, "<none>", out, sizeof out, file);
        if (length)
            *length = used;
        return joinNames(out);
    }
};

TEST_F(ProfileMappingTest, KeyTreeNamesLandInTheConfigurationFolderWhateverTheirPath) {
    ASSERT_EQ(ntWriteProfileString("Options", "Level", "3", "vx7.ini"), VX_SUCCESS);
    EXPECT_EQ(readFile(path("VX7.INI")), "[Options]\r\nLevel=3\r\n");
    EXPECT_EQ(get("OPTIONS", "level", "C:\\Windows\\VX7.INI"), "3");
    EXPECT_EQ(get("Options", "Level", "/elsewhere/Vx7.Ini"), "3");
    EXPECT_FALSE(exists("/elsewhere/Vx7.Ini"));
    for (const char* name :
         {"CONTROL.INI", "EXCHANGE.INI", "EXCHINST.INI", "VX6.INI", "VXLIB.INI"}) {
        ASSERT_EQ(ntWriteProfileString("S", "k", name, name), VX_SUCCESS) << name;
        EXPECT_TRUE(exists(path(name))) << name;
    }
    EXPECT_EQ(get("S", "k", "vxlib.ini"), "VXLIB.INI");
}

TEST_F(ProfileMappingTest, KeyTreeEmptyValueDeletesAndNoKeyDeletesSubSections) {
    writeFile(path("VX6.INI"), "[App]\r\nA=1\r\nB=2\r\n[App\\Sub]\r\nC=3\r\n"
                               "[App\\Sub\\Deep]\r\nD=4\r\n[Application]\r\nE=5\r\n");
    ASSERT_EQ(ntWriteProfileString("App", "A", "", "VX6.INI"), VX_SUCCESS);
    EXPECT_EQ(get("App", "A", "VX6.INI"), "<none>");
    ASSERT_EQ(ntWriteProfileString("App", "B", nullptr, "VX6.INI"), VX_SUCCESS);
    EXPECT_EQ(list(nullptr, "VX6.INI"), "App,Application") << "sub-keys are not top level";
    ASSERT_EQ(ntWriteProfileString("App", nullptr, nullptr, "VX6.INI"), VX_SUCCESS);
    EXPECT_EQ(readFile(path("VX6.INI")), "[Application]\r\nE=5\r\n");
    ASSERT_EQ(ntWriteProfileString("Gone", nullptr, nullptr, "VX6.INI"), VX_SUCCESS);
    ASSERT_EQ(ntWriteProfileString("Application", "none", "", "VX6.INI"), VX_SUCCESS);
}

TEST_F(ProfileMappingTest, KeyTreeListsGiveTheDefaultWhenEmptyAndTheSizeWhenFull) {
    EXPECT_EQ(list(nullptr, "VXLIB.INI"), "<none>") << "no file at all";
    writeFile(path("VXLIB.INI"), "[Empty]\r\n[Full]\r\nlongkeyname=1\r\nsecond=2\r\n");
    EXPECT_EQ(list("Empty", "VXLIB.INI"), "<none>");
    EXPECT_EQ(list("Missing", "VXLIB.INI"), "<none>");
    std::size_t length = 0;
    EXPECT_EQ(list("Full", "VXLIB.INI", &length), "longkeyname,second");
    EXPECT_EQ(length, 19u);
    char small[16];
    EXPECT_EQ(ntGetProfileString("Full", nullptr, "", small, sizeof small, "VXLIB.INI"),
              sizeof small);
    EXPECT_EQ(joinNames(small), "longkeyname");
}

TEST_F(ProfileMappingTest, WinIniHasUsEnglishDefaultsWithoutAFile) {
    EXPECT_EQ(get("Intl", "sLanguage", "WIN.INI"), "enu");
    EXPECT_EQ(get("intl", "IDATE", "win.ini"), "0");
    EXPECT_EQ(get("Intl", "sDecimal", "WIN.INI"), ".");
    EXPECT_EQ(get("Intl", "nothing", "WIN.INI"), "<none>");
    EXPECT_EQ(get("Intl", "iDate", nullptr), "0") << "no file name means WIN.INI";
    EXPECT_FALSE(exists(path("WIN.INI")));
}

TEST_F(ProfileMappingTest, WinIniFileOverridesOnlyWhatItHolds) {
    writeFile(path("WIN.INI"), "[intl]\r\niDate=1\r\n[Other]\r\nx=y\r\n");
    EXPECT_EQ(get("Intl", "iDate", "WIN.INI"), "1");
    EXPECT_EQ(get("Intl", "sLanguage", "WIN.INI"), "enu");
    EXPECT_EQ(get("Other", "x", "WIN.INI"), "y");
    ASSERT_EQ(ntWriteProfileString("Intl", "sLanguage", "deu", "WIN.INI"), VX_SUCCESS);
    EXPECT_EQ(get("Intl", "sLanguage", "WIN.INI"), "deu");
    EXPECT_EQ(readFile(path("WIN.INI")), "[intl]\r\niDate=1\r\nsLanguage=deu\r\n[Other]\r\nx=y\r\n")
        << "the built-in entries are never written out";
}

TEST_F(ProfileMappingTest, OtherNamesAreThatFile) {
    std::string file = path("sub/own.ini");
    std::filesystem::create_directories(path("sub"));
    writeFile(file, "[S]\nk=from file\n");
    EXPECT_EQ(get("S", "k", file.c_str()), "from file");
    ASSERT_EQ(ntWriteProfileString("S", "e", "", file.c_str()), VX_SUCCESS);
    EXPECT_EQ(readFile(file), "[S]\nk=from file\ne=\r\n") << "a private file stores an empty value";
    std::string odbcLookalike = path("sub/odbc.ini.bak");
    ASSERT_EQ(ntWriteProfileString("S", "k", "v", odbcLookalike.c_str()), VX_SUCCESS);
    EXPECT_TRUE(exists(odbcLookalike));
}

TEST_F(ProfileMappingTest, OdbcNamesWithoutAProviderFailClearly) {
    vxSetOdbcProfileProvider(nullptr);
    EXPECT_EQ(get("DSN", "Driver", "ODBC.INI", "dflt"), "dflt");
    EXPECT_EQ(lastErrorNumber(), 1523);
    errors_.deleteNodes();
    EXPECT_EQ(ntWriteProfileString("DSN", "Driver", "x", "/etc/odbcinst.ini"), VX_ERROR);
    EXPECT_EQ(lastErrorNumber(), 1523);
    EXPECT_FALSE(exists(path("ODBC.INI")));
    EXPECT_FALSE(exists(path("ODBCINST.INI")));
}

// Records what reaches the installer, to check the mapping in front of it.
std::string seenFile, seenValue;
bool seenNullValue = false;
int fakeGet(const char*, const char*, const char*, char* out, int size, const char* file) {
    seenFile = file;
    return static_cast<int>(std::snprintf(out, static_cast<std::size_t>(size), "fake"));
}
int fakeWrite(const char*, const char*, const char* value, const char* file) {
    seenFile = file;
    seenNullValue = value == nullptr;
    seenValue = value ? value : "";
    return 1;
}

TEST_F(ProfileMappingTest, OdbcNamesGoToTheProviderByTheirShortName) {
    VxOdbcProfileProvider fake{fakeGet, fakeWrite};
    vxSetOdbcProfileProvider(&fake);
    EXPECT_EQ(get("DSN", "Driver", "C:\\WINDOWS\\odbc.ini"), "fake");
    EXPECT_EQ(seenFile, "ODBC.INI");
    ASSERT_EQ(ntWriteProfileString("Drv", "Setup", "", "OdbcInst.Ini"), VX_SUCCESS);
    EXPECT_EQ(seenFile, "ODBCINST.INI");
    EXPECT_TRUE(seenNullValue) << "an empty value deletes the entry";
    ASSERT_EQ(ntWriteProfileString("Drv", "Setup", "lib.so", "ODBCINST.INI"), VX_SUCCESS);
    EXPECT_EQ(seenValue, "lib.so");
    vxSetOdbcProfileProvider(nullptr);
}

TEST_F(ProfileMappingTest, DeletingEverySectionOfAFile) {
    writeFile(path("VX7.INI"), "[A]\r\nx=1\r\n[B]\r\ny=2\r\n[B\\C]\r\nz=3\r\n");
    ASSERT_EQ(ntDeletePrivateProfileSection(nullptr, "VX7.INI"), VX_SUCCESS);
    EXPECT_EQ(readFile(path("VX7.INI")), "");
    writeFile(path("list.ini"), "; kept\n[A]\nx=1\n[B]\ny=2\n");
    ASSERT_EQ(ntDeletePrivateProfileSection("a", path("list.ini").c_str()), VX_SUCCESS);
    EXPECT_EQ(readFile(path("list.ini")), "; kept\n[B]\ny=2\n");
}

TEST_F(ProfileMappingTest, ConcurrentWritersLoseNoEntry) {
    constexpr int WRITES = 40;
    auto writer = [](const char* prefix) {
        VxErrorList list(nullptr, 1);
        VxErrorListScope scope(&list);
        for (int i = 0; i < WRITES; ++i) {
            std::string key = prefix + std::to_string(i);
            if (ntWriteProfileString("Shared", key.c_str(), "v", "VXLIB.INI") != VX_SUCCESS)
                ADD_FAILURE() << key;
        }
    };
    std::thread first(writer, "a");
    std::thread second(writer, "b");
    first.join();
    second.join();
    char keys[2048];
    ntGetProfileString("Shared", nullptr, "", keys, sizeof keys, "VXLIB.INI");
    int count = 0;
    for (const char* name = keys; *name; name += std::strlen(name) + 1)
        ++count;
    EXPECT_EQ(count, 2 * WRITES);
    EXPECT_FALSE(exists(path("VXLIB.INI.tmp")));
}

TEST_F(ProfileMappingTest, TheFolderComesFromTheEnvironmentInOrder) {
    VxString folder;
    ASSERT_EQ(vxGetConfigFolder(&folder), VX_SUCCESS);
    EXPECT_EQ(std::string(folder.getText()), folder_);
    std::string saved = folder_;
    const char* home = std::getenv("HOME");
    std::string savedHome = home ? home : "";
    unsetenv("VX_CONFIG_DIR");
    setenv("XDG_CONFIG_HOME", (saved + "/xdg/").c_str(), 1);
    ASSERT_EQ(vxGetConfigFolder(&folder), VX_SUCCESS);
    EXPECT_EQ(std::string(folder.getText()), saved + "/xdg/brellmont");
    ASSERT_EQ(ntWriteProfileString("S", "k", "v", "VX7.INI"), VX_SUCCESS)
        << "the folder is created on the first write";
    EXPECT_TRUE(exists(saved + "/xdg/brellmont/VX7.INI"));
    unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", saved.c_str(), 1);
    ASSERT_EQ(vxGetConfigFolder(&folder), VX_SUCCESS);
    EXPECT_EQ(std::string(folder.getText()), saved + "/.config/brellmont");
    setenv("VX_CONFIG_DIR", saved.c_str(), 1);
    if (home)
        setenv("HOME", savedHome.c_str(), 1);
}

} // namespace
