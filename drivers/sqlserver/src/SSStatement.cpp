#include "SSStatement.h"

#include <sqlext.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "SSConnection.h"
#include "SSCreateTable.h"
#include "SSField.h"
#include "SSMessages.h"
#include "SSTypes.h"
#include "base/BaseCatalogInfo.h"
#include "base/BaseConvertC.h"
#include "base/BaseErrors.h"
#include "base/BaseOutString.h"
#include "base/BaseParam.h"
#include "base/BaseSqlString.h"
#include "util/VxError.h"

namespace {

bool startsWithWord(const std::string& text, std::size_t pos, const char* word) {
    std::size_t n = std::strlen(word);
    if (text.size() < pos + n)
        return false;
    for (std::size_t i = 0; i < n; ++i)
        if (std::toupper(static_cast<unsigned char>(text[pos + i])) != word[i])
            return false;
    return text.size() == pos + n || !std::isalnum(static_cast<unsigned char>(text[pos + n]));
}

std::size_t skipBlanks(const std::string& text, std::size_t pos) {
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos])))
        ++pos;
    return pos;
}

bool listHoldsError() {
    VxErrorList* list = VxErrorKeeper::getErrorList();
    return list && list->holdsError();
}

bool yieldTo(void* context) {
    return static_cast<BaseConnection*>(context)->yield();
}

// A catalog argument in single quotes, quotes inside doubled.
std::string quoted(const std::string& value, char quote = '\'') {
    std::string out(1, quote);
    for (char c : value) {
        out += c;
        if (c == quote)
            out += c;
    }
    out += quote;
    return out;
}

// SQLTables' type list as the procedure takes it: 'TABLE','VIEW'.
std::string typeList(const BaseInString& types) {
    std::string list(types.getText(), static_cast<std::size_t>(types.getLength()));
    std::string out;
    std::size_t pos = 0;
    while (pos <= list.size()) {
        std::size_t comma = list.find(',', pos);
        std::string item =
            list.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
        std::size_t first = item.find_first_not_of(" '");
        std::size_t last = item.find_last_not_of(" '");
        item = first == std::string::npos ? std::string() : item.substr(first, last - first + 1);
        if (!item.empty()) {
            if (!out.empty())
                out += ",";
            out += "'" + item + "'";
        }
        if (comma == std::string::npos)
            break;
        pos = comma + 1;
    }
    return out;
}

} // namespace

SSStatement::SSStatement(SSConnection& connection) : BaseStatement(connection) {}

SSStatement::~SSStatement() {
    releaseProcesses();
}

SSConnection& SSStatement::ss() const {
    return static_cast<SSConnection&>(getConnection());
}

BaseField* SSStatement::allocFld() {
    return new SSField();
}

// ---- Preparation -------------------------------------------------------------

VxStatus SSStatement::prepareCompile(BaseSqlString* text) {
    text_.assign(text->data() ? text->data() : "", text->length());
    if (ss().hasSwitch(SSConnection::SS_GATEWAY)) {
        std::string rewritten;
        bool sawNull = false;
        bool forcedBit = false;
        if (ssRewriteCreateTable(text_, &rewritten, &sawNull, &forcedBit)) {
            text_ = rewritten;
            if (sawNull)
                addOdbcWarning(ODBC_01000, SS_MSG_NULL_KEYWORD);
            if (forcedBit)
                addOdbcWarning(ODBC_01000, SS_MSG_BIT_NOT_NULL);
        }
    }
    std::size_t start = skipBlanks(text_, 0);
    select_ = startsWithWord(text_, start, "SELECT");
    examineCall();
    database_ = ss().currentDatabase();
    return VX_SUCCESS;
}

