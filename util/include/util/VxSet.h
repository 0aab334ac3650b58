// VxSet: an open-addressing hash table of objects.
//
// The table is a VxArray whose elements are spread over its whole capacity.
// An element with hash value h lives at its home slot
// ((h * 0x9E3779B9) mod 2^32) mod size, or, when that is taken, at the
// first free slot found probing downwards from it (home - 1, ..., 0, then
// the last slot, ...). Before an insertion would make the count exceed the
// load factor (75 %) of the table size, the table is rebuilt for
// threshold + threshold * growth / 100 + 1 entries (growth 25 %), where the
// threshold is the largest count the current table takes. A table can never
// pass the array limit of 16,000 slots: such a rebuild fails with 2722.
//
// Hashing and equality come from the derived class (doHash, areEqual). The
// set owns its elements: removing one gives it back to the caller, the
// destructor and reset() delete those still present.
#pragma once

#include "util/VxArray.h"

constexpr std::uint16_t VX_SET_LOAD_FACTOR = 75;
constexpr std::uint16_t VX_SET_GROWTH = 25;
// Entries a table is sized for when the first element comes before any
// initialize().
constexpr std::uint16_t VX_SET_DEFAULT_EXPECTED = 16;

class VX_EXPORT VxSet : public VxObject {
public:
    VxSet();
    VxSet(const VxSet&) = delete;
    VxSet& operator=(const VxSet&) = delete;
    ~VxSet() override;

    // Sizes an empty table for `expected` entries: expected * 100 / 75 + 1
    // slots. A set that holds elements keeps them and only grows its table.
    VxStatus initialize(std::uint16_t expected);
    // Deletes the elements, frees the table and restores the defaults.
    void reset();

    std::uint16_t getCount() const { return count_; }
    std::uint16_t getHighestCount() const { return highestCount_; }
    std::uint16_t getTableSize() const { return table_.getCapacity(); }
    std::uint16_t getLoadFactor() const { return loadFactor_; }
    std::uint16_t getGrowth() const { return growth_; }
    // The element at a table slot (null for a free slot): walks every
    // element when `slot` runs from 0 to getTableSize() - 1.
    VxObject* getAtSlot(std::uint16_t slot) const { return table_.get(slot); }

    // Inserts without looking for an equal element.
    VxStatus add(VxObject* element);
    // The element equal to `probe`, or null.
    VxObject* find(const VxObject& probe) const;
    // Takes the element equal to `probe` out of the set and returns it
    // (null when absent); the elements after it in its probe chain move
    // so that every one stays reachable.
    VxObject* remove(const VxObject& probe);

    // The home slot of a hash value in a table of `size` slots.
    static std::uint16_t homeSlot(std::uint32_t hash, std::uint16_t size) {
        return static_cast<std::uint16_t>(static_cast<std::uint32_t>(hash * 0x9E3779B9u) % size);
    }

protected:
    virtual std::uint32_t doHash(const VxObject& element) const = 0;
    virtual bool areEqual(const VxObject& a, const VxObject& b) const = 0;
    // Deletes every element and empties the table, keeping its size.
    void deleteElements();

private:
    std::uint16_t slotsFor(std::uint32_t expected, VxStatus& status) const;
    VxStatus rebuild(std::uint16_t size);
    // The slot of the element equal to `probe`, or of the free slot where
    // the probe would go; `found` says which.
    std::uint16_t probe(const VxObject& probe, bool& found) const;
    void place(VxObject* element);
    // The next slot of a probe: one down, from 0 to the last.
    std::uint16_t below(std::uint16_t slot) const {
        return static_cast<std::uint16_t>((slot == 0 ? getTableSize() : slot) - 1);
    }

    VxArray table_{0, true};
    std::uint16_t count_ = 0;
    std::uint16_t highestCount_ = 0;
    std::uint16_t loadFactor_ = VX_SET_LOAD_FACTOR;
    std::uint16_t growth_ = VX_SET_GROWTH;
};
