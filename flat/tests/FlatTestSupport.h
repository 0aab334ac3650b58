// Test support: fake value sources and a small postfix notation for
// writing expressions as data.
//
// Notation (tokens separated by blanks; the builder receives them in
// order):
//   12  -3.5  1e308      number constants
//   'text'               string constant ('' inside for a quote)
//   x'0A1B'              binary constant
//   d'2000-02-29'        date constant; t'10:20:30' time; ts'2000-01-01 10:00:00'
//   .T.  .F.  NULL       logical constants and NULL
//   $name                field of the fake row source (table 1)
//   ?1                   parameter 1
//   agg:1                aggregate column 1
//   sub:1  exists:1      scalar sub-query / EXISTS of sub-query 1
//   any:3  all:3         list marker over the 3 values before it
//   SUBSTR/3 DTOC/2 ...  ops with an argument count
//   *=:=                 outer-join marker and its comparison
//   + - * / MOD POW NEG NOT AND OR = <> < <= > >= LIKE CONTAINS ISNULL
//   BETWEEN IIF || (string +) -| (string -) and function names in
//   upper case (RTRIM, LEFT, CHR, INT, ROUND, MIN, MAX, NUMVAL, STRVAL...)
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "flat/FlatDataValue.h"
#include "flat/FlatOpStream.h"
#include "flat/FlatOpStreamBuilder.h"
#include "flat/FlatOpStreamGlobalInfo.h"
#include "flat/FlatRowSource.h"
#include "util/VxError.h"

// One stored value: storage type, bytes, SQL type, null flag.
struct FakeValue {
    short storage = INTERNAL_CHAR;
    std::string bytes;
    short sqlType = 12;
    bool null = false;

    static FakeValue text(const std::string& s, short sqlType = 12);
    static FakeValue number(double d);
    static FakeValue integer(std::int32_t i);
    static FakeValue date(int year, int month, int day);
    static FakeValue timestamp(int year, int month, int day, int hour, int minute, int second);
    static FakeValue nullOf(short sqlType);
};

class FakeRowSource : public FlatRowSource {
public:
    // Field numbers are given in order of definition, from 1.
    std::uint16_t define(const std::string& name, const FakeValue& value);
    std::uint16_t fieldOf(const std::string& name) const;
    VxStatus getFieldValue(std::uint32_t tableRef, std::uint16_t field, FlatDataValue* value,
                           short* sqlType) override;
    int fetches = 0;

private:
    std::vector<FakeValue> fields_;
    std::map<std::string, std::uint16_t> names_;
};

class FakeParamSource : public FlatParamSource {
public:
    std::map<std::uint16_t, FakeValue> values;
    VxStatus getParamValue(std::uint16_t number, FlatDataValue* value, short* sqlType,
                           bool* provided) override;
};

class FakeAggregateSource : public FlatAggregateSource {
public:
    std::map<std::uint16_t, FakeValue> values;
    VxStatus getAggregateValue(std::uint32_t groupRef, std::uint16_t column, FlatDataValue* value,
                               short* sqlType) override;
};

class FakeSubQuerySource : public FlatSubQuerySource {
public:
    std::map<std::uint16_t, std::vector<FakeValue>> rows;
    std::map<std::uint16_t, int> opens;
    std::map<std::uint16_t, int> fetched;
    VxStatus openSubQuery(std::uint16_t number) override;
    VxStatus fetchSubQueryRow(std::uint16_t number, bool* atEnd) override;
    VxStatus getSubQueryValue(std::uint16_t number, FlatDataValue* value, short* sqlType) override;
    // With `keepsValues`, the evaluator may gather the rows' values here.
    bool keepsValues = false;
    std::map<std::uint16_t, std::unique_ptr<FlatSubQueryValues>> gathered;
    std::unique_ptr<FlatSubQueryValues>* subQueryValues(std::uint16_t number) override {
        return keepsValues ? &gathered[number] : nullptr;
    }

private:
    std::map<std::uint16_t, std::size_t> position_;
};

// The outcome of one evaluation, in a form tests compare easily.
struct EvalOutcome {
    bool ok = false;
    bool null = false;
    short type = 90;          // expression type of the result
    short storage = -1;       // storage type of the stored value
    double number = 0;        // numbers; dates as day numbers (with time)
    std::string text;         // strings and binary values
    unsigned short error = 0; // message number of the first error
    std::string sqlState;     // its SQLSTATE

    // "N:5", "S:abc", "B:1", "NULL", "E:3952", "D:2000-01-31", ...
    std::string describe() const;
};

// A statement context with the fake sources, its error list made current.
class ExprFixture {
public:
    ExprFixture();
    ~ExprFixture();

    // Builds the notation into `builder`; false for an unknown token.
    bool build(const std::string& notation, FlatOpStreamBuilder* builder);
    // Builds, compiles and evaluates; compile failures are outcomes too.
    EvalOutcome run(const std::string& notation);
    // Compiles and evaluates a stream built elsewhere (by the SQL compiler).
    EvalOutcome runBuilt(const FlatOpStreamBuilder& builder);

    FlatOpStreamGlobalInfo info;
    FakeRowSource rows;
    FakeParamSource params;
    FakeAggregateSource aggregates;
    FakeSubQuerySource subQueries;
    VxErrorList errors{nullptr, 1};
};

// The expected outcome written as EvalOutcome::describe writes it, with
// numbers compared to 1e-9 relative.
bool outcomeMatches(const EvalOutcome& outcome, const std::string& expected);

// One row of a data table: notation, expected outcome.
struct ExprCase {
    const char* notation;
    const char* expected;
};

// Runs every case on a fresh fixture prepared by `setup`, reporting each
// mismatch with its notation.
template <typename Setup> void runCases(const ExprCase* cases, std::size_t count, Setup setup);

#include "FlatTestSupport.inl"
