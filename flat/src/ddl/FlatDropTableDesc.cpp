#include "flat/FlatDropTableDesc.h"

#include <cstring>

#include "error/FlatErrors.h"
#include "flat/FlatConnection.h"
#include "parse/FlatSqlLexer.h"
#include "util/bos.h"

FlatDropTableDesc::FlatDropTableDesc(FlatStatement* statement) : FlatDescriptor(statement) {}

FlatDropTableDesc::~FlatDropTableDesc() = default;

VxStatus FlatDropTableDesc::canDropTableName(const char* name) {
    FlatConnection* connection = getConnection();
    char path[FLAT_PATH_BUFFER];
    if (connection->getTableFullPath(name, path) != VX_SUCCESS)
        return VX_ERROR;
    if (connection->isFileOpen(path)) {
        addFlatError(4035) << path;
        return VX_ERROR;
    }
    if (!bosexist(path)) {
        addFlatError(4036) << path;
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus FlatDropTableDesc::parse(const char* sql) {
    cleanUp();
    FlatSqlLexer lexer(sql);
    FlatSqlToken token;
    // DROP TABLE
    // A ";" written against the name ends it.
    char name[FLAT_NAME_SIZE];
    if (lexer.nextKeyword(&token) || lexer.nextKeyword(&token) || lexer.nextTableName(';', name))
        return VX_ERROR;
    if (!*name) {
        addFlatError(3870);
        return VX_ERROR;
    }
    for (;;) {
        if (lexer.next(&token, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE))
            return VX_ERROR;
        if (token.isEmpty())
            break;
        if (!token.isChar(';')) {
            addFlatError(3803) << token.text();
            return VX_ERROR;
        }
    }
    if (canDropTableName(name) || tableName_.initialize(name))
        return VX_ERROR;
    return VX_SUCCESS;
}
