#include "flat/FlatCreateDesc.h"

#include <sqlext.h>

#include <cstdlib>
#include <cstring>

#include "base/BaseErrors.h"
#include "error/FlatErrors.h"
#include "flat/FlatConnection.h"
#include "flat/FlatDataTypeParser.h"
#include "parse/FlatSqlLexer.h"
#include "util/bos.h"
#include "util/ram.h"
#include "util/str.h"

namespace {

// A whole number of at most 9 digits into *value; false for anything else.
bool readCount(const FlatSqlToken& token, unsigned long* value) {
    if (token.isEmpty() || token.length() > 9)
        return false;
    for (std::size_t i = 0; i < token.length(); ++i)
        if (token.text()[i] < '0' || token.text()[i] > '9')
            return false;
    *value = std::strtoul(token.text(), nullptr, 10);
    return true;
}

// The token's text without its enclosing quotes, when it is quoted.
void unquote(const FlatSqlToken& token, char* out, std::size_t size) {
    const char* text = token.text();
    std::size_t length = token.length();
    if (token.isQuoted() && length >= 2) {
        ++text;
        length -= 2;
    }
    if (length >= size)
        length = size - 1;
    std::memcpy(out, text, length);
    out[length] = '\0';
}

} // namespace

FlatCreateDesc::FlatCreateDesc(FlatStatement* statement) : FlatDescriptor(statement) {}

FlatCreateDesc::~FlatCreateDesc() {
    cleanUp();
}

void FlatCreateDesc::cleanUp() {
    for (std::uint16_t i = 0; i < columnCount_; ++i)
        ramFree(columns_[i].name);
    ramFree(columns_);
    columns_ = nullptr;
    columnCount_ = columnCapacity_ = 0;
    (void)tableName_.initialize("");
}

const BaseTypeInfo* FlatCreateDesc::getTypeTable(std::uint16_t* count) {
    *count = 0;
    return nullptr;
}

bool FlatCreateDesc::supportsNotNull() {
    return false;
}

bool FlatCreateDesc::namesAreCaseSensitive() {
    return false;
}

const BaseTypeInfo& FlatCreateDesc::getColumnType(std::uint16_t index) const {
    return types_[columns_[index].typeIndex];
}

