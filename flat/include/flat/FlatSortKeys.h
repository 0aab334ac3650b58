// FlatSortKeys: the keys of a sort over result rows (ORDER BY, DISTINCT,
// GROUP BY). Each key is an op stream evaluated against the current row;
// its value is stored at a fixed place of a sort record, and two records
// compare key by key with the expression comparison (NULL first), the
// first difference deciding, negated for a descending key.
//
// A key is either an op stream or a result column (the columns of a
// union, whose values come from the branch of the current row).
//
// Stored form of one key: a null byte (0 NULL, 1 a value), the storage
// type (2 bytes), the SQL type the value is read with (2 bytes), the
// length (4 bytes), then the value's bytes, at most the key's width. A
// text or binary value longer than its key's width (the width comes from
// the column's precision, which a guessed column's later values may
// exceed) is copied whole into memory the keys own, and the slot holds a
// pointer to it in place of the bytes (null byte 2); values of long
// types are cut to the width instead (they compare by their first bytes).
#pragma once

#include <cstdint>

#include "flat/FlatDataValue.h"
#include "util/VxExport.h"
#include "util/VxStatus.h"

class FlatOpStream;
class FlatOpStreamGlobalInfo;
class FlatResultSetColumn;

constexpr std::uint32_t FLAT_SORT_KEY_HEADER = 9;

class VX_EXPORT FlatSortKeys {
public:
    explicit FlatSortKeys(FlatOpStreamGlobalInfo* info) : info_(info) {}
    ~FlatSortKeys();
    FlatSortKeys(const FlatSortKeys&) = delete;
    FlatSortKeys& operator=(const FlatSortKeys&) = delete;

    // Adds a key (the stream is owned from now on, also on failure).
    // `exprType` is the expression type the compiler gave it and `length`
    // its expression length.
    [[nodiscard]] VxStatus add(FlatOpStream* stream, short exprType, std::uint32_t length,
                               bool descending);
    // Adds a key that is `column`'s value (not owned).
    [[nodiscard]] VxStatus addColumn(FlatResultSetColumn* column, bool descending);

    std::uint16_t getCount() const { return count_; }
    // Bytes of all keys together, and where key `n` starts.
    std::uint32_t getBytes() const { return bytes_; }
    std::uint32_t getOffset(std::uint16_t n) const { return keys_[n].offset; }
    std::uint32_t getSize(std::uint16_t n) const { return FLAT_SORT_KEY_HEADER + keys_[n].width; }
    short getCompareType(std::uint16_t n) const { return keys_[n].compareType; }
    bool isDescending(std::uint16_t n) const { return keys_[n].descending; }
    const FlatOpStream* getStream(std::uint16_t n) const { return keys_[n].stream; }

    // Evaluates every key for the current row into `record`.
    [[nodiscard]] VxStatus evaluate(unsigned char* record);
    // Evaluates key `n` into `slot`.
    [[nodiscard]] VxStatus evaluateKey(std::uint16_t n, unsigned char* slot);
    // Compares two records over keys [from, to); a failure of the value
    // comparison is recorded and counts as equal.
    int compare(const unsigned char* a, const unsigned char* b, std::uint16_t from,
                std::uint16_t to);
    int compare(const unsigned char* a, const unsigned char* b) { return compare(a, b, 0, count_); }
    // Frees the values held outside their slots (see above): every record
    // evaluated before is void from then on.
    void releaseOutside();
    // Compares two stored values, each read with its own SQL type.
    static int compareSlots(FlatOpStreamGlobalInfo* info, const unsigned char* a,
                            const unsigned char* b);
    // The stored value of `slot` as a value borrowing its bytes.
    static void readSlot(const unsigned char* slot, FlatDataValue* value);
    // The value bytes of a slot that holds a value, wherever they are.
    static const unsigned char* slotBytes(const unsigned char* slot);
    // Stores `value` into `slot` of `width` value bytes.
    static void writeSlot(const FlatDataValue& value, short sqlType, std::uint32_t width,
                          unsigned char* slot);
    // The SQL type stored in a slot.
    static short slotSqlType(const unsigned char* slot);
    // The SQL type with which values of expression type `exprType` compare.
    static short compareTypeOf(short exprType);
    // The value bytes a key of expression type and length needs.
    static std::uint32_t widthOf(short exprType, std::uint32_t length);

    // Failure of a comparison made inside the sort (the sort itself cannot
    // report one): set once, checked by the operator after sorting.
    bool hasFailed() const { return failed_; }
    void clearFailure() { failed_ = false; }
    void setFailed() { failed_ = true; }

private:
    [[nodiscard]] VxStatus grow();

    struct Key {
        FlatOpStream* stream;
        FlatResultSetColumn* column;
        std::uint32_t offset;
        std::uint32_t width;
        short compareType;
        bool descending;
        bool mayOverflow; // a text or binary key of a type that is not long
    };
    struct Outside {
        Outside* next;
    };

    FlatOpStreamGlobalInfo* info_;
    Key* keys_ = nullptr;
    std::uint16_t count_ = 0;
    std::uint16_t capacity_ = 0;
    std::uint32_t bytes_ = 0;
    FlatDataValue value_;
    Outside* outside_ = nullptr; // values held outside their slots
    bool failed_ = false;
};
