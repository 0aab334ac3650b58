#include "SSStatement.h"

#include <sqlext.h>

#include <cctype>
#include <cstring>

#include "SSConnection.h"
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

VxStatus SSStatement::bindParam(unsigned short, const void*, SQLLEN, ParamBindChunkType) {
    // Values are substituted into the text by the framework, or read from
    // the bindings for a remote procedure call.
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
    const VxString* substituted = getSubstitutedText();
    std::string sql = substituted ? std::string(substituted->data(), substituted->length()) : text_;
    return runBatch(sql, false);
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
        if (!p || !p->isBound()) {
            addOdbcError(ODBC_07001);
            return VX_ERROR;
        }
        short cType = p->cType_ == SQL_C_DEFAULT ? baseDefaultCType(p->sqlType_) : p->cType_;
        const void* value = p->value_;
        SQLLEN length = p->length_ ? *p->length_ : SQL_NTS;
        if (p->putState_ == BaseParam::PUT_DATA) {
            value = p->data_;
            length = p->dataLength_;
        } else if (p->putState_ == BaseParam::PUT_NULL) {
            length = SQL_NULL_DATA;
        }
        bool output = p->paramType_ == SQL_PARAM_OUTPUT || p->paramType_ == SQL_PARAM_INPUT_OUTPUT;
        bool isNull = length == SQL_NULL_DATA || (!value && p->paramType_ != SQL_PARAM_OUTPUT);
        if (p->paramType_ == SQL_PARAM_OUTPUT)
            isNull = true;
        if (!isNull && (cType == SQL_C_CHAR) && length == SQL_NTS)
            length = static_cast<SQLLEN>(std::strlen(static_cast<const char*>(value)));
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
            releaseProcess();
            return listHoldsError() ? VX_ERROR : VX_SUCCESS;
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
        columnTypes_[static_cast<std::size_t>(i - 1)] = field->serverType_;
    }
    described_ = true;
    return VX_SUCCESS;
}

VxStatus SSStatement::calcNumResultCols() {
    if (getNumResultCols() != 0 || described_)
        return VX_SUCCESS;
    if (!process_ || !resultsOpen_ || nextResultReady_)
        return VX_SUCCESS;
    SSHandlerScope handlers;
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
