// VxValueParser: attribute strings of the form key=value, separated by a
// separator character: ODBC connect strings (";") and the NUL-separated
// attribute lists of data-source setup.
//
// Syntax: attributes separated by the separator, a separator at the very
// end allowed. A key is a word (a letter or "_", then letters, digits and
// "_"), compared without regard to case. A value runs to the next
// separator outside quoted text (apostrophes, double quotes and
// back-quotes), keeps its quotes and loses its trailing blanks; braces have
// no special meaning. A key given twice is an error, except "Driver",
// whose first value stays.
//
// Errors: a syntax error raises 2705 "Error parsing %s2 at offset %n1."
// with the parser's name, or 2704 "Error parsing connect string at offset
// %n1. " when it has none; the offset counts bytes from the start of the
// text, from 0. A repeated key appends 2706 to that record, two keywords
// of one attribute (getAttributeValue with an alias) append 2707. The
// attributes read before an error are kept.
//
// Ownership: keys and values read from the text point into it, so the text
// (and the name) must outlive the parser; added keys and values are copies
// owned by the parser. Every attribute carries a used mark, set when its
// value is read, for reporting attributes that no one asked for.
#pragma once

#include <cstdint>

#include "util/VxArray.h"
#include "util/VxScanner.h"
#include "util/VxStatus.h"

class VxString;

class VX_EXPORT VxValueParser {
public:
    VxValueParser(const VxSubString& text, char separator, const char* name = nullptr);
    ~VxValueParser();
    VxValueParser(const VxValueParser&) = delete;
    VxValueParser& operator=(const VxValueParser&) = delete;

    // Parses the whole text (again, when called twice).
    [[nodiscard]] VxStatus initialize();

    // The value of `key`, or null when absent; marks the attribute used.
    const VxSubString* getAttributeValue(const char* key);
    const VxSubString* getAttributeValue(const VxSubString& key);
    // The value under `key` or `aliasKey` (null: none) in *result, or null.
    // Both present is an error (2707).
    [[nodiscard]] VxStatus getAttributeValue(const char* key, const char* aliasKey,
                                             const VxSubString** result);
    // Presence, without marking.
    bool isAttributeValue(const char* key) const;
    bool isAttributeValue(const VxSubString& key) const;

    // The number of attributes whose value was not read.
    std::uint16_t getUnusedCount() const;
    // The next key, in order, of an attribute whose value was not read;
    // null after the last.
    const VxSubString* getUnusedAttribute();
    // Clears every used mark and restarts getUnusedAttribute.
    void resetUnused();

    std::uint16_t getAttributeCount() const { return attributes_.getCount(); }
    // The key or the value at `index` (null past the count); no marking.
    const VxSubString* getAttributeKey(std::uint16_t index) const;
    const VxSubString* getAttributeValueAt(std::uint16_t index) const;

    // Sets the value of `key`; when `key` is absent but `aliasKey` is
    // present, the value of the alias (which keeps its keyword); else
    // appends a new attribute. A value that contains an apostrophe, a
    // double quote or the separator is stored in apostrophes with inner
    // apostrophes doubled.
    [[nodiscard]] VxStatus addAttribute(const char* key, const char* value,
                                        const char* aliasKey = nullptr);
    [[nodiscard]] VxStatus addAttribute(const char* key, const VxSubString& value,
                                        const char* aliasKey = nullptr);
    void removeAttribute(const char* key);

    // Replaces the text of `out` by key=value for each attribute in order,
    // separated by the separator.
    [[nodiscard]] VxStatus buildString(VxString& out) const;

    char getSeparator() const { return separator_; }

private:
    class Attribute;

    Attribute* attributeAt(std::uint16_t index) const;
    // The index of `key`, or the count when absent.
    std::uint16_t indexOf(const char* key, std::size_t length) const;
    const VxSubString* readValue(const char* key, std::size_t length);
    VxStatus raisePositionError(std::uint32_t offset);
    // Reads a token that must begin with `c` and consumes only that byte.
    bool takeChar(char c);
    VxStatus addParsed(const VxToken& key, const VxToken& value);

    VxScanner scanner_;
    char separator_;
    const char* name_;
    VxArray attributes_;
    VxToken token_;
    std::uint16_t unusedCursor_ = 0;
    VxToken key_;
};
