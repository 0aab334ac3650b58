// VxSort's external merge over the runs of its temporary file.
//
// The record buffers are shared among the runs being merged: with R runs and
// B buffers, each buffer serves ceil(R / B) runs and each run gets
// recordsPerBuffer / ceil(R / B) whole records of it. When that share would
// be less than one record, runs are first merged in groups into longer runs
// written at the end of the file, until one final merge can take them all.
#include <cstring>

#include "sort/VxSortMerge.h"
#include "util/VxSort.h"
#include "util/bos.h"
#include "util/ram.h"

namespace {

const char* headOf(const VxSortMergeRun* run, std::uint32_t recordLength) {
    return run->share + static_cast<std::size_t>(run->pos) * recordLength;
}

} // namespace

struct VxSortMergeAccess {
    VxSort& sort;

    VxStatus load(VxSortMergeRun* run) {
        std::uint64_t n = run->leftInFile < run->shareCapacity ? run->leftInFile
                                                               : run->shareCapacity;
        std::size_t bytes = static_cast<std::size_t>(n) * sort.recordLength_;
        if (n > 0 && vxSortReadFully(sort.tempHandle_, sort.tempName_.getText(),
                                     run->nextOffset, run->share, bytes) != VX_SUCCESS)
            return VX_ERROR;
        run->nextOffset += static_cast<std::int64_t>(bytes);
        run->leftInFile -= n;
        run->loaded = static_cast<std::uint32_t>(n);
        run->pos = 0;
        return VX_SUCCESS;
    }

    bool before(const VxSortMergeRun* a, const VxSortMergeRun* b) const {
        int c = sort.compareRecords(headOf(a, sort.recordLength_), headOf(b, sort.recordLength_));
        return c < 0 || (c == 0 && a->index < b->index);
    }

    // Puts a run with a loaded head into the ordered set.
    void insert(VxSortMergeRun* run) {
        VxSortMerge* m = sort.merge_;
        std::uint32_t low = 0;
        std::uint32_t high = m->active;
        while (low < high) {
            std::uint32_t mid = low + (high - low) / 2;
            if (before(m->order[mid], run))
                low = mid + 1;
            else
                high = mid;
        }
        std::memmove(m->order + low + 1, m->order + low, (m->active - low) * sizeof run);
        m->order[low] = run;
        ++m->active;
    }

    // Finds the first record of a run that is not below `key`.
    VxStatus seek(VxSortMergeRun* run, const VxSortRun& whole, const char* key, char* probe) {
        std::uint64_t low = 0;
        std::uint64_t high = whole.count;
        while (low < high) {
            std::uint64_t mid = low + (high - low) / 2;
            std::int64_t at = whole.offset + static_cast<std::int64_t>(mid * sort.recordLength_);
            if (vxSortReadFully(sort.tempHandle_, sort.tempName_.getText(), at, probe,
                                sort.recordLength_) != VX_SUCCESS)
                return VX_ERROR;
            if (sort.compareRecords(probe, key) < 0)
                low = mid + 1;
            else
                high = mid;
        }
        run->nextOffset = whole.offset + static_cast<std::int64_t>(low * sort.recordLength_);
        run->leftInFile = whole.count - low;
        return VX_SUCCESS;
    }

    VxStatus start(std::uint32_t first, std::uint32_t count, const char* key);
};

