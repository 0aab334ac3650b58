// DSNInfoStruct: ConfigDSN's work, through the installer calls.
#include "base/BaseDsnInfo.h"

#include <odbcinst.h>

#include <cstring>

#include "base/BaseErrors.h"
#include "connect/BaseOdbcInstaller.h"
#include "util/VxProfile.h"
#include "util/VxString.h"
#include "util/VxValueParser.h"
#include "util/mds.h"
#include "util/ram.h"
#include "util/str.h"

namespace {

// The attribute list is read up to this many characters.
constexpr std::size_t MAX_ATTRIBUTES = 2048;
constexpr std::size_t INI_VALUE_SIZE = 256;

// The length of a double-NUL-terminated list, without the final NUL pair.
std::size_t listLength(const char* list) {
    std::size_t i = 0;
    while (i + 1 < MAX_ATTRIBUTES && (list[i] || list[i + 1]))
        ++i;
    return list[0] ? i + (list[i] ? 1 : 0) : 0;
}

bool sameKeyCi(const VxSubString& key, const char* name) {
    std::size_t length = std::strlen(name);
    if (key.length() != length)
        return false;
    for (std::size_t i = 0; i < length; ++i) {
        char a = key.data()[i], b = name[i];
        if ((a >= 'a' && a <= 'z' ? a - 32 : a) != (b >= 'a' && b <= 'z' ? b - 32 : b))
            return false;
    }
    return true;
}

} // namespace

DSNInfoStruct::DSNInfoStruct(SQLHWND parent, unsigned short request, const char* driver,
                             const char* attributes, const SetupInfo* table, std::uint16_t count)
    : parent_(parent), request_(request), driver_(driver), attributes_(attributes), table_(table),
      count_(count), errorList_(nullptr) {}

DSNInfoStruct::~DSNInfoStruct() {
    delete parser_;
    ramFree(attributeCopy_);
    ramFree(initialName_);
    ramFree(currentName_);
    for (std::uint16_t i = 0; values_ && i < count_; ++i)
        ramFree(values_[i]);
    ramFree(values_);
    if (listInstalled_)
        VxErrorKeeper::giveUpErrorList();
    errorList_.deleteNodes();
    if (taskInitialised_)
        mdsPerTaskTerm();
}

const char* DSNInfoStruct::getValue(std::uint16_t index) const {
    return values_ && index < count_ ? values_[index] : nullptr;
}

// The list, copied, with "name\0(...)" joined into one string for a change
// or removal (a name that itself continues in parentheses).
VxStatus DSNInfoStruct::readAttributes() {
    const char* list = attributes_ ? attributes_ : "\0";
    std::size_t length = listLength(list);
    if (!(attributeCopy_ = static_cast<char*>(ramAlloc(length + 2))))
        return VX_ERROR;
    std::memcpy(attributeCopy_, list, length);
    attributeCopy_[length] = attributeCopy_[length + 1] = 0;
    std::size_t first = std::strlen(attributeCopy_);
    if ((request_ == ODBC_CONFIG_DSN || request_ == ODBC_REMOVE_DSN) && first < length) {
        const char* second = attributeCopy_ + first + 1;
        std::size_t secondLength = std::strlen(second);
        if (secondLength >= 2 && second[0] == '(' && second[secondLength - 1] == ')') {
            std::memmove(attributeCopy_ + first, second, length - first);
            --length;
        }
    }
    parser_ = new VxValueParser(VxSubString(attributeCopy_, length), '\0', "the attribute list");
    if (!parser_ || parser_->initialize() != VX_SUCCESS)
        return VX_ERROR;
    const VxSubString* dsn = parser_->getAttributeValue("DSN");
    if (dsn && dsn->getCopyUnquoted(initialName_) != VX_SUCCESS)
        return VX_ERROR;
    if (!initialName_ && !(initialName_ = ramAllocStr("")))
        return VX_ERROR;
    return (currentName_ = ramAllocStr(initialName_)) ? VX_SUCCESS : VX_ERROR;
}

