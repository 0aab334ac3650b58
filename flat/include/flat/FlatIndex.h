// FlatIndex: an index of a table or of a result set, a sequence of key
// parts (FlatIndexKey). Each key part reads one column of the indexed rows
// and has a native form of fixed length; the full key of a row is the
// concatenation of its parts' native forms, in order.
//
// Index ranges: a FlatIndexRange reads an index between limits on its
// leading key parts. Each restricted key part has a FlatIndexBoundsEntry
// of a lower and an upper FlatIndexLimit; a range restricts key parts
// 1..n and never skips one. A reader positions on generateStartKey and
// reads keys in order while checkKeySatisfiesBounds says to continue,
// taking the keys that lie inside:
//
//   limit          start                           end
//   = v            v                               past v
//   > v, >= v      v (a > limit skips equal keys)   -
//   < v, <= v      the lowest key                  at v (<) or past v (<=)
//   LIKE 'p%...'   the pattern's literal prefix    the first key not starting with it
//
// Two kinds of key part: FlatFileIndexKey (FlatFileIndex.h, a double) and
// FlatInMemIndexKey (FlatInMemIndex.h, the stored form of sorting).
#pragma once

#include <cstdint>
#include <vector>

#include "flat/FlatDataValue.h"
#include "util/VxObject.h"
#include "util/VxStatus.h"

class FlatCursor;
class FlatIndex;
class FlatIndexKey;
class FlatOpStream;

enum class FlatLimitOp : std::uint8_t { EQUAL, LESS, LESS_EQUAL, GREATER, GREATER_EQUAL, LIKE };

// What converting a limit's value to a key part's native form tells.
enum class FlatKeyFit : std::uint8_t {
    EXACT,    // the native form is the value
    INEXACT,  // close to the value; keys may still equal it
    NO_EQUAL, // inexact, and no key can equal the value
    ABOVE,    // above every key of the key part's type
    BELOW,    // below every key of the key part's type
    UNUSABLE  // no native form (the limit restricts nothing)
};

// One limit of a range: an operator and a value. The value is given by a
// compiled expression (evaluated when the range is opened, or for every
// row of the outer side when it reads the outer side's columns) or set
// directly. For LIKE the value is the pattern text (storage
// INTERNAL_CHAR): "%" stands for any string, "_" for one character and a
// backslash makes the next character literal.
class VX_EXPORT FlatIndexLimit {
public:
    enum : std::uint8_t { PRESENT = 0x1, DEPENDS_ON_OUTER = 0x2, IGNORE = 0x4, EMPTY = 0x8 };

    FlatIndexLimit() = default;
    ~FlatIndexLimit();
    FlatIndexLimit(const FlatIndexLimit&) = delete;
    FlatIndexLimit& operator=(const FlatIndexLimit&) = delete;

    // A limit whose value `expr` (owned) computes.
    void setExpression(FlatLimitOp op, FlatOpStream* expr, bool dependsOnOuter);
    // A limit of a fixed value (copied); evaluate only converts it.
    [[nodiscard]] VxStatus setValue(FlatLimitOp op, const FlatDataValue& value);
    // Back to absent.
    void clear();

    // Computes the value and its native form for key part `key`:
    // NULL makes the range empty; a value above the key type's range
    // makes a < or <= limit ignored and any other empty, below it a > or
    // >= limit ignored and any other empty; an inexact native form turns
    // < into <= and > into >=, and an = that no key can meet is empty.
    [[nodiscard]] VxStatus evaluate(FlatIndexKey* key);

    bool isPresent() const { return (flags_ & PRESENT) != 0; }
    bool dependsOnOuter() const { return (flags_ & DEPENDS_ON_OUTER) != 0; }
    bool isIgnored() const { return (flags_ & IGNORE) != 0; }
    bool isEmpty() const { return (flags_ & EMPTY) != 0; }
    // Present and not ignored: the limit restricts keys.
    bool isActive() const { return isPresent() && !isIgnored(); }
    // The operator in force (after evaluate) and the one written.
    FlatLimitOp getOp() const { return op_; }
    FlatLimitOp getDeclaredOp() const { return declaredOp_; }
    // The evaluated value (for LIKE the pattern text).
    const FlatDataValue* getValue() const { return &value_; }
    // The native form of the value (not for LIKE).
    const unsigned char* getNative() const { return native_.data(); }
    const FlatOpStream* getExpression() const { return expr_; }

private:
    FlatLimitOp declaredOp_ = FlatLimitOp::EQUAL;
    FlatLimitOp op_ = FlatLimitOp::EQUAL;
    std::uint8_t flags_ = 0;
    FlatOpStream* expr_ = nullptr;
    FlatDataValue value_;
    std::vector<unsigned char> native_;
};

// The limits of one key part of a range.
struct FlatIndexBoundsEntry {
    FlatIndexLimit lower; // EQUAL, GREATER, GREATER_EQUAL or LIKE
    FlatIndexLimit upper; // LESS or LESS_EQUAL (an EQUAL or LIKE lower serves as both)
};

class VX_EXPORT FlatIndexKey : public VxObject {
public:
    // A key part of `owner` over column `field` (FlatCursor numbering) whose
    // values have `sqlType`, `precision` and `scale`; its native form is
    // `length` bytes.
    FlatIndexKey(FlatIndex* owner, std::uint16_t field, short keyType, std::uint16_t length,
                 short sqlType, std::uint32_t precision, short scale);
    ~FlatIndexKey() override;

