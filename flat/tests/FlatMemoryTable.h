// In-memory tables for tests of the SELECT machinery: a table is a list of
// columns and rows of FakeValue; a FlatMemoryCursor is a FlatFileCursor
// over one, bound to the table's own shared description (no connection).
// FlatMemoryTables opens them by name for a query.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "FlatTestSupport.h"
#include "flat/FlatFileCursor.h"
#include "flat/FlatResultSetGlobalInfo.h"
#include "flat/FlatSharedDesc.h"

struct MemoryColumn {
    std::string name;
    short sqlType;
    std::uint32_t precision;
    std::uint16_t scale;
    short nullable;
};

class FlatMemoryTable {
public:
    FlatMemoryTable(const std::string& name, const std::vector<MemoryColumn>& columns);
    ~FlatMemoryTable();

    void addRow(const std::vector<FakeValue>& row) { rows.push_back(row); }
    FlatSharedDesc& desc() { return *desc_; }

    std::string name;
    std::vector<std::vector<FakeValue>> rows;
    std::vector<std::uint32_t> deleted; // record numbers that no longer exist
    int scans = 0;                      // getNewFirstRecord calls
    int randomReads = 0;                // getRandomRecord calls

private:
    std::unique_ptr<FlatSharedDesc> desc_;
};

class FlatMemoryCursor : public FlatFileCursor {
public:
    explicit FlatMemoryCursor(FlatMemoryTable* table);
    ~FlatMemoryCursor() override;

    // Column names compare without case, as most drivers' do; ROWID is
    // offered.
    std::uint16_t findField(const char* name) override;
    VxStatus getFieldData(std::uint16_t field, FlatDataValue* out) override;
    VxStatus getNewFirstRecord(bool* eof, FlatIndexRange* range) override;
    VxStatus getNextRecord(bool* eof) override;
    VxStatus getRandomRecord(const void* handle, std::uint16_t* status) override;
    VxStatus getRecordHandle(void* out) override;
    VxStatus openTable(const char* qualifier, const char* owner, const char* table,
                       FlatResultSetGlobalInfo* info, const char* options) override;

    std::string options; // the option text the query gave

private:
    FlatMemoryTable* table_;
    std::uint32_t record_ = 0; // from 1; 0 before the first
};

// Opens the registered tables by name (without case); an unknown name
// raises 4036 "Table does not exist".
class FlatMemoryTables : public FlatTableOpener {
public:
    FlatMemoryTable& add(const std::string& name, const std::vector<MemoryColumn>& columns);
    VxStatus openTable(FlatCursor** cursor, const char* qualifier, const char* table,
                       const char* options) override;

    std::vector<FlatMemoryCursor*> opened; // cursors handed out (owned by the query)
    std::vector<std::string> qualifiers;   // directory part of each opened name

private:
    std::map<std::string, std::unique_ptr<FlatMemoryTable>> tables_;
};