// "EXEC name[;n] ?, ?" with only markers for arguments is sent as a remote
// procedure call, its parameters bound natively.
void SSStatement::examineCall() {
    rpc_ = false;
    procedure_.clear();
    std::size_t pos = skipBlanks(text_, 0);
    if (!startsWithWord(text_, pos, "EXEC") && !startsWithWord(text_, pos, "EXECUTE"))
        return;
    pos += startsWithWord(text_, pos, "EXECUTE") ? 7 : 4;
    pos = skipBlanks(text_, pos);
    bool returnMarker = hasFlag(STMT_RETURN_VALUE_CALL);
    if (pos < text_.size() && text_[pos] == '?') {
        std::size_t eq = skipBlanks(text_, pos + 1);
        if (eq < text_.size() && text_[eq] == '=') {
            returnMarker = true;
            pos = skipBlanks(text_, eq + 1);
        }
    }
    // The name: up to three parts, owner or database parts may be empty.
    std::size_t nameStart = pos;
    int parts = 0;
    while (pos < text_.size()) {
        std::size_t partStart = pos;
        if (text_[pos] == '"' || text_[pos] == '[') {
            char close = text_[pos] == '[' ? ']' : '"';
            std::size_t end = text_.find(close, pos + 1);
            if (end == std::string::npos)
                return;
            pos = end + 1;
        } else {
            while (pos < text_.size() &&
                   (std::isalnum(static_cast<unsigned char>(text_[pos])) || text_[pos] == '_' ||
                    text_[pos] == '#' || text_[pos] == '@' || text_[pos] == '$'))
                ++pos;
        }
        ++parts;
        if (pos < text_.size() && text_[pos] == '.' && parts < 3) {
            ++pos;
            continue;
        }
        if (pos == partStart && parts == 1)
            return;
        break;
    }
    if (pos < text_.size() && text_[pos] == ';') {
        ++pos;
        while (pos < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos])))
            ++pos;
    }
    std::string name = text_.substr(nameStart, pos - nameStart);
    // The arguments: markers separated by commas, and nothing else.
    bool allMarkers = true;
    bool expectMarker = true;
    std::size_t p = skipBlanks(text_, pos);
    bool any = false;
    while (p < text_.size()) {
        char c = text_[p];
        if (expectMarker && c == '?') {
            expectMarker = false;
            any = true;
        } else if (!expectMarker && c == ',') {
            expectMarker = true;
        } else {
            allMarkers = false;
            break;
        }
        p = skipBlanks(text_, p + 1);
    }
    if (any && expectMarker)
        allMarkers = false;
    if (allMarkers) {
        rpc_ = true;
        procedure_ = name;
    } else if (returnMarker) {
        addOdbcWarning(ODBC_01000, SS_MSG_RETURN_STATUS);
    }
}

VxStatus SSStatement::bindParam(unsigned short param, const void* data, SQLLEN length,
                                ParamBindChunkType chunk) {
    const BaseParam* p = getParam(param);
    if (!p)
        return VX_SUCCESS;
    ParamValue& value = values_[p];
    if (chunk == PARAM_CHUNK_WHOLE || chunk == PARAM_CHUNK_FIRST) {
        value.bytes.clear();
        value.isNull = data == nullptr && chunk == PARAM_CHUNK_WHOLE;
    }
    if (data && length > 0)
        value.bytes.append(static_cast<const char*>(data), static_cast<std::size_t>(length));
    if (chunk != PARAM_CHUNK_WHOLE)
        value.isNull = false;
    return VX_SUCCESS;
}

namespace {

bool isNumberText(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        ++i;
    bool digit = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (std::isdigit(static_cast<unsigned char>(c)))
            digit = true;
        else if (c == '.' && !point)
            point = true;
        else if ((c == 'e' || c == 'E') && digit)
            return i + 1 < text.size();
        else if (c != ' ')
            return false;
    }
    return digit;
}

bool isNumericSqlType(short type) {
    switch (type) {
    case SQL_NUMERIC:
    case SQL_DECIMAL:
    case SQL_INTEGER:
    case SQL_SMALLINT:
    case SQL_FLOAT:
    case SQL_REAL:
    case SQL_DOUBLE:
    case SQL_TINYINT:
    case SQL_BIGINT:
    case SQL_BIT:
        return true;
    default:
        return false;
    }
}

bool isBinarySqlType(short type) {
    return type == SQL_BINARY || type == SQL_VARBINARY || type == SQL_LONGVARBINARY;
}

std::string hexOf(const std::string& bytes) {
    static const char DIGITS[] = "0123456789abcdef";
    std::string out = "0x";
    out.reserve(2 + bytes.size() * 2);
    for (unsigned char c : bytes) {
        out += DIGITS[c >> 4];
        out += DIGITS[c & 15];
    }
    return out;
}

} // namespace

