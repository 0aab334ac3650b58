// The planner: index lookups for tables, in-memory lookups for the inner
// sides of joins.
#include "plan/FlatPlanner.h"

#include <sqlext.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "flat/FlatCursor.h"
#include "flat/FlatFileIndex.h"
#include "flat/FlatInMemLookUp.h"
#include "flat/FlatIndex.h"
#include "flat/FlatJoin.h"
#include "flat/FlatOpCode.h"
#include "flat/FlatOpStream.h"
#include "flat/FlatQueryCost.h"
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

bool suspendOuterLookUp(FlatTableAccess* table);

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
    bool suspended = false;
    if (ok) {
        float before = right->getTotalCost();
        suspended = suspendOuterLookUp(right);
        lookUp->setExeProfile(profile);
        ok = lookUp->getTotalCost() <= before;
    }
    if (ok) {
        if (suspended)
            right->dropIndexLookUp();
        join->replaceRight(lookUp);
        while (!terms.isEmpty())
            delete terms.release(0);
        return true;
    }
    lookUp->releaseChild();
    delete lookUp;
    if (suspended)
        right->suspendIndexLookUp(false);
    right->clearCosts();
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

// ---- Index lookups ----

bool indexLookupsDisabled() {
    const char* value = std::getenv("VX_FLAT_NO_INDEX_LOOKUP");
    return value && *value && std::strcmp(value, "0") != 0;
}

// Stack effect of an op that may stand in a limit's value: constants,
// parameters, columns of other tables and arithmetic; -1 for any other op.
int valueOpArgs(std::uint8_t op) {
    switch (op) {
    case FLAT_OP_NUM_CONST:
    case FLAT_OP_DATE_CONST:
    case FLAT_OP_STR_CONST:
    case FLAT_OP_NULL:
    case FLAT_OP_PARAM:
    case FLAT_OP_FIELD:
        return 0;
    case FLAT_OP_NEGATE:
        return 1;
    case FLAT_OP_ADD:
    case FLAT_OP_SUBTRACT:
    case FLAT_OP_MULTIPLY:
    case FLAT_OP_DIVIDE:
        return 2;
    default:
        return -1;
    }
}

// One side of a term that gives a limit's value.
struct LimitValue {
    const unsigned char* ops = nullptr;
    std::size_t length = 0;
    bool dependsOnOuter = false;
};

// A term "column op value" (either way round) or "column BETWEEN a AND b"
// over a column of table `own`.
struct KeyTerm {
    std::uint16_t field = 0;
    std::uint8_t comparison = 0; // as written with the column on the left
    LimitValue value;
    LimitValue high; // BETWEEN's upper value
};

// Reads the value ops [begin, end): they must leave `values` values and
// read no column of table `own`; *split is where the last value starts.
bool readValues(const unsigned char* begin, const unsigned char* end, std::uint16_t own, int values,
                bool* outer, const unsigned char** split) {
    int depth = 0;
    *outer = false;
    *split = begin;
    for (const unsigned char* op = begin; op < end; op = getNextOp(op)) {
        const int args = valueOpArgs(*op);
        if (args < 0 || depth < args)
            return false;
        if (*op == FLAT_OP_FIELD) {
            std::uint32_t ref = 0;
            std::memcpy(&ref, op + 1, 4);
            if ((ref >> 16) == 0 && (ref & 0xFFFF) == own)
                return false;
            *outer = true;
        }
        if (depth - args + 1 == 1 && values == 2)
            *split = getNextOp(op);
        depth = depth - args + 1;
        if (getNextOp(op) > end)
            return false;
    }
    return depth == values;
}

std::uint8_t mirrored(std::uint8_t comparison) {
    switch (comparison) {
    case FLAT_OP_LT:
        return FLAT_OP_GT;
    case FLAT_OP_LE:
        return FLAT_OP_GE;
    case FLAT_OP_GT:
        return FLAT_OP_LT;
    case FLAT_OP_GE:
        return FLAT_OP_LE;
    default:
        return comparison;
    }
}

bool isOwnColumn(const unsigned char* op, const unsigned char* end, std::uint16_t own,
                 std::uint16_t* field) {
    if (op >= end || *op != FLAT_OP_FIELD || getNextOp(op) > end)
        return false;
    std::uint32_t ref = 0;
    std::memcpy(&ref, op + 1, 4);
    if ((ref >> 16) != 0 || (ref & 0xFFFF) != own)
        return false;
    std::memcpy(field, op + 5, 2);
    return true;
}

