// SQLBrowseConnect: connecting in steps, each step naming the attributes the
// next one needs.
//
// The driver's setup table gives every attribute a browse level. A browse
// starts at level 0 with no accumulated attributes; a step whose input
// (together with what was accumulated) completes the next level raises the
// level and lets the driver's processBrowse connect that far. The answer
// lists the attributes of the level after the current one that are still
// missing, each as [*][short:]long=choices, separated by ';' ("*" marks an
// optional one; choices are "?", "{a,b}" or the driver's own):
//
//   "" ──NEED_DATA "DB:Database=?"──> "DB=x" ──NEED_DATA "LK:Lock={none,shared}"
//      ──> "LK=none" ──SUCCESS "DSN=..;DB=x;LK=none"
//
// The accumulated attributes live between calls as connect-string text.
#include <sqlext.h>

#include <cstring>
#include <initializer_list>

#include "base/BaseConnection.h"
#include "base/BaseErrors.h"
#include "connect/BaseConnectText.h"
#include "util/VxString.h"
#include "util/VxValueParser.h"
#include "util/ram.h"
#include "util/str.h"

namespace {

bool hasText(const char* text) {
    return text && *text;
}

bool sameKey(const VxSubString& key, const char* name) {
    return hasText(name) && strCompareCi(key.data(), key.length(), name, std::strlen(name)) == 0;
}

// The value of an entry (by long or short keyword) in `parser`, unmarked.
const VxSubString* entryValue(const VxValueParser& parser, const SetupInfo& entry) {
    for (std::uint16_t i = 0; i < parser.getAttributeCount(); ++i) {
        const VxSubString* key = parser.getAttributeKey(i);
        if (sameKey(*key, entry.key) || sameKey(*key, entry.shortKeyword))
            return parser.getAttributeValueAt(i);
    }
    return nullptr;
}

const VxSubString* passwordValue(const VxValueParser& parser) {
    for (std::uint16_t i = 0; i < parser.getAttributeCount(); ++i) {
        const VxSubString* key = parser.getAttributeKey(i);
        if (sameKey(*key, "PWD") || sameKey(*key, "Password"))
            return parser.getAttributeValueAt(i);
    }
    return nullptr;
}

bool isConnectionKey(const VxSubString& key) {
    for (const char* name : {"DSN", "PWD", "Password", "DRV", "DRIVER"})
        if (sameKey(key, name))
            return true;
    return false;
}

bool sameValue(const VxSubString* a, const VxSubString* b) {
    return a->length() == b->length() && std::memcmp(a->data(), b->data(), a->length()) == 0;
}

} // namespace

void BaseConnection::freeBrowseState() {
    ramFree(browseAttributes_);
    browseAttributes_ = nullptr;
    browseLevel_ = 0;
    setFlag(CONN_NO_BROWSE, true);
}

const SetupInfo* BaseConnection::findSetupEntry(const VxSubString& key) const {
    for (std::uint16_t i = 0; i < setupCount_; ++i)
        if (sameKey(key, setupTable_[i].key) || sameKey(key, setupTable_[i].shortKeyword))
            return &setupTable_[i];
    return nullptr;
}

// The highest level any attribute is asked for at; at least 1, so that a
// driver without a table still connects in one step.
std::uint16_t BaseConnection::maxBrowseLevel() const {
    std::uint16_t level = passwordEntry_.use != PASSWORD_NONE ? passwordEntry_.browseLevel : 1;
    for (std::uint16_t i = 0; i < setupCount_; ++i)
        if (setupTable_[i].browseLevel > level)
            level = setupTable_[i].browseLevel;
    return level ? level : 1;
}

// A warning 01S00 for every input attribute of an already completed level
// whose value differs from the one accumulated.
void BaseConnection::browseReportChanged(const VxValueParser& input,
                                         const VxValueParser& accumulated) {
    for (std::uint16_t i = 0; i < input.getAttributeCount(); ++i) {
        const SetupInfo* entry = findSetupEntry(*input.getAttributeKey(i));
        if (!entry || entry->browseLevel > browseLevel_)
            continue;
        const VxSubString* before = entryValue(accumulated, *entry);
        if (before && !sameValue(before, input.getAttributeValueAt(i)))
            addOdbcWarning(ODBC_01S00, 6015) << *input.getAttributeKey(i);
    }
}

// Whether every required attribute of `level` has a value.
bool BaseConnection::browseLevelComplete(const VxValueParser& input,
                                         const VxValueParser& accumulated,
                                         std::uint16_t level) const {
    for (std::uint16_t i = 0; i < setupCount_; ++i) {
        const SetupInfo& entry = setupTable_[i];
        if (entry.browseLevel == level && !entry.optional && !entryValue(input, entry) &&
            !entryValue(accumulated, entry))
            return false;
    }
    if (passwordEntry_.use == PASSWORD_REQUIRED && passwordEntry_.browseLevel == level)
        return passwordValue(input) || passwordValue(accumulated);
    return true;
}

