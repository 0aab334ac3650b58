// FlatJoin: nested loops over two children, inner or left outer.
#include "flat/FlatJoin.h"

#include <cstring>

#include "flat/FlatResultSetGlobalInfo.h"
#include "select/FlatDump.h"

FlatJoin::FlatJoin(FlatResultSetGlobalInfo* info, FlatResultSet* left, FlatResultSet* right)
    : FlatResultSet(info), left_(left), right_(right) {}

FlatJoin::~FlatJoin() {
    delete left_;
    delete right_;
}

FlatResultSet* FlatJoin::getChild(std::uint16_t n) const {
    return n == 0 ? left_ : (n == 1 ? right_ : nullptr);
}

void FlatJoin::setRightNull(bool on) {
    nullRow_ = on;
    right_->setNullRow(on);
}

VxStatus FlatJoin::nextLeft(bool* leftAtEnd, bool* rightAtEnd) {
    setRightNull(false);
    matched_ = false;
    if (left_->fetchNext(leftAtEnd) != VX_SUCCESS)
        return VX_ERROR;
    if (*leftAtEnd)
        return VX_SUCCESS;
    return right_->fetchFirst(rightAtEnd);
}

VxStatus FlatJoin::tryNullRow(bool* found) {
    *found = false;
    if (!outer_ || matched_)
        return VX_SUCCESS;
    matched_ = true; // the NULL row is offered once per left row
    setRightNull(true);
    if (filter_.evaluate(found) != VX_SUCCESS)
        return VX_ERROR;
    if (!*found)
        setRightNull(false);
    return VX_SUCCESS;
}

VxStatus FlatJoin::advance(bool rightAtEnd, bool* eof) {
    for (;;) {
        while (!rightAtEnd) {
            bool on = true;
            if (info_->checkAbort() != VX_SUCCESS ||
                (outer_ && onFilter_.evaluate(&on) != VX_SUCCESS))
                return VX_ERROR;
            bool passes = false;
            if (on) {
                matched_ = true;
                if (filter_.evaluate(&passes) != VX_SUCCESS)
                    return VX_ERROR;
            }
            if (passes) {
                *eof = false;
                return VX_SUCCESS;
            }
            if (right_->fetchNext(&rightAtEnd) != VX_SUCCESS)
                return VX_ERROR;
        }
        bool found = false;
        if (tryNullRow(&found) != VX_SUCCESS)
            return VX_ERROR;
        if (found) {
            *eof = false;
            return VX_SUCCESS;
        }
        bool leftAtEnd = false;
        if (nextLeft(&leftAtEnd, &rightAtEnd) != VX_SUCCESS)
            return VX_ERROR;
        if (leftAtEnd) {
            *eof = true;
            return VX_SUCCESS;
        }
    }
}

VxStatus FlatJoin::fetchFirst(bool* eof) {
    setRightNull(false);
    matched_ = false;
    bool leftAtEnd = false;
    if (left_->fetchFirst(&leftAtEnd) != VX_SUCCESS)
        return VX_ERROR;
    if (leftAtEnd) {
        *eof = true;
        return VX_SUCCESS;
    }
    bool rightAtEnd = false;
    if (right_->fetchFirst(&rightAtEnd) != VX_SUCCESS)
        return VX_ERROR;
    return advance(rightAtEnd, eof);
}

VxStatus FlatJoin::fetchNext(bool* eof) {
    bool rightAtEnd = true;
    if (nullRow_) {
        // After a NULL-extended row the next left row follows.
        bool leftAtEnd = false;
        if (nextLeft(&leftAtEnd, &rightAtEnd) != VX_SUCCESS)
            return VX_ERROR;
        if (leftAtEnd) {
            *eof = true;
            return VX_SUCCESS;
        }
    } else if (right_->fetchNext(&rightAtEnd) != VX_SUCCESS) {
        return VX_ERROR;
    }
    return advance(rightAtEnd, eof);
}

std::uint16_t FlatJoin::getRowHandleSize() {
    return static_cast<std::uint16_t>((outer_ ? 1 : 0) + left_->getRowHandleSize() +
                                      right_->getRowHandleSize());
}

VxStatus FlatJoin::getRowHandle(unsigned char* handle) {
    if (outer_)
        *handle++ = nullRow_ ? 1 : 0;
    std::uint16_t leftSize = left_->getRowHandleSize();
    if (left_->getRowHandle(handle) != VX_SUCCESS)
        return VX_ERROR;
    if (nullRow_) {
        std::memset(handle + leftSize, 0, right_->getRowHandleSize());
        return VX_SUCCESS;
    }
    return right_->getRowHandle(handle + leftSize);
}

VxStatus FlatJoin::fetchByRowHandle(const unsigned char* handle, std::uint16_t* status) {
    bool toNull = false;
    if (outer_)
        toNull = *handle++ == 1;
    if (left_->fetchByRowHandle(handle, status) != VX_SUCCESS)
        return VX_ERROR;
    if (*status != FLAT_ROW_FOUND)
        return VX_SUCCESS;
    if (toNull) {
        setRightNull(true);
        matched_ = true;
        return VX_SUCCESS;
    }
    setRightNull(false);
    matched_ = true;
    return right_->fetchByRowHandle(handle + left_->getRowHandleSize(), status);
}

void FlatJoin::setNullRow(bool on) {
    left_->setNullRow(on);
    right_->setNullRow(on || nullRow_);
}

VxStatus FlatJoin::dumpParts(VxString* out, unsigned indent) {
    if (outer_ && flatDumpLine(out, indent, "OuterJoinFilter:") != VX_SUCCESS)
        return VX_ERROR;
    if (!filter_.isEmpty() && flatDumpLine(out, indent, "WhereFilter:") != VX_SUCCESS)
        return VX_ERROR;
    return VX_SUCCESS;
}
