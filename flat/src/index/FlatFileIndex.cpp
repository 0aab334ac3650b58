// FlatFileIndex: an index of a table description, with double key parts.
#include "flat/FlatFileIndex.h"

#include <sqlext.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "base/BaseConvert.h"
#include "base/BaseErrors.h"
#include "error/FlatErrors.h"
#include "flat/FlatDataValue.h"
#include "flat/FlatExprType.h"
#include "flat/FlatIndexExpr.h"
#include "flat/FlatSharedDesc.h"
#include "flat/FlatSharedField.h"
#include "util/str.h"

namespace {

constexpr unsigned short MSG_FILTER_NOT_LOGICAL = 4047;

double nativeOf(const unsigned char* key) {
    double value = 0;
    std::memcpy(&value, key, sizeof value);
    return value;
}

int compareDoubles(double a, double b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

} // namespace

FlatFileIndexKey::FlatFileIndexKey(FlatIndex* owner, std::uint16_t field, short sqlType)
    : FlatIndexKey(owner, field, KEY_TYPE_DOUBLE, sizeof(double), sqlType, 15, 0) {}

VxStatus FlatFileIndexKey::convertValueToNative(const FlatDataValue* value, unsigned char* out) {
    double number = 0;
    if (value && !value->isNull()) {
        short from = value->getStorageType();
        if (from == FLAT_STORAGE_UNSET)
            from = INTERNAL_CHAR;
        SQLLEN produced = 0;
        if (BaseConvertNum(static_cast<InternalType>(from), value->getValueBuffer(),
                           static_cast<SQLLEN>(value->getLength()), INTERNAL_DOUBLE, &number,
                           &produced, sizeof number, 0, 0) != VX_SUCCESS)
            return VX_ERROR;
        if (number == 0)
            number = 0; // minus zero keys as zero
    }
    std::memcpy(out, &number, sizeof number);
    return VX_SUCCESS;
}

int FlatFileIndexKey::compareNativeToNative(const unsigned char* a, const unsigned char* b) {
    return compareDoubles(nativeOf(a), nativeOf(b));
}

bool FlatFileIndexKey::isNativeLikePattern(const unsigned char*, const char*) {
    return true;
}

// Without a lower limit the range starts at minus infinity, so that
// negative keys are read too.
VxStatus FlatFileIndexKey::generateStartKey(unsigned char* out, const FlatIndexLimit* lower,
                                            const FlatIndexLimit*) {
    if (lower && lower->getOp() != FlatLimitOp::LIKE) {
        std::memcpy(out, lower->getNative(), sizeof(double));
        return VX_SUCCESS;
    }
    const double lowest = -std::numeric_limits<double>::infinity();
    std::memcpy(out, &lowest, sizeof lowest);
    return VX_SUCCESS;
}

int FlatFileIndexKey::compareToEndKey(const unsigned char* key, const FlatIndexLimit*,
                                      const FlatIndexLimit* upper) {
    if (!upper || upper->getOp() == FlatLimitOp::LIKE)
        return -1;
    const int c = compareNativeToNative(key, upper->getNative());
    return c == 0 && upper->getOp() == FlatLimitOp::LESS ? 1 : c;
}

FlatFileIndex::~FlatFileIndex() = default;

VxStatus FlatFileIndex::initialize(const char* name) {
    hasName_ = name != nullptr;
    name_ = name ? name : "";
    return VX_SUCCESS;
}

VxStatus FlatFileIndex::addForExpression(const char* text) {
    FlatIndexExpr filter;
    if (filter.compile(desc_, text) != VX_SUCCESS)
        return VX_ERROR;
    if (filter.getResultType() != FLAT_TYPE_BIT) {
        addFlatError(MSG_FILTER_NOT_LOGICAL);
        return VX_ERROR;
    }
    filter_ = text;
    return VX_SUCCESS;
}

VxStatus FlatFileIndex::checkRecordAgainstFilter(FlatCursor*, bool* matches) {
    *matches = true;
    if (filter_.empty())
        return VX_SUCCESS;
    addOdbcError(ODBC_S1C00);
    return VX_ERROR;
}

int FlatFileIndex::compareFullNativeToNative(const unsigned char* a, const unsigned char* b) {
    return compareFullKeys(a, b);
}

void FlatFileIndex::getQualifier(char* out, std::size_t length, FlatSharedDesc* desc, int* flag) {
    *flag = 0;
    if (!out || length == 0)
        return;
    const char* name = (desc ? desc : desc_)->getTableName();
    const char* dot = std::strchr(name, '.');
    std::size_t size = dot ? static_cast<std::size_t>(dot - name) : std::strlen(name);
    if (size >= length)
        size = length - 1;
    std::memcpy(out, name, size);
    out[size] = '\0';
}

void FlatFileIndex::getUniqueCount(std::uint32_t* count, bool* unknown) {
    *count = 0;
    *unknown = true;
}

void FlatFileIndex::getPages(std::uint32_t* count, bool* unknown) {
    *count = 0;
    *unknown = true;
}

int FlatFileIndex::fileIndexCompare(FlatFileIndex* index, const unsigned char* a,
                                    const unsigned char* b) {
    return index->compareFullNativeToNative(a, b);
}
