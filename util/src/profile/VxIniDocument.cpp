#include "profile/VxIniDocument.h"

#include <cstring>

#include "error/utlMessages.h"
#include "util/bos.h"
#include "util/ram.h"

namespace {

const char CRLF[] = "\r\n";

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

char upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool equalCi(const char* a, std::size_t aLength, const char* b, std::size_t bLength) {
    if (aLength != bLength)
        return false;
    for (std::size_t i = 0; i < aLength; ++i)
        if (upper(a[i]) != upper(b[i]))
            return false;
    return true;
}

// Narrows [*start, *end) to its text without surrounding white space.
void trim(const char* text, std::size_t* start, std::size_t* end) {
    while (*start < *end && isBlank(text[*start]))
        ++*start;
    while (*end > *start && isBlank(text[*end - 1]))
        --*end;
}

} // namespace

// ---- VxNameList --------------------------------------------------------------

VxNameList::VxNameList(char* out, std::size_t size) : out_(out), size_(size) {}

bool VxNameList::contains(const char* name, std::size_t length) const {
    std::size_t pos = 0;
    while (pos < used_) {
        std::size_t itemLength = std::strlen(out_ + pos);
        if (equalCi(out_ + pos, itemLength, name, length))
            return true;
        pos += itemLength + 1;
    }
    return false;
}

bool VxNameList::add(const char* name, std::size_t length) {
    if (overflowed_)
        return false;
    if (contains(name, length))
        return true;
    // The name, its NUL and the NUL that closes the list must fit.
    if (!out_ || used_ + length + 2 > size_) {
        overflowed_ = true;
        return false;
    }
    std::memcpy(out_ + used_, name, length);
    used_ += length;
    out_[used_++] = '\0';
    ++count_;
    return true;
}

std::size_t VxNameList::finish() {
    if (out_ && used_ < size_)
        out_[used_] = '\0';
    if (out_ && size_ >= 2 && used_ + 1 >= size_)
        out_[size_ - 1] = '\0';
    return used_;
}

// ---- Loading and saving ------------------------------------------------------

VxIniDocument::~VxIniDocument() {
    ramFree(text_);
}

VxStatus VxIniDocument::setText(const char* text, std::size_t length) {
    length_ = 0;
    return splice(0, 0, text, length);
}

VxStatus VxIniDocument::load(const char* path, bool* found) {
    length_ = 0;
    *found = false;
    int attributes = bosfattr(path);
    if (attributes == 0)
        return VX_SUCCESS;
    if (attributes == 2) {
        addError(30040) << path;
        return VX_ERROR;
    }
    int handle = 0;
    if (bosFileOpen(path, 0, &handle) != VX_SUCCESS)
        return VX_ERROR;
    std::int64_t size = 0;
    VxStatus status = bosFileSize(handle, &size);
    if (status == VX_SUCCESS && size > 0) {
        status = splice(0, 0, nullptr, static_cast<std::size_t>(size));
        std::size_t total = 0;
        while (status == VX_SUCCESS && total < length_) {
            std::size_t count = 0;
            status = bosFileRead(handle, static_cast<std::int64_t>(total), text_ + total,
                                 length_ - total, &count);
            if (count == 0)
                break;
            total += count;
        }
        length_ = total;
    }
    VxStatus closed = bosFileClose(handle);
    if (status != VX_SUCCESS || closed != VX_SUCCESS)
        return VX_ERROR;
    *found = true;
    return VX_SUCCESS;
}

VxStatus VxIniDocument::writeFile(const char* path) const {
    int handle = 0;
    if (bosFileOpen(path, BOS_OPEN_CREATE | BOS_OPEN_READWRITE, &handle) != VX_SUCCESS)
        return VX_ERROR;
    VxStatus status = VX_SUCCESS;
    if (length_ > 0)
        status = bosFileWrite(handle, 0, text_, length_);
    if (status != VX_SUCCESS) {
        (void)bosFileClose(handle);
        return VX_ERROR;
    }
    return bosFileClose(handle);
}

// ---- Parsing -----------------------------------------------------------------

bool VxIniDocument::lineAt(std::size_t offset, Line* line) const {
    if (offset >= length_)
        return false;
    const char* newline =
        static_cast<const char*>(std::memchr(text_ + offset, '\n', length_ - offset));
    line->start = offset;
    if (newline) {
        line->next = static_cast<std::size_t>(newline - text_) + 1;
        line->contentEnd = line->next - 1;
        if (line->contentEnd > offset && text_[line->contentEnd - 1] == '\r')
            --line->contentEnd;
    } else {
        line->next = length_;
        line->contentEnd = length_;
    }
    classify(line);
    return true;
}

