// Byte primitives: copy, compare, fill and swap of byte areas, and the
// plain NUL-terminated text primitives.
//
// Lengths are byte counts; the BUT functions are meant for areas below
// 65,536 bytes, the Huge variants for any size. Comparisons are of
// unsigned bytes and return -1, 0 or 1.
#pragma once

#include <cstddef>

#include "util/VxExport.h"

// Copies n bytes forwards (from the first byte).
VX_EXPORT void BUTMEMCP(void* dst, const void* src, std::size_t n);
// Copies n bytes backwards (from the last byte), for a move to a higher
// address within one buffer.
VX_EXPORT void BUTMMCPD(void* dst, const void* src, std::size_t n);
VX_EXPORT int BUTMMCMP(const void* a, const void* b, std::size_t n);
// Exchanges two non-overlapping areas, 512 bytes at a time.
VX_EXPORT void BUTMMSWP(void* a, void* b, std::size_t n);
VX_EXPORT void BUTU8FIL(void* buffer, unsigned char byte, std::size_t n);

// Appends src to dst; returns the position of dst's new terminating NUL.
VX_EXPORT char* BUTSTCAT(char* dst, const char* src);
// Copies src with its NUL; returns the position of the NUL in dst.
VX_EXPORT char* BUTSTCPY(char* dst, const char* src);
VX_EXPORT std::size_t BUTSTLEN(const char* text);
VX_EXPORT int BUTSTCMP(const char* a, const char* b);

VX_EXPORT void memCopyHuge(void* dst, const void* src, std::size_t n);
VX_EXPORT void memFillHuge(void* buffer, unsigned char byte, std::size_t n);
VX_EXPORT int memCompareHuge(const void* a, const void* b, std::size_t n);