// Each entry: the list, else the data source's ODBC.INI section, else the
// entry's default.
VxStatus DSNInfoStruct::readValues() {
    if (count_ == 0)
        return VX_SUCCESS;
    if (!(values_ = static_cast<char**>(ramAlloc(count_ * sizeof(char*)))))
        return VX_ERROR;
    std::memset(values_, 0, count_ * sizeof(char*));
    for (std::uint16_t i = 0; i < count_; ++i) {
        const SetupInfo& entry = table_[i];
        const VxSubString* given = parser_->getAttributeValue(entry.key);
        if (!given && entry.shortKeyword && *entry.shortKeyword)
            given = parser_->getAttributeValue(entry.shortKeyword);
        if (given) {
            if (given->getCopyUnquoted(values_[i]) != VX_SUCCESS)
                return VX_ERROR;
            continue;
        }
        char text[INI_VALUE_SIZE];
        text[0] = 0;
        if (initialName_[0])
            ntGetProfileString(initialName_, entry.key, "", text, sizeof text, BASE_ODBC_INI);
        const char* value = text[0] ? text : entry.defaultValue;
        if (value && !(values_[i] = ramAllocStr(value)))
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus DSNInfoStruct::config(bool* needDialog) {
    *needDialog = false;
    if (!mdsPerTaskInit())
        return VX_ERROR;
    taskInitialised_ = true;
    VxErrorKeeper::setErrorList(&errorList_);
    listInstalled_ = true;
    if (request_ < ODBC_ADD_DSN || request_ > ODBC_REMOVE_DSN) {
        addOdbcError(ODBC_S1092);
        postFailure();
        return VX_ERROR;
    }
    VxStatus status = readAttributes();
    if (status == VX_SUCCESS && request_ == ODBC_REMOVE_DSN) {
        if (!initialName_[0] || !baseInstallerRemoveDsn(initialName_)) {
            addOdbcError(ODBC_IM002);
            status = VX_ERROR;
        }
    } else if (status == VX_SUCCESS) {
        status = readValues();
        if (status == VX_SUCCESS && !SetDSNAttributes())
            status = VX_ERROR;
    }
    if (status != VX_SUCCESS)
        postFailure();
    return status;
}

int DSNInfoStruct::SetDSNAttributes() {
    if (!currentName_ || !currentName_[0] || !baseInstallerValidDsn(currentName_)) {
        addOdbcError(ODBC_IM010);
        return 0;
    }
    if (initialName_ && initialName_[0] && strCompareCi(initialName_, currentName_) != 0 &&
        !baseInstallerRemoveDsn(initialName_)) {
        addOdbcError(ODBC_S1000);
        return 0;
    }
    // Registering a data source rewrites its section from scratch: a data
    // source already registered for this driver keeps its other entries.
    char registered[INI_VALUE_SIZE];
    registered[0] = 0;
    ntGetProfileString(currentName_, "Driver", "", registered, sizeof registered, BASE_ODBC_INI);
    if (driver_ && registered[0] && strCompareCi(registered, driver_) == 0)
        return writeValues() == VX_SUCCESS ? 1 : 0;
    if (!driver_ || !baseInstallerWriteDsn(currentName_, driver_)) {
        addOdbcError(ODBC_IM003);
        return 0;
    }
    return writeValues() == VX_SUCCESS ? 1 : 0;
}

// Every entry with a value, then every other attribute of the list.
VxStatus DSNInfoStruct::writeValues() {
    for (std::uint16_t i = 0; i < count_; ++i)
        if (values_ && values_[i] &&
            ntWriteProfileString(currentName_, table_[i].key, values_[i], BASE_ODBC_INI) !=
                VX_SUCCESS)
            return VX_ERROR;
    for (std::uint16_t i = 0; parser_ && i < parser_->getAttributeCount(); ++i) {
        const VxSubString& key = *parser_->getAttributeKey(i);
        bool known = sameKeyCi(key, "DSN") || sameKeyCi(key, "Driver");
        for (std::uint16_t e = 0; e < count_ && !known; ++e)
            known = sameKeyCi(key, table_[e].key) ||
                    (table_[e].shortKeyword && sameKeyCi(key, table_[e].shortKeyword));
        if (known)
            continue;
        char* name = ramAllocStr(key.data(), key.length());
        char* value = nullptr;
        VxStatus status = name ? parser_->getAttributeValueAt(i)->getCopyUnquoted(value) : VX_ERROR;
        if (status == VX_SUCCESS)
            status = ntWriteProfileString(currentName_, name, value, BASE_ODBC_INI);
        ramFree(name);
        ramFree(value);
        if (status != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

void DSNInfoStruct::postFailure() {
    char message[BASE_RESOURCE_BUFFER];
    errorList_.collectMessages(message, sizeof message);
    baseInstallerPostError(message);
}
