// FlatSelectParser: DISTINCT and ORDER BY, the sorts over the result.
#include <cstdlib>
#include <cstring>

#include "error/FlatErrors.h"
#include "flat/FlatGroupBy.h"
#include "flat/FlatOpCode.h"
#include "flat/FlatOpStream.h"
#include "flat/FlatDistinct.h"
#include "flat/FlatOrderBy.h"
#include "flat/FlatProjection.h"
#include "flat/FlatResultSetGlobalInfo.h"
#include "parse/FlatSelectParser.h"
#include "parse/FlatSelectScope.h"
#include "util/ram.h"
#include "util/str.h"

namespace {

bool isBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ' && c != 0;
}

bool isWordChar(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' ||
           u == '#' || u >= 0x80;
}

bool sameWord(const char* text, std::size_t length, const char* word) {
    if (std::strlen(word) != length)
        return false;
    for (std::size_t i = 0; i < length; ++i) {
        char a = text[i];
        if (a >= 'a' && a <= 'z')
            a = static_cast<char>(a - 'a' + 'A');
        if (a != word[i])
            return false;
    }
    return true;
}

// Removes a trailing ASC / ASCENDING / DESC / DESCENDING from the item
// (`*length` is the trimmed length); *descending tells which.
void takeDirection(const char* text, std::size_t* length, bool* descending) {
    *descending = false;
    std::size_t end = *length;
    std::size_t start = end;
    while (start > 0 && isWordChar(text[start - 1]))
        --start;
    if (start == 0 || start == end)
        return;
    char before = text[start - 1];
    if (!isBlank(before) && before != ')' && before != '\'' && before != '"' && before != '`')
        return;
    const char* word = text + start;
    std::size_t size = end - start;
    bool desc = sameWord(word, size, "DESC") || sameWord(word, size, "DESCENDING");
    bool asc = sameWord(word, size, "ASC") || sameWord(word, size, "ASCENDING");
    if (!desc && !asc)
        return;
    *descending = desc;
    while (start > 0 && isBlank(text[start - 1]))
        --start;
    *length = start;
}

} // namespace

VxStatus FlatSelectParser::addColumnKey(FlatSortKeys* keys, FlatResultSetColumn* column,
                                        bool descending) {
    auto* stream = new FlatOpStream(info_->getExprInfo());
    short type = column->getSqlType();
    std::uint32_t length = column->getPrecision();
    VxStatus status = VX_SUCCESS;
    if (column->isSourceField()) {
        FlatOpStreamBuilder builder;
        builder.addField(column->getSourceTable(), column->getSourceFieldNumber());
        status = stream->compile(builder);
    } else {
        FlatOpStream& source = column->getExpr().getOpStream();
        status = stream->compile(source.getOps(), source.getLength());
    }
    if (status != VX_SUCCESS) {
        delete stream;
        return VX_ERROR;
    }
    return keys->add(stream, type, length, descending);
}

VxStatus FlatSelectParser::buildDistinct() {
    auto* distinct = new FlatDistinct(info_, from_);
    from_ = distinct;
    for (std::uint16_t i = 0; i < projection_->getColumnCount(); ++i)
        if (addColumnKey(&distinct->getKeys(), projection_->getColumn(i), false) != VX_SUCCESS)
            return VX_ERROR;
    return VX_SUCCESS;
}

VxStatus FlatSelectParser::forEachItem(const Span& span,
                                       const std::function<VxStatus(char*, std::size_t)>& fn) {
    char* list = copySpan(span);
    if (!list)
        return VX_ERROR;
    // Items end at "," outside parentheses.
    FlatSqlLexer lexer(list);
    FlatSqlToken token;
    unsigned long depth = 0;
    std::size_t itemStart = 0;
    VxStatus status = VX_SUCCESS;
    for (;;) {
        std::size_t before = lexer.getOffset();
        status = lexer.next(&token, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE);
        if (status != VX_SUCCESS)
            break;
        bool ends = token.isEmpty() || (depth == 0 && token.isChar(','));
        if (token.isChar('('))
            ++depth;
        else if (token.isChar(')') && depth > 0)
            --depth;
        if (!ends)
            continue;
        list[before] = 0;
        status = fn(list + itemStart, span.start + itemStart);
        if (status != VX_SUCCESS || token.isEmpty())
            break;
        itemStart = lexer.getOffset();
    }
    ramFree(list);
    return status;
}

VxStatus FlatSelectParser::buildOrderBy() {
    auto* order = new FlatOrderBy(info_, from_);
    from_ = order;
    return forEachItem(clauses_[ORDER_BY], [this, order](char* text, std::size_t offset) {
        return addOrderItem(order, text, offset);
    });
}

