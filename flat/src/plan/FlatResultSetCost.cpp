// Cost estimates of the result-set operators and the propagation of
// execution profiles down the tree.
//
// Shapes of operators:
// - materialising (sorting, DISTINCT, scrolling, grouping): read the
//   child completely at execution, then serve rows from their own store;
// - pass-through (projection and the like): the child's estimates;
// - join (nested loops): the inner side is read once per outer row;
// - union: the children one after the other;
// - table access: a scan of the table (or a read through an index).
#include <cstdint>

#include "flat/FlatCursor.h"
#include "flat/FlatDistinct.h"
#include "flat/FlatGroupBy.h"
#include "flat/FlatIndex.h"
#include "flat/FlatJoin.h"
#include "flat/FlatOrdinalResultSet.h"
#include "flat/FlatQueryCost.h"
#include "flat/FlatResultSet.h"
#include "flat/FlatTableAccess.h"
#include "flat/FlatUnionAll.h"

namespace {

// Table rows when no cursor is there to ask.
constexpr std::uint32_t UNKNOWN_TABLE_ROWS = 1001;
// Share of a table's rows a scan costs.
constexpr float SCAN_FACTOR = 0.6f;

enum class Shape { PASS_THROUGH, MATERIALISING, JOIN, UNION, TABLE, LEAF };

Shape shapeOf(FlatResultSet* op) {
    if (dynamic_cast<FlatTableAccess*>(op))
        return Shape::TABLE;
    if (dynamic_cast<FlatOrdinalResultSet*>(op) || dynamic_cast<FlatGroupBy*>(op))
        return Shape::MATERIALISING;
    if (dynamic_cast<FlatJoin*>(op))
        return Shape::JOIN;
    if (dynamic_cast<FlatUnionAll*>(op))
        return Shape::UNION;
    return op->getChildCount() == 0 ? Shape::LEAF : Shape::PASS_THROUGH;
}

// Rows a materialising operator keeps of `rows` input rows.
std::uint32_t materialisedRows(FlatResultSet* op, std::uint32_t rows) {
    if (auto* group = dynamic_cast<FlatGroupBy*>(op)) {
        std::uint16_t keys = group->getGroupKeys().getCount();
        return keys == 0 ? 1 : flatGroupedRows(rows, keys);
    }
    if (auto* distinct = dynamic_cast<FlatDistinct*>(op))
        return flatGroupedRows(rows, distinct->getKeys().getCount());
    return rows;
}

std::uint32_t tableRows(FlatTableAccess* table) {
    FlatCursor* cursor = table->getCursor();
    return cursor ? cursor->estimateRecordCount() : UNKNOWN_TABLE_ROWS;
}

std::uint32_t scaled(std::uint32_t value, std::uint32_t numerator, std::uint32_t denominator) {
    if (denominator == 0)
        return value;
    std::uint64_t result = static_cast<std::uint64_t>(value) * numerator / denominator;
    return result > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(result);
}

std::uint32_t times(std::uint32_t a, std::uint32_t b) {
    std::uint64_t result = static_cast<std::uint64_t>(a) * b;
    return result > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(result);
}

std::uint32_t plus(std::uint32_t a, std::uint32_t b) {
    std::uint64_t result = static_cast<std::uint64_t>(a) + b;
    return result > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(result);
}

} // namespace

float flatTableFetchAllCost(std::uint32_t rows, const FlatIndexRange* range) {
    if (range) {
        const std::uint32_t divisor = range->getDivisor();
        return static_cast<float>(flatDividedRows(rows, flatOrDivisor(&divisor, 1)));
    }
    const float scan = static_cast<float>(rows) * SCAN_FACTOR;
    return scan < 1 ? 1 : scan;
}

void FlatResultSet::setExeProfile(const FlatQueryExeProfile& profile) {
    profile_ = profile;
    cost_ = FlatQueryCost{};
    switch (shapeOf(this)) {
    case Shape::MATERIALISING: {
        FlatQueryExeProfile child{
            profile.numExecution, profile.numExecution,
            plus(profile.numReposition, times(profile.numFetchAll, getNumRows()))};
        getChild(0)->setExeProfile(child);
        break;
    }
    case Shape::JOIN: {
        FlatResultSet* left = getChild(0);
        left->setExeProfile(profile);
        FlatQueryExeProfile inner{profile.numExecution,
                                  times(profile.numFetchAll, left->getNumRows()),
                                  profile.numReposition};
        getChild(1)->setExeProfile(inner);
        break;
    }
    case Shape::UNION: {
        std::uint32_t rows = getNumRows();
        for (std::uint16_t i = 0; i < getChildCount(); ++i) {
            FlatResultSet* child = getChild(i);
            FlatQueryExeProfile part{profile.numExecution, profile.numFetchAll,
                                     scaled(profile.numReposition, child->getNumRows(), rows)};
            child->setExeProfile(part);
        }
        break;
    }
    case Shape::PASS_THROUGH:
        for (std::uint16_t i = 0; i < getChildCount(); ++i)
            getChild(i)->setExeProfile(profile);
        break;
    case Shape::TABLE:
    case Shape::LEAF:
        break;
    }
}