VxStatus FlatCreateDesc::canCreateTableName(const char* name) {
    FlatConnection* connection = getConnection();
    char path[FLAT_PATH_BUFFER];
    if (connection->getTableFullPath(name, path) != VX_SUCCESS)
        return VX_ERROR;
    const char* file = path;
    for (const char* p = path; *p; ++p)
        if (*p == '/' || *p == '\\')
            file = p + 1;
    SQLUINTEGER qualifierLimit = 0;
    SQLUINTEGER nameLimit = 0;
    if (connection->getInfo(SQL_MAX_QUALIFIER_NAME_LEN, &qualifierLimit, 4) != VX_SUCCESS)
        qualifierLimit = 0;
    if (connection->getInfo(SQL_MAX_TABLE_NAME_LEN, &nameLimit, 4) != VX_SUCCESS)
        nameLimit = 0;
    const std::size_t directoryLength = file > path ? static_cast<std::size_t>(file - path - 1) : 0;
    if ((qualifierLimit && directoryLength > qualifierLimit) ||
        (nameLimit && std::strlen(file) > nameLimit)) {
        addFlatError(3827) << name;
        return VX_ERROR;
    }
    if (connection->isFileOpen(path)) {
        addFlatError(4019) << path;
        return VX_ERROR;
    }
    if (bosexist(path)) {
        addFlatError(4010) << path;
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus FlatCreateDesc::canCreateColumnName(const char*) {
    addOdbcError(ODBC_S1C00);
    return VX_ERROR;
}

VxStatus FlatCreateDesc::parse(const char* sql) {
    cleanUp();
    FlatSqlLexer lexer(sql);
    FlatSqlToken token;
    // CREATE TABLE
    if (lexer.nextKeyword(&token) || lexer.nextKeyword(&token))
        return VX_ERROR;
    // The name ends at a "(" written against it.
    char name[FLAT_NAME_SIZE];
    if (lexer.nextTableName('(', name))
        return VX_ERROR;
    if (!*name) {
        addFlatError(3820);
        return VX_ERROR;
    }
    if (canCreateTableName(name) || tableName_.initialize(name))
        return VX_ERROR;
    std::uint16_t typeCount = 0;
    types_ = getTypeTable(&typeCount);
    FlatDataTypeParser types(getConnection(), types_, typeCount);
    if (types.initialize())
        return VX_ERROR;
    if (lexer.nextKeyword(&token))
        return VX_ERROR;
    if (!token.isChar('(')) {
        addFlatError(3821);
        return VX_ERROR;
    }
    for (;;) {
        if (parseColumn(lexer, types) || lexer.nextKeyword(&token))
            return VX_ERROR;
        if (token.isChar(')'))
            break;
        if (!token.isChar(',')) {
            addFlatError(4030) << static_cast<unsigned long>(columnCount_);
            return VX_ERROR;
        }
    }
    for (;;) {
        if (lexer.nextKeyword(&token))
            return VX_ERROR;
        if (token.isEmpty())
            break;
        if (!token.isChar(';')) {
            addFlatError(3803) << token.text();
            return VX_ERROR;
        }
    }
    SQLUINTEGER limit = 0;
    if (getConnection()->getInfo(SQL_MAX_COLUMNS_IN_TABLE, &limit, 4) == VX_SUCCESS && limit &&
        limit < columnCount_) {
        addFlatError(3826) << static_cast<unsigned long>(limit);
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus FlatCreateDesc::parseColumn(FlatSqlLexer& lexer, FlatDataTypeParser& types) {
    FlatSqlToken token;
    if (lexer.nextKeyword(&token))
        return VX_ERROR;
    if (token.isEmpty() || !(token.isName() || token.isQuoted())) {
        addFlatError(4030) << static_cast<unsigned long>(columnCount_);
        return VX_ERROR;
    }
    char name[FLAT_KEYWORD_SIZE];
    unquote(token, name, sizeof name);
    if (canCreateColumnName(name))
        return VX_ERROR;
    FlatColumnDef column;
    if (types.match(lexer, &column.typeIndex))
        return VX_ERROR;
    if (column.typeIndex == FlatDataTypeParser::NOT_FOUND) {
        addFlatError(4022) << name;
        return VX_ERROR;
    }
    const BaseTypeInfo& type = types.getType(column.typeIndex);
    if (type.createParams >= BASE_CREATE_LENGTH &&
        type.createParams <= BASE_CREATE_PRECISION_SCALE) {
        column.name = name; // for the messages only
        VxStatus status = parseCreateParams(lexer, type, &column);
        column.name = nullptr;
        if (status)
            return VX_ERROR;
    }
    if (lexer.peek(&token, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE))
        return VX_ERROR;
    if (token.is("NOT")) {
        if (lexer.nextKeyword(&token) || lexer.nextKeyword(&token))
            return VX_ERROR;
        if (!token.is("NULL")) {
            addFlatError(4030) << static_cast<unsigned long>(columnCount_ + 1u);
            return VX_ERROR;
        }
        column.nullable = supportsNotNull() ? false : true;
        if (!supportsNotNull())
            addFlatWarning(4040) << name;
    }
    for (std::uint16_t i = 0; i < columnCount_; ++i) {
        const bool same = namesAreCaseSensitive() ? std::strcmp(columns_[i].name, name) == 0
                                                  : strEqualCi(columns_[i].name, name);
        if (same) {
            addFlatError(4043) << name;
            return VX_ERROR;
        }
    }
    column.name = ramAllocStr(name);
    if (!column.name)
        return VX_ERROR;
    return addColumn(&column);
}

VxStatus FlatCreateDesc::parseCreateParams(FlatSqlLexer& lexer, const BaseTypeInfo& type,
                                           FlatColumnDef* column) {
    const char* name = column->name;
    FlatSqlToken token;
    if (lexer.nextKeyword(&token))
        return VX_ERROR;
    if (!token.isChar('(')) {
        addFlatError(4023) << name;
        return VX_ERROR;
    }
    unsigned long precision = 0;
    if (lexer.nextKeyword(&token))
        return VX_ERROR;
    if (!readCount(token, &precision) || precision == 0) {
        addFlatError(4024) << name;
        return VX_ERROR;
    }
    const unsigned long maximum =
        type.precision > 0 ? static_cast<unsigned long>(type.precision) : 0;
    if (precision > maximum || precision > 0xFFFF) {
        addFlatError(4025) << name << maximum;
        return VX_ERROR;
    }
    column->precision = static_cast<std::uint16_t>(precision);
    column->scale = 0;
    if (lexer.nextKeyword(&token))
        return VX_ERROR;
    if (type.createParams == BASE_CREATE_PRECISION_SCALE && !token.isChar(')')) {
        if (!token.isChar(',')) {
            addFlatError(4026) << name;
            return VX_ERROR;
        }
        unsigned long scale = 0;
        if (lexer.nextKeyword(&token))
            return VX_ERROR;
        if (!readCount(token, &scale)) {
            addFlatError(4027) << name;
            return VX_ERROR;
        }
        const unsigned long maximumScale =
            type.maximumScale == BASE_TYPE_NULL ? 0 : static_cast<unsigned long>(type.maximumScale);
        if (scale > maximumScale) {
            addFlatError(4028) << name << maximumScale;
            return VX_ERROR;
        }
        if (lexer.nextKeyword(&token))
            return VX_ERROR;
        if (!token.isChar(')')) {
            addFlatError(4029) << name;
            return VX_ERROR;
        }
        if (scale > precision) {
            addFlatSyntaxError(3949);
            return VX_ERROR;
        }
        column->scale = static_cast<std::uint16_t>(scale);
        return VX_SUCCESS;
    }
    if (!token.isChar(')')) {
        addFlatError(4029) << name;
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus FlatCreateDesc::addColumn(FlatColumnDef* column) {
    if (columnCount_ == columnCapacity_) {
        if (columnCapacity_ >= 0x8000) {
            ramFree(column->name);
            addFlatError(3826) << static_cast<unsigned long>(columnCapacity_);
            return VX_ERROR;
        }
        std::uint16_t capacity =
            columnCapacity_ ? static_cast<std::uint16_t>(columnCapacity_ * 2) : 8;
        void* grown = columns_;
        if (ramResize(&grown, capacity * sizeof(FlatColumnDef))) {
            ramFree(column->name);
            return VX_ERROR;
        }
        columns_ = static_cast<FlatColumnDef*>(grown);
        columnCapacity_ = capacity;
    }
    columns_[columnCount_++] = *column;
    column->name = nullptr;
    return VX_SUCCESS;
}
