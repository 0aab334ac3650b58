// FlatIndex and the common part of its key parts.
#include "flat/FlatIndex.h"

#include <sqlext.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "base/InternalType.h"
#include "flat/FlatCursor.h"
#include "flat/FlatDataValue.h"
#include "flat/FlatFileIndex.h"
#include "flat/FlatOpCode.h"
#include "flat/FlatOpStream.h"
#include "flat/FlatQueryCost.h"

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

// ---- FlatIndexKey: how a limit's value fits ----

namespace {

// The number in `value`, when it is one or a text that reads wholly as one.
bool numberOf(const FlatDataValue* value, double* number) {
    const short type = value->getStorageType();
    if (type == INTERNAL_DOUBLE && value->getLength() >= sizeof(double)) {
        std::memcpy(number, value->getValueBuffer(), sizeof(double));
        return true;
    }
    if (type != INTERNAL_CHAR && type != FLAT_STORAGE_UNSET)
        return false;
    std::string text(static_cast<const char*>(value->getValueBuffer()), value->getLength());
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    *number = std::strtod(begin, &end);
    if (end == begin)
        return false;
    while (*end == ' ')
        ++end;
    return *end == '\0' && !std::isnan(*number);
}

// The integer range of an SQL type; false for types that are not integers.
bool integerRange(short sqlType, double* low, double* high) {
    switch (sqlType) {
    case SQL_INTEGER:
        *low = -2147483648.0;
        *high = 2147483647.0;
        return true;
    case SQL_SMALLINT:
        *low = -32768.0;
        *high = 32767.0;
        return true;
    default:
        return false;
    }
}

// Selectivity factor of a limit's operator, as of the comparison it stands for.
std::uint32_t limitFactor(FlatLimitOp op) {
    switch (op) {
    case FlatLimitOp::EQUAL:
        return flatComparisonFactor(FLAT_OP_EQ);
    case FlatLimitOp::LIKE:
        return flatComparisonFactor(FLAT_OP_LIKE);
    default:
        return flatComparisonFactor(FLAT_OP_LT);
    }
}

} // namespace

FlatKeyFit FlatIndexKey::fitValue(const FlatDataValue* value) const {
    if (keyType_ != FlatFileIndexKey::KEY_TYPE_DOUBLE)
        return FlatKeyFit::EXACT;
    double number = 0;
    if (!numberOf(value, &number))
        return FlatKeyFit::UNUSABLE;
    double low = 0;
    double high = 0;
    if (integerRange(sqlType_, &low, &high)) {
        if (number > high)
            return FlatKeyFit::ABOVE;
        if (number < low)
            return FlatKeyFit::BELOW;
        return std::floor(number) == number ? FlatKeyFit::EXACT : FlatKeyFit::NO_EQUAL;
    }
    if (sqlType_ == SQL_REAL && std::isfinite(number)) {
        if (number > std::numeric_limits<float>::max())
            return FlatKeyFit::ABOVE;
        if (number < -std::numeric_limits<float>::max())
            return FlatKeyFit::BELOW;
        return static_cast<double>(static_cast<float>(number)) == number ? FlatKeyFit::EXACT
                                                                         : FlatKeyFit::INEXACT;
    }
    if (number == std::numeric_limits<double>::infinity())
        return FlatKeyFit::ABOVE;
    if (number == -std::numeric_limits<double>::infinity())
        return FlatKeyFit::BELOW;
    return FlatKeyFit::EXACT;
}

// ---- FlatIndexLimit ----

FlatIndexLimit::~FlatIndexLimit() {
    delete expr_;
}

void FlatIndexLimit::setExpression(FlatLimitOp op, FlatOpStream* expr, bool dependsOnOuter) {
    clear();
    declaredOp_ = op;
    op_ = op;
    expr_ = expr;
    flags_ = PRESENT | (dependsOnOuter ? DEPENDS_ON_OUTER : 0);
}