VxStatus SSStatement::literalOf(const BaseParam& p, std::string* out) {
    auto found = values_.find(&p);
    if (found == values_.end() || found->second.isNull) {
        *out = "NULL";
        return VX_SUCCESS;
    }
    const std::string& bytes = found->second.bytes;
    short cType = p.cType_ == SQL_C_DEFAULT ? baseDefaultCType(p.sqlType_) : p.cType_;
    std::string text;
    switch (cType) {
    case SQL_C_BINARY:
        *out = hexOf(bytes);
        return VX_SUCCESS;
    case SQL_C_DATE:
    case SQL_C_TYPE_DATE: {
        DATE_STRUCT date{};
        std::memcpy(&date, bytes.data(), std::min(bytes.size(), sizeof date));
        *out = ssDateLiteral(date.year, date.month, date.day);
        return VX_SUCCESS;
    }
    case SQL_C_TIME:
    case SQL_C_TYPE_TIME: {
        TIME_STRUCT time{};
        std::memcpy(&time, bytes.data(), std::min(bytes.size(), sizeof time));
        *out = ssTimeLiteral(time.hour, time.minute, time.second);
        return VX_SUCCESS;
    }
    case SQL_C_TIMESTAMP:
    case SQL_C_TYPE_TIMESTAMP: {
        TIMESTAMP_STRUCT stamp{};
        std::memcpy(&stamp, bytes.data(), std::min(bytes.size(), sizeof stamp));
        if (p.sqlType_ == SQL_DATE || p.sqlType_ == SQL_TYPE_DATE)
            *out = ssDateLiteral(stamp.year, stamp.month, stamp.day);
        else
            *out = ssTimestampLiteral(stamp.year, stamp.month, stamp.day, stamp.hour, stamp.minute,
                                      stamp.second, stamp.fraction,
                                      !ss().hasSwitch(SSConnection::SS_NO_TIMESTAMP_CONVERT));
        return VX_SUCCESS;
    }
    case SQL_C_CHAR:
        text = bytes;
        break;
    default: {
        // Wide text and numbers as text in the connection's character set.
        std::vector<char> buffer(bytes.size() * 2 + 400);
        SQLLEN produced = 0;
        if (baseConvertCToInternal(BaseConvertPlace::parameter(0), cType, bytes.data(),
                                   static_cast<SQLLEN>(bytes.size()), INTERNAL_CHAR, buffer.data(),
                                   static_cast<SQLLEN>(buffer.size()), &produced) != VX_SUCCESS)
            return VX_ERROR;
        text.assign(buffer.data(), static_cast<std::size_t>(produced));
        if (cType != SQL_C_WCHAR) {
            *out = text;
            return VX_SUCCESS;
        }
        break;
    }
    }
    if (isBinarySqlType(p.sqlType_)) {
        *out = "0x" + text;
        return VX_SUCCESS;
    }
    if (isNumericSqlType(p.sqlType_) && isNumberText(text)) {
        *out = text;
        return VX_SUCCESS;
    }
    out->assign(1, '\'');
    for (char c : text) {
        *out += c;
        if (c == '\'')
            *out += c;
    }
    *out += '\'';
    return VX_SUCCESS;
}

// Markers outside literals, quoted names and comments take the values.
VxStatus SSStatement::substitute(std::string* out) {
    out->clear();
    out->reserve(text_.size());
    unsigned short marker = 0;
    for (std::size_t i = 0; i < text_.size(); ++i) {
        char c = text_[i];
        if (c == '\'' || c == '"' || c == '[') {
            char close = c == '[' ? ']' : c;
            std::size_t end = text_.find(close, i + 1);
            end = end == std::string::npos ? text_.size() - 1 : end;
            out->append(text_, i, end - i + 1);
            i = end;
            continue;
        }
        if (c == '-' && i + 1 < text_.size() && text_[i + 1] == '-') {
            std::size_t end = text_.find('\n', i);
            end = end == std::string::npos ? text_.size() - 1 : end;
            out->append(text_, i, end - i + 1);
            i = end;
            continue;
        }
        if (c != '?') {
            *out += c;
            continue;
        }
        const BaseParam* p = getActualParam(++marker);
        std::string literal = "NULL";
        if (p && literalOf(*p, &literal) != VX_SUCCESS)
            return VX_ERROR;
        *out += literal;
    }
    return VX_SUCCESS;
}

// ---- Execution ---------------------------------------------------------------

VxStatus SSStatement::executePreparedStmt() {
    SSHandlerScope handlers;
    if (asyncSent_) {
        if (ss().yield()) {
            asyncSent_ = false;
            (void)process_->cancel();
            releaseProcess();
            addOdbcError(ODBC_S1008);
            return VX_ERROR;
        }
        if (!process_->dataReady(0)) {
            setFlag(STMT_ASYNC_PENDING, true);
            return VX_SUCCESS;
        }
        asyncSent_ = false;
        if (process_->sqlOk() != VX_SUCCESS) {
            releaseProcess();
            return VX_ERROR;
        }
        bool haveColumns = false;
        bool found = false;
        (void)found;
        return advanceResult(&haveColumns);
    }
    std::string sql;
    if (!rpc_ && substitute(&sql) != VX_SUCCESS)
        return VX_ERROR;
    VxStatus status = runBatch(sql, false);
    if (!hasFlag(STMT_ASYNC_PENDING))
        values_.clear();
    return status;
}

