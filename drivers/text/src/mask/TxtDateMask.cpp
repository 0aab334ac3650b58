// Compiling mask texts and turning compiled masks back into text.
#include "mask/TxtDateMask.h"

#include <cstring>

#include "error/TxtErrors.h"
#include "util/str.h"

namespace {

const char SEPARATORS[] = "/-.:, ";

// 0 all lower case, 1 first upper and the rest lower, 2 all upper, -1 mixed.
int caseForm(const char* run, std::size_t count) {
    bool firstUpper = run[0] >= 'A' && run[0] <= 'Z';
    bool restUpper = true;
    bool restLower = true;
    for (std::size_t i = 1; i < count; ++i) {
        bool upper = run[i] >= 'A' && run[i] <= 'Z';
        restUpper = restUpper && upper;
        restLower = restLower && !upper;
    }
    if (!firstUpper && restLower)
        return 0;
    if (firstUpper && restLower)
        return 1;
    if (firstUpper && restUpper)
        return 2;
    return -1;
}

// The text of a code other than ESCAPED and QUOTED.
const char* codeText(std::uint8_t code) {
    static const char* const texts[] = {nullptr, "m",    "mm",   "mmm", "Mmm",  "MMM", "mmmm",
                                        "Mmmm",  "MMMM", "d",    "dd",  "ddd",  "Ddd", "DDD",
                                        "dddd",  "Dddd", "DDDD", "yy",  "yyyy", "J",   "/",
                                        "-",     ".",    ":",    ",",   " "};
    return code < sizeof texts / sizeof texts[0] ? texts[code] : nullptr;
}

} // namespace

bool TxtDateMask::append(std::uint8_t code) {
    if (length_ >= TXT_DATE_MASK_MAX)
        return false;
    codes_[length_++] = code;
    return true;
}

// A run of one mask letter; returns 0 or the number of the message that
// rejects it.
unsigned short TxtDateMask::compileRun(const char* run, std::size_t count, char letter) {
    int form = caseForm(run, count);
    std::uint8_t code = 0;
    if (letter == 'y') {
        if (count == 2)
            code = YEAR2;
        else if (count == 4)
            code = YEAR4;
    } else {
        bool month = letter == 'm';
        if (count <= 2) {
            code = static_cast<std::uint8_t>((month ? MONTH : DAY) + count - 1);
        } else if (count == 3) {
            if (form < 0)
                return month ? TXT_MSG_MASK_MONTH_ABBREV : TXT_MSG_MASK_DAY_ABBREV;
            code = static_cast<std::uint8_t>((month ? MONTH_ABBREV_LOWER : WEEKDAY_ABBREV_LOWER) +
                                             form);
        } else if (count == 4) {
            if (form < 0)
                return month ? TXT_MSG_MASK_MONTH_NAME : TXT_MSG_MASK_DAY_NAME;
            code =
                static_cast<std::uint8_t>((month ? MONTH_NAME_LOWER : WEEKDAY_NAME_LOWER) + form);
        }
    }
    if (code == 0 || !append(code))
        return TXT_MSG_MASK_INVALID;
    return 0;
}

bool TxtDateMask::tryCompile(const char* text, std::size_t length, unsigned short* messageId) {
    length_ = 0;
    *messageId = 0;
    std::size_t i = 0;
    while (i < length && *messageId == 0) {
        char c = text[i];
        char letter = static_cast<char>(vxToLower(static_cast<unsigned char>(c)));
        const char* separator = c ? std::strchr(SEPARATORS, c) : nullptr;
        if (letter == 'm' || letter == 'd' || letter == 'y') {
            std::size_t count = 1;
            while (i + count < length && vxToLower(static_cast<unsigned char>(text[i + count])) ==
                                             static_cast<unsigned char>(letter))
                ++count;
            *messageId = compileRun(text + i, count, letter);
            i += count;
        } else if (c == 'J' || separator) {
            if (!append(static_cast<std::uint8_t>(
                    c == 'J' ? int{JULIAN} : SEPARATOR_SLASH + (separator - SEPARATORS))))
                *messageId = TXT_MSG_MASK_INVALID;
            ++i;
        } else if (c == '\\') {
            if (i + 1 >= length || !append(ESCAPED) ||
                !append(static_cast<std::uint8_t>(text[i + 1])))
                *messageId = TXT_MSG_MASK_INVALID;
            i += 2;
        } else if (c == '"' || c == '\'') {
            const void* end = std::memchr(text + i + 1, c, length - i - 1);
            if (!end) {
                *messageId = TXT_MSG_MASK_NO_END_QUOTE;
                break;
            }
            std::size_t count = static_cast<const char*>(end) - (text + i + 1);
            if (count > 0 && (length_ + 2 + count > TXT_DATE_MASK_MAX || !append(QUOTED) ||
                              !append(static_cast<std::uint8_t>(count))))
                *messageId = TXT_MSG_MASK_INVALID;
            for (std::size_t k = 0; k < count && *messageId == 0; ++k)
                append(static_cast<std::uint8_t>(text[i + 1 + k]));
            i += count + 2;
        } else {
            *messageId = TXT_MSG_MASK_INVALID;
        }
    }
    if (*messageId == 0 && length_ == 0)
        *messageId = TXT_MSG_MASK_INVALID;
    if (*messageId != 0)
        length_ = 0;
    readsYearAndMonth_ = readsYearAndMonth();
    fixedWidth_ = fixedWidth();
    return *messageId == 0;
}

VxStatus TxtDateMask::compile(const char* text, std::size_t length) {
    unsigned short messageId;
    if (tryCompile(text, length, &messageId))
        return VX_SUCCESS;
    txtAddError(ODBC_37000, messageId);
    return VX_ERROR;
}

VxStatus TxtDateMask::compile(const char* text) {
    return compile(text, std::strlen(text));
}

bool TxtDateMask::operator==(const TxtDateMask& other) const {
    return length_ == other.length_ && std::memcmp(codes_, other.codes_, length_) == 0;
}

VxStatus TxtDateMask::toText(VxString* out) const {
    char previousLetter = 0;
    for (std::size_t i = 0; i < length_; ++i) {
        std::uint8_t code = codes_[i];
        if (code == ESCAPED && i + 1 < length_) {
            if (out->concat('\\') || out->concat(static_cast<char>(codes_[++i])))
                return VX_ERROR;
            previousLetter = 0;
            continue;
        }
        if (code == QUOTED && i + 1 < length_) {
            std::size_t count = codes_[i + 1];
            const char* quoted = reinterpret_cast<const char*>(codes_ + i + 2);
            char quote = std::memchr(quoted, '"', count) ? '\'' : '"';
            if (out->concat(quote) || out->concat(quoted, count) || out->concat(quote))
                return VX_ERROR;
            i += 1 + count;
            previousLetter = 0;
            continue;
        }
        const char* text = codeText(code);
        if (!text)
            continue;
        // Two runs of one letter in a row would read back as one run: keep
        // them apart with an empty quoted text.
        char letter = static_cast<char>(vxToLower(static_cast<unsigned char>(text[0])));
        if (letter == previousLetter && out->concat("\"\""))
            return VX_ERROR;
        previousLetter = (letter == 'm' || letter == 'd' || letter == 'y') ? letter : 0;
        if (out->concat(text))
            return VX_ERROR;
    }
    return VX_SUCCESS;
}
