// Builds the CP437 <-> CP1252 byte tables with iconv.
#include "charset/TrnCodePageTables.h"

#include <iconv.h>

namespace {

const char OEM_CODE_PAGE[] = "CP437";
const char ANSI_CODE_PAGE[] = "CP1252";

// Converts one OEM byte to ANSI. False when the character has no ANSI byte
// (iconv refuses it or needs more than one byte for it).
bool convertOneByte(iconv_t converter, unsigned char oem, unsigned char* ansi) {
    char in[1] = {static_cast<char>(oem)};
    char out[8];
    char* inPtr = in;
    char* outPtr = out;
    std::size_t inLeft = sizeof(in);
    std::size_t outLeft = sizeof(out);
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    std::size_t irreversible = iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft);
    if (irreversible != 0 || inLeft != 0 || outPtr - out != 1) {
        return false;
    }
    *ansi = static_cast<unsigned char>(out[0]);
    return true;
}

} // namespace

const TrnCodePageTables* TrnCodePageTables::get() {
    // A function-local static is initialised exactly once, even when several
    // threads make their first translation at the same time.
    static const TrnCodePageTables tables;
    return tables.valid_ ? &tables : nullptr;
}

TrnCodePageTables::TrnCodePageTables() : oemToAnsi_{}, ansiToOem_{}, valid_(false) {
    valid_ = build();
}

bool TrnCodePageTables::build() {
    iconv_t converter = iconv_open(ANSI_CODE_PAGE, OEM_CODE_PAGE);
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        return false;
    }
    bool oemMapped[256] = {};
    bool ansiUsed[256] = {};
    for (unsigned oem = 0; oem < 256; ++oem) {
        unsigned char ansi = 0;
        // Both code pages are single-byte, so the mapping is one to one; the
        // check only guards against a converter that says otherwise.
        if (convertOneByte(converter, static_cast<unsigned char>(oem), &ansi) && !ansiUsed[ansi]) {
            oemToAnsi_[oem] = ansi;
            oemMapped[oem] = true;
            ansiUsed[ansi] = true;
        }
    }
    iconv_close(converter);
    completePermutation(oemMapped, ansiUsed);
    return true;
}

void TrnCodePageTables::completePermutation(const bool* oemMapped, const bool* ansiUsed) {
    // There are as many unmapped OEM bytes as unused ANSI bytes; the n-th of
    // the one goes to the n-th of the other.
    unsigned ansi = 0;
    for (unsigned oem = 0; oem < 256; ++oem) {
        if (oemMapped[oem]) {
            continue;
        }
        while (ansi < 255 && ansiUsed[ansi]) {
            ++ansi;
        }
        oemToAnsi_[oem] = static_cast<unsigned char>(ansi);
        ++ansi;
    }
    for (unsigned oem = 0; oem < 256; ++oem) {
        ansiToOem_[oemToAnsi_[oem]] = static_cast<unsigned char>(oem);
    }
}

void TrnCodePageTables::oemToAnsi(const unsigned char* input, std::size_t length,
                                  unsigned char* output) const {
    for (std::size_t i = 0; i < length; ++i) {
        output[i] = oemToAnsi_[input[i]];
    }
}

void TrnCodePageTables::ansiToOem(const unsigned char* input, std::size_t length,
                                  unsigned char* output) const {
    for (std::size_t i = 0; i < length; ++i) {
        output[i] = ansiToOem_[input[i]];
    }
}
