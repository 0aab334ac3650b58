// SQLGetData and the statement's conversion members.
//
// A column is read in pieces: each call delivers the value from the bytes
// already delivered on (for binary data shown as hexadecimal text, one
// byte per two characters); a cut piece leaves the column open, a whole
// one completes it, and the next call on a completed column answers
// SQL_NO_DATA_FOUND. The statement's convertInternalToC applies that
// offset, so a driver's getData hook always passes the whole value.
#include <sqlext.h>

#include <cstring>

#include "BaseResultSide.h"
#include "base/BaseBinding.h"
#include "base/BaseConnection.h"
#include "base/BaseConvertC.h"
#include "base/BaseErrors.h"
#include "base/BaseField.h"
#include "base/BaseOutString.h"
#include "base/BaseWideText.h"
#include "util/ram.h"

namespace {

SQLUINTEGER infoMask(BaseStatement& statement, unsigned short infoType) {
    SQLUINTEGER mask = 0;
    if (statement.getConnection().getInfo(infoType, &mask, sizeof mask) != VX_SUCCESS)
        return 0;
    return mask;
}

bool boundAtOrAfter(const BaseStatement& statement, SQLUSMALLINT column) {
    for (std::uint16_t bound = column; bound <= statement.getHighestBoundColumn(); ++bound)
        if (statement.getBinding(bound))
            return true;
    return false;
}

// The columns SQLGetData may read, by SQL_GETDATA_EXTENSIONS.
VxStatus checkGetDataColumn(BaseStatement& statement, SQLUSMALLINT column) {
    BaseResultState& cursor = BaseResultSide::state(statement);
    if (!cursor.getDataExtensionsKnown) {
        SQLUINTEGER mask = 0;
        if (statement.getConnection().getInfo(SQL_GETDATA_EXTENSIONS, &mask, sizeof mask) ==
            VX_SUCCESS)
            cursor.getDataExtensionsKnown = true;
        cursor.getDataExtensions = mask;
    }
    const SQLUINTEGER extensions = cursor.getDataExtensions;
    bool allowed = true;
    if (!(extensions & SQL_GD_ANY_COLUMN) && boundAtOrAfter(statement, column))
        allowed = false;
    if (!(extensions & SQL_GD_BOUND) && statement.getBinding(column))
        allowed = false;
    if (!(extensions & SQL_GD_ANY_ORDER) && cursor.getDataColumn && column < cursor.getDataColumn)
        allowed = false;
    if (allowed)
        return VX_SUCCESS;
    addOdbcError(ODBC_S1002);
    return VX_ERROR;
}

// The driver must stand on the row SQLGetData reads: scrollable cursors
// go back to it, forward-only ones can only read the row they stand on.
VxStatus standOnRow(BaseStatement& statement) {
    BaseResultState& cursor = BaseResultSide::state(statement);
    if (cursor.rowsetStart == 0 || cursor.afterEnd || cursor.positionRow == 0) {
        addOdbcError(ODBC_24000);
        return VX_ERROR;
    }
    if (cursor.onRow && cursor.currentRow == cursor.positionRow)
        return VX_SUCCESS;
    if (!BaseResultSide::isScrollable(statement)) {
        addOdbcError(ODBC_S1109);
        return VX_ERROR;
    }
    unsigned short noRow = 0;
    if (BaseResultSide::fetchRandom(statement, cursor.positionRow, &noRow, 0) != VX_SUCCESS)
        return VX_ERROR;
    if (noRow) {
        addOdbcError(ODBC_S1109);
        return VX_ERROR;
    }
    cursor.currentRow = cursor.positionRow;
    cursor.onRow = true;
    return VX_SUCCESS;
}

// Resolves SQL_C_DEFAULT and checks that the column converts.
VxStatus resolveCType(BaseStatement& statement, SQLUSMALLINT column, SQLSMALLINT* cType) {
    if (column == 0)
        return VX_SUCCESS;
    BaseField* field = statement.getField(column);
    short sqlType = field->getSqlType();
    if (*cType == SQL_C_DEFAULT) {
        *cType = baseDefaultCType(sqlType);
        return VX_SUCCESS;
    }
    if (field->isGetDataCheckedFor(*cType))
        return VX_SUCCESS;
    if (!baseIsValidCType(*cType)) {
        addOdbcError(ODBC_S1003);
        return VX_ERROR;
    }
    if (baseCheckColumnConversion(column, sqlType, *cType) != VX_SUCCESS)
        return VX_ERROR;
    field->setGetDataCheckedFor(*cType);
    return VX_SUCCESS;
}

VxStatus checkColumn(BaseStatement& statement, SQLUSMALLINT column, std::uint16_t count) {
    if (column == 0) {
        if (infoMask(statement, SQL_BOOKMARK_PERSISTENCE) == 0) {
            addOdbcError(ODBC_S1C00);
            return VX_ERROR;
        }
        return VX_SUCCESS;
    }
    if (column > count) {
        addOdbcError(ODBC_S1002);
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

} // namespace

SQLRETURN BaseStatement::SQLGetData(SQLUSMALLINT icol, SQLSMALLINT fCType, SQLPOINTER rgbValue,
                                    SQLLEN cbValueMax, SQLLEN* pcbValue) {
    BaseStatementCall call(*this, SQL_API_SQLGETDATA);
    if (call.isBusy())
        return BASE_BUSY;
    std::uint16_t count = 0;
    if (BaseResultSide::requireCursor(*this) != VX_SUCCESS ||
        BaseResultSide::columnCount(*this, &count) != VX_SUCCESS ||
        checkColumn(*this, icol, count) != VX_SUCCESS || standOnRow(*this) != VX_SUCCESS)
        return call.finish(SQL_ERROR);
    if (icol == result_.getDataColumn && result_.getDataColumn != 0) {
        if (result_.getDataComplete)
            return call.finish(SQL_NO_DATA_FOUND);
        if (fCType != result_.getDataCType) {
            addOdbcError(ODBC_S1003);
            return call.finish(SQL_ERROR);
        }
    } else {
        if (checkGetDataColumn(*this, icol) != VX_SUCCESS)
            return call.finish(SQL_ERROR);
        result_.forgetGetData();
    }
    SQLSMALLINT cType = fCType;
    if (resolveCType(*this, icol, &cType) != VX_SUCCESS)
        return call.finish(SQL_ERROR);
    if (cbValueMax < 0) {
        addOdbcError(ODBC_S1090);
        return call.finish(SQL_ERROR);
    }
    result_.getDataColumn = icol;
    result_.getDataCType = fCType;
    BaseOutString out(rgbValue, cbValueMax, pcbValue);
    result_.pieceActive = true;
    result_.lastPieceable = false;
    VxStatus status;
    if (icol == 0) {
        auto bookmark = static_cast<SQLUINTEGER>(result_.currentRow);
        status = convertInternalToC(0, cType, &out, &bookmark, sizeof bookmark, INTERNAL_ULONG);
    } else {
        status = BaseResultSide::getData(*this, icol, cType, &out);
    }
    result_.pieceActive = false;
    if (status == VX_SUCCESS && out.wasCut() && result_.lastPieceable && out.getSourceUsed() > 0)
        result_.getDataOffset += out.getSourceUsed();
    else
        result_.getDataComplete = true;
    return call.finish(baseReturnCode(status));
}

namespace {

// The part of a character or binary value the application receives now:
// from the bytes already delivered, at most SQL_MAX_LENGTH bytes in all.
void pieceOf(BaseStatement& statement, const void** value, SQLLEN* length, InternalType type) {
    if (!*value || (type != INTERNAL_CHAR && type != INTERNAL_BINARY))
        return;
    if (type == INTERNAL_CHAR && *length == SQL_NTS)
        *length = static_cast<SQLLEN>(std::strlen(static_cast<const char*>(*value)));
    if (*length < 0)
        return;
    const BaseResultState& cursor = statement.getResultState();
    SQLLEN offset = cursor.pieceActive ? cursor.getDataOffset : 0;
    SQLULEN maxLength = statement.getOptions().get(SQL_MAX_LENGTH);
    if (maxLength > 0 && static_cast<SQLULEN>(*length) > maxLength)
        *length = static_cast<SQLLEN>(maxLength);
    offset = offset > *length ? *length : offset;
    *value = static_cast<const char*>(*value) + offset;
    *length -= offset;
}

bool exceedsMaxLength(BaseStatement& statement, SQLLEN length) {
    const SQLULEN maxLength = statement.getOptions().get(SQL_MAX_LENGTH);
    return maxLength > 0 && length >= 0 && static_cast<SQLULEN>(length) > maxLength;
}

// A character value for SQL_C_WCHAR from a data source whose character
// set is not UTF-8: the whole value is translated and recoded as UTF-8
// first, so that the pieces are counted in the recoded text.
VxStatus recodeForWide(BaseStatement& statement, unsigned short column, const void** value,
                       SQLLEN* length, char** recoded) {
    BaseConnection& connection = statement.getConnection();
    if (*length == SQL_NTS)
        *length = static_cast<SQLLEN>(std::strlen(static_cast<const char*>(*value)));
    if (*length < 0)
        return VX_SUCCESS;
    char* translated = nullptr;
    const char* text = static_cast<const char*>(*value);
    if (*length > 0 && connection.frameworkTranslates()) {
        if (!(translated = static_cast<char*>(ramAlloc(static_cast<std::size_t>(*length)))))
            return VX_ERROR;
        std::memcpy(translated, text, static_cast<std::size_t>(*length));
        BaseField* field = statement.getField(column);
        if (connection.toDriver(field ? field->getSqlType() : SQL_CHAR, translated, *length) !=
            VX_SUCCESS) {
            ramFree(translated);
            return VX_ERROR;
        }
        text = translated;
    }
    std::size_t utf8Length = 0;
    VxStatus status = connection.getCharset().toUtf8(text, static_cast<std::size_t>(*length),
                                                     recoded, &utf8Length);
    ramFree(translated);
    if (status != VX_SUCCESS)
        return VX_ERROR;
    *value = *recoded;
    *length = static_cast<SQLLEN>(utf8Length);
    return VX_SUCCESS;
}

VxStatus deliver(BaseStatement& statement, unsigned short column, short cType, BaseOutString* out,
                 const void* value, SQLLEN length, InternalType type, short scale, bool huge) {
    BaseResultState& cursor = BaseResultSide::state(statement);
    if (cursor.pieceActive)
        cursor.lastPieceable = value && (type == INTERNAL_CHAR || type == INTERNAL_BINARY);
    BaseConnection& connection = statement.getConnection();
    // Most values reach a character buffer whole: copied or rewritten
    // directly, with no piece, translation or length limit in play (ASCII
    // text for a wide buffer in a character set where it is itself).
    if (!huge && (!cursor.pieceActive || cursor.getDataOffset == 0) &&
        (type != INTERNAL_CHAR ||
         (!connection.frameworkTranslates() && !exceedsMaxLength(statement, length)))) {
        if (cType == SQL_C_CHAR && baseDeliverPlainText(*out, value, length, type))
            return VX_SUCCESS;
        if (cType == SQL_C_WCHAR && type == INTERNAL_CHAR &&
            connection.getCharset().readsAsciiAsItself() &&
            baseDeliverAsciiAsWide(*out, value, length))
            return VX_SUCCESS;
    }
    char* recoded = nullptr;
    bool recode =
        cType == SQL_C_WCHAR && type == INTERNAL_CHAR && value && !connection.getCharset().isUtf8();
    if (recode && recodeForWide(statement, column, &value, &length, &recoded) != VX_SUCCESS)
        return VX_ERROR;
    pieceOf(statement, &value, &length, type);
    char* translated = nullptr;
    if (!recode && type == INTERNAL_CHAR && value && length > 0 &&
        connection.frameworkTranslates()) {
        if (!(translated = static_cast<char*>(ramAlloc(static_cast<std::size_t>(length)))))
            return VX_ERROR;
        std::memcpy(translated, value, static_cast<std::size_t>(length));
        BaseField* field = statement.getField(column);
        if (connection.toDriver(field ? field->getSqlType() : SQL_CHAR, translated, length) !=
            VX_SUCCESS) {
            ramFree(translated);
            return VX_ERROR;
        }
        value = translated;
    }
    BaseConvertPlace place = BaseConvertPlace::column(column);
    VxStatus status =
        huge ? baseConvertInternalToCHuge(place, cType, *out, value, length, type, scale)
             : baseConvertInternalToC(place, cType, *out, value, length, type, scale);
    ramFree(translated);
    ramFree(recoded);
    return status;
}

} // namespace

VxStatus BaseStatement::convertInternalToC(unsigned short column, short cType, BaseOutString* out,
                                           const void* value, SQLLEN length, InternalType type,
                                           short scale) {
    return deliver(*this, column, cType, out, value, length, type, scale, false);
}

VxStatus BaseStatement::convertInternalToCHuge(unsigned short column, short cType,
                                               BaseOutString* out, const void* value, SQLLEN length,
                                               InternalType type, short scale) {
    return deliver(*this, column, cType, out, value, length, type, scale, true);
}

// Wide values become text of the connection's character set; character
// values bound for the data source then pass through the connection's
// translation library.
VxStatus BaseStatement::convertCToInternal(unsigned short param, short cType, const void* value,
                                           SQLLEN length, InternalType type, void* buffer,
                                           SQLLEN size, SQLLEN* outLength, short scale) {
    SQLLEN produced = 0;
    char* narrow = nullptr;
    if (cType == SQL_C_WCHAR && value && (length >= 0 || length == SQL_NTS)) {
        if (baseWideToNarrow(getConnection().getCharset(), value, length, &narrow, &length) !=
            VX_SUCCESS)
            return VX_ERROR;
        value = narrow;
        cType = SQL_C_CHAR;
    }
    VxStatus status = baseConvertCToInternal(BaseConvertPlace::parameter(param), cType, value,
                                             length, type, buffer, size, &produced, scale);
    ramFree(narrow);
    if (status != VX_SUCCESS)
        return VX_ERROR;
    if (outLength)
        *outLength = produced;
    if (type == INTERNAL_CHAR && buffer && produced > 0 && getConnection().frameworkTranslates())
        return getConnection().toDataSource(SQL_CHAR, buffer, produced);
    return VX_SUCCESS;
}
