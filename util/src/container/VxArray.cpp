#include "util/VxArray.h"

#include <cstring>
#include <utility>

#include "error/utlMessages.h"
#include "util/VxArrayPVoid.h"
#include "util/ram.h"

VxArray::VxArray(std::uint16_t growthStep, bool ownsElements)
    : growthStep_(growthStep), ownsElements_(ownsElements) {}

VxArray::~VxArray() {
    deleteContents();
    ramFree(elements_);
}

void VxArray::deleteElement(void* element) {
    delete static_cast<VxObject*>(element);
}

VxStatus VxArray::resizeVector(std::uint16_t size) {
    if (size == 0) {
        ramFree(elements_);
        elements_ = nullptr;
        capacity_ = 0;
        return VX_SUCCESS;
    }
    void* block = elements_;
    if (block == nullptr) {
        block = ramAllocZ(size * sizeof(void*));
        if (block == nullptr)
            return VX_ERROR;
    } else if (ramResizeZ(&block, size * sizeof(void*)) != VX_SUCCESS) {
        return VX_ERROR;
    }
    elements_ = static_cast<void**>(block);
    capacity_ = size;
    return VX_SUCCESS;
}

VxStatus VxArray::increaseSize(bool clamp) {
    std::uint32_t newCapacity;
    if (growthStep_ != 0)
        newCapacity = std::uint32_t{capacity_} + growthStep_;
    else
        newCapacity = capacity_ == 0 ? VX_ARRAY_DEFAULT_GROWTH : std::uint32_t{capacity_} * 2;
    if (newCapacity > VX_ARRAY_MAX_CAPACITY) {
        if (!clamp || capacity_ >= VX_ARRAY_MAX_CAPACITY) {
            addError(2722);
            return VX_ERROR;
        }
        newCapacity = VX_ARRAY_MAX_CAPACITY;
    }
    return resizeVector(static_cast<std::uint16_t>(newCapacity));
}

void VxArray::setSlot(std::uint16_t index, void* element) {
    if (index >= limit())
        return;
    if (spread_) {
        if (elements_[index] == nullptr && element != nullptr)
            ++count_;
        else if (elements_[index] != nullptr && element == nullptr)
            --count_;
    }
    elements_[index] = element;
}

VxStatus VxArray::setInitialSize(std::uint16_t size) {
    if (size > VX_ARRAY_MAX_CAPACITY) {
        addError(2722);
        return VX_ERROR;
    }
    if (size <= capacity_)
        return VX_SUCCESS;
    return resizeVector(size);
}

VxStatus VxArray::addAtIndex(VxObject* object, std::uint16_t index) {
    return addSlotAtIndex(object, index);
}

VxStatus VxArray::addSlotAtIndex(void* element, std::uint16_t index) {
    if (count_ >= capacity_ && increaseSize(true) != VX_SUCCESS)
        return VX_ERROR;
    if (index > count_)
        index = count_;
    std::memmove(elements_ + index + 1, elements_ + index, (count_ - index) * sizeof(void*));
    elements_[index] = element;
    ++count_;
    return VX_SUCCESS;
}

void* VxArray::removeSlotAtIndex(std::uint16_t index) {
    if (index >= limit())
        return nullptr;
    void* element = elements_[index];
    if (spread_) {
        // A hole stays where the element was; the others keep their slots.
        elements_[index] = nullptr;
        if (element != nullptr)
            --count_;
        return element;
    }
    --count_;
    std::memmove(elements_ + index, elements_ + index + 1, (count_ - index) * sizeof(void*));
    elements_[count_] = nullptr;
    return element;
}

VxObject* VxArray::removeAtIndex(std::uint16_t index) {
    return static_cast<VxObject*>(removeSlotAtIndex(index));
}

void VxArray::deleteAtIndex(std::uint16_t index) {
    void* element = removeSlotAtIndex(index);
    if (element != nullptr && ownsElements_)
        deleteElement(element);
}

void VxArray::deleteContents() {
    std::uint16_t end = limit();
    for (std::uint16_t i = 0; i < end; ++i) {
        void* element = elements_[i];
        elements_[i] = nullptr;
        if (element != nullptr && ownsElements_)
            deleteElement(element);
    }
    count_ = 0;
}

VxStatus VxArray::shrink(std::uint16_t size) {
    if (size > VX_ARRAY_MAX_CAPACITY) {
        addError(2722);
        return VX_ERROR;
    }
    if (size != capacity_ && resizeVector(size) != VX_SUCCESS)
        return VX_ERROR;
    count_ = size;
    return VX_SUCCESS;
}

bool VxArray::doesSlotExist(const void* element) const {
    std::uint16_t end = limit();
    for (std::uint16_t i = 0; i < end; ++i) {
        if (elements_[i] == element)
            return true;
    }
    return false;
}

bool VxArray::doesExist(const VxObject* object) const {
    return doesSlotExist(object);
}

void VxArray::swap(VxArray& other) {
    std::swap(elements_, other.elements_);
    std::swap(capacity_, other.capacity_);
    std::swap(count_, other.count_);
    std::swap(growthStep_, other.growthStep_);
    std::swap(ownsElements_, other.ownsElements_);
    std::swap(spread_, other.spread_);
}

VxArrayPVoid::~VxArrayPVoid() {
    deleteContents();
}

void VxArrayPVoid::deleteElement(void* element) {
    ramFree(element);
}
