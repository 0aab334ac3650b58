#include "base/BaseResumeStack.h"

#include "util/ram.h"

BaseResumeStack::~BaseResumeStack() { ramFree(values_); }

VxStatus BaseResumeStack::push(std::uintptr_t value) {
    if (count_ == capacity_) {
        std::size_t capacity = capacity_ ? capacity_ * 2 : 8;
        if (ramResizeArray(&values_, capacity) != VX_SUCCESS)
            return VX_ERROR;
        capacity_ = capacity;
    }
    values_[count_++] = value;
    return VX_SUCCESS;
}

bool BaseResumeStack::pop(std::uintptr_t* value) {
    if (count_ == 0)
        return false;
    *value = values_[--count_];
    return true;
}
