// Reads the BIFF records of a workbook's "Book" stream at any offset.
//
// A record is a 16-bit record number, a 16-bit body length and the body;
// the next record follows at offset + 4 + length. A body may hold at most
// XLS_MAX_RECORD_BODY bytes: a longer one, or one that runs past the end of
// the stream, means the file is not a workbook this driver reads (1226 with
// the workbook path). The stream is read through a window much larger than
// a record, so that a sheet read record by record costs few reads.
#pragma once

#include <cstddef>
#include <cstdint>

#include "storage/XlsStorage.h"
#include "util/VxStatus.h"

// The largest record body the driver accepts.
constexpr std::size_t XLS_MAX_RECORD_BODY = 2080;

// Record numbers the driver reads.
enum XlsRecordNumber : std::uint16_t {
    XLS_REC_EOF = 0x000A,
    XLS_REC_NAME = 0x0018,
    XLS_REC_DATEMODE = 0x0022,
    XLS_REC_FILEPASS = 0x002F,
    XLS_REC_BOUNDSHEET = 0x0085,
    XLS_REC_XF = 0x00E0,
    XLS_REC_BOF = 0x0809,
};

// The BOF version of the workbooks this driver reads (BIFF5, Excel 5 and 95).
constexpr std::uint16_t XLS_BIFF5_VERSION = 0x0500;

class XlsCellBuffer {
public:
    // Reads `stream` (not owned; it must outlive the buffer); `path` names
    // the workbook in messages and must outlive the buffer too.
    XlsCellBuffer(XlsStream* stream, const char* path);
    ~XlsCellBuffer();
    XlsCellBuffer(const XlsCellBuffer&) = delete;
    XlsCellBuffer& operator=(const XlsCellBuffer&) = delete;

    // Reads the record at `offset`. At or past the end of the stream
    // *atEnd is true and there is no record; otherwise the record's number,
    // length and body are available until the next read. Raises 1226 for a
    // body that is too long or cut short by the end of the stream, 1205 for
    // a failed read of the stream.
    VxStatus readRecord(std::uint64_t offset, bool* atEnd);
    // Reads the record at `offset`, which must be a BOF record of version
    // 0x0500 (later versions are refused rather than misread): else 1226.
    VxStatus readBof(std::uint64_t offset);

    std::uint16_t getNumber() const { return number_; }
    std::uint16_t getLength() const { return length_; }
    const std::uint8_t* getBody() const { return body_; }
    std::uint64_t getOffset() const { return offset_; }
    std::uint64_t getNextOffset() const { return offset_ + 4 + length_; }

private:
    // Makes stream bytes [offset, offset + length) available in the window.
    VxStatus fill(std::uint64_t offset, std::size_t length);
    VxStatus notWorkbook();

    XlsStream* stream_;
    const char* path_;
    std::uint8_t* window_ = nullptr;
    std::uint64_t windowStart_ = 0;
    std::size_t windowFill_ = 0;
    std::uint64_t offset_ = 0;
    std::uint16_t number_ = 0;
    std::uint16_t length_ = 0;
    const std::uint8_t* body_ = nullptr;
};
