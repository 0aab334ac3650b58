// FlatOpStreamGlobalInfo: the evaluator's byte stack and the parameter
// types it converts values to.
#include "flat/FlatOpStreamGlobalInfo.h"

#include "error/FlatErrors.h"
#include "flat/FlatExprType.h"
#include "parse/FlatParamList.h"
#include "util/ram.h"

FlatOpStreamGlobalInfo::~FlatOpStreamGlobalInfo() {
    ramFree(stack_);
}

VxStatus FlatOpStreamGlobalInfo::reserve(std::size_t bytes, std::size_t* offset) {
    std::size_t needed = top_ + bytes;
    // The stack gets its first step even for an empty item, so that the
    // address of any item is never null (empty texts are copied too).
    if (needed > size_ || !stack_) {
        if (needed > FLAT_STACK_LIMIT) {
            addFlatError(FLAT_MSG_STACK_OVERFLOW);
            return VX_ERROR;
        }
        std::size_t newSize = (needed + FLAT_STACK_STEP - 1) / FLAT_STACK_STEP * FLAT_STACK_STEP;
        if (newSize == 0)
            newSize = FLAT_STACK_STEP;
        if (newSize > FLAT_STACK_LIMIT)
            newSize = FLAT_STACK_LIMIT;
        void* block = stack_;
        if (ramResize(&block, newSize) != VX_SUCCESS)
            return VX_ERROR;
        stack_ = static_cast<unsigned char*>(block);
        size_ = newSize;
    }
    *offset = top_;
    top_ = needed;
    return VX_SUCCESS;
}

short FlatOpStreamGlobalInfo::getParamType(std::uint16_t number) const {
    return paramTypes_ ? paramTypes_->getType(number) : FLAT_TYPE_PARAM;
}