VxStatus VxSortMergeAccess::start(std::uint32_t first, std::uint32_t count, const char* key) {
    sort.freeMerge();
    auto* m = static_cast<VxSortMerge*>(ramAllocZ(sizeof(VxSortMerge)));
    if (!m)
        return VX_ERROR;
    sort.merge_ = m;
    m->runs = static_cast<VxSortMergeRun*>(ramAllocZ(count * sizeof(VxSortMergeRun)));
    m->order = static_cast<VxSortMergeRun**>(ramAllocZ(count * sizeof(VxSortMergeRun*)));
    char* probe = key ? static_cast<char*>(ramAlloc(sort.recordLength_)) : nullptr;
    if (!m->runs || !m->order || (key && !probe)) {
        ramFree(probe);
        return VX_ERROR;
    }
    m->count = count;
    std::uint32_t buffers = sort.bufferCount_;
    std::uint32_t perBuffer = (count + buffers - 1) / buffers;
    std::uint32_t share = sort.recordsPerBuffer_ / perBuffer;
    VxStatus status = VX_SUCCESS;
    for (std::uint32_t i = 0; i < count && status == VX_SUCCESS; ++i) {
        VxSortMergeRun* run = &m->runs[i];
        const VxSortRun& whole = sort.runs_[first + i];
        run->index = i;
        run->shareCapacity = share;
        run->share = sort.buffers_[i % buffers] +
                     static_cast<std::size_t>(i / buffers) * share * sort.recordLength_;
        run->nextOffset = whole.offset;
        run->leftInFile = whole.count;
        if (key)
            status = seek(run, whole, key, probe);
        if (status == VX_SUCCESS)
            status = load(run);
        if (status == VX_SUCCESS && run->loaded > 0)
            insert(run);
    }
    ramFree(probe);
    return status;
}

void VxSort::freeMerge() {
    if (!merge_)
        return;
    ramFree(merge_->runs);
    ramFree(merge_->order);
    ramFree(merge_);
    merge_ = nullptr;
}

VxStatus VxSort::mergeNext(const char** record) {
    *record = nullptr;
    VxSortMerge* m = merge_;
    if (!m)
        return VX_SUCCESS;
    VxSortMergeAccess access{*this};
    if (VxSortMergeRun* run = m->pending) {
        m->pending = nullptr;
        --m->active;
        std::memmove(m->order, m->order + 1, m->active * sizeof run);
        if (++run->pos == run->loaded && access.load(run) != VX_SUCCESS)
            return VX_ERROR;
        if (run->pos < run->loaded)
            access.insert(run);
    }
    if (m->active > 0) {
        m->pending = m->order[0];
        *record = headOf(m->pending, recordLength_);
    }
    return VX_SUCCESS;
}

// Merges the runs in groups that fit in memory, each group into one run at
// the end of the file, through a separate output buffer.
VxStatus VxSort::mergePass() {
    char* out = static_cast<char*>(ramAlloc64K());
    if (!out)
        return VX_ERROR;
    std::uint32_t outCapacity = VX_SORT_BUFFER_SIZE / recordLength_;
    VxSortRun* old = runs_;
    std::uint32_t oldCount = runCount_;
    runs_ = nullptr;
    runCount_ = runCapacity_ = 0;
    VxStatus status = VX_SUCCESS;
    for (std::uint32_t g = 0; g < oldCount && status == VX_SUCCESS; g += slotCount()) {
        std::uint32_t n = oldCount - g < slotCount() ? oldCount - g : slotCount();
        VxSortRun* saved = runs_;
        runs_ = old;
        status = VxSortMergeAccess{*this}.start(g, n, nullptr);
        runs_ = saved;
        std::int64_t runStart = tempEnd_;
        std::uint64_t total = 0;
        std::uint32_t filled = 0;
        const char* record = nullptr;
        while (status == VX_SUCCESS && (status = mergeNext(&record)) == VX_SUCCESS &&
               (record || filled > 0)) {
            if (record)
                std::memcpy(out + static_cast<std::size_t>(filled++) * recordLength_, record,
                            recordLength_);
            if (filled == outCapacity || (!record && filled > 0)) {
                std::size_t bytes = static_cast<std::size_t>(filled) * recordLength_;
                status = bosFileWrite(tempHandle_, tempEnd_, out, bytes);
                tempEnd_ += static_cast<std::int64_t>(bytes);
                total += filled;
                filled = 0;
            }
            if (!record)
                break;
        }
        freeMerge();
        if (status == VX_SUCCESS)
            status = addRun(runStart, total);
    }
    ramFree(old);
    ramFree64K(out);
    return status;
}

VxStatus VxSort::prepareMerge() {
    while (runCount_ > slotCount())
        if (mergePass() != VX_SUCCESS)
            return VX_ERROR;
    return VxSortMergeAccess{*this}.start(0, runCount_, nullptr);
}

VxStatus VxSort::seekRuns(const char* key) {
    return VxSortMergeAccess{*this}.start(0, runCount_, key);
}
