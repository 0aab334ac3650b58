#include "Oci7Plsql.h"

#include <cstdio>

#include "Oci7Sql.h"

namespace oci7 {

namespace {

Error ok() {
    return Error();
}

Error numericError() {
    return makeError(6502, "");
}

double asDouble(const Value& v, bool* good) {
    Value n;
    *good = valueAsNumber(v, &n) == 0;
    return n.kind == Value::Integer ? static_cast<double>(n.integer) : n.real;
}

Value numberValue(double d) {
    Value v;
    parseNumber(numberText(d), &v);
    return v;
}

Error runAdd(std::vector<Value>* a, Value*) {
    if ((*a)[0].kind == Value::Null || (*a)[1].kind == Value::Null) {
        (*a)[2] = Value::null();
        return ok();
    }
    bool g1, g2;
    double x = asDouble((*a)[0], &g1), y = asDouble((*a)[1], &g2);
    if (!g1 || !g2)
        return numericError();
    (*a)[2] = numberValue(x + y);
    return ok();
}

Error runUpper(std::vector<Value>* a, Value*) {
    if ((*a)[0].kind == Value::Null)
        return ok();
    std::string s;
    valueAsText((*a)[0], &s);
    (*a)[0] = Value::ofText(upperAscii(s));
    return ok();
}

Error runNextDay(std::vector<Value>* a, Value*) {
    if ((*a)[0].kind == Value::Null)
        return ok();
    DateTime d;
    if (valueAsDate((*a)[0], &d) != 0)
        return numericError();
    DateTime next = fromJulianDay(julianDay(d) + 1);
    next.hour = d.hour;
    next.minute = d.minute;
    next.second = d.second;
    (*a)[0] = Value::ofDate(isoDateText(next));
    return ok();
}

Error runFail(std::vector<Value>* a, Value*) {
    std::string s;
    valueAsText((*a)[0], &s);
    return makeError(20001, s);
}

Error runTwice(std::vector<Value>* a, Value* result) {
    if ((*a)[0].kind == Value::Null) {
        *result = Value::null();
        return ok();
    }
    bool good;
    double x = asDouble((*a)[0], &good);
    if (!good)
        return numericError();
    *result = numberValue(2 * x);
    return ok();
}

Error runGreeting(std::vector<Value>* a, Value* result) {
    std::string s;
    valueAsText((*a)[0], &s);
    *result = Value::ofText("Hello, " + s);
    return ok();
}

// ORA-06550 as Oracle words it: the position, then the PL/SQL message.
Error plsError(size_t line, size_t column, const std::string& pls, bool statementIgnored) {
    char where[64];
    std::snprintf(where, sizeof where, "line %zu, column %zu:\n", line, column);
    Error e;
    e.code = 6550;
    e.text = "ORA-06550: " + std::string(where) + pls;
    if (statementIgnored)
        e.text += "\nORA-06550: " + std::string(where) + "PL/SQL: Statement ignored";
    return e;
}

void lineAndColumn(const std::string& text, size_t offset, size_t* line, size_t* column) {
    *line = 1;
    *column = 1;
    for (size_t i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++*line;
            *column = 1;
        } else {
            ++*column;
        }
    }
}

} // namespace

const std::vector<Procedure>& procedureRegistry() {
    static const std::vector<Procedure> registry = {
        {"TEST_ADD",
         nullptr,
         {{"A", ArgMode::In, "NUMBER"},
          {"B", ArgMode::In, "NUMBER"},
          {"C", ArgMode::Out, "NUMBER"}},
         runAdd},
        {"TEST_UPPER", nullptr, {{"S", ArgMode::InOut, "VARCHAR2"}}, runUpper},
        {"TEST_NEXT_DAY", nullptr, {{"D", ArgMode::InOut, "DATE"}}, runNextDay},
        {"TEST_FAIL", nullptr, {{"MSG", ArgMode::In, "VARCHAR2"}}, runFail},
        {"TEST_TWICE", "NUMBER", {{"X", ArgMode::In, "NUMBER"}}, runTwice},
        {"TEST_GREETING", "VARCHAR2", {{"NAME", ArgMode::In, "VARCHAR2"}}, runGreeting},
    };
    return registry;
}

