// Parameters of a flat statement: bindParam converts the application's
// value once into the storage form its SQL type asks for, and the
// statement hands it to the evaluator as a FlatParamSource.
//
//   SQL type                               storage          bytes
//   CHAR, VARCHAR                          character        precision
//   WCHAR, WVARCHAR, WLONGVARCHAR          as CHAR, VARCHAR, LONGVARCHAR
//                                          (UTF-8 text: up to 3 bytes per
//                                          2-byte character)
//   NUMERIC, DECIMAL, BIGINT               decimal digits   88
//   INTEGER, SMALLINT, BIT, TINYINT        signed 32-bit    4
//   FLOAT, REAL, DOUBLE                    double           8
//   DATE / TIME / TIMESTAMP                date/time        6 / 6 / 16
//   BINARY, VARBINARY                      binary           precision
//   LONGVARCHAR, LONGVARBINARY             character/binary, collected
//                                          piece by piece
#include <sqlext.h>

#include <cstring>

#include "base/BaseErrors.h"
#include "base/BaseWideText.h"
#include "error/FlatErrors.h"
#include "flat/FlatDataValue.h"
#include "flat/FlatDescriptor.h"
#include "flat/FlatParam.h"
#include "flat/FlatStatement.h"

namespace {

struct ParamForm {
    InternalType conversion; // target of the framework's conversion
    short storage;           // storage type kept in the parameter
    std::uint32_t size;      // 0: the parameter's precision
};

// The wide character types are their character counterparts: the value
// is kept as UTF-8 text, so the engine sees one kind of character data.
short narrowSqlType(short sqlType) {
    switch (sqlType) {
    case SQL_WCHAR:
        return SQL_CHAR;
    case SQL_WVARCHAR:
        return SQL_VARCHAR;
    case SQL_WLONGVARCHAR:
        return SQL_LONGVARCHAR;
    default:
        return sqlType;
    }
}

bool formOf(short sqlType, ParamForm* form) {
    switch (narrowSqlType(sqlType)) {
    case SQL_CHAR:
    case SQL_VARCHAR:
        *form = {INTERNAL_CHAR, INTERNAL_CHAR, 0};
        return true;
    case SQL_NUMERIC:
    case SQL_DECIMAL:
    case SQL_BIGINT:
        *form = {INTERNAL_DIGITS, INTERNAL_DIGITS, 88};
        return true;
    case SQL_INTEGER:
    case SQL_SMALLINT:
    case SQL_BIT:
    case SQL_TINYINT:
        *form = {INTERNAL_SLONG, INTERNAL_SLONG, 4};
        return true;
    case SQL_FLOAT:
    case SQL_REAL:
    case SQL_DOUBLE:
        *form = {INTERNAL_DOUBLE, INTERNAL_DOUBLE, 8};
        return true;
    case SQL_DATE:
        *form = {INTERNAL_DATE, INTERNAL_DATE, 6};
        return true;
    case SQL_TIME:
        *form = {INTERNAL_TIME, INTERNAL_TIME, 6};
        return true;
    case SQL_TIMESTAMP:
        *form = {INTERNAL_TIMESTAMP, INTERNAL_TIMESTAMP, 16};
        return true;
    case SQL_BINARY:
    case SQL_VARBINARY:
        *form = {INTERNAL_BINARY, FLAT_STORAGE_BINARY, 0};
        return true;
    case SQL_LONGVARCHAR:
        *form = {INTERNAL_CHAR, INTERNAL_CHAR, 0};
        return true;
    case SQL_LONGVARBINARY:
        *form = {INTERNAL_BINARY, FLAT_STORAGE_BINARY, 0};
        return true;
    default:
        return false;
    }
}

bool isLong(short sqlType) {
    sqlType = narrowSqlType(sqlType);
    return sqlType == SQL_LONGVARCHAR || sqlType == SQL_LONGVARBINARY;
}

// True when text of C type `cType` holds a terminator within its `length`
// bytes (a zero unit for wide text).
bool hasEmbeddedNul(short cType, const void* data, SQLLEN length) {
    if (length <= 0)
        return false;
    const auto* bytes = static_cast<const unsigned char*>(data);
    if (cType == SQL_C_CHAR)
        return std::memchr(bytes, 0, static_cast<std::size_t>(length)) != nullptr;
    if (cType != SQL_C_WCHAR)
        return false;
    SQLLEN units = length / static_cast<SQLLEN>(baseWideUnit());
    for (SQLLEN i = 0; i < units; ++i) {
        if (baseWideAt(bytes, i) == 0)
            return true;
    }
    return false;
}

// Bytes a piece of `length` bytes of C type `cType` may need once converted
// (binary written as text doubles; a 2-byte character becomes up to 3
// bytes of UTF-8).
std::uint32_t pieceRoom(short cType, SQLLEN length) {
    const std::uint32_t bytes = static_cast<std::uint32_t>(length > 0 ? length : 0);
    if (cType == SQL_C_WCHAR)
        return bytes / 2 * 3 + 1;
    return cType == SQL_C_BINARY ? bytes * 2 + 1 : bytes + 1;
}

// Bytes of a null-terminated value (in wide units for wide text).
SQLLEN ntsLength(short cType, const void* data) {
    if (cType != SQL_C_WCHAR)
        return static_cast<SQLLEN>(std::strlen(static_cast<const char*>(data)));
    return static_cast<SQLLEN>(baseWideLength(data) * baseWideUnit());
}

// Bytes a character value of `precision` characters may need as UTF-8
// when it comes as wide text.
std::uint32_t charRoom(short cType, std::uint32_t precision) {
    return cType == SQL_C_WCHAR ? precision * 3 : precision;
}

} // namespace

