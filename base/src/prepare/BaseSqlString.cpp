// BaseSqlString: text ownership, words, markers and rewriting. The clause
// scan (FOR UPDATE, WHERE CURRENT OF) is in BaseSqlScan.cpp.
#include "base/BaseSqlString.h"

#include <sql.h>

#include <cstring>

#include "base/BaseErrors.h"
#include "util/VxScanner.h"
#include "util/ram.h"
#include "util/str.h"

namespace {

// The most parameters a statement may have.
constexpr std::uint16_t MAX_MARKERS = 16384;

const char* const VERB_WORDS[] = {"ALTER",  "CREATE", "DELETE", "DROP",  "GRANT",
                                  "INSERT", "REVOKE", "SELECT", "UPDATE"};
const char* const OBJECT_WORDS[] = {"TABLE", "INDEX", "VIEW", "SYNONYM"};

bool lengthFromOdbc(const char* text, long length, std::size_t& out) {
    if (length == SQL_NTS) {
        out = text ? std::strlen(text) : 0;
        return true;
    }
    if (length < 0)
        return false;
    out = text ? static_cast<std::size_t>(length) : 0;
    return true;
}

} // namespace

BaseSqlString::BaseSqlString(const char* text, long length) {
    std::size_t size = 0;
    if (lengthFromOdbc(text, length, size))
        set(text, size);
}

BaseSqlString::~BaseSqlString() {
    ramFree(markers_);
}

VxStatus BaseSqlString::setText(const char* text, long length) {
    std::size_t size = 0;
    if (!lengthFromOdbc(text, length, size)) {
        addOdbcError(ODBC_S1090);
        return VX_ERROR;
    }
    unInitialize();
    resetScan();
    set(text, size);
    return VX_SUCCESS;
}

VxStatus BaseSqlString::setCopy(const char* text, long length) {
    if (setText(text, length) != VX_SUCCESS)
        return VX_ERROR;
    return makeCopy();
}