void VxIniDocument::classify(Line* line) const {
    line->kind = LINE_OTHER;
    std::size_t start = line->start;
    std::size_t end = line->contentEnd;
    trim(text_, &start, &end);
    if (start == end || text_[start] == ';' || text_[start] == '#')
        return;
    if (text_[start] == '[') {
        const char* close = static_cast<const char*>(std::memchr(text_ + start, ']', end - start));
        if (!close)
            return;
        std::size_t nameStart = start + 1;
        std::size_t nameEnd = static_cast<std::size_t>(close - text_);
        trim(text_, &nameStart, &nameEnd);
        line->kind = LINE_SECTION;
        line->nameStart = nameStart;
        line->nameLength = nameEnd - nameStart;
        return;
    }
    const char* equals = static_cast<const char*>(std::memchr(text_ + start, '=', end - start));
    if (!equals || equals == text_ + start)
        return;
    std::size_t keyEnd = static_cast<std::size_t>(equals - text_);
    std::size_t keyStart = start;
    trim(text_, &keyStart, &keyEnd);
    if (keyStart == keyEnd)
        return;
    std::size_t valueStart = static_cast<std::size_t>(equals - text_) + 1;
    std::size_t valueEnd = end;
    trim(text_, &valueStart, &valueEnd);
    if (valueEnd - valueStart >= 2 && (text_[valueStart] == '"' || text_[valueStart] == '\'') &&
        text_[valueEnd - 1] == text_[valueStart]) {
        ++valueStart;
        --valueEnd;
    }
    line->kind = LINE_ENTRY;
    line->equals = static_cast<std::size_t>(equals - text_);
    line->nameStart = keyStart;
    line->nameLength = keyEnd - keyStart;
    line->valueStart = valueStart;
    line->valueLength = valueEnd - valueStart;
}

bool VxIniDocument::nameIs(const Line& line, const char* name) const {
    return equalCi(text_ + line.nameStart, line.nameLength, name, std::strlen(name));
}

bool VxIniDocument::findSection(const char* section, Line* header) const {
    for (std::size_t pos = 0; lineAt(pos, header); pos = header->next)
        if (header->kind == LINE_SECTION && nameIs(*header, section))
            return true;
    return false;
}

std::size_t VxIniDocument::sectionEnd(const Line& header) const {
    Line line;
    for (std::size_t pos = header.next; lineAt(pos, &line); pos = line.next)
        if (line.kind == LINE_SECTION)
            return line.start;
    return length_;
}

bool VxIniDocument::findKey(const Line& header, const char* key, Line* entry,
                            std::size_t* insertAt) const {
    *insertAt = header.next;
    for (std::size_t pos = header.next; lineAt(pos, entry); pos = entry->next) {
        if (entry->kind == LINE_SECTION)
            return false;
        if (entry->kind != LINE_ENTRY)
            continue;
        if (nameIs(*entry, key))
            return true;
        *insertAt = entry->next;
    }
    return false;
}

// ---- Queries -----------------------------------------------------------------

bool VxIniDocument::hasSection(const char* section) const {
    Line header;
    return findSection(section, &header);
}

bool VxIniDocument::getValue(const char* section, const char* key, VxSubString* value) const {
    Line header, entry;
    std::size_t insertAt = 0;
    if (!findSection(section, &header) || !findKey(header, key, &entry, &insertAt))
        return false;
    value->set(text_ + entry.valueStart, entry.valueLength);
    return true;
}

void VxIniDocument::listSections(VxNameList& names, bool firstComponentOnly) const {
    Line line;
    for (std::size_t pos = 0; lineAt(pos, &line); pos = line.next) {
        if (line.kind != LINE_SECTION)
            continue;
        std::size_t length = line.nameLength;
        if (firstComponentOnly) {
            const void* slash = std::memchr(text_ + line.nameStart, '\\', length);
            if (slash)
                length = static_cast<std::size_t>(static_cast<const char*>(slash) -
                                                  (text_ + line.nameStart));
        }
        if (!names.add(text_ + line.nameStart, length))
            return;
    }
}

bool VxIniDocument::listKeys(const char* section, VxNameList& names) const {
    Line header, line;
    if (!findSection(section, &header))
        return false;
    for (std::size_t pos = header.next; lineAt(pos, &line); pos = line.next) {
        if (line.kind == LINE_SECTION)
            break;
        if (line.kind == LINE_ENTRY && !names.add(text_ + line.nameStart, line.nameLength))
            break;
    }
    return true;
}

