// FlatInMemIndex: an index the engine builds in memory over the rows of a
// result set: a VxTree of full keys (duplicates allowed) whose data is the
// row handle, in key order. Its key parts are FlatInMemIndexKey, whose
// native form is the stored form of sorting (FlatSortKeys): a null byte,
// storage and SQL type, length, then the value cut to the key's width.
// Keys compare as the evaluator compares values (NULL lowest).
//
// Reading a range: openRange positions before the range's first key,
// nextInRange gives keys and handles in order until the range ends.
//
// LIKE limits: the range of a LIKE pattern runs over the keys that start
// with the pattern's literal prefix (up to its first unescaped "%" or "_",
// escapes removed). Under international sort order text does not sort by
// bytes, so a LIKE limit gives no range: every key is read (the query's
// filter still decides).
#pragma once

#include <cstdint>
#include <vector>

#include "flat/FlatIndex.h"

class FlatOpStreamGlobalInfo;
class VxTree;
class VxTreeIterator;

class VX_EXPORT FlatInMemIndexKey : public FlatIndexKey {
public:
    // A key part over column `field` of values of `sqlType` at most
    // `width` bytes long; `info` supplies the comparison (and its sort
    // order) and must outlive the key.
    FlatInMemIndexKey(FlatIndex* owner, std::uint16_t field, short sqlType, std::uint32_t width,
                      FlatOpStreamGlobalInfo* info);

    [[nodiscard]] VxStatus convertValueToNative(const FlatDataValue* value,
                                                unsigned char* out) override;
    int compareNativeToNative(const unsigned char* a, const unsigned char* b) override;
    // NULL never matches.
    bool isNativeLikePattern(const unsigned char* key, const char* pattern) override;
    // With a LIKE lower limit the pattern's literal prefix; with another
    // lower limit its value; without, NULL (the lowest key).
    [[nodiscard]] VxStatus generateStartKey(unsigned char* out, const FlatIndexLimit* lower,
                                            const FlatIndexLimit* upper) override;
    int compareToEndKey(const unsigned char* key, const FlatIndexLimit* lower,
                        const FlatIndexLimit* upper) override;

private:
    // The literal prefix of a LIKE pattern, escapes removed; false when a
    // LIKE range cannot be used (international sort order).
    bool likePrefix(const FlatIndexLimit* limit, std::vector<char>* prefix) const;

    std::uint32_t width_;
    FlatOpStreamGlobalInfo* info_;
};

class VX_EXPORT FlatInMemIndex : public FlatIndex {
public:
    // An index over rows whose handles are `handleSize` bytes.
    explicit FlatInMemIndex(std::uint16_t handleSize);
    ~FlatInMemIndex() override;

    // Creates the tree once every key part has been added.
    [[nodiscard]] VxStatus initialize();
    // Enters the row of `handle` under the full key `key`.
    [[nodiscard]] VxStatus addRow(const unsigned char* key, const unsigned char* handle);
    // Starts reading `range`, whose limits have been evaluated; the range
    // must outlive the reading.
    [[nodiscard]] VxStatus openRange(FlatIndexRange* range);
    // The next key and row handle of the range; *end when there is none.
    [[nodiscard]] VxStatus nextInRange(unsigned char* key, unsigned char* handle, bool* end);

    std::uint32_t getRowCount() const;
    // The comparison of the index's tree: key part by key part, with the
    // value comparison of each part's type.
    static int inMemIndexCompare(FlatInMemIndex* index, const unsigned char* a,
                                 const unsigned char* b);

private:
    // Whether the range starts at an equality that the tree can seek.
    bool seeksEqual() const;

    std::uint16_t handleSize_;
    VxTree* tree_ = nullptr;
    VxTreeIterator* iterator_ = nullptr;
    FlatIndexRange* range_ = nullptr;
    bool started_ = false;
    bool ended_ = false;
};
