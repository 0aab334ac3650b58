#include "flat/FlatUseDesc.h"

#include <sqlext.h>

#include <cstring>

#include "base/BaseErrors.h"
#include "error/FlatErrors.h"
#include "flat/FlatConnection.h"
#include "parse/FlatSqlLexer.h"

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

// USE directory: one word up to a blank or ";", or text in quotes.
VxStatus FlatUseDesc::parse(const char* sql) {
    directory_.clear();
    FlatSqlLexer lexer(sql);
    FlatSqlToken token;
    if (lexer.next(&token, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE)) // USE
        return VX_ERROR;
    lexer.skipBlanks();
    const char* p = lexer.getCursor();
    if (*p == '"' || *p == '\'' || *p == '`') {
        const char quote = *p++;
        const char* close = std::strchr(p, quote);
        if (!close) {
            addFlatSyntaxError(3803) << p - 1;
            return VX_ERROR;
        }
        directory_.assign(p, static_cast<std::size_t>(close - p));
        p = close + 1;
    } else {
        const char* start = p;
        while (*p && !isBlank(*p) && *p != ';')
            ++p;
        directory_.assign(start, static_cast<std::size_t>(p - start));
    }
    if (directory_.empty()) {
        addNativeError(ODBC_37000, 0, "Missing directory name in USE statement");
        return VX_ERROR;
    }
    if (directory_.size() >= FLAT_NAME_SIZE) {
        addFlatSyntaxError(3803) << directory_.c_str();
        return VX_ERROR;
    }
    for (; *p; ++p)
        if (!isBlank(*p) && *p != ';') {
            addFlatSyntaxError(3803) << p;
            return VX_ERROR;
        }
    return VX_SUCCESS;
}

VxStatus FlatUseDesc::execute() {
    rowCounter_ = 0;
    FlatConnection* connection = getConnection();
    if (!connection || directory_.empty()) {
        addOdbcError(ODBC_S1010);
        return VX_ERROR;
    }
    return connection->setConnectOption(SQL_CURRENT_QUALIFIER,
                                        reinterpret_cast<SQLULEN>(directory_.c_str()));
}
