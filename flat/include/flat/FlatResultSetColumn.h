// FlatResultSetColumn: one output column of a result set: its description
// (name, label, table, SQL type, precision, scale, nullability) and how
// its value is produced: a select-list expression, or, for a plain column
// reference, the table's value passed through in its own storage form.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <cstdint>

#include "flat/FlatDataValue.h"
#include "flat/FlatSelectExpr.h"
#include "util/VxObject.h"
#include "util/VxStatus.h"

class FlatOpStreamGlobalInfo;

// An operator above the column that kept the column's values of its rows
// (a sort carrying them in its records) and can give the value of its
// current row without the column being evaluated again. carriedValue
// answers false when it holds no value for the current row.
class VX_EXPORT FlatColumnCarrier {
public:
    virtual ~FlatColumnCarrier() = default;
    virtual bool carriedValue(std::uint16_t slot, FlatDataValue* value, short* sqlType) = 0;
};

class VX_EXPORT FlatResultSetColumn : public VxObject {
public:
    // `info` is the statement's expression context; it must outlive the column.
    FlatResultSetColumn(FlatOpStreamGlobalInfo* info, std::uint16_t number);
    ~FlatResultSetColumn() override;

    std::uint16_t getNumber() const { return number_; }
    FlatSelectExpr& getExpr() { return expr_; }

    // The column is table `tableRef`'s field `field` (a plain column).
    void setSourceField(std::uint32_t tableRef, std::uint16_t field);
    bool isSourceField() const { return sourceField_; }
    std::uint32_t getSourceTable() const { return sourceTable_; }
    std::uint16_t getSourceFieldNumber() const { return sourceFieldNumber_; }
    // A plain column whose values no carrier serves: evaluating it reads
    // the field from the row source.
    bool readsFieldDirectly() const { return sourceField_ && !carrier_; }

    // The value for the current row, and the SQL type it is read with.
    // While a carrier is set and holds the current row's value, that value.
    [[nodiscard]] VxStatus evaluate(FlatDataValue* value, short* sqlType);
    // Serves the column's values from `carrier` (null: evaluate again);
    // `slot` is the carrier's number for the column.
    void setCarrier(FlatColumnCarrier* carrier, std::uint16_t slot) {
        carrier_ = carrier;
        carrierSlot_ = slot;
    }

    // Description. The texts are copied (out of memory fails).
    [[nodiscard]] VxStatus setName(const char* name, std::size_t length);
    [[nodiscard]] VxStatus setLabel(const char* label, std::size_t length);
    [[nodiscard]] VxStatus setTableName(const char* name);
    const char* getName() const { return name_ ? name_ : ""; }
    const char* getLabel() const { return label_ ? label_ : getName(); }
    const char* getTableName() const { return tableName_ ? tableName_ : ""; }

    // Sets SQL type, precision and scale, and the display size they give.
    void setType(short sqlType, std::uint32_t precision, short scale);
    short getSqlType() const { return sqlType_; }
    std::uint32_t getPrecision() const { return precision_; }
    short getScale() const { return scale_; }
    SQLLEN getDisplaySize() const { return displaySize_; }
    short getNullable() const { return nullable_; }
    void setNullable(short nullable) { nullable_ = nullable; }
    bool isUpdatable() const { return updatable_; }
    void setUpdatable(bool updatable) { updatable_ = updatable; }

private:
    FlatOpStreamGlobalInfo* info_;
    FlatColumnCarrier* carrier_ = nullptr;
    FlatSelectExpr expr_;
    char* name_ = nullptr;
    char* label_ = nullptr;
    char* tableName_ = nullptr;
    SQLLEN displaySize_ = 0;
    std::uint32_t precision_ = 0;
    std::uint32_t sourceTable_ = 0;
    std::uint16_t sourceFieldNumber_ = 0;
    std::uint16_t number_;
    std::uint16_t carrierSlot_ = 0;
    short sqlType_ = SQL_VARCHAR;
    short scale_ = 0;
    short nullable_ = SQL_NULLABLE;
    bool sourceField_ = false;
    bool updatable_ = false;
};

// The display size ODBC gives a column of `sqlType`, `precision`, `scale`.
VX_EXPORT SQLLEN flatDisplaySize(short sqlType, std::uint32_t precision, short scale);