// The accumulated attributes after this step: those kept so far, the
// input's attributes of levels not yet completed, the password when it is
// asked for next, and every input attribute that names no setup entry.
VxStatus BaseConnection::browseAccumulate(const VxValueParser& input, VxValueParser& accumulated,
                                          VxString& out) {
    for (std::uint16_t i = 0; i < input.getAttributeCount(); ++i) {
        const VxSubString& key = *input.getAttributeKey(i);
        const SetupInfo* entry = findSetupEntry(key);
        bool keep = entry ? entry->browseLevel > browseLevel_ : !isConnectionKey(key);
        if (!entry && (sameKey(key, "PWD") || sameKey(key, "Password")))
            keep = passwordEntry_.use != PASSWORD_NONE &&
                   passwordEntry_.browseLevel == browseLevel_ + 1;
        if (!keep)
            continue;
        VxString name;
        if (name.initialize(entry ? entry->key : key.data(),
                            entry ? std::strlen(entry->key) : key.length()) != VX_SUCCESS)
            return VX_ERROR;
        if (entry && hasText(entry->shortKeyword))
            accumulated.removeAttribute(entry->shortKeyword);
        char* value = nullptr;
        if (input.getAttributeValueAt(i)->getCopyUnquoted(value) != VX_SUCCESS)
            return VX_ERROR;
        VxStatus status = accumulated.addAttribute(name.getText(), value);
        ramFree(value);
        if (status != VX_SUCCESS)
            return VX_ERROR;
    }
    return accumulated.buildString(out);
}

