#include "define/TxtTableOptions.h"

#include <cstring>

#include "error/TxtErrors.h"
#include "util/VxString.h"
#include "util/str.h"

namespace {

enum TokenKind { TOKEN_END, TOKEN_WORD, TOKEN_NUMBER, TOKEN_STRING, TOKEN_CHAR };

struct Token {
    TokenKind kind = TOKEN_END;
    const char* text = ""; // the token as written
    std::size_t length = 0;
    char quote = 0; // TOKEN_STRING: its quote character
    VxString value; // TOKEN_STRING: the text between the quotes, undoubled
    unsigned long number = 0;
    bool numberTooBig = false;

    bool is(char c) const { return kind == TOKEN_CHAR && text[0] == c; }
    bool isWord(const char* word) const {
        return kind == TOKEN_WORD && strEqualCi(text, length, word, std::strlen(word));
    }
};

class OptionParser {
public:
    OptionParser(const char* text, std::size_t length, TxtGuessResult* result)
        : text_(text), length_(length), result_(result) {}

    VxStatus run();

private:
    VxStatus next();
    VxStatus item();
    VxStatus headerLine();
    VxStatus delimiter();
    VxStatus parseTemplate();
    VxStatus charset();
    VxStatus charColumn();
    VxStatus numberColumn();
    VxStatus dateColumn();
    VxStatus expectEquals();
    VxStatus expectOpen();
    VxStatus addColumn(char type, std::uint16_t width, TxtGuessField** field);
    VxStatus fail(unsigned short messageId);
    VxStatus failWithText(unsigned short messageId, const char* text, std::size_t length);

