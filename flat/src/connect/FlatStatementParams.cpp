// Parameters of a flat statement: bindParam converts the application's
// value once into the storage form its SQL type asks for, and the
// statement hands it to the evaluator as a FlatParamSource.
//
//   SQL type                               storage          bytes
//   CHAR, VARCHAR                          character        precision
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

bool formOf(short sqlType, ParamForm* form) {
    switch (sqlType) {
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
    return sqlType == SQL_LONGVARCHAR || sqlType == SQL_LONGVARBINARY;
}

// Bytes a piece of `length` bytes of C type `cType` may need once converted
// (binary written as text doubles).
std::uint32_t pieceRoom(short cType, SQLLEN length) {
    const std::uint32_t bytes = static_cast<std::uint32_t>(length > 0 ? length : 0);
    return cType == SQL_C_BINARY ? bytes * 2 + 1 : bytes + 1;
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
    *sqlType = param->sqlType_;
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
    if (cType == SQL_C_CHAR && length > 0 &&
        std::memchr(data, 0, static_cast<std::size_t>(length))) {
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
        const SQLLEN bytes = length == SQL_NTS
                                 ? static_cast<SQLLEN>(std::strlen(static_cast<const char*>(data)))
                                 : length;
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
        size = param->precision_ > 0 ? static_cast<std::uint32_t>(param->precision_) : 1;
    if (param->reserve(size) != VX_SUCCESS)
        return VX_ERROR;
    SQLLEN produced = 0;
    if (convertCToInternal(number, cType, data, length, form.conversion, param->getBuffer(), size,
                           &produced, param->scale_) != VX_SUCCESS)
        return VX_ERROR;
    param->setValue(form.storage, static_cast<std::uint32_t>(produced));
    return VX_SUCCESS;
}
