// FlatFileIndex: an index that belongs to a table description
// (FlatSharedDesc owns it): a unique key a driver keeps, or the ROWID
// index. Its key parts are FlatFileIndexKey: the native form of a value is
// an 8-byte IEEE double (minus zero stored as zero), so keys of numbers of
// any type compare by value.
//
// The engine reads file indexes to keep unique keys unique inside a
// transaction (FlatChangesFile); a driver that keeps one answers
// FlatCursor::checkKeyInIndex for it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "flat/FlatIndex.h"

class FlatSharedDesc;

class VX_EXPORT FlatFileIndexKey : public FlatIndexKey {
public:
    static constexpr short KEY_TYPE_DOUBLE = 8;

    FlatFileIndexKey(FlatIndex* owner, std::uint16_t field, short sqlType);

    // Any number, or a text that reads as one; NULL gives 0 (callers learn
    // of NULL parts from computeIndexKey). A value that is no number fails
    // with the conversion's error.
    [[nodiscard]] VxStatus convertValueToNative(const FlatDataValue* value,
                                                unsigned char* out) override;
    int compareNativeToNative(const unsigned char* a, const unsigned char* b) override;
    bool isNativeLikePattern(const unsigned char* key, const char* pattern) override;
    // The lower limit's value; without one, minus infinity.
    [[nodiscard]] VxStatus generateStartKey(unsigned char* out, const FlatIndexLimit* lower,
                                            const FlatIndexLimit* upper) override;
    // -1 without an upper limit; else the comparison with it, a key equal
    // to a "<" limit counting as past the end.
    int compareToEndKey(const unsigned char* key, const FlatIndexLimit* lower,
                        const FlatIndexLimit* upper) override;
};

class VX_EXPORT FlatFileIndex : public FlatIndex {
public:
    enum : std::uint16_t { INDEX_UNIQUE = 0x1, INDEX_PRIMARY = 0x2, INDEX_ROWID = 0x4 };
    // SQLStatistics index types.
    enum : std::uint16_t { TYPE_CLUSTERED = 1, TYPE_HASHED = 2, TYPE_OTHER = 3 };

    explicit FlatFileIndex(FlatSharedDesc* desc) : desc_(desc) {}
    ~FlatFileIndex() override;

    // Stores the name (null for none, as the ROWID index has).
    [[nodiscard]] VxStatus initialize(const char* name);
    // Compiles the FOR condition `text` over the table's columns: its
    // result must be logical, else 4047 "Index filter expression does have
    // logical result."; other errors are the compiler's.
    [[nodiscard]] VxStatus addForExpression(const char* text);
    // 1 when the index has no filter. A filtered index is refused with
    // S1C00: the engine does not evaluate filters of file indexes.
    [[nodiscard]] VxStatus checkRecordAgainstFilter(FlatCursor* cursor, bool* matches);

    // ---- Operations (slot order fixed) ----
    virtual int compareFullNativeToNative(const unsigned char* a, const unsigned char* b);
    // The table's file name up to its first "."; *flag 0.
    virtual void getQualifier(char* out, std::size_t length, FlatSharedDesc* desc, int* flag);
    // Both report the count as unknown.
    virtual void getUniqueCount(std::uint32_t* count, bool* unknown);
    virtual void getPages(std::uint32_t* count, bool* unknown);

    // Comparison function for trees of full keys of `index`.
    static int fileIndexCompare(FlatFileIndex* index, const unsigned char* a,
                                const unsigned char* b);

    FlatSharedDesc* getSharedDesc() const { return desc_; }
    const char* getName() const { return hasName_ ? name_.c_str() : nullptr; }
    std::uint16_t getType() const { return type_; }
    std::uint16_t getFlags() const { return flags_; }
    void setFlags(std::uint16_t flags) { flags_ = flags; }
    bool isUnique() const { return (flags_ & INDEX_UNIQUE) != 0; }
    const char* getFilterText() const { return filter_.empty() ? nullptr : filter_.c_str(); }

private:
    FlatSharedDesc* desc_;
    std::string name_;
    bool hasName_ = false;
    std::uint16_t type_ = TYPE_OTHER;
    std::uint16_t flags_ = 0;
    std::string filter_;
};

// One usable index of a table access: the index and the columns of its
// key parts, in order.
struct FlatIndexRangeDesc {
    FlatFileIndex* index = nullptr;
    std::vector<std::uint16_t> keyFields;
};
