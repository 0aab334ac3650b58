// FlatSelectParser: reads the structure of a SELECT and builds its tree of
// result-set operators directly.
//
// Order of a SELECT: an optional "(" (closed by a ")" at clause level),
// SELECT, optional ALL or DISTINCT, the select list up to FROM, the FROM
// list (table references joined by ","), then the clauses WHERE, GROUP BY,
// HAVING, ORDER BY, FOR UPDATE OF in any order, each at most once, and
// UNION. Clause texts run to the next clause keyword at parenthesis depth
// 0. Each table is opened as soon as it is read.
//
// The tree, bottom up: one table access per table, joined left-deep by
// nested-loop joins in FROM order; each AND term of WHERE on the lowest
// operator that sees all its tables (a table access for a term of one
// table, else the join that adds its latest table); the group operator
// when there is a GROUP BY or an aggregate; the projection of the select
// list; DISTINCT's sort. A UNION's further SELECTs are built alike, with
// their tables numbered on from the earlier ones, and joined under union
// operators (a distinct sort over them for UNION without ALL). Then the
// ORDER BY sort, and a scrolling operator when the mode asks for one and
// the top cannot reach rows by number.
//
// Every failure raises its message and leaves nothing behind: the parser
// deletes a partial tree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "parse/FlatExprCompiler.h"
#include "parse/FlatParseStack.h"
#include "util/VxStatus.h"

class FlatGroupBy;
class FlatJoin;
struct FlatConjunct;
class FlatOrderBy;
class FlatProjection;
class FlatRandomFetch;
class FlatResultSetColumn;
class FlatSortKeys;
class FlatResultSet;
class FlatResultSetGlobalInfo;
class FlatTableAccess;
class FlatUnionAll;
class VxArray;

struct FlatSelectTree {
    FlatResultSet* root = nullptr;          // owned by the caller after success
    FlatProjection* projection = nullptr;   // the projection inside it
    FlatRandomFetch* randomFetch = nullptr; // the scrolling operator on top, if any
};

class FlatSelectParser : public FlatSubQueryHost {
public:
    // `tables` receives the FlatTableAccess objects by number (not owned:
    // they belong to the tree). `params` numbers the statement's markers.
    FlatSelectParser(FlatResultSetGlobalInfo* info, FlatParamList* params, VxArray* tables,
                     unsigned mode)
        : info_(info), params_(params), tables_(tables), mode_(mode) {}
    ~FlatSelectParser() override;
    FlatSelectParser(const FlatSelectParser&) = delete;
    FlatSelectParser& operator=(const FlatSelectParser&) = delete;

    void setUserName(const char* name) { userName_ = name; }
    [[nodiscard]] VxStatus parse(const char* sql, FlatSelectTree* tree);
    // After parse: the number of tables in the statement's own FROM list
    // (the tables of its sub-selects come after them).
    std::uint16_t getFromTableCount() const { return lastTable_; }

    // A sub-select of an expression of this SELECT: parsed by a parser of
    // its own, its tables numbered on from the statement's, and handed to
    // the query's information as a sub-query.
    [[nodiscard]] VxStatus parseSubQuery(std::size_t offset, FlatNameScope* outer, bool anyColumns,
                                         FlatSubQueryResult* out) override;

private:
    // A piece of the statement text: [start, end) byte offsets.
    struct Span {
        std::size_t start;
        std::size_t end;
        bool present;
    };
    enum ClauseId { WHERE, GROUP_BY, HAVING, ORDER_BY, FOR_UPDATE, CLAUSE_COUNT };
    // A left outer join and its ON condition.
    struct OuterJoin {
        FlatJoin* join;
        std::uint16_t rightTable; // the table the join adds
        Span on;
    };

    [[nodiscard]] VxStatus readHead(FlatSqlLexer& lexer);
    // Notes the FROM list's last table (the tables the SELECT's names see).
    [[nodiscard]] VxStatus markLastTable();
    [[nodiscard]] VxStatus readSelectList(FlatSqlLexer& lexer);
    [[nodiscard]] VxStatus readFromList(FlatSqlLexer& lexer);
    [[nodiscard]] VxStatus readTableReference(FlatSqlLexer& lexer, bool outer);
    [[nodiscard]] VxStatus readOnCondition(FlatSqlLexer& lexer);
    [[nodiscard]] VxStatus readTableName(FlatSqlLexer& lexer, char* directory, char* file);
    [[nodiscard]] VxStatus readTableWord(FlatSqlLexer& lexer, char* directory, char* file);
    [[nodiscard]] VxStatus readOptions(FlatSqlLexer& lexer, char** options);
    [[nodiscard]] VxStatus readClauses(FlatSqlLexer& lexer);
    [[nodiscard]] VxStatus readClause(FlatSqlLexer& lexer, ClauseId id, const char* keyword);
    [[nodiscard]] VxStatus checkTrashAtEnd(FlatSqlLexer& lexer);
    // Moves to the end of a clause's text: the next clause keyword or ";"
    // at depth 0, the end, or the ")" that closes the outer parenthesis.
    // An ON condition also ends at ",", ON and the join words (LEFT and
    // RIGHT unless "(" follows: the string functions).
    [[nodiscard]] VxStatus skipClauseText(FlatSqlLexer& lexer, bool onCondition = false);

