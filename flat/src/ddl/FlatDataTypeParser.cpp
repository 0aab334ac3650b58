#include "flat/FlatDataTypeParser.h"

#include <cstring>

#include "flat/FlatConnection.h"
#include "parse/FlatSqlLexer.h"
#include "util/ram.h"
#include "util/str.h"

namespace {

constexpr std::size_t MAX_WORDS = 8;

// The `word`-th blank-separated word of `name` as [start, start + length);
// false when it has fewer words.
bool wordOf(const char* name, std::size_t word, const char** start, std::size_t* length) {
    const char* p = name;
    for (std::size_t i = 0;; ++i) {
        while (*p == ' ')
            ++p;
        if (!*p)
            return false;
        const char* begin = p;
        while (*p && *p != ' ')
            ++p;
        if (i == word) {
            *start = begin;
            *length = static_cast<std::size_t>(p - begin);
            return true;
        }
    }
}

bool wordEquals(const char* word, std::size_t length, const char* token) {
    return strEqualCi(word, length, token, std::strlen(token));
}

} // namespace

FlatDataTypeParser::FlatDataTypeParser(FlatConnection* connection, const BaseTypeInfo* types,
                                       std::uint16_t count)
    : connection_(connection), types_(types), typeCount_(types ? count : 0) {}

FlatDataTypeParser::~FlatDataTypeParser() {
    for (std::size_t i = 0; i < aliasCount_; ++i)
        ramFree(aliases_[i].text);
    ramFree(aliases_);
}

VxStatus FlatDataTypeParser::initialize() {
    return connection_ ? connection_->createAliases(this) : VX_SUCCESS;
}

VxStatus FlatDataTypeParser::addAlias(const char* name, std::uint16_t typeIndex) {
    void* grown = aliases_;
    if (ramResize(&grown, (aliasCount_ + 1) * sizeof(Name)))
        return VX_ERROR;
    aliases_ = static_cast<Name*>(grown);
    char* copy = ramAllocStr(name);
    if (!copy)
        return VX_ERROR;
    aliases_[aliasCount_++] = Name{copy, true, typeIndex};
    return VX_SUCCESS;
}

const FlatDataTypeParser::Name& FlatDataTypeParser::nameAt(std::size_t i) const {
    if (i < typeCount_) {
        row_ = Name{const_cast<char*>(types_[i].typeName), false, static_cast<std::uint16_t>(i)};
        return row_;
    }
    return aliases_[i - typeCount_];
}

VxStatus FlatDataTypeParser::match(FlatSqlLexer& lexer, std::uint16_t* typeIndex) {
    *typeIndex = NOT_FOUND;
    const char* start = lexer.getCursor();
    const std::size_t count = nameCount();
    if (count == 0)
        return VX_SUCCESS;
    bool* alive = static_cast<bool*>(ramAlloc(count * sizeof(bool)));
    if (!alive)
        return VX_ERROR;
    for (std::size_t i = 0; i < count; ++i)
        alive[i] = true;
    std::uint16_t found = NOT_FOUND;
    const char* foundEnd = start;
    VxStatus status = VX_SUCCESS;
    FlatSqlToken token;
    for (std::size_t word = 0; word < MAX_WORDS; ++word) {
        if ((status = lexer.next(&token, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE)) != VX_SUCCESS)
            break;
        bool any = false;
        for (std::size_t i = 0; i < count; ++i) {
            const char* w;
            std::size_t length;
            if (!alive[i])
                continue;
            const Name& name = nameAt(i);
            if (token.isEmpty() || !wordOf(name.text, word, &w, &length) ||
                !wordEquals(w, length, token.text())) {
                alive[i] = false;
                continue;
            }
            any = true;
            if (!wordOf(name.text, word + 1, &w, &length)) {
                // All its words read: the longest such name wins.
                found = name.typeIndex;
                foundEnd = lexer.getCursor();
            }
        }
        if (!any)
            break;
    }
    ramFree(alive);
    lexer.setCursor(foundEnd);
    *typeIndex = found;
    return status;
}
