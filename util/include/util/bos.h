// Operating-system services: files, directories, paths, the environment,
// shared libraries, time and a few process facts.
//
// Every function that can fail raises one error record naming the file (or
// other object) and returns VX_ERROR. File handles are the descriptor plus
// one; 0 means no file. Offsets and sizes are 64-bit throughout.
//
// File names: '/' and '\\' both separate directories; there are no drive
// letters. A name that does not exist as given is looked up
// case-insensitively in its directory, and a unique match is used instead.
// Names are never upper-cased.
#pragma once

#include <cstddef>
#include <cstdint>

#include "util/VxExport.h"
#include "util/VxStatus.h"
#include "util/VxString.h"

// Open modes of bosFileOpen; they combine.
constexpr unsigned BOS_OPEN_CREATE = 0x01, BOS_OPEN_READWRITE = 0x02, BOS_OPEN_SEARCH_PATH = 0x10,
                   BOS_OPEN_DENY_ALL = 0x20, BOS_OPEN_TEMP = 0x40, BOS_OPEN_TEMP_OTHER = 0x80;
enum BosSeekOrigin : int { BOS_SEEK_SET = 0, BOS_SEEK_CUR = 1, BOS_SEEK_END = 2 };
// An offset meaning "at the current position".
constexpr std::int64_t BOS_NO_SEEK = -1;

// ---- Files ----------------------------------------------------------------

// Opens (or with BOS_OPEN_CREATE creates and truncates) a file. With
// BOS_OPEN_SEARCH_PATH a name without a directory part that is not found
// is searched along PATH. BOS_OPEN_DENY_ALL takes an exclusive whole-file
// lock. BOS_OPEN_TEMP and BOS_OPEN_TEMP_OTHER create a new, empty file
// "vx..." in $TMPDIR (else /tmp), `name` being ignored; the new file's full
// name is stored in *tempName.
VX_EXPORT VxStatus bosFileOpen(const char* name, unsigned mode, int* handle,
                               VxString* tempName = nullptr);
VX_EXPORT VxStatus bosFileClose(int handle);
// Reads up to `length` bytes; *count is 0 at the end of the file.
VX_EXPORT VxStatus bosFileRead(int handle, std::int64_t offset, void* buffer, std::size_t length,
                               std::size_t* count);
// As bosFileRead at `offset`, in one call that leaves the file position
// where it was (for readers that always name their offset).
VX_EXPORT VxStatus bosFileReadAt(int handle, std::int64_t offset, void* buffer, std::size_t length,
                                 std::size_t* count);
// Writes all `length` bytes or fails.
VX_EXPORT VxStatus bosFileWrite(int handle, std::int64_t offset, const void* data,
                                std::size_t length);
VX_EXPORT VxStatus bosFileSeek(int handle, std::int64_t offset, int origin, std::int64_t* position);
VX_EXPORT VxStatus bosFileSize(int handle, std::int64_t* size);
VX_EXPORT VxStatus bosFileTruncate(int handle, std::int64_t size);
// A missing file is not an error.
VX_EXPORT VxStatus bosFileDelete(const char* name);
VX_EXPORT VxStatus bosrname(const char* oldName, const char* newName);
// Locks or unlocks a byte range for writing. Locks belong to the open file
// (not the process): a second handle of the same process is refused too.
VX_EXPORT VxStatus bosRegionLock(int handle, bool unlock, std::int64_t offset, std::int64_t length);
// 0 absent, 1 file, 5 read-only file, 2 directory.
VX_EXPORT int bosfattr(const char* name);
VX_EXPORT bool bosexist(const char* name);

// ---- Environment ----------------------------------------------------------

// A ramAlloc'd copy owned by the caller (ramFree); null when the variable
// is absent or empty.
VX_EXPORT char* bosGetEnv(const char* name);

// ---- Directories ----------------------------------------------------------

// The state of a directory search; opaque.
struct BosFindCursor;