void FlatResultSet::computeCost() {
    FlatQueryCost cost;
    switch (shapeOf(this)) {
    case Shape::MATERIALISING: {
        FlatResultSet* child = getChild(0);
        cost.numRows = materialisedRows(this, child->getNumRows());
        cost.execution = child->getFetchAllCost() + child->getExecutionCost();
        cost.fetchAll = child->getRepositionCost() * static_cast<float>(cost.numRows);
        cost.reposition = child->getRepositionCost();
        break;
    }
    case Shape::JOIN: {
        // Nested loops: the inner side is executed with the outer one and
        // read to its end once per outer row; a row is repositioned on
        // both sides.
        auto* join = static_cast<FlatJoin*>(this);
        FlatResultSet* left = getChild(0);
        FlatResultSet* right = getChild(1);
        std::uint32_t divisor = flatAndDivisor(flatConditionListDivisor(join->getFilter()),
                                               flatConditionListDivisor(join->getOnFilter()));
        std::uint32_t pairs = times(left->getNumRows(), right->getNumRows());
        cost.numRows = flatDividedRows(pairs, divisor);
        if (join->isOuter() && cost.numRows < left->getNumRows())
            cost.numRows = left->getNumRows();
        cost.execution = left->getExecutionCost() + right->getExecutionCost();
        cost.fetchAll = left->getFetchAllCost() +
                        static_cast<float>(left->getNumRows()) * right->getFetchAllCost();
        cost.reposition = left->getRepositionCost() + right->getRepositionCost();
        break;
    }
    case Shape::UNION: {
        float weighted = 0;
        for (std::uint16_t i = 0; i < getChildCount(); ++i) {
            FlatResultSet* child = getChild(i);
            cost.numRows = plus(cost.numRows, child->getNumRows());
            cost.execution += child->getExecutionCost();
            cost.fetchAll += child->getFetchAllCost();
            weighted += child->getRepositionCost() * static_cast<float>(child->getNumRows());
        }
        if (cost.numRows == 0)
            cost.numRows = 1;
        cost.reposition = weighted / static_cast<float>(cost.numRows);
        break;
    }
    case Shape::TABLE: {
        auto* table = static_cast<FlatTableAccess*>(this);
        std::uint32_t rows = tableRows(table);
        cost.numRows = flatDividedRows(rows, flatConditionListDivisor(table->getFilter()));
        cost.execution = 0;
        cost.reposition = 1;
        cost.fetchAll = flatTableFetchAllCost(rows, table->getIndexRange());
        break;
    }
    case Shape::PASS_THROUGH:
        cost.numRows = getChild(0)->getNumRows();
        cost.execution = getChild(0)->getExecutionCost();
        cost.fetchAll = getChild(0)->getFetchAllCost();
        cost.reposition = getChild(0)->getRepositionCost();
        break;
    case Shape::LEAF:
        cost.numRows = 1;
        cost.reposition = 1;
        break;
    }
    cost_ = cost;
}

std::uint32_t FlatResultSet::getNumRows() {
    if (cost_.numRows == 0)
        computeCost();
    return cost_.numRows;
}

float FlatResultSet::getExecutionCost() {
    if (cost_.numRows == 0)
        computeCost();
    return cost_.execution;
}

float FlatResultSet::getFetchAllCost() {
    if (cost_.numRows == 0)
        computeCost();
    return cost_.fetchAll;
}

float FlatResultSet::getRepositionCost() {
    if (cost_.numRows == 0)
        computeCost();
    return cost_.reposition;
}

float FlatResultSet::getTotalCost() {
    return static_cast<float>(profile_.numExecution) * getExecutionCost() +
           static_cast<float>(profile_.numFetchAll) * getFetchAllCost() +
           static_cast<float>(profile_.numReposition) * getRepositionCost();
}

void FlatResultSet::clearCosts() {
    cost_ = FlatQueryCost{};
    for (std::uint16_t i = 0; i < getChildCount(); ++i)
        getChild(i)->clearCosts();
}