VxStatus FlatIndexLimit::setValue(FlatLimitOp op, const FlatDataValue& value) {
    clear();
    declaredOp_ = op;
    op_ = op;
    flags_ = PRESENT;
    value_.clear();
    value_.setStorageType(value.getStorageType());
    if (value.isNull()) {
        value_.setNull();
        return VX_SUCCESS;
    }
    return value_.setValueCopy(value.getValueBuffer(), value.getLength(), value.getStorageType());
}

void FlatIndexLimit::clear() {
    delete expr_;
    expr_ = nullptr;
    flags_ = 0;
    native_.clear();
}

VxStatus FlatIndexLimit::evaluate(FlatIndexKey* key) {
    flags_ &= static_cast<std::uint8_t>(~(IGNORE | EMPTY));
    op_ = declaredOp_;
    if (!isPresent())
        return VX_SUCCESS;
    if (expr_ && expr_->evaluate(&value_) != VX_SUCCESS)
        return VX_ERROR;
    if (value_.isNull()) {
        flags_ |= EMPTY;
        return VX_SUCCESS;
    }
    if (op_ == FlatLimitOp::LIKE) {
        // The pattern is taken as text; any other value restricts nothing.
        if (value_.getStorageType() != INTERNAL_CHAR)
            flags_ |= IGNORE;
        return VX_SUCCESS;
    }
    const bool below = op_ == FlatLimitOp::LESS || op_ == FlatLimitOp::LESS_EQUAL;
    const bool above = op_ == FlatLimitOp::GREATER || op_ == FlatLimitOp::GREATER_EQUAL;
    switch (key->fitValue(&value_)) {
    case FlatKeyFit::UNUSABLE:
        flags_ |= IGNORE;
        return VX_SUCCESS;
    case FlatKeyFit::ABOVE:
        flags_ |= below ? IGNORE : EMPTY;
        return VX_SUCCESS;
    case FlatKeyFit::BELOW:
        flags_ |= above ? IGNORE : EMPTY;
        return VX_SUCCESS;
    case FlatKeyFit::NO_EQUAL:
        if (op_ == FlatLimitOp::EQUAL) {
            flags_ |= EMPTY;
            return VX_SUCCESS;
        }
        [[fallthrough]];
    case FlatKeyFit::INEXACT:
        if (op_ == FlatLimitOp::LESS)
            op_ = FlatLimitOp::LESS_EQUAL;
        else if (op_ == FlatLimitOp::GREATER)
            op_ = FlatLimitOp::GREATER_EQUAL;
        break;
    case FlatKeyFit::EXACT:
        break;
    }
    native_.assign(key->getLength(), 0);
    return key->convertValueToNative(&value_, native_.data());
}

// ---- FlatIndexRange ----

FlatIndexRange::FlatIndexRange(FlatIndex* index, bool ownsIndex)
    : index_(index), ownsIndex_(ownsIndex), key_(index ? index->getKeyLength() : 0, 0) {}

FlatIndexRange::~FlatIndexRange() {
    for (FlatIndexBoundsEntry* entry : bounds_)
        delete entry;
    if (ownsIndex_)
        delete index_;
}

FlatIndexBoundsEntry* FlatIndexRange::addBounds() {
    if (!index_ || bounds_.size() >= index_->getKeyCount())
        return nullptr;
    bounds_.push_back(new FlatIndexBoundsEntry());
    return bounds_.back();
}

VxStatus FlatIndexRange::evaluate(bool outerOnly) {
    for (std::uint16_t n = 0; n < bounds_.size(); ++n) {
        FlatIndexKey* key = index_->getKey(n);
        for (FlatIndexLimit* limit : {&bounds_[n]->lower, &bounds_[n]->upper})
            if ((!outerOnly || limit->dependsOnOuter()) && limit->evaluate(key) != VX_SUCCESS)
                return VX_ERROR;
    }
    return VX_SUCCESS;
}

bool FlatIndexRange::dependsOnOuter() const {
    for (const FlatIndexBoundsEntry* entry : bounds_)
        if (entry->lower.dependsOnOuter() || entry->upper.dependsOnOuter())
            return true;
    return false;
}