// Lists the regular files matching a pattern ('*' and '?', case-insensitive;
// "*.*" matches every name). On the first call *cursor is null and `name`
// holds the pattern, optionally with a directory part; every call stores the
// next file name (without its directory) in `name`. At the end `name` is
// empty and *cursor is null again. A missing directory lists nothing.
VX_EXPORT VxStatus bosFindFiles(BosFindCursor** cursor, VxString* name);
// The subdirectories of the current directory (".." included, "." not),
// one per call, starting with a null *cursor; at the end `name` is empty and
// *cursor null. Names keep their case.
VX_EXPORT VxStatus bosGetDirectoryNames(BosFindCursor** cursor, VxString* name);
// Ends a search of bosFindFiles or bosGetDirectoryNames early.
VX_EXPORT void bosFindClose(BosFindCursor** cursor);
// The file systems, one per call starting with *cursor 0: a Linux system has
// one tree, so the first call gives "/" and the second an empty name.
VX_EXPORT VxStatus bosGetFileSystems(int* cursor, VxString* name);

// bosgetbl results besides a line length.
constexpr long BOS_LINE_END_OF_INPUT = -1;
constexpr long BOS_LINE_TOO_LONG = -2;
// Takes one line from a text buffer starting at *position: up to a line feed
// that is not inside quotes (apostrophe or double quote); a carriage return
// before the line feed is dropped. A line starting with ';' gives just ";".
// NUL or Ctrl-Z ends the input. `line` receives at most capacity - 1 bytes
// and a NUL. *length is the line's length, BOS_LINE_END_OF_INPUT at the end,
// or BOS_LINE_TOO_LONG when the line does not fit (the line is skipped).
VX_EXPORT void bosgetbl(const char* buffer, std::size_t* position, char* line, std::size_t capacity,
                        long* length);

// ---- Paths ----------------------------------------------------------------

// Makes `path` absolute: a relative path gets the current directory in
// front; "." and ".." components and repeated separators are resolved and
// every separator becomes '/'. A path starting with two backslashes is left
// as it is.
VX_EXPORT VxStatus bosfpath(VxString* path);
// Builds a full file name in `out`: trailing white space and one trailing
// period are removed from `name`; a name without a directory gets
// `directory` in front; a file name without a period gets "." and
// `extension`; then bosfpath. Without a name, `out` is the directory.
VX_EXPORT VxStatus bospath(VxString* out, const char* directory, const char* name,
                           const char* extension);
// Makes an absolute `path` relative to the current directory ("../" where
// it leaves it); a path sharing nothing but the root stays absolute.
VX_EXPORT VxStatus bosmpath(VxString* path);
constexpr std::size_t BOS_MAX_NAME = 128;
constexpr std::size_t BOS_MAX_EXTENSION = 3;
// Splits the file part of `path` into `name` (at most BOS_MAX_NAME bytes)
// and `extension` (after the last period, at most BOS_MAX_EXTENSION bytes),
// and cuts `path` back to its directory part (separator kept). Longer parts
// are cut; with `report` set they raise 1524 and fail instead.
VX_EXPORT VxStatus bosParseName(VxString* path, VxString* name, VxString* extension, bool report);
// The current directory, with a trailing '/' when asked for.
VX_EXPORT VxStatus bosgtcwd(VxString* out, bool trailingSeparator);
// Changes the current directory (1504 on failure); an empty path does nothing.
VX_EXPORT VxStatus bosstcwd(const char* path);

// ---- Libraries --------------------------------------------------------------

// Loads a shared library; null when it cannot be loaded (no error record;
// the loader's reason is stored in *failure when given). With
// `ownDirectory` the file is "<folder>/lib<name>.so", <folder> being the
// folder this foundation library was loaded from, and a missing file gives
// null at once; otherwise `name` goes to the loader as it is.
VX_EXPORT void* bosLoadLibrary(const char* name, bool ownDirectory, VxString* failure = nullptr);
// The address of an exported symbol, or null.
VX_EXPORT void* bosGetProcAddress(void* library, const char* symbol);
VX_EXPORT void bosFreeLibrary(void* library);

// ---- Time and process -------------------------------------------------------

struct os_time {
    std::uint16_t day, month, year, hour, minute, second, millisecond;
};

// Waits the given number of milliseconds.
VX_EXPORT void bossleep(unsigned long milliseconds);
// The process id.
VX_EXPORT unsigned long bostskid();
// The current date and time, UTC.
VX_EXPORT void bosdate(os_time* time);
// Keeps the client-library user count of per-task slot 1: incrementing
// returns the count before, decrementing the count after.
VX_EXPORT int countDBLibInits(bool increment);
// Whether the user asked to abort: there is no keyboard, so never.
VX_EXPORT bool bosabort();
VX_EXPORT void bosflush();
// Bytes of memory the system can still give this process.
VX_EXPORT std::uint64_t bosAvailableMemory();
