// FlatOrderBy and FlatDistinct: sorting the child's rows by their keys.
#include "flat/FlatOrderBy.h"

#include <cstdio>
#include <cstring>

#include "error/FlatErrors.h"
#include "flat/FlatResultSetGlobalInfo.h"
#include "select/FlatDump.h"
#include "select/FlatKeyTable.h"
#include "util/VxSort.h"
#include "util/ram.h"

FlatOrderBy::FlatOrderBy(FlatResultSetGlobalInfo* info, FlatResultSet* child)
    : FlatOrdinalResultSet(info, child), keys_(info->getExprInfo()) {}

int FlatOrderBy::compareRecords(void* self, const void* a, const void* b) {
    return static_cast<FlatOrderBy*>(self)->keys_.compare(static_cast<const unsigned char*>(a),
                                                          static_cast<const unsigned char*>(b));
}

VxStatus FlatOrderBy::distinctInMemory(bool* done) {
    *done = false;
    std::uint32_t keyBytes = keys_.getBytes();
    std::uint32_t handleSize = child_->getRowHandleSize();
    if (!FlatKeyTable::suits(keyBytes + handleSize))
        return VX_SUCCESS;
    std::size_t limit = static_cast<std::size_t>(maxBuffers_ ? maxBuffers_ : VX_SORT_MAX_BUFFERS) *
                        VX_SORT_BUFFER_SIZE;
    FlatKeyTable table(&keys_, info_->getExprInfo(), keyBytes + handleSize, limit);
    auto* record = static_cast<unsigned char*>(ramAlloc(keyBytes ? keyBytes : 1));
    if (!record)
        return VX_ERROR;
    bool eof = false;
    bool gaveUp = false;
    VxStatus status = child_->fetchFirst(&eof);
    while (status == VX_SUCCESS && !eof) {
        unsigned char* entry = nullptr;
        FlatKeyTableResult found = KEY_TABLE_GIVE_UP;
        if ((status = info_->checkAbort()) != VX_SUCCESS ||
            (status = keys_.evaluate(record)) != VX_SUCCESS ||
            (status = table.find(record, &entry, &found)) != VX_SUCCESS)
            break;
        if (found == KEY_TABLE_GIVE_UP) {
            gaveUp = true;
            break;
        }
        // The first row of each distinct key stands for it.
        if (found == KEY_TABLE_ADDED &&
            (status = child_->getRowHandle(entry + keyBytes)) != VX_SUCCESS)
            break;
        status = child_->fetchNext(&eof);
    }
    ramFree(record);
    if (status != VX_SUCCESS || gaveUp)
        return status;
    if (table.sortEntries() != VX_SUCCESS)
        return VX_ERROR;
    for (std::uint32_t i = 0; i < table.getCount(); ++i)
        if (appendHandle(table.entry(i) + keyBytes) != VX_SUCCESS)
            return VX_ERROR;
    *done = true;
    return VX_SUCCESS;
}

VxStatus FlatOrderBy::materialize() {
    std::uint32_t keyBytes = keys_.getBytes();
    std::uint32_t handleSize = child_->getRowHandleSize();
    std::uint32_t recordLength = keyBytes + handleSize;
    if (recordLength > VX_SORT_MAX_RECORD) {
        addFlatError(3951);
        return VX_ERROR;
    }
    spilled_ = false;
    keys_.clearFailure();
    if (dropDuplicates_) {
        bool done = false;
        if (distinctInMemory(&done) != VX_SUCCESS)
            return VX_ERROR;
        if (done)
            return keys_.hasFailed() ? VX_ERROR : VX_SUCCESS;
        keys_.clearFailure();
    }
    VxSort sort(recordLength);
    if (maxBuffers_)
        sort.setMaxBuffers(maxBuffers_);
    // One caller-compared key over all key bytes; its length only names
    // the span.
    std::uint16_t span = keyBytes > 0xFFFF ? 0xFFFF : static_cast<std::uint16_t>(keyBytes);
    if (sort.addKey(VX_SORT_CALLBACK, 0, span, compareRecords, this) != VX_SUCCESS)
        return VX_ERROR;
    bool eof = false;
    if (child_->fetchFirst(&eof) != VX_SUCCESS)
        return VX_ERROR;
    while (!eof) {
        void* slot = nullptr;
        if (info_->checkAbort() != VX_SUCCESS || sort.nextSlot(&slot) != VX_SUCCESS)
            return VX_ERROR;
        auto* record = static_cast<unsigned char*>(slot);
        if (keys_.evaluate(record) != VX_SUCCESS ||
            child_->getRowHandle(record + keyBytes) != VX_SUCCESS)
            return VX_ERROR;
        if (child_->fetchNext(&eof) != VX_SUCCESS)
            return VX_ERROR;
    }
    // Duplicates are found against the last record kept.
    unsigned char* previous = nullptr;
    if (dropDuplicates_ &&
        !(previous = static_cast<unsigned char*>(ramAlloc(keyBytes ? keyBytes : 1))))
        return VX_ERROR;
    bool havePrevious = false;
    VxStatus status = VX_SUCCESS;
    for (;;) {
        const void* out = nullptr;
        if ((status = sort.getSorted(&out)) != VX_SUCCESS || !out)
            break;
        const auto* record = static_cast<const unsigned char*>(out);
        if (dropDuplicates_) {
            if (havePrevious && keys_.compare(previous, record) == 0)
                continue;
            std::memcpy(previous, record, keyBytes);
            havePrevious = true;
        }
        if ((status = appendHandle(record + keyBytes)) != VX_SUCCESS)
            break;
    }
    ramFree(previous);
    spilled_ = sort.hasSpilled();
    if (status == VX_SUCCESS && keys_.hasFailed())
        status = VX_ERROR; // a key comparison raised its error
    return status;
}

VxStatus FlatOrderBy::dumpParts(VxString* out, unsigned indent) {
    char line[64];
    for (std::uint16_t i = 0; i < keys_.getCount(); ++i) {
        std::snprintf(line, sizeof line, "Key %u %s", static_cast<unsigned>(i + 1),
                      keys_.isDescending(i) ? "Desc " : "Asc ");
        if (flatDumpLine(out, indent, line) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}
