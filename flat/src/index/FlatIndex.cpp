// FlatIndex and the common part of its key parts.
#include "flat/FlatIndex.h"

#include "flat/FlatCursor.h"
#include "flat/FlatDataValue.h"

FlatIndexKey::FlatIndexKey(FlatIndex* owner, std::uint16_t field, short keyType,
                           std::uint16_t length, short sqlType, std::uint32_t precision,
                           short scale)
    : owner_(owner), field_(field), keyType_(keyType), length_(length), sqlType_(sqlType),
      precision_(precision), scale_(scale) {}

FlatIndexKey::~FlatIndexKey() = default;

FlatIndex::~FlatIndex() {
    for (FlatIndexKey* key : keys_)
        delete key;
}

VxStatus FlatIndex::addKey(FlatIndexKey* key) {
    if (!key)
        return VX_ERROR;
    keys_.push_back(key);
    keyLength_ += key->getLength();
    return VX_SUCCESS;
}

bool FlatIndex::isFieldInIndex(std::uint16_t field) const {
    for (const FlatIndexKey* key : keys_)
        if (key->getField() == field)
            return true;
    return false;
}

VxStatus FlatIndex::computeIndexKey(FlatCursor* cursor, unsigned char* out, bool* hasNull) {
    if (hasNull)
        *hasNull = false;
    for (FlatIndexKey* key : keys_) {
        FlatDataValue value;
        if (cursor->getFieldData(key->getField(), &value) != VX_SUCCESS)
            return VX_ERROR;
        if (value.isNull() && hasNull)
            *hasNull = true;
        if (key->convertValueToNative(&value, out) != VX_SUCCESS)
            return VX_ERROR;
        out += key->getLength();
    }
    return VX_SUCCESS;
}

int FlatIndex::compareFullKeys(const unsigned char* a, const unsigned char* b) const {
    for (FlatIndexKey* key : keys_) {
        const int c = key->compareNativeToNative(a, b);
        if (c != 0)
            return c;
        a += key->getLength();
        b += key->getLength();
    }
    return 0;
}
