// The Text driver's table definitions and date masks: the input is split
// at its first two NUL bytes into a date-mask part, a table-options part
// and the contents of "VXTXT.INI". The mask is compiled, read back from its
// text, and used to read and write dates; the options are parsed; every
// table the file defines is looked up and read.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "FuzzSupport.h"
#include "define/TxtIni.h"
#include "define/TxtTableDef.h"
#include "define/TxtTableOptions.h"
#include "mask/TxtDateMask.h"

namespace {

// The part of [data, end) up to the next NUL; *data moves past it.
std::string takePart(const std::uint8_t** data, const std::uint8_t* end) {
    const std::uint8_t* start = *data;
    const std::uint8_t* stop = static_cast<const std::uint8_t*>(
        std::memchr(start, 0, static_cast<std::size_t>(end - start)));
    if (!stop)
        stop = end;
    *data = stop < end ? stop + 1 : end;
    return std::string(reinterpret_cast<const char*>(start),
                       static_cast<std::size_t>(stop - start));
}

void exerciseMask(const std::string& maskText, const std::string& sample) {
    TxtDateMask mask;
    if (mask.compile(maskText.c_str(), maskText.size()) != VX_SUCCESS)
        return;
    // The mask's own text compiles to the same mask.
    VxString text;
    if (mask.toText(&text) == VX_SUCCESS) {
        TxtDateMask again;
        if (again.compile(text.getText(), text.length()) != VX_SUCCESS || !(again == mask)) {
            std::fprintf(stderr, "mask text [%s] of [%s] does not read back\n", text.getText(),
                         maskText.c_str());
            __builtin_trap();
        }
    }
    TxtDate date{};
    if (mask.parse(sample.c_str(), sample.size(), &date) == VX_SUCCESS) {
        char out[256];
        std::size_t length = 0;
        (void)mask.format(date, out, sizeof out - 1, &length);
    }
    for (TxtDate fixed : {TxtDate{1999, 12, 31}, TxtDate{2000, 2, 29}, TxtDate{1, 1, 1}}) {
        char out[64];
        std::size_t length = 0;
        for (std::size_t width : {std::size_t(0), std::size_t(8), std::size_t(63)})
            if (mask.format(fixed, out, width, &length) == VX_SUCCESS && length > width)
                __builtin_trap();
    }
}

// Tables read per input at most: every definition goes through the same
// code, and each lookup reads the whole file again, so reading them all
// made an input's cost grow with the square of its length.
constexpr int MAX_TABLES = 8;

void readDefinitions(const std::string& folder) {
    TxtIni ini;
    if (ini.open(folder.c_str()) != VX_SUCCESS)
        return;
    char names[4096];
    std::size_t length = 0;
    if (ini.getSectionNames(names, sizeof names, &length) != VX_SUCCESS)
        return;
    int tables = 0;
    for (const char* name = names; *name && name < names + sizeof names && tables < MAX_TABLES;
         name += std::strlen(name) + 1) {
        bool defined = false;
        VxString section;
        if (TxtTableDef::lookup(ini, name, &defined, &section) != VX_SUCCESS || !defined)
            continue;
        ++tables;
        TxtTableDefinition definition;
        if (TxtTableDef::read(ini, section.getText(), &definition) != VX_SUCCESS)
            continue;
        for (std::uint16_t c = 0; c < definition.layout.getFieldCount(); ++c) {
            VxString entry;
            (void)TxtTableDef::formatColumnEntry(definition.layout.getField(c), &entry);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static FuzzErrors* errors = new FuzzErrors;
    static std::string folder = fuzzMakeFolder();
    static std::string iniPath = folder + "/VXTXT.INI";
    errors->reset();
    const std::uint8_t* end = data + size;
    std::string mask = takePart(&data, end);
    std::string options = takePart(&data, end);
    std::string sample = mask.size() > 8 ? mask.substr(mask.size() / 2) : "12/31/1999";
    exerciseMask(mask, sample);
    errors->reset();

    TxtGuessResult layout;
    (void)TxtTableOptions::parse(options.c_str(), options.size(), &layout);
    errors->reset();

    FILE* out = std::fopen(iniPath.c_str(), "wb");
    if (!out)
        __builtin_trap();
    std::fwrite(data, 1, static_cast<std::size_t>(end - data), out);
    std::fclose(out);
    readDefinitions(folder);
    errors->reset();
    return 0;
}
