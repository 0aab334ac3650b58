#include "connect/XlsConnection.h"

#include <sqlext.h>

#include <cstring>
#include <mutex>

#include "base/BaseErrors.h"
#include "base/BaseInfoTable.h"
#include "cursor/XlsCursor.h"
#include "error/XlsErrors.h"
#include "util/VxError.h"
#include "util/bos.h"
#include "util/ram.h"
#include "util/str.h"

namespace {

const SetupInfo SETUP_TABLE[] = {
    {"Database", 0, SETUP_EDIT, nullptr, nullptr, 255, "DB", 1, 0},
    {"FieldGuessing", 0, SETUP_CHECK, "1", "1", 0, "FG", 1, 1},
    {"CharacterLengthGuessing", 0, SETUP_CHECK, "1", "0", 0, "CLG", 1, 1},
    {"ScanRows", 0, SETUP_EDIT, nullptr, "25", 8, "SR", 1, 1},
    {"FileOpenCache", 0, SETUP_EDIT, nullptr, "0", 5, "FOC", 1, 1},
};

// The driver only reads: no positioned operations, no locks.
const BaseInfoTable& excelInfoTable() {
    static const BaseInfoEntry entries[] = {
        BaseInfoEntry::resource(SQL_DBMS_VER, 20107),
        BaseInfoEntry::ofText(SQL_DATA_SOURCE_READ_ONLY, "Y"),
        BaseInfoEntry::ofNumber(SQL_IDENTIFIER_CASE, INFO_VAL_U16, SQL_IC_MIXED),
        BaseInfoEntry::ofNumber(SQL_MAX_COLUMN_NAME_LEN, INFO_VAL_U16, XLS_MAX_NAME),
        BaseInfoEntry::ofNumber(SQL_SCROLL_CONCURRENCY, INFO_VAL_MASK32, SQL_SCCO_READ_ONLY),
        BaseInfoEntry::ofNumber(SQL_LOCK_TYPES, INFO_VAL_MASK32, 0),
        BaseInfoEntry::ofNumber(SQL_POS_OPERATIONS, INFO_VAL_MASK32, 0),
        BaseInfoEntry::ofNumber(SQL_POSITIONED_STATEMENTS, INFO_VAL_MASK32, 0),
        BaseInfoEntry::ofNumber(SQL_GETDATA_EXTENSIONS, INFO_VAL_MASK32,
                                SQL_GD_ANY_COLUMN | SQL_GD_ANY_ORDER | SQL_GD_BOUND),
        BaseInfoEntry::ofNumber(SQL_STATIC_SENSITIVITY, INFO_VAL_MASK32, 0),
        BaseInfoEntry::ofNumber(SQL_QUALIFIER_USAGE, INFO_VAL_MASK32, SQL_QU_DML_STATEMENTS),
        BaseInfoEntry::ofNumber(SQL_QUOTED_IDENTIFIER_CASE, INFO_VAL_U16, SQL_IC_MIXED),
        BaseInfoEntry::ask(XlsConnection::INFO_FILE_TYPE),
    };
    static const BaseInfoTable table(entries, sizeof entries / sizeof entries[0],
                                     &FlatConnection::getFlatInfoTable());
    return table;
}

bool endsWithXls(const char* text) {
    std::size_t length = std::strlen(text);
    return length >= 4 && strEqualCi(text + length - 4, 4, ".XLS", 4);
}

} // namespace

XlsConnection::XlsConnection(BaseEnv& env) : FlatConnection(env) {
    std::uint16_t count = 0;
    const SetupInfo* table = setupTable(&count);
    setSetupTable(table, count, BasePasswordEntry{});
    setFlatFlag(FLAT_CASE_INSENSITIVE_IDS | FLAT_TABLE_NAMES_CI | FLAT_TYPE_TIME |
                    FLAT_TYPE_TIMESTAMP | FLAT_READ_ONLY,
                true);
    setFlatFlag(FLAT_ROWID | FLAT_COMPARE_FULL_PATH, false);
    setFlag(CONN_NATIVE_PARAMS, true);
}

XlsConnection::~XlsConnection() {
    closeBooks();
}

const SetupInfo* XlsConnection::setupTable(std::uint16_t* count) {
    *count = sizeof SETUP_TABLE / sizeof SETUP_TABLE[0];
    return SETUP_TABLE;
}

void XlsConnection::getDllName(char* out, std::size_t outSize) {
    if (outSize > 0)
        strCopy(out, outSize, "libKWXLS508.so");
}

VxStatus XlsConnection::readSettings(VxValueParser* parser) {
    char* text = nullptr;
    if (getConnectionValue(parser, "DB", "Database", nullptr, &text, nullptr) != VX_SUCCESS)
        return VX_ERROR;
    if (!text || !*text) {
        ramFree(text);
        text = nullptr;
        if (getConnectionValue(parser, "DD", "DataDirectory", nullptr, &text, nullptr) !=
            VX_SUCCESS)
            return VX_ERROR;
    }
    VxStatus status = workbook_.initialize(text ? text : "");
    ramFree(text);
    if (status != VX_SUCCESS)
        return VX_ERROR;

    text = nullptr;
    if (getConnectionValue(parser, "FG", "FieldGuessing", "1", &text, nullptr) != VX_SUCCESS)
        return VX_ERROR;
    fieldGuessing_ = !text || std::strcmp(text, "0") != 0;
    ramFree(text);
    text = nullptr;
    if (getConnectionValue(parser, "CLG", "CharacterLengthGuessing", "0", &text, nullptr) !=
        VX_SUCCESS)
        return VX_ERROR;
    lengthGuessing_ = text && *text && std::strcmp(text, "0") != 0;
    ramFree(text);
    text = nullptr;
    if (getConnectionValue(parser, "SR", "ScanRows", "25", &text, nullptr) != VX_SUCCESS)
        return VX_ERROR;
    unsigned long rows = 0;
    bool digits = text && *text;
    for (const char* c = text; digits && *c; ++c) {
        digits = *c >= '0' && *c <= '9';
        rows = rows * 10 + static_cast<unsigned long>(*c - '0');
        digits = digits && rows <= 0xFFFFFFFFul;
    }
    ramFree(text);
    if (!digits) {
        addOdbcError(ODBC_S1009, 6015) << "ScanRows";
        return VX_ERROR;
    }
    scanRows_ = static_cast<std::uint32_t>(rows);
    return VX_SUCCESS;
}