    const char* text_;
    std::size_t length_;
    std::size_t pos_ = 0;
    TxtGuessResult* result_;
    Token token_;
    std::uint32_t nextOffset_ = 0;
};

VxStatus OptionParser::fail(unsigned short messageId) {
    txtAddError(ODBC_37000, messageId);
    return VX_ERROR;
}

VxStatus OptionParser::failWithText(unsigned short messageId, const char* text,
                                    std::size_t length) {
    VxString copy;
    (void)copy.initialize(text, length);
    txtAddError(ODBC_37000, messageId) << copy.getText();
    return VX_ERROR;
}

// Reads the next token. Strings run to the matching quote (a doubled
// quote stands for one); an unterminated string is an error (1224).
VxStatus OptionParser::next() {
    while (pos_ < length_ && vxIsWhiteSpace(text_[pos_]))
        ++pos_;
    token_.text = text_ + pos_;
    token_.length = 0;
    token_.numberTooBig = false;
    if (pos_ >= length_) {
        token_.kind = TOKEN_END;
        return VX_SUCCESS;
    }
    char c = text_[pos_];
    std::size_t start = pos_;
    if (c == '\'' || c == '"') {
        token_.kind = TOKEN_STRING;
        token_.quote = c;
        if (token_.value.initialize(""))
            return VX_ERROR;
        for (++pos_;; ++pos_) {
            if (pos_ >= length_)
                return fail(TXT_MSG_MISSING_COMMA_OR_PAREN);
            if (text_[pos_] == c) {
                if (pos_ + 1 >= length_ || text_[pos_ + 1] != c)
                    break;
                ++pos_;
            }
            if (token_.value.concat(text_[pos_]))
                return VX_ERROR;
        }
        ++pos_;
    } else if (vxIsDigit(c)) {
        token_.kind = TOKEN_NUMBER;
        token_.number = 0;
        for (; pos_ < length_ && vxIsDigit(text_[pos_]); ++pos_) {
            token_.number = token_.number * 10 + static_cast<unsigned long>(text_[pos_] - '0');
            if (token_.number > 99999)
                token_.numberTooBig = true, token_.number = 99999;
        }
    } else if (vxIsAlpha(c) || c == '_') {
        token_.kind = TOKEN_WORD;
        while (pos_ < length_ &&
               (vxIsAlpha(text_[pos_]) || vxIsDigit(text_[pos_]) || text_[pos_] == '_'))
            ++pos_;
    } else {
        token_.kind = TOKEN_CHAR;
        ++pos_;
    }
    token_.length = pos_ - start;
    return VX_SUCCESS;
}

VxStatus OptionParser::run() {
    if (next())
        return VX_ERROR;
    bool afterComma = false;
    while (token_.kind != TOKEN_END) {
        if (token_.is(',')) {
            afterComma = true;
            if (next())
                return VX_ERROR;
            continue;
        }
        if (item() || next())
            return VX_ERROR;
        if (token_.kind != TOKEN_END && !token_.is(','))
            return fail(TXT_MSG_MISSING_COMMA_OR_PAREN);
        afterComma = false;
    }
    if (afterComma)
        return fail(TXT_MSG_MISSING_COMMA_OR_PAREN);
    // A delimited table reads whole numbers: room for sign and point.
    if (result_->tableType != TXT_TABLE_FIXED)
        for (std::uint16_t i = 0; i < result_->getFieldCount(); ++i) {
            TxtGuessField& field = result_->getField(i);
            if (field.type == TXT_COLUMN_NUMERIC)
                field.width = static_cast<std::uint16_t>(field.precision + 2);
        }
    return VX_SUCCESS;
}

// One item; on success the token is its last token.
VxStatus OptionParser::item() {
    if (token_.isWord("HEADERLINE"))
        return headerLine();
    if (token_.isWord("DELIMITER"))
        return delimiter();
    if (token_.isWord("PARSE"))
        return parseTemplate();
    if (token_.isWord("CHARSET"))
        return charset();
    if (token_.isWord("CHAR"))
        return charColumn();
    if (token_.isWord("NUMBER") || token_.isWord("NUM"))
        return numberColumn();
    if (token_.isWord("DATE"))
        return dateColumn();
    return failWithText(TXT_MSG_UNKNOWN_OPTION, token_.text, token_.length);
}

VxStatus OptionParser::expectEquals() {
    if (next())
        return VX_ERROR;
    if (!token_.is('='))
        return fail(TXT_MSG_MISSING_EQUALS);
    return next();
}

VxStatus OptionParser::expectOpen() {
    if (next())
        return VX_ERROR;
    if (!token_.is('('))
        return fail(TXT_MSG_MISSING_OPEN_PAREN);
    return next();
}

VxStatus OptionParser::headerLine() {
    if (expectEquals())
        return VX_ERROR;
    if (token_.kind != TOKEN_NUMBER || token_.length != 1 || token_.number > 1)
        return fail(TXT_MSG_HEADERLINE_VALUE);
    result_->firstLineNames = token_.number == 1;
    return VX_SUCCESS;
}

VxStatus OptionParser::delimiter() {
    if (expectEquals())
        return VX_ERROR;
    if (token_.isWord("TAB")) {
        result_->setTableType(TXT_TABLE_TAB, 0);
        return VX_SUCCESS;
    }
    if (token_.kind != TOKEN_STRING || token_.value.length() != 1)
        return fail(TXT_MSG_BAD_DELIMITER);
    char c = token_.value.getText()[0];
    if (c == ',')
        result_->setTableType(TXT_TABLE_COMMA, 0);
    else
        result_->setTableType(TXT_TABLE_CHARACTER, c);
    return VX_SUCCESS;
}

VxStatus OptionParser::parseTemplate() {
    if (expectEquals())
        return VX_ERROR;
    if (token_.kind != TOKEN_STRING || token_.quote != '"')
        return fail(TXT_MSG_PARSE_NOT_QUOTED);
    result_->setTableType(TXT_TABLE_FIXED, 0);
    const char* text = token_.value.getText();
    std::size_t length = token_.value.length();
    std::uint32_t position = 0;
    std::uint32_t start = 0;
    bool inField = false;
    for (std::size_t i = 0; i < length; ++i) {
        if (text[i] == '[') {
            if (inField)
                return fail(TXT_MSG_PARSE_NESTED_START);
            inField = true;
            start = position;
        } else if (text[i] == ']') {
            if (!inField)
                return fail(TXT_MSG_PARSE_NESTED_END);
            inField = false;
            TxtGuessField* field;
            nextOffset_ = start;
            if (addColumn(TXT_COLUMN_VARCHAR, static_cast<std::uint16_t>(position - start), &field))
                return VX_ERROR;
            field->precision = field->width;
        } else {
            ++position;
        }
    }
    if (inField)
        return fail(TXT_MSG_PARSE_NO_END);
    return VX_SUCCESS;
}

VxStatus OptionParser::charset() {
    if (expectEquals())
        return VX_ERROR;
    bool quoted = token_.kind == TOKEN_STRING;
    const char* value = quoted ? token_.value.getText() : token_.text;
    std::size_t length = quoted ? token_.value.length() : token_.length;
    if (token_.kind != TOKEN_WORD && !quoted)
        return fail(TXT_MSG_CHARSET_VALUE);
    if (strEqualCi(value, length, "IBMPC", 5))
        result_->charset = TXT_CHARSET_IBMPC;
    else if (strEqualCi(value, length, "ANSI", 4))
        result_->charset = TXT_CHARSET_ANSI;
    else
        return fail(TXT_MSG_CHARSET_VALUE);
    result_->charsetGiven = true;
    return VX_SUCCESS;
}

VxStatus OptionParser::addColumn(char type, std::uint16_t width, TxtGuessField** field) {
    if (nextOffset_ + width > 0xFFFF)
        return fail(TXT_MSG_LINE_TOO_LONG);
    if (result_->addField(field))
        return VX_ERROR;
    (*field)->type = type;
    (*field)->width = width;
    (*field)->offset = static_cast<std::uint16_t>(nextOffset_);
    nextOffset_ += width;
    return VX_SUCCESS;
}

VxStatus OptionParser::charColumn() {
    if (expectOpen())
        return VX_ERROR;
    if (token_.kind != TOKEN_NUMBER || token_.number < 1 || token_.number > 9999)
        return fail(TXT_MSG_CHAR_WIDTH);
    auto width = static_cast<std::uint16_t>(token_.number);
    if (next())
        return VX_ERROR;
    if (!token_.is(')'))
        return fail(TXT_MSG_CHAR_WIDTH);
    TxtGuessField* field;
    if (addColumn(TXT_COLUMN_VARCHAR, width, &field))
        return VX_ERROR;
    field->precision = width;
    return VX_SUCCESS;
}

VxStatus OptionParser::numberColumn() {
    if (expectOpen())
        return VX_ERROR;
    if (token_.kind != TOKEN_NUMBER || token_.number < 1 || token_.number > 254)
        return fail(TXT_MSG_NUMBER_WIDTH);
    auto precision = static_cast<std::uint16_t>(token_.number);
    std::uint16_t scale = 0;
    if (next())
        return VX_ERROR;
    if (token_.is(',')) {
        if (next())
            return VX_ERROR;
        if (token_.kind != TOKEN_NUMBER || token_.number > 254)
            return fail(TXT_MSG_MISSING_COMMA_OR_PAREN);
        scale = static_cast<std::uint16_t>(token_.number);
        if (next())
            return VX_ERROR;
    }
    if (!token_.is(')'))
        return fail(TXT_MSG_MISSING_COMMA_OR_PAREN);
    TxtGuessField* field;
    if (addColumn(TXT_COLUMN_NUMERIC, precision, &field))
        return VX_ERROR;
    field->precision = precision;
    field->scale = scale;
    return VX_SUCCESS;
}

VxStatus OptionParser::dateColumn() {
    if (expectOpen())
        return VX_ERROR;
    if (token_.kind != TOKEN_STRING)
        return failWithText(TXT_MSG_INVALID_DATE_MASK_TEXT, token_.text, token_.length);
    TxtDateMask mask;
    unsigned short messageId;
    if (!mask.tryCompile(token_.value.getText(), token_.value.length(), &messageId))
        return failWithText(TXT_MSG_INVALID_DATE_MASK_TEXT, token_.value.getText(),
                            token_.value.length());
    if (next())
        return VX_ERROR;
    if (!token_.is(')'))
        return fail(TXT_MSG_MISSING_COMMA_OR_PAREN);
    TxtGuessField* field;
    if (addColumn(TXT_COLUMN_DATE, 10, &field))
        return VX_ERROR;
    field->mask = mask;
    field->precision = 10;
    return VX_SUCCESS;
}

} // namespace

VxStatus TxtTableOptions::parse(const char* text, std::size_t length, TxtGuessResult* result) {
    OptionParser parser(text, length, result);
    return parser.run();
}
