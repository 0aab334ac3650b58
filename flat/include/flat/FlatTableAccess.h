// FlatTableAccess: the leaf operator over one table cursor. It reads the
// table by a full scan, or through an index lookup (a range over one of
// the cursor's indexes, which the planner sets), and passes only rows for
// which every condition of its filter (the WHERE terms that use no later
// table) is true. The range only narrows the rows read: the filter, and
// the join terms above, are evaluated on every row all the same.
//
// The range's limits are evaluated when the table is first read after
// open; limits that read columns of the outer side of a join again at
// every fetchFirst.
//
// Row handle: the cursor's record handle. Field values of the current
// record are served to expressions through fieldValue; the NULL row
// (outer joins) serves NULL for every field.
#pragma once

#include <cstdint>

#include "flat/FlatCursor.h"
#include "flat/FlatDataValue.h"
#include "flat/FlatFileIndex.h"
#include "flat/FlatResultSet.h"

class VX_EXPORT FlatTableAccess : public FlatResultSet {
public:
    // `tableNumber` from 1, in the order of the FROM list.
    FlatTableAccess(FlatResultSetGlobalInfo* info, std::uint16_t tableNumber);
    ~FlatTableAccess() override;

    // Opens the table through the query's connection. `qualifier` is the
    // directory written in FROM ("" for the data directory), `options` the
    // option text written after the name (may be null).
    [[nodiscard]] VxStatus openTable(const char* qualifier, const char* table, const char* options);
    // Uses an already opened cursor (owned from now on).
    void setCursor(FlatCursor* cursor) { cursor_ = cursor; }
    FlatCursor* getCursor() const { return cursor_; }
    // Name the table is referred to by in column qualifiers: the
    // correlation name when one was given, else the table name.
    [[nodiscard]] VxStatus setCorrelationName(const char* name);
    const char* getCorrelationName() const { return correlation_ ? correlation_ : ""; }
    // The table name the cursor reports.
    const char* getTableName() const;
    std::uint16_t getTableNumber() const { return tableNumber_; }
    // Whether `qualifier` names this table (the correlation name when one
    // was given, else the table name; without case).
    bool isNamed(const char* qualifier) const;

    FlatConditionList& getFilter() { return filter_; }

    // Reads the table through `range` (owned) over the index `desc` tells.
    void setIndexLookUp(FlatIndexRange* range, const FlatIndexRangeDesc& desc);
    // The range the table is read through; null for a table scan.
    FlatIndexRange* getIndexRange() const { return lookUpOn_ ? range_ : nullptr; }
    // Turns the lookup off for a while (a scan instead) and on again.
    void suspendIndexLookUp(bool suspended) { lookUpOn_ = range_ && !suspended; }
    // Back to a table scan for good.
    void dropIndexLookUp();

    // The value of column `field` of the current record (NULL on the NULL
    // row), and its SQL type when `sqlType` is not null.
    [[nodiscard]] VxStatus fieldValue(std::uint16_t field, FlatDataValue* value, short* sqlType) {
        // Most reads: a column's value alone, on a row that is there.
        if (!sqlType && !nullRow_ && field != FlatCursor::FIELD_ROWID)
            return cursor_->getFieldData(field, value);
        return describedFieldValue(field, value, sqlType);
    }

    [[nodiscard]] VxStatus open() override;
    [[nodiscard]] VxStatus fetchFirst(bool* eof) override;
    [[nodiscard]] VxStatus fetchNext(bool* eof) override;
    std::uint16_t getRowHandleSize() override;
    [[nodiscard]] VxStatus getRowHandle(unsigned char* handle) override;
    [[nodiscard]] VxStatus fetchByRowHandle(const unsigned char* handle,
                                            std::uint16_t* status) override;
    void setNullRow(bool on) override { nullRow_ = on; }
    [[nodiscard]] VxStatus addTablesToList(VxArray* list) override;
    const char* getTitle() const override { return "Table Access:"; }

protected:
    [[nodiscard]] VxStatus dumpParts(VxString* out, unsigned indent) override;

private:
    // fieldValue's general case: the row id, the SQL type asked for, the
    // NULL row.
    [[nodiscard]] VxStatus describedFieldValue(std::uint16_t field, FlatDataValue* value,
                                               short* sqlType);
    // From the current record on, skips records the filter refuses.
    [[nodiscard]] VxStatus skipRefused(bool* eof);

    [[nodiscard]] VxStatus dumpRange(VxString* out, unsigned indent);

    FlatCursor* cursor_ = nullptr;
    FlatIndexRange* range_ = nullptr;
    FlatIndexRangeDesc rangeDesc_;
    bool lookUpOn_ = false;
    bool rangeEvaluated_ = false;
    char* correlation_ = nullptr;
    FlatConditionList filter_;
    std::uint16_t tableNumber_;
    bool nullRow_ = false;
};
