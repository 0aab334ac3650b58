// FlatParseStack: a growable stack of plain values for the parser's own
// bookkeeping (operand and operator stacks, lists of clause pieces).
// Memory comes from the foundation allocator; push fails when it runs out.
#pragma once

#include <cstddef>
#include <cstring>
#include <type_traits>

#include "util/VxStatus.h"
#include "util/ram.h"

template <typename T> class FlatParseStack {
    static_assert(std::is_trivially_copyable<T>::value, "plain values only");

public:
    FlatParseStack() = default;
    ~FlatParseStack() { ramFree(items_); }
    FlatParseStack(const FlatParseStack&) = delete;
    FlatParseStack& operator=(const FlatParseStack&) = delete;

    [[nodiscard]] VxStatus push(const T& item) {
        if (count_ == capacity_) {
            std::size_t capacity = capacity_ ? capacity_ * 2 : 8;
            void* block = items_;
            if (ramResize(&block, capacity * sizeof(T)) != VX_SUCCESS)
                return VX_ERROR;
            items_ = static_cast<T*>(block);
            capacity_ = capacity;
        }
        std::memcpy(static_cast<void*>(&items_[count_++]), &item, sizeof(T));
        return VX_SUCCESS;
    }
    T pop() { return items_[--count_]; }
    T& top() { return items_[count_ - 1]; }
    T& operator[](std::size_t index) { return items_[index]; }
    const T& operator[](std::size_t index) const { return items_[index]; }
    std::size_t size() const { return count_; }
    bool isEmpty() const { return count_ == 0; }
    void clear() { count_ = 0; }

private:
    T* items_ = nullptr;
    std::size_t count_ = 0;
    std::size_t capacity_ = 0;
};