bool readKeyTerm(const FlatOpStream* term, std::uint16_t own, KeyTerm* out) {
    const unsigned char* ops = term->getOps();
    const std::size_t length = term->getLength();
    if (!ops || length < 2)
        return false;
    const unsigned char* end = ops + length;
    // The comparison is the last op.
    const unsigned char* last = nullptr;
    for (const unsigned char* op = ops; op < end; op = getNextOp(op))
        last = op;
    const std::uint8_t comparison = *last;
    bool outer = false;
    const unsigned char* split = nullptr;
    if (comparison == FLAT_OP_BETWEEN) {
        if (!isOwnColumn(ops, last, own, &out->field) ||
            !readValues(getNextOp(ops), last, own, 2, &outer, &split))
            return false;
        out->comparison = comparison;
        const unsigned char* first = getNextOp(ops);
        out->value = LimitValue{first, static_cast<std::size_t>(split - first), outer};
        out->high = LimitValue{split, static_cast<std::size_t>(last - split), outer};
        return split > first && last > split;
    }
    if (comparison == FLAT_OP_LIKE) {
        // "column LIKE 'pattern'" whose pattern has a literal prefix.
        const unsigned char* pattern = getNextOp(ops);
        if (!isOwnColumn(ops, last, own, &out->field) || pattern >= last ||
            *pattern != FLAT_OP_STR_CONST || getNextOp(pattern) != last)
            return false;
        const char first = static_cast<char>(pattern[1]);
        if (first == '\0' || first == '%' || first == '_')
            return false;
        out->comparison = comparison;
        out->value = LimitValue{pattern, static_cast<std::size_t>(last - pattern), false};
        return true;
    }
    if (comparison != FLAT_OP_EQ && comparison != FLAT_OP_LT && comparison != FLAT_OP_LE &&
        comparison != FLAT_OP_GT && comparison != FLAT_OP_GE)
        return false;
    if (isOwnColumn(ops, last, own, &out->field)) {
        const unsigned char* value = getNextOp(ops);
        if (!readValues(value, last, own, 1, &outer, &split))
            return false;
        out->comparison = comparison;
        out->value = LimitValue{value, static_cast<std::size_t>(last - value), outer};
        return true;
    }
    // "value op column": the column is the op before the comparison.
    const unsigned char* column = nullptr;
    for (const unsigned char* op = ops; op < last; op = getNextOp(op))
        column = op;
    if (!column || column == ops || !isOwnColumn(column, last, own, &out->field) ||
        getNextOp(column) != last || !readValues(ops, column, own, 1, &outer, &split))
        return false;
    out->comparison = mirrored(comparison);
    out->value = LimitValue{ops, static_cast<std::size_t>(column - ops), outer};
    return true;
}

// The terms a table access's rows must pass: its own filter's and, on the
// inner side of a join, the join's (the ON terms of an outer join, whose
// WHERE terms must meet the NULL-extended rows).
void collectKeyTerms(FlatConditionList& list, std::uint16_t own, std::vector<KeyTerm>* terms) {
    for (std::size_t i = 0; i < list.getCount(); ++i) {
        KeyTerm term;
        if (readKeyTerm(list.get(i), own, &term))
            terms->push_back(term);
    }
}

VxStatus setLimit(FlatResultSetGlobalInfo* info, FlatIndexLimit* limit, FlatLimitOp op,
                  const LimitValue& value) {
    auto* expr = new FlatOpStream(info->getExprInfo());
    if (expr->compile(value.ops, value.length) != VX_SUCCESS) {
        delete expr;
        return VX_ERROR;
    }
    limit->setExpression(op, expr, value.dependsOnOuter);
    return VX_SUCCESS;
}

bool isTextType(short type) {
    return type == SQL_CHAR || type == SQL_VARCHAR;
}

