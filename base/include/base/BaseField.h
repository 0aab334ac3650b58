// BaseField: one column of a statement's result description. The driver's
// allocFld hook creates it (a driver may derive its own class and keep
// more there); the driver or a catalog result fills it; SQLDescribeCol and
// SQLColAttributes answer from it. A statement owns its BaseField objects
// and deletes them through the virtual destructor.
//
// Values a driver leaves alone keep these defaults: no name, SQL_CHAR,
// precision 0, scale 0, SQL_NULLABLE_UNKNOWN, no length of its own (-1,
// SQLColAttributes then derives one from the type), display size 0,
// signed, searchable (SQL_SEARCHABLE), read-only (SQL_ATTR_READONLY),
// not money, not auto-increment, case-insensitive, empty type, table,
// owner, qualifier names and label, and no driver flag (1002 answers
// S1C00).
#pragma once

#include <sql.h>

#include <cstdint>

#include "util/VxObject.h"
#include "util/VxStatus.h"

class VX_EXPORT BaseField : public VxObject {
public:
    enum : std::uint32_t {
        // The column's value can find its row again (positioned-statement
        // emulation builds its search condition from such columns).
        FLD_IDENTIFIES_ROW = 1u << 2,
    };

    BaseField() = default;
    ~BaseField() override;
    BaseField(const BaseField&) = delete;
    BaseField& operator=(const BaseField&) = delete;

    // Copies the text (null clears it); fails when memory runs out.
    [[nodiscard]] VxStatus setName(const char* name) { return setText(&name_, name); }
    [[nodiscard]] VxStatus setTypeName(const char* name) { return setText(&typeName_, name); }
    [[nodiscard]] VxStatus setTableName(const char* name) { return setText(&tableName_, name); }
    [[nodiscard]] VxStatus setOwnerName(const char* name) { return setText(&ownerName_, name); }
    [[nodiscard]] VxStatus setQualifierName(const char* name) {
        return setText(&qualifierName_, name);
    }
    [[nodiscard]] VxStatus setLabel(const char* label) { return setText(&label_, label); }

    // The name, or "" when it has none (likewise the other texts).
    const char* getName() const { return name_ ? name_ : ""; }
    const char* getTypeName() const { return typeName_ ? typeName_ : ""; }
    const char* getTableName() const { return tableName_ ? tableName_ : ""; }
    const char* getOwnerName() const { return ownerName_ ? ownerName_ : ""; }
    const char* getQualifierName() const { return qualifierName_ ? qualifierName_ : ""; }
    // The label, or the name when there is no label.
    const char* getLabel() const { return label_ && *label_ ? label_ : getName(); }
    bool hasName() const { return name_ && *name_; }

    // Type, precision and scale in one step.
    void describe(short sqlType, std::uint32_t precision, short scale) {
        sqlType_ = sqlType;
        precision_ = precision;
        scale_ = scale;
    }

    short getSqlType() const { return sqlType_; }
    void setSqlType(short type) { sqlType_ = type; }
    // SQLGetData: whether `cType` was found valid and convertible from the
    // field's present SQL type, so that the next rows are not checked again.
    bool isGetDataCheckedFor(short cType) const {
        return checkedCType_ != 0 && checkedCType_ == cType && checkedSqlType_ == sqlType_;
    }
    void setGetDataCheckedFor(short cType) {
        checkedCType_ = cType;
        checkedSqlType_ = sqlType_;
    }
    std::uint32_t getPrecision() const { return precision_; }
    void setPrecision(std::uint32_t precision) { precision_ = precision; }
    short getScale() const { return scale_; }
    void setScale(short scale) { scale_ = scale; }
    short getNullable() const { return nullable_; }
    void setNullable(short nullable) { nullable_ = nullable; }
    // The driver's own length in bytes (SQL_COLUMN_LENGTH); -1: none.
    SQLLEN getLength() const { return length_; }
    void setLength(SQLLEN length) { length_ = length; }
    // The display size for types SQLColAttributes cannot derive one for.
    SQLLEN getDisplaySize() const { return displaySize_; }
    void setDisplaySize(SQLLEN size) { displaySize_ = size; }
    std::uint32_t getAttributeFlags() const { return attributeFlags_; }
    void setAttributeFlags(std::uint32_t flags) { attributeFlags_ = flags; }
    bool identifiesRow() const { return (attributeFlags_ & FLD_IDENTIFIES_ROW) != 0; }
    short getSearchable() const { return searchable_; }
    void setSearchable(short searchable) { searchable_ = searchable; }
    bool isUnsigned() const { return unsigned_; }
    void setUnsigned(bool on) { unsigned_ = on; }
    bool isMoney() const { return money_; }
    void setMoney(bool on) { money_ = on; }
    short getUpdatable() const { return updatable_; }
    void setUpdatable(short updatable) { updatable_ = updatable; }
    bool isAutoIncrement() const { return autoIncrement_; }
    void setAutoIncrement(bool on) { autoIncrement_ = on; }
    bool isCaseSensitive() const { return caseSensitive_; }
    void setCaseSensitive(bool on) { caseSensitive_ = on; }
    // The driver flag answered for descriptor 1002; unavailable until set.
    bool hasDriverFlag() const { return driverFlagSet_; }
    SQLLEN getDriverFlag() const { return driverFlag_; }
    void setDriverFlag(SQLLEN value) {
        driverFlag_ = value;
        driverFlagSet_ = true;
    }
    void clearDriverFlag() { driverFlagSet_ = false; }

private:
    static VxStatus setText(char** target, const char* text);

    char* name_ = nullptr;
    char* typeName_ = nullptr;
    char* tableName_ = nullptr;
    char* ownerName_ = nullptr;
    char* qualifierName_ = nullptr;
    char* label_ = nullptr;
    short sqlType_ = SQL_CHAR;
    short checkedCType_ = 0;
    short checkedSqlType_ = 0;
    std::uint32_t precision_ = 0;
    short scale_ = 0;
    short nullable_ = SQL_NULLABLE_UNKNOWN;
    SQLLEN length_ = -1;
    SQLLEN displaySize_ = 0;
    std::uint32_t attributeFlags_ = 0;
    short searchable_ = 3; // SQL_SEARCHABLE
    short updatable_ = 0;  // SQL_ATTR_READONLY
    bool unsigned_ = false;
    bool money_ = false;
    bool autoIncrement_ = false;
    bool caseSensitive_ = false;
    bool driverFlagSet_ = false;
    SQLLEN driverFlag_ = 0;
};
