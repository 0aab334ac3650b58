// Oci7Plsql: anonymous PL/SQL blocks that call one stored procedure or
// function, and the registry of the stored procedures this library knows.
//
// Accepted blocks: "BEGIN name(args); END;", "BEGIN :r := name(args); END;"
// and "BEGIN NULL; END;", where an argument is a placeholder, a number, a
// string literal or NULL, and the name may carry an owner ("SCOTT.NAME").
// A procedure called as a function fails with ORA-06550 / PLS-00222, a
// function called as a procedure with PLS-00221, an unknown name with
// PLS-00222 (as a function) or PLS-00201 (as a procedure).
//
// The registry (all owned by the session's user):
//   TEST_ADD(A IN NUMBER, B IN NUMBER, C OUT NUMBER)     C := A + B
//   TEST_UPPER(S IN OUT VARCHAR2)                         S := UPPER(S)
//   TEST_NEXT_DAY(D IN OUT DATE)                          D := D + 1
//   TEST_FAIL(MSG IN VARCHAR2)                            raises ORA-20001: MSG
//   TEST_TWICE(X IN NUMBER) RETURN NUMBER                 2 * X
//   TEST_GREETING(NAME IN VARCHAR2) RETURN VARCHAR2       'Hello, ' || NAME
#pragma once

#include <string>
#include <vector>

#include "Oci7Errors.h"
#include "Oci7Value.h"

namespace oci7 {

enum class ArgMode { In, Out, InOut };

struct ProcArg {
    const char* name;
    ArgMode mode;
    const char* dataType; // "NUMBER", "VARCHAR2", "DATE"
};

struct Procedure {
    const char* name;
    const char* returnType; // null for a procedure
    std::vector<ProcArg> args;
    // Runs with the IN values in args (OUT ones null); sets the OUT values
    // and *result. Answers an error with code 0 on success.
    Error (*run)(std::vector<Value>* args, Value* result);
};

const std::vector<Procedure>& procedureRegistry();

struct PlsqlArg {
    bool placeholder = false;
    std::string name; // ":NAME" (upper case) for a placeholder
    Value literal;
};

struct PlsqlCall {
    bool nullBlock = false; // BEGIN NULL; END;
    const Procedure* procedure = nullptr;
    std::string resultPlaceholder; // ":R" for a function call
    std::vector<PlsqlArg> args;
};

// Compiles `block`. Errors: 6550 with the PLS text; PLS-00103 for a block
// of another shape.
Error compilePlsql(const std::string& block, PlsqlCall* out);

} // namespace oci7
