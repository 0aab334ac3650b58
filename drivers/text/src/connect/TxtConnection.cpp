#include "connect/TxtConnection.h"

#include <sqlext.h>

#include <cstdint>
#include <cstring>

#include "base/BaseErrors.h"
#include "base/BaseInfoTable.h"
#include "cursor/TxtCursor.h"
#include "cursor/TxtSharedDesc.h"
#include "error/TxtErrors.h"
#include "flat/FlatStatement.h"
#include "record/TxtFormat.h"
#include "util/VxError.h"
#include "util/bos.h"
#include "util/ram.h"
#include "util/str.h"

namespace {

const SetupInfo SETUP_TABLE[] = {
    {"Database", 0, SETUP_EDIT, nullptr, nullptr, 255, "DB", 1, 0},
    {"ScanRows", 0, SETUP_EDIT, nullptr, "25", 8, "SR", 1, 1},
    {"TableType", 0, SETUP_COMBO_LIST, "Comma,Tab,Character,Fixed", "Comma", 0, "TT", 1, 1},
    {"Delimiter", 0, SETUP_EDIT, nullptr, ",", 1, "DC", 1, 1},
    {"UndefinedTable", 0, SETUP_COMBO_LIST, "PROMPT,GUESS", "PROMPT", 0, "UT", 1, 1},
    {"ExtraExtensions", 0, SETUP_EDIT, nullptr, nullptr, 255, "EE", 1, 1},
    {"FileOpenCache", 0, SETUP_EDIT, nullptr, "0", 5, "FOC", 1, 1},
    {"CacheSize", 0, SETUP_EDIT, nullptr, "4", 10, "CSZ", 1, 1},
    {"FirstLineNames", 0, SETUP_CHECK, "1", "0", 0, "FLN", 1, 1},
    {"IntlSort", 0, SETUP_CHECK, "1", "0", 0, "IS", 1, 1},
    {"UseLongQualifiers", 0, SETUP_CHECK, "1", "0", 0, "ULQ", 1, 1},
};

// The Text driver's own answers, ahead of the engine's. The driver does
// not export SQLSetPos, so it offers no positioned operations, no locks and
// no SQLGetData within a block of rows; its tables cannot be updated in
// place, so there are no positioned statements (nor SELECT ... FOR
// UPDATE). A directory may qualify a table in queries and in CREATE TABLE;
// there are no indexes to qualify. Names keep the case they were written in
// and compare without it.
const BaseInfoTable& textInfoTable() {
    static const BaseInfoEntry entries[] = {
        BaseInfoEntry::resource(SQL_DBMS_VER, 20107),
        BaseInfoEntry::ofNumber(SQL_IDENTIFIER_CASE, INFO_VAL_U16, SQL_IC_MIXED),
        BaseInfoEntry::ofNumber(SQL_MAX_COLUMN_NAME_LEN, INFO_VAL_U16, TXT_MAX_COLUMN_NAME),
        BaseInfoEntry::ofNumber(SQL_SCROLL_CONCURRENCY, INFO_VAL_MASK32, SQL_SCCO_READ_ONLY),
        BaseInfoEntry::ofNumber(SQL_LOCK_TYPES, INFO_VAL_MASK32, 0),
        BaseInfoEntry::ofNumber(SQL_POS_OPERATIONS, INFO_VAL_MASK32, 0),
        BaseInfoEntry::ofNumber(SQL_POSITIONED_STATEMENTS, INFO_VAL_MASK32, 0),
        BaseInfoEntry::ofNumber(SQL_GETDATA_EXTENSIONS, INFO_VAL_MASK32,
                                SQL_GD_ANY_COLUMN | SQL_GD_ANY_ORDER | SQL_GD_BOUND),
        BaseInfoEntry::ofNumber(SQL_STATIC_SENSITIVITY, INFO_VAL_MASK32, 0),
        BaseInfoEntry::ofNumber(SQL_QUALIFIER_USAGE, INFO_VAL_MASK32,
                                SQL_QU_DML_STATEMENTS | SQL_QU_TABLE_DEFINITION),
        BaseInfoEntry::ofNumber(SQL_QUOTED_IDENTIFIER_CASE, INFO_VAL_U16, SQL_IC_MIXED),
        BaseInfoEntry::ask(TxtConnection::INFO_FILE_TYPE),
    };
    static const BaseInfoTable table(entries, sizeof entries / sizeof entries[0],
                                     &FlatConnection::getFlatInfoTable());
    return table;
}

void copyText(const char* text, char* out, std::size_t outSize) {
    if (outSize > 0)
        strCopy(out, outSize, text);
}

// Blanks on both sides of `length` bytes at *text removed.
void trimBlanks(const char** text, std::size_t* length) {
    while (*length > 0 && (**text == ' ' || **text == '\t'))
        ++*text, --*length;
    while (*length > 0 && ((*text)[*length - 1] == ' ' || (*text)[*length - 1] == '\t'))
        --*length;
}

// Whether the comma-separated `list` holds `item` (without case).
bool listHolds(const char* list, const char* item, std::size_t length) {
    while (*list) {
        const char* comma = std::strchr(list, ',');
        const std::size_t itemLength =
            comma ? static_cast<std::size_t>(comma - list) : std::strlen(list);
        if (strEqualCi(list, itemLength, item, length))
            return true;
        if (!comma)
            break;
        list = comma + 1;
    }
    return false;
}

// A four-character code of MacFileInfo: `length` bytes, cut or padded.
void copyCode(const char* text, std::size_t length, char* code) {
    for (std::size_t i = 0; i < 4; ++i)
        code[i] = i < length ? text[i] : ' ';
    code[4] = '\0';
}

} // namespace