// A range over `index` from `terms`: per key part in order, an equality,
// else a lower and an upper limit (then no further key part); a text key
// part takes a LIKE with a literal prefix (and ends the range). Null when
// the first key part has no term.
FlatIndexRange* buildRange(FlatResultSetGlobalInfo* info, FlatFileIndex* index,
                           const std::vector<KeyTerm>& terms) {
    auto* range = new FlatIndexRange(index);
    for (std::uint16_t n = 0; n < index->getKeyCount(); ++n) {
        FlatIndexKey* key = index->getKey(n);
        if (isTextType(key->getSqlType())) {
            const KeyTerm* like = nullptr;
            for (const KeyTerm& term : terms)
                if (!like && term.field == key->getField() && term.comparison == FLAT_OP_LIKE)
                    like = &term;
            if (like && setLimit(info, &range->addBounds()->lower, FlatLimitOp::LIKE,
                                 like->value) != VX_SUCCESS) {
                delete range;
                return nullptr;
            }
            break;
        }
        if (!isNumberType(key->getSqlType()))
            break;
        const KeyTerm* equal = nullptr;
        const KeyTerm* lower = nullptr;
        const KeyTerm* upper = nullptr;
        for (const KeyTerm& term : terms) {
            if (term.field != key->getField())
                continue;
            switch (term.comparison) {
            case FLAT_OP_EQ:
                equal = equal ? equal : &term;
                break;
            case FLAT_OP_GT:
            case FLAT_OP_GE:
                lower = lower ? lower : &term;
                break;
            case FLAT_OP_LT:
            case FLAT_OP_LE:
                upper = upper ? upper : &term;
                break;
            case FLAT_OP_BETWEEN:
                lower = lower ? lower : &term;
                upper = upper ? upper : &term;
                break;
            default:
                break;
            }
        }
        if (!equal && !lower && !upper)
            break;
        FlatIndexBoundsEntry* bounds = range->addBounds();
        VxStatus status = VX_SUCCESS;
        if (equal) {
            status = setLimit(info, &bounds->lower, FlatLimitOp::EQUAL, equal->value);
        } else {
            if (lower) {
                const FlatLimitOp op = lower->comparison == FLAT_OP_GT ? FlatLimitOp::GREATER
                                                                       : FlatLimitOp::GREATER_EQUAL;
                status = setLimit(info, &bounds->lower, op, lower->value);
            }
            if (status == VX_SUCCESS && upper) {
                const FlatLimitOp op =
                    upper->comparison == FLAT_OP_LT ? FlatLimitOp::LESS : FlatLimitOp::LESS_EQUAL;
                status =
                    setLimit(info, &bounds->upper, op,
                             upper->comparison == FLAT_OP_BETWEEN ? upper->high : upper->value);
            }
        }
        if (status != VX_SUCCESS) {
            delete range;
            return nullptr;
        }
        if (!equal)
            break;
    }
    if (range->getBoundsCount() == 0) {
        delete range;
        return nullptr;
    }
    return range;
}

// Gives `table` the cheapest index lookup its terms allow, when that is
// cheaper than a scan.
void chooseIndexLookUp(FlatTableAccess* table, FlatConditionList* joinTerms) {
    FlatCursor* cursor = table->getCursor();
    if (!cursor || cursor->getIndexCount() == 0)
        return;
    std::vector<KeyTerm> terms;
    collectKeyTerms(table->getFilter(), table->getTableNumber(), &terms);
    if (joinTerms)
        collectKeyTerms(*joinTerms, table->getTableNumber(), &terms);
    if (terms.empty())
        return;
    const std::uint32_t rows = cursor->estimateRecordCount();
    float best = flatTableFetchAllCost(rows, nullptr);
    FlatIndexRange* chosen = nullptr;
    FlatIndexRangeDesc chosenDesc;
    for (std::uint16_t i = 0; i < cursor->getIndexCount(); ++i) {
        FlatFileIndex* index = cursor->getIndex(i);
        // A filtered index holds only some rows.
        if (!index || index->getFilterText() || (index->getFlags() & FlatFileIndex::INDEX_ROWID))
            continue;
        FlatIndexRange* range = buildRange(table->getGlobalInfo(), index, terms);
        if (!range)
            continue;
        const float cost = flatTableFetchAllCost(rows, range);
        if (cost < best) {
            best = cost;
            delete chosen;
            chosen = range;
            chosenDesc.index = index;
            chosenDesc.keyFields.clear();
            for (std::uint16_t n = 0; n < index->getKeyCount(); ++n)
                chosenDesc.keyFields.push_back(index->getKey(n)->getField());
        } else {
            delete range;
        }
    }
    if (chosen)
        table->setIndexLookUp(chosen, chosenDesc);
}

void planIndexLookUps(FlatResultSet* op, FlatConditionList* joinTerms) {
    if (auto* table = dynamic_cast<FlatTableAccess*>(op)) {
        chooseIndexLookUp(table, joinTerms);
        return;
    }
    auto* join = dynamic_cast<FlatJoin*>(op);
    for (std::uint16_t i = 0; i < op->getChildCount(); ++i) {
        FlatConditionList* terms = nullptr;
        if (join && i == 1)
            terms = join->isOuter() ? &join->getOnFilter() : &join->getFilter();
        planIndexLookUps(op->getChild(i), terms);
    }
}

// An in-memory lookup reads its child once: a range that follows the
// outer row cannot stay under it.
bool suspendOuterLookUp(FlatTableAccess* table) {
    FlatIndexRange* range = table->getIndexRange();
    if (!range || !range->dependsOnOuter())
        return false;
    table->suspendIndexLookUp(true);
    table->clearCosts();
    return true;
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
    if (!indexLookupsDisabled()) {
        planIndexLookUps(root, nullptr);
        root->clearCosts();
        root->setExeProfile(once);
    }
    if (lookupsDisabled())
        return;
    planJoins(root);
    root->clearCosts();
    root->setExeProfile(once);
}
