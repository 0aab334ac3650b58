// FlatExprCompiler: compiles one SQL expression into an op stream.
//
// An operator-precedence parser: operands are written to the stream as
// they are read, operators wait on a stack until an operator that binds
// no tighter arrives (left-associative), so the stream comes out postfix.
// Each operand carries its expression type and length; every operator is
// checked against the entries of the operator table with its name, tried
// in table order, and a parameter operand takes the type the entry asks.
//
// Names are resolved through a FlatNameScope: the tables of the current
// SELECT first, then those of each enclosing SELECT. Table references in
// the stream are (scope level << 16) | table number.
//
// Nesting (parentheses, function arguments, list elements, the lower
// bound of BETWEEN) is bounded: more than FLAT_MAX_NESTING levels raise
// 3935 instead of running the thread out of stack. Chains of operators at
// one level (a AND b AND c ...) need no recursion at all.
#pragma once

#include <cstddef>
#include <cstdint>

#include "flat/FlatOpStreamBuilder.h"
#include "flat/FlatFunctionTable.h"
#include "flat/FlatParseTable.h"
#include "parse/FlatParamList.h"
#include "parse/FlatSqlLexer.h"
#include "util/VxStatus.h"

class FlatAggregateRegistry;

constexpr unsigned FLAT_MAX_NESTING = 25;

// A column found by name.
struct FlatColumnRef {
    std::uint16_t tableNumber = 0; // from 1, in the order of the FROM list
    std::uint16_t field = 0;       // the cursor's column number
    short sqlType = 0;
    std::uint32_t precision = 0;
    short scale = 0;
    short nullable = 0;
    // Nonzero when the precision is an estimate: the most characters a
    // value of the column can have.
    std::uint32_t estimatedLimit = 0;
};

// The tables visible to an expression.
class FlatNameScope {
public:
    virtual ~FlatNameScope() = default;
    // Looks `name` up among this scope's tables (only the table called
    // `qualifier` when it is not null; a correlation name hides the table
    // name). *found is false when nothing matches; a name that matches
    // columns of two tables raises 3929.
    [[nodiscard]] virtual VxStatus findColumn(const char* qualifier, const char* name,
                                              FlatColumnRef* ref, bool* found) = 0;
    // The scope of the enclosing SELECT, or null.
    virtual FlatNameScope* getOuterScope() = 0;
};

// What a compiled expression is.
struct FlatExprResult {
    short type = 0;           // expression type (FlatExprType.h)
    std::uint32_t length = 0; // bytes of a string result, 8 or 1 otherwise
    bool isColumn = false;    // a bare column reference
    FlatColumnRef column;     // ... that column
    std::uint32_t columnLevel = 0;
    std::uint16_t bareParam = 0; // a bare parameter (its number), else 0
    bool usesTables = false;     // refers to a column of the current scope
    std::uint16_t maxTable = 0;  // highest table number of the current scope used
    bool hasAggregate = false;
};

// What a sub-select in an expression gives.
struct FlatSubQueryResult {
    std::uint16_t number = 0;    // the sub-query's number in the query
    short sqlType = 0;           // type of its (only) column
    std::uint32_t precision = 0; // ... precision
    std::uint16_t maxTable = 0;  // highest table number of the enclosing SELECT
};

// Parses the sub-selects an expression contains (the SELECT parser).
class FlatSubQueryHost {
public:
    virtual ~FlatSubQueryHost() = default;
    // The sub-select whose "(" is at byte `offset` of the statement, with
    // `outer` as the scope its names fall back to. For EXISTS
    // (`anyColumns`) it may have any number of columns, else exactly one.
    [[nodiscard]] virtual VxStatus parseSubQuery(std::size_t offset, FlatNameScope* outer,
                                                 bool anyColumns, FlatSubQueryResult* out) = 0;
};

// Compilation settings for one expression.
struct FlatExprOptions {
    bool condition = false;                      // must have a logical result (3901)
    bool allowAlias = false;                     // "[AS] name" may end the text
    bool aggregatesAllowed = false;              // aggregates not refused ...
    unsigned short aggregateRefusal = 3936;      // ... with this message ...
    FlatAggregateRegistry* aggregates = nullptr; // ... and registered here
    std::size_t baseOffset = 0;                  // offset of the text in the statement
    FlatSubQueryHost* subQueries = nullptr;      // sub-selects; null: not capable
};

