// Symbol visibility of the libraries. Every library is built with hidden
// visibility; what other libraries may use carries VX_EXPORT.
#pragma once

#define VX_EXPORT __attribute__((visibility("default")))
