// Shared fixture of the Text driver's unit tests: a fresh folder for files,
// an installed error list, and helpers to write files and read errors.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "util/VxError.h"
#include "util/bos.h"

class TxtTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tmp = std::getenv("TMPDIR");
        std::filesystem::path base = tmp && *tmp ? tmp : std::filesystem::temp_directory_path();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder_ = base / (std::string("txt-") + info->test_suite_name() + "-" + info->name());
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        VxErrorKeeper::setErrorList(&errors_);
    }
    void TearDown() override {
        closeFile();
        VxErrorKeeper::giveUpErrorList();
        std::filesystem::remove_all(folder_);
    }

    std::string path(const std::string& name) const { return (folder_ / name).string(); }
    std::string folder() const { return folder_.string(); }

    void writeFile(const std::string& name, const std::string& bytes) {
        std::ofstream out(path(name), std::ios::binary | std::ios::trunc);
        out << bytes;
    }
    std::string readFile(const std::string& name) const {
        std::ifstream in(path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // Writes the file and opens it read-write; the handle is closed at the end.
    int openFile(const std::string& name, const std::string& bytes) {
        writeFile(name, bytes);
        closeFile();
        EXPECT_EQ(bosFileOpen(path(name).c_str(), BOS_OPEN_READWRITE, &handle_), VX_SUCCESS);
        return handle_;
    }
    void closeFile() {
        if (handle_)
            (void)bosFileClose(handle_);
        handle_ = 0;
    }

    // Number and text of the last error, "" when there is none.
    unsigned short lastNumber() { return VxErrorKeeper::getLastErrorNumber(); }
    std::string lastText() {
        VxError* error = errors_.getLastError();
        return error ? error->getErrorText() : "";
    }
    unsigned short lastSqlStateId() {
        VxError* error = errors_.getLastError();
        return error ? error->getSqlStateId() : 0;
    }
    std::size_t errorCount() const { return errors_.getCount(); }
    void clearErrors() { errors_.deleteNodes(); }

    VxErrorList errors_{nullptr, 1};
    std::filesystem::path folder_;
    int handle_ = 0;
};