TxtConnection::TxtConnection(BaseEnv& env) : FlatConnection(env) {
    std::uint16_t count = 0;
    const SetupInfo* table = setupTable(&count);
    setSetupTable(table, count, BasePasswordEntry{});
    setFlatFlag(FLAT_CASE_INSENSITIVE_IDS | FLAT_TABLE_NAMES_CI, true);
    setFlatFlag(FLAT_ROWID | FLAT_COMPARE_FULL_PATH, false);
    // The engine takes parameter values as values (bindParam), never
    // substituted into the statement's text.
    setFlag(CONN_NATIVE_PARAMS, true);
}

TxtConnection::~TxtConnection() = default;

const SetupInfo* TxtConnection::setupTable(std::uint16_t* count) {
    *count = sizeof SETUP_TABLE / sizeof SETUP_TABLE[0];
    return SETUP_TABLE;
}

void TxtConnection::getDllName(char* out, std::size_t outSize) {
    copyText("libKWTXT08.so", out, outSize);
}

VxStatus TxtConnection::readValue(VxValueParser* parser, const char* shortKey, const char* longKey,
                                  const char* defaultValue, VxString* out) {
    char* text = nullptr;
    if (getConnectionValue(parser, shortKey, longKey, defaultValue, &text, nullptr) != VX_SUCCESS)
        return VX_ERROR;
    VxStatus status = out->initialize(text ? text : "");
    ramFree(text);
    return status;
}

