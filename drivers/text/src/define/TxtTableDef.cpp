#include "define/TxtTableDef.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "error/TxtErrors.h"
#include "guess/TxtNameIndex.h"
#include "util/ram.h"
#include "util/str.h"

namespace {

constexpr std::size_t ENTRY_SIZE = 2048;
constexpr std::size_t KEY_LIST_SIZE = 65536;

// A part of a column entry, blanks around it removed.
struct Part {
    const char* text;
    std::size_t length;
};

Part trimmed(const char* text, std::size_t length) {
    while (length > 0 && *text == ' ')
        ++text, --length;
    while (length > 0 && text[length - 1] == ' ')
        --length;
    return {text, length};
}

bool parseNumber(Part part, unsigned long high, std::uint16_t* value) {
    if (part.length == 0)
        return false;
    unsigned long result = 0;
    for (std::size_t i = 0; i < part.length; ++i) {
        if (!vxIsDigit(part.text[i]))
            return false;
        result = result * 10 + static_cast<unsigned long>(part.text[i] - '0');
        if (result > high)
            return false;
    }
    *value = static_cast<std::uint16_t>(result);
    return true;
}

VxStatus fail(unsigned short messageId) {
    txtAddError(ODBC_37000, messageId);
    return VX_ERROR;
}

bool sectionExists(TxtIni& ini, const char* section) {
    char keys[8];
    std::size_t length = 0;
    (void)ini.getKeyNames(section, keys, sizeof keys, &length);
    return length > 0;
}

// Points byNumber[n] at the value of entry "FIELD<n>" of a section's entry
// list (VxIni::getSectionEntries), for n from 1 to TXT_MAX_COLUMNS + 1 (one
// more than a table may have, so that too long a list is seen). The first
// entry of a key counts, as a lookup by key finds it.
void indexColumnEntries(const char* entries, const char** byNumber) {
    constexpr unsigned long LAST = TXT_MAX_COLUMNS + 1u;
    for (const char* entry = entries; entry && *entry; entry += std::strlen(entry) + 1) {
        const char* equals = std::strchr(entry, '=');
        if (!equals || equals - entry < 6 || !strEqualCi(entry, 5, "FIELD", 5) || entry[5] == '0')
            continue;
        unsigned long number = 0;
        const char* c = entry + 5;
        for (; c < equals && vxIsDigit(*c) && number <= LAST; ++c)
            number = number * 10 + static_cast<unsigned long>(*c - '0');
        if (c == equals && number <= LAST && !byNumber[number])
            byNumber[number] = equals + 1;
    }
}

// The value of entry `key` of a section's entry list as a lookup by key
// reads it (the first entry of that name, cut to the buffer), or `absent`.
void entryValue(const char* entries, const char* key, const char* absent, char* out,
                std::size_t size) {
    const std::size_t keyLength = std::strlen(key);
    for (const char* entry = entries; entry && *entry; entry += std::strlen(entry) + 1) {
        const char* equals = std::strchr(entry, '=');
        if (equals && static_cast<std::size_t>(equals - entry) == keyLength &&
            strEqualCi(entry, keyLength, key, keyLength)) {
            strCopy(out, size, equals + 1);
            return;
        }
    }
    strCopy(out, size, absent);
}

// The entries of a new definition, collected so that they are written in
// one rewrite of the file: their texts (section, key and value of each,
// NUL-terminated) follow one another in one string.
class DefinitionEntries {
public:
    VxStatus add(const char* section, const char* key, const char* value) {
        for (const char* text : {section, key, value})
            if (texts_.concat(text) || texts_.concat('\0'))
                return VX_ERROR;
        ++count_;
        return VX_SUCCESS;
    }
    VxStatus write(TxtIni& ini) {
        auto* edits = static_cast<VxIniEdit*>(ramAlloc(count_ * sizeof(VxIniEdit)));
        if (!edits)
            return VX_ERROR;
        const char* text = texts_.getText();
        for (std::size_t i = 0; i < count_; ++i) {
            const char** parts[3] = {&edits[i].section, &edits[i].key, &edits[i].value};
            for (const char** part : parts) {
                *part = text;
                text += std::strlen(text) + 1;
            }
        }
        VxStatus status = ini.writeEntries(edits, count_);
        ramFree(edits);
        return status;
    }

private:
    VxString texts_;
    std::size_t count_ = 0;
};

} // namespace

VxStatus TxtTableDef::lookup(TxtIni& ini, const char* name, bool* defined, VxString* section) {
    *defined = false;
    if (sectionExists(ini, name)) {
        *defined = true;
        return section->initialize(name);
    }
    char value[ENTRY_SIZE];
    if (ini.getEntry(DEFINED_TABLES, name, value, sizeof value, ""))
        return VX_ERROR;
    if (!value[0])
        return VX_SUCCESS;
    *defined = true;
    return section->initialize(value);
}

