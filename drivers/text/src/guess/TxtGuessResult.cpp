#include "guess/TxtGuessResult.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "error/TxtErrors.h"
#include "guess/TxtNameIndex.h"
#include "util/ram.h"
#include "util/str.h"

void TxtGuessField::setName(const char* text, std::size_t length) {
    while (length > 0 && *text == ' ')
        ++text, --length;
    while (length > 0 && text[length - 1] == ' ')
        --length;
    if (length > TXT_MAX_COLUMN_NAME)
        length = TXT_MAX_COLUMN_NAME;
    std::memcpy(name, text, length);
    name[length] = 0;
    // Cutting may have left blanks at the end.
    while (length > 0 && name[length - 1] == ' ')
        name[--length] = 0;
}

TxtGuessResult::~TxtGuessResult() {
    ramFree(fields_);
}

VxStatus TxtGuessResult::addField(TxtGuessField** field) {
    if (count_ >= TXT_MAX_COLUMNS) {
        txtAddError(ODBC_S1000, TXT_MSG_LINE_TOO_LONG);
        return VX_ERROR;
    }
    if (count_ == capacity_) {
        std::uint16_t capacity =
            capacity_ ? static_cast<std::uint16_t>(capacity_ * 2 > TXT_MAX_COLUMNS ? TXT_MAX_COLUMNS
                                                                                   : capacity_ * 2)
                      : 16;
        void* block = fields_;
        if (ramResize(&block, capacity * sizeof(TxtGuessField)))
            return VX_ERROR;
        fields_ = static_cast<TxtGuessField*>(block);
        capacity_ = capacity;
    }
    *field = new (&fields_[count_++]) TxtGuessField();
    return VX_SUCCESS;
}

VxStatus TxtGuessResult::copyFrom(const TxtGuessResult& other) {
    tableType = other.tableType;
    firstLineNames = other.firstLineNames;
    delimiter = other.delimiter;
    charset = other.charset;
    charsetGiven = other.charsetGiven;
    count_ = 0;
    for (std::uint16_t i = 0; i < other.count_; ++i) {
        TxtGuessField* field;
        if (addField(&field))
            return VX_ERROR;
        *field = other.fields_[i];
    }
    return VX_SUCCESS;
}

void TxtGuessResult::setTableType(TxtTableType type, char characterDelimiter) {
    tableType = type;
    delimiter = txtTableDelimiter(type, characterDelimiter);
}

// Each name is looked up among the earlier ones in an index. A clash tries
// the suffixes from the one after the last taken for the same name on:
// those before it were taken then and stay taken, so a header of many equal
// names costs no more than one of distinct names.
VxStatus TxtGuessResult::completeNames() {
    TxtNameIndex names(*this);
    std::uint16_t* nextSuffix = nullptr;
    if (count_ > 0 &&
        !(nextSuffix = static_cast<std::uint16_t*>(ramAllocZ(count_ * sizeof(std::uint16_t)))))
        return VX_ERROR;
    VxStatus status = VX_SUCCESS;
    for (std::uint16_t i = 0; i < count_ && status == VX_SUCCESS; ++i) {
        TxtGuessField& field = fields_[i];
        if (!field.name[0])
            std::snprintf(field.name, sizeof field.name, "FIELD_%u", i + 1u);
        const std::uint16_t holder = names.find(field.name);
        if (holder != TxtNameIndex::NONE) {
            char base[TXT_MAX_COLUMN_NAME + 1];
            std::memcpy(base, field.name, sizeof base);
            unsigned suffix = nextSuffix[holder] ? nextSuffix[holder] : 2;
            for (;; ++suffix) {
                char digits[12];
                int digitCount = std::snprintf(digits, sizeof digits, "%u", suffix);
                std::size_t keep = std::strlen(base);
                if (keep + digitCount > TXT_MAX_COLUMN_NAME)
                    keep = TXT_MAX_COLUMN_NAME - digitCount;
                std::memcpy(field.name, base, keep);
                std::memcpy(field.name + keep, digits, digitCount + 1);
                if (names.find(field.name) == TxtNameIndex::NONE)
                    break;
            }
            nextSuffix[holder] = static_cast<std::uint16_t>(suffix + 1);
        }
        status = names.add(i);
    }
    ramFree(nextSuffix);
    return status;
}

std::uint16_t TxtGuessResult::readWidth(std::uint16_t index) const {
    const TxtGuessField& field = fields_[index];
    if (field.type == TXT_COLUMN_DATE && tableType != TXT_TABLE_FIXED)
        return TXT_DELIMITED_DATE_WIDTH;
    if (field.type == TXT_COLUMN_NUMERIC && tableType != TXT_TABLE_FIXED &&
        field.width < TXT_DELIMITED_NUMBER_WIDTH)
        return TXT_DELIMITED_NUMBER_WIDTH;
    if (field.measured && (field.type == TXT_COLUMN_VARCHAR || field.type == TXT_COLUMN_NONE) &&
        field.width < TXT_MEASURED_TEXT_WIDTH)
        return TXT_MEASURED_TEXT_WIDTH;
    return field.width;
}
