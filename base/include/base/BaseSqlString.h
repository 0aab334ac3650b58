// BaseSqlString: the text of one SQL statement on its way from the
// application to the driver's compile hook.
//
// The text is either borrowed (the application's buffer, never written) or
// owned; every operation that rewrites the text makes it owned first
// (makeCopy), so a borrowed text is never changed. A text longer than a
// VxString can hold (65,535 bytes) can be scanned but not copied: makeCopy
// then fails with the foundation's string-limit message.
//
// After scanning the string knows:
//   - the verb (first word) and the kind of object (second word);
//   - the positions of the parameter markers "?" outside literals;
//   - the position of "FOR UPDATE" (0 when absent);
//   - the position and length of "WHERE CURRENT OF name" and the cursor
//     name (a word, or a quoted identifier with its quotes).
// Literals are delimited by the three quote characters (by default the
// apostrophe, the double quote and the back quote). Positions are byte
// offsets from the start of the text and follow the text through
// replaceSubString, stripParams and stripForUpdate.
#pragma once

#include <cstddef>
#include <cstdint>

#include "util/VxString.h"

enum VxSqlVerb : int {
    VX_SQL_ALTER = 1,
    VX_SQL_CREATE = 2,
    VX_SQL_DELETE = 3,
    VX_SQL_DROP = 4,
    VX_SQL_GRANT = 5,
    VX_SQL_INSERT = 6,
    VX_SQL_REVOKE = 7,
    VX_SQL_SELECT = 8,
    VX_SQL_UPDATE = 9,
    VX_SQL_OTHER = 10, // any other first word
    VX_SQL_NONE = 11,  // no word at all
};

enum BaseSqlObjectKind : int {
    BASE_OBJECT_TABLE = 1,
    BASE_OBJECT_INDEX = 2,
    BASE_OBJECT_VIEW = 3,
    BASE_OBJECT_SYNONYM = 4,
    BASE_OBJECT_OTHER = 5,
    BASE_OBJECT_NONE = 6,
};

// Flags of scanSql.
enum : unsigned {
    BASE_SCAN_MARKERS = 1u << 0,    // collect the parameter-marker positions
    BASE_SCAN_FOR_UPDATE = 1u << 1, // find FOR UPDATE
    BASE_SCAN_CURRENT_OF = 1u << 2, // find WHERE CURRENT OF name
    BASE_SCAN_ALL = 7u,
};

class VX_EXPORT BaseSqlString : public VxString {
public:
    // No marker position is ever this value.
    static constexpr std::uint32_t NO_POSITION = 0xFFFFFFFFu;

    BaseSqlString() = default;
    // Borrows `text`; `length` may be SQL_NTS (-3). Another negative
    // length gives an empty text (setText reports it).
    BaseSqlString(const char* text, long length);
    ~BaseSqlString() override;

    // Borrows `text` (SQL_NTS allowed); a negative length other than
    // SQL_NTS fails with S1090. Forgets what an earlier scan found.
    [[nodiscard]] VxStatus setText(const char* text, long length);
    // As setText, but the string owns a copy.
    [[nodiscard]] VxStatus setCopy(const char* text, long length);
    // Makes a borrowed text owned; nothing to do when it already is.
    [[nodiscard]] VxStatus makeCopy();
    bool isOwned() const { return ownsBuffer_; }
    // The NUL-terminated text. A borrowed text is copied first (the
    // application's buffer need not be terminated); "" when that copy
    // fails, so callers that must see the failure call makeCopy first.
    // data() and length() read the text without copying.
    const char* getText();
    // Whether the text is `length` bytes equal to `text`, byte for byte.
    bool isSameText(const char* text, std::size_t length) const;

    void setQuoteChars(char first, char second = 0, char third = 0);
    char getQuoteChar(unsigned index) const { return index < 3 ? quotes_[index] : 0; }
    bool isQuoteChar(char c) const {
        return c != 0 && (c == quotes_[0] || c == quotes_[1] || c == quotes_[2]);
    }

    // The verb from the first word (read on first use).
    VxSqlVerb getVerb();
    VxSubString getFirstWord();
    VxSubString getSecondWord();
    BaseSqlObjectKind getObjectKind();

    // Scans the text for what `flags` asks; the verb is always read.
    // FOR UPDATE and WHERE CURRENT OF are looked for only in SELECT,
    // UPDATE and DELETE statements, outside literals and parentheses.
    // Fails with 34000 (message 6051) when WHERE CURRENT OF is not
    // followed by a cursor name, or when memory runs out.
    [[nodiscard]] VxStatus scanSql(unsigned flags);

    std::uint16_t getMarkerCount() const { return markerCount_; }
    // NO_POSITION outside 0 .. getMarkerCount() - 1.
    std::uint32_t getMarkerPosition(std::uint16_t index) const;
    std::uint32_t getForUpdatePosition() const { return forUpdatePos_; }
    bool hasCurrentOf() const { return currentOfLength_ != 0; }
    std::uint32_t getCurrentOfPosition() const { return currentOfPos_; }
    std::uint32_t getCurrentOfLength() const { return currentOfLength_; }
    // The cursor name as written (a quoted name keeps its quotes).
    VxSubString getCursorName() const;
    std::uint32_t getCursorNamePosition() const { return cursorNamePos_; }

    // Removes every parameter marker from the text; the marker positions
    // then name the points where parameter values are to be inserted.
    // Markers already stripped are not stripped again.
    [[nodiscard]] VxStatus stripParams();
    bool areParamsStripped() const { return paramsStripped_; }
    // The number of bytes of the text that substitution keeps: the text
    // without its markers.
    std::uint32_t paramSubstFmtCnt() const;
    // Writes into `out` the text with the n-th marker replaced by
    // values[n] (count values, one for each marker).
    [[nodiscard]] VxStatus substituteParams(VxString& out, const VxSubString* values,
                                            std::uint16_t count);
    // Cuts "FOR UPDATE [OF column, ...]" from the text.
    [[nodiscard]] VxStatus stripForUpdate();
    // Replaces `oldLength` bytes at `pos` by `length` bytes of `text`
    // and moves the scanned positions behind the change with it; markers,
    // FOR UPDATE or WHERE CURRENT OF inside the replaced bytes are
    // forgotten.
    [[nodiscard]] VxStatus replaceSubString(std::uint32_t pos, std::uint32_t oldLength,
                                            const char* text, std::size_t length);
    using VxString::replaceSubString;

    // Forgets what scanning found (after the text was rewritten otherwise).
    void resetScan();

private:
    void readWords();
    VxStatus addMarker(std::uint32_t position);
    VxStatus scanClauses(unsigned flags);
    void shiftPositions(std::uint32_t pos, std::uint32_t oldLength, std::uint32_t newLength);

    char quotes_[3] = {'\'', '"', '`'};
    bool wordsRead_ = false;
    bool paramsStripped_ = false;
    VxSqlVerb verb_ = VX_SQL_NONE;
    BaseSqlObjectKind objectKind_ = BASE_OBJECT_NONE;
    std::uint32_t firstWordPos_ = 0;
    std::uint32_t firstWordLength_ = 0;
    std::uint32_t secondWordPos_ = 0;
    std::uint32_t secondWordLength_ = 0;
    std::uint32_t* markers_ = nullptr;
    std::uint16_t markerCount_ = 0;
    std::uint16_t markerCapacity_ = 0;
    std::uint32_t forUpdatePos_ = 0;
    std::uint32_t currentOfPos_ = 0;
    std::uint32_t currentOfLength_ = 0;
    std::uint32_t cursorNamePos_ = 0;
    std::uint32_t cursorNameLength_ = 0;
};