VxStatus TxtTableDef::parseColumnEntry(const char* entry, TxtGuessField* field) {
    // The messages for an entry that ends before part N (1 type ... 6 mask).
    static const unsigned short missing[] = {
        TXT_MSG_INI_MISSING_TYPE,   TXT_MSG_INI_MISSING_PRECISION, TXT_MSG_INI_MISSING_SCALE,
        TXT_MSG_INI_MISSING_LENGTH, TXT_MSG_INI_MISSING_OFFSET,    TXT_MSG_INI_NO_MASK};
    Part parts[7] = {};
    std::size_t count = 0;
    const char* start = entry;
    for (; count < 6; ++count) {
        const char* comma = std::strchr(start, ',');
        if (!comma)
            break;
        parts[count] = {start, static_cast<std::size_t>(comma - start)};
        start = comma + 1;
    }
    parts[count++] = {start, std::strlen(start)};
    for (std::size_t i = 0; i < count && i < 6; ++i)
        parts[i] = trimmed(parts[i].text, parts[i].length);

    *field = TxtGuessField();
    if (count < 2 || parts[0].length == 0)
        return fail(TXT_MSG_INI_MISSING_TYPE);
    if (parts[0].length > TXT_MAX_COLUMN_NAME) {
        VxString name;
        (void)name.initialize(parts[0].text, parts[0].length);
        txtAddError(ODBC_37000, TXT_MSG_COLUMN_NAME_TOO_LONG) << name.getText();
        return VX_ERROR;
    }
    field->setName(parts[0].text, parts[0].length);
    if (count < 6)
        return fail(missing[count - 1]);
    char typeName[16] = {};
    if (parts[1].length < sizeof typeName)
        std::memcpy(typeName, parts[1].text, parts[1].length);
    field->type = txtColumnTypeFromName(typeName);
    if (field->type == TXT_COLUMN_NONE) {
        VxString type;
        (void)type.initialize(parts[1].text, parts[1].length);
        txtAddError(ODBC_37000, TXT_MSG_INI_UNKNOWN_TYPE) << type.getText();
        return VX_ERROR;
    }
    std::uint16_t numbers[4];
    for (std::size_t i = 0; i < 4; ++i)
        if (!parseNumber(parts[2 + i], i == 1 ? 255 : 65535, &numbers[i]))
            return fail(missing[i + 1]);
    field->precision = numbers[0];
    field->scale = numbers[1];
    field->width = numbers[2];
    field->offset = numbers[3];
    if (field->type != TXT_COLUMN_DATE)
        return VX_SUCCESS;
    if (count < 7 || parts[6].length == 0)
        return fail(TXT_MSG_INI_NO_MASK);
    return field->mask.compile(parts[6].text, parts[6].length);
}

VxStatus TxtTableDef::formatColumnEntry(const TxtGuessField& field, VxString* out) {
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, ",%u,%u,%u,%u,", field.precision, field.scale,
                  field.width, field.offset);
    const char* type = txtColumnTypeName(field.type);
    if (out->concat(field.name) || out->concat(',') || out->concat(type ? type : "VARCHAR") ||
        out->concat(numbers))
        return VX_ERROR;
    return field.type == TXT_COLUMN_DATE ? field.mask.toText(out) : VX_SUCCESS;
}

VxStatus TxtTableDef::read(TxtIni& ini, const char* section, TxtTableDefinition* definition) {
    // One reading of the file gives every entry of the section.
    char* entries = nullptr;
    if (definition->tableName.initialize(section) || ini.getSectionEntries(section, &entries))
        return VX_ERROR;
    VxStatus status = readEntries(entries, definition);
    ramFree(entries);
    return status;
}

VxStatus TxtTableDef::readEntries(const char* entries, TxtTableDefinition* definition) {
    char value[ENTRY_SIZE];
    TxtGuessResult& layout = definition->layout;
    entryValue(entries, "FILE", NO_VALUE, value, sizeof value);
    if (!value[0] || std::strcmp(value, NO_VALUE) == 0)
        return fail(TXT_MSG_INI_NO_FILE_NAME);
    if (definition->fileName.initialize(value))
        return VX_ERROR;
    entryValue(entries, "TT", NO_VALUE, value, sizeof value);
    TxtTableType type = txtTableTypeFromName(value);
    char delimiter = ',';
    if (type == TXT_TABLE_CHARACTER) {
        entryValue(entries, "DC", NO_VALUE, value, sizeof value);
        if (value[0] && std::strcmp(value, NO_VALUE) != 0)
            delimiter = value[0];
    }
    layout.setTableType(type, delimiter);
    entryValue(entries, "FLN", NO_VALUE, value, sizeof value);
    layout.firstLineNames = std::strcmp(value, "1") == 0;
    entryValue(entries, "Charset", NO_VALUE, value, sizeof value);
    layout.charset = strEqualCi(value, "IBMPC") ? TXT_CHARSET_IBMPC : TXT_CHARSET_ANSI;
    layout.clearFields();
    return readColumns(entries, &layout);
}