VxStatus BaseSqlString::makeCopy() {
    if (ownsBuffer_)
        return VX_SUCCESS;
    const char* text = ptr_;
    std::uint32_t length = length_;
    // initialize() frees nothing of a borrowed text: it only forgets it.
    ptr_ = nullptr;
    capacity_ = 0;
    length_ = 0;
    if (initialize(text ? text : "", length) != VX_SUCCESS) {
        set(text, length); // keep the borrowed view usable
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

const char* BaseSqlString::getText() {
    if (!ownsBuffer_ && makeCopy() != VX_SUCCESS)
        return "";
    return VxString::getText();
}

bool BaseSqlString::isSameText(const char* text, std::size_t length) const {
    return length == length_ && (length == 0 || std::memcmp(text, ptr_, length) == 0);
}

void BaseSqlString::setQuoteChars(char first, char second, char third) {
    quotes_[0] = first;
    quotes_[1] = second;
    quotes_[2] = third;
}

void BaseSqlString::resetScan() {
    wordsRead_ = false;
    paramsStripped_ = false;
    verb_ = VX_SQL_NONE;
    objectKind_ = BASE_OBJECT_NONE;
    firstWordPos_ = firstWordLength_ = secondWordPos_ = secondWordLength_ = 0;
    markerCount_ = 0;
    forUpdatePos_ = 0;
    currentOfPos_ = currentOfLength_ = 0;
    cursorNamePos_ = cursorNameLength_ = 0;
}

void BaseSqlString::readWords() {
    wordsRead_ = true;
    VxScanner scanner(ptr_ ? ptr_ : "", length_);
    scanner.setQuoteChars(quotes_[0], quotes_[1], quotes_[2]);
    VxToken token;
    std::int32_t kind = scanner.getToken(token);
    verb_ = kind == VX_TOKEN_END ? VX_SQL_NONE : VX_SQL_OTHER;
    objectKind_ = BASE_OBJECT_NONE;
    if (kind != VX_TOKEN_WORD)
        return;
    firstWordPos_ = token.getPosition();
    firstWordLength_ = token.length();
    std::uint16_t index = token.indexInSetCi(VERB_WORDS, 9);
    verb_ = index < 9 ? static_cast<VxSqlVerb>(index + 1) : VX_SQL_OTHER;
    kind = scanner.getToken(token);
    if (kind == VX_TOKEN_END)
        return;
    objectKind_ = BASE_OBJECT_OTHER;
    if (kind != VX_TOKEN_WORD)
        return;
    secondWordPos_ = token.getPosition();
    secondWordLength_ = token.length();
    index = token.indexInSetCi(OBJECT_WORDS, 4);
    objectKind_ = index < 4 ? static_cast<BaseSqlObjectKind>(index + 1) : BASE_OBJECT_OTHER;
}

VxSqlVerb BaseSqlString::getVerb() {
    if (!wordsRead_)
        readWords();
    return verb_;
}

VxSubString BaseSqlString::getFirstWord() {
    if (!wordsRead_)
        readWords();
    return VxSubString(ptr_ + firstWordPos_, firstWordLength_);
}

VxSubString BaseSqlString::getSecondWord() {
    if (!wordsRead_)
        readWords();
    return VxSubString(ptr_ + secondWordPos_, secondWordLength_);
}

BaseSqlObjectKind BaseSqlString::getObjectKind() {
    if (!wordsRead_)
        readWords();
    return objectKind_;
}

std::uint32_t BaseSqlString::getMarkerPosition(std::uint16_t index) const {
    return index < markerCount_ ? markers_[index] : NO_POSITION;
}

VxSubString BaseSqlString::getCursorName() const {
    return VxSubString(ptr_ + cursorNamePos_, cursorNameLength_);
}

VxStatus BaseSqlString::addMarker(std::uint32_t position) {
    if (markerCount_ >= MAX_MARKERS) {
        addOdbcError(ODBC_S1002, 6058) << static_cast<unsigned long>(markerCount_ + 1)
                                       << static_cast<unsigned long>(MAX_MARKERS);
        return VX_ERROR;
    }
    if (markerCount_ == markerCapacity_) {
        std::uint16_t capacity = markerCapacity_ ? markerCapacity_ * 2 : 16;
        if (capacity > MAX_MARKERS)
            capacity = MAX_MARKERS;
        void* block = markers_;
        std::size_t bytes = capacity * sizeof(std::uint32_t);
        if (block == nullptr) {
            block = ramAlloc(bytes);
            if (block == nullptr)
                return VX_ERROR;
        } else if (ramResize(&block, bytes) != VX_SUCCESS) {
            return VX_ERROR;
        }
        markers_ = static_cast<std::uint32_t*>(block);
        markerCapacity_ = capacity;
    }
    markers_[markerCount_++] = position;
    return VX_SUCCESS;
}

VxStatus BaseSqlString::scanSql(unsigned flags) {
    resetScan();
    readWords();
    return scanClauses(flags);
}

void BaseSqlString::shiftPositions(std::uint32_t pos, std::uint32_t oldLength,
                                   std::uint32_t newLength) {
    std::uint32_t end = pos + oldLength;
    auto shift = [&](std::uint32_t& at) { at = at - oldLength + newLength; };
    std::uint16_t kept = 0;
    for (std::uint16_t i = 0; i < markerCount_; ++i) {
        std::uint32_t at = markers_[i];
        // A stripped marker is an insertion point: one at `pos` itself
        // stays in front of text inserted there.
        bool inside = paramsStripped_ ? (at > pos && at < end) : (at >= pos && at < end);
        if (inside)
            continue;
        if (at >= end && !(paramsStripped_ && at == pos))
            shift(at);
        markers_[kept++] = at;
    }
    markerCount_ = kept;
    if (forUpdatePos_ != 0) {
        if (forUpdatePos_ >= pos && forUpdatePos_ < end)
            forUpdatePos_ = 0;
        else if (forUpdatePos_ >= end)
            shift(forUpdatePos_);
    }
    if (currentOfLength_ != 0) {
        if (currentOfPos_ >= end) {
            shift(currentOfPos_);
            shift(cursorNamePos_);
        } else if (currentOfPos_ + currentOfLength_ > pos) {
            currentOfPos_ = currentOfLength_ = cursorNamePos_ = cursorNameLength_ = 0;
        }
    }
    wordsRead_ = false;
}

VxStatus BaseSqlString::replaceSubString(std::uint32_t pos, std::uint32_t oldLength,
                                         const char* text, std::size_t length) {
    if (pos > length_ || oldLength > length_ - pos)
        return VX_SUCCESS; // nothing of the text lies there
    if (makeCopy() != VX_SUCCESS || changeBytes(pos, oldLength, text, length) != VX_SUCCESS)
        return VX_ERROR;
    shiftPositions(pos, oldLength, static_cast<std::uint32_t>(length));
    return VX_SUCCESS;
}

VxStatus BaseSqlString::stripParams() {
    if (paramsStripped_ || markerCount_ == 0) {
        paramsStripped_ = true;
        return VX_SUCCESS;
    }
    if (makeCopy() != VX_SUCCESS)
        return VX_ERROR;
    // Remove from the back so that earlier positions stay valid, then
    // move each insertion point left by the markers removed before it.
    for (std::uint16_t i = markerCount_; i-- > 0;)
        static_cast<void>(changeBytes(markers_[i], 1, nullptr, 0));
    for (std::uint16_t i = 0; i < markerCount_; ++i)
        markers_[i] -= i;
    if (forUpdatePos_ != 0 || currentOfLength_ != 0) {
        std::uint16_t before = 0;
        while (before < markerCount_ && markers_[before] + before < forUpdatePos_)
            ++before;
        forUpdatePos_ = forUpdatePos_ ? forUpdatePos_ - before : 0;
        before = 0;
        while (before < markerCount_ && markers_[before] + before < currentOfPos_)
            ++before;
        if (currentOfLength_ != 0) {
            currentOfPos_ -= before;
            cursorNamePos_ -= before;
        }
    }
    wordsRead_ = false;
    paramsStripped_ = true;
    return VX_SUCCESS;
}

std::uint32_t BaseSqlString::paramSubstFmtCnt() const {
    return paramsStripped_ ? length_ : length_ - markerCount_;
}

VxStatus BaseSqlString::substituteParams(VxString& out, const VxSubString* values,
                                         std::uint16_t count) {
    if (count < markerCount_) {
        addOdbcError(ODBC_07001, 6012) << static_cast<unsigned long>(count + 1);
        return VX_ERROR;
    }
    if (count > markerCount_) {
        addOdbcError(ODBC_07001);
        return VX_ERROR;
    }
    std::size_t total = paramSubstFmtCnt();
    for (std::uint16_t i = 0; i < count; ++i)
        total += values[i].length();
    if (out.initialize(total) != VX_SUCCESS)
        return VX_ERROR;
    std::uint32_t from = 0;
    std::uint32_t skipMarker = paramsStripped_ ? 0 : 1;
    for (std::uint16_t i = 0; i < count; ++i) {
        std::uint32_t at = markers_[i];
        if (out.concat(ptr_ + from, at - from) != VX_SUCCESS || out.concat(values[i]) != VX_SUCCESS)
            return VX_ERROR;
        from = at + skipMarker;
    }
    return out.concat(ptr_ + from, length_ - from);
}
