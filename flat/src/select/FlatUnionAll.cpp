// FlatUnionAll: the children's rows in turn.
#include "flat/FlatUnionAll.h"

#include <cstring>

#include "base/BaseErrors.h"
#include "flat/FlatProjection.h"
#include "flat/FlatResultSetGlobalInfo.h"

namespace {

// A union column: column `n` of the current child.
class UnionColumnReader : public VxObject, public FlatSubResult {
public:
    UnionColumnReader(FlatUnionAll* owner, std::uint16_t n) : owner_(owner), n_(n) {}
    VxStatus evaluate(FlatDataValue* value) override { return owner_->evaluateColumn(n_, value); }

private:
    FlatUnionAll* owner_;
    std::uint16_t n_;
};

} // namespace

FlatUnionAll::~FlatUnionAll() {
    for (std::uint16_t i = 0; i < children_.getCount(); ++i)
        delete static_cast<FlatResultSet*>(children_.get(i));
    for (std::uint16_t i = 0; i < readers_.getCount(); ++i)
        delete static_cast<UnionColumnReader*>(readers_.get(i));
}

FlatResultSet* FlatUnionAll::getChild(std::uint16_t n) const {
    return n < children_.getCount() ? static_cast<FlatResultSet*>(children_.get(n)) : nullptr;
}

VxStatus FlatUnionAll::addChild(FlatResultSet* child, FlatProjection* columns) {
    if (children_.add(child) != VX_SUCCESS) {
        delete child;
        return VX_ERROR;
    }
    return columns_.add(columns);
}

VxStatus FlatUnionAll::makeColumn(std::uint16_t n, FlatResultSetColumn** column) {
    *column = nullptr;
    auto* reader = new UnionColumnReader(this, n);
    if (readers_.add(reader) != VX_SUCCESS) {
        delete reader;
        return VX_ERROR;
    }
    auto* first = static_cast<FlatProjection*>(columns_.get(0))->getColumn(n);
    auto* made = new FlatResultSetColumn(info_->getExprInfo(), n);
    // Wide enough for every branch: the longest text, and for exact numbers
    // the most digits before the point with the most after it.
    std::uint32_t precision = first->getPrecision();
    short scale = first->getScale();
    std::uint32_t whole = precision > static_cast<std::uint32_t>(scale) ? precision - scale : 0;
    short nullable = first->getNullable();
    for (std::uint16_t i = 1; i < columns_.getCount(); ++i) {
        FlatResultSetColumn* other = static_cast<FlatProjection*>(columns_.get(i))->getColumn(n);
        if (other->getPrecision() > precision)
            precision = other->getPrecision();
        if (other->getScale() > scale)
            scale = other->getScale();
        std::uint32_t otherWhole =
            other->getPrecision() > static_cast<std::uint32_t>(other->getScale())
                ? other->getPrecision() - other->getScale()
                : 0;
        if (otherWhole > whole)
            whole = otherWhole;
        if (other->getNullable() != SQL_NO_NULLS)
            nullable = SQL_NULLABLE;
    }
    short type = first->getSqlType();
    if (type == SQL_NUMERIC || type == SQL_DECIMAL) {
        precision = whole + static_cast<std::uint32_t>(scale);
    } else {
        scale = first->getScale();
    }
    made->setType(type, precision, scale);
    made->setNullable(nullable);
    made->getExpr().setSubResult(reader);
    if (made->setName(first->getName(), std::strlen(first->getName())) != VX_SUCCESS ||
        made->setLabel(first->getLabel(), std::strlen(first->getLabel())) != VX_SUCCESS) {
        delete made;
        return VX_ERROR;
    }
    *column = made;
    return VX_SUCCESS;
}

VxStatus FlatUnionAll::evaluateColumn(std::uint16_t n, FlatDataValue* value) {
    auto* columns = static_cast<FlatProjection*>(columns_.get(current_));
    if (!columns || n >= columns->getColumnCount()) {
        addOdbcError(ODBC_S1000);
        return VX_ERROR;
    }
    short sqlType = 0;
    return columns->getColumn(n)->evaluate(value, &sqlType);
}

VxStatus FlatUnionAll::firstFrom(std::uint16_t child, bool* eof) {
    *eof = true;
    for (current_ = child; current_ < children_.getCount(); ++current_) {
        if (getChild(current_)->fetchFirst(eof) != VX_SUCCESS)
            return VX_ERROR;
        if (!*eof)
            return VX_SUCCESS;
    }
    current_ = 0;
    return VX_SUCCESS;
}

VxStatus FlatUnionAll::fetchFirst(bool* eof) {
    return firstFrom(0, eof);
}

VxStatus FlatUnionAll::fetchNext(bool* eof) {
    if (getChild(current_)->fetchNext(eof) != VX_SUCCESS)
        return VX_ERROR;
    if (!*eof)
        return VX_SUCCESS;
    return firstFrom(static_cast<std::uint16_t>(current_ + 1), eof);
}

std::uint16_t FlatUnionAll::getRowHandleSize() {
    std::uint16_t size = 0;
    for (std::uint16_t i = 0; i < children_.getCount(); ++i)
        if (getChild(i)->getRowHandleSize() > size)
            size = getChild(i)->getRowHandleSize();
    return static_cast<std::uint16_t>(size + 2);
}

VxStatus FlatUnionAll::getRowHandle(unsigned char* handle) {
    std::memset(handle, 0, getRowHandleSize());
    std::memcpy(handle, &current_, 2);
    return getChild(current_)->getRowHandle(handle + 2);
}

VxStatus FlatUnionAll::fetchByRowHandle(const unsigned char* handle, std::uint16_t* status) {
    std::uint16_t child = 0;
    std::memcpy(&child, handle, 2);
    *status = FLAT_ROW_NONE;
    if (child >= children_.getCount())
        return VX_SUCCESS;
    current_ = child;
    return getChild(child)->fetchByRowHandle(handle + 2, status);
}
