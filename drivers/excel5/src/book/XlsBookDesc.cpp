#include "book/XlsBookDesc.h"

#include <cstring>

#include "error/XlsErrors.h"
#include "record/XlsCellBuffer.h"
#include "util/bos.h"

namespace {

constexpr char BOOK_STREAM[] = "Book";
constexpr char NEWER_STREAM[] = "Workbook";
constexpr std::uint16_t NAME_BUILT_IN = 0x0020;
constexpr std::uint8_t BUILT_IN_DATABASE = 4;
constexpr std::uint8_t TOKEN_AREA_3D = 0x3B;
constexpr std::size_t AREA_3D_SIZE = 21; // token and its 20 bytes
constexpr std::size_t NAME_FIXED = 14;   // the NAME fields before the name text
constexpr std::uint16_t ROW_LIMIT = 0x4000;

std::uint16_t get16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t get32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

bool sameName(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        char x = *a >= 'a' && *a <= 'z' ? static_cast<char>(*a - 32) : *a;
        char y = *b >= 'a' && *b <= 'z' ? static_cast<char>(*b - 32) : *b;
        if (x != y)
            return false;
    }
    return *a == *b;
}

} // namespace

XlsBookDesc::~XlsBookDesc() {
    delete book_;
}

VxStatus XlsBookDesc::open(const char* path) {
    if (path_.initialize(path) != VX_SUCCESS || bosfpath(&path_) != VX_SUCCESS)
        return VX_ERROR;
    XlsStorageResult result = storage_.open(path_.getText());
    if (result.ok())
        result = storage_.openStream(BOOK_STREAM, &book_);
    if (result.status == XLS_STORAGE_NO_STREAM) {
        // Excel 97 and later keep their records in a "Workbook" stream:
        // such a workbook is refused as a format this driver does not read.
        XlsStream* newer = nullptr;
        if (storage_.openStream(NEWER_STREAM, &newer).ok()) {
            delete newer;
            xlsAddFileError(XLS_MSG_NOT_EXCEL, path_.getText());
            return VX_ERROR;
        }
    }
    if (!result.ok()) {
        xlsAddStorageError(result, path_.getText(), BOOK_STREAM);
        return VX_ERROR;
    }
    return readGlobals();
}

VxStatus XlsBookDesc::readGlobals() {
    XlsCellBuffer buffer(book_, path_.getText());
    if (buffer.readBof(0) != VX_SUCCESS)
        return VX_ERROR;
    std::uint64_t offset = buffer.getNextOffset();
    for (;;) {
        bool atEnd = false;
        if (buffer.readRecord(offset, &atEnd) != VX_SUCCESS)
            return VX_ERROR;
        if (atEnd || buffer.getNumber() == XLS_REC_EOF)
            return VX_SUCCESS;
        const std::uint8_t* body = buffer.getBody();
        std::size_t length = buffer.getLength();
        VxStatus status = VX_SUCCESS;
        switch (buffer.getNumber()) {
        case XLS_REC_FILEPASS:
            xlsAddFileError(XLS_MSG_PASSWORD, path_.getText());
            return VX_ERROR;
        case XLS_REC_DATEMODE:
            if (length >= 2)
                is1904_ = get16(body) == 1;
            break;
        case XLS_REC_BOUNDSHEET:
            if (length >= 4)
                status = sheets_.add(get32(body));
            break;
        case XLS_REC_XF:
            if (length >= 4)
                status = formats_.add(get16(body + 2));
            break;
        case XLS_REC_NAME:
            status = addName(body, length);
            break;
        default:
            break;
        }
        if (status != VX_SUCCESS)
            return VX_ERROR;
        offset = buffer.getNextOffset();
    }
}

// NAME body: option flags (2), shortcut key (1), name length (1), formula
// length (2), a 16-bit field at 6, sheet of a local name (2), four lengths
// of menu and help texts (4), the name, then the formula. A 3-D area is
// the token, a reference index (2), 8 unused bytes, first and last sheet,
// first and last row (2 each), first and last column (1 each).
VxStatus XlsBookDesc::addName(const std::uint8_t* body, std::size_t length) {
    if (length < NAME_FIXED)
        return VX_SUCCESS;
    std::uint16_t flags = get16(body);
    std::size_t nameLength = body[3], formulaLength = get16(body + 4);
    if (NAME_FIXED + nameLength + formulaLength > length || nameLength == 0)
        return VX_SUCCESS;
    const std::uint8_t* text = body + NAME_FIXED;
    bool database = (flags & NAME_BUILT_IN) && text[0] == BUILT_IN_DATABASE;
    if ((flags != 0 && !database) || get16(body + 6) != 0)
        return VX_SUCCESS;
    const std::uint8_t* formula = text + nameLength;
    if (formulaLength < AREA_3D_SIZE || formula[0] != TOKEN_AREA_3D)
        return VX_SUCCESS;
    XlsNameDesc name{};
    std::uint16_t firstSheet = get16(formula + 11), lastSheet = get16(formula + 13);
    name.firstRow = get16(formula + 15);
    name.lastRow = get16(formula + 17);
    name.firstColumn = formula[19];
    name.lastColumn = formula[20];
    if (firstSheet != lastSheet || name.firstRow >= ROW_LIMIT || name.lastRow >= ROW_LIMIT)
        return VX_SUCCESS;
    name.sheet = firstSheet;
    if (database) {
        std::strcpy(name.name, "Database");
    } else {
        std::size_t kept = nameLength < XLS_MAX_NAME ? nameLength : XLS_MAX_NAME;
        std::memcpy(name.name, text, kept);
        name.name[kept] = '\0';
    }
    return names_.add(name);
}

const XlsNameDesc* XlsBookDesc::findName(const char* name) const {
    for (std::size_t i = 0; i < names_.size(); ++i)
        if (sameName(names_[i].name, name))
            return &names_[i];
    return nullptr;
}
