// VxSubString: a view (pointer, length) into bytes owned elsewhere.
//
// As a container key it orders case-insensitively: compare() is
// strCompareCi over the two views, shorter first on a common prefix, and
// hash() sums the upper-cased values of the first five bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "util/VxObject.h"

class VX_EXPORT VxSubString : public VxObject {
public:
    VxSubString() = default;
    VxSubString(const char* text, std::size_t length) : ptr_(const_cast<char*>(text)), length_(static_cast<std::uint32_t>(length)) {}
    explicit VxSubString(const char* text);

    const char* data() const { return ptr_; }
    std::uint32_t length() const { return length_; }
    bool isEmpty() const { return length_ == 0; }
    void set(const char* text, std::size_t length) {
        ptr_ = const_cast<char*>(text);
        length_ = static_cast<std::uint32_t>(length);
    }

    short compare(const VxObject& other) const override;
    unsigned long hash() const;

protected:
    char* ptr_ = nullptr;
    std::uint32_t length_ = 0;
};
