// Byte tables between the OEM code page (CP437) and the ANSI code page (CP1252).
//
// Every byte whose character exists in both code pages maps to that character,
// as glibc's iconv converts it. The bytes left over on each side (characters one
// code page has and the other lacks) are paired in ascending order, so each
// table is a permutation of the 256 byte values and the two tables are inverse:
// a conversion keeps the length of its input and every byte round-trips.
#pragma once

#include <cstddef>

class TrnCodePageTables {
public:
    // The process-wide tables, built on first use; safe to call from several
    // threads at once. Null when the converters for the two code pages are not
    // available, in which case nothing can be translated.
    static const TrnCodePageTables* get();

    // Converts `length` bytes from `input` to `output` (which may be the same
    // buffer, but must not otherwise overlap it).
    void oemToAnsi(const unsigned char* input, std::size_t length, unsigned char* output) const;
    void ansiToOem(const unsigned char* input, std::size_t length, unsigned char* output) const;

    unsigned char oemToAnsi(unsigned char oem) const { return oemToAnsi_[oem]; }
    unsigned char ansiToOem(unsigned char ansi) const { return ansiToOem_[ansi]; }

private:
    TrnCodePageTables();

    // Fills the tables from iconv; false when iconv cannot convert CP437 to CP1252.
    bool build();
    // Pairs the bytes that iconv left unmapped and derives the inverse table.
    void completePermutation(const bool* oemMapped, const bool* ansiUsed);

    unsigned char oemToAnsi_[256];
    unsigned char ansiToOem_[256];
    bool valid_;
};
