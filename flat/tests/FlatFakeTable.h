// Test support: a flat connection whose tables live in memory.
//
// FakeFlatConnection knows a set of FakeTableDef tables by name; its
// cursors (FakeTableCursor, a FlatFileCursor) share one FakeTableDesc per
// table as a file driver's cursors would, and count the driver calls the
// engine makes (lockRecord, releaseRecordLock ...). The connection's table
// enumeration lists the defined tables in definition order.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/BaseEnv.h"
#include "flat/FlatConnection.h"
#include "flat/FlatFileCursor.h"
#include "flat/FlatSharedDesc.h"
#include "flat/FlatStatement.h"

struct FakeColumnDef {
    std::string name;
    short sqlType = 12;
    std::uint32_t precision = 10;
    std::uint16_t scale = 0;
    short nullable = 1;
    bool rowVersion = false;
    std::string nativeType = "VARCHAR";
};

struct FakeTableDef {
    std::vector<FakeColumnDef> columns;
    // One entry per record; a value equal to FAKE_NULL is NULL.
    std::vector<std::vector<std::string>> rows;
    std::int64_t countable = -1; // what countRecords reports
    std::uint32_t descFlags = 0; // flags set on a new description
};

// Calls the engine made into the fake driver.
struct FakeDriverCalls {
    int lockRecord = 0;
    int releaseRecordLock = 0;
    int releaseAllLocks = 0;
    int deleteRecord = 0;
    int descsCreated = 0;
    int descsDestroyed = 0;
};

class FakeFlatConnection;

class FakeTableDesc : public FlatSharedDesc {
public:
    FakeTableDesc(FakeFlatConnection* connection, FakeDriverCalls* calls);
    ~FakeTableDesc() override;
    VxStatus releaseAllLocks() override;
    VxStatus releaseRecordLock(const void* handle, const void* lockHandle) override;

    FakeTableDef* def = nullptr;
    std::string lastReleasedLockHandle;

private:
    FakeDriverCalls* calls_;
};

class FakeTableCursor : public FlatFileCursor {
public:
    FakeTableCursor(FakeFlatConnection* connection, FakeDriverCalls* calls);

    VxStatus openTable(const char* qualifier, const char* owner, const char* table,
                       FlatResultSetGlobalInfo* info, const char* options) override;
    VxStatus getNewFirstRecord(bool* eof, FlatIndexRange* range) override;
    VxStatus getNextRecord(bool* eof) override;
    VxStatus getFieldData(std::uint16_t field, FlatDataValue* out) override;
    VxStatus getRandomRecord(const void* handle, std::uint16_t* status) override;
    VxStatus getRecordHandle(void* out) override;
    VxStatus lockRecord(void* lockHandle) override;
    VxStatus deleteRecord() override;
    VxStatus countRecords(std::int64_t* count) override;

    // Positions on record `n` (from 0) without reading.
    void positionAt(std::uint32_t n) { position_ = n; }

private:
    FakeTableDef* def() const;
    FakeDriverCalls* calls_;
    std::uint32_t position_ = 0;
    int lockSerial_ = 0;
};

class FakeFlatConnection : public FlatConnection {
public:
    explicit FakeFlatConnection(BaseEnv& env) : FlatConnection(env) {}

    void getDllName(char* out, std::size_t outSize) override;
    VxStatus connectInit(VxValueParser* parser) override { return getConnectOptions(parser); }
    VxStatus connectLogon() override { return VX_SUCCESS; }
    VxStatus allocCursor(FlatCursor** cursor) override;
    void getExt(char* out, std::size_t outSize) override;
    VxStatus getTable(char** out, const char* dir, const char* owner, bool first) override;
    // A query finds every defined table, listed in `order` or not.
    VxStatus findTable(const char*, const char* name, bool* exists) override {
        *exists = find(name) != nullptr;
        return VX_SUCCESS;
    }

    // Use the engine's own enumeration of table files (getTable of
    // FlatConnection) instead of the in-memory list.
    bool useFileEnumeration = false;
    std::map<std::string, FakeTableDef> tables;
    std::vector<std::string> order;
    FakeDriverCalls calls;

    FakeTableDef& define(const std::string& name, std::vector<FakeColumnDef> columns,
                         std::vector<std::vector<std::string>> rows = {});
    FakeTableDef* find(const std::string& name);

private:
    std::size_t enumeration_ = 0;
};

// A statement whose SELECT descriptor opens the tables named after
// "SELECT" (blank-separated, in order) and reads the first one.
class FakeSelectStatement : public FlatStatement {
public:
    explicit FakeSelectStatement(FakeFlatConnection& connection) : FlatStatement(connection) {}
    FlatDescriptor* allocSelectDesc() override;
};

// The NULL marker of FakeTableDef rows.
extern const char* const FAKE_NULL;
