// VxSharedFile: a growable logical file kept inside a temporary store that
// several such files share (the store of one connection).
//
// The file is a table of 4,096-byte chunks of the store; logical offset o
// lies in chunk o / 4,096 at o mod 4,096. Writing past the last chunk takes
// new chunks from the store (tmpFindSpace), so a file grows only at its
// end. Reading past the last chunk fails (30041) rather than read another
// file's bytes. The store is borrowed; each access takes the store's own
// lock. At most 16,000 chunks (the array limit) make one file.
#pragma once

#include <cstdint>

#include "util/VxArrayU32.h"
#include "util/VxObject.h"
#include "util/VxStatus.h"

class VxTmpFile;

class VX_EXPORT VxSharedFile : public VxObject {
public:
    static constexpr std::uint32_t CHUNK_SIZE = 4096;

    explicit VxSharedFile(VxTmpFile* store) : store_(store) {}
    VxSharedFile(const VxSharedFile&) = delete;
    VxSharedFile& operator=(const VxSharedFile&) = delete;
    // Gives every chunk back to the store.
    ~VxSharedFile() override;

    VxStatus read(std::uint32_t offset, void* buffer, std::uint32_t length);
    VxStatus write(std::uint32_t offset, const void* data, std::uint32_t length);
    // Gives every chunk back to the store; the file is empty afterwards.
    VxStatus truncate();

    std::uint16_t getChunkCount() const { return chunks_.getCount(); }
    // The store offset of a chunk (0 past the last one).
    std::uint32_t getChunkOffset(std::uint16_t index) const { return chunks_.get(index); }
    VxTmpFile* getStore() const { return store_; }

private:
    // Makes chunks exist up to and including `index`.
    VxStatus growTo(std::uint32_t index);

    VxTmpFile* store_;
    VxArrayU32 chunks_;
};
