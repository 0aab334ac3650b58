// BaseCatalogCall: opening a catalog result, checking name arguments and
// completing or abandoning the result.
#include "BaseCatalogCall.h"

#include <sqlext.h>

#include <cstring>

#include "base/BaseConnection.h"
#include "base/BaseErrors.h"

namespace {

struct NameLimit {
    unsigned short infoType;
    unsigned short msgId;
};

NameLimit limitOf(BaseCatalogNameKind kind) {
    switch (kind) {
    case BaseCatalogNameKind::QUALIFIER:
        return {SQL_MAX_QUALIFIER_NAME_LEN, 6016};
    case BaseCatalogNameKind::OWNER:
        return {SQL_MAX_OWNER_NAME_LEN, 6017};
    case BaseCatalogNameKind::TABLE:
        return {SQL_MAX_TABLE_NAME_LEN, 6018};
    case BaseCatalogNameKind::COLUMN:
        return {SQL_MAX_COLUMN_NAME_LEN, 6019};
    default:
        return {SQL_MAX_PROCEDURE_NAME_LEN, 6020};
    }
}

} // namespace

bool BaseCatalogCall::errorRaised(BaseStatement& statement) {
    ErrorsMix mix = statement.getErrorList().getErrorsMix();
    return mix == ERRORS_MIX_ERRORS || mix == ERRORS_MIX_BOTH;
}

std::uint32_t BaseCatalogCall::infoNumber(BaseConnection& connection, unsigned short infoType) {
    SQLUINTEGER value = 0;
    return connection.getInfo(infoType, &value, sizeof value) == VX_SUCCESS ? value : 0;
}

char BaseCatalogCall::infoChar(BaseConnection& connection, unsigned short infoType) {
    char text[8] = {};
    if (connection.getInfo(infoType, text, sizeof text) != VX_SUCCESS)
        return 0;
    return text[0];
}

VxStatus BaseCatalogCall::open(BaseCatalogInfo* info) {
    if (!info)
        return VX_ERROR;
    std::uint16_t state = statement_.getState();
    if (state == BaseStatement::STMT_CURSOR_OPEN) {
        delete info;
        addOdbcError(ODBC_24000);
        return VX_ERROR;
    }
    if (state != BaseStatement::STMT_ALLOCATED &&
        statement_.returnToAllocatedState() != VX_SUCCESS) {
        delete info;
        return VX_ERROR;
    }
    statement_.deleteFields();
    statement_.setCatalogResult(info);
    statement_.setPrepareMode(BaseStatement::PREPARE_CATALOG);
    info_ = info;
    return VX_SUCCESS;
}

VxStatus BaseCatalogCall::setName(std::uint16_t slot, const SQLCHAR* text, SQLSMALLINT length,
                                  BaseCatalogNameKind kind) {
    BaseConnection& connection = statement_.getConnection();
    char quote = infoChar(connection, SQL_IDENTIFIER_QUOTE_CHAR);
    char escape = infoChar(connection, SQL_SEARCH_PATTERN_ESCAPE);
    BaseCatalogName& name = info_->name(slot);
    if (name.set(text, length, quote, escape) != VX_SUCCESS)
        return VX_ERROR;
    if (!name.isGiven())
        return VX_SUCCESS;
    NameLimit limit = limitOf(kind);
    std::uint32_t max = infoNumber(connection, limit.infoType);
    if (max != 0 && std::strlen(name.getName()) > max) {
        addOdbcError(ODBC_S1090, limit.msgId)
            << name.getPattern() << static_cast<unsigned long>(max);
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus BaseCatalogCall::complete(VxStatus hookStatus) {
    if (hookStatus != VX_SUCCESS) {
        if (!errorRaised(statement_))
            addOdbcError(ODBC_S1C00);
        return VX_ERROR;
    }
    if (info_->finish() != VX_SUCCESS)
        return VX_ERROR;
    return statement_.enterExecutedState();
}

SQLRETURN BaseCatalogCall::result(VxStatus status) {
    if (status == VX_SUCCESS)
        return SQL_SUCCESS;
    if (info_ && statement_.getCatalogResult() == info_) {
        statement_.setCatalogResult(nullptr);
        statement_.deleteFields();
        statement_.setPrepareMode(BaseStatement::PREPARE_NONE);
        statement_.setState(BaseStatement::STMT_ALLOCATED);
    }
    return SQL_ERROR;
}
