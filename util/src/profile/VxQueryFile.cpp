#include "util/VxQueryFile.h"

#include <cstring>

#include "error/utlMessages.h"
#include "util/ram.h"

namespace {

constexpr std::size_t HEX_PER_LINE = 32;
const char* const SECTION_NAMES[] = {"PAGE_LAYOUT", "PARAMETERS", "DEFINITION", "USER COMMANDS"};
const char DESCRIPTION_COMMAND[] = "SET.QUERY.DESCRIPTION ('";
const char DESCRIPTION_END[] = "')";

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
char upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool startsWithCi(const char* text, std::size_t length, const char* word) {
    std::size_t wordLength = std::strlen(word);
    if (length < wordLength)
        return false;
    for (std::size_t i = 0; i < wordLength; ++i)
        if (upper(text[i]) != upper(word[i]))
            return false;
    return true;
}

bool equalCi(const char* a, const char* b) {
    return std::strlen(a) == std::strlen(b) && startsWithCi(a, std::strlen(a), b);
}

int hexValue(char c) {
    if (isDigit(c))
        return c - '0';
    c = upper(c);
    return (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
}

} // namespace

// ---- Parameters --------------------------------------------------------------

VxfParam::~VxfParam() = default;

VxStatus VxfParam::parse(const char* text, std::size_t length) {
    VxString* fields[] = {&name_, &type_, &prompt_};
    std::size_t start = 0;
    for (int field = 0; field < 3; ++field) {
        std::size_t end = start;
        while (end < length && (text[end] != ',' || field == 2))
            ++end;
        std::size_t from = start, to = end < length ? end : length;
        while (from < to && isBlank(text[from]))
            ++from;
        while (to > from && isBlank(text[to - 1]))
            --to;
        if (fields[field]->initialize(text + from, to - from) != VX_SUCCESS)
            return VX_ERROR;
        start = end < length ? end + 1 : length;
    }
    return VX_SUCCESS;
}

VxStatus VxfParam::addItem(const char* text, std::size_t length) {
    if (items_.concat(text, length) != VX_SUCCESS || items_.concat('\0') != VX_SUCCESS)
        return VX_ERROR;
    ++itemCount_;
    return VX_SUCCESS;
}

const char* VxfParam::getItem(std::uint16_t index) {
    if (index >= itemCount_)
        return nullptr;
    const char* item = items_.getText();
    for (std::uint16_t i = 0; i < index; ++i)
        item += std::strlen(item) + 1;
    return item;
}

// ---- Sections ----------------------------------------------------------------

VxQueryFile::~VxQueryFile() {
    clear();
}

void VxQueryFile::clear() {
    while (sections_) {
        Section* next = sections_->next;
        ramFree(sections_->name);
        ramFree(sections_->text);
        ramFree(sections_);
        sections_ = next;
    }
    ramFree(fileName_);
    fileName_ = nullptr;
    databaseType_.unInitialize();
    databaseName_.unInitialize();
    statement_.unInitialize();
    formatLevel_ = 2;
    scrambling_ = 0;
}

const char* VxQueryFile::getSectionName(SectionType type) {
    return (type >= SECTION_PAGE_LAYOUT && type <= SECTION_USER_COMMANDS) ? SECTION_NAMES[type]
                                                                          : "";
}

VxQueryFile::Section* VxQueryFile::findSection(const char* name) const {
    for (Section* section = sections_; section; section = section->next)
        if (equalCi(section->name, name))
            return section;
    return nullptr;
}

bool VxQueryFile::hasSection(const char* name) const {
    return findSection(name) != nullptr;
}

VxStatus VxQueryFile::getSection(const char* name, VxString* text) const {
    Section* section = findSection(name);
    return section ? text->initialize(section->text, section->length) : text->initialize("");
}

VxStatus VxQueryFile::setSection(const char* name, const char* text, std::size_t length) {
    // Normalise the lines to CR LF endings.
    std::size_t lines = 1;
    for (std::size_t i = 0; i < length; ++i)
        lines += text[i] == '\n';
    char* copy = static_cast<char*>(ramAlloc(length + 2 * lines + 1));
    if (!copy)
        return VX_ERROR;
    std::size_t used = 0;
    for (std::size_t start = 0; start < length;) {
        std::size_t end = start;
        while (end < length && text[end] != '\n')
            ++end;
        std::size_t contentEnd = (end > start && text[end - 1] == '\r') ? end - 1 : end;
        std::memcpy(copy + used, text + start, contentEnd - start);
        used += contentEnd - start;
        copy[used++] = '\r';
        copy[used++] = '\n';
        start = end + 1;
    }
    Section* section = findSection(name);
    if (!section) {
        section = static_cast<Section*>(ramAllocZ(sizeof(Section)));
        char* nameCopy = section ? ramAllocStr(name) : nullptr;
        if (!nameCopy) {
            ramFree(section);
            ramFree(copy);
            return VX_ERROR;
        }
        section->name = nameCopy;
        Section** tail = &sections_;
        while (*tail)
            tail = &(*tail)->next;
        *tail = section;
    }
    ramFree(section->text);
    section->text = copy;
    section->length = used;
    return VX_SUCCESS;
}

void VxQueryFile::removeSection(const char* name) {
    for (Section** link = &sections_; *link; link = &(*link)->next)
        if (equalCi((*link)->name, name)) {
            Section* gone = *link;
            *link = gone->next;
            ramFree(gone->name);
            ramFree(gone->text);
            ramFree(gone);
            return;
        }
}

VxStatus VxQueryFile::setBinarySection(const char* name, const void* data, std::size_t length) {
    static const char digits[] = "0123456789ABCDEF";
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    std::size_t lines = (length + HEX_PER_LINE - 1) / HEX_PER_LINE;
    char* hex = static_cast<char*>(ramAlloc(2 * length + lines + 1));
    if (!hex)
        return VX_ERROR;
    std::size_t used = 0;
    for (std::size_t i = 0; i < length; ++i) {
        hex[used++] = digits[bytes[i] >> 4];
        hex[used++] = digits[bytes[i] & 0xf];
        if ((i + 1) % HEX_PER_LINE == 0 || i + 1 == length)
            hex[used++] = '\n';
    }
    VxStatus status = setSection(name, hex, used);
    ramFree(hex);
    return status;
}

VxStatus VxQueryFile::getBinarySection(const char* name, void** data, std::size_t* length) const {
    *data = nullptr;
    *length = 0;
    Section* section = findSection(name);
    if (!section)
        return VX_SUCCESS;
    unsigned char* bytes = static_cast<unsigned char*>(ramAlloc(section->length / 2 + 1));
    if (!bytes)
        return VX_ERROR;
    std::size_t count = 0;
    for (std::size_t i = 0; i + 1 < section->length; ++i) {
        int high = hexValue(section->text[i]);
        if (high < 0)
            continue;
        int low = hexValue(section->text[++i]);
        if (low < 0) {
            ramFree(bytes);
            addError(2708);
            return VX_ERROR;
        }
        bytes[count++] = static_cast<unsigned char>(high * 16 + low);
    }
    *data = bytes;
    *length = count;
    return VX_SUCCESS;
}

// ---- Parameters and description ----------------------------------------------

VxStatus VxQueryFile::getParameters(VxList* params) const {
    Section* section = findSection(SECTION_NAMES[SECTION_PARAMETERS]);
    VxfParam* current = nullptr;
    for (std::size_t start = 0; section && start < section->length;) {
        const char* line = section->text + start;
        const char* end = static_cast<const char*>(
            std::memchr(line, '\r', section->length - start)); // lines end in CR LF
        std::size_t length = static_cast<std::size_t>(end - line);
        start += length + 2;
        if (startsWithCi(line, length, "PARAMETER ")) {
            current = new VxfParam;
            if (!current)
                return VX_ERROR;
            params->append(current);
            if (current->parse(line + 10, length - 10) != VX_SUCCESS)
                return VX_ERROR;
        } else if (current && startsWithCi(line, length, "ITEM ")) {
            if (current->addItem(line + 5, length - 5) != VX_SUCCESS)
                return VX_ERROR;
        } else if (current && startsWithCi(line, length, "CLEAR")) {
            current->clearItems();
        }
    }
    return VX_SUCCESS;
}

VxStatus VxQueryFile::setDescription(const char* text) {
    VxString commands, line;
    if (getSection(SECTION_NAMES[SECTION_USER_COMMANDS], &commands) != VX_SUCCESS ||
        line.initialize(DESCRIPTION_COMMAND) != VX_SUCCESS || line.concat(text) != VX_SUCCESS ||
        line.concat(DESCRIPTION_END) != VX_SUCCESS || line.concat("\r\n") != VX_SUCCESS)
        return VX_ERROR;
    // The old description line goes; the new one comes first.
    const char* all = commands.getText();
    for (const char* pos = all; *pos;) {
        const char* end = std::strstr(pos, "\r\n");
        std::size_t length = static_cast<std::size_t>(end - pos);
        if (!startsWithCi(pos, length, DESCRIPTION_COMMAND) &&
            line.concat(pos, length + 2) != VX_SUCCESS)
            return VX_ERROR;
        pos = end + 2;
    }
    return setSection(SECTION_NAMES[SECTION_USER_COMMANDS], line.getText(), line.length());
}

VxStatus VxQueryFile::getDescription(VxString* text) const {
    VxString commands;
    if (getSection(SECTION_NAMES[SECTION_USER_COMMANDS], &commands) != VX_SUCCESS ||
        text->initialize("") != VX_SUCCESS)
        return VX_ERROR;
    const std::size_t prefix = sizeof DESCRIPTION_COMMAND - 1;
    for (const char* pos = commands.getText(); *pos;) {
        const char* end = std::strstr(pos, "\r\n");
        std::size_t length = static_cast<std::size_t>(end - pos);
        if (startsWithCi(pos, length, DESCRIPTION_COMMAND) && length >= prefix + 2)
            return text->initialize(pos + prefix, length - prefix - 2);
        pos = end + 2;
    }
    return VX_SUCCESS;
}
