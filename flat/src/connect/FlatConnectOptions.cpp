// Reading the engine's connection attributes (getConnectOptions), the
// engine's answers to SQLGetInfo and the functions it supports.
//
//   Database / DB              data directory ("" counts as absent)
//   DataDirectory / DD         used only without Database
//   ValidateDB / VDB           "0"; otherwise the directory must exist
//   Charset / CS               a word other than ANSI/WINDOWS (not a
//                              character-set name) without a
//                              translation library: warning 4048
//   IntlSort / IS              "1" on; default: on when the language
//                              setting is not English
//   FileOpenCache / FOC        "0": closed tables kept open
//   DeferQueryEvaluation / DQ  on; any value but "1" turns it off
//   CacheSize / CSZ            4 buffer-cache chunks; 64 and more count
//                              in units of 64; more than 65,535 chunks
//                              (a cache past 4 GiB) is lowered with
//                              warning 4049
//   UltraSafeCommit / USF      "1" flushes every table at commit
#include <sqlext.h>

#include <cctype>
#include <cstring>

#include "base/BaseErrors.h"
#include "base/BaseInfoTable.h"
#include "error/FlatErrors.h"
#include "flat/FlatConnection.h"
#include "util/VxProfile.h"
#include "util/VxString.h"
#include "util/bos.h"
#include "util/bvm.h"
#include "util/ram.h"
#include "util/str.h"