    [[nodiscard]] VxStatus buildTree(FlatSelectTree* tree);
    // One SELECT of the statement up to its DISTINCT (no ORDER BY, no
    // scrolling operator): the tree is left in from_, its columns in
    // projection_.
    [[nodiscard]] VxStatus buildBranch();
    // A further SELECT of a union, read from byte `start` of `sql`.
    [[nodiscard]] VxStatus parseBranch(const char* sql, std::size_t start);
    // The SELECTs after UNION joined under union operators; UNION without
    // ALL removes duplicates of everything before it.
    [[nodiscard]] VxStatus buildUnion();
    [[nodiscard]] VxStatus closeUnion(bool distinct);
    [[nodiscard]] VxStatus buildSelectList(FlatProjection* projection);
    [[nodiscard]] VxStatus addSelectItem(FlatProjection* projection, const char* text,
                                         std::size_t offset);
    [[nodiscard]] VxStatus addTableColumns(FlatProjection* projection, FlatTableAccess* table);
    [[nodiscard]] VxStatus addExpressionColumn(FlatProjection* projection, const char* text,
                                               std::size_t offset);
    [[nodiscard]] VxStatus buildWhere();
    [[nodiscard]] VxStatus buildOnConditions();
    // The join an outer-join comparison of WHERE belongs to; null when the
    // comparison reads no table after the first.
    FlatJoin* outerJoinFor(const FlatConjunct& term);
    // Compiles a condition and hands each of its AND terms to `place`.
    template <typename Place>
    [[nodiscard]] VxStatus compileCondition(const Span& span, std::uint16_t visibleTables,
                                            Place place);
    [[nodiscard]] VxStatus checkOtherClauses();
    // DISTINCT and ORDER BY: sorts over the result.
    [[nodiscard]] VxStatus buildDistinct();
    // GROUP BY and HAVING: the keys and the conditions of the group operator.
    [[nodiscard]] VxStatus buildGroupBy();
    [[nodiscard]] VxStatus buildHaving();
    // Calls fn(text, offset) for each item of a comma-separated clause
    // (the text is a writable NUL-terminated copy of the item).
    [[nodiscard]] VxStatus forEachItem(const Span& span,
                                       const std::function<VxStatus(char*, std::size_t)>& fn);
    [[nodiscard]] VxStatus buildOrderBy();
    [[nodiscard]] VxStatus buildForUpdate();
    [[nodiscard]] VxStatus addOrderItem(FlatOrderBy* order, char* text, std::size_t offset);
    // A key that is result column `column`.
    [[nodiscard]] VxStatus addColumnKey(FlatSortKeys* keys, FlatResultSetColumn* column,
                                        bool descending);
    // A NUL-terminated copy of the span (ramFree), or null when memory runs out.
    char* copySpan(const Span& span) const;

    FlatResultSetGlobalInfo* info_;
    FlatParamList* params_;
    VxArray* tables_;
    unsigned mode_;
    const char* userName_ = "";
    const char* sql_ = nullptr;
    FlatResultSet* from_ = nullptr;         // the FROM tree while it is built
    FlatProjection* projection_ = nullptr;  // the select list, once built
    FlatGroupBy* group_ = nullptr;          // the group operator while it is built
    FlatParseStack<FlatJoin*> joins_;       // joins_[k - 2] adds table k
    FlatParseStack<OuterJoin> outerJoins_;  // in the order written
    FlatParseStack<std::size_t> waitingOn_; // outer joins without ON yet
    Span selectList_{0, 0, false};
    Span clauses_[CLAUSE_COUNT] = {};
    bool outerParen_ = false;
    bool outerClosed_ = false;
    bool distinct_ = false;
    bool grouping_ = false;             // GROUP BY, or aggregates over the whole input
    std::uint16_t firstTable_ = 0;      // tables of earlier SELECTs of a union
    std::uint16_t lastTable_ = 0;       // the last table of this SELECT's FROM list
    FlatNameScope* outer_ = nullptr;    // the enclosing SELECT's names (a sub-select)
    bool union_ = false;                // UNION follows this SELECT ...
    bool unionAll_ = false;             // ... with ALL
    std::size_t unionRest_ = 0;         // where the next SELECT starts
    bool inUnion_ = false;              // a SELECT after a UNION
    bool unionOrder_ = false;           // ORDER BY over a union: result columns only
    FlatUnionAll* openUnion_ = nullptr; // the union being extended
};
