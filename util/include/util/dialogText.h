// Captions with keyboard accelerators.
//
// An accelerator is marked in a caption by the marker text (message 21800,
// "&") before the key character. VxAcceleratorKeys remembers which keys
// (by their upper-cased byte) a dialog already uses, so each new caption
// gets a key of its own.
#pragma once

#include <cstddef>
#include <cstdint>

#include "util/VxExport.h"

class VxAcceleratorKeys {
public:
    bool isUsed(unsigned char key) const;
    void markUsed(unsigned char key);

private:
    std::uint8_t bits_[32] = {};
};

// The accelerator marker.
VX_EXPORT const char* getMenuAccelerator();
// Writes the caption into out (at most size - 1 bytes and a NUL; size must
// be at least 1), through `format` when it is not null: its first "%s"
// stands for the caption and "%%" for "%". Unless the text already holds
// the marker, the marker is put before the first character that is not
// white space and whose key is not used yet. Returns the length written.
VX_EXPORT std::size_t makeDialogText(char* out, std::size_t size, const char* caption,
                                     const char* format, const VxAcceleratorKeys& used);
// Marks the key after the text's marker as used (nothing without a marker).
VX_EXPORT void setAcceleratorKey(const char* text, VxAcceleratorKeys& used);
