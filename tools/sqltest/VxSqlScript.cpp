// Parser of vxsqltest scripts; the format is described in VxSqlScript.h.
#include "VxSqlScript.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace {

const char* const kResultSeparator = "----";

bool isBlank(const std::string& line) {
    return line.find_first_not_of(" \t\r") == std::string::npos;
}

bool isNameStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool isNameChar(char c) {
    return isNameStart(c) || (c >= '0' && c <= '9');
}

// Splits a header line into words separated by spaces or tabs.
std::vector<std::string> splitWords(const std::string& line) {
    std::vector<std::string> words;
    size_t pos = 0;
    while (true) {
        pos = line.find_first_not_of(" \t", pos);
        if (pos == std::string::npos) {
            break;
        }
        size_t end = line.find_first_of(" \t", pos);
        if (end == std::string::npos) {
            end = line.size();
        }
        words.push_back(line.substr(pos, end - pos));
        pos = end;
    }
    return words;
}

// Offset in line just past the count-th word and the single space after it,
// or line.size() when the line ends there.
size_t offsetAfterWords(const std::string& line, size_t count) {
    size_t pos = 0;
    for (size_t i = 0; i < count; ++i) {
        pos = line.find_first_not_of(" \t", pos);
        pos = line.find_first_of(" \t", pos);
        if (pos == std::string::npos) {
            return line.size();
        }
    }
    return pos + 1;
}

bool isSqlState(const std::string& word) {
    if (word.size() != 5) {
        return false;
    }
    for (char c : word) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'))) {
            return false;
        }
    }
    return true;
}

std::string directoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

bool VxSqlVariables::lookup(const std::string& name, std::string& value) const {
    auto it = values_.find(name);
    if (it != values_.end()) {
        value = it->second;
        return true;
    }
    const char* env = std::getenv(name.c_str());
    if (env == nullptr) {
        return false;
    }
    value = env;
    return true;
}

bool VxSqlVariables::substitute(const std::string& text, std::string& out,
                                std::string& error) const {
    out.clear();
    size_t pos = 0;
    while (pos < text.size()) {
        size_t dollar = text.find("${", pos);
        if (dollar == std::string::npos) {
            out.append(text, pos, std::string::npos);
            break;
        }
        out.append(text, pos, dollar - pos);
        size_t close = text.find('}', dollar + 2);
        if (close == std::string::npos) {
            error = "unterminated \"${\"";
            return false;
        }
        std::string name = text.substr(dollar + 2, close - dollar - 2);
        bool valid = !name.empty() && isNameStart(name[0]);
        for (char c : name) {
            valid = valid && isNameChar(c);
        }
        std::string value;
        if (!valid) {
            error = "invalid variable name \"" + name + "\"";
            return false;
        }
        if (!lookup(name, value)) {
            error = "unknown variable \"" + name + "\" (set it with --set " + name +
                    "=VALUE or in the environment)";
            return false;
        }
        out += value;
        pos = close + 1;
    }
    return true;
}

bool VxSqlScript::load(const std::string& path, const VxSqlVariables& variables) {
    path_ = path;
    variables_ = variables;
    records_.clear();
    errors_.clear();
    if (!variables.has("SCRIPT_DIR")) {
        variables_.set("SCRIPT_DIR", directoryOf(path));
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        errors_.push_back(path + ": cannot open the script");
        return false;
    }
    std::vector<VxSqlLine> block;
    int lineNumber = 0;
    bool inResults = false;
    std::string line;
    while (true) {
        bool more = static_cast<bool>(std::getline(in, line));
        if (more) {
            ++lineNumber;
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
        }
        if (!more || isBlank(line)) {
            if (!block.empty()) {
                parseRecord(block);
            }
            block.clear();
            inResults = false;
            if (!more) {
                break;
            }
            continue;
        }
        if (!inResults && line[0] == '#') {
            continue;
        }
        std::string expanded;
        std::string error;
        if (!variables_.substitute(line, expanded, error)) {
            addError(lineNumber, error);
        }
        block.push_back({lineNumber, expanded});
        inResults = inResults || line == kResultSeparator;
    }
    return errors_.empty();
}

void VxSqlScript::addError(int line, const std::string& message) {
    errors_.push_back(path_ + ":" + std::to_string(line) + ": " + message);
}

bool VxSqlScript::parseRecord(const std::vector<VxSqlLine>& lines) {
    VxSqlRecord record;
    record.line = lines[0].number;
    if (!parseHeader(lines[0].text, record, record.line)) {
        return false;
    }
    // Comments may sit inside a record, so body lines keep their own numbers.
    std::vector<std::string> body;
    for (size_t i = 1; i < lines.size(); ++i) {
        body.push_back(lines[i].text);
    }
    int bodyLine = lines.size() > 1 ? lines[1].number : record.line;
    if (!parseBody(body, record, bodyLine)) {
        return false;
    }
    records_.push_back(record);
    return true;
}

