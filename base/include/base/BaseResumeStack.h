// BaseResumeStack: the values a statement method keeps to resume an
// asynchronous operation (its resume point, a text pointer and length ...).
// Every value is pointer-sized, so pointers survive the round trip.
// Values are popped in the reverse order of their pushing.
#pragma once

#include <cstddef>
#include <cstdint>

#include "util/VxStatus.h"
#include "util/VxExport.h"

class VX_EXPORT BaseResumeStack {
public:
    BaseResumeStack() = default;
    BaseResumeStack(const BaseResumeStack&) = delete;
    BaseResumeStack& operator=(const BaseResumeStack&) = delete;
    ~BaseResumeStack();

    // Fails (memory error raised) when the stack cannot grow.
    VxStatus push(std::uintptr_t value);
    VxStatus pushPointer(const void* pointer) {
        return push(reinterpret_cast<std::uintptr_t>(pointer));
    }
    // Pops the newest value; false (and *value untouched) when empty.
    bool pop(std::uintptr_t* value);
    std::size_t getCount() const { return count_; }
    bool isEmpty() const { return count_ == 0; }
    void clear() { count_ = 0; }

private:
    std::uintptr_t* values_ = nullptr;
    std::size_t count_ = 0;
    std::size_t capacity_ = 0;
};
