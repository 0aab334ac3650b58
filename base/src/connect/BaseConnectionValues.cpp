// Where a connection's attributes come from: the connect string, then the
// data source's section of ODBC.INI, then a default; the data-source name;
// the framework's own attributes; unused connect-string attributes.
#include <cstdlib>
#include <cstring>

#include "base/BaseConnection.h"
#include "base/BaseErrors.h"
#include "connect/BaseOdbcInstaller.h"
#include "util/VxProfile.h"
#include "util/VxString.h"
#include "util/VxValueParser.h"
#include "util/ram.h"

namespace {

// Values read from ODBC.INI are cut to this many bytes.
constexpr std::size_t INI_VALUE_SIZE = 256;
// The Driver entry that makes a data-source name valid.
constexpr std::size_t INI_DRIVER_SIZE = 80;
constexpr const char* DEFAULT_DSN = "Default";

bool isZero(const char* value) {
    return !value || std::strcmp(value, "0") == 0;
}

unsigned long numberOf(const char* value) {
    return value ? std::strtoul(value, nullptr, 10) : 0;
}

// Looks the attribute up in the connect string; *found is null when absent.
VxStatus findInString(VxValueParser& parser, const char* shortKeyword, const char* longKeyword,
                      const VxSubString** found) {
    *found = nullptr;
    if (shortKeyword && *shortKeyword)
        return parser.getAttributeValue(shortKeyword, longKeyword, found);
    if (longKeyword)
        *found = parser.getAttributeValue(longKeyword);
    return VX_SUCCESS;
}

} // namespace

VxStatus BaseConnection::getConnectionValue(VxValueParser* parser, const char* shortKeyword,
                                            const char* longKeyword, const char* defaultValue,
                                            char** value, ConnectionValueSource* source) {
    ConnectionValueSource where = CONNECTION_VALUE_NONE;
    *value = nullptr;
    bool readIni = true;
    if (parser) {
        readIni = !parser->isAttributeValue("DRIVER");
        const VxSubString* found = nullptr;
        if (findInString(*parser, shortKeyword, longKeyword, &found) != VX_SUCCESS)
            return VX_ERROR;
        if (found) {
            if (found->getCopyUnquoted(*value) != VX_SUCCESS)
                return VX_ERROR;
            where = CONNECTION_VALUE_STRING;
        }
    }
    if (!*value && readIni && longKeyword) {
        char text[INI_VALUE_SIZE];
        const char* section = dataSourceName_ ? dataSourceName_ : DEFAULT_DSN;
        if (ntGetProfileString(section, longKeyword, "", text, sizeof text, BASE_ODBC_INI) > 0 &&
            text[0]) {
            if (!(*value = ramAllocStr(text)))
                return VX_ERROR;
            where = CONNECTION_VALUE_ODBC_INI;
        }
    }
    if (!*value && defaultValue) {
        if (!(*value = ramAllocStr(defaultValue)))
            return VX_ERROR;
        where = CONNECTION_VALUE_DEFAULT;
    }
    if (source)
        *source = where;
    return VX_SUCCESS;
}

VxStatus BaseConnection::setDataSourceName(const char* name, std::size_t length) {
    char* copy = nullptr;
    if (name && length > 0) {
        if (!(copy = ramAllocStr(name, length)))
            return VX_ERROR;
        char driver[INI_DRIVER_SIZE];
        if (ntGetProfileString(copy, "Driver", "", driver, sizeof driver, BASE_ODBC_INI) == 0 ||
            !driver[0]) {
            ramFree(copy);
            copy = nullptr;
        }
    }
    if (!copy && !(copy = ramAllocStr(DEFAULT_DSN)))
        return VX_ERROR;
    ramFree(dataSourceName_);
    dataSourceName_ = copy;
    return VX_SUCCESS;
}

VxStatus BaseConnection::setUserId(const char* id) {
    char* copy = nullptr;
    if (id && !(copy = ramAllocStr(id)))
        return VX_ERROR;
    ramFree(userId_);
    userId_ = copy;
    return VX_SUCCESS;
}

VxStatus BaseConnection::setPassword(const char* password) {
    char* copy = nullptr;
    if (password && !(copy = ramAllocStr(password)))
        return VX_ERROR;
    ramFree(password_);
    password_ = copy;
    return VX_SUCCESS;
}

