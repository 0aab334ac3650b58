#include "TstCommands.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "TstParams.h"
#include "TstResults.h"
#include "base/BaseErrors.h"

namespace {

struct CommandState {
    const TstParams* received = nullptr;
    VxError* last = nullptr;
    bool error = false;
    bool succeed = false;
};

unsigned short number(const std::string& word) {
    return static_cast<unsigned short>(std::strtoul(word.c_str(), nullptr, 0));
}

void hold(const std::string& address) {
    auto* flag = reinterpret_cast<std::atomic<int>*>(std::strtoull(address.c_str(), nullptr, 0));
    flag->store(1);
    while (flag->load() != 2)
        std::this_thread::yield();
}

void paramRow(const TstParams* received) {
    if (received == nullptr)
        return;
    std::string row;
    for (const auto& entry : received->values()) {
        tstResultCommand("column", "p" + std::to_string(entry.first) + " VARCHAR 255");
        if (!row.empty())
            row += '|';
        row += entry.second;
    }
    tstResultCommand("row", row);
}

void runCommand(const std::string& command, CommandState& state) {
    std::size_t space = command.find(' ');
    std::string verb = command.substr(0, space);
    std::string rest = space == std::string::npos ? "" : command.substr(space + 1);
    std::size_t second = rest.find(' ');
    std::string first = rest.substr(0, second);
    std::string tail = second == std::string::npos ? "" : rest.substr(second + 1);
    if (verb == "error" || verb == "warning") {
        bool warning = verb == "warning";
        state.error |= !warning;
        if (tail.empty())
            state.last = warning ? &addOdbcWarning(number(first)) : &addOdbcError(number(first));
        else
            state.last = warning ? &addOdbcWarning(number(first), number(tail))
                                 : &addOdbcError(number(first), number(tail));
    } else if (verb == "native") {
        std::size_t third = tail.find(' ');
        state.error = true;
        state.last = &addNativeError(number(first), std::strtol(tail.c_str(), nullptr, 0),
                                     third == std::string::npos ? "" : tail.c_str() + third + 1);
    } else if (verb == "resource") {
        state.error = true;
        state.last = &addNativeResourceError(number(first));
    } else if (verb == "resourcewarning") {
        state.last = &addNativeResourceWarning(number(first));
    } else if (verb == "alone") {
        state.error = true;
        state.last = &VxErrorKeeper::addError(new VxError(0, rest.c_str(), ERROR_TYPE_ERROR,
                                                          ODBC_S1000));
        if (!state.last->isStatic())
            state.last->setRawText(true);
    } else if (verb == "param" && state.last) {
        *state.last << std::strtol(first.c_str(), nullptr, 0);
    } else if (verb == "text" && state.last) {
        *state.last << rest.c_str();
    } else if (verb == "append") {
        appendOdbcErrorText(number(first)) << std::strtol(tail.c_str(), nullptr, 0);
    } else if (verb == "reset") {
        resetLastErrorSqlState(number(first));
    } else if (verb == "hold") {
        hold(first);
    } else if (verb == "succeed") {
        state.succeed = true;
    } else if (verb == "paramrow") {
        paramRow(state.received);
    } else if (verb == "params" || verb == "echo") {
        std::string text = verb == "echo" ? rest : state.received ? state.received->report() : "";
        state.last = &VxErrorKeeper::addError(new VxError(0, text.c_str(), ERROR_TYPE_WARNING,
                                                          ODBC_01000));
        if (!state.last->isStatic())
            state.last->setRawText(true);
    } else if (!tstResultCommand(verb, rest)) {
        return;
    }
}

} // namespace

bool tstIsCommandText(const SQLCHAR* text, SQLINTEGER length) {
    static const char* const WORDS[] = {"error", "warning", "native", "resource",
                                        "resourcewarning", "alone", "hold", "succeed",
                                        "translate", "params", "echo", "paramrow"};
    const char* chars = reinterpret_cast<const char*>(text);
    std::string all = length == SQL_NTS ? std::string(chars) : std::string(chars, length);
    std::string first = all.substr(0, all.find_first_of(" ;"));
    for (const char* word : WORDS)
        if (first == word)
            return true;
    return false;
}

SQLRETURN tstRunCommands(const SQLCHAR* text, SQLINTEGER length, const TstParams* received) {
    const char* chars = reinterpret_cast<const char*>(text);
    std::string all = length == SQL_NTS ? std::string(chars) : std::string(chars, length);
    CommandState state;
    state.received = received;
    std::size_t start = 0;
    while (start <= all.size()) {
        std::size_t end = all.find(';', start);
        if (end == std::string::npos)
            end = all.size();
        std::string command = all.substr(start, end - start);
        while (!command.empty() && command.front() == ' ')
            command.erase(0, 1);
        if (!command.empty())
            runCommand(command, state);
        start = end + 1;
    }
    return state.error && !state.succeed ? SQL_ERROR : SQL_SUCCESS;
}