// The column entries FIELD1, FIELD2, ... up to the first one missing, each
// checked against the names before it through an index: a wide table costs
// time in proportion to its width.
VxStatus TxtTableDef::readColumns(const char* entries, TxtGuessResult* layout) {
    const auto** byNumber =
        static_cast<const char**>(ramAllocZ((TXT_MAX_COLUMNS + 2u) * sizeof(const char*)));
    VxStatus status = byNumber ? VX_SUCCESS : VX_ERROR;
    if (byNumber)
        indexColumnEntries(entries, byNumber);
    TxtNameIndex names(*layout);
    char value[ENTRY_SIZE];
    for (unsigned number = 1; status == VX_SUCCESS && number <= TXT_MAX_COLUMNS + 1u; ++number) {
        if (!byNumber[number])
            break;
        // Read as an entry lookup reads it: cut to the buffer, and the
        // text that stands for a missing entry ends the list.
        strCopy(value, sizeof value, byNumber[number]);
        if (std::strcmp(value, NO_VALUE) == 0)
            break;
        TxtGuessField* field;
        status = layout->addField(&field) || parseColumnEntry(value, field) ? VX_ERROR : VX_SUCCESS;
        if (status == VX_SUCCESS && names.find(field->name) != TxtNameIndex::NONE) {
            txtAddError(ODBC_S0021, TXT_MSG_COLUMN_TWICE) << field->name;
            status = VX_ERROR;
        }
        if (status == VX_SUCCESS)
            status = names.add(static_cast<std::uint16_t>(layout->getFieldCount() - 1));
    }
    ramFree(byNumber);
    return status;
}

VxStatus TxtTableDef::write(TxtIni& ini, TxtTableDefinition& definition) {
    TxtTableDefinition& def = definition;
    const char* section = def.tableName.getText();
    const TxtGuessResult& layout = definition.layout;
    if (sectionExists(ini, section)) {
        txtAddError(ODBC_S0001, TXT_MSG_TABLE_EXISTS);
        return VX_ERROR;
    }
    char delimiter[2] = {layout.delimiter, 0};
    DefinitionEntries entries;
    if (entries.add(DEFINED_TABLES, def.fileName.getText(), section) ||
        entries.add(section, "FILE", def.fileName.getText()) ||
        entries.add(section, "FLN", layout.firstLineNames ? "1" : "0") ||
        entries.add(section, "TT", txtTableTypeName(layout.tableType)) ||
        (layout.tableType == TXT_TABLE_CHARACTER && entries.add(section, "DC", delimiter)) ||
        entries.add(section, "Charset", layout.charset == TXT_CHARSET_IBMPC ? "IBMPC" : "ANSI"))
        return VX_ERROR;
    for (std::uint16_t i = 0; i < layout.getFieldCount(); ++i) {
        char key[16];
        std::snprintf(key, sizeof key, "%s%u", "FIELD", i + 1u);
        VxString entry;
        if (formatColumnEntry(layout.getField(i), &entry) ||
            entries.add(section, key, entry.getText()))
            return VX_ERROR;
    }
    return entries.write(ini);
}

VxStatus TxtTableDef::remove(TxtIni& ini, const char* section, const char* fileName) {
    char* keys = static_cast<char*>(ramAlloc(KEY_LIST_SIZE));
    if (!keys)
        return VX_ERROR;
    std::size_t length = 0;
    VxStatus status = ini.getKeyNames(DEFINED_TABLES, keys, KEY_LIST_SIZE, &length);
    for (const char* key = keys; status == VX_SUCCESS && length > 0 && *key;
         key += std::strlen(key) + 1) {
        char value[ENTRY_SIZE];
        status = ini.getEntry(DEFINED_TABLES, key, value, sizeof value, "");
        if (status == VX_SUCCESS && strEqualCi(value, section))
            status = ini.deleteEntry(DEFINED_TABLES, key);
    }
    ramFree(keys);
    if (status || (fileName && ini.deleteEntry(DEFINED_TABLES, fileName)))
        return VX_ERROR;
    return ini.deleteSection(section);
}
