// VxQueryFile: reading, parsing and saving the file.
#include "util/VxQueryFile.h"

#include <cstring>

#include "error/utlMessages.h"
#include "util/VxFileByLine.h"
#include "util/bos.h"
#include "util/ram.h"
#include "util/str.h"

namespace {

constexpr std::size_t QUERY_LINE_BUFFER = 2048;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
char upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// The first line, read word by word.
struct FirstLine {
    const char* text;
    std::size_t length;
    std::size_t pos = 0;
    void skipBlanks() {
        while (pos < length && isBlank(text[pos]))
            ++pos;
    }
    // A word of letters, digits, '+' and '&'.
    bool word(const char* expected) {
        skipBlanks();
        std::size_t start = pos;
        while (pos < length && !isBlank(text[pos]) && text[pos] != '(' && text[pos] != '.')
            ++pos;
        std::size_t wordLength = pos - start;
        if (wordLength != std::strlen(expected))
            return false;
        for (std::size_t i = 0; i < wordLength; ++i)
            if (upper(text[start + i]) != upper(expected[i]))
                return false;
        return true;
    }
    bool number(int* value) {
        if (pos >= length || !isDigit(text[pos]))
            return false;
        long result = 0;
        while (pos < length && isDigit(text[pos]))
            if ((result = result * 10 + (text[pos++] - '0')) > 32767)
                return false;
        *value = static_cast<int>(result);
        return true;
    }
};

// Trims a view of a line (terminator included) to its text.
void trimmed(const VxSubString& line, const char** text, std::size_t* length) {
    const char* start = line.data();
    std::size_t size = line.length();
    while (size > 0 && isBlank(start[size - 1]))
        --size;
    while (size > 0 && isBlank(*start))
        ++start, --size;
    *text = start;
    *length = size;
}

bool isHeader(const char* text, std::size_t length) {
    return length >= 2 && text[0] == '[' && text[length - 1] == ']';
}

} // namespace

VxStatus VxQueryFile::create(const char* databaseType, int scrambling) {
    clear();
    scrambling_ = scrambling;
    return databaseType_.initialize(databaseType);
}