VxStatus XlsConnection::connectInit(VxValueParser* parser) {
    if (getConnectOptions(parser) != VX_SUCCESS || readSettings(parser) != VX_SUCCESS)
        return VX_ERROR;
    // The qualifier of every table is its workbook.
    if (workbook_.length() && setDataDirectory(workbook_.getText()) != VX_SUCCESS)
        return VX_ERROR;
    setInfoTable(&excelInfoTable());
    return VX_SUCCESS;
}

VxStatus XlsConnection::connectLogon() {
    if (workbook_.length() == 0) {
        addOdbcError(ODBC_S1000, 6013);
        return VX_ERROR;
    }
    XlsBookDesc* book = nullptr;
    if (openBook(nullptr, &book) != VX_SUCCESS)
        return VX_ERROR;
    return setDatabaseName(book->getPath());
}

VxStatus XlsConnection::openBook(const char* path, XlsBookDesc** book) {
    *book = nullptr;
    if (!path || !*path)
        path = workbook_.getText();
    VxString full;
    if (full.initialize(path) != VX_SUCCESS || bosfpath(&full) != VX_SUCCESS)
        return VX_ERROR;
    std::lock_guard<std::mutex> guard(booksLock_);
    for (std::size_t i = 0; i < books_.size(); ++i)
        if (std::strcmp(books_[i]->getPath(), full.getText()) == 0) {
            *book = books_[i];
            return VX_SUCCESS;
        }
    auto* opened = new XlsBookDesc;
    if (!opened)
        return VX_ERROR;
    // A workbook that failed to open is not kept.
    if (opened->open(full.getText()) != VX_SUCCESS || books_.add(opened) != VX_SUCCESS) {
        delete opened;
        return VX_ERROR;
    }
    *book = opened;
    return VX_SUCCESS;
}

void XlsConnection::closeBooks() {
    std::lock_guard<std::mutex> guard(booksLock_);
    enumBook_ = nullptr;
    for (std::size_t i = 0; i < books_.size(); ++i)
        delete books_[i];
    books_.clear();
}

VxStatus XlsConnection::getAskedForInfo(unsigned short infoType, void** value,
                                        BaseInfoValType* valueType) {
    if (infoType != INFO_FILE_TYPE) {
        addOdbcError(ODBC_S1C00);
        return VX_ERROR;
    }
    *value = fileType_;
    *valueType = INFO_VAL_STRING;
    return VX_SUCCESS;
}

void XlsConnection::getResourceStr(unsigned short id, char* out, std::size_t outSize) {
    if (xlsMessageTable().find(id))
        xlsMessageTable().load(id, out, outSize);
}

VxStatus XlsConnection::drvrSetToAllocatedState() {
    closeBooks();
    return VX_SUCCESS;
}

VxStatus XlsConnection::allocCursor(FlatCursor** cursor) {
    *cursor = new XlsCursor(this);
    return *cursor ? VX_SUCCESS : VX_ERROR;
}

void XlsConnection::getExt(char* out, std::size_t outSize) {
    if (outSize > 0)
        strCopy(out, outSize, "XLS");
}

VxStatus XlsConnection::getTable(char** out, const char* dir, const char*, bool first) {
    *out = nullptr;
    if (first) {
        enumBook_ = nullptr;
        enumNext_ = 0;
        if (openBook(dir, &enumBook_) != VX_SUCCESS)
            return VX_ERROR;
    }
    if (!enumBook_)
        return VX_SUCCESS;
    if (enumNext_ >= enumBook_->getNameCount()) {
        enumBook_ = nullptr;
        return VX_SUCCESS;
    }
    *out = ramAllocStr(enumBook_->getName(enumNext_++).name);
    return *out ? VX_SUCCESS : VX_ERROR;
}

VxStatus XlsConnection::findTable(const char* dir, const char* name, bool* exists) {
    *exists = false;
    XlsBookDesc* book = nullptr;
    if (openBook(dir, &book) != VX_SUCCESS)
        return VX_ERROR;
    *exists = book->findName(name) != nullptr;
    return VX_SUCCESS;
}

VxStatus XlsConnection::doesTableExist(const char* name, bool* exists) {
    return findTable(nullptr, name, exists);
}

VxStatus XlsConnection::parseTableName(const char** cursor, char* name, char* owner, char* file) {
    if (FlatConnection::parseTableName(cursor, name, owner, file) != VX_SUCCESS)
        return VX_ERROR;
    if (endsWithXls(file)) {
        xlsAddError(ODBC_37000, XLS_MSG_MISSING_TABLE_NAME);
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

void XlsConnection::bringSetupDialog(unsigned long) {}
