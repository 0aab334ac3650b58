// Or7Oci: the one place where the driver calls Oracle's version-7 call
// interface. Everything else in the driver talks to these two classes.
//
// Or7Session wraps a logon data area and its host data area; Or7Cursor
// wraps a cursor data area opened on a session. Each method makes one
// call of the interface and answers the Oracle return code of that call
// (0 success, 1403 no data, 1406 value truncated, 1003/1007 past the
// select list, any other an Oracle error). Every call of the process runs
// between one process-wide enter/leave pair, so only one call runs at a
// time whatever the number of connections and threads.
//
// Nothing here raises an error: the caller decides what a code means and
// reports it (raise). The Oracle text of a failed call is read while the
// call still holds the lock, so that a call of another thread on the same
// session cannot replace it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "util/VxStatus.h"

// Oracle codes the driver looks at.
constexpr int OR7_OK = 0;
constexpr int OR7_NO_DATA = 1403;
constexpr int OR7_TRUNCATED = 1406;
constexpr int OR7_END_OF_LIST = 1007;
constexpr int OR7_BAD_POSITION = 1003;
constexpr int OR7_PLSQL_ERROR = 6550;
constexpr int OR7_DBLINK_GONE = 2019;
constexpr int OR7_DBLINK_NAME = 1729;

// Oracle external data types the driver defines and binds.
enum Or7ExternalType : int {
    OR7_EXT_VARCHAR2 = 1,
    OR7_EXT_FLOAT = 4,
    OR7_EXT_STRING = 5,
    OR7_EXT_LONG = 8,
    OR7_EXT_DATE = 12,
    OR7_EXT_RAW = 23,
    OR7_EXT_LONG_RAW = 24,
    OR7_EXT_CHAR = 96,
};

// What the describe call tells of one select-list item.
struct Or7Describe {
    std::int32_t size = 0; // described size in bytes
    short oracleType = 0;  // internal type (1, 2, 8, 11, 12, 23, 24, 96)
    char name[31] = {};    // column name, terminated
    std::int32_t displaySize = 0;
    short precision = 0;
    short scale = 0;
    short nullable = 1;
};

class Or7Session {
public:
    Or7Session();
    ~Or7Session();
    Or7Session(const Or7Session&) = delete;
    Or7Session& operator=(const Or7Session&) = delete;

    // Logs on with `connect` ("user" or "user@server") and the password
    // passed separately (null: none), so that the password may contain any
    // character.
    int logon(const char* connect, const char* password);
    int logoff();
    int autocommitOn();
    int autocommitOff();
    int commit();
    int rollback();
    bool isLoggedOn() const { return loggedOn_; }
    // The Oracle text of `code`, terminated, cut to size - 1 bytes.
    void errorText(int code, char* buffer, std::size_t size);
    // Raises `code` as a native error with the Oracle text on the calling
    // thread's error list and answers VX_ERROR.
    VxStatus raise(int code);
    // As raise, but as a warning.
    void warn(int code);

    void* area() const { return lda_; }
    // The Oracle text of `code`: the one kept from the failed call when it
    // has that code, else the text the message call gives.
    std::string messageOf(int code);

private:
    friend class Or7Cursor;
    int keep(int rc);

    void* lda_;
    unsigned char* hda_;
    bool loggedOn_ = false;
    int lastCode_ = 0;
    std::string lastText_;
};

class Or7Cursor {
public:
    Or7Cursor() = default;
    ~Or7Cursor();
    Or7Cursor(const Or7Cursor&) = delete;
    Or7Cursor& operator=(const Or7Cursor&) = delete;

    bool isOpen() const { return cda_ != nullptr; }
    int open(Or7Session& session);
    // Closes the cursor when it is open; 0 otherwise.
    int close();
    int parse(const char* text, bool deferred);
    // Item `position` (from 1) of the select list.
    int describe(int position, Or7Describe* out);
    // Column `position`: `bufferLength` bytes per row of `buffer`, one
    // indicator, returned length and return code per row.
    int define(int position, void* buffer, int bufferLength, int externalType, short* indicators,
               std::uint16_t* lengths, std::uint16_t* codes);
    // Placeholder `name` (":V001"); for output values `length` is the room
    // of `buffer` and *actualLength receives the length returned.
    int bind(const char* name, void* buffer, int length, int externalType, short* indicator,
             std::uint16_t* actualLength, std::uint16_t* code);
    int execute();
    int executeFetch(unsigned rows);
    int fetch(unsigned rows);
    // A piece of long column `position` of the current row from byte
    // `offset`; *pieceLength receives the bytes delivered.
    int fetchLong(int position, void* buffer, std::int32_t bufferLength, int externalType,
                  std::uint32_t* pieceLength, std::int32_t offset);
    // The rows processed (fetched in all, or changed) so far.
    std::uint32_t rowsProcessed() const;
    // The return code of the last call on this cursor.
    int returnCode() const;
    // The Oracle text of `code` (see Or7Session::messageOf).
    std::string messageOf(int code);
    // Raises `code` with its Oracle text and answers VX_ERROR.
    VxStatus raise(int code);

private:
    int keep(int rc);

    void* cda_ = nullptr;
    Or7Session* session_ = nullptr;
    int lastCode_ = 0;
    std::string lastText_;
};