VxStatus VxQueryFile::parseFirstLine(const char* text, std::size_t length) {
    FirstLine line{text, length};
    bool ok = line.word("Vx+") || (line.pos = 0, line.word("Vx&"));
    if (ok)
        std::memcpy(productWord_, text + line.pos - 3, 3);
    formatLevel_ = 1;
    line.skipBlanks();
    if (ok && line.number(&formatLevel_)) {
        int minor = 0;
        for (int part = 1; ok && part < 3 && line.pos < length && text[line.pos] == '.'; ++part) {
            ++line.pos;
            ok = line.number(&minor);
        }
    }
    ok = ok && line.word("for");
    line.skipBlanks();
    std::size_t typeStart = line.pos;
    while (ok && line.pos < length && text[line.pos] != '(')
        ++line.pos;
    std::size_t typeEnd = line.pos;
    while (typeEnd > typeStart && isBlank(text[typeEnd - 1]))
        --typeEnd;
    ok = ok && typeEnd > typeStart;
    if (ok && line.pos < length) {
        ++line.pos;
        line.skipBlanks();
        ok = line.number(&scrambling_);
        line.skipBlanks();
        ok = ok && line.pos < length && text[line.pos++] == ')';
        line.skipBlanks();
        ok = ok && line.pos == length;
    }
    if (!ok || databaseType_.initialize(text + typeStart, typeEnd - typeStart) != VX_SUCCESS) {
        VxString shown;
        if (shown.initialize(text, length) == VX_SUCCESS)
            addError(2720) << shown.getText();
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus VxQueryFile::readBody(VxFileByLine& lines) {
    VxSubString line;
    const char* text = nullptr;
    std::size_t length = 0;
    if (lines.getNextNonBlankLine(&line) != VX_SUCCESS)
        return VX_ERROR;
    trimmed(line, &text, &length);
    if (length > 4 && std::strncmp(text, "use", 3) == 0 && isBlank(text[3])) {
        std::size_t skip = 4;
        while (skip < length && isBlank(text[skip]))
            ++skip;
        if (databaseName_.initialize(text + skip, length - skip) != VX_SUCCESS)
            return VX_ERROR;
    } else {
        lines.ungetLine();
    }
    VxString body;
    char* sectionName = nullptr;
    VxStatus status = VX_SUCCESS;
    while (status == VX_SUCCESS && lines.getNextLine(&line) == VX_SUCCESS) {
        trimmed(line, &text, &length);
        bool end = lines.isAtEnd();
        if (!end && !isHeader(text, length)) {
            if (formatLevel_ >= 2 || sectionName)
                status = body.concat(line.data(), line.length());
            continue;
        }
        if (sectionName)
            status = setSection(sectionName, body.getText(), body.length());
        else if (formatLevel_ >= 2)
            status = statement_.initialize(body.getText(), body.length());
        ramFree(sectionName);
        sectionName = nullptr;
        body.setLength(0);
        if (end)
            break;
        sectionName = ramAllocStr(text + 1, length - 2);
        if (!sectionName)
            status = VX_ERROR;
    }
    ramFree(sectionName);
    // The statement keeps no trailing line break.
    while (statement_.length() > 0 && isBlank(statement_.data()[statement_.length() - 1]))
        statement_.setLength(statement_.length() - 1);
    return status;
}

VxStatus VxQueryFile::open(const char* fileName) {
    clear();
    fileName_ = ramAllocStr(fileName);
    VxFileByLine lines;
    if (!fileName_ || lines.openFile(fileName, QUERY_LINE_BUFFER) != VX_SUCCESS)
        return VX_ERROR;
    lines.setKeepCrLf(false);
    VxSubString line;
    if (lines.getNextLine(&line) != VX_SUCCESS)
        return VX_ERROR;
    const char* text = nullptr;
    std::size_t length = 0;
    trimmed(line, &text, &length);
    if (parseFirstLine(text, length) != VX_SUCCESS)
        return VX_ERROR;
    lines.setKeepCrLf(true);
    lines.setScrambling(scrambling_);
    if (readBody(lines) != VX_SUCCESS)
        return VX_ERROR;
    return lines.closeFile();
}

namespace {

// Writes lines scrambled with `method`, each followed by CR LF.
struct LineWriter {
    int handle;
    int method;
    std::int64_t offset = 0;
    VxStatus write(const char* text, std::size_t length) {
        VxString copy;
        if (copy.initialize(text, length) != VX_SUCCESS)
            return VX_ERROR;
        encrypt(copy.getBuffer(), length, method, nullptr);
        if (bosFileWrite(handle, offset, copy.getBuffer(), length) != VX_SUCCESS)
            return VX_ERROR;
        offset += static_cast<std::int64_t>(length);
        return VX_SUCCESS;
    }
    // Text that may hold several lines: each ends in CR LF.
    VxStatus writeLines(const char* text, std::size_t length) {
        for (std::size_t start = 0; start < length;) {
            std::size_t end = start;
            while (end < length && text[end] != '\n')
                ++end;
            std::size_t contentEnd = (end > start && text[end - 1] == '\r') ? end - 1 : end;
            if (write(text + start, contentEnd - start) != VX_SUCCESS ||
                write("\r\n", 2) != VX_SUCCESS)
                return VX_ERROR;
            start = end + 1;
        }
        return VX_SUCCESS;
    }
};

} // namespace

VxStatus VxQueryFile::formatFirstLine(VxString* line) const {
    VxString* type = const_cast<VxString*>(&databaseType_);
    if (line->initialize(productWord_) != VX_SUCCESS || line->concat(' ') != VX_SUCCESS ||
        line->concat(static_cast<long>(formatLevel_)) != VX_SUCCESS ||
        line->concat(".0 for ") != VX_SUCCESS || line->concat(type->getText()) != VX_SUCCESS)
        return VX_ERROR;
    if (scrambling_ != 0 && (line->concat(" (") != VX_SUCCESS ||
                             line->concat(static_cast<long>(scrambling_)) != VX_SUCCESS ||
                             line->concat(')') != VX_SUCCESS))
        return VX_ERROR;
    return line->concat("\r\n");
}

VxStatus VxQueryFile::writeTo(const char* fileName) const {
    int handle = 0;
    if (bosFileOpen(fileName, BOS_OPEN_CREATE | BOS_OPEN_READWRITE, &handle) != VX_SUCCESS)
        return VX_ERROR;
    VxString first;
    VxStatus status = formatFirstLine(&first);
    LineWriter writer{handle, 0};
    if (status == VX_SUCCESS)
        status = writer.write(first.data(), first.length());
    writer.method = scrambling_;
    if (status == VX_SUCCESS && databaseName_.length() > 0) {
        VxString use;
        status = use.initialize("use ") == VX_SUCCESS && use.concat(databaseName_) == VX_SUCCESS
                     ? writer.writeLines(use.data(), use.length())
                     : VX_ERROR;
    }
    if (status == VX_SUCCESS && statement_.length() > 0)
        status = writer.writeLines(statement_.data(), statement_.length());
    for (Section* section = sections_; status == VX_SUCCESS && section; section = section->next) {
        VxString header;
        status = header.initialize("[") == VX_SUCCESS &&
                         header.concat(section->name) == VX_SUCCESS &&
                         header.concat("]") == VX_SUCCESS
                     ? writer.writeLines(header.data(), header.length())
                     : VX_ERROR;
        if (status == VX_SUCCESS)
            status = writer.writeLines(section->text, section->length);
    }
    VxStatus closed = bosFileClose(handle);
    return status == VX_SUCCESS ? closed : VX_ERROR;
}

VxStatus VxQueryFile::saveAs(const char* fileName) {
    char* copy = ramAllocStr(fileName);
    if (!copy)
        return VX_ERROR;
    ramFree(fileName_);
    fileName_ = copy;
    return save();
}

VxStatus VxQueryFile::save() {
    if (!fileName_) {
        addError(2721) << "";
        return VX_ERROR;
    }
    VxString newName;
    if (newName.initialize(fileName_) != VX_SUCCESS || newName.concat(".new") != VX_SUCCESS)
        return VX_ERROR;
    if (writeTo(newName.getText()) != VX_SUCCESS) {
        (void)bosFileDelete(newName.getText());
        return VX_ERROR;
    }
    // The rename replaces the old file in one step, so it is never missing.
    VxErrorList scratch(nullptr, 0);
    VxStatus status;
    {
        VxErrorListScope scope(&scratch);
        status = bosrname(newName.getText(), fileName_);
    }
    if (status != VX_SUCCESS) {
        (void)bosFileDelete(newName.getText());
        addError(2721) << fileName_;
        return VX_ERROR;
    }
    return VX_SUCCESS;
}
