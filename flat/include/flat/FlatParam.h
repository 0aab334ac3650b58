// FlatParam: a parameter of a flat statement. It extends the framework's
// BaseParam with the value converted to the storage form that the
// parameter's SQL type asks for (see FlatStatement::bindParam): an owned
// buffer, its storage type (an InternalType code) and its length, or the
// NULL mark.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <cstdint>

#include "base/BaseParam.h"
#include "util/VxStatus.h"

class VX_EXPORT FlatParam : public BaseParam {
public:
    FlatParam() = default;
    ~FlatParam() override;

    // Makes room for `size` bytes, keeping the bytes already held (a large
    // enough buffer is reused); fails only when memory runs out.
    [[nodiscard]] VxStatus reserve(std::uint32_t size);
    // Frees the converted value; the parameter has no value afterwards.
    void releaseValue();
    void setNullValue() {
        provided_ = true;
        null_ = true;
        length_ = 0;
    }
    void setValue(short storageType, std::uint32_t length) {
        provided_ = true;
        null_ = false;
        storageType_ = storageType;
        length_ = length;
    }

    unsigned char* getBuffer() const { return buffer_; }
    std::uint32_t getBufferSize() const { return size_; }
    short getStorageType() const { return storageType_; }
    std::uint32_t getValueLength() const { return length_; }
    bool isNullValue() const { return null_; }
    bool hasValue() const { return provided_; }

private:
    unsigned char* buffer_ = nullptr;
    std::uint32_t size_ = 0;
    std::uint32_t length_ = 0;
    short storageType_ = 0;
    bool null_ = false;
    bool provided_ = false;
};
