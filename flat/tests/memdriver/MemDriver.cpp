// The in-memory test driver's identity, its connection and its tables.
#include <sql.h>
#include <sqlext.h>

#include <cstring>

#include "MemDriver.h"
#include "base/BaseDriver.h"
#include "base/BaseErrors.h"
#include "base/BaseInfoTable.h"
#include "util/str.h"

namespace {

class MemDriver : public BaseDriver {
public:
    OdbcDriverNumber getDriverNumber() const override { return static_cast<OdbcDriverNumber>(98); }
    BaseConnection* newConnection(BaseEnv& env) override { return new MemConnection(env); }
    BaseStatement* newStatement(BaseConnection& connection) override {
        return new MemStatement(static_cast<MemConnection&>(connection));
    }
    const char* getSetupDescription() const override { return "KWMEM08"; }
};

MemCell longCell(std::int32_t value) {
    MemCell cell;
    cell.null = false;
    cell.bytes.assign(reinterpret_cast<const char*>(&value), sizeof value);
    return cell;
}

MemCell doubleCell(double value) {
    MemCell cell;
    cell.null = false;
    cell.bytes.assign(reinterpret_cast<const char*>(&value), sizeof value);
    return cell;
}

MemCell textCell(const char* text) {
    MemCell cell;
    cell.null = false;
    cell.bytes = text;
    return cell;
}

// The driver's answers ahead of the engine's: SQLSetPos may change rows of
// a statement whose concurrency locks them (the record is locked while it
// is written).
const BaseInfoTable& memInfoTable() {
    static const BaseInfoEntry entries[] = {
        BaseInfoEntry::ofNumber(SQL_SCROLL_CONCURRENCY, INFO_VAL_MASK32,
                                SQL_SCCO_READ_ONLY | SQL_SCCO_LOCK),
    };
    static const BaseInfoTable table(entries, sizeof entries / sizeof entries[0],
                                     &FlatConnection::getFlatInfoTable());
    return table;
}

} // namespace

BaseDriver& baseGetDriver() {
    static MemDriver driver;
    return driver;
}

void MemStore::seed() {
    tables.clear();
    auto staff = std::make_unique<MemTable>();
    staff->name = "STAFF";
    staff->columns = {{"Id", SQL_INTEGER, 10, SQL_NO_NULLS},
                      {"Name", SQL_VARCHAR, 12, SQL_NULLABLE},
                      {"Salary", SQL_DOUBLE, 15, SQL_NULLABLE}};
    staff->uniqueKey = true;
    staff->textIndex = 1;
    const char* names[] = {"Ann", "Bob", "Cy", "Di"};
    for (int i = 0; i < 4; ++i) {
        MemCell salary = i < 3 ? doubleCell(1000.0 * (i + 1)) : MemCell();
        staff->rows.push_back({longCell(i + 1), textCell(names[i]), salary});
        staff->deleted.push_back(false);
    }
    tables.push_back(std::move(staff));
    auto notes = std::make_unique<MemTable>();
    notes->name = "NOTES";
    notes->columns = {{"Id", SQL_INTEGER, 10, SQL_NULLABLE},
                      {"Text", SQL_VARCHAR, 20, SQL_NULLABLE}};
    tables.push_back(std::move(notes));
}

MemTable* MemStore::find(const char* name) {
    for (auto& table : tables)
        if (strEqualCi(table->name.c_str(), name))
            return table.get();
    return nullptr;
}

MemConnection::MemConnection(BaseEnv& env) : FlatConnection(env) {
    setFlatFlag(FLAT_CASE_INSENSITIVE_IDS | FLAT_TABLE_NAMES_CI | FLAT_ROWID, true);
    setFlatFlag(FLAT_COMPARE_FULL_PATH, false);
    // Positioned UPDATE and DELETE reach the engine with the cursor's name;
    // the framework takes FOR UPDATE off the cursor's SELECT.
    setFlag(CONN_NATIVE_PARAMS | CONN_POSITIONED_UPDATE | CONN_POSITIONED_DELETE, true);
    setFlag(CONN_FOR_UPDATE, false);
}

void MemConnection::getDllName(char* out, std::size_t outSize) {
    strCopy(out, outSize, "libKWMEM08.so");
}

VxStatus MemConnection::connectInit(VxValueParser* parser) {
    if (getConnectOptions(parser) != VX_SUCCESS)
        return VX_ERROR;
    setInfoTable(&memInfoTable());
    return VX_SUCCESS;
}

VxStatus MemConnection::connectLogon() {
    store.seed();
    return VX_SUCCESS;
}

VxStatus MemConnection::allocCursor(FlatCursor** cursor) {
    *cursor = new MemCursor(this);
    return VX_SUCCESS;
}

void MemConnection::getExt(char* out, std::size_t outSize) {
    strCopy(out, outSize, "MEM");
}

void MemConnection::getResourceStr(unsigned short id, char* out, std::size_t outSize) {
    if (id == BASE_DRIVER_NAME_RESOURCE)
        strCopy(out, outSize, "Memory");
}

VxStatus MemConnection::findTable(const char*, const char* name, bool* exists) {
    *exists = store.find(name) != nullptr;
    return VX_SUCCESS;
}

VxStatus MemConnection::prepareToCommit(FlatSharedDesc* desc, FlatFileCursor** cursor) {
    auto* commit = new MemCursor(this);
    if (!commit) {
        *cursor = nullptr;
        return VX_ERROR;
    }
    commit->setFile(desc);
    *cursor = commit;
    return VX_SUCCESS;
}

VxStatus MemConnection::isFunctionSupported(unsigned short api, unsigned short* supported) {
    if (api == SQL_API_SQLSETPOS) {
        *supported = 1;
        return VX_SUCCESS;
    }
    return FlatConnection::isFunctionSupported(api, supported);
}
