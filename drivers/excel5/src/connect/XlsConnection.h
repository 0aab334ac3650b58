// XlsConnection: a connection of the Excel 5 driver. The database is one
// workbook; each of its named ranges that passes the NAME filter
// (XlsBookDesc) is a table, read by XlsCursor.
//
// Connection attributes, besides the engine's:
//
//   Database / DB                 none  the workbook (DataDirectory / DD
//                                       when absent); required
//   FieldGuessing / FG            "1"   "0": every column is character
//   CharacterLengthGuessing / CLG "0"   not "0": character widths are
//                                       measured on the rows scanned
//   ScanRows / SR                 "25"  data rows examined (0: all)
//
// A table reference is a range of the connection's workbook, or a
// workbook path and a range name after a backslash ("/data/b.xls\People").
// Workbooks opened on the connection stay open in its list until the
// connection returns to the allocated state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>

#include "book/XlsBookDesc.h"
#include "book/XlsValueTable.h"
#include "flat/FlatConnection.h"
#include "util/VxString.h"

class XlsConnection : public FlatConnection {
public:
    static constexpr unsigned short INFO_FILE_TYPE = 1027;

    explicit XlsConnection(BaseEnv& env);
    ~XlsConnection() override;

    static const SetupInfo* setupTable(std::uint16_t* count);

    void getDllName(char* out, std::size_t outSize) override;
    [[nodiscard]] VxStatus connectInit(VxValueParser* parser) override;
    [[nodiscard]] VxStatus connectLogon() override;
    [[nodiscard]] VxStatus getAskedForInfo(unsigned short infoType, void** value,
                                           BaseInfoValType* valueType) override;
    void getResourceStr(unsigned short id, char* out, std::size_t outSize) override;
    [[nodiscard]] VxStatus drvrSetToAllocatedState() override;
    [[nodiscard]] VxStatus allocCursor(FlatCursor** cursor) override;
    void getExt(char* out, std::size_t outSize) override;
    // The ranges of the workbook `dir` (the connection's when null or empty).
    [[nodiscard]] VxStatus getTable(char** out, const char* dir, const char* owner,
                                    bool first) override;
    [[nodiscard]] VxStatus findTable(const char* dir, const char* name, bool* exists) override;
    [[nodiscard]] VxStatus doesTableExist(const char* name, bool* exists) override;
    // The engine's split at the last backslash; a workbook path without a
    // range name after it raises 1212.
    [[nodiscard]] VxStatus parseTableName(const char** cursor, char* name, char* owner,
                                          char* file) override;
    void bringSetupDialog(unsigned long value) override;

    // The open workbook of `path` (the connection's when null or empty),
    // opened and kept in the list on first use. The list has a lock of its
    // own, taken inside the connection's semaphore when both are held.
    [[nodiscard]] VxStatus openBook(const char* path, XlsBookDesc** book);
    const char* getWorkbookPath() { return workbook_.getText(); }

    bool guessesFields() const { return fieldGuessing_; }
    bool guessesLengths() const { return lengthGuessing_; }
    std::uint32_t getScanRows() const { return scanRows_; }

private:
    [[nodiscard]] VxStatus readSettings(VxValueParser* parser);
    void closeBooks();

    VxString workbook_;
    bool fieldGuessing_ = true;
    bool lengthGuessing_ = false;
    std::uint32_t scanRows_ = 25;
    std::mutex booksLock_;
    XlsValueTable<XlsBookDesc*> books_;
    XlsBookDesc* enumBook_ = nullptr;
    std::size_t enumNext_ = 0;
    char fileType_[5] = "XLS5";
};
