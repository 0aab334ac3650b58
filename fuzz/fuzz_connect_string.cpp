// Connection strings and other attribute strings (VxValueParser): parsed
// with either separator, every attribute looked up, rebuilt, and the
// rebuilt string parsed again to the same attributes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "FuzzSupport.h"
#include "util/VxString.h"
#include "util/VxSubString.h"
#include "util/VxValueParser.h"

namespace {

FuzzErrors& errors() {
    static FuzzErrors* e = new FuzzErrors;
    return *e;
}

std::string textOf(const VxSubString* s) {
    return s ? std::string(s->data(), s->length()) : std::string("<null>");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    errors().reset();
    char separator = (data[0] & 1) ? ',' : ';';
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    VxSubString sub(text.c_str(), static_cast<std::uint32_t>(text.size()));
    VxValueParser parser(sub, separator, "fuzz");
    if (parser.initialize() != VX_SUCCESS) {
        errors().reset();
        return 0;
    }
    for (const char* key : {"DSN", "DRIVER", "Database", "DefaultDir", "UID", "PWD", "FileDSN"})
        (void)parser.getAttributeValue(key);
    const VxSubString* aliased = nullptr;
    (void)parser.getAttributeValue("DBQ", "DefaultDir", &aliased);
    std::uint16_t count = parser.getAttributeCount();
    for (std::uint16_t i = 0; i < count; ++i) {
        const VxSubString* key = parser.getAttributeKey(i);
        if (key)
            (void)parser.getAttributeValue(*key);
        (void)parser.getAttributeValueAt(i);
    }
    while (parser.getUnusedAttribute()) {
    }
    VxString rebuilt;
    if (parser.buildString(rebuilt) != VX_SUCCESS) {
        errors().reset();
        return 0;
    }
    // The rebuilt string reads back to as many attributes, each with the
    // value it had.
    VxSubString again(rebuilt.getText(), rebuilt.length());
    VxValueParser reparsed(again, separator, "fuzz");
    if (reparsed.initialize() != VX_SUCCESS) {
        std::fprintf(stderr, "rebuilt string does not parse: [%s] from [%s]\n", rebuilt.getText(),
                     text.c_str());
        std::abort();
    }
    if (reparsed.getAttributeCount() != parser.getAttributeCount()) {
        std::fprintf(stderr, "rebuilt string has %u attributes, not %u: [%s]\n",
                     reparsed.getAttributeCount(), parser.getAttributeCount(), rebuilt.getText());
        std::abort();
    }
    for (std::uint16_t i = 0; i < parser.getAttributeCount(); ++i) {
        std::string before = textOf(parser.getAttributeValueAt(i));
        std::string after = textOf(reparsed.getAttributeValueAt(i));
        if (before != after) {
            std::fprintf(stderr, "attribute %u was [%s], reads back [%s]: [%s]\n", i,
                         before.c_str(), after.c_str(), rebuilt.getText());
            std::abort();
        }
    }
    // Values as read may hold an unterminated quote that runs to the end
    // of the text, so nothing is checked after an edit.
    if (data[0] & 2) {
        (void)parser.addAttribute("ADDED", "x;y 'z'");
        parser.removeAttribute("UID");
        VxString edited;
        (void)parser.buildString(edited);
    }
    errors().reset();
    return 0;
}