VxStatus SSStatement::settleOptions(bool select) {
    SQLULEN maxRows = select ? getOptions().get(SQL_MAX_ROWS) : 0;
    // Every execution states its own row limit: a pooled process keeps
    // the last one set, which must not limit an UPDATE or DELETE.
    if (static_cast<long>(maxRows) != process_->rowLimit_) {
        std::string sql = "set rowcount " + std::to_string(maxRows);
        if (process_->run(sql.c_str()) != VX_SUCCESS)
            return VX_ERROR;
        process_->rowLimit_ = static_cast<long>(maxRows);
    }
    if (select) {
        SQLULEN maxLength = getOptions().get(SQL_MAX_LENGTH);
        long textSize =
            maxLength == 0 || maxLength > 2147483647u ? 2147483647L : static_cast<long>(maxLength);
        if (textSize != process_->textSize_) {
            std::string sql = "set textsize " + std::to_string(textSize);
            if (process_->run(sql.c_str()) != VX_SUCCESS)
                return VX_ERROR;
            process_->textSize_ = textSize;
        }
    }
    ssSetQueryTimeout(static_cast<long>(getOptions().get(SQL_QUERY_TIMEOUT)));
    return VX_SUCCESS;
}

VxStatus SSStatement::runBatch(const std::string& sql, bool catalog) {
    if (process_ && resultsOpen_)
        releaseProcess();
    deleteFields();
    columnTypes_.clear();
    described_ = false;
    rowCount_ = -1;
    nextResultReady_ = false;
    returnsRead_ = false;
    severity_ = 0;
    SSDbProc* process = nullptr;
    if (ss().takeProcess(*this, catalog, &process) != VX_SUCCESS)
        return VX_ERROR;
    process_ = process;
    VxStatus status = VX_SUCCESS;
    if (!database_.empty() && !catalog && database_ != process_->currentDatabase())
        status = process_->use(database_.c_str());
    if (status == VX_SUCCESS)
        status = settleOptions(select_ && !catalog);
    if (status == VX_SUCCESS) {
        resultsOpen_ = true;
        if (rpc_ && !catalog) {
            status = sendRpc();
        } else if (!catalog && getOptions().get(SQL_ASYNC_ENABLE) == SQL_ASYNC_ENABLE_ON) {
            status = process_->send(sql.c_str());
            if (status == VX_SUCCESS) {
                asyncSent_ = true;
                setFlag(STMT_ASYNC_PENDING, true);
                return VX_SUCCESS;
            }
        } else {
            status = process_->execute(sql.c_str(), yieldTo, &ss());
        }
    }
    if (status == VX_SUCCESS) {
        bool haveColumns = false;
        status = advanceResult(&haveColumns);
    }
    if (status != VX_SUCCESS) {
        if (!listHoldsError())
            addOdbcError(ODBC_S1000);
        if (process_) {
            if (severity_ > 7) {
                SSDbProc* failed = process_;
                process_ = nullptr;
                resultsOpen_ = false;
                ss().dropProcess(failed);
            } else {
                releaseProcess();
            }
        }
    }
    return status;
}

VxStatus SSStatement::sendRpc() {
    if (process_->rpcInit(procedure_.c_str()) != VX_SUCCESS)
        return VX_ERROR;
    // Values converted for DB-Library stay alive until the call is sent.
    std::vector<std::vector<unsigned char>> buffers;
    unsigned short count = getActualNumParams();
    buffers.resize(count);
    for (unsigned short n = 1; n <= count; ++n) {
        BaseParam* p = getActualParam(n);
        if (!p) {
            addOdbcError(ODBC_07001);
            return VX_ERROR;
        }
        short cType = p->cType_ == SQL_C_DEFAULT ? baseDefaultCType(p->sqlType_) : p->cType_;
        auto found = values_.find(p);
        const void* value = nullptr;
        SQLLEN length = SQL_NULL_DATA;
        if (found != values_.end() && !found->second.isNull) {
            value = found->second.bytes.data();
            length = static_cast<SQLLEN>(found->second.bytes.size());
        }
        bool output = p->paramType_ == SQL_PARAM_OUTPUT || p->paramType_ == SQL_PARAM_INPUT_OUTPUT;
        bool isNull = length == SQL_NULL_DATA || (!value && p->paramType_ != SQL_PARAM_OUTPUT);
        if (p->paramType_ == SQL_PARAM_OUTPUT)
            isNull = true;
        buffers[n - 1].resize(64);
        int type = 0;
        long dataLength = 0;
        const void* data = nullptr;
        // A NULL still needs its type: the conversion of a zero value.
        static const unsigned char zero[32] = {};
        const void* typed = isNull ? zero : value;
        SQLLEN typedLength = isNull ? 0 : length;
        if (ssRpcValue(cType, p->sqlType_, typed, typedLength, buffers[n - 1].data(), &type,
                       &dataLength, &data) != VX_SUCCESS)
            return VX_ERROR;
        long maxLength = -1;
        bool variable = cType == SQL_C_CHAR || cType == SQL_C_BINARY;
        if (output && variable)
            maxLength = p->valueMax_ > 0 ? static_cast<long>(p->valueMax_) : 255;
        if (isNull) {
            dataLength = 0;
            data = nullptr;
        } else if (variable && !output) {
            maxLength = -1;
        }
        if (process_->rpcParam(nullptr, output, type, maxLength, dataLength, data) != VX_SUCCESS)
            return VX_ERROR;
    }
    return process_->rpcSend();
}