bool VxSqlScript::parseHeader(const std::string& header, VxSqlRecord& record, int line) {
    std::vector<std::string> words = splitWords(header);
    const std::string& kind = words[0];
    if (kind == "statement" && words.size() >= 2) {
        if (words[1] == "ok" && words.size() == 2) {
            record.kind = VxSqlRecordKind::StatementOk;
            return true;
        }
        if (words[1] == "error" || words[1] == "warning") {
            record.kind = words[1] == "error" ? VxSqlRecordKind::StatementError
                                              : VxSqlRecordKind::StatementWarning;
            return parseExpectation(words, 2, header, record, line);
        }
    } else if (kind == "query") {
        return parseQueryHeader(words, record, line);
    } else if (kind == "connect") {
        record.kind = VxSqlRecordKind::Connect;
        if (words.size() >= 2 && words[1] == "error") {
            record.expectFailure = true;
            return parseExpectation(words, 2, header, record, line);
        }
        if (words.size() >= 2) {
            size_t start = header.find_first_not_of(" \t", offsetAfterWords(header, 1));
            record.sql = header.substr(start);
        }
        return true;
    } else if (kind == "halt" && words.size() == 1) {
        record.kind = VxSqlRecordKind::Halt;
        return true;
    }
    addError(line, "unknown record \"" + header + "\"");
    return false;
}

bool VxSqlScript::parseExpectation(const std::vector<std::string>& words, size_t first,
                                   const std::string& header, VxSqlRecord& record, int line) {
    if (words.size() <= first || !isSqlState(words[first])) {
        addError(line, "expected a five-character SQLSTATE after \"" + words[first - 1] + "\"");
        return false;
    }
    record.expectedState = words[first];
    if (words.size() > first + 1) {
        record.hasExpectedMessage = true;
        record.expectedMessage = header.substr(offsetAfterWords(header, first + 1));
    }
    return true;
}

bool VxSqlScript::parseQueryHeader(const std::vector<std::string>& words, VxSqlRecord& record,
                                   int line) {
    record.kind = VxSqlRecordKind::Query;
    if (words.size() < 2 || words.size() > 3) {
        addError(line, "expected \"query <types> [nosort|rowsort|valuesort]\"");
        return false;
    }
    record.types = words[1];
    if (record.types.find_first_not_of("TIRD") != std::string::npos) {
        addError(line, "column types are letters among T, I, R and D, not \"" + words[1] + "\"");
        return false;
    }
    if (words.size() == 3) {
        if (words[2] == "rowsort") {
            record.sortMode = VxSqlSortMode::RowSort;
        } else if (words[2] == "valuesort") {
            record.sortMode = VxSqlSortMode::ValueSort;
        } else if (words[2] != "nosort") {
            addError(line, "unknown sort mode \"" + words[2] + "\"");
            return false;
        }
    }
    return true;
}

bool VxSqlScript::parseBody(const std::vector<std::string>& lines, VxSqlRecord& record,
                            int firstLine) {
    size_t separator = lines.size();
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] == kResultSeparator) {
            separator = i;
            break;
        }
    }
    bool isQuery = record.kind == VxSqlRecordKind::Query;
    if (separator != lines.size() && !isQuery) {
        addError(firstLine, "only a query has a \"----\" result block");
        return false;
    }
    bool isConnect = record.kind == VxSqlRecordKind::Connect;
    std::string text;
    for (size_t i = 0; i < separator; ++i) {
        // A connection string split over lines is joined as it is.
        text += (i == 0 || isConnect) ? "" : "\n";
        text += lines[i];
    }
    if (record.kind == VxSqlRecordKind::Halt && !lines.empty()) {
        addError(firstLine, "\"halt\" takes no further lines");
        return false;
    }
    if (isConnect) {
        if (!record.sql.empty() && !text.empty()) {
            addError(firstLine, "connection string given twice");
            return false;
        }
        if (record.expectFailure && text.empty()) {
            addError(firstLine, "\"connect error\" needs the connection string on the next line");
            return false;
        }
        record.sql += text;
        return true;
    }
    if (record.kind != VxSqlRecordKind::Halt && text.empty()) {
        addError(firstLine, "the record has no SQL");
        return false;
    }
    record.sql = text;
    if (isQuery && separator < lines.size()) {
        record.expectedValues.assign(lines.begin() + separator + 1, lines.end());
        if (record.expectedValues.size() % record.types.size() != 0) {
            addError(firstLine, std::to_string(record.expectedValues.size()) +
                                    " values do not fill rows of " +
                                    std::to_string(record.types.size()) + " columns");
            return false;
        }
    }
    return true;
}

std::string vxSqlWriteValue(const std::string& value, bool isNull) {
    if (isNull) {
        return "NULL";
    }
    if (value.empty()) {
        return "(empty)";
    }
    size_t trailing = value.find_last_not_of(' ');
    size_t spacesFrom = trailing == std::string::npos ? 0 : trailing + 1;
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(value[i]);
        if (c == '\\') {
            out += "\\\\";
        } else if (c < 0x20 || c == 0x7F || (c == ' ' && i >= spacesFrom)) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}
