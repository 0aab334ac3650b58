// One stream of an open compound file: its chain of sectors (regular
// sectors, or mini sectors of the mini stream for a stream shorter than the
// cutoff) resolved once when it is opened, so that a read at any offset
// finds its sectors by index and reads adjacent ones in one piece.
#pragma once

#include <cstddef>
#include <cstdint>

#include "storage/XlsCompoundFile.h"

class XlsCompoundStream final : public XlsStream {
public:
    // Takes over the sectors of `chain`. `file` must outlive the stream.
    XlsCompoundStream(XlsCompoundFile* file, std::uint64_t size, bool inMiniStream,
                      XlsSectorTable* chain);

    std::uint64_t getSize() const override { return size_; }
    XlsStorageResult read(std::uint64_t offset, void* buffer, std::size_t length,
                          std::size_t* count) override;

private:
    // The file offset of stream offset `offset` and the bytes of its sector
    // from there on.
    std::uint64_t fileOffsetOf(std::uint64_t offset, std::size_t* available) const;

    XlsCompoundFile* file_;
    std::uint64_t size_;
    bool inMiniStream_;
    std::uint32_t unitShift_; // log2 of the sector (or mini sector) size
    XlsSectorTable chain_;
};
