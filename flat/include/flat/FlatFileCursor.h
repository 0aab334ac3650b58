// FlatFileCursor: the middle layer of every file driver's cursor. It binds
// a cursor to the table's FlatSharedDesc and answers everything that the
// description knows (fields, indexes, identifiers, record locks); the
// driver supplies openTable and the record operations (getFieldData,
// getNewFirstRecord, getNextRecord, getRandomRecord, getRecordHandle) and,
// when it can change its files, the modifying ones.
//
// Destroying a cursor hands its description back to the connection under
// the connection's semaphore (FlatConnection::releaseSharedDesc): a
// description no cursor uses any more is cached or destroyed by the rules
// of the connection's cache of closed tables.
#pragma once

#include <cstdint>

#include "flat/FlatCursor.h"

class FlatSharedField;

class VX_EXPORT FlatFileCursor : public FlatCursor {
public:
    explicit FlatFileCursor(FlatConnection* connection) : FlatCursor(connection) {}
    ~FlatFileCursor() override;

    // Binds `desc` (null unbinds): the new description's open count goes
    // up, the previous one's down. The caller holds the connection's
    // semaphore.
    void setFile(FlatSharedDesc* desc);
    FlatSharedDesc* getSharedDesc() const { return desc_; }
    // Unbinds the description without handing it back to the connection
    // (a commit cursor whose description stays).
    void detachFile() { setFile(nullptr); }

    [[nodiscard]] VxStatus addTableToList(VxArray* list) override;
    [[nodiscard]] VxStatus checkFieldValue(std::uint16_t field, FlatDataValue* value) override;
    // The value check of checkFieldValue for column `shared`, keeping the
    // converted value in `out` (the column's own storage form: decimal
    // digits, a 16- or 32-bit integer, a date, time or timestamp). `out`
    // stays cleared (storage unset) for a NULL and for column types that
    // are not checked. Raises the conversion's error when the value does
    // not fit.
    [[nodiscard]] static VxStatus convertForField(const FlatSharedField* shared,
                                                  const FlatDataValue* value, FlatDataValue* out);
    bool compareTableName(const char* name) override;
    // Takes the current record's handle, calls the driver's deleteRecord
    // and drops the record's lock entry without releasing it.
    [[nodiscard]] VxStatus deleteCurrentRecord() override;
    std::uint16_t findField(const char* name) override;
    std::uint16_t getFieldAttributes(std::uint16_t field) override;
    const char* getFieldName(std::uint16_t field) override;
    const char* getFieldNativeTypeName(std::uint16_t field) override;
    bool getFieldNegDecPrec(std::uint16_t field) override;
    short getFieldNullable(std::uint16_t field) override;
    std::uint32_t getFieldPrecision(std::uint16_t field) override;
    bool getFieldRowVerType(std::uint16_t field) override;
    std::uint16_t getFieldScale(std::uint16_t field) override;
    short getFieldSqlType(std::uint16_t field) override;
    // The field's read limit when its width is estimated, else 0.
    std::uint32_t getFieldEstimatedLimit(std::uint16_t field) override;
    // SQL_ATTR_READONLY whenever the connection is read-only.
    short getFieldUpdatable(std::uint16_t field) override;
    FlatSharedDesc* getFileClass() override { return desc_; }
    FlatFileIndex* getIndex(std::uint16_t n) override;
    std::uint16_t getIndexCount() override;
    std::uint16_t getNumFields() override;
    const char* getQualifier() override;
    std::uint16_t getRecordHandleSize() override;
    FlatFileIndex* getRowidIndex() override;
    const char* getTableName() override;
    bool isReadOnly() override;
    // Locks through the description's lock tree: the driver's lockRecord
    // only for a record not yet locked.
    [[nodiscard]] VxStatus lockCurrentRecord() override;
    [[nodiscard]] VxStatus unlockRecord(const void* handle) override;

    // The field record of column `field` (null past the end or unbound).
    FlatSharedField* getSharedField(std::uint16_t field) const;

protected:
    // The record-handle work buffer: record handle, then lock handle.
    [[nodiscard]] VxStatus ensureHandleBuffer();
    unsigned char* handleBuffer() const { return handleBuffer_; }

private:
    FlatSharedDesc* desc_ = nullptr;
    unsigned char* handleBuffer_ = nullptr;
};
