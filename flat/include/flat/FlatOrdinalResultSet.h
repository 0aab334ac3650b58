// FlatOrdinalResultSet: makes its child addressable by row number. The
// child's row handles are kept in a temporary file as fixed-length
// records, row n at place n - 1 (FlatRowFile); a row
// already stored is reached again through its handle, a row beyond them
// by reading the child forward and storing each handle on the way.
// A subclass may store more than the handle with each row (a sort keeps
// the row's values behind it) and serve the row from those bytes.
//
// Row handle: 4 bytes, the row number from 1.
#pragma once

#include <cstdint>

#include "flat/FlatOneChildResultSet.h"

class FlatRowFile;

class VX_EXPORT FlatOrdinalResultSet : public FlatOneChildResultSet {
public:
    FlatOrdinalResultSet(FlatResultSetGlobalInfo* info, FlatResultSet* child)
        : FlatOneChildResultSet(info, child) {}
    ~FlatOrdinalResultSet() override;

    [[nodiscard]] VxStatus open() override;
    [[nodiscard]] VxStatus close() override;
    [[nodiscard]] VxStatus fetchFirst(bool* eof) override;
    [[nodiscard]] VxStatus fetchNext(bool* eof) override;
    std::uint16_t getRowHandleSize() override { return 4; }
    [[nodiscard]] VxStatus getRowHandle(unsigned char* handle) override;
    [[nodiscard]] VxStatus fetchByRowHandle(const unsigned char* handle,
                                            std::uint16_t* status) override;
    bool isRandomAccess() const override { return true; }
    [[nodiscard]] VxStatus fetchRow(std::uint32_t row, std::uint16_t* status) override;

    // Rows stored so far, and whether the child has been read to its end.
    std::uint32_t getStoredCount() const { return stored_; }
    bool isComplete() const { return complete_; }
    std::uint32_t getCurrentRow() const { return current_; }

protected:
    // How far to read the child to reach row `row` (at least `row`).
    virtual std::uint32_t readTarget(std::uint32_t row) const { return row; }
    // Reads the child forward until `target` rows are stored or it ends.
    [[nodiscard]] VxStatus readUpTo(std::uint32_t target);
    // Operators that produce all their rows at once (the sorts) store every
    // handle at the first fetch in materialize, through appendHandle; the
    // stored rows are then complete.
    virtual bool materializes() const { return false; }
    [[nodiscard]] virtual VxStatus materialize() { return VX_SUCCESS; }
    [[nodiscard]] VxStatus appendHandle(const unsigned char* handle);
    // Bytes stored per row: the child's handle first, then what the
    // subclass adds. Asked once per execution, before the first row.
    virtual std::uint16_t storedRecordSize() { return child_->getRowHandleSize(); }
    // Makes stored row `record` current; the default positions the child
    // through the handle at the record's start.
    [[nodiscard]] virtual VxStatus restoreRow(const unsigned char* record, std::uint16_t* status) {
        return child_->fetchByRowHandle(record, status);
    }
    // Forgets the stored rows; the next fetch starts again.
    virtual void reset();

private:
    [[nodiscard]] VxStatus ensureBuffers();
    [[nodiscard]] VxStatus storeCurrent();
    [[nodiscard]] VxStatus positionChild(std::uint32_t row, std::uint16_t* status);

    FlatRowFile* file_ = nullptr;
    unsigned char* handle_ = nullptr;
    std::uint16_t handleSize_ = 0; // bytes stored per row
    std::uint32_t stored_ = 0;
    std::uint32_t current_ = 0; // row made current, 0 before the first
    std::uint32_t childAt_ = 0; // stored row the child stands on, 0 none
    bool complete_ = false;
    bool started_ = false;
};