VxStatus FlatSelectParser::buildGroupBy() {
    return forEachItem(clauses_[GROUP_BY], [this](char* text, std::size_t offset) {
        while (isBlank(*text))
            ++text, ++offset;
        std::size_t length = std::strlen(text);
        while (length && isBlank(text[length - 1]))
            --length;
        text[length] = 0;
        if (length == 0) {
            addFlatSyntaxError(3970);
            return VX_ERROR;
        }
        FlatSqlLexer lexer(text);
        FlatSqlToken first;
        FlatSqlToken second;
        if (lexer.next(&first, FLAT_TOKEN_OPERAND) != VX_SUCCESS ||
            lexer.next(&second, FLAT_TOKEN_OPERAND) != VX_SUCCESS)
            return VX_ERROR;
        if (second.isEmpty() && first.first() >= '0' && first.first() <= '9') {
            addFlatSyntaxError(3937);
            return VX_ERROR;
        }
        FlatSelectScope scope(tables_, outer_, lastTable_, firstTable_);
        FlatExprCompiler compiler(params_, &scope);
        compiler.setUserName(userName_);
        FlatExprOptions options;
        options.baseOffset = offset;
        FlatOpStreamBuilder builder;
        FlatExprResult result;
        if (compiler.compile(text, options, &builder, &result) != VX_SUCCESS)
            return VX_ERROR;
        auto* stream = new FlatOpStream(info_->getExprInfo());
        if (stream->compile(builder) != VX_SUCCESS) {
            delete stream;
            return VX_ERROR;
        }
        return group_->getGroupKeys().add(stream, result.type, result.length, false);
    });
}

VxStatus FlatSelectParser::buildHaving() {
    if (!clauses_[HAVING].present)
        return VX_SUCCESS;
    const Span& span = clauses_[HAVING];
    char* text = copySpan(span);
    if (!text)
        return VX_ERROR;
    FlatSelectScope scope(tables_, outer_, lastTable_, firstTable_);
    FlatExprCompiler compiler(params_, &scope);
    compiler.setUserName(userName_);
    FlatExprOptions options;
    options.condition = true;
    options.subQueries = this;
    options.aggregatesAllowed = true;
    options.aggregates = group_;
    options.baseOffset = span.start;
    FlatOpStreamBuilder builder;
    FlatExprResult result;
    VxStatus status = compiler.compile(text, options, &builder, &result);
    ramFree(text);
    if (status != VX_SUCCESS)
        return VX_ERROR;
    for (const unsigned char* op = builder.getOps(); op < builder.getOps() + builder.getLength();
         op = getNextOp(op))
        if (*op == FLAT_OP_OUTER_LEFT || *op == FLAT_OP_OUTER_RIGHT) {
            addFlatSyntaxError(3978);
            return VX_ERROR;
        }
    auto* stream = new FlatOpStream(info_->getExprInfo());
    if (stream->compile(builder) != VX_SUCCESS) {
        delete stream;
        return VX_ERROR;
    }
    return group_->getHaving().add(stream);
}

