#include "flat/FlatSharedField.h"

#include "util/ram.h"

namespace {

VxStatus replaceText(char** slot, const char* text) {
    char* copy = nullptr;
    if (text) {
        copy = ramAllocStr(text);
        if (!copy)
            return VX_ERROR;
    }
    ramFree(*slot);
    *slot = copy;
    return VX_SUCCESS;
}

} // namespace

FlatSharedField::~FlatSharedField() {
    ramFree(name_);
    ramFree(nativeTypeName_);
}

VxStatus FlatSharedField::setName(const char* name) {
    return replaceText(&name_, name);
}

VxStatus FlatSharedField::setNativeTypeName(const char* name) {
    return replaceText(&nativeTypeName_, name);
}
