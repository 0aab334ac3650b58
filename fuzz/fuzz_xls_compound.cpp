// The compound-file reader and the workbook globals on arbitrary files:
// the file is opened as a compound file, a few streams are opened and read
// whole in pieces of varying size, and the file is opened as a workbook.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzSupport.h"
#include "book/XlsBookDesc.h"
#include "storage/XlsCompoundFile.h"

namespace {

void readStreams(const char* path, std::size_t piece) {
    XlsCompoundFile file;
    if (!file.open(path).ok())
        return;
    std::vector<std::uint8_t> buffer(piece);
    for (const char* name : {"Book", "Workbook",
                             "\x01"
                             "CompObj",
                             "SummaryInformation"}) {
        XlsStream* stream = nullptr;
        if (!file.openStream(name, &stream).ok())
            continue;
        std::uint64_t size = stream->getSize();
        std::uint64_t offset = 0;
        // Bounded: a size the header claims may be far beyond the file.
        for (int n = 0; n < 4096; ++n) {
            std::size_t count = 0;
            if (!stream->read(offset, buffer.data(), buffer.size(), &count).ok() || count == 0)
                break;
            if (count > buffer.size() || offset + count > size)
                __builtin_trap();
            offset += count;
        }
        std::size_t count = 0;
        (void)stream->read(size / 2, buffer.data(), buffer.size(), &count);
        delete stream;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static FuzzErrors* errors = new FuzzErrors;
    static FuzzMemoryFile* file = new FuzzMemoryFile;
    errors->reset();
    file->write(data, size);
    std::size_t piece = size > 0 ? 1 + (data[size - 1] % 4 == 0 ? 4096 : data[size - 1] * 7) : 512;
    readStreams(file->path(), piece);
    XlsBookDesc book;
    if (book.open(file->path()) == VX_SUCCESS) {
        for (std::size_t n = 0; n < book.getNameCount(); ++n)
            (void)book.findName("Database");
    }
    errors->reset();
    return 0;
}
