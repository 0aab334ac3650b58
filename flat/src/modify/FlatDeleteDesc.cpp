#include "flat/FlatRowChangeDesc.h"

#include <string>

#include "error/FlatErrors.h"
#include "parse/FlatSqlLexer.h"

FlatDeleteDesc::FlatDeleteDesc(FlatStatement* statement) : FlatRowChangeDesc(statement) {}

VxStatus FlatDeleteDesc::parse(const char* sql) {
    release();
    FlatSqlLexer lexer(sql);
    FlatSqlToken token;
    if (lexer.next(&token, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE)) // DELETE
        return VX_ERROR;
    const char* afterDelete = lexer.getCursor();
    if (lexer.next(&token, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE))
        return VX_ERROR;
    if (!token.is("FROM")) {
        addFlatSyntaxError(3860);
        return VX_ERROR;
    }
    if (lexer.next(&token, FLAT_TOKEN_FILE, FLAT_NAME_SIZE))
        return VX_ERROR;
    if (token.isEmpty() || token.is("WHERE")) {
        addFlatSyntaxError(3861);
        return VX_ERROR;
    }
    const char* end = afterDelete + std::char_traits<char>::length(afterDelete);
    if (takeCurrentOf(afterDelete, &end))
        return VX_ERROR;
    std::string query = "SELECT 1 ";
    query.append(afterDelete, static_cast<std::size_t>(end - afterDelete));
    if (compile(query.c_str())) {
        release();
        return VX_ERROR;
    }
    return VX_SUCCESS;
}
