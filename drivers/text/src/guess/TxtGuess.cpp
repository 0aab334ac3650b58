#include "guess/TxtGuess.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "guess/TxtValueTests.h"
#include "record/TxtLineScanner.h"
#include "util/VxProfile.h"
#include "util/bos.h"
#include "util/ram.h"

namespace {

// Bytes kept of one value while guessing; longer values are counted whole
// but are never numbers or dates.
constexpr std::size_t VALUE_CAPACITY = 65535;

std::uint16_t clampWidth(std::size_t width) {
    if (width < 1)
        return 1;
    return static_cast<std::uint16_t>(width > 0xFFFF ? 0xFFFF : width);
}

// Frees the value buffer when a guess ends.
struct ValueBuffer {
    char** value;
    ~ValueBuffer() {
        ramFree(*value);
        *value = nullptr;
    }
};

} // namespace

struct TxtGuess::ColumnGuess {
    char type = TXT_COLUMN_NONE;
    bool sawValue = false;
    std::size_t maxLength = 0;
    std::size_t integerWidth = 0;
    std::size_t scale = 0;
    unsigned orders = 0;
    unsigned yearDigits = 0;
};

void TxtGuess::setFormat(TxtTableType type, bool firstLineNames, char delimiter,
                         unsigned scanRows) {
    tableType_ = type;
    firstLineNames_ = firstLineNames;
    delimiter_ = txtTableDelimiter(type, delimiter);
    scanRows_ = scanRows;
}

unsigned TxtGuess::dateSetting() const {
    if (dateSetting_ >= 0)
        return static_cast<unsigned>(dateSetting_);
    char text[8];
    ntGetProfileString("Intl", "iDate", "0", text, sizeof text, "WIN.INI");
    unsigned setting = static_cast<unsigned>(std::strtoul(text, nullptr, 10));
    return setting <= 2 ? setting : 0;
}

VxStatus TxtGuess::guessFile(const char* fileName, TxtGuessResult* result) {
    int handle = 0;
    if (bosFileOpen(fileName, 0, &handle))
        return VX_ERROR;
    VxStatus status = guessHandle(handle, result);
    if (bosFileClose(handle))
        status = VX_ERROR;
    return status;
}

VxStatus TxtGuess::guessHandle(int handle, TxtGuessResult* result) {
    if (options_) {
        tableType_ = options_->tableType;
        firstLineNames_ = options_->firstLineNames;
        delimiter_ = options_->delimiter;
    }
    result->clearFields();
    result->tableType = tableType_;
    result->firstLineNames = firstLineNames_;
    result->delimiter = tableType_ == TXT_TABLE_FIXED ? 0 : delimiter_;
    if (options_) {
        result->charset = options_->charset;
        result->charsetGiven = options_->charsetGiven;
    }
    if (source_.attach(handle))
        return VX_ERROR;
    value_ = static_cast<char*>(ramAlloc(VALUE_CAPACITY));
    ValueBuffer release{&value_};
    if (!value_)
        return VX_ERROR;

    firstLineStart_ = static_cast<std::int64_t>(txtByteOrderMarkLength(source_));
    source_.seek(firstLineStart_);
    bool fixed = tableType_ == TXT_TABLE_FIXED;
    if (fixed ? readFixedFirstLine(result) : readFirstLine(result))
        return VX_ERROR;
    dataStart_ = firstLineNames_ ? headerLength_ : firstLineStart_;
    if (!fixed) {
        std::uint16_t count = result->getFieldCount();
        auto* guesses = static_cast<ColumnGuess*>(ramAlloc(count * sizeof(ColumnGuess)));
        if (!guesses)
            return VX_ERROR;
        for (std::uint16_t i = 0; i < count; ++i)
            new (&guesses[i]) ColumnGuess();
        VxStatus status = scanData(result, guesses);
        if (status == VX_SUCCESS)
            status = finish(result, guesses);
        ramFree(guesses);
        if (status)
            return VX_ERROR;
    }
    if (applyOptions(result))
        return VX_ERROR;
    return result->completeNames();
}

// Delimited: one column per value of the first line.
VxStatus TxtGuess::readFirstLine(TxtGuessResult* result) {
    bool endOfLine = false;
    while (!endOfLine) {
        std::size_t stored;
        std::size_t total;
        txtScanDelimitedValue(source_, delimiter_, value_, VALUE_CAPACITY, &stored, &total,
                              &endOfLine);
        TxtGuessField* field;
        if (result->addField(&field))
            return VX_ERROR;
        field->width = clampWidth(txtTrimTrailingBlanks(value_, stored));
        if (firstLineNames_)
            field->setName(value_, stored);
    }
    if (source_.failed())
        return VX_ERROR;
    headerLength_ = source_.position();
    return VX_SUCCESS;
}

// Fixed: the whole line as one column, or the option columns named from it.
VxStatus TxtGuess::readFixedFirstLine(TxtGuessResult* result) {
    std::size_t total;
    std::size_t length = txtReadFixedLine(source_, value_, VALUE_CAPACITY, &total);
    if (source_.failed())
        return VX_ERROR;
    headerLength_ = source_.position();
    if (options_ && options_->getFieldCount() > 0)
        return VX_SUCCESS; // applyOptions adds the columns
    TxtGuessField* field;
    if (result->addField(&field))
        return VX_ERROR;
    field->type = TXT_COLUMN_VARCHAR;
    field->width = clampWidth(total + 1);
    field->precision = field->width;
    field->measured = true;
    if (firstLineNames_)
        field->setName(value_, length);
    return VX_SUCCESS;
}

