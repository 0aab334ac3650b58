// The BIFF record reader over a stream of arbitrary bytes: the records are
// read one after another from a BOF, each body decoded as a cell record,
// and records are read again at offsets out of order.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "FuzzSupport.h"
#include "record/XlsCell.h"
#include "record/XlsCellBuffer.h"

namespace {

// A stream over the fuzzer's bytes.
class MemoryStream final : public XlsStream {
public:
    MemoryStream(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint64_t getSize() const override { return size_; }
    XlsStorageResult read(std::uint64_t offset, void* buffer, std::size_t length,
                          std::size_t* count) override {
        *count = 0;
        if (offset >= size_)
            return XlsStorageResult::success();
        std::size_t available = size_ - static_cast<std::size_t>(offset);
        *count = length < available ? length : available;
        std::memcpy(buffer, data_ + offset, *count);
        return XlsStorageResult::success();
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

void decode(const XlsCellBuffer& buffer) {
    std::uint16_t number = buffer.getNumber();
    std::size_t length = buffer.getLength();
    XlsCell cell = xlsDecodeCell(number, buffer.getBody(), length);
    (void)cell;
    std::size_t cells = xlsMultiCellCount(number, length);
    for (std::size_t i = 0; i < cells; ++i)
        (void)xlsMultiCell(number, buffer.getBody(), i);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static FuzzErrors* errors = new FuzzErrors;
    errors->reset();
    MemoryStream stream(data, size);
    XlsCellBuffer buffer(&stream, "fuzz.xls");
    (void)buffer.readBof(0);
    errors->reset();
    std::uint64_t offset = 0;
    std::uint64_t offsets[8] = {};
    for (int n = 0; n < 100000; ++n) {
        bool atEnd = false;
        if (buffer.readRecord(offset, &atEnd) != VX_SUCCESS || atEnd)
            break;
        if (buffer.getLength() > XLS_MAX_RECORD_BODY || buffer.getNextOffset() > size)
            __builtin_trap();
        decode(buffer);
        offsets[n % 8] = offset;
        offset = buffer.getNextOffset();
    }
    errors->reset();
    for (std::uint64_t at : offsets) {
        bool atEnd = false;
        if (buffer.readRecord(at, &atEnd) == VX_SUCCESS && !atEnd)
            decode(buffer);
    }
    for (std::size_t at = 0; at < size && at < 64; at += 3) {
        bool atEnd = false;
        (void)buffer.readRecord(at, &atEnd);
    }
    errors->reset();
    return 0;
}