VxStatus FlatSelectParser::addOrderItem(FlatOrderBy* order, char* text, std::size_t offset) {
    while (isBlank(*text))
        ++text, ++offset;
    std::size_t length = std::strlen(text);
    while (length && isBlank(text[length - 1]))
        --length;
    bool descending = false;
    takeDirection(text, &length, &descending);
    text[length] = 0;
    if (length == 0) {
        addFlatSyntaxError(3991);
        return VX_ERROR;
    }
    FlatSqlLexer lexer(text);
    FlatSqlToken first;
    FlatSqlToken second;
    if (lexer.next(&first, FLAT_TOKEN_OPERAND) != VX_SUCCESS ||
        lexer.next(&second, FLAT_TOKEN_OPERAND) != VX_SUCCESS)
        return VX_ERROR;
    std::uint16_t columns = projection_->getColumnCount();
    bool oneToken = second.isEmpty();
    if (unionOrder_) {
        // Over a union: a position, or the name of a result column.
        std::uint16_t found = FLAT_NO_COLUMN;
        if (oneToken && first.first() >= '0' && first.first() <= '9') {
            char* end = nullptr;
            unsigned long position = std::strtoul(text, &end, 10);
            if (*end != 0 || position == 0 || position > columns) {
                addFlatSyntaxError(3928) << text;
                return VX_ERROR;
            }
            found = static_cast<std::uint16_t>(position - 1);
        } else if (oneToken && (first.isName() || first.first() == '`')) {
            const char* name = text;
            std::size_t size = length;
            if (first.first() == '`' && size >= 2)
                ++name, size -= 2;
            for (std::uint16_t i = 0; i < columns && found == FLAT_NO_COLUMN; ++i) {
                FlatResultSetColumn* column = projection_->getColumn(i);
                if (strCompareCi(column->getLabel(), std::strlen(column->getLabel()), name, size) ==
                        0 ||
                    strCompareCi(column->getName(), std::strlen(column->getName()), name, size) ==
                        0)
                    found = i;
            }
        }
        if (found == FLAT_NO_COLUMN) {
            addFlatSyntaxError(3906) << text;
            return VX_ERROR;
        }
        return order->getKeys().addColumn(projection_->getColumn(found), descending);
    }
    if (oneToken && first.first() >= '0' && first.first() <= '9') {
        // A column position from 1.
        char* end = nullptr;
        unsigned long position = std::strtoul(text, &end, 10);
        if (*end != 0 || position == 0 || position > columns) {
            addFlatSyntaxError(3928) << text;
            return VX_ERROR;
        }
        return addColumnKey(&order->getKeys(),
                            projection_->getColumn(static_cast<std::uint16_t>(position - 1)),
                            descending);
    }
    if (oneToken && (first.isName() || first.first() == '`')) {
        // The alias of a result column names that column.
        const char* name = text;
        std::size_t size = length;
        if (first.first() == '`' && size >= 2)
            ++name, size -= 2;
        for (std::uint16_t i = 0; i < columns; ++i) {
            FlatResultSetColumn* column = projection_->getColumn(i);
            const char* label = column->getLabel();
            if (label != column->getName() &&
                strCompareCi(label, std::strlen(label), name, size) == 0)
                return addColumnKey(&order->getKeys(), column, descending);
        }
    }
    FlatSelectScope scope(tables_, outer_, lastTable_, firstTable_);
    FlatExprCompiler compiler(params_, &scope);
    compiler.setUserName(userName_);
    FlatExprOptions options;
    options.baseOffset = offset;
    options.aggregatesAllowed = grouping_;
    options.aggregateRefusal = 3973;
    options.aggregates = group_;
    FlatOpStreamBuilder builder;
    FlatExprResult result;
    if (compiler.compile(text, options, &builder, &result) != VX_SUCCESS)
        return VX_ERROR;
    // Grouped, a key is an aggregate, a group-by expression or a constant.
    if (clauses_[GROUP_BY].present && !result.hasAggregate && result.usesTables &&
        !group_->isGroupKey(builder.getOps(), builder.getLength())) {
        addFlatSyntaxError(3971);
        return VX_ERROR;
    }
    auto* stream = new FlatOpStream(info_->getExprInfo());
    if (stream->compile(builder) != VX_SUCCESS) {
        delete stream;
        return VX_ERROR;
    }
    return order->getKeys().add(stream, result.type, result.length, descending);
}

// FOR UPDATE OF names columns of the SELECT's tables. The rows are not
// locked (text files have no row locks): the clause is checked and the
// result made scrollable, so that positioned statements find its rows.
VxStatus FlatSelectParser::buildForUpdate() {
    return forEachItem(clauses_[FOR_UPDATE], [this](char* text, std::size_t) {
        while (isBlank(*text))
            ++text;
        std::size_t length = std::strlen(text);
        while (length && isBlank(text[length - 1]))
            --length;
        text[length] = 0;
        if (length == 0) {
            addFlatSyntaxError(3858);
            return VX_ERROR;
        }
        // [qualifier.]name, either part in quotes.
        auto unquote = [](char* part) {
            std::size_t n = std::strlen(part);
            if (n >= 2 && (part[0] == '`' || part[0] == '"') && part[n - 1] == part[0]) {
                std::memmove(part, part + 1, n - 2);
                part[n - 2] = 0;
            }
            return part;
        };
        char* name = text;
        char* qualifier = nullptr;
        char* dot = std::strrchr(text, '.');
        if (dot) {
            *dot = 0;
            qualifier = unquote(text);
            name = dot + 1;
        }
        unquote(name);
        FlatSelectScope scope(tables_, nullptr, lastTable_, firstTable_);
        FlatColumnRef ref;
        bool found = false;
        if (scope.findColumn(qualifier, name, &ref, &found) != VX_SUCCESS)
            return VX_ERROR;
        if (!found) {
            addFlatError(3903) << name;
            return VX_ERROR;
        }
        return VX_SUCCESS;
    });
}