class FlatExprCompiler {
public:
    // `params` numbers and types the markers; `scope` resolves names.
    // Both must outlive the compiler.
    FlatExprCompiler(FlatParamList* params, FlatNameScope* scope)
        : params_(params), scope_(scope) {}
    ~FlatExprCompiler();
    FlatExprCompiler(const FlatExprCompiler&) = delete;
    FlatExprCompiler& operator=(const FlatExprCompiler&) = delete;

    // Compiles the NUL-terminated `text` into `builder` (appending).
    [[nodiscard]] VxStatus compile(const char* text, const FlatExprOptions& options,
                                   FlatOpStreamBuilder* builder, FlatExprResult* result);
    // The alias read by the last compile ("" when none). Valid until the
    // next compile.
    const char* getAlias() const { return alias_.text(); }

    // The user name that USERNAME compiles to (default "").
    void setUserName(const char* name) { userName_ = name ? name : ""; }

    // The compiler's own records (FlatExprInternal.h).
    struct Operand;
    struct Pending;
    class Level;

private:
    // Compiles one (sub-)expression up to its terminator: ",", ")", the end,
    // or "AND" when `stopAtAnd`. The terminator is left unread.
    [[nodiscard]] VxStatus compileLevel(unsigned depth, bool stopAtAnd, Operand* result);
    [[nodiscard]] VxStatus readOperand(Level& level, unsigned depth, bool* pushedPrefix);
    [[nodiscard]] VxStatus readParenthesis(unsigned depth, Operand* out);
    // The sub-select whose "(" is at `parenOffset` of the text: an EXISTS
    // test (`exists`) or a value; leaves the cursor after its ")".
    [[nodiscard]] VxStatus readSubSelect(std::size_t parenOffset, bool exists, Operand* out);
    [[nodiscard]] VxStatus readFunction(const FlatSqlToken& name, unsigned depth, Operand* out);
    // Reads "(" arguments ")"; *count may exceed `capacity` (only the first
    // arguments are kept).
    [[nodiscard]] VxStatus readArguments(unsigned depth, Operand* args, unsigned capacity,
                                         unsigned* count);
    static std::uint32_t resultLength(const FlatFunctionEntry& entry, const Operand* args,
                                      unsigned count);
    [[nodiscard]] VxStatus readAggregate(const FlatSqlToken& name, unsigned depth, Operand* out,
                                         bool* handled);
    [[nodiscard]] VxStatus readColumn(const FlatSqlToken& name, Operand* out);
    [[nodiscard]] VxStatus readDateLiteral(const FlatSqlToken& token, Operand* out);
    [[nodiscard]] VxStatus readConstant(FlatSqlToken& token, Operand* out, bool* handled);
    // After an operand: reads an operator; *done when the expression ends,
    // *operandNext when an operand must follow (not after IS NULL or a list).
    [[nodiscard]] VxStatus readOperator(Level& level, unsigned depth, bool stopAtAnd, bool* done,
                                        bool* operandNext);
    // The operator entry `token` (and the words after it: NOT LIKE, IS NOT
    // NULL ...) names; null when the token is no operator.
    [[nodiscard]] VxStatus matchOperator(const FlatSqlToken& token,
                                         const FlatOperatorEntry** entry);
    [[nodiscard]] VxStatus readList(Level& level, unsigned depth, const FlatOperatorEntry* entry,
                                    bool all);
    [[nodiscard]] VxStatus readBetween(Level& level, unsigned depth,
                                       const FlatOperatorEntry* entry);
    [[nodiscard]] VxStatus readPostfixIs(Level& level, const FlatOperatorEntry* entry);
    [[nodiscard]] VxStatus tryAlias(const FlatSqlToken& token, bool* taken);
    [[nodiscard]] VxStatus apply(Level& level, const Pending& op);
    [[nodiscard]] VxStatus reduce(Level& level, unsigned precedence);
    [[nodiscard]] VxStatus applyBinary(Operand* left, const Operand& right,
                                       const FlatOperatorEntry* first);
    [[nodiscard]] VxStatus applyUnary(Operand* operand, const FlatOperatorEntry* entry);
    [[nodiscard]] VxStatus checkParamKnown(const Operand& operand);
    void typeParam(const Operand& operand, short type);
    const FlatOperatorEntry* findOperator(const char* name, std::size_t from) const;

    FlatParamList* params_;
    FlatNameScope* scope_;
    FlatSqlLexer* lexer_ = nullptr;
    FlatOpStreamBuilder* builder_ = nullptr;
    FlatExprOptions options_;
    FlatExprResult* result_ = nullptr;
    FlatSqlToken alias_;
    const char* userName_ = "";
    unsigned parenDepth_ = 0;
};
