// FlatDataValue: one value as the flat engine hands it between table
// cursors, parameters, the expression evaluator and the operators.
//
// A value is a buffer of bytes, its length, its storage type (an
// InternalType code, or -1 while unset), a null flag and an ownership flag.
// An owned buffer comes from the foundation allocator and is freed by the
// value; a borrowed one must outlive every use of the value.
#pragma once

#include <cstdint>

#include "base/InternalType.h"
#include "util/VxExport.h"
#include "util/VxStatus.h"

// Storage type of a value whose type has not been set.
constexpr short FLAT_STORAGE_UNSET = -1;
// Storage type of binary bytes in the engine (InternalType's 0). Values
// coming from the framework may also carry its own binary code, 18; the
// engine reads both and writes 0.
constexpr short FLAT_STORAGE_BINARY = INTERNAL_NONE;
constexpr short FLAT_STORAGE_FRAMEWORK_BINARY = 18;

class VX_EXPORT FlatDataValue {
public:
    // Not null, no buffer, storage type unset.
    FlatDataValue() = default;
    ~FlatDataValue() {
        if (own_)
            releaseBuffer();
    }
    FlatDataValue(const FlatDataValue&) = delete;
    FlatDataValue& operator=(const FlatDataValue&) = delete;

    // Frees the previous buffer if it was owned, takes `buffer`, records
    // whether it is now owned (own != 0) and clears the null flag. The
    // length is left to setLength.
    void setValueBuffer(const void* buffer, unsigned int own) {
        if (own_ && buffer != buffer_)
            releaseBuffer();
        buffer_ = buffer;
        own_ = own != 0 && buffer != nullptr;
        null_ = false;
    }
    // Copies `length` bytes into a buffer the value owns (reusing the owned
    // buffer when it is large enough) and sets length and storage type;
    // clears the null flag. Fails only when memory runs out.
    [[nodiscard]] VxStatus setValueCopy(const void* bytes, std::uint32_t length, short storageType);
    // Marks the value NULL; the buffer is kept.
    void setNull() { null_ = true; }
    // Frees an owned buffer and returns to the state of a new value.
    void clear();

    const void* getValueBuffer() const { return buffer_; }
    const unsigned char* getBytes() const { return static_cast<const unsigned char*>(buffer_); }
    std::uint32_t getLength() const { return length_; }
    void setLength(std::uint32_t length) { length_ = length; }
    short getStorageType() const { return storageType_; }
    void setStorageType(short storageType) { storageType_ = storageType; }
    bool isNull() const { return null_; }
    bool ownsBuffer() const { return own_; }

private:
    // Frees an owned buffer (out of line: values read in place own none).
    void releaseBuffer();

    const void* buffer_ = nullptr;
    std::uint32_t length_ = 0;
    short storageType_ = FLAT_STORAGE_UNSET;
    bool null_ = false;
    bool own_ = false;
};
