// FlatParamList: finding and typing the parameter markers of a statement.
#include "parse/FlatParamList.h"

#include "parse/FlatSqlLexer.h"
#include "util/ram.h"

FlatParamList::~FlatParamList() {
    clear();
}

void FlatParamList::clear() {
    ramFree(offsets_);
    ramFree(types_);
    offsets_ = nullptr;
    types_ = nullptr;
    count_ = 0;
}

VxStatus FlatParamList::scan(const char* text) {
    clear();
    std::size_t capacity = 0;
    FlatSqlLexer lexer(text);
    FlatSqlToken token;
    for (;;) {
        if (lexer.next(&token, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE) != VX_SUCCESS)
            return VX_ERROR;
        if (token.isEmpty())
            return VX_SUCCESS;
        if (token.first() != '?')
            continue;
        if (count_ == 0xFFFF)
            return VX_SUCCESS;
        if (count_ == capacity) {
            capacity = capacity ? capacity * 2 : 8;
            void* offsets = offsets_;
            void* types = types_;
            if (ramResize(&offsets, capacity * sizeof *offsets_) != VX_SUCCESS)
                return VX_ERROR;
            offsets_ = static_cast<std::uint32_t*>(offsets);
            if (ramResize(&types, capacity * sizeof *types_) != VX_SUCCESS)
                return VX_ERROR;
            types_ = static_cast<short*>(types);
        }
        offsets_[count_] = static_cast<std::uint32_t>(token.getOffset());
        types_[count_] = FLAT_TYPE_PARAM;
        ++count_;
    }
}

std::uint16_t FlatParamList::numberAt(std::size_t offset) const {
    std::size_t low = 0;
    std::size_t high = count_;
    while (low < high) {
        std::size_t middle = (low + high) / 2;
        if (offsets_[middle] == offset)
            return static_cast<std::uint16_t>(middle + 1);
        if (offsets_[middle] < offset)
            low = middle + 1;
        else
            high = middle;
    }
    return 0;
}

short FlatParamList::getType(std::uint16_t number) const {
    return number >= 1 && number <= count_ ? types_[number - 1] : FLAT_TYPE_PARAM;
}

void FlatParamList::setType(std::uint16_t number, short type) {
    if (number >= 1 && number <= count_)
        types_[number - 1] = type;
}
