// FlatRowChangeDesc: what UPDATE and DELETE share. parse of a subclass
// rewrites the statement into a query over the target table (UPDATE:
// "SELECT column1,(expression1),column2,(expression2)... FROM table
// [WHERE ...]"; DELETE: "SELECT 1 FROM table [WHERE ...]") and compiles it
// with the SELECT parser. "WHERE CURRENT OF cursor" is taken off the text
// first: the row to change is then the current row of the connection's
// statement whose cursor has that name (4013 when none; 3863 when that
// statement is not a SELECT positioned on a row of the same table).
//
// execute reads every row of the query first, remembering each row's
// record handle and, for UPDATE, the new values computed from the row as
// it was; then it changes the rows one by one through the table's cursor,
// each under a record lock. When a change fails, the rows updated before
// it get their old values back, so that the statement changes all of its
// rows or none; rows a failed DELETE removed are not brought back (the
// cursor has no way to), but a DELETE fails only when the table does.
// The row counter counts the rows changed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "flat/FlatDescriptor.h"
#include "util/VxString.h"

class FlatCursor;
class FlatDataValue;
class FlatSelectDesc;

class VX_EXPORT FlatRowChangeDesc : public FlatDescriptor {
public:
    explicit FlatRowChangeDesc(FlatStatement* statement);
    ~FlatRowChangeDesc() override;

    [[nodiscard]] VxStatus addTablesToList(VxArray* list) override;
    [[nodiscard]] VxStatus execute() override;
    [[nodiscard]] VxStatus setToPreparedState() override;
    bool isParamLegal(std::uint16_t number) override;

protected:
    void release();
    // Takes a trailing "WHERE CURRENT OF name" off the text from `from`:
    // *end moves to the WHERE and the name is kept.
    [[nodiscard]] VxStatus takeCurrentOf(const char* from, const char** end);
    // Compiles the rewritten query and checks its table may be changed.
    [[nodiscard]] VxStatus compile(const char* query);

    FlatSelectDesc* select_ = nullptr;
    bool update_ = false;
    std::uint16_t assignments_ = 0;         // UPDATE: pairs of result columns
    std::vector<std::uint16_t> fields_;     // UPDATE: the cursor's field per pair
    std::vector<std::uint16_t> bareParams_; // UPDATE: per pair its bare marker, or 0
    std::string currentOf_;                 // cursor name of WHERE CURRENT OF

private:
    struct Change;
    [[nodiscard]] VxStatus collectRow(FlatCursor* cursor, std::vector<Change>* changes);
    [[nodiscard]] VxStatus findCurrentRow(FlatCursor* cursor, std::vector<unsigned char>* handle);
    [[nodiscard]] VxStatus apply(FlatCursor* cursor, Change& change);
    void undo(FlatCursor* cursor, std::vector<Change>& changes, std::size_t done);
};

// UPDATE table [correlation] SET column = expression { , ... } [WHERE ...]
class VX_EXPORT FlatUpdateDesc : public FlatRowChangeDesc {
public:
    explicit FlatUpdateDesc(FlatStatement* statement);
    [[nodiscard]] VxStatus parse(const char* sql) override;

private:
    [[nodiscard]] VxStatus addExpression(const char* text, std::size_t length, VxString* query,
                                         std::uint16_t* markers);
    [[nodiscard]] VxStatus checkAssignments();
};

// DELETE FROM table [WHERE ...]
class VX_EXPORT FlatDeleteDesc : public FlatRowChangeDesc {
public:
    explicit FlatDeleteDesc(FlatStatement* statement);
    [[nodiscard]] VxStatus parse(const char* sql) override;
};