namespace {

// The scalar functions below are exactly those expandNativeEscape rewrites.
const BaseInfoEntry FLAT_INFO[] = {
    BaseInfoEntry::ofNumber(SQL_FETCH_DIRECTION, INFO_VAL_MASK32, 0x3F),
    BaseInfoEntry::ofText(SQL_SEARCH_PATTERN_ESCAPE, "~"),
    BaseInfoEntry::ofText(SQL_ACCESSIBLE_TABLES, "Y"),
    BaseInfoEntry::ofNumber(SQL_CONCAT_NULL_BEHAVIOR, INFO_VAL_U16, 0),
    BaseInfoEntry::ofNumber(SQL_DEFAULT_TXN_ISOLATION, INFO_VAL_U32, 2),
    BaseInfoEntry::ofText(SQL_EXPRESSIONS_IN_ORDERBY, "Y"),
    BaseInfoEntry::ofText(SQL_IDENTIFIER_QUOTE_CHAR, "`"),
    BaseInfoEntry::ofNumber(SQL_MAX_QUALIFIER_NAME_LEN, INFO_VAL_U16, 128),
    BaseInfoEntry::ofNumber(SQL_MAX_TABLE_NAME_LEN, INFO_VAL_U16, 128),
    BaseInfoEntry::ofText(SQL_QUALIFIER_NAME_SEPARATOR, "\\"),
    BaseInfoEntry::ofNumber(SQL_SCROLL_OPTIONS, INFO_VAL_MASK32,
                            SQL_SO_FORWARD_ONLY | SQL_SO_STATIC),
    BaseInfoEntry::ofNumber(SQL_NUMERIC_FUNCTIONS, INFO_VAL_MASK32, 0x500A00),
    BaseInfoEntry::ofNumber(SQL_STRING_FUNCTIONS, INFO_VAL_MASK32, 0x45E5D),
    BaseInfoEntry::ofNumber(SQL_SYSTEM_FUNCTIONS, INFO_VAL_MASK32, 5),
    BaseInfoEntry::ofNumber(SQL_TIMEDATE_FUNCTIONS, INFO_VAL_MASK32, 0x12E),
    BaseInfoEntry::ofNumber(SQL_TXN_ISOLATION_OPTION, INFO_VAL_MASK32, 2),
    BaseInfoEntry::ofNumber(SQL_NON_NULLABLE_COLUMNS, INFO_VAL_U16, 0),
    BaseInfoEntry::ofNumber(SQL_LOCK_TYPES, INFO_VAL_MASK32, 1),
    BaseInfoEntry::ofNumber(SQL_POS_OPERATIONS, INFO_VAL_MASK32, 0x1F),
    BaseInfoEntry::ofNumber(SQL_GETDATA_EXTENSIONS, INFO_VAL_MASK32, 0xF),
    BaseInfoEntry::ofNumber(SQL_STATIC_SENSITIVITY, INFO_VAL_MASK32, 4),
    BaseInfoEntry::ofNumber(SQL_FILE_USAGE, INFO_VAL_U16, 1),
    BaseInfoEntry::ofNumber(SQL_ALTER_TABLE, INFO_VAL_MASK32, 0),
    // Select-list items take a name of their own ("SELECT a AS b").
    BaseInfoEntry::ofText(SQL_COLUMN_ALIAS, "Y"),
    BaseInfoEntry::ofText(SQL_ORDER_BY_COLUMNS_IN_SELECT, "N"),
    BaseInfoEntry::ofNumber(SQL_OWNER_USAGE, INFO_VAL_MASK32, 0),
    BaseInfoEntry::ofNumber(SQL_QUALIFIER_USAGE, INFO_VAL_MASK32, 0xD),
    BaseInfoEntry::ofText(SQL_SPECIAL_CHARACTERS, "~@#$%^&*_-+=\\}{;:?/><,.![]"),
    BaseInfoEntry::ofNumber(SQL_MAX_USER_NAME_LEN, INFO_VAL_U16, 0),
    BaseInfoEntry::ofNumber(1025, INFO_VAL_MASK32, 0xF8000000u),
    BaseInfoEntry::ofNumber(65003, INFO_VAL_U32, 121),
};

// Owns a string from getConnectionValue.
struct OwnedText {
    char* text = nullptr;
    ~OwnedText() { ramFree(text); }
    bool present() const { return text != nullptr && *text != '\0'; }
};

VxStatus readValue(FlatConnection& connection, VxValueParser* parser, const char* shortKey,
                   const char* longKey, const char* defaultValue, OwnedText* out) {
    return connection.getConnectionValue(parser, shortKey, longKey, defaultValue, &out->text,
                                         nullptr);
}

// Directory `given` made a full path, one trailing separator removed
// unless it is the root or follows a drive colon; it must be a directory.
VxStatus validateDirectory(const char* given) {
    VxString path;
    if (path.initialize(given) != VX_SUCCESS || bosfpath(&path) != VX_SUCCESS)
        return VX_ERROR;
    char buffer[FLAT_PATH_BUFFER];
    strCopy(buffer, sizeof buffer, path.getText() ? path.getText() : "");
    std::size_t length = std::strlen(buffer);
    if (length > 1 && (buffer[length - 1] == '/' || buffer[length - 1] == '\\') &&
        buffer[length - 2] != ':')
        buffer[length - 1] = '\0';
    if (bosfattr(buffer) != 2) {
        addFlatError(3813) << given;
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

// An unsigned decimal number of at most `max`.
bool parseUnsigned(const char* text, unsigned long max, unsigned long* value) {
    while (*text == ' ')
        ++text;
    if (!std::isdigit(static_cast<unsigned char>(*text)))
        return false;
    unsigned long result = 0;
    for (; std::isdigit(static_cast<unsigned char>(*text)); ++text) {
        result = result * 10 + static_cast<unsigned long>(*text - '0');
        if (result > max)
            return false;
    }
    while (*text == ' ')
        ++text;
    if (*text)
        return false;
    *value = result;
    return true;
}

// The most 64 KiB chunks the buffer cache may hold, and the largest
// CacheSize that asks for no more.
constexpr unsigned long MAX_CACHE_CHUNKS = 0xFFFF;
constexpr unsigned long MAX_CACHE_SIZE = MAX_CACHE_CHUNKS << 6 | 63;

} // namespace

VxStatus FlatConnection::isFunctionSupported(unsigned short api, unsigned short* supported) {
    switch (api) {
    case SQL_API_SQLSETPARAM:         // the driver manager maps it to SQLBindParameter
    case SQL_API_SQLCOLUMNPRIVILEGES: // no privileges, keys or procedures
    case SQL_API_SQLTABLEPRIVILEGES:
    case SQL_API_SQLFOREIGNKEYS:
    case SQL_API_SQLPROCEDURES:
    case SQL_API_SQLPROCEDURECOLUMNS:
    case SQL_API_SQLDATASOURCES: // the driver manager's own
    case SQL_API_SQLDRIVERS:
    case SQL_API_SQLDESCRIBEPARAM: // not an entry point of the drivers
    case SQL_API_SQLSETPOS:
        *supported = 0;
        break;
    default:
        *supported = (api >= SQL_API_SQLALLOCCONNECT && api <= SQL_API_SQLTRANSACT) ||
                     (api >= SQL_API_SQLCOLUMNS && api <= SQL_API_SQLBINDPARAMETER);
        break;
    }
    return VX_SUCCESS;
}

const BaseInfoTable& FlatConnection::getFlatInfoTable() {
    static const BaseInfoTable table(FLAT_INFO, sizeof FLAT_INFO / sizeof FLAT_INFO[0]);
    return table;
}

VxStatus FlatConnection::readDataDirectory(VxValueParser* parser) {
    OwnedText database;
    OwnedText validate;
    if (readValue(*this, parser, "DB", "Database", nullptr, &database) != VX_SUCCESS)
        return VX_ERROR;
    if (!database.present()) {
        ramFree(database.text);
        database.text = nullptr;
        if (readValue(*this, parser, "DD", "DataDirectory", nullptr, &database) != VX_SUCCESS)
            return VX_ERROR;
    }
    if (readValue(*this, parser, "VDB", "ValidateDB", "0", &validate) != VX_SUCCESS)
        return VX_ERROR;
    if (database.present()) {
        if (validate.present() && std::strcmp(validate.text, "0") != 0 &&
            validateDirectory(database.text) != VX_SUCCESS)
            return VX_ERROR;
        return setDataDirectory(database.text);
    }
    VxString cwd;
    if (bosgtcwd(&cwd, false) != VX_SUCCESS)
        return VX_ERROR;
    return setDataDirectory(cwd.getText());
}

VxStatus FlatConnection::readCharsetAndSort(VxValueParser* parser) {
    OwnedText charset;
    OwnedText intlSort;
    if (readValue(*this, parser, "CS", "Charset", nullptr, &charset) != VX_SUCCESS)
        return VX_ERROR;
    if (charset.present() && !strEqualCi(charset.text, "ANSI") &&
        !strEqualCi(charset.text, "WINDOWS") && !hasTranslationLibrary() && !isCharsetNamed())
        addFlatWarning(4048);
    char language[81];
    ntGetProfileString("Intl", "sLanguage", "eng", language, sizeof language, "WIN.INI");
    const bool english = std::tolower(static_cast<unsigned char>(language[0])) == 'e' &&
                         std::tolower(static_cast<unsigned char>(language[1])) == 'n';
    setFlatFlag(FLAT_NOT_ENGLISH | FLAT_INTL_SORT, !english);
    if (readValue(*this, parser, "IS", "IntlSort", nullptr, &intlSort) != VX_SUCCESS)
        return VX_ERROR;
    if (intlSort.text)
        setFlatFlag(FLAT_INTL_SORT, std::strcmp(intlSort.text, "1") == 0);
    return VX_SUCCESS;
}

VxStatus FlatConnection::readCacheOptions(VxValueParser* parser) {
    OwnedText openCache;
    OwnedText defer;
    OwnedText cacheSize;
    OwnedText ultraSafe;
    if (readValue(*this, parser, "FOC", "FileOpenCache", "0", &openCache) != VX_SUCCESS)
        return VX_ERROR;
    unsigned long count = 0;
    if (openCache.present() && !parseUnsigned(openCache.text, 0xFFFF, &count)) {
        addOdbcError(ODBC_S1009, 6015) << "FileOpenCache";
        return VX_ERROR;
    }
    fileOpenCache_ = static_cast<std::uint16_t>(count);
    if (readValue(*this, parser, "DQ", "DeferQueryEvaluation", nullptr, &defer) != VX_SUCCESS)
        return VX_ERROR;
    setFlatFlag(FLAT_DEFER_EVALUATION, !defer.text || std::strcmp(defer.text, "1") == 0);
    if (readValue(*this, parser, "CSZ", "CacheSize", "4", &cacheSize) != VX_SUCCESS)
        return VX_ERROR;
    unsigned long size = 4;
    if (cacheSize.present() && !parseUnsigned(cacheSize.text, 0xFFFFFFFFul, &size)) {
        addOdbcError(ODBC_S1009, 6015) << "CacheSize";
        return VX_ERROR;
    }
    if (size > MAX_CACHE_SIZE) {
        addFlatWarning(4049) << "CacheSize" << MAX_CACHE_SIZE;
        size = MAX_CACHE_SIZE;
    }
    cacheSize_ = static_cast<unsigned>(size >= 64 ? size >> 6 : size);
    if (!hasFlatFlag(FLAT_CACHE_INITIALISED)) {
        bufferCache_ = bvmInit(cacheSize_);
        if (!bufferCache_)
            return VX_ERROR;
        setFlatFlag(FLAT_CACHE_INITIALISED, true);
    }
    if (readValue(*this, parser, "USF", "UltraSafeCommit", nullptr, &ultraSafe) != VX_SUCCESS)
        return VX_ERROR;
    setFlatFlag(FLAT_ULTRA_SAFE_COMMIT, ultraSafe.text && std::strcmp(ultraSafe.text, "1") == 0);
    return VX_SUCCESS;
}

VxStatus FlatConnection::getConnectOptions(VxValueParser* parser) {
    if (readDataDirectory(parser) != VX_SUCCESS || readCharsetAndSort(parser) != VX_SUCCESS ||
        readCacheOptions(parser) != VX_SUCCESS)
        return VX_ERROR;
    setInfoTable(&getFlatInfoTable());
    return VX_SUCCESS;
}
