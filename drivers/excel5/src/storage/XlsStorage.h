// The storage service the Excel 5 driver reads workbooks through: open a
// structured-storage file read-only by path, open one of its streams by
// name and read bytes of it at any offset.
//
// The service raises no error records. Each call answers an XlsStorageResult:
// what failed, in the terms the driver reports it ("workbook does not exist",
// "cannot open workbook", "cannot open stream", "failure while reading"), and
// the storage error code behind it, which the driver shows as a number. The
// codes are those that a structured-storage service reports (STG_E_...).
#pragma once

#include <cstddef>
#include <cstdint>

// What a storage operation came to.
enum XlsStorageStatus : int {
    XLS_STORAGE_OK = 0,
    XLS_STORAGE_NO_FILE,     // the file or its directory does not exist
    XLS_STORAGE_OPEN_FAILED, // the file is unreadable or not a sound compound file
    XLS_STORAGE_NO_STREAM,   // the stream is missing or its chain is broken
    XLS_STORAGE_READ_FAILED, // a read of stream data failed
};

// Storage error codes.
constexpr std::uint32_t XLS_STG_E_FILENOTFOUND = 0x80030002u;
constexpr std::uint32_t XLS_STG_E_PATHNOTFOUND = 0x80030003u;
constexpr std::uint32_t XLS_STG_E_TOOMANYOPENFILES = 0x80030004u;
constexpr std::uint32_t XLS_STG_E_ACCESSDENIED = 0x80030005u;
constexpr std::uint32_t XLS_STG_E_INSUFFICIENTMEMORY = 0x80030008u;
constexpr std::uint32_t XLS_STG_E_READFAULT = 0x8003001Eu;
constexpr std::uint32_t XLS_STG_E_LOCKVIOLATION = 0x80030021u;
constexpr std::uint32_t XLS_STG_E_INVALIDHEADER = 0x800300FBu;
constexpr std::uint32_t XLS_STG_E_INVALIDNAME = 0x800300FCu;
constexpr std::uint32_t XLS_STG_E_OLDFORMAT = 0x80030104u;
constexpr std::uint32_t XLS_STG_E_DOCFILECORRUPT = 0x80030109u;

struct XlsStorageResult {
    XlsStorageStatus status = XLS_STORAGE_OK;
    std::uint32_t code = 0; // 0 when status is XLS_STORAGE_OK

    bool ok() const { return status == XLS_STORAGE_OK; }
    static XlsStorageResult success() { return {}; }
    static XlsStorageResult failure(XlsStorageStatus what, std::uint32_t why) {
        return {what, why};
    }
};

// One open stream. Reads never pass the stream's end.
class XlsStream {
public:
    virtual ~XlsStream() = default;
    // The stream's length in bytes.
    virtual std::uint64_t getSize() const = 0;
    // Reads up to `length` bytes at `offset` into `buffer`; *count is the
    // number read: less than `length` only at the end of the stream, 0 at or
    // past it. Fails with XLS_STORAGE_READ_FAILED.
    virtual XlsStorageResult read(std::uint64_t offset, void* buffer, std::size_t length,
                                  std::size_t* count) = 0;
};

// One open storage file.
class XlsStorage {
public:
    virtual ~XlsStorage() = default;
    // Opens the stream `name` (UTF-8, compared without case) among the
    // top-level entries. On success *stream is a new stream owned by the
    // caller, which may outlive neither this storage nor its file. Fails with
    // XLS_STORAGE_NO_STREAM (then *stream is null).
    virtual XlsStorageResult openStream(const char* name, XlsStream** stream) = 0;
};
