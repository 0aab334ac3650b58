// VxArray: a growable vector of element pointers. VxArrayU32, VxArrayS32
// and VxArrayPVoid keep numbers and raw blocks in the same vector.
//
// Capacity and count are 16-bit; an array never holds more than
// VX_ARRAY_MAX_CAPACITY slots. When a full array grows, the capacity goes up
// by the growth step (default 16), or doubles when the step is 0. A growth
// that would pass the limit fails with message 2722, except that adding to a
// full array below the limit takes the capacity to exactly the limit. New
// slots are always null.
//
// Ownership: an array that owns its elements deletes them (through the
// virtual destructor of VxObject) in deleteAtIndex, deleteContents and its
// own destructor; removeAtIndex and shrink only forget them. An array whose
// elements are spread over the whole capacity (the table of a hash set) has
// null holes: deleting and searching then cover every slot of the capacity.
#pragma once

#include <cstdint>

#include "util/VxObject.h"
#include "util/VxStatus.h"

constexpr std::uint16_t VX_ARRAY_MAX_CAPACITY = 16000;
constexpr std::uint16_t VX_ARRAY_DEFAULT_GROWTH = 16;

class VX_EXPORT VxArray : public VxObject {
public:
    explicit VxArray(std::uint16_t growthStep = VX_ARRAY_DEFAULT_GROWTH, bool ownsElements = true);
    VxArray(const VxArray&) = delete;
    VxArray& operator=(const VxArray&) = delete;
    // Deletes the elements when the array owns them, then frees the vector.
    ~VxArray() override;

    std::uint16_t getCount() const { return count_; }
    std::uint16_t getCapacity() const { return capacity_; }
    bool isEmpty() const { return count_ == 0; }
    std::uint16_t getGrowthStep() const { return growthStep_; }
    void setGrowthStep(std::uint16_t step) { growthStep_ = step; }
    bool ownsElements() const { return ownsElements_; }
    void setOwnsElements(bool owns) { ownsElements_ = owns; }
    bool isSpread() const { return spread_; }
    void setSpread(bool spread) { spread_ = spread; }

    // The element at `index`; null past the count (past the capacity for a
    // spread array).
    VxObject* get(std::uint16_t index) const {
        return index < limit() ? static_cast<VxObject*>(elements_[index]) : nullptr;
    }
    VxObject* operator[](std::uint16_t index) const { return get(index); }
    // Replaces the element at `index` without deleting the old one; ignored
    // past the count. In a spread array any slot of the capacity may be set,
    // and the count follows the slots that hold an element.
    void set(std::uint16_t index, VxObject* object) { setSlot(index, object); }

    // Makes the capacity at least `size` (2722 past the limit).
    VxStatus setInitialSize(std::uint16_t size);
    // Appends; a full array grows first.
    VxStatus add(VxObject* object) { return addAtIndex(object, count_); }
    // Inserts at `index` (the count or more appends), moving the tail up.
    VxStatus addAtIndex(VxObject* object, std::uint16_t index);
    // Removes the element at `index` and deletes it when the array owns it.
    void deleteAtIndex(std::uint16_t index);
    // Removes the element at `index` without deleting it and returns it;
    // null past the count.
    VxObject* removeAtIndex(std::uint16_t index);
    // Deletes every element the array owns (forgets them otherwise); the
    // count becomes 0 and the capacity stays.
    void deleteContents();
    // Capacity and count become `size`; elements past it are forgotten, new
    // slots are null; 0 frees the vector.
    VxStatus shrink(std::uint16_t size);
    // Whether this very object is an element (pointer identity).
    bool doesExist(const VxObject* object) const;
    // Exchanges vector, capacity, count, growth step and flags with `other`.
    void swap(VxArray& other);

protected:
    // The number of slots that hold elements: the count, or the capacity
    // for a spread array.
    std::uint16_t limit() const { return spread_ ? capacity_ : count_; }
    void* slot(std::uint16_t index) const { return index < limit() ? elements_[index] : nullptr; }
    void setSlot(std::uint16_t index, void* element);
    VxStatus addSlotAtIndex(void* element, std::uint16_t index);
    void* removeSlotAtIndex(std::uint16_t index);
    bool doesSlotExist(const void* element) const;
    // Grows the capacity by one step. With `clamp`, a capacity below the
    // limit may grow to exactly the limit instead of failing.
    VxStatus increaseSize(bool clamp);
    // Grows or shrinks the vector to `size` slots, zero-filling new ones.
    VxStatus resizeVector(std::uint16_t size);
    // Frees one owned element; ramFree for raw blocks.
    virtual void deleteElement(void* element);
    void setCount(std::uint16_t count) { count_ = count; }
    void** elements() const { return elements_; }

private:
    void** elements_ = nullptr;
    std::uint16_t capacity_ = 0;
    std::uint16_t count_ = 0;
    std::uint16_t growthStep_;
    bool ownsElements_;
    bool spread_ = false;
};
