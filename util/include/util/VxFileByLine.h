// VxFileByLine: reads a text file one line at a time through a buffer.
//
// A line ends at a line feed, with or without a carriage return before it;
// a carriage return alone does not end a line. While the keep flag is set
// (the default) a returned line includes its terminator. A line longer
// than the buffer comes back in pieces of (buffer size - 4) bytes. With a
// scrambling method set (see decrypt), the text of each line is descrambled
// into a string of the object before it is returned; line terminators are
// never scrambled.
//
// A returned line views memory of the object and stays valid until the
// next call.
#pragma once

#include <cstddef>
#include <cstdint>

#include "util/VxObject.h"
#include "util/VxStatus.h"
#include "util/VxString.h"

class VX_EXPORT VxFileByLine : public VxObject {
public:
    // Buffers smaller than this are made this large.
    static constexpr std::size_t MIN_BUFFER = 16;

    VxFileByLine() = default;
    VxFileByLine(const VxFileByLine&) = delete;
    VxFileByLine& operator=(const VxFileByLine&) = delete;
    ~VxFileByLine() override;

    // Opens the file read-only (closing one opened before).
    VxStatus openFile(const char* name, std::size_t bufferSize);
    VxStatus closeFile();
    bool isOpen() const { return handle_ != 0; }

    // The next line; at the end of the file `line` is empty and isAtEnd()
    // turns true.
    VxStatus getNextLine(VxSubString* line);
    // The next line that holds something besides blanks (empty at the end).
    VxStatus getNextNonBlankLine(VxSubString* line);
    // The next call returns the last line again.
    void ungetLine();

    bool isAtEnd() const { return atEnd_; }
    void setKeepCrLf(bool keep) { keepCrLf_ = keep; }
    void setScrambling(int method) { method_ = method; }
    // The file offset where the next line starts.
    std::int64_t getPosition() const { return position_; }
    const char* getFileName() const { return name_; }

private:
    // Reads the buffer from the file offset `position_`.
    VxStatus fill();
    VxStatus descramble(const char* text, std::size_t contentLength, std::size_t lineLength,
                        VxSubString* line);

    int handle_ = 0;
    char* name_ = nullptr;
    char* buffer_ = nullptr;
    std::size_t bufferSize_ = 0;
    std::int64_t bufferOffset_ = 0; // file offset of buffer_[0]
    std::size_t bufferLength_ = 0;  // valid bytes in the buffer
    std::int64_t position_ = 0;     // file offset of the next line
    std::int64_t lastLine_ = 0;     // file offset of the line last returned
    bool keepCrLf_ = true;
    bool atEnd_ = false;
    int method_ = 0;
    VxString line_;
};
