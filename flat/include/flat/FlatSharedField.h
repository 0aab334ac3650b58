// FlatSharedField: one column of a shared table description
// (FlatSharedDesc). The file driver that opens a table creates one per
// column, fills it and hands it to the description, which owns it; the
// engine only reads it (through the FlatFileCursor column metadata).
#pragma once

#include <cstdint>

#include "util/VxObject.h"
#include "util/VxStatus.h"

class VX_EXPORT FlatSharedField : public VxObject {
public:
    // Flags word.
    enum : std::uint32_t {
        FIELD_ROW_VERSION = 1u << 0,        // updated automatically (SQL_ROWVER)
        FIELD_NEG_DEC_PRECISION = 1u << 1,  // negative decimal precision allowed
        FIELD_STRIP_TRAILING_PAD = 1u << 2, // trailing pad characters are dropped when written
        FIELD_EMPTY_IS_NULL = 1u << 3,      // an empty value is stored as NULL
        FIELD_PAD_ONLY_IS_EMPTY = 1u << 4,  // a value of pad characters only is empty
        // The precision is an estimate (the widest value of the lines a
        // driver looked at), not a limit declared for the column: values
        // may be longer, up to the field's read limit.
        FIELD_WIDTH_ESTIMATED = 1u << 5,
    };
    // Attributes word of SMALLINT and INTEGER columns.
    enum : std::uint16_t { ATTR_UNSIGNED = 1 };

    FlatSharedField() = default;
    ~FlatSharedField() override;
    FlatSharedField(const FlatSharedField&) = delete;
    FlatSharedField& operator=(const FlatSharedField&) = delete;

    // The name and the driver's own type name are copied (null clears);
    // they fail only when memory runs out.
    [[nodiscard]] VxStatus setName(const char* name);
    [[nodiscard]] VxStatus setNativeTypeName(const char* name);
    const char* getName() const { return name_ ? name_ : ""; }
    const char* getNativeTypeName() const { return nativeTypeName_ ? nativeTypeName_ : ""; }

    // Length in characters for character columns, digits for numbers.
    std::uint32_t getPrecision() const { return precision_; }
    void setPrecision(std::uint32_t precision) { precision_ = precision; }
    std::uint16_t getScale() const { return scale_; }
    void setScale(std::uint16_t scale) { scale_ = scale; }
    // ODBC SQL type code.
    short getSqlType() const { return sqlType_; }
    void setSqlType(short type) { sqlType_ = type; }
    std::uint16_t getAttributes() const { return attributes_; }
    void setAttributes(std::uint16_t attributes) { attributes_ = attributes; }
    // SQL_ATTR_READONLY (0), SQL_ATTR_WRITE (1) or SQL_ATTR_READWRITE_UNKNOWN (2).
    short getUpdatable() const { return updatable_; }
    void setUpdatable(short updatable) { updatable_ = updatable; }
    // SQL_NO_NULLS (0), SQL_NULLABLE (1) or SQL_NULLABLE_UNKNOWN (2).
    short getNullable() const { return nullable_; }
    void setNullable(short nullable) { nullable_ = nullable; }
    // The character that fills unused width in the file.
    unsigned char getPadChar() const { return padChar_; }
    void setPadChar(unsigned char pad) { padChar_ = pad; }
    // Marks the precision as an estimate (FIELD_WIDTH_ESTIMATED) and keeps
    // the most characters a value of the column can have when read.
    void setEstimatedWidth(std::uint32_t readLimit) {
        flags_ |= FIELD_WIDTH_ESTIMATED;
        readLimit_ = readLimit;
    }
    // The most characters a read gives: the precision for a declared width.
    std::uint32_t getReadLimit() const {
        return hasFlag(FIELD_WIDTH_ESTIMATED) && readLimit_ > precision_ ? readLimit_ : precision_;
    }
    std::uint32_t getFlags() const { return flags_; }
    void setFlags(std::uint32_t flags) { flags_ = flags; }
    bool hasFlag(std::uint32_t flag) const { return (flags_ & flag) != 0; }

private:
    char* name_ = nullptr;
    char* nativeTypeName_ = nullptr;
    std::uint32_t precision_ = 0;
    std::uint16_t scale_ = 0;
    short sqlType_ = 0;
    std::uint16_t attributes_ = 0;
    short updatable_ = 2;
    short nullable_ = 1;
    unsigned char padChar_ = ' ';
    std::uint32_t flags_ = 0;
    std::uint32_t readLimit_ = 0;
};
