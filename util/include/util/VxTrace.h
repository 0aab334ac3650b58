// VxTrace: a trace written line by line to a file.
//
// Texts are collected into a line (writeString, writeHexString) and sent to
// the file by writeEol, each line ending with a line feed. In hexadecimal
// mode writeString dumps its bytes as well. There is no window system, so a
// trace window cannot be made: asking for one raises error 2719 "Could not
// create trace window." and fails, leaving the file trace working.
//
// Hex dump layout, 16 bytes a row:
//     00000000  41 42 43 0d 0a                                   ABC..
#pragma once

#include <cstddef>

#include "util/VxObject.h"
#include "util/VxStatus.h"
#include "util/VxString.h"

class VX_EXPORT VxTrace : public VxObject {
public:
    static constexpr std::size_t LINE_RESERVE = 1024;

    VxTrace() = default;
    VxTrace(const VxTrace&) = delete;
    VxTrace& operator=(const VxTrace&) = delete;
    ~VxTrace() override;

    // Reserves the line and creates the trace file when a name is given
    // (an existing file is emptied). `instance` is the owning module.
    VxStatus initialize(void* instance, bool toWindow, const char* fileName);

    VxStatus writeString(const char* text);
    VxStatus writeString(const char* text, std::size_t length);
    VxStatus writeString(const VxSubString& text) {
        return writeString(text.data(), text.length());
    }
    // Dumps bytes as hexadecimal rows, whatever the mode.
    VxStatus writeHexString(const void* data, std::size_t length);
    // Sends the collected line to the file and starts a new one.
    VxStatus writeEol();
    VxStatus writeLine(const char* text);

    VxStatus setTraceToWindow(bool toWindow);
    void setHexMode(bool on) { hexMode_ = on; }
    bool isHexMode() const { return hexMode_; }
    // Window placement; kept as a setting only.
    void setTopMost() { topMost_ = true; }
    void resetTopMost() { topMost_ = false; }
    bool isTopMost() const { return topMost_; }
    // Closes the file and drops the collected line.
    VxStatus resetTrace();

    bool hasFile() const { return fileHandle_ != 0; }
    void* getInstance() const { return instance_; }

private:
    // Writes `length` bytes at the end of the file.
    VxStatus writeToFile(const char* data, std::size_t length);
    VxStatus refuseWindow();

    void* instance_ = nullptr;
    VxString line_;
    int fileHandle_ = 0;
    bool hexMode_ = false;
    bool topMost_ = false;
};