VxStatus TxtGuess::scanData(TxtGuessResult* result, ColumnGuess* guesses) {
    source_.seek(firstLineNames_ ? headerLength_ : firstLineStart_);
    std::uint16_t count = result->getFieldCount();
    for (unsigned row = 0; (scanRows_ == 0 || row < scanRows_) && txtRecordStarts(source_); ++row) {
        bool endOfLine = false;
        for (std::uint16_t i = 0; i < count && !endOfLine; ++i) {
            std::size_t stored;
            std::size_t total;
            txtScanDelimitedValue(source_, delimiter_, value_, VALUE_CAPACITY, &stored, &total,
                                  &endOfLine);
            std::size_t trimmed = txtTrimTrailingBlanks(value_, stored);
            examine(guesses[i], value_, trimmed, stored == total);
        }
        if (!endOfLine)
            txtSkipDelimitedLine(source_, delimiter_);
    }
    return source_.failed() ? VX_ERROR : VX_SUCCESS;
}

// Folds one value into a column's guess; `complete` is false when the value
// was longer than the buffer.
void TxtGuess::examine(ColumnGuess& guess, const char* value, std::size_t length, bool complete) {
    if (length == 0)
        return;
    guess.sawValue = true;
    if (length > guess.maxLength)
        guess.maxLength = length;
    if (guess.type == TXT_COLUMN_VARCHAR)
        return;
    unsigned yearDigits = 0;
    unsigned orders = complete ? txtDateOrders(value, length, &yearDigits) : 0;
    if (guess.type == TXT_COLUMN_NONE && orders) {
        guess.type = TXT_COLUMN_DATE;
        guess.orders = orders;
        guess.yearDigits = yearDigits;
        return;
    }
    if (guess.type == TXT_COLUMN_DATE) {
        if (orders & guess.orders && yearDigits == guess.yearDigits)
            guess.orders &= orders;
        else
            guess.type = TXT_COLUMN_VARCHAR;
        return;
    }
    std::size_t integerWidth;
    std::size_t scale;
    if (!complete || !txtLooksLikeNumber(value, length, &integerWidth, &scale)) {
        guess.type = TXT_COLUMN_VARCHAR;
        return;
    }
    guess.type = TXT_COLUMN_NUMERIC;
    if (integerWidth > guess.integerWidth)
        guess.integerWidth = integerWidth;
    if (scale > guess.scale)
        guess.scale = scale;
}

VxStatus TxtGuess::finish(TxtGuessResult* result, ColumnGuess* guesses) {
    unsigned setting = dateSetting();
    for (std::uint16_t i = 0; i < result->getFieldCount(); ++i) {
        TxtGuessField& field = result->getField(i);
        const ColumnGuess& guess = guesses[i];
        field.type = guess.type == TXT_COLUMN_NONE ? TXT_COLUMN_VARCHAR : guess.type;
        field.scale = 0;
        field.measured = true;
        if (field.type == TXT_COLUMN_NUMERIC) {
            field.scale = static_cast<std::uint16_t>(guess.scale);
            field.width = clampWidth(guess.integerWidth + guess.scale);
            field.precision =
                clampWidth(guess.maxLength > field.width ? guess.maxLength : field.width);
            continue;
        }
        if (guess.sawValue)
            field.width = clampWidth(guess.maxLength);
        field.precision = field.width;
        if (field.type == TXT_COLUMN_DATE) {
            unsigned order = txtChooseDateOrder(guess.orders, setting);
            if (field.mask.compile(txtDateMaskText(order, guess.yearDigits)))
                return VX_ERROR;
        }
    }
    return VX_SUCCESS;
}

// Columns of the table options replace the guessed ones position by
// position; with first-line names a Fixed table names them from the header.
VxStatus TxtGuess::applyOptions(TxtGuessResult* result) {
    if (!options_ || options_->getFieldCount() == 0)
        return VX_SUCCESS;
    std::size_t headerStored = 0;
    if (tableType_ == TXT_TABLE_FIXED && firstLineNames_) {
        std::size_t total;
        source_.seek(firstLineStart_);
        headerStored = txtReadFixedLine(source_, value_ ? value_ : nullptr,
                                        value_ ? VALUE_CAPACITY : 0, &total);
    }
    for (std::uint16_t i = 0; i < options_->getFieldCount(); ++i) {
        const TxtGuessField& given = options_->getField(i);
        TxtGuessField* field;
        if (i < result->getFieldCount())
            field = &result->getField(i);
        else if (result->addField(&field))
            return VX_ERROR;
        char name[TXT_MAX_COLUMN_NAME + 1];
        std::memcpy(name, given.name[0] ? given.name : field->name, sizeof name);
        *field = given;
        std::memcpy(field->name, name, sizeof name);
        if (tableType_ == TXT_TABLE_FIXED && firstLineNames_ && given.offset < headerStored) {
            std::size_t length = headerStored - given.offset;
            field->setName(value_ + given.offset, length < given.width ? length : given.width);
        }
    }
    return VX_SUCCESS;
}