namespace {

// One attribute read into an owned string, released at scope end.
struct AttributeValue {
    ~AttributeValue() { ramFree(text); }
    char* text = nullptr;
    ConnectionValueSource source = CONNECTION_VALUE_NONE;
};

} // namespace

// The order matters: the user id and password come first, so a driver's
// connectInit sees them; the translation library is loaded before
// StaticToKeyset and UseLongQualifiers are read.
// FileHandles is read but has nothing to do: descriptors need no raising.
VxStatus BaseConnection::readFrameworkAttributes(VxValueParser* parser) {
    AttributeValue uid, pwd, ms, yld, ae, wa, fh, stk, ulq;
    if (!userId_) {
        if (getConnectionValue(parser, "UID", "LogonID", nullptr, &uid.text, &uid.source) !=
            VX_SUCCESS)
            return VX_ERROR;
        userId_ = uid.text;
        uid.text = nullptr;
        setFlag(CONN_UID_FROM_INI, uid.source == CONNECTION_VALUE_ODBC_INI);
    }
    if (!password_) {
        if (getConnectionValue(parser, "PWD", "Password", nullptr, &pwd.text, &pwd.source) !=
            VX_SUCCESS)
            return VX_ERROR;
        password_ = pwd.text;
        pwd.text = nullptr;
        setFlag(CONN_PWD_FROM_INI, pwd.source == CONNECTION_VALUE_ODBC_INI);
    }
    if (getConnectionValue(parser, "MS", "ModifySql", "1", &ms.text, nullptr) != VX_SUCCESS ||
        getConnectionValue(parser, "YLD", "YieldProc", "1", &yld.text, nullptr) != VX_SUCCESS ||
        getConnectionValue(parser, "AE", "AsyncExec", "0", &ae.text, nullptr) != VX_SUCCESS ||
        getConnectionValue(parser, "WA", "WorkArounds", "0", &wa.text, nullptr) != VX_SUCCESS ||
        getConnectionValue(parser, "FH", "FileHandles", "0", &fh.text, nullptr) != VX_SUCCESS)
        return VX_ERROR;
    setFlag(CONN_MODIFY_SQL, !isZero(ms.text));
    unsigned long mode = numberOf(yld.text);
    asyncMode_ = static_cast<std::uint16_t>(mode > 3 ? 1 : mode);
    if (asyncMode_ == 1 && ae.text && std::strcmp(ae.text, "1") == 0)
        asyncMode_ = 3;
    std::uint32_t shares = workArounds_.load() & SHARE_COUNT_MASK;
    workArounds_.store((static_cast<std::uint32_t>(numberOf(wa.text)) & ~SHARE_COUNT_MASK) |
                       shares);
    if (!parser || !parser->isAttributeValue("DRIVER"))
        if (readTranslationSettings() != VX_SUCCESS)
            return VX_ERROR;
    if (getConnectionValue(parser, "STK", "StaticToKeyset", "0", &stk.text, nullptr) !=
            VX_SUCCESS ||
        getConnectionValue(parser, "ULQ", "UseLongQualifiers", "0", &ulq.text, nullptr) !=
            VX_SUCCESS)
        return VX_ERROR;
    setFlag(CONN_STATIC_TO_KEYSET, numberOf(stk.text) != 0);
    setFlag(CONN_LONG_QUALIFIERS, numberOf(ulq.text) != 0);
    return readCharset(parser);
}

// TranslationDLL and TranslationOption come from ODBC.INI only.
VxStatus BaseConnection::readTranslationSettings() {
    AttributeValue library, option;
    if (getConnectionValue(nullptr, nullptr, "TranslationDLL", nullptr, &library.text, nullptr) !=
        VX_SUCCESS)
        return VX_ERROR;
    if (!library.text || !library.text[0])
        return VX_SUCCESS;
    if (getConnectionValue(nullptr, nullptr, "TranslationOption", "0", &option.text, nullptr) !=
        VX_SUCCESS)
        return VX_ERROR;
    translationOption_ = static_cast<SQLUINTEGER>(numberOf(option.text));
    return loadTranslationLibrary(library.text);
}

void BaseReportUnusedConnectionAttrs(VxValueParser& parser) {
    while (const VxSubString* key = parser.getUnusedAttribute())
        addOdbcWarning(ODBC_01S00, 6015) << *key;
}
