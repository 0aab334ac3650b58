// vxsqltest: runs SQL test scripts through the ODBC driver manager.
//
//   vxsqltest --connect "<connection string>" [--set NAME=VALUE]...
//             [--odbc-version 2|3] [--verbose] script.test...
//
// Each script gets its own connection, opened with the --connect string
// before its first record (unless that record is a "connect"). "${NAME}" in
// the connection string and in the scripts is replaced by --set values,
// SCRIPT_DIR (the script's directory) and environment variables. The script
// format is described in VxSqlScript.h and README.md.
//
// For each failing record the runner prints "file:line: " and a description
// (SQL, expected and actual, every diagnostic record); for each script a
// count line; at the end a total. The exit status is 0 when every record of
// every script passed, 1 when any failed or a script could not be run, 2 on
// a usage error.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "VxSqlExecutor.h"
#include "VxSqlScript.h"

namespace {

struct Options {
    std::string connection;
    bool hasConnection = false;
    int odbcVersion = 2;
    bool verbose = false;
    VxSqlVariables variables;
    std::vector<std::string> scripts;
};

struct Counts {
    size_t records = 0;
    size_t passed = 0;
    size_t failed = 0;
};

void printUsage(FILE* out) {
    std::fprintf(out, "usage: vxsqltest --connect <connection string> [--set NAME=VALUE]...\n"
                      "                 [--odbc-version 2|3] [--verbose] script...\n");
}

bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--connect" && hasValue) {
            options.connection = argv[++i];
            options.hasConnection = true;
        } else if (arg == "--set" && hasValue) {
            std::string assignment = argv[++i];
            size_t equals = assignment.find('=');
            if (equals == std::string::npos || equals == 0) {
                std::fprintf(stderr, "vxsqltest: --set needs NAME=VALUE, not \"%s\"\n",
                             assignment.c_str());
                return false;
            }
            options.variables.set(assignment.substr(0, equals), assignment.substr(equals + 1));
        } else if (arg == "--odbc-version" && hasValue) {
            std::string version = argv[++i];
            if (version != "2" && version != "3") {
                std::fprintf(stderr, "vxsqltest: --odbc-version is 2 or 3\n");
                return false;
            }
            options.odbcVersion = version == "3" ? 3 : 2;
        } else if (arg == "--verbose" || arg == "-v") {
            options.verbose = true;
        } else if (arg == "--help" || arg == "-h") {
            printUsage(stdout);
            std::exit(0);
        } else if (!arg.empty() && arg[0] == '-') {
            std::fprintf(stderr, "vxsqltest: unknown or incomplete option \"%s\"\n", arg.c_str());
            return false;
        } else {
            options.scripts.push_back(arg);
        }
    }
    if (!options.hasConnection || options.scripts.empty()) {
        std::fprintf(stderr, "vxsqltest: a connection string and at least one script are "
                             "needed\n");
        return false;
    }
    return true;
}

void printFailure(const std::string& path, int line, const std::string& report) {
    if (line > 0) {
        std::printf("%s:%d: FAILED %s", path.c_str(), line, report.c_str());
    } else {
        std::printf("%s: FAILED %s", path.c_str(), report.c_str());
    }
    if (!report.empty() && report.back() != '\n') {
        std::printf("\n");
    }
}

// Runs the records of a loaded script, counting into counts.
void runRecords(const VxSqlScript& script, const std::string& connection, const Options& options,
                VxSqlExecutor& executor, Counts& counts) {
    const std::vector<VxSqlRecord>& records = script.records();
    for (const VxSqlRecord& record : records) {
        if (record.kind == VxSqlRecordKind::Halt) {
            if (options.verbose) {
                std::printf("%s:%d: halt\n", script.path().c_str(), record.line);
            }
            break;
        }
        ++counts.records;
        std::string report;
        if (executor.run(record, connection, report)) {
            ++counts.passed;
            if (options.verbose) {
                std::printf("%s:%d: ok\n", script.path().c_str(), record.line);
            }
        } else {
            ++counts.failed;
            printFailure(script.path(), record.line, report);
        }
    }
}

// Loads, connects and runs one script. Returns its counts; a script that
// cannot be loaded or connected counts as one failed record.
Counts runScript(const std::string& path, const Options& options, VxSqlExecutor& executor) {
    Counts counts;
    VxSqlScript script;
    if (!script.load(path, options.variables)) {
        for (const std::string& error : script.errors()) {
            std::printf("%s\n", error.c_str());
        }
        std::printf("%s: not run: the script has errors\n", path.c_str());
        counts.records = counts.failed = 1;
        return counts;
    }
    std::string connection;
    std::string error;
    if (!script.variables().substitute(options.connection, connection, error)) {
        std::printf("%s: not run: connection string: %s\n", path.c_str(), error.c_str());
        counts.records = counts.failed = 1;
        return counts;
    }
    const std::vector<VxSqlRecord>& records = script.records();
    bool opensItself = !records.empty() && records[0].kind == VxSqlRecordKind::Connect;
    std::string report;
    if (!opensItself && !executor.connect(connection, report)) {
        printFailure(path, 0, report);
        std::printf("%s: not run: cannot connect\n", path.c_str());
        counts.records = counts.failed = 1;
        return counts;
    }
    runRecords(script, connection, options, executor, counts);
    executor.disconnect();
    std::printf("%s: %zu records, %zu passed, %zu failed\n", path.c_str(), counts.records,
                counts.passed, counts.failed);
    return counts;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        printUsage(stderr);
        return 2;
    }
    VxSqlExecutor executor;
    std::string error;
    if (!executor.open(options.odbcVersion, error)) {
        std::fprintf(stderr, "vxsqltest: %s\n", error.c_str());
        return 2;
    }
    Counts total;
    size_t failedScripts = 0;
    for (const std::string& path : options.scripts) {
        Counts counts = runScript(path, options, executor);
        total.records += counts.records;
        total.passed += counts.passed;
        total.failed += counts.failed;
        failedScripts += counts.failed != 0 ? 1 : 0;
    }
    std::printf("vxsqltest: %zu scripts (%zu failed), %zu records, %zu passed, %zu failed\n",
                options.scripts.size(), failedScripts, total.records, total.passed, total.failed);
    std::fflush(stdout);
    return total.failed == 0 ? 0 : 1;
}
