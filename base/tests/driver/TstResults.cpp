#include "TstResults.h"

#include <sqlext.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#include "base/BaseConvertC.h"
#include "base/BaseErrors.h"
#include "base/BaseField.h"
#include "base/BaseInfoTable.h"
#include "base/BaseInfoValType.h"
#include "base/BaseStatement.h"

namespace {

struct TypeName {
    const char* name;
    short sqlType;
    InternalType natural;
};

const TypeName SQL_TYPES[] = {
    {"CHAR", SQL_CHAR, INTERNAL_CHAR},
    {"VARCHAR", SQL_VARCHAR, INTERNAL_CHAR},
    {"LONGVARCHAR", SQL_LONGVARCHAR, INTERNAL_CHAR},
    {"NUMERIC", SQL_NUMERIC, INTERNAL_CHAR},
    {"DECIMAL", SQL_DECIMAL, INTERNAL_CHAR},
    {"INTEGER", SQL_INTEGER, INTERNAL_SLONG},
    {"SMALLINT", SQL_SMALLINT, INTERNAL_SSHORT},
    {"FLOAT", SQL_FLOAT, INTERNAL_DOUBLE},
    {"REAL", SQL_REAL, INTERNAL_FLOAT},
    {"DOUBLE", SQL_DOUBLE, INTERNAL_DOUBLE},
    {"DATE", SQL_DATE, INTERNAL_DATE},
    {"TIME", SQL_TIME, INTERNAL_TIME},
    {"TIMESTAMP", SQL_TIMESTAMP, INTERNAL_TIMESTAMP},
    {"TYPE_DATE", SQL_TYPE_DATE, INTERNAL_DATE},
    {"TYPE_TIME", SQL_TYPE_TIME, INTERNAL_TIME},
    {"TYPE_TIMESTAMP", SQL_TYPE_TIMESTAMP, INTERNAL_TIMESTAMP},
    {"BIT", SQL_BIT, INTERNAL_BIT},
    {"TINYINT", SQL_TINYINT, INTERNAL_STINYINT},
    {"BIGINT", SQL_BIGINT, INTERNAL_SBIGINT},
    {"BINARY", SQL_BINARY, INTERNAL_BINARY},
    {"VARBINARY", SQL_VARBINARY, INTERNAL_BINARY},
    {"LONGVARBINARY", SQL_LONGVARBINARY, INTERNAL_BINARY},
};

const char* const INTERNAL_NAMES[] = {
    "NONE",   "CHAR",  "BIT",     "STINYINT",  "UTINYINT", "SSHORT", "USHORT",
    "SLONG",  "ULONG", "SBIGINT", "UBIGINT",   "PACKED",   "DIGITS", "FLOAT",
    "DOUBLE", "DATE",  "TIME",    "TIMESTAMP", "BINARY",
};

const TypeName* sqlTypeNamed(const std::string& name) {
    for (const TypeName& entry : SQL_TYPES)
        if (name == entry.name)
            return &entry;
    return nullptr;
}

InternalType internalNamed(const std::string& name) {
    for (std::size_t i = 0; i < sizeof INTERNAL_NAMES / sizeof INTERNAL_NAMES[0]; ++i)
        if (name == INTERNAL_NAMES[i])
            return static_cast<InternalType>(i);
    return INTERNAL_NONE;
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

std::vector<unsigned char> fromHex(const std::string& hex) {
    std::vector<unsigned char> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(
            static_cast<unsigned char>(std::strtoul(hex.substr(i, 2).c_str(), nullptr, 16)));
    return bytes;
}

// A text as the column's internal value, converted by the framework.
bool encodeText(const TstColumn& column, const std::string& text, TstValue* value) {
    if (column.type == INTERNAL_CHAR) {
        value->bytes.assign(text.begin(), text.end());
        return true;
    }
    std::vector<unsigned char> buffer(text.size() + 64);
    SQLLEN produced = 0;
    if (baseConvertCToInternal(BaseConvertPlace(), SQL_C_CHAR, text.c_str(),
                               static_cast<SQLLEN>(text.size()), column.type, buffer.data(),
                               static_cast<SQLLEN>(buffer.size()), &produced,
                               column.scale) != VX_SUCCESS)
        return false;
    buffer.resize(static_cast<std::size_t>(produced));
    value->bytes = buffer;
    return true;
}

thread_local TstResults* resultTarget = nullptr;

std::mutex infoMutex;
std::map<unsigned short, std::pair<SQLULEN, BaseInfoValType>>& infoAnswers() {
    static std::map<unsigned short, std::pair<SQLULEN, BaseInfoValType>> answers;
    return answers;
}

} // namespace

void TstResults::clear() {
    sets_.clear();
    currentSet_ = 0;
    row_ = 0;
}

TstResultSet* TstResults::current() {
    return currentSet_ < sets_.size() ? &sets_[currentSet_] : nullptr;
}

bool TstResults::addRow(const std::string& text) {
    TstResultSet& set = sets_.back();
    std::vector<std::string> parts = split(text, '|');
    std::vector<TstValue> row(set.columns.size());
    for (std::size_t i = 0; i < row.size() && i < parts.size(); ++i) {
        const std::string& part = parts[i];
        if (part == "NULL")
            row[i].isNull = true;
        else if (part.compare(0, 2, "x:") == 0)
            row[i].bytes = fromHex(part.substr(2));
        else if (!encodeText(set.columns[i], part, &row[i]))
            return false;
    }
    set.rows.push_back(row);
    return true;
}

bool TstResults::command(const std::string& verb, const std::string& rest) {
    if (sets_.empty() && (verb == "column" || verb == "row" || verb == "rows" ||
                          verb == "failrow" || verb == "rowcount"))
        sets_.emplace_back();
    std::vector<std::string> words = split(rest, ' ');
    if (verb == "column") {
        TstColumn column;
        column.name = words[0] == "-" ? "" : words[0];
        const TypeName* type = words.size() > 1 ? sqlTypeNamed(words[1]) : nullptr;
        if (type) {
            column.sqlType = type->sqlType;
            column.type = type->natural;
        }
        if (words.size() > 2)
            column.precision =
                static_cast<std::uint32_t>(std::strtoul(words[2].c_str(), nullptr, 10));
        if (words.size() > 3 && words[3] != "-") {
            column.scale = static_cast<short>(std::strtol(words[3].c_str(), nullptr, 10));
            column.hasScale = true;
        }
        for (std::size_t i = 4; i < words.size(); ++i) {
            if (words[i] == "unsigned")
                column.isUnsigned = true;
            else if (internalNamed(words[i]) != INTERNAL_NONE)
                column.type = internalNamed(words[i]);
        }
        sets_.back().columns.push_back(column);
    } else if (verb == "row") {
        if (!addRow(rest))
            addOdbcError(ODBC_S1000);
    } else if (verb == "rows") {
        long count = std::strtol(rest.c_str(), nullptr, 10);
        for (long i = 1; i <= count; ++i) {
            std::string text;
            for (std::size_t c = 0; c < sets_.back().columns.size(); ++c) {
                bool numeric = sets_.back().columns[c].type != INTERNAL_CHAR &&
                               sets_.back().columns[c].type != INTERNAL_BINARY;
                text += (c ? "|" : "") + (numeric ? std::to_string(i) : "row " + std::to_string(i));
            }
            addRow(text);
        }
    } else if (verb == "failrow") {
        sets_.back().failingRows.push_back(std::strtoul(rest.c_str(), nullptr, 10));
    } else if (verb == "rowcount") {
        sets_.back().rowCount = std::strtol(rest.c_str(), nullptr, 10);
    } else if (verb == "nextresult") {
        sets_.emplace_back();
    } else if (verb == "info") {
        std::lock_guard<std::mutex> lock(infoMutex);
        if (words[0] == "reset")
            infoAnswers().clear();
        else if (words.size() > 1)
            infoAnswers()[static_cast<unsigned short>(std::strtoul(words[0].c_str(), nullptr, 0))] =
                {std::strtoull(words[1].c_str(), nullptr, 0),
                 words.size() > 2 && words[2] == "u16" ? INFO_VAL_U16 : INFO_VAL_U32};
    } else {
        return false;
    }
    return true;
}

VxStatus TstResults::describe(BaseStatement& statement) {
    TstResultSet* set = current();
    std::size_t count = set ? set->columns.size() : 0;
    if (statement.allocArrays(static_cast<std::uint16_t>(count)) != VX_SUCCESS)
        return VX_ERROR;
    for (std::size_t i = 0; i < count; ++i) {
        const TstColumn& column = set->columns[i];
        BaseField* field = statement.getField(static_cast<std::uint16_t>(i + 1));
        if (field->setName(column.name.c_str()) != VX_SUCCESS)
            return VX_ERROR;
        field->describe(column.sqlType, column.precision, column.scale);
        field->setUnsigned(column.isUnsigned);
        field->setNullable(SQL_NULLABLE);
    }
    row_ = 0;
    return VX_SUCCESS;
}

VxStatus TstResults::readRow(std::size_t row, unsigned short* noMore) {
    TstResultSet* set = current();
    *noMore = 0;
    if (!set || row == 0 || row > set->rows.size()) {
        *noMore = 1;
        row_ = set ? set->rows.size() + 1 : 0;
        return VX_SUCCESS;
    }
    row_ = row;
    if (std::find(set->failingRows.begin(), set->failingRows.end(), row) !=
        set->failingRows.end()) {
        addNativeError(ODBC_S1000, 99, "Row cannot be read.");
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus TstResults::fetchRow(unsigned short* noMore) {
    return readRow(row_ + 1, noMore);
}

VxStatus TstResults::fetchRandomRow(SQLULEN row, unsigned short* noMore) {
    return readRow(static_cast<std::size_t>(row), noMore);
}

VxStatus TstResults::getData(BaseStatement& statement, unsigned short column, short cType,
                             BaseOutString* out) {
    TstResultSet* set = current();
    if (!set || row_ == 0 || row_ > set->rows.size() || column == 0 ||
        column > set->columns.size()) {
        addOdbcError(ODBC_S1000);
        return VX_ERROR;
    }
    const TstValue& value = set->rows[row_ - 1][column - 1];
    const TstColumn& info = set->columns[column - 1];
    if (value.isNull)
        return statement.convertInternalToC(column, cType, out, nullptr, SQL_NULL_DATA, info.type);
    short scale = info.hasScale ? info.scale : BASE_SCALE_NATURAL;
    return statement.convertInternalToC(column, cType, out, value.bytes.data(),
                                        static_cast<SQLLEN>(value.bytes.size()), info.type, scale);
}

VxStatus TstResults::moreResults(unsigned short* noMore) {
    if (currentSet_ + 1 >= sets_.size()) {
        *noMore = 1;
        return VX_SUCCESS;
    }
    ++currentSet_;
    row_ = 0;
    *noMore = 0;
    return VX_SUCCESS;
}

SQLLEN TstResults::rowCount() const {
    return currentSet_ < sets_.size() ? sets_[currentSet_].rowCount : -1;
}

void tstSetResultTarget(TstResults* results) {
    resultTarget = results;
}

// Every type the driver answers itself (TstConnection::getAskedForInfo and
// tstResultInfo) is asked of it.
const BaseInfoTable& tstResultInfoTable() {
    static const BaseInfoEntry entries[] = {
        {SQL_ACTIVE_CONNECTIONS, INFO_VAL_ASK, 0, nullptr, nullptr},
        {SQL_DBMS_NAME, INFO_VAL_ASK, 0, nullptr, nullptr},
        {SQL_CURSOR_COMMIT_BEHAVIOR, INFO_VAL_ASK, 0, nullptr, nullptr},
        {SQL_CURSOR_ROLLBACK_BEHAVIOR, INFO_VAL_ASK, 0, nullptr, nullptr},
        {SQL_SCROLL_CONCURRENCY, INFO_VAL_ASK, 0, nullptr, nullptr},
        {SQL_SCROLL_OPTIONS, INFO_VAL_ASK, 0, nullptr, nullptr},
        {SQL_TXN_CAPABLE, INFO_VAL_ASK, 0, nullptr, nullptr},
        {SQL_TXN_ISOLATION_OPTION, INFO_VAL_ASK, 0, nullptr, nullptr},
        {SQL_GETDATA_EXTENSIONS, INFO_VAL_ASK, 0, nullptr, nullptr},
        {SQL_BOOKMARK_PERSISTENCE, INFO_VAL_ASK, 0, nullptr, nullptr},
    };
    static const BaseInfoTable table(entries, sizeof entries / sizeof entries[0]);
    return table;
}

bool tstResultCommand(const std::string& verb, const std::string& rest) {
    if (verb == "info") {
        TstResults scratch;
        return scratch.command(verb, rest);
    }
    return resultTarget && resultTarget->command(verb, rest);
}

VxStatus tstResultInfo(unsigned short infoType, void** value, BaseInfoValType* valueType) {
    std::lock_guard<std::mutex> lock(infoMutex);
    auto found = infoAnswers().find(infoType);
    if (found != infoAnswers().end()) {
        *value = reinterpret_cast<void*>(static_cast<std::uintptr_t>(found->second.first));
        *valueType = found->second.second;
        return VX_SUCCESS;
    }
    SQLULEN answer = 0;
    switch (infoType) {
    case SQL_BOOKMARK_PERSISTENCE:
        break;
    case SQL_GETDATA_EXTENSIONS:
        answer = SQL_GD_ANY_COLUMN | SQL_GD_ANY_ORDER | SQL_GD_BOUND;
        break;
    case SQL_SCROLL_OPTIONS:
        answer = SQL_SO_FORWARD_ONLY | SQL_SO_STATIC;
        break;
    case SQL_SCROLL_CONCURRENCY:
        answer = SQL_SCCO_READ_ONLY | SQL_SCCO_OPT_VALUES;
        break;
    default:
        return VX_ERROR;
    }
    *value = reinterpret_cast<void*>(static_cast<std::uintptr_t>(answer));
    *valueType = INFO_VAL_MASK32;
    return VX_SUCCESS;
}