Error compilePlsql(const std::string& block, PlsqlCall* out) {
    std::vector<Token> all;
    size_t errorOffset = 0;
    if (tokenize(block, &all, &errorOffset) != 0)
        return makeError(1756);
    std::vector<Token> t;
    for (Token& tok : all) {
        if (tok.type == Token::Space)
            continue;
        if (tok.type == Token::Word || tok.type == Token::Placeholder)
            tok.text = upperAscii(tok.text);
        t.push_back(tok);
    }
    size_t line, column;
    auto syntax = [&](size_t k) {
        size_t offset = k < t.size() ? t[k].offset : block.size();
        lineAndColumn(block, offset, &line, &column);
        std::string found = k < t.size() ? t[k].text : std::string("end-of-file");
        return plsError(line, column,
                        "PLS-00103: Encountered the symbol \"" + found +
                            "\" when expecting one of the following:",
                        false);
    };
    size_t k = 0;
    auto is = [&](const char* text) { return k < t.size() && t[k].text == text; };
    if (!is("BEGIN"))
        return syntax(k);
    ++k;
    if (is("NULL")) {
        ++k;
        out->nullBlock = true;
    } else {
        if (k + 1 < t.size() && t[k].type == Token::Placeholder && t[k + 1].text == ":=") {
            out->resultPlaceholder = t[k].text;
            k += 2;
        }
        if (k >= t.size() || t[k].type != Token::Word)
            return syntax(k);
        size_t nameAt = k;
        std::string name = t[k++].text;
        if (is(".") && k + 1 < t.size() && t[k + 1].type == Token::Word) {
            name = t[k + 1].text; // the owner is the session's user
            k += 2;
        }
        if (is("(")) {
            ++k;
            for (;;) {
                PlsqlArg arg;
                if (k >= t.size())
                    return syntax(k);
                const Token& a = t[k];
                if (a.type == Token::Placeholder) {
                    arg.placeholder = true;
                    arg.name = a.text;
                } else if (a.type == Token::Number) {
                    parseNumber(a.text, &arg.literal);
                } else if (a.type == Token::String) {
                    std::string s;
                    for (size_t i = 1; i + 1 < a.text.size(); ++i) {
                        s += a.text[i];
                        if (a.text[i] == '\'')
                            ++i;
                    }
                    arg.literal = Value::ofText(s);
                } else if (a.text != "NULL") {
                    return syntax(k);
                }
                out->args.push_back(arg);
                ++k;
                if (is(",")) {
                    ++k;
                    continue;
                }
                if (is(")")) {
                    ++k;
                    break;
                }
                return syntax(k);
            }
        }
        lineAndColumn(block, t[nameAt].offset, &line, &column);
        const Procedure* proc = nullptr;
        for (const Procedure& p : procedureRegistry())
            if (name == p.name)
                proc = &p;
        bool asFunction = !out->resultPlaceholder.empty();
        if (proc == nullptr || (asFunction && proc->returnType == nullptr)) {
            if (asFunction)
                return plsError(
                    line, column,
                    "PLS-00222: no function with name '" + name + "' exists in this scope", true);
            return plsError(line, column, "PLS-00201: identifier '" + name + "' must be declared",
                            true);
        }
        if (!asFunction && proc->returnType != nullptr)
            return plsError(line, column,
                            "PLS-00221: '" + name + "' is not a procedure or is undefined", true);
        if (out->args.size() != proc->args.size())
            return plsError(
                line, column,
                "PLS-00306: wrong number or types of arguments in call to '" + name + "'", true);
        for (size_t i = 0; i < proc->args.size(); ++i)
            if (proc->args[i].mode != ArgMode::In && !out->args[i].placeholder)
                return plsError(line, column,
                                "PLS-00363: expression '" + std::string(proc->args[i].name) +
                                    "' cannot be used as an assignment target",
                                true);
        out->procedure = proc;
    }
    if (!is(";"))
        return syntax(k);
    ++k;
    if (!is("END"))
        return syntax(k);
    ++k;
    if (!is(";"))
        return syntax(k);
    ++k;
    if (k != t.size())
        return syntax(k);
    return ok();
}

} // namespace oci7
