#include "statement/Or7Statement.h"

#include <sqlext.h>

#include <algorithm>
#include <cstring>

#include "base/BaseConvertC.h"
#include "base/BaseErrors.h"
#include "base/BaseOutString.h"
#include "base/BaseSqlString.h"
#include "connect/Or7Connection.h"
#include "error/Or7Errors.h"
#include "statement/Or7Field.h"
#include "statement/Or7Param.h"
#include "statement/Or7SqlRewrite.h"
#include "statement/Or7Value.h"

namespace {

// Oracle: a stored procedure or function was created with compilation
// errors.
constexpr int OR7_CREATED_WITH_ERRORS = 24344;
// Not a code of Oracle's: the error was raised already.
constexpr int OR7_ALREADY_RAISED = -1;
// Bytes read per call of the long-piece fetch.
constexpr std::int32_t LONG_PIECE = 32768;
// Bytes a returned character or number value may take.
constexpr std::size_t RETURNED_TEXT_ROOM = 4000;

InternalType internalOfExternal(int externalType) {
    switch (externalType) {
    case OR7_EXT_RAW:
    case OR7_EXT_LONG_RAW:
        return INTERNAL_BINARY;
    case OR7_EXT_DATE:
        return INTERNAL_TIMESTAMP;
    default:
        return INTERNAL_CHAR;
    }
}

int externalOfSqlType(short sqlType) {
    switch (sqlType) {
    case SQL_BINARY:
    case SQL_VARBINARY:
        return OR7_EXT_RAW;
    case SQL_LONGVARBINARY:
        return OR7_EXT_LONG_RAW;
    case SQL_DATE:
    case SQL_TIME:
    case SQL_TIMESTAMP:
        return OR7_EXT_DATE;
    case SQL_LONGVARCHAR:
    case SQL_WLONGVARCHAR:
        return OR7_EXT_LONG;
    default:
        return OR7_EXT_VARCHAR2;
    }
}

bool isNumericSqlType(short sqlType) {
    switch (sqlType) {
    case SQL_NUMERIC:
    case SQL_DECIMAL:
    case SQL_INTEGER:
    case SQL_SMALLINT:
    case SQL_FLOAT:
    case SQL_REAL:
    case SQL_DOUBLE:
    case SQL_TINYINT:
    case SQL_BIGINT:
        return true;
    default:
        return false;
    }
}

// A number Oracle cannot hold is refused before it is sent.
VxStatus checkExponent(const Or7Param& p) {
    int exponent = 0;
    if (!or7DecimalExponent(p.buffer_.data(), p.buffer_.size(), &exponent))
        return VX_SUCCESS;
    if (exponent < OR7_MIN_EXPONENT) {
        addOdbcError(ODBC_22003, OR7_MSG_EXPONENT_LOW);
        return VX_ERROR;
    }
    if (exponent > OR7_MAX_EXPONENT) {
        addOdbcError(ODBC_22003, OR7_MSG_EXPONENT_HIGH);
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

// Room for a value the server returns into a parameter.
std::size_t returnedRoom(const Or7Param& p) {
    switch (p.externalType_) {
    case OR7_EXT_DATE:
        return 7;
    case OR7_EXT_RAW:
    case OR7_EXT_LONG_RAW:
        return std::min<std::size_t>(std::max<std::size_t>(p.precision_, 1), 65535);
    default:
        return std::min<std::size_t>(std::max<std::size_t>(p.precision_ + 1, RETURNED_TEXT_ROOM),
                                     32767);
    }
}

} // namespace

Or7Statement::Or7Statement(BaseConnection& connection) : BaseStatement(connection) {}

Or7Statement::~Or7Statement() = default;

Or7Connection& Or7Statement::getOr7Connection() const {
    return static_cast<Or7Connection&>(getConnection());
}

BaseField* Or7Statement::allocFld() {
    return new Or7Field();
}

BaseParam* Or7Statement::allocParam() {
    return new Or7Param();
}

void Or7Statement::resetFetch() {
    rowsInBuffer_ = 0;
    currentRow_ = 0;
    onRow_ = false;
    lastArrayFull_ = false;
    endOfData_ = false;
    rowsBefore_ = 0;
}

VxStatus Or7Statement::prepareCompile(BaseSqlString* text) {
    Or7Connection& connection = getOr7Connection();
    std::vector<std::uint32_t> markers;
    for (std::uint16_t i = 0; i < text->getMarkerCount(); ++i)
        markers.push_back(text->getMarkerPosition(i));
    Or7RewriteInput input;
    input.text = text->data();
    input.length = text->length();
    input.markers = markers.data();
    input.markerCount = text->getMarkerCount();
    input.returnValueCall = hasFlag(STMT_RETURN_VALUE_CALL);
    input.noWait = text->getVerb() == VX_SQL_SELECT && text->getForUpdatePosition() != 0 &&
                   connection.getLockTimeOut() == 0;
    Or7RewriteOutput output;
    or7RewriteSql(input, &output);
    parsed_ = std::move(output.text);
    literalNames_ = std::move(output.literalNames);
    literals_ = std::move(output.literals);
    resetFetch();
    deleteFields();
    isQuery_ = false;
    hasLong_ = false;
    if (!cursor_.isOpen() && connection.openCursor(cursor_) != VX_SUCCESS)
        return VX_ERROR;
    asProcedure_ = false;
    int rc = parseText();
    if (rc != OR7_OK)
        return cursor_.raise(rc);
    return describeSelectList();
}

VxStatus Or7Statement::describeSelectList() {
    std::vector<Or7Describe> items;
    for (int position = 1;; ++position) {
        Or7Describe item;
        int rc = cursor_.describe(position, &item);
        if (rc == OR7_END_OF_LIST || rc == OR7_BAD_POSITION)
            break;
        if (rc != OR7_OK)
            return cursor_.raise(rc);
        items.push_back(item);
    }
    if (items.empty())
        return VX_SUCCESS;
    if (allocArrays(static_cast<std::uint16_t>(items.size())) != VX_SUCCESS)
        return VX_ERROR;
    std::vector<Or7Field*> fields;
    for (std::uint16_t i = 0; i < items.size(); ++i) {
        auto* field = static_cast<Or7Field*>(getField(static_cast<std::uint16_t>(i + 1)));
        if (field->describeFrom(items[i]) != VX_SUCCESS)
            return VX_ERROR;
        hasLong_ = hasLong_ || field->isLong();
        fields.push_back(field);
    }
    isQuery_ = true;
    rowsPerFetch_ =
        or7RowsPerFetch(getOr7Connection().getArraySize(), fields.data(), fields.size());
    return VX_SUCCESS;
}

bool Or7Statement::isReturned(unsigned short n, const Or7Param& p) const {
    if (n == 1 && hasFlag(STMT_RETURN_VALUE_CALL))
        return true;
    return p.paramType_ == SQL_PARAM_OUTPUT ||
           (p.paramType_ == SQL_PARAM_INPUT_OUTPUT && !p.hasFlag(BaseParam::FLAG_INOUT_AS_INPUT));
}

VxStatus Or7Statement::bindOne(unsigned short n, Or7Param& p) {
    std::string name = or7PlaceholderName(n);
    // A returned value's buffer is its room; its input length, when it has
    // one, is the actual length.
    bool returned = isReturned(n, p);
    std::size_t length = returned || p.indicator_ != -1 ? p.buffer_.size() : 0;
    int rc = cursor_.bind(name.c_str(), p.buffer_.empty() ? nullptr : p.buffer_.data(),
                          static_cast<int>(length), p.externalType_, &p.indicator_,
                          returned ? &p.actualLength_ : nullptr, returned ? &p.code_ : nullptr);
    if (rc != OR7_OK)
        return cursor_.raise(rc);
    return VX_SUCCESS;
}

// Long values sent with SQLPutData arrive in pieces, gathered until the
// last one.
VxStatus Or7Statement::bindParam(unsigned short n, const void* data, SQLLEN length,
                                 ParamBindChunkType chunk) {
    auto* p = static_cast<Or7Param*>(getParam(n));
    if (p == nullptr) {
        addOdbcError(ODBC_S1093);
        return VX_ERROR;
    }
    switch (chunk) {
    case PARAM_CHUNK_FIRST:
        p->pieces_.clear();
        [[fallthrough]];
    case PARAM_CHUNK_NEXT:
        if (data && length > 0)
            p->pieces_.append(static_cast<const char*>(data), static_cast<std::size_t>(length));
        return VX_SUCCESS;
    case PARAM_CHUNK_LAST: {
        std::string whole = std::move(p->pieces_);
        p->pieces_.clear();
        return bindValue(n, *p, whole.data(), static_cast<SQLLEN>(whole.size()));
    }
    default:
        return bindValue(n, *p, data, length);
    }
}

VxStatus Or7Statement::bindValue(unsigned short n, Or7Param& param, const void* data,
                                 SQLLEN length) {
    Or7Param* p = &param;
    p->externalType_ = externalOfSqlType(p->sqlType_);
    InternalType type = internalOfExternal(p->externalType_);
    p->buffer_.clear();
    p->indicator_ = 0;
    p->actualLength_ = 0;
    p->code_ = 0;
    if (data == nullptr) {
        p->indicator_ = -1;
    } else if (type == INTERNAL_TIMESTAMP) {
        TIMESTAMP_STRUCT value{};
        if (convertCToInternal(n, p->cType_, data, length, type, &value, sizeof value, nullptr) !=
            VX_SUCCESS)
            return VX_ERROR;
        p->buffer_.resize(7);
        or7TimestampToDate(value, reinterpret_cast<unsigned char*>(p->buffer_.data()));
    } else {
        SQLLEN size = (length > 0 ? length : 0) * 2 + 512;
        p->buffer_.resize(static_cast<std::size_t>(size));
        SQLLEN produced = 0;
        if (convertCToInternal(n, p->cType_, data, length, type, p->buffer_.data(), size, &produced,
                               p->scale_) != VX_SUCCESS)
            return VX_ERROR;
        p->buffer_.resize(static_cast<std::size_t>(produced));
        if (isNumericSqlType(p->sqlType_) && checkExponent(*p) != VX_SUCCESS)
            return VX_ERROR;
    }
    std::size_t produced = p->buffer_.size();
    if (isReturned(n, *p))
        p->buffer_.resize(std::max(produced, returnedRoom(*p)), 0);
    p->actualLength_ = static_cast<std::uint16_t>(std::min<std::size_t>(produced, 65535));
    return bindOne(n, *p);
}

// Output parameters and the return value get no value from the framework:
// their buffers are bound here, reading NULL until the server writes them.
VxStatus Or7Statement::bindReturnedParams() {
    for (unsigned short n = 1; n <= getNumParams(); ++n) {
        auto* p = static_cast<Or7Param*>(getParam(n));
        bool returnValue = n == 1 && hasFlag(STMT_RETURN_VALUE_CALL);
        if (p == nullptr || (!returnValue && p->paramType_ != SQL_PARAM_OUTPUT))
            continue;
        if (returnValue && asProcedure_) {
            p->indicator_ = -1;
            continue;
        }
        p->externalType_ = externalOfSqlType(p->sqlType_);
        p->buffer_.assign(returnedRoom(*p), 0);
        p->indicator_ = -1;
        p->actualLength_ = 0;
        p->code_ = 0;
        if (bindOne(n, *p) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus Or7Statement::bindLiterals() {
    literalIndicators_.assign(literals_.size(), 0);
    for (std::size_t k = 0; k < literals_.size(); ++k) {
        int rc = cursor_.bind(literalNames_[k].c_str(), &literals_[k][0],
                              static_cast<int>(literals_[k].size()), OR7_EXT_LONG,
                              &literalIndicators_[k], nullptr, nullptr);
        if (rc != OR7_OK)
            return cursor_.raise(rc);
    }
    return VX_SUCCESS;
}

VxStatus Or7Statement::executePreparedStmt() {
    if (bindLiterals() != VX_SUCCESS || bindReturnedParams() != VX_SUCCESS)
        return VX_ERROR;
    return isQuery_ ? runQuery() : runStatement();
}

VxStatus Or7Statement::defineColumns() {
    for (std::uint16_t column = 1; column <= getNumResultCols(); ++column) {
        auto* field = static_cast<Or7Field*>(getField(column));
        if (field->allocate(rowsPerFetch_) != VX_SUCCESS)
            return VX_ERROR;
        int rc = cursor_.define(column, field->buffer(), field->getBufferLength(),
                                field->getExternalType(), field->indicators(), field->lengths(),
                                field->codes());
        if (rc != OR7_OK)
            return cursor_.raise(rc);
    }
    return VX_SUCCESS;
}

VxStatus Or7Statement::runQuery() {
    resetFetch();
    rowCount_ = -1;
    if (defineColumns() != VX_SUCCESS)
        return VX_ERROR;
    return fetchArray(true);
}

VxStatus Or7Statement::fetchArray(bool first) {
    int rc = first ? cursor_.executeFetch(rowsPerFetch_) : cursor_.fetch(rowsPerFetch_);
    if (rc != OR7_OK && rc != OR7_NO_DATA && rc != OR7_TRUNCATED)
        return cursor_.raise(rc);
    std::uint32_t processed = cursor_.rowsProcessed();
    std::uint32_t got = processed >= rowsBefore_ ? processed - rowsBefore_ : 0;
    rowsBefore_ = processed;
    rowsInBuffer_ = std::min<std::uint32_t>(got, rowsPerFetch_);
    endOfData_ = rc == OR7_NO_DATA;
    lastArrayFull_ = !endOfData_ && rowsInBuffer_ >= rowsPerFetch_;
    currentRow_ = 0;
    onRow_ = false;
    ++fetchSerial_;
    return VX_SUCCESS;
}

// Whether a value of the current row was cut to its buffer (Oracle's
// 1406); a long column's first piece does not count, its value is read
// piecewise.
bool Or7Statement::currentRowCut() {
    for (std::uint16_t column = 1; column <= getNumResultCols(); ++column) {
        auto* field = static_cast<Or7Field*>(getField(column));
        if (field->isLong())
            continue;
        short indicator = field->indicators()[currentRow_];
        if (field->codes()[currentRow_] == OR7_TRUNCATED || indicator > 0 || indicator == -2)
            return true;
    }
    return false;
}

VxStatus Or7Statement::fetchRow(unsigned short* noMore) {
    *noMore = 0;
    unsigned next = onRow_ ? currentRow_ + 1 : currentRow_;
    if (next >= rowsInBuffer_) {
        if (!lastArrayFull_) {
            onRow_ = false;
            currentRow_ = rowsInBuffer_;
            *noMore = 1;
            return VX_SUCCESS;
        }
        if (fetchArray(false) != VX_SUCCESS)
            return VX_ERROR;
        if (rowsInBuffer_ == 0) {
            *noMore = 1;
            return VX_SUCCESS;
        }
        next = 0;
    }
    currentRow_ = next;
    onRow_ = true;
    if (currentRowCut())
        addOdbcWarning(ODBC_01004);
    return VX_SUCCESS;
}

VxStatus Or7Statement::readLong(Or7Field& field, unsigned short column) {
    if (field.longFetch_ == fetchSerial_)
        return VX_SUCCESS;
    field.longValue_.clear();
    field.longNull_ = field.indicators()[currentRow_] == -1;
    std::vector<char> piece(LONG_PIECE);
    std::int32_t offset = 0;
    while (!field.longNull_) {
        std::uint32_t got = 0;
        int rc = cursor_.fetchLong(column, piece.data(), LONG_PIECE, field.getExternalType(), &got,
                                   offset);
        if (rc != OR7_OK && rc != OR7_TRUNCATED && rc != OR7_NO_DATA)
            return cursor_.raise(rc);
        got = std::min<std::uint32_t>(got, LONG_PIECE);
        field.longValue_.append(piece.data(), got);
        offset += static_cast<std::int32_t>(got);
        if (got < static_cast<std::uint32_t>(LONG_PIECE) || rc == OR7_NO_DATA)
            break;
    }
    field.longFetch_ = fetchSerial_;
    return VX_SUCCESS;
}

VxStatus Or7Statement::getData(unsigned short column, short cType, BaseOutString* out) {
    auto* field = static_cast<Or7Field*>(getField(column));
    if (field == nullptr || !onRow_) {
        addOdbcError(ODBC_24000);
        return VX_ERROR;
    }
    InternalType type = internalOfExternal(field->getExternalType());
    if (field->isLong()) {
        if (readLong(*field, column) != VX_SUCCESS)
            return VX_ERROR;
        if (field->longNull_)
            return convertInternalToC(column, cType, out, nullptr, SQL_NULL_DATA, type);
        return convertInternalToCHuge(column, cType, out, field->longValue_.data(),
                                      static_cast<SQLLEN>(field->longValue_.size()), type);
    }
    if (field->indicators()[currentRow_] == -1)
        return convertInternalToC(column, cType, out, nullptr, SQL_NULL_DATA, type);
    const char* value = field->valueAt(currentRow_);
    if (type == INTERNAL_TIMESTAMP) {
        TIMESTAMP_STRUCT stamp{};
        or7DateToTimestamp(reinterpret_cast<const unsigned char*>(value), &stamp);
        return convertInternalToC(column, cType, out, &stamp, sizeof stamp, type);
    }
    SQLLEN length = std::min<SQLLEN>(field->lengths()[currentRow_], field->getBufferLength());
    return convertInternalToC(column, cType, out, value, length, type);
}

VxStatus Or7Statement::runStatement() {
    int rc = cursor_.execute();
    if (rc == OR7_PLSQL_ERROR && hasFlag(STMT_RETURN_VALUE_CALL))
        rc = retryAsProcedure(rc);
    rowCount_ = static_cast<SQLLEN>(cursor_.rowsProcessed());
    if (rc == OR7_CREATED_WITH_ERRORS) {
        addOdbcWarning(ODBC_01000, OR7_MSG_PROCEDURE_ERRORS);
        return VX_SUCCESS;
    }
    if (rc == OR7_ALREADY_RAISED)
        return VX_ERROR;
    if (rc != OR7_OK)
        return cursor_.raise(rc);
    return returnParams();
}

// Drops the return-value assignment of a {?=call} that Oracle refused
// with PLS-00222 (no such function), so that it runs as a procedure call
// whose return value is NULL; false when that does not apply.
bool Or7Statement::callAsProcedure(int rc) {
    if (rc != OR7_PLSQL_ERROR || !hasFlag(STMT_RETURN_VALUE_CALL) || asProcedure_)
        return false;
    std::size_t assignment = parsed_.find(OR7_RETURN_ASSIGNMENT);
    if (cursor_.messageOf(rc).find("PLS-00222") == std::string::npos ||
        assignment == std::string::npos)
        return false;
    parsed_.erase(assignment, std::strlen(OR7_RETURN_ASSIGNMENT));
    asProcedure_ = true;
    return true;
}

int Or7Statement::parseText() {
    int rc = cursor_.parse(parsed_.c_str(), false);
    if (callAsProcedure(rc))
        rc = cursor_.parse(parsed_.c_str(), false);
    return rc;
}

// The refusal may also come at execution: the call is parsed again as a
// procedure call and its values bound again.
int Or7Statement::retryAsProcedure(int rc) {
    if (!callAsProcedure(rc))
        return rc;
    rc = cursor_.parse(parsed_.c_str(), false);
    if (rc != OR7_OK)
        return rc;
    for (unsigned short n = 2; n <= getNumParams(); ++n) {
        auto* p = static_cast<Or7Param*>(getParam(n));
        if (p && p->externalType_ != 0 && bindOne(n, *p) != VX_SUCCESS)
            return OR7_ALREADY_RAISED;
    }
    if (bindLiterals() != VX_SUCCESS)
        return OR7_ALREADY_RAISED;
    return cursor_.execute();
}

VxStatus Or7Statement::returnParams() {
    VxStatus status = VX_SUCCESS;
    for (unsigned short n = 1; n <= getNumParams(); ++n) {
        auto* p = static_cast<Or7Param*>(getParam(n));
        if (p == nullptr || !isReturned(n, *p) || (!p->value_ && !p->length_))
            continue;
        BaseOutString out(p->value_, p->valueMax_, p->length_);
        BaseConvertPlace place = BaseConvertPlace::parameter(n);
        InternalType type = internalOfExternal(p->externalType_);
        if (p->indicator_ == -1) {
            if (p->length_)
                *p->length_ = SQL_NULL_DATA;
            continue;
        }
        VxStatus one;
        if (type == INTERNAL_TIMESTAMP) {
            TIMESTAMP_STRUCT stamp{};
            or7DateToTimestamp(reinterpret_cast<const unsigned char*>(p->buffer_.data()), &stamp);
            one = baseConvertInternalToC(place, p->cType_, out, &stamp, sizeof stamp, type);
        } else {
            SQLLEN length =
                std::min<SQLLEN>(p->actualLength_, static_cast<SQLLEN>(p->buffer_.size()));
            one = baseConvertInternalToC(place, p->cType_, out, p->buffer_.data(), length, type);
        }
        if (one != VX_SUCCESS)
            status = VX_ERROR;
    }
    return status;
}

VxStatus Or7Statement::rowCount(SQLLEN* count) {
    *count = isQuery_ ? -1 : rowCount_;
    return VX_SUCCESS;
}

VxStatus Or7Statement::setToPreparedState() {
    resetFetch();
    return BaseStatement::setToPreparedState();
}

VxStatus Or7Statement::setToAllocatedState(unsigned short keepPrepared) {
    resetFetch();
    if (!keepPrepared) {
        parsed_.clear();
        literalNames_.clear();
        literals_.clear();
        isQuery_ = false;
        hasLong_ = false;
        int rc = cursor_.close();
        if (rc != OR7_OK)
            return cursor_.raise(rc);
    }
    return BaseStatement::setToAllocatedState(keepPrepared);
}
