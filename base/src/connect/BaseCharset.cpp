// The data source's character set: the CharSet attribute.
//
// The words "ANSI", "WINDOWS", "IBMPC" and "OEM" (any case) are older
// values of the attribute, which said whether a translation library should
// convert the text; they keep the text as it is, in UTF-8. Any other value
// names a character set of the system's converter.
#include <cstring>

#include "base/BaseConnection.h"
#include "base/BaseErrors.h"
#include "connect/BaseOdbcInstaller.h"
#include "util/VxProfile.h"
#include "util/VxSubString.h"
#include "util/VxValueParser.h"
#include "util/ram.h"
#include "util/str.h"

namespace {

constexpr const char* SHORT_KEYWORD = "CS";
constexpr const char* LONG_KEYWORD = "CharSet";

bool isLegacyWord(const char* value) {
    return strEqualCi(value, "ANSI") || strEqualCi(value, "WINDOWS") ||
           strEqualCi(value, "IBMPC") || strEqualCi(value, "OEM");
}

} // namespace

VxStatus BaseConnection::readCharset(VxValueParser* parser) {
    char* value = nullptr;
    if (getConnectionValue(parser, SHORT_KEYWORD, LONG_KEYWORD, nullptr, &value, nullptr) !=
        VX_SUCCESS)
        return VX_ERROR;
    charsetNamed_ = false;
    bool named = value && *value && !isLegacyWord(value);
    VxStatus status = VX_SUCCESS;
    if (!named) {
        (void)charset_.select(nullptr);
    } else if (charset_.select(value)) {
        charsetNamed_ = true;
    } else {
        addOdbcError(ODBC_S1009, 6015) << LONG_KEYWORD;
        status = VX_ERROR;
    }
    ramFree(value);
    return status;
}

namespace {

// Copies the unquoted value of an attribute of `parser` into `out`.
void copyAttribute(VxValueParser& parser, const char* shortKeyword, const char* longKeyword,
                   char* out, std::size_t size) {
    const VxSubString* found = nullptr;
    if (shortKeyword) {
        if (parser.getAttributeValue(shortKeyword, longKeyword, &found) != VX_SUCCESS)
            found = nullptr;
    } else {
        found = parser.getAttributeValue(longKeyword);
    }
    char* value = nullptr;
    if (found && found->getCopyUnquoted(value) == VX_SUCCESS && value)
        strCopy(out, size, value);
    ramFree(value);
}

} // namespace

void baseConnectCharset(const char* text, std::size_t length, const char* dsn, VxCharset* charset) {
    char name[256] = "";
    char dsnFound[256] = "";
    bool readIni = true;
    if (text && length > 0) {
        VxValueParser parser(VxSubString(text, length), ';');
        if (parser.initialize() == VX_SUCCESS) {
            copyAttribute(parser, SHORT_KEYWORD, LONG_KEYWORD, name, sizeof name);
            if (!dsn)
                copyAttribute(parser, nullptr, "DSN", dsnFound, sizeof dsnFound);
            readIni = !parser.isAttributeValue("DRIVER");
        }
    }
    if (!dsn)
        dsn = dsnFound[0] ? dsnFound : "Default";
    if (!name[0] && readIni)
        ntGetProfileString(dsn, LONG_KEYWORD, "", name, sizeof name, BASE_ODBC_INI);
    if (!name[0] || isLegacyWord(name) || !charset->select(name))
        (void)charset->select(nullptr);
}