bool FlatIndexRange::isEmpty() const {
    for (const FlatIndexBoundsEntry* entry : bounds_)
        if ((entry->lower.isPresent() && entry->lower.isEmpty()) ||
            (entry->upper.isPresent() && entry->upper.isEmpty()))
            return true;
    return false;
}

void FlatIndexRange::limitsOf(std::uint16_t n, const FlatIndexLimit** lower,
                              const FlatIndexLimit** upper) const {
    *lower = nullptr;
    *upper = nullptr;
    if (n >= bounds_.size())
        return;
    const FlatIndexBoundsEntry* entry = bounds_[n];
    if (entry->lower.isActive())
        *lower = &entry->lower;
    if (*lower &&
        ((*lower)->getOp() == FlatLimitOp::EQUAL || (*lower)->getOp() == FlatLimitOp::LIKE))
        *upper = *lower;
    else if (entry->upper.isActive())
        *upper = &entry->upper;
}

VxStatus FlatIndexRange::generateStartKey() {
    unsigned char* out = key_.data();
    for (std::uint16_t n = 0; n < index_->getKeyCount(); ++n) {
        FlatIndexKey* key = index_->getKey(n);
        const FlatIndexLimit* lower = nullptr;
        const FlatIndexLimit* upper = nullptr;
        limitsOf(n, &lower, &upper);
        if (key->generateStartKey(out, lower, upper) != VX_SUCCESS)
            return VX_ERROR;
        out += key->getLength();
    }
    return VX_SUCCESS;
}

bool FlatIndexRange::checkKeySatisfiesBounds(const unsigned char* key, bool* continueScan) const {
    bool inside = true;
    const unsigned char* part = key;
    for (std::uint16_t n = 0; n < bounds_.size() && inside; ++n) {
        FlatIndexKey* keyPart = index_->getKey(n);
        const FlatIndexLimit* lower = nullptr;
        const FlatIndexLimit* upper = nullptr;
        limitsOf(n, &lower, &upper);
        if (lower) {
            if (lower->getOp() == FlatLimitOp::LIKE) {
                std::string pattern(static_cast<const char*>(lower->getValue()->getValueBuffer()),
                                    lower->getValue()->getLength());
                inside = keyPart->isNativeLikePattern(part, pattern.c_str());
            } else {
                const int c = keyPart->compareNativeToNative(part, lower->getNative());
                switch (lower->getOp()) {
                case FlatLimitOp::GREATER:
                    inside = c > 0;
                    break;
                case FlatLimitOp::GREATER_EQUAL:
                    inside = c >= 0;
                    break;
                default:
                    inside = c == 0;
                    break;
                }
            }
        }
        if (inside && upper && upper != lower) {
            const int c = keyPart->compareNativeToNative(part, upper->getNative());
            inside = upper->getOp() == FlatLimitOp::LESS ? c < 0 : c <= 0;
        }
        part += keyPart->getLength();
    }
    *continueScan = true;
    if (inside)
        return true;
    // Outside: the first key part past its end ends the range, the first
    // one before it lets the scan go on.
    part = key;
    for (std::uint16_t n = 0; n < bounds_.size(); ++n) {
        FlatIndexKey* keyPart = index_->getKey(n);
        const FlatIndexLimit* lower = nullptr;
        const FlatIndexLimit* upper = nullptr;
        limitsOf(n, &lower, &upper);
        const int c = keyPart->compareToEndKey(part, lower, upper);
        if (c > 0) {
            *continueScan = false;
            return false;
        }
        if (c < 0)
            return false;
        part += keyPart->getLength();
    }
    return false;
}

std::uint32_t FlatIndexRange::getDivisor() const {
    std::uint32_t divisor = 1;
    for (const FlatIndexBoundsEntry* entry : bounds_)
        for (const FlatIndexLimit* limit : {&entry->lower, &entry->upper})
            if (limit->isPresent())
                divisor = flatAndDivisor(divisor, limitFactor(limit->getDeclaredOp()));
    return divisor;
}
