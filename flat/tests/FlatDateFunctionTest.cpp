// Date functions: parts of dates, DTOC, DTOS, CTOD/DATEVAL, DAYOFWEEK.
#include <gtest/gtest.h>

#include "FlatTestSupport.h"

namespace {

#define CASES(table) table, sizeof table / sizeof table[0]

TEST(FlatDateFunctions, PartsAndWeekdays) {
    static const ExprCase cases[] = {
        {"d'2000-02-29' MONTH", "N:2"},
        {"d'2000-02-29' DAY", "N:29"},
        {"d'2000-02-29' YEAR", "N:2000"},
        {"ts'1999-12-31 23:59:59' DAY", "N:31"},
        {"d'' MONTH", "N:0"},
        {"d'' YEAR", "N:0"},
        {"NULL DAY", "NULL"},
        {"d'2026-12-06' DAYOFWEEK", "N:1"},
        {"d'2000-01-01' DAYOFWEEK", "N:7"},
        {"d'2000-02-29' DAYOFWEEK", "N:3"},
        {"d'2024-02-29' DAYOFWEEK", "N:5"},
        {"d'1900-03-01' DAYOFWEEK", "N:5"},
        {"d'' DAYOFWEEK", "N:0"},
        {"$d MONTH", "N:7"},
        {"'1995-07-04' DAY", "N:4"},
    };
    runCases(CASES(cases), [](ExprFixture& f) { f.rows.define("d", FakeValue::date(1995, 7, 4)); });
}

TEST(FlatDateFunctions, DateTexts) {
    static const ExprCase cases[] = {
        {"d'2000-01-31' DTOC/1", "S:01/31/00"},
        {"d'2000-01-31' 10 DTOC/2", "S:01/31/2000"},
        {"d'2000-01-31' 11 '-' DTOC/3", "S:31-01-2000"},
        {"d'2000-01-31' 12 '.' DTOC/3", "S:2000.01.31"},
        {"d'2000-01-31' 2 DTOC/2", "S:00/01/31"},
        {"d'1905-03-04' 1 '' DTOC/3", "S:04/03/05"},
        {"d'' DTOC/1", "S:        "},
        {"d'' 10 DTOC/2", "S:          "},
        {"d'2000-01-31' DTOS", "S:20000131"},
        {"d'0987-06-05' DTOS", "S:09870605"},
        {"d'' DTOS", "S:        "},
        {"NULL DTOS", "NULL"},
    };
    runCases(CASES(cases));
}

TEST(FlatDateFunctions, Ctod) {
    static const ExprCase cases[] = {
        {"'01/31/2000' CTOD/1", "D:2000-01-31"},
        {"'1/2/99' CTOD/1", "D:1999-01-02"},
        {"'31/01/2000' 1 CTOD/2", "D:2000-01-31"},
        {"'2000-01-31' 2 '-' CTOD/3", "D:2000-01-31"},
        {"'2000 1 31' 2 CTOD/2", "D:2000-01-31"},
        {"'01/31/2000 12:00:00' CTOD/1 d'2000-01-31' -", "N:0.5"},
        // With standard semantics a text that does not read is NULL.
        {"'garbage' CTOD/1", "NULL"},
        {"'2/30/2000' CTOD/1", "NULL"},
        {"'2/29/1900' CTOD/1", "NULL"},
        {"'00/00/00' CTOD/1", "NULL"},
        {"NULL CTOD/1", "NULL"},
    };
    runCases(CASES(cases));
}

TEST(FlatDateFunctions, CtodWithoutStandardSemanticsGivesBlankDate) {
    static const ExprCase cases[] = {
        {"'garbage' CTOD/1 DTOC/1", "S:        "},
        {"'garbage' CTOD/1 YEAR", "N:0"},
        {"'garbage' CTOD/1 d'2000-01-01' -", "N:0"},
        {"'01/31/2000' CTOD/1 DTOS", "S:20000131"},
    };
    runCases(CASES(cases), [](ExprFixture& f) { f.info.setStandardSemantics(false); });
}

} // namespace