VxStatus VxIniDocument::copySection(const char* section, char** entries) const {
    *entries = nullptr;
    Line header, line;
    if (!findSection(section, &header))
        return VX_SUCCESS;
    std::size_t total = 1;
    for (std::size_t pos = header.next; lineAt(pos, &line) && line.kind != LINE_SECTION;
         pos = line.next)
        if (line.kind == LINE_ENTRY)
            total += line.nameLength + line.valueLength + 2;
    char* out = static_cast<char*>(ramAlloc(total));
    if (!out)
        return VX_ERROR;
    char* end = out;
    for (std::size_t pos = header.next; lineAt(pos, &line) && line.kind != LINE_SECTION;
         pos = line.next) {
        if (line.kind != LINE_ENTRY)
            continue;
        std::memcpy(end, text_ + line.nameStart, line.nameLength);
        end += line.nameLength;
        *end++ = '=';
        std::memcpy(end, text_ + line.valueStart, line.valueLength);
        end += line.valueLength;
        *end++ = '\0';
    }
    *end = '\0';
    *entries = out;
    return VX_SUCCESS;
}

// ---- Edits -------------------------------------------------------------------

VxStatus VxIniDocument::splice(std::size_t pos, std::size_t oldLength, const char* data,
                               std::size_t length) {
    std::size_t newLength = length_ - oldLength + length;
    if (newLength + 1 > capacity_) {
        std::size_t capacity = newLength + newLength / 2 + 64;
        void* block = text_;
        if (block ? ramResize(&block, capacity) != VX_SUCCESS
                  : (block = ramAlloc(capacity)) == nullptr)
            return VX_ERROR;
        text_ = static_cast<char*>(block);
        capacity_ = capacity;
    }
    std::memmove(text_ + pos + length, text_ + pos + oldLength, length_ - pos - oldLength);
    if (data && length)
        std::memcpy(text_ + pos, data, length);
    length_ = newLength;
    text_[length_] = '\0';
    return VX_SUCCESS;
}

VxStatus VxIniDocument::terminateLastLine() {
    if (length_ == 0 || text_[length_ - 1] == '\n')
        return VX_SUCCESS;
    return splice(length_, 0, CRLF, 2);
}

VxStatus VxIniDocument::setValue(const char* section, const char* key, const char* value) {
    std::size_t keyLength = std::strlen(key);
    std::size_t valueLength = value ? std::strlen(value) : 0;
    Line header, entry;
    if (!findSection(section, &header)) {
        std::size_t sectionLength = std::strlen(section);
        if (terminateLastLine() != VX_SUCCESS)
            return VX_ERROR;
        std::size_t pos = length_;
        if (splice(pos, 0, nullptr, sectionLength + keyLength + valueLength + 7) != VX_SUCCESS)
            return VX_ERROR;
        char* out = text_ + pos;
        *out++ = '[';
        std::memcpy(out, section, sectionLength);
        out += sectionLength;
        std::memcpy(out, "]\r\n", 3);
        out += 3;
        std::memcpy(out, key, keyLength);
        out += keyLength;
        *out++ = '=';
        std::memcpy(out, value, valueLength);
        std::memcpy(out + valueLength, CRLF, 2);
        return VX_SUCCESS;
    }
    std::size_t insertAt = 0;
    if (findKey(header, key, &entry, &insertAt)) {
        // Only the value changes; the key keeps its spelling, the blanks
        // after '=' stay, and so does the line's terminator.
        std::size_t valueStart = entry.equals + 1;
        while (valueStart < entry.contentEnd && isBlank(text_[valueStart]))
            ++valueStart;
        return splice(valueStart, entry.contentEnd - valueStart, value, valueLength);
    }
    if (insertAt == length_) {
        if (terminateLastLine() != VX_SUCCESS)
            return VX_ERROR;
        insertAt = length_;
    }
    if (splice(insertAt, 0, nullptr, keyLength + valueLength + 3) != VX_SUCCESS)
        return VX_ERROR;
    char* out = text_ + insertAt;
    std::memcpy(out, key, keyLength);
    out[keyLength] = '=';
    std::memcpy(out + keyLength + 1, value, valueLength);
    std::memcpy(out + keyLength + 1 + valueLength, CRLF, 2);
    return VX_SUCCESS;
}

bool VxIniDocument::deleteKey(const char* section, const char* key) {
    Line header, entry;
    std::size_t insertAt = 0;
    bool removed = false;
    while (findSection(section, &header) && findKey(header, key, &entry, &insertAt)) {
        (void)splice(entry.start, entry.next - entry.start, nullptr, 0);
        removed = true;
    }
    return removed;
}

bool VxIniDocument::deleteSection(const char* section, bool withSubSections) {
    std::size_t sectionLength = std::strlen(section);
    bool removed = false;
    Line line;
    std::size_t pos = 0;
    while (lineAt(pos, &line)) {
        bool match = line.kind == LINE_SECTION && nameIs(line, section);
        if (!match && withSubSections && line.kind == LINE_SECTION &&
            line.nameLength > sectionLength && text_[line.nameStart + sectionLength] == '\\')
            match = equalCi(text_ + line.nameStart, sectionLength, section, sectionLength);
        if (!match) {
            pos = line.next;
            continue;
        }
        (void)splice(line.start, sectionEnd(line) - line.start, nullptr, 0);
        removed = true;
    }
    return removed;
}
