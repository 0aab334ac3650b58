// FlatInsertDesc: the descriptor of INSERT.
//
//   INSERT INTO table [ ( option list ) ] [ ( column { , column } ) ]
//          { VALUES ( expr { , expr } ) | SELECT ... }
//
// parse rewrites the statement as "SELECT <columns or *>, <values> FROM
// <table>" and compiles that with the SELECT parser: the first half of its
// columns are the target columns (each a plain column of the table), the
// second half the values. A value may not name a column of the table: it
// is evaluated without a row. execute evaluates the values and inserts one
// record through the table's cursor (prepareForInsert, updateField per
// target, insertRecord); the row counter gives 1. A failure before the
// record is written leaves the table as it was.
//
// A value that is a bare parameter marker takes the target column's type:
// the query carries it in a form the SELECT parser accepts ("(? + 0)",
// which numbers the marker as written), and execute hands the parameter's
// own value to the cursor, which converts it for the column.
//
// INSERT ... SELECT: the target columns come from "SELECT <columns or *>
// FROM <table>", the rows from the source query, parsed as a scrolling
// query of its own. execute reads the source to its end before the first
// record is written (so a table inserted into itself grows by its rows
// once), converts every row's values once without writing, so that a
// value that does not fit fails the statement before anything is written,
// then writes the rows; the row counter counts them.
#pragma once

#include <cstdint>

#include "flat/FlatDescriptor.h"
#include "util/VxString.h"

class FlatSelectDesc;
class FlatSqlLexer;

class VX_EXPORT FlatInsertDesc : public FlatDescriptor {
public:
    explicit FlatInsertDesc(FlatStatement* statement);
    ~FlatInsertDesc() override;

    [[nodiscard]] VxStatus addTablesToList(VxArray* list) override;
    [[nodiscard]] VxStatus execute() override;
    [[nodiscard]] VxStatus parse(const char* sql) override;
    [[nodiscard]] VxStatus setToPreparedState() override;
    bool isParamLegal(std::uint16_t number) override;

private:
    void release();
    [[nodiscard]] VxStatus readTableReference(FlatSqlLexer& lexer, const char** start,
                                              const char** end);
    [[nodiscard]] VxStatus readColumnList(FlatSqlLexer& lexer, VxString* columns);
    [[nodiscard]] VxStatus readValues(FlatSqlLexer& lexer, VxString* values, std::uint16_t* count);
    [[nodiscard]] VxStatus addValue(const char* text, std::size_t length, VxString* values);
    [[nodiscard]] VxStatus checkTargets(std::uint16_t valueCount);
    [[nodiscard]] VxStatus parseSource(const char* source, std::uint16_t* count);
    [[nodiscard]] VxStatus executeValues();
    [[nodiscard]] VxStatus executeSource();
    [[nodiscard]] VxStatus passSourceRows(std::uint32_t rows, bool write);

    FlatSelectDesc* select_ = nullptr; // the targets (and the values)
    FlatSelectDesc* source_ = nullptr; // the rows of INSERT ... SELECT
    std::uint16_t* targets_ = nullptr; // the cursor's field of each value
    std::uint16_t targetCount_ = 0;
    std::uint16_t* bareParams_ = nullptr; // per value: its marker's number, or 0
    std::uint16_t bareCapacity_ = 0;
    std::uint16_t markers_ = 0; // markers read so far
};
