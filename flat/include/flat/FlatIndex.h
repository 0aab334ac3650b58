// FlatIndex: an index of a table or of a result set, a sequence of key
// parts (FlatIndexKey). Each key part reads one column of the indexed rows
// and has a native form of fixed length; the full key of a row is the
// concatenation of its parts' native forms, in order.
//
// Index ranges: a FlatIndexRange names an index and at most one lower and
// one upper limit on its first key part. A reader starts at
// generateStartKey and reads keys in order until compareToEndKey is
// positive:
//
//   limit          start                          end
//   = v            v                              past v
//   > v, >= v      v (a > limit skips equal keys)  -
//   < v, <= v      the lowest key                 at v (<) or past v (<=)
//   LIKE 'p%...'   the pattern's literal prefix   the first key not starting with it
//
// Two kinds of key part: FlatFileIndexKey (FlatFileIndex.h, a double) and
// FlatInMemIndexKey (FlatInMemIndex.h, the stored form of sorting).
#pragma once

#include <cstdint>
#include <vector>

#include "util/VxObject.h"
#include "util/VxStatus.h"

class FlatCursor;
class FlatDataValue;
class FlatIndex;

enum class FlatLimitOp : std::uint8_t { EQUAL, LESS, LESS_EQUAL, GREATER, GREATER_EQUAL, LIKE };

// One limit of a range. For LIKE the value is the pattern text (storage
// INTERNAL_CHAR); "%" stands for any string, "_" for one character and a
// backslash makes the next character literal.
struct FlatIndexLimit {
    FlatLimitOp op = FlatLimitOp::EQUAL;
    const FlatDataValue* value = nullptr;
};

struct FlatIndexRange {
    FlatIndex* index = nullptr;
    const FlatIndexLimit* lower = nullptr; // EQUAL, GREATER, GREATER_EQUAL or LIKE
    const FlatIndexLimit* upper = nullptr; // EQUAL, LESS, LESS_EQUAL or LIKE
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