VxStatus SSStatement::advanceResult(bool* haveColumns) {
    *haveColumns = false;
    for (;;) {
        int rc = SS_DB_SUCCEED;
        if (nextResultReady_)
            nextResultReady_ = false;
        else
            rc = process_->results();
        if (rc == SS_DB_FAIL)
            return VX_ERROR;
        if (rc == SS_DB_NO_MORE_RESULTS) {
            resultsOpen_ = false;
            VxStatus status = readReturns();
            releaseProcess();
            return status;
        }
        if (process_->numCols() > 0) {
            *haveColumns = true;
            if (const char* changed = process_->changedDatabase())
                ss().setCurrentDatabase(changed);
            return listHoldsError() ? VX_ERROR : VX_SUCCESS;
        }
        long count = process_->count();
        if (count >= 0)
            rowCount_ = count;
        if (const char* changed = process_->changedDatabase())
            ss().setCurrentDatabase(changed);
        if (rpc_)
            continue;
        // Whether another result follows decides whether the statement
        // keeps its process.
        rc = process_->results();
        if (rc == SS_DB_NO_MORE_RESULTS) {
            resultsOpen_ = false;
            VxStatus status = listHoldsError() ? VX_ERROR : VX_SUCCESS;
            // A gateway commits each statement itself in autocommit mode.
            if (status == VX_SUCCESS && ss().hasSwitch(SSConnection::SS_GATEWAY) &&
                ss().getAutocommit() == SQL_AUTOCOMMIT_ON)
                status = process_->run("COMMIT") == VX_SUCCESS || !listHoldsError() ? VX_SUCCESS
                                                                                    : VX_ERROR;
            releaseProcess();
            return status;
        }
        if (rc == SS_DB_FAIL)
            return VX_ERROR;
        nextResultReady_ = true;
        return listHoldsError() ? VX_ERROR : VX_SUCCESS;
    }
}