    // ---- Operations (slot order fixed) ----
    // The native form of `value` (length bytes).
    [[nodiscard]] virtual VxStatus convertValueToNative(const FlatDataValue* value,
                                                        unsigned char* out) = 0;
    // Orders two native forms: negative, 0 or positive.
    virtual int compareNativeToNative(const unsigned char* a, const unsigned char* b) = 0;
    // Whether the key matches the LIKE `pattern` (NUL-terminated text).
    virtual bool isNativeLikePattern(const unsigned char* key, const char* pattern) = 0;
    // The first key of the range of `lower` and `upper` (either may be null).
    [[nodiscard]] virtual VxStatus generateStartKey(unsigned char* out, const FlatIndexLimit* lower,
                                                    const FlatIndexLimit* upper) = 0;
    // Negative (or 0) while `key` lies before the end of the range, positive
    // once it is past it.
    virtual int compareToEndKey(const unsigned char* key, const FlatIndexLimit* lower,
                                const FlatIndexLimit* upper) = 0;

    // How `value` fits the key part's type (numbers of the double key
    // type against the range of the key's SQL type; every other value is
    // taken as exact).
    FlatKeyFit fitValue(const FlatDataValue* value) const;

    FlatIndex* getIndex() const { return owner_; }
    std::uint16_t getField() const { return field_; }
    short getKeyType() const { return keyType_; }
    std::uint16_t getLength() const { return length_; }
    short getSqlType() const { return sqlType_; }
    std::uint32_t getPrecision() const { return precision_; }
    short getScale() const { return scale_; }

protected:
    FlatIndex* owner_;
    std::uint16_t field_;
    short keyType_;
    std::uint16_t length_;
    short sqlType_;
    std::uint32_t precision_;
    short scale_;
};

class VX_EXPORT FlatIndex : public VxObject {
public:
    FlatIndex() = default;
    ~FlatIndex() override;
    FlatIndex(const FlatIndex&) = delete;
    FlatIndex& operator=(const FlatIndex&) = delete;

    // Appends a key part; the index owns it (also when adding fails).
    [[nodiscard]] VxStatus addKey(FlatIndexKey* key);
    std::uint16_t getKeyCount() const { return static_cast<std::uint16_t>(keys_.size()); }
    FlatIndexKey* getKey(std::uint16_t n) const { return keys_[n]; }
    // Bytes of a full key.
    std::uint32_t getKeyLength() const { return keyLength_; }
    // Whether any key part reads column `field`.
    bool isFieldInIndex(std::uint16_t field) const;
    // The full key of the cursor's current row; *hasNull tells whether a
    // part was NULL (such keys never collide in a unique index).
    [[nodiscard]] VxStatus computeIndexKey(FlatCursor* cursor, unsigned char* out,
                                           bool* hasNull = nullptr);
    // Orders two full keys part by part; the first nonzero part decides.
    int compareFullKeys(const unsigned char* a, const unsigned char* b) const;

private:
    std::vector<FlatIndexKey*> keys_;
    std::uint32_t keyLength_ = 0;
};

// One range over one index: its bounds entries, one per restricted leading
// key part, and a key buffer of the index's key length.
class VX_EXPORT FlatIndexRange {
public:
    // A range over `index`; with `ownsIndex` the range deletes it.
    explicit FlatIndexRange(FlatIndex* index, bool ownsIndex = false);
    ~FlatIndexRange();
    FlatIndexRange(const FlatIndexRange&) = delete;
    FlatIndexRange& operator=(const FlatIndexRange&) = delete;

    FlatIndex* getIndex() const { return index_; }
    // Restricts the next key part (from the first); null when every key
    // part is restricted already.
    FlatIndexBoundsEntry* addBounds();
    std::uint16_t getBoundsCount() const { return static_cast<std::uint16_t>(bounds_.size()); }
    FlatIndexBoundsEntry* getBounds(std::uint16_t n) const { return bounds_[n]; }

    // Evaluates the limits: all of them (`outerOnly` false, when the range
    // is opened), or those that read the outer side's row.
    [[nodiscard]] VxStatus evaluate(bool outerOnly);
    // Whether a limit reads the outer side's row.
    bool dependsOnOuter() const;
    // Whether the last evaluation found that no key can lie in the range.
    bool isEmpty() const;

    // Writes the range's first key into the key buffer: per key part the
    // start of its limits, the lowest key for key parts it does not
    // restrict.
    [[nodiscard]] VxStatus generateStartKey();
    const unsigned char* getStartKey() const { return key_.data(); }
    // Whether the full `key` lies in the range; when it does not,
    // *continueScan tells whether a later key still may (keys read in
    // order).
    bool checkKeySatisfiesBounds(const unsigned char* key, bool* continueScan) const;

    // Product of the factors of the active limits' operators (capped).
    std::uint32_t getDivisor() const;

private:
    // The limits of key part `n` as the key part's operations take them:
    // absent or ignored ones null, an EQUAL or LIKE lower as both.
    void limitsOf(std::uint16_t n, const FlatIndexLimit** lower,
                  const FlatIndexLimit** upper) const;

    FlatIndex* index_;
    bool ownsIndex_;
    std::vector<FlatIndexBoundsEntry*> bounds_;
    std::vector<unsigned char> key_;
};
