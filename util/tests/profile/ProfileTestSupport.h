// A fresh configuration folder for each test, and file helpers.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "util/VxError.h"

class ProfileFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        static const std::string base = baseFolder();
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder_ = base + "/" + info->test_suite_name() + "." + info->name();
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        setenv("VX_CONFIG_DIR", folder_.c_str(), 1);
        VxErrorKeeper::setErrorList(&errors_);
    }
    void TearDown() override { VxErrorKeeper::giveUpErrorList(); }

    std::string path(const std::string& name) const { return folder_ + "/" + name; }

    static void writeFile(const std::string& file, const std::string& bytes) {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << bytes;
    }
    static std::string readFile(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static bool exists(const std::string& file) { return std::filesystem::exists(file); }

    std::uint16_t lastErrorNumber() const { return VxErrorKeeper::getLastErrorNumber(); }

    VxErrorList errors_{nullptr, 1};
    std::string folder_;

private:
    // The folder the test run was given, never the user's own settings.
    static std::string baseFolder() {
        const char* given = std::getenv("VX_CONFIG_DIR");
        if (given && *given)
            return std::string(given) + "/profile";
        const char* temp = std::getenv("TMPDIR");
        return std::string(temp && *temp ? temp : "/tmp") + "/vx-profile-tests";
    }
};

// Splits a list of NUL-terminated names (ended by one more NUL) for comparisons.
inline std::string joinNames(const char* list) {
    std::string joined;
    for (const char* name = list; *name; name += std::strlen(name) + 1)
        joined += std::string(joined.empty() ? "" : ",") + name;
    return joined;
}