VxStatus SSStatement::readReturns() {
    if (!rpc_ || returnsRead_ || !process_)
        return VX_SUCCESS;
    returnsRead_ = true;
    unsigned char buffer[64];
    if (hasFlag(STMT_RETURN_VALUE_CALL) && process_->hasReturnStatus()) {
        BaseParam* p = getParam(1);
        if (p && p->value_) {
            std::int32_t value = static_cast<std::int32_t>(process_->returnStatus());
            short cType = p->cType_ == SQL_C_DEFAULT ? SQL_C_SLONG : p->cType_;
            BaseOutString out(p->value_, p->valueMax_, p->length_);
            if (baseConvertInternalToC(BaseConvertPlace::parameter(1), cType, out, &value,
                                       sizeof value, INTERNAL_SLONG) != VX_SUCCESS)
                return VX_ERROR;
        }
    }
    int returned = process_->returnCount();
    int next = 1;
    unsigned short count = getActualNumParams();
    unsigned short first = hasFlag(STMT_RETURN_VALUE_CALL) ? 1 : 0;
    for (unsigned short n = 1; n <= count && next <= returned; ++n) {
        BaseParam* p = getActualParam(n);
        if (!p || (p->paramType_ != SQL_PARAM_OUTPUT && p->paramType_ != SQL_PARAM_INPUT_OUTPUT))
            continue;
        int slot = next++;
        if (!p->value_)
            continue;
        short cType = p->cType_ == SQL_C_DEFAULT ? baseDefaultCType(p->sqlType_) : p->cType_;
        BaseOutString out(p->value_, p->valueMax_, p->length_);
        const unsigned char* data = process_->returnData(slot);
        if (!data) {
            if (p->length_)
                *p->length_ = SQL_NULL_DATA;
            continue;
        }
        InternalType type = INTERNAL_NONE;
        const void* value = nullptr;
        SQLLEN length = 0;
        ssInternalValue(process_->returnType(slot), data, process_->returnLength(slot), buffer,
                        &type, &value, &length);
        if (baseConvertInternalToC(
                BaseConvertPlace::parameter(static_cast<unsigned short>(n + first)), cType, out,
                value, length, type) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus SSStatement::describe() {
    int columns = process_ ? process_->numCols() : 0;
    if (columns <= 0)
        return VX_SUCCESS;
    bool catalog = getPrepareMode() == PREPARE_CATALOG;
    if (!catalog && allocArrays(static_cast<std::uint16_t>(columns)) != VX_SUCCESS)
        return VX_ERROR;
    columnTypes_.assign(static_cast<std::size_t>(columns), 0);
    for (int i = 1; i <= columns; ++i) {
        SSField scratch;
        SSField* field =
            catalog ? &scratch : static_cast<SSField*>(getField(static_cast<std::uint16_t>(i)));
        if (ssDescribeColumn(*process_, i, *field) != VX_SUCCESS)
            return VX_ERROR;
        // A gateway names computed columns EXPRESSION_1 ...: they have none.
        const char* name = field->getName();
        if (ss().hasSwitch(SSConnection::SS_GATEWAY) &&
            std::strncmp(name, "EXPRESSION_", 11) == 0 &&
            std::isdigit(static_cast<unsigned char>(name[11])) && field->setName("") != VX_SUCCESS)
            return VX_ERROR;
        columnTypes_[static_cast<std::size_t>(i - 1)] = field->serverType_;
    }
    described_ = true;
    return VX_SUCCESS;
}

VxStatus SSStatement::calcNumResultCols() {
    if (getNumResultCols() != 0 || described_)
        return VX_SUCCESS;
    SSHandlerScope handlers;
    if (!process_ && select_ && !rpc_ && getState() == STMT_PREPARED) {
        // A prepared SELECT is described by running it with its markers
        // as NULL; its rows are discarded.
        std::string sql;
        values_.clear();
        if (substitute(&sql) != VX_SUCCESS || runBatch(sql, false) != VX_SUCCESS)
            return VX_ERROR;
        VxStatus status = VX_SUCCESS;
        if (process_ && resultsOpen_ && !nextResultReady_)
            status = describe();
        releaseProcess();
        rowCount_ = -1;
        return status;
    }
    if (!process_ || !resultsOpen_ || nextResultReady_)
        return VX_SUCCESS;
    return describe();
}

VxStatus SSStatement::fetchRow(unsigned short* noMore) {
    *noMore = 0;
    if (!process_ || !resultsOpen_ || nextResultReady_) {
        *noMore = 1;
        return VX_SUCCESS;
    }
    if (!described_ && describe() != VX_SUCCESS)
        return VX_ERROR;
    SSHandlerScope handlers;
    for (;;) {
        int rc = process_->nextRow();
        if (rc == SS_DB_ROW) {
            if (skipNational_) {
                const unsigned char* name = process_->data(1);
                long length = process_->dataLength(1);
                std::string type = name ? std::string(reinterpret_cast<const char*>(name),
                                                      static_cast<std::size_t>(length))
                                        : std::string();
                if (type == "nchar" || type == "nvarchar")
                    continue;
            }
            return VX_SUCCESS;
        }
        if (rc == SS_DB_OTHER_ROW)
            continue;
        if (rc == SS_DB_FAIL) {
            if (!listHoldsError())
                addOdbcError(ODBC_S1000);
            return VX_ERROR;
        }
        *noMore = 1;
        // The process goes back when nothing follows this result.
        rc = process_->results();
        if (rc == SS_DB_NO_MORE_RESULTS) {
            resultsOpen_ = false;
            VxStatus status = readReturns();
            releaseProcess();
            return status;
        }
        if (rc == SS_DB_FAIL)
            return listHoldsError() ? VX_ERROR : VX_SUCCESS;
        nextResultReady_ = true;
        return VX_SUCCESS;
    }
}

VxStatus SSStatement::getData(unsigned short column, short cType, BaseOutString* out) {
    if (!process_ || column < 1 || column > columnTypes_.size() || nextResultReady_)
        return out->setNull();
    const unsigned char* data = process_->data(column);
    if (!data)
        return out->setNull();
    int serverType = columnTypes_[column - 1];
    unsigned char buffer[64];
    InternalType type = INTERNAL_NONE;
    const void* value = nullptr;
    SQLLEN length = 0;
    // A number or datetime that fits the buffer whole is written as the
    // framework would write it, without its general conversion path.
    if (cType == SQL_C_CHAR) {
        char text[400];
        SQLLEN room = out->getCharRoom();
        long written =
            ssValueText(serverType, data, text, room < 400 ? static_cast<long>(room) : 400);
        if (written > 0)
            return convertInternalToC(column, cType, out, text, written, INTERNAL_CHAR);
    }
    if ((cType == SQL_C_CHAR || cType == SQL_C_WCHAR) &&
        ssFloatDigits(serverType, data, buffer, &length))
        return convertInternalToC(column, cType, out, buffer, length, INTERNAL_DIGITS);
    ssInternalValue(serverType, data, process_->dataLength(column), buffer, &type, &value, &length);
    if (serverType == SS_TYPE_TEXT || serverType == SS_TYPE_IMAGE)
        return convertInternalToCHuge(column, cType, out, value, length, type);
    return convertInternalToC(column, cType, out, value, length, type);
}

VxStatus SSStatement::rowCount(SQLLEN* count) {
    *count = rowCount_;
    return VX_SUCCESS;
}

VxStatus SSStatement::moreResults(unsigned short* noMore) {
    *noMore = 1;
    if (!process_ || !resultsOpen_)
        return VX_SUCCESS;
    SSHandlerScope handlers;
    if (!nextResultReady_) {
        // The rest of the current result is dropped.
        while (process_->nextRow() != SS_DB_NO_MORE_ROWS) {
            if (process_->isDead())
                break;
        }
        int rc = process_->results();
        if (rc == SS_DB_NO_MORE_RESULTS) {
            resultsOpen_ = false;
            VxStatus status = readReturns();
            releaseProcess();
            return status;
        }
        if (rc == SS_DB_FAIL)
            return VX_ERROR;
        nextResultReady_ = true;
    }
    deleteFields();
    columnTypes_.clear();
    described_ = false;
    rowCount_ = -1;
    *noMore = 0;
    bool haveColumns = false;
    VxStatus status = advanceResult(&haveColumns);
    if (status == VX_SUCCESS && haveColumns)
        status = describe();
    return status;
}

VxStatus SSStatement::setToAllocatedState(unsigned short) {
    releaseProcesses();
    return VX_SUCCESS;
}

VxStatus SSStatement::setToPreparedState() {
    releaseProcesses();
    return VX_SUCCESS;
}

VxStatus SSStatement::cancelAsyncOp() {
    if (!process_)
        return VX_SUCCESS;
    SSHandlerScope handlers;
    asyncSent_ = false;
    (void)process_->cancel();
    releaseProcess();
    return VX_SUCCESS;
}

void SSStatement::releaseProcess() {
    if (!process_)
        return;
    SSDbProc* process = process_;
    process_ = nullptr;
    resultsOpen_ = false;
    nextResultReady_ = false;
    ss().giveBackProcess(process);
}

void SSStatement::releaseProcesses() {
    if (process_) {
        SSHandlerScope handlers;
        releaseProcess();
    }
    asyncSent_ = false;
    skipNational_ = false;
}

void SSStatement::discardResults() {
    releaseProcesses();
}

// ---- Catalog -------------------------------------------------------------------

// "@name='value'" for each given argument, separated by commas.
std::string SSStatement::catalogArguments(const char* const* names, const std::string* values,
                                          std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i) {
        if (values[i].empty() && names[i][0] != '!')
            continue;
        if (!out.empty())
            out += ",";
        out += "@" + std::string(names[i]) + "=" + values[i];
    }
    return out;
}

VxStatus SSStatement::runCatalog(const std::string& batch) {
    SSHandlerScope handlers;
    select_ = false;
    rpc_ = false;
    BaseCatalogInfo* info = BaseCatalogInfo::of(*this);
    if (runBatch(batch, true) != VX_SUCCESS)
        return VX_ERROR;
    if (process_ && resultsOpen_ && !nextResultReady_) {
        if (describe() != VX_SUCCESS)
            return VX_ERROR;
        if (info)
            info->useDriverResultSet();
    }
    return VX_SUCCESS;
}

namespace {

std::string pattern(const BaseCatalogName& name) {
    return name.isGiven() ? quoted(name.getPattern()) : std::string();
}

std::string exact(const BaseCatalogName& name) {
    return name.isGiven() ? quoted(name.getName()) : std::string();
}

} // namespace

VxStatus SSStatement::executeTables(BaseInString* tableTypes) {
    BaseTablesInfo* info = BaseTablesInfo::of(*this);
    if (!info)
        return VX_ERROR;
    if (info->getRequest() == TABLES_LIST_QUALIFIERS)
        return runCatalog("exec sp_databases");
    if (info->getRequest() == TABLES_LIST_OWNERS)
        return runCatalog("exec sp_tables '','%',''");
    static const char* const NAMES[] = {"table_name", "table_owner", "table_qualifier",
                                        "table_type"};
    std::string values[4];
    values[0] = info->getTableName().isGiven() ? pattern(info->getTableName()) : quoted("%");
    values[1] = pattern(info->getOwner());
    values[2] = pattern(info->getQualifier());
    if (tableTypes && !tableTypes->isNull() && !tableTypes->isEmpty()) {
        std::string list = typeList(*tableTypes);
        if (!list.empty() && list != "'%'")
            values[3] = quoted(list, '"');
    }
    return runCatalog("exec sp_tables " + catalogArguments(NAMES, values, 4));
}

VxStatus SSStatement::executeColumns() {
    BaseColumnsInfo* info = BaseColumnsInfo::of(*this);
    if (!info)
        return VX_ERROR;
    static const char* const NAMES[] = {"table_name", "table_owner", "table_qualifier",
                                        "column_name"};
    std::string values[4] = {pattern(info->getTableName()), pattern(info->getOwner()),
                             pattern(info->getQualifier()), pattern(info->getColumnName())};
    if (values[0].empty())
        values[0] = quoted("%");
    // The procedure matches the patterns itself.
    info->setDriverAnswersPatterns(true);
    return runCatalog("exec sp_columns " + catalogArguments(NAMES, values, 4));
}

VxStatus SSStatement::executeStatistics(unsigned short) {
    BaseStatisticsInfo* info = BaseStatisticsInfo::of(*this);
    if (!info)
        return VX_ERROR;
    static const char* const NAMES[] = {"table_name", "table_owner", "table_qualifier",
                                        "is_unique"};
    std::string values[4] = {exact(info->getTableName()), exact(info->getOwner()),
                             exact(info->getQualifier()),
                             quoted(info->getUnique() == SQL_INDEX_UNIQUE ? "Y" : "N")};
    return runCatalog("exec sp_statistics " + catalogArguments(NAMES, values, 4));
}

VxStatus SSStatement::executeSpecial(unsigned short* noRows) {
    *noRows = 0;
    BaseSpecialColumnsInfo* info = BaseSpecialColumnsInfo::of(*this);
    if (!info)
        return VX_ERROR;
    static const char* const NAMES[] = {"table_name", "table_owner", "table_qualifier", "col_type"};
    std::string values[4] = {exact(info->getTableName()), exact(info->getOwner()),
                             exact(info->getQualifier()),
                             quoted(info->getColType() == SQL_ROWVER ? "V" : "R")};
    return runCatalog("exec sp_special_columns " + catalogArguments(NAMES, values, 4));
}

VxStatus SSStatement::executePrimary() {
    BasePrimaryKeysInfo* info = BasePrimaryKeysInfo::of(*this);
    if (!info)
        return VX_ERROR;
    static const char* const NAMES[] = {"table_name", "table_owner", "table_qualifier"};
    std::string values[3] = {exact(info->getTableName()), exact(info->getOwner()),
                             exact(info->getQualifier())};
    return runCatalog("exec sp_pkeys " + catalogArguments(NAMES, values, 3));
}

VxStatus SSStatement::executeForeign() {
    BaseForeignKeysInfo* info = BaseForeignKeysInfo::of(*this);
    if (!info)
        return VX_ERROR;
    static const char* const NAMES[] = {"pktable_name", "pktable_owner", "pktable_qualifier",
                                        "fktable_name", "fktable_owner", "fktable_qualifier"};
    std::string values[6] = {exact(info->getPkTableName()), exact(info->getPkOwner()),
                             exact(info->getPkQualifier()), exact(info->getFkTableName()),
                             exact(info->getFkOwner()),     exact(info->getFkQualifier())};
    return runCatalog("exec sp_fkeys " + catalogArguments(NAMES, values, 6));
}

VxStatus SSStatement::executeProcedures() {
    BaseProceduresInfo* info = BaseProceduresInfo::of(*this);
    if (!info)
        return VX_ERROR;
    static const char* const NAMES[] = {"sp_name", "sp_owner", "sp_qualifier"};
    std::string values[3] = {pattern(info->getProcedureName()), pattern(info->getOwner()),
                             pattern(info->getQualifier())};
    return runCatalog("exec sp_stored_procedures " + catalogArguments(NAMES, values, 3));
}

VxStatus SSStatement::executeProcCols() {
    BaseProcedureColumnsInfo* info = BaseProcedureColumnsInfo::of(*this);
    if (!info)
        return VX_ERROR;
    static const char* const NAMES[] = {"procedure_name", "procedure_owner", "procedure_qualifier",
                                        "column_name"};
    std::string values[4] = {pattern(info->getProcedureName()), pattern(info->getOwner()),
                             pattern(info->getQualifier()), pattern(info->getColumnName())};
    return runCatalog("exec sp_sproc_columns " + catalogArguments(NAMES, values, 4));
}

VxStatus SSStatement::executeTablePriv() {
    BaseTablePrivilegesInfo* info = BaseTablePrivilegesInfo::of(*this);
    if (!info)
        return VX_ERROR;
    static const char* const NAMES[] = {"table_name", "table_owner", "table_qualifier"};
    std::string values[3] = {pattern(info->getTableName()), pattern(info->getOwner()),
                             pattern(info->getQualifier())};
    return runCatalog("exec sp_table_privileges " + catalogArguments(NAMES, values, 3));
}

VxStatus SSStatement::executeColPriv() {
    BaseColumnPrivilegesInfo* info = BaseColumnPrivilegesInfo::of(*this);
    if (!info)
        return VX_ERROR;
    static const char* const NAMES[] = {"table_name", "table_owner", "table_qualifier",
                                        "column_name"};
    std::string values[4] = {exact(info->getTableName()), exact(info->getOwner()),
                             exact(info->getQualifier()), pattern(info->getColumnName())};
    return runCatalog("exec sp_column_privileges " + catalogArguments(NAMES, values, 4));
}

VxStatus SSStatement::getTypeInfo(short sqlType) {
    VxStatus status = runCatalog("exec sp_datatype_info " + std::to_string(sqlType));
    skipNational_ = sqlType == SQL_ALL_TYPES;
    return status;
}
