// FlatOneChildResultSet: an operator over exactly one child, which it
// owns; every operation it does not redefine goes to the child.
#pragma once

#include "flat/FlatResultSet.h"

class VX_EXPORT FlatOneChildResultSet : public FlatResultSet {
public:
    // Takes ownership of `child`.
    FlatOneChildResultSet(FlatResultSetGlobalInfo* info, FlatResultSet* child)
        : FlatResultSet(info), child_(child) {}
    ~FlatOneChildResultSet() override;

    [[nodiscard]] VxStatus fetchFirst(bool* eof) override { return child_->fetchFirst(eof); }
    [[nodiscard]] VxStatus fetchNext(bool* eof) override { return child_->fetchNext(eof); }
    std::uint16_t getRowHandleSize() override { return child_->getRowHandleSize(); }
    [[nodiscard]] VxStatus getRowHandle(unsigned char* handle) override {
        return child_->getRowHandle(handle);
    }
    [[nodiscard]] VxStatus fetchByRowHandle(const unsigned char* handle,
                                            std::uint16_t* status) override {
        return child_->fetchByRowHandle(handle, status);
    }
    void setNullRow(bool on) override { child_->setNullRow(on); }
    std::uint16_t getColumnCount() const override { return child_->getColumnCount(); }
    FlatResultSetColumn* getColumn(std::uint16_t n) const override { return child_->getColumn(n); }
    std::uint16_t getChildCount() const override { return 1; }
    FlatResultSet* getChild(std::uint16_t n) const override { return n == 0 ? child_ : nullptr; }

    FlatResultSet* getChild() const { return child_; }
    // Puts `child` in place of the child, which is not deleted.
    void replaceChild(FlatResultSet* child) { child_ = child; }

protected:
    FlatResultSet* child_;
};
