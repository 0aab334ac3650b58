// File names as the operating-system layer hands them to the system.
//
// Both '/' and '\\' separate directories; a component that does not exist
// as written is looked up case-insensitively in its directory, and a unique
// match replaces it. Components that match nothing are kept as written, so
// a file about to be created keeps the case it was given.
#pragma once

#include <cstddef>

constexpr std::size_t BOS_PATH_CAPACITY = 4096;

class BosName {
public:
    // Resolves `name`; false when it does not fit BOS_PATH_CAPACITY.
    bool resolve(const char* name);
    // Only turns backslashes into slashes.
    bool copy(const char* name);
    const char* text() const { return text_; }
    std::size_t length() const { return length_; }

private:
    bool resolveComponent(std::size_t dirEnd, std::size_t start, std::size_t end);

    char text_[BOS_PATH_CAPACITY] = {};
    std::size_t length_ = 0;
};

// Whether `c` separates directories.
inline bool bosIsSeparator(char c) {
    return c == '/' || c == '\\';
}