BaseParam* FlatStatement::allocParam() {
    return new FlatParam();
}

VxStatus FlatStatement::getParamValue(std::uint16_t number, FlatDataValue* value, short* sqlType,
                                      bool* provided) {
    auto* param = dynamic_cast<FlatParam*>(getActualParam(number));
    *provided = param && param->hasValue();
    if (!*provided)
        return VX_SUCCESS;
    *sqlType = narrowSqlType(param->sqlType_);
    if (param->isNullValue()) {
        value->clear();
        value->setNull();
        return VX_SUCCESS;
    }
    value->setValueBuffer(param->getBuffer(), 0);
    value->setLength(param->getValueLength());
    value->setStorageType(param->getStorageType());
    return VX_SUCCESS;
}

VxStatus FlatStatement::bindParam(unsigned short number, const void* data, SQLLEN length,
                                  ParamBindChunkType chunk) {
    auto* param = dynamic_cast<FlatParam*>(getActualParam(number));
    if (!param) {
        addOdbcError(ODBC_S1000);
        return VX_ERROR;
    }
    if (descriptor_ && !descriptor_->isParamLegal(number)) {
        addFlatError(4002) << static_cast<long>(number);
        return VX_ERROR;
    }
    if (chunk == PARAM_CHUNK_LAST)
        return VX_SUCCESS;
    if (length == SQL_NULL_DATA) {
        param->setNullValue();
        return VX_SUCCESS;
    }
    const short cType = param->cType_;
    if (hasEmbeddedNul(cType, data, length)) {
        addFlatError(4045);
        return VX_ERROR;
    }
    ParamForm form;
    if (!formOf(param->sqlType_, &form)) {
        addOdbcError(ODBC_S1C00);
        return VX_ERROR;
    }
    if (isLong(param->sqlType_)) {
        // Pieces are appended; the first (or a whole value) starts afresh.
        const SQLLEN bytes = length == SQL_NTS ? ntsLength(cType, data) : length;
        const std::uint32_t start =
            (chunk == PARAM_CHUNK_NEXT && param->hasValue() && !param->isNullValue())
                ? param->getValueLength()
                : 0;
        const std::uint32_t room = pieceRoom(cType, bytes);
        if (param->reserve(start + room) != VX_SUCCESS)
            return VX_ERROR;
        SQLLEN produced = 0;
        if (convertCToInternal(number, cType, data, bytes, form.conversion,
                               param->getBuffer() + start, room, &produced) != VX_SUCCESS)
            return VX_ERROR;
        param->setValue(form.storage, start + static_cast<std::uint32_t>(produced));
        return VX_SUCCESS;
    }
    std::uint32_t size = form.size;
    if (size == 0)
        size = charRoom(cType,
                        param->precision_ > 0 ? static_cast<std::uint32_t>(param->precision_) : 1);
    if (param->reserve(size) != VX_SUCCESS)
        return VX_ERROR;
    SQLLEN produced = 0;
    if (convertCToInternal(number, cType, data, length, form.conversion, param->getBuffer(), size,
                           &produced, param->scale_) != VX_SUCCESS)
        return VX_ERROR;
    param->setValue(form.storage, static_cast<std::uint32_t>(produced));
    return VX_SUCCESS;
}
