// TxtCursor::estimateRecordCount: the planner's idea of a table's size.
#include <cstdint>

#include "connect/TxtConnection.h"
#include "cursor/TxtCursor.h"
#include "cursor/TxtSharedDesc.h"
#include "util/VxError.h"
#include "util/bos.h"

namespace {

// Bytes looked at to learn the length of a record.
constexpr std::size_t SAMPLE_SIZE = 8192;

std::uint32_t clampCount(std::int64_t count) {
    if (count < 1)
        return 1;
    return count > 0xFFFFFFFFLL ? 0xFFFFFFFFu : static_cast<std::uint32_t>(count);
}

} // namespace

// The exact count when a full read of the unchanged file gave one; else
// the data's size divided by the mean length of the lines that start it.
// An estimate only chooses a plan: whatever fails gives the default.
std::uint32_t TxtCursor::estimateRecordCount() {
    std::int64_t known = -1;
    if (countRecords(&known) == VX_SUCCESS && known >= 0)
        return clampCount(known);
    auto* desc = static_cast<TxtSharedDesc*>(getSharedDesc());
    std::int64_t size = 0;
    if (!desc || bosFileSize(desc->getHandle(), &size) != VX_SUCCESS) {
        VxErrorKeeper::clearLastError();
        return FlatCursor::estimateRecordCount();
    }
    const std::int64_t data = size - desc->getDataStart();
    if (data <= 0)
        return 1;
    char sample[SAMPLE_SIZE];
    std::size_t count = 0;
    if (bosFileReadAt(desc->getHandle(), desc->getDataStart(), sample, sizeof sample, &count) !=
        VX_SUCCESS) {
        VxErrorKeeper::clearLastError();
        return FlatCursor::estimateRecordCount();
    }
    std::size_t lines = 0;
    std::size_t through = 0; // bytes up to the end of the last whole line
    for (std::size_t i = 0; i < count; ++i)
        if (sample[i] == '\n') {
            ++lines;
            through = i + 1;
        }
    if (lines == 0) // one record, or records longer than the sample
        return clampCount(data / static_cast<std::int64_t>(count > 0 ? count : 1));
    return clampCount(data * static_cast<std::int64_t>(lines) / static_cast<std::int64_t>(through));
}