VxStatus TxtConnection::readExtensions(VxValueParser* parser) {
    VxString given;
    if (readValue(parser, "EE", "ExtraExtensions", nullptr, &given) != VX_SUCCESS ||
        extensions_.initialize(EXTENSION) != VX_SUCCESS)
        return VX_ERROR;
    const char* text = given.getText();
    while (*text) {
        const char* comma = std::strchr(text, ',');
        std::size_t length = comma ? static_cast<std::size_t>(comma - text) : std::strlen(text);
        const char* item = text;
        text = comma ? comma + 1 : text + length;
        trimBlanks(&item, &length);
        // ".csv" and "*.csv" name the extension csv.
        if (length > 1 && item[0] == '*' && item[1] == '.')
            item += 2, length -= 2;
        else if (length > 0 && item[0] == '.')
            ++item, --length;
        if (length == 0 || listHolds(extensions_.getText(), item, length))
            continue;
        if (extensions_.concat(',') != VX_SUCCESS || extensions_.concat(item, length) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus TxtConnection::readTableDefaults(VxValueParser* parser) {
    VxString names;
    VxString rows;
    VxString type;
    VxString delimiter;
    VxString policy;
    if (readValue(parser, "FLN", "FirstLineNames", "0", &names) != VX_SUCCESS ||
        readValue(parser, "SR", "ScanRows", "25", &rows) != VX_SUCCESS ||
        readValue(parser, "TT", "TableType", "Comma", &type) != VX_SUCCESS ||
        readValue(parser, "DC", "Delimiter", ",", &delimiter) != VX_SUCCESS ||
        readValue(parser, "UT", "UndefinedTable", "Prompt", &policy) != VX_SUCCESS)
        return VX_ERROR;
    defaults_.firstLineNames = std::strcmp(names.getText(), "1") == 0;
    // A count of lines, 0 for the whole file: any unsigned 32-bit number.
    const char* count = rows.getText();
    unsigned long scanRows = 0;
    bool digits = *count != '\0';
    for (const char* c = count; *c && digits; ++c) {
        scanRows = scanRows * 10 + static_cast<unsigned long>(*c - '0');
        digits = vxIsDigit(*c) && scanRows <= 0xFFFFFFFFul;
    }
    if (!digits) {
        addOdbcError(ODBC_S1009, 6015) << "ScanRows";
        return VX_ERROR;
    }
    defaults_.scanRows = static_cast<unsigned>(scanRows);
    const char* character = delimiter.getText();
    defaults_.tableType = txtTableTypeFromName(type.getText());
    defaults_.delimiter = txtTableDelimiter(defaults_.tableType, *character ? *character : ',');
    // With no window system an undefined table is guessed under either policy.
    guessUndefined_ = true;
    return VX_SUCCESS;
}

VxStatus TxtConnection::readFileInfo(VxValueParser* parser) {
    VxString info;
    if (readValue(parser, "MFI", "MacFileInfo", "ttxt,TEXT", &info) != VX_SUCCESS)
        return VX_ERROR;
    const char* text = info.getText();
    const char* comma = std::strchr(text, ',');
    const std::size_t creatorLength =
        comma ? static_cast<std::size_t>(comma - text) : std::strlen(text);
    copyCode(text, creatorLength, creator_);
    if (comma)
        copyCode(comma + 1, std::strlen(comma + 1), fileType_);
    return VX_SUCCESS;
}

VxStatus TxtConnection::connectInit(VxValueParser* parser) {
    if (getConnectOptions(parser) != VX_SUCCESS || readExtensions(parser) != VX_SUCCESS ||
        readTableDefaults(parser) != VX_SUCCESS || readFileInfo(parser) != VX_SUCCESS)
        return VX_ERROR;
    setInfoTable(&textInfoTable());
    // Each column is translated as the cursor reads it.
    setDriverTranslates(true);
    return VX_SUCCESS;
}

VxStatus TxtConnection::connectLogon() {
    return setDatabaseName(getDataDirectory());
}

VxStatus TxtConnection::getAskedForInfo(unsigned short infoType, void** value,
                                        BaseInfoValType* valueType) {
    if (infoType != INFO_FILE_TYPE) {
        addOdbcError(ODBC_S1C00);
        return VX_ERROR;
    }
    *value = fileType_;
    *valueType = INFO_VAL_STRING;
    return VX_SUCCESS;
}

VxStatus TxtConnection::getConnectOption(unsigned short option, void* value) {
    if (option != FLAT_CONN_OPT_SETUP_DIALOG)
        return FlatConnection::getConnectOption(option, value);
    *static_cast<SQLUINTEGER*>(value) = 1;
    return VX_SUCCESS;
}

VxStatus TxtConnection::prepareToCommit(FlatSharedDesc* desc, FlatFileCursor** cursor) {
    *cursor = nullptr;
    auto* text = dynamic_cast<TxtSharedDesc*>(desc);
    auto* commit = new TxtCursor(this);
    if (!text || !commit || commit->bind(text) != VX_SUCCESS) {
        delete commit;
        return VX_ERROR;
    }
    *cursor = commit;
    return VX_SUCCESS;
}

void TxtConnection::getResourceStr(unsigned short id, char* out, std::size_t outSize) {
    if (txtMessageTable().find(id))
        txtMessageTable().load(id, out, outSize);
}

VxStatus TxtConnection::drvrSetToAllocatedState() {
    lockDescList();
    tables_.end();
    unlockDescList();
    extensions_.unInitialize();
    return VX_SUCCESS;
}

VxStatus TxtConnection::allocCursor(FlatCursor** cursor) {
    *cursor = new TxtCursor(this);
    return *cursor ? VX_SUCCESS : VX_ERROR;
}

void TxtConnection::getExt(char* out, std::size_t outSize) {
    copyText(EXTENSION, out, outSize);
}

VxStatus TxtConnection::getTable(char** out, const char* dir, const char*, bool first) {
    *out = nullptr;
    if (first) {
        // A relative qualifier lies in the database directory, as when a
        // table of it is opened.
        VxString directory;
        const char* extensions = extensions_.length() ? extensions_.getText() : EXTENSION;
        if (tableDirectory(dir, &directory) != VX_SUCCESS ||
            tables_.restart(directory.getText(), extensions) != VX_SUCCESS)
            return VX_ERROR;
    }
    return tables_.next(out);
}

void TxtConnection::bringSetupDialog(unsigned long) {}

VxStatus TxtConnection::tableDirectory(const char* qualifier, VxString* directory) {
    const char* database = getDataDirectory();
    if (directory->initialize(database ? database : "") != VX_SUCCESS)
        return VX_ERROR;
    // The catalog functions name the database directory itself.
    if (!qualifier || !*qualifier || (database && std::strcmp(qualifier, database) == 0))
        return VX_SUCCESS;
    if (qualifier[0] == '/' || qualifier[0] == '\\')
        return directory->initialize(qualifier);
    return directory->concat('/') != VX_SUCCESS || directory->concat(qualifier) != VX_SUCCESS
               ? VX_ERROR
               : VX_SUCCESS;
}

void TxtConnection::rememberRecordCount(const char* path, std::int64_t size, std::int64_t count) {
    lockDescList();
    KnownCount* slot = nullptr;
    for (KnownCount& known : knownCounts_)
        if (known.size >= 0 && std::strcmp(known.path.getText(), path) == 0)
            slot = &known;
    if (!slot) {
        slot = &knownCounts_[nextKnownCount_];
        nextKnownCount_ = (nextKnownCount_ + 1) % KNOWN_COUNTS;
    }
    // Out of memory only loses the count.
    if (slot->path.initialize(path) == VX_SUCCESS) {
        slot->size = size;
        slot->count = count;
    } else {
        slot->size = -1;
        VxErrorKeeper::clearLastError();
    }
    unlockDescList();
}

std::int64_t TxtConnection::knownRecordCount(const char* path, std::int64_t size) {
    std::int64_t count = -1;
    lockDescList();
    for (KnownCount& known : knownCounts_)
        if (known.size == size && size >= 0 && std::strcmp(known.path.getText(), path) == 0)
            count = known.count;
    unlockDescList();
    return count;
}

VxStatus TxtConnection::findTable(const char* dir, const char* name, bool* exists) {
    *exists = false;
    VxString directory;
    TxtTableSource source;
    if (tableDirectory(dir, &directory) != VX_SUCCESS ||
        source.resolve(directory.getText(), name, nullptr, 0, defaults_) != VX_SUCCESS)
        return VX_ERROR;
    const int attributes = bosfattr(source.getFilePath());
    *exists = attributes == 1 || attributes == 5;
    return VX_SUCCESS;
}
