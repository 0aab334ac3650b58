// The planner: in-memory lookups for the inner sides of joins.
#include "plan/FlatPlanner.h"

#include <sqlext.h>

#include <cstdlib>
#include <cstring>

#include "flat/FlatCursor.h"
#include "flat/FlatInMemLookUp.h"
#include "flat/FlatJoin.h"
#include "flat/FlatOpCode.h"
#include "flat/FlatResultSetGlobalInfo.h"
#include "flat/FlatTableAccess.h"

namespace {

// Room for a number written as text: digits, sign and point.
constexpr std::uint32_t NUMBER_EXTRA = 2;
constexpr std::uint32_t MIN_NUMBER_WIDTH = 8;

bool lookupsDisabled() {
    const char* value = std::getenv("VX_FLAT_NO_INMEM_LOOKUP");
    return value && *value && std::strcmp(value, "0") != 0;
}

bool isNumberType(short type) {
    switch (type) {
    case SQL_INTEGER:
    case SQL_SMALLINT:
    case SQL_DECIMAL:
    case SQL_NUMERIC:
    case SQL_FLOAT:
    case SQL_REAL:
    case SQL_DOUBLE:
    case SQL_BIGINT:
    case SQL_TINYINT:
        return true;
    default:
        return false;
    }
}

FlatTableAccess* findTable(FlatResultSet* op, std::uint16_t number) {
    if (auto* table = dynamic_cast<FlatTableAccess*>(op))
        return table->getTableNumber() == number ? table : nullptr;
    for (std::uint16_t i = 0; i < op->getChildCount(); ++i)
        if (FlatTableAccess* table = findTable(op->getChild(i), number))
            return table;
    return nullptr;
}

struct Column {
    const unsigned char* op = nullptr;
    std::size_t length = 0;
    std::uint16_t table = 0;
    std::uint16_t field = 0;
    short sqlType = 0;
    std::uint32_t precision = 0;
};

// A FIELD op of this query's level.
bool readColumn(const unsigned char* op, const unsigned char* end, Column* column) {
    if (op >= end || *op != FLAT_OP_FIELD)
        return false;
    const unsigned char* next = getNextOp(op);
    if (next > end)
        return false;
    std::uint32_t ref = 0;
    std::memcpy(&ref, op + 1, 4);
    if ((ref >> 16) != 0)
        return false;
    column->op = op;
    column->length = static_cast<std::size_t>(next - op);
    column->table = static_cast<std::uint16_t>(ref & 0xFFFF);
    std::memcpy(&column->field, op + 5, 2);
    return true;
}

bool describe(FlatTableAccess* table, Column* column) {
    FlatCursor* cursor = table ? table->getCursor() : nullptr;
    if (!cursor || column->field >= cursor->getNumFields())
        return false;
    column->sqlType = cursor->getFieldSqlType(column->field);
    column->precision = cursor->getFieldPrecision(column->field);
    return true;
}

// The key of a lookup from a term "outer column = inner column": two
// columns of one type family whose comparison the index keeps (numbers
// with numbers; text of the same type when text sorts by bytes).
struct KeyChoice {
    Column inner;
    Column outer;
    short keyType = 0;
    std::uint32_t width = 0;
};

bool chooseKey(FlatJoin* join, FlatTableAccess* right, const FlatOpStream* term,
               KeyChoice* choice) {
    const unsigned char* ops = term->getOps();
    const unsigned char* end = ops + term->getLength();
    Column a;
    Column b;
    if (!readColumn(ops, end, &a) || !readColumn(a.op + a.length, end, &b))
        return false;
    const unsigned char* op = b.op + b.length;
    if (op >= end || *op != FLAT_OP_EQ || getNextOp(op) != end)
        return false;
    std::uint16_t own = right->getTableNumber();
    if (a.table == own && b.table != own) {
        choice->inner = a;
        choice->outer = b;
    } else if (b.table == own && a.table != own) {
        choice->inner = b;
        choice->outer = a;
    } else {
        return false;
    }
    if (!describe(right, &choice->inner) ||
        !describe(findTable(join->getChild(0), choice->outer.table), &choice->outer))
        return false;
    short innerType = choice->inner.sqlType;
    short outerType = choice->outer.sqlType;
    std::uint32_t precision = choice->inner.precision > choice->outer.precision
                                  ? choice->inner.precision
                                  : choice->outer.precision;
    if (isNumberType(innerType) && isNumberType(outerType)) {
        choice->keyType = SQL_DOUBLE;
        choice->width = precision + NUMBER_EXTRA;
        if (choice->width < MIN_NUMBER_WIDTH)
            choice->width = MIN_NUMBER_WIDTH;
        return true;
    }
    if ((innerType == SQL_CHAR || innerType == SQL_VARCHAR) && innerType == outerType &&
        !join->getGlobalInfo()->getExprInfo()->isIntlSort() && precision > 0) {
        choice->keyType = innerType;
        choice->width = precision;
        return true;
    }
    return false;
}

// Tries a lookup under `join`; keeps it when its total cost is not
// greater than that of the table access it replaces. True when it stays.
bool tryLookUp(FlatJoin* join) {
    // An outer join's ON terms decide which inner rows join, as a lookup's
    // filter does; its WHERE terms must also meet the NULL-extended rows
    // and stay with the join.
    auto* right = dynamic_cast<FlatTableAccess*>(join->getChild(1));
    FlatConditionList& terms = join->isOuter() ? join->getOnFilter() : join->getFilter();
    if (!right || terms.isEmpty())
        return false;
    KeyChoice choice;
    bool found = false;
    for (std::size_t i = 0; i < terms.getCount() && !found; ++i)
        found = chooseKey(join, right, terms.get(i), &choice);
    if (!found)
        return false;
    auto* lookUp = new FlatInMemLookUp(join->getGlobalInfo(), right, choice.keyType, choice.width);
    // The lookup gets copies of the join's terms; the join gives its own
    // up only once the lookup stays.
    bool ok = lookUp->setKey(choice.inner.op, choice.inner.length, choice.outer.op,
                             choice.outer.length) == VX_SUCCESS;
    for (std::size_t i = 0; ok && i < terms.getCount(); ++i) {
        auto* copy = new FlatOpStream(join->getGlobalInfo()->getExprInfo());
        if (copy->compile(terms.get(i)->getOps(), terms.get(i)->getLength()) != VX_SUCCESS) {
            delete copy;
            ok = false;
        } else {
            ok = lookUp->getFilter().add(copy) == VX_SUCCESS;
        }
    }
    const FlatQueryExeProfile profile = right->getExeProfile();
    if (ok) {
        float before = right->getTotalCost();
        lookUp->setExeProfile(profile);
        ok = lookUp->getTotalCost() <= before;
    }
    if (ok) {
        join->replaceRight(lookUp);
        while (!terms.isEmpty())
            delete terms.release(0);
        return true;
    }
    lookUp->releaseChild();
    delete lookUp;
    right->setExeProfile(profile);
    return false;
}

// The lookup's index holds its whole table in memory and is built before
// the first probe; it belongs on the smaller table. The FROM order is kept
// unless the inner table is clearly the larger one: many rows, and more
// than BUILD_SIDE_RATIO times the outer table's estimate.
constexpr std::uint32_t BUILD_SIDE_RATIO = 4;
constexpr std::uint32_t BUILD_SIDE_MIN_ROWS = 10000;

bool innerIsClearlyLarger(FlatJoin* join) {
    if (join->isOuter())
        return false; // the NULL-extended side stays inside
    auto* left = dynamic_cast<FlatTableAccess*>(join->getChild(0));
    auto* right = dynamic_cast<FlatTableAccess*>(join->getChild(1));
    if (!left || !right)
        return false;
    const std::uint64_t inner = right->getNumRows();
    const std::uint64_t outer = left->getNumRows();
    return inner >= BUILD_SIDE_MIN_ROWS && inner > outer * BUILD_SIDE_RATIO;
}

// Puts a lookup under `join`, with the two tables of an inner join
// exchanged when that lets the index hold the smaller one. Both sides'
// WHERE terms stay at their tables; the join's own terms hold for the
// combined row whichever side is outer.
void planJoin(FlatJoin* join) {
    if (innerIsClearlyLarger(join)) {
        const FlatQueryExeProfile profile = join->getExeProfile();
        join->swapChildren();
        join->setExeProfile(profile);
        if (tryLookUp(join))
            return;
        join->swapChildren();
        join->setExeProfile(profile);
    }
    tryLookUp(join);
}

void planJoins(FlatResultSet* op) {
    for (std::uint16_t i = 0; i < op->getChildCount(); ++i)
        planJoins(op->getChild(i));
    if (auto* join = dynamic_cast<FlatJoin*>(op))
        planJoin(join);
}

} // namespace

void flatPlanTree(FlatResultSet* root) {
    const FlatQueryExeProfile once{1, 1, 0};
    root->setExeProfile(once);
    if (lookupsDisabled())
        return;
    planJoins(root);
    root->clearCosts();
    root->setExeProfile(once);
}
