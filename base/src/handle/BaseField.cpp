#include "base/BaseField.h"

#include "util/ram.h"

BaseField::~BaseField() {
    ramFree(name_);
    ramFree(typeName_);
    ramFree(tableName_);
    ramFree(ownerName_);
    ramFree(qualifierName_);
    ramFree(label_);
}

VxStatus BaseField::setText(char** target, const char* text) {
    char* copy = nullptr;
    if (text && !(copy = ramAllocStr(text)))
        return VX_ERROR;
    ramFree(*target);
    *target = copy;
    return VX_SUCCESS;
}
