// BaseCatalogRow: one row of a catalog function's result (SQLTables ...
// SQLGetTypeInfo), and the row classes whose compare gives each function
// its row order.
//
// A row holds one cell per result column: a text (owned copy) or a 32-bit
// number, or NULL. Cells start NULL. Columns are numbered from 1 as in the
// result set. Names compare by the international (locale) order,
// strCompareIntl; NULL sorts before any value.
//
// Row order of each class:
//   TablesRowInfo      TABLE_TYPE (bytes), qualifier, owner, name
//   PerColumnInfo      the order of delivery (rows of one PerTableInfo)
//   StatRowInfo        the table-statistics row first, then NON_UNIQUE,
//                      TYPE, INDEX_QUALIFIER, INDEX_NAME, SEQ_IN_INDEX
//   SpecialRowInfo     SCOPE
//   PrimaryRowInfo     KEY_SEQ
//   ForeignRowInfo     primary-key table's qualifier, owner, name, then the
//                      foreign-key table's, then KEY_SEQ
//   ProcsRowInfo       qualifier, owner, name
//   ProcColsRowInfo    qualifier, owner, name, then the order of delivery
//   TablePrivsRowInfo  qualifier, owner, name, PRIVILEGE
//   ColPrivsRowInfo    COLUMN_NAME, PRIVILEGE
//   GetTypeRowInfo     DATA_TYPE, then the order of delivery
#pragma once

#include <sql.h>

#include <cstdint>

#include "util/VxObject.h"
#include "util/VxStatus.h"

// The most columns a catalog result has (SQLGetTypeInfo).
constexpr std::uint16_t BASE_CATALOG_MAX_COLUMNS = 15;

class VX_EXPORT BaseCatalogRow : public VxObject {
public:
    explicit BaseCatalogRow(std::uint16_t columnCount);
    ~BaseCatalogRow() override;
    BaseCatalogRow(const BaseCatalogRow&) = delete;
    BaseCatalogRow& operator=(const BaseCatalogRow&) = delete;

    std::uint16_t getColumnCount() const { return columnCount_; }

    // Copies `length` bytes (SQL_NTS: up to the NUL) of `text`; a null
    // text makes the cell NULL. Fails when memory runs out.
    [[nodiscard]] VxStatus setText(std::uint16_t column, const char* text, SQLLEN length = SQL_NTS);
    void setNumber(std::uint16_t column, std::int32_t number);
    void setNull(std::uint16_t column);

    bool isNull(std::uint16_t column) const;
    // The text of a text cell; null for a NULL cell or a number.
    const char* getText(std::uint16_t column) const;
    // The number of a number cell; 0 when NULL.
    std::int32_t getNumber(std::uint16_t column) const;
    bool isNumber(std::uint16_t column) const;

    // Delivery order within the catalog result (set when the row is added).
    std::uint32_t getSequence() const { return sequence_; }
    void setSequence(std::uint32_t sequence) { sequence_ = sequence; }

    // Copies every cell of `other` (same column count) into this row.
    [[nodiscard]] VxStatus copyCells(const BaseCatalogRow& other);

protected:
    // Signed comparisons of one column with the same column of `other`.
    int compareName(const BaseCatalogRow& other, std::uint16_t column) const;
    int compareBytes(const BaseCatalogRow& other, std::uint16_t column) const;
    int compareNumber(const BaseCatalogRow& other, std::uint16_t column) const;
    int compareSequence(const BaseCatalogRow& other) const;
    // compareName over columns first .. last, the first difference.
    int compareNames(const BaseCatalogRow& other, std::uint16_t first, std::uint16_t last) const;
    static short sign(int value) { return static_cast<short>(value < 0 ? -1 : value > 0 ? 1 : 0); }

private:
    struct Cell {
        char* text = nullptr;
        std::int32_t number = 0;
        bool null = true;
        bool isText = false;
    };
    const Cell* cell(std::uint16_t column) const;
    Cell* cell(std::uint16_t column);

    std::uint16_t columnCount_;
    std::uint32_t sequence_ = 0;
    Cell cells_[BASE_CATALOG_MAX_COLUMNS];
};

#define BASE_CATALOG_ROW_CLASS(Name)                                                               \
    class VX_EXPORT Name : public BaseCatalogRow {                                                 \
    public:                                                                                        \
        explicit Name(std::uint16_t columnCount) : BaseCatalogRow(columnCount) {}                  \
        short compare(const VxObject& other) const override;                                       \
    };

BASE_CATALOG_ROW_CLASS(TablesRowInfo)
BASE_CATALOG_ROW_CLASS(PerColumnInfo)
BASE_CATALOG_ROW_CLASS(StatRowInfo)
BASE_CATALOG_ROW_CLASS(SpecialRowInfo)
BASE_CATALOG_ROW_CLASS(PrimaryRowInfo)
BASE_CATALOG_ROW_CLASS(ForeignRowInfo)
BASE_CATALOG_ROW_CLASS(ProcsRowInfo)
BASE_CATALOG_ROW_CLASS(ProcColsRowInfo)
BASE_CATALOG_ROW_CLASS(TablePrivsRowInfo)
BASE_CATALOG_ROW_CLASS(ColPrivsRowInfo)
BASE_CATALOG_ROW_CLASS(GetTypeRowInfo)

#undef BASE_CATALOG_ROW_CLASS