// The attributes of the next level still missing, as the answer lists them.
VxStatus BaseConnection::browseResult(const VxValueParser& accumulated, VxString& result) {
    std::uint16_t next = static_cast<std::uint16_t>(browseLevel_ + 1);
    for (std::uint16_t i = 0; i < setupCount_; ++i) {
        const SetupInfo& entry = setupTable_[i];
        if (entry.browseLevel != next || entryValue(accumulated, entry))
            continue;
        VxString choices;
        if (modifyBrowse(entry.shortKeyword, &choices) != VX_SUCCESS)
            return VX_ERROR;
        VxStatus status = result.length() ? result.concat(';') : VX_SUCCESS;
        if (status == VX_SUCCESS && entry.optional)
            status = result.concat('*');
        if (status == VX_SUCCESS && hasText(entry.shortKeyword))
            status =
                result.concat(entry.shortKeyword) == VX_SUCCESS ? result.concat(':') : VX_ERROR;
        if (status == VX_SUCCESS && result.concat(entry.key) == VX_SUCCESS &&
            result.concat('=') == VX_SUCCESS) {
            if (choices.length())
                status = result.concat(choices);
            else if (entry.kind == SETUP_COMBO_LIST)
                status =
                    result.concat('{') == VX_SUCCESS && result.concat(entry.onValue) == VX_SUCCESS
                        ? result.concat('}')
                        : VX_ERROR;
            else
                status = result.concat('?');
        }
        if (status != VX_SUCCESS)
            return VX_ERROR;
    }
    if (passwordEntry_.use != PASSWORD_NONE && passwordEntry_.browseLevel == next &&
        !passwordValue(accumulated)) {
        if ((result.length() && result.concat(';') != VX_SUCCESS) ||
            (passwordEntry_.use == PASSWORD_OPTIONAL && result.concat('*') != VX_SUCCESS) ||
            result.concat("PWD:Password=?") != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

// Raises the level while the attributes complete the next one, letting the
// driver connect that far each time. A step that raised errors is undone:
// the level goes back and the caller is asked for more.
VxStatus BaseConnection::browseSteps(const VxValueParser& input, bool started,
                                     VxString& accumulatedText, bool* needData) {
    VxValueParser accumulated(VxSubString(accumulatedText.getText(), accumulatedText.length()),
                              ';');
    if (accumulated.initialize() != VX_SUCCESS)
        return VX_ERROR;
    bool meaningful = started;
    for (std::uint16_t i = 0; i < input.getAttributeCount(); ++i) {
        const VxSubString& key = *input.getAttributeKey(i);
        meaningful |= !sameKey(key, "DSN") && !sameKey(key, "DRV") && !sameKey(key, "DRIVER");
    }
    while (meaningful && browseLevel_ < maxBrowseLevel() &&
           browseLevelComplete(accumulated, accumulated,
                               static_cast<std::uint16_t>(browseLevel_ + 1))) {
        VxErrorList* list = VxErrorKeeper::getErrorList();
        ++browseLevel_;
        VxStatus status = processBrowse(&accumulated);
        if (status != VX_SUCCESS || (list && list->holdsError())) {
            --browseLevel_;
            *needData = true;
            return VX_SUCCESS;
        }
    }
    return VX_SUCCESS;
}

SQLRETURN BaseConnection::SQLBrowseConnect(SQLCHAR* szConnStrIn, SQLSMALLINT cbConnStrIn,
                                           SQLCHAR* szConnStrOut, SQLSMALLINT cbConnStrOutMax,
                                           SQLSMALLINT* pcbConnStrOut) {
    BaseConnectionCall call(*this, SQL_API_SQLBROWSECONNECT);
    if (call.isBusy())
        return BASE_BUSY;
    if (isConnected()) {
        addOdbcError(ODBC_08002);
        return call.finish(SQL_ERROR);
    }
    bool started = !hasFlag(CONN_NO_BROWSE);
    bool needData = false;
    SQLRETURN rc = SQL_ERROR;
    if (browse(szConnStrIn, cbConnStrIn, szConnStrOut, cbConnStrOutMax, pcbConnStrOut, started,
               &needData) == VX_SUCCESS) {
        rc = needData ? SQL_NEED_DATA : SQL_SUCCESS;
    } else {
        (void)disconnectAndReset();
    }
    return call.finish(rc);
}

VxStatus BaseConnection::browse(SQLCHAR* szConnStrIn, SQLSMALLINT cbConnStrIn,
                                SQLCHAR* szConnStrOut, SQLSMALLINT cbConnStrOutMax,
                                SQLSMALLINT* pcbConnStrOut, bool started, bool* needData) {
    std::size_t length;
    VxString text;
    if (baseInputLength(szConnStrIn, cbConnStrIn, &length) != VX_SUCCESS ||
        text.initialize(szConnStrIn ? reinterpret_cast<char*>(szConnStrIn) : "", length) !=
            VX_SUCCESS)
        return VX_ERROR;
    VxValueParser input(VxSubString(text.getText(), length), ';');
    if (input.initialize() != VX_SUCCESS)
        return VX_ERROR;
    if (!started) {
        browseLevel_ = 0;
        ramFree(browseAttributes_);
        browseAttributes_ = nullptr;
    }
    const VxSubString* dsn = input.getAttributeValue("DSN");
    if (!started || dsn) {
        char* name = nullptr;
        if (dsn && dsn->getCopyUnquoted(name) != VX_SUCCESS)
            return VX_ERROR;
        VxStatus status = setDataSourceName(name, name ? std::strlen(name) : 0);
        ramFree(name);
        if (status != VX_SUCCESS)
            return VX_ERROR;
    }
    const char* before = browseAttributes_ ? browseAttributes_ : "";
    VxValueParser accumulated(VxSubString(before, std::strlen(before)), ';');
    VxString accumulatedText;
    if (accumulated.initialize() != VX_SUCCESS)
        return VX_ERROR;
    browseReportChanged(input, accumulated);
    if (browseAccumulate(input, accumulated, accumulatedText) != VX_SUCCESS)
        return VX_ERROR;
    VxValueParser settings(VxSubString(accumulatedText.getText(), accumulatedText.length()), ';');
    if (settings.initialize() != VX_SUCCESS || setUserId(nullptr) != VX_SUCCESS ||
        setPassword(nullptr) != VX_SUCCESS || readFrameworkAttributes(&settings) != VX_SUCCESS)
        return VX_ERROR;
    if (browseSteps(input, started, accumulatedText, needData) != VX_SUCCESS)
        return VX_ERROR;
    setFlag(CONN_NO_BROWSE, false);
    if (!*needData) {
        char* kept = ramAllocStr(accumulatedText.getText());
        if (!kept)
            return VX_ERROR;
        ramFree(browseAttributes_);
        browseAttributes_ = kept;
    }
    const char* current = browseAttributes_ ? browseAttributes_ : "";
    VxValueParser now(VxSubString(current, std::strlen(current)), ';');
    VxString result;
    if (now.initialize() != VX_SUCCESS || browseResult(now, result) != VX_SUCCESS)
        return VX_ERROR;
    if (result.length() || *needData) {
        *needData = true;
        baseCopyOutString(result.getText(), result.length(), szConnStrOut, cbConnStrOutMax,
                          pcbConnStrOut);
        return VX_SUCCESS;
    }
    return browseComplete(now, szConnStrOut, cbConnStrOutMax, pcbConnStrOut);
}

// The last step: the connection is open; the answer is the complete
// connect string.
VxStatus BaseConnection::browseComplete(VxValueParser& accumulated, SQLCHAR* szConnStrOut,
                                        SQLSMALLINT cbConnStrOutMax, SQLSMALLINT* pcbConnStrOut) {
    if (!isConnected() && completeConnect() != VX_SUCCESS)
        return VX_ERROR;
    VxString out;
    if (driverConnectString(accumulated, out) != VX_SUCCESS)
        return VX_ERROR;
    ramFree(browseAttributes_);
    browseAttributes_ = nullptr;
    browseLevel_ = 0;
    setFlag(CONN_NO_BROWSE, true);
    baseCopyOutString(out.getText(), out.length(), szConnStrOut, cbConnStrOutMax, pcbConnStrOut);
    return VX_SUCCESS;
}
