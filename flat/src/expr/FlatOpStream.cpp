// FlatOpStream: compiling into the prefix form and evaluating.
#include "flat/FlatOpStream.h"

#include <cstring>

#include "base/BaseErrors.h"
#include "expr/FlatEvaluator.h"
#include "expr/FlatPrefixTree.h"
#include "util/ram.h"

namespace {

// Restores the stack top when an evaluation ends, however it ends.
class StackMark {
public:
    explicit StackMark(FlatOpStreamGlobalInfo& info) : info_(info), top_(info.getStackTop()) {}
    ~StackMark() { info_.setStackTop(top_); }
    StackMark(const StackMark&) = delete;
    StackMark& operator=(const StackMark&) = delete;

private:
    FlatOpStreamGlobalInfo& info_;
    std::size_t top_;
};

} // namespace

FlatOpStream::~FlatOpStream() {
    release();
}

void FlatOpStream::release() {
    ramFree(ops_);
    ramFree(tree_);
    ops_ = nullptr;
    tree_ = nullptr;
    length_ = 0;
    treeLength_ = 0;
    loneField_ = false;
    comparisonOp_ = 0;
    comparedNumber_ = nullptr;
}

VxStatus FlatOpStream::compile(const unsigned char* ops, std::size_t length) {
    release();
    if (flatBuildPrefixTree(ops, length, &tree_, &treeLength_) != VX_SUCCESS)
        return VX_ERROR;
    ops_ = static_cast<unsigned char*>(ramAlloc(length));
    if (!ops_) {
        release();
        return VX_ERROR;
    }
    std::memcpy(ops_, ops, length);
    length_ = length;
    const std::uint8_t op = flatNodeOp(tree_);
    if (op == FLAT_OP_FIELD) {
        flatNodeFieldRef(tree_, &fieldTable_, &fieldNumber_);
        loneField_ = true;
    } else if (op == FLAT_OP_GT || op == FLAT_OP_GE || op == FLAT_OP_LT || op == FLAT_OP_LE ||
               op == FLAT_OP_EQ || op == FLAT_OP_NE) {
        const unsigned char* left = flatNodeFirstChild(tree_);
        const unsigned char* right = flatNodeNext(left);
        if (flatNodeOp(left) == FLAT_OP_FIELD && flatNodeOp(right) == FLAT_OP_NUM_CONST) {
            flatNodeFieldRef(left, &fieldTable_, &fieldNumber_);
            comparisonOp_ = op;
            comparedNumber_ = right;
        }
    }
    return VX_SUCCESS;
}

VxStatus FlatOpStream::compile(const FlatOpStreamBuilder& builder) {
    if (builder.getStatus() != VX_SUCCESS)
        return VX_ERROR;
    return compile(builder.getOps(), builder.getLength());
}

VxStatus FlatOpStream::evaluateLoneField(FlatEvaluator& evaluator, FlatRowSource& source,
                                         FlatDataValue* result) {
    FlatDataValue field;
    short sqlType = 0;
    short type = FLAT_TYPE_ANY;
    if (source.getFieldValue(fieldTable_, fieldNumber_, &field, &sqlType) != VX_SUCCESS ||
        evaluator.storeFieldValue(field, sqlType, result, &type) != VX_SUCCESS)
        return VX_ERROR;
    resultType_ = type;
    return VX_SUCCESS;
}

VxStatus FlatOpStream::evaluateFieldComparison(FlatEvaluator& evaluator, FlatRowSource& source,
                                               bool* isTrue) {
    FlatDataValue field;
    short sqlType = 0;
    FlatTruth truth = FLAT_UNKNOWN;
    if (source.getFieldValue(fieldTable_, fieldNumber_, &field, &sqlType) != VX_SUCCESS ||
        evaluator.compareFieldWithNumber(comparisonOp_, field, sqlType, comparedNumber_, &truth) !=
            VX_SUCCESS)
        return VX_ERROR;
    *isTrue = truth == FLAT_TRUE;
    resultType_ = truth == FLAT_UNKNOWN ? FLAT_TYPE_ANY : FLAT_TYPE_BIT;
    return VX_SUCCESS;
}

VxStatus FlatOpStream::run(FlatEvaluator& evaluator, FlatEvalItem* item) {
    if (!tree_) {
        addOdbcError(ODBC_S1000);
        return VX_ERROR;
    }
    if (evaluator.eval(tree_, item) != VX_SUCCESS)
        return VX_ERROR;
    resultType_ = item->null ? FLAT_TYPE_ANY : item->type;
    return VX_SUCCESS;
}

VxStatus FlatOpStream::evaluate(FlatDataValue* result) {
    StackMark mark(*info_);
    FlatEvaluator evaluator(*info_);
    FlatRowSource* source = info_->getRowSource();
    if (loneField_ && source)
        return evaluateLoneField(evaluator, *source, result);
    FlatEvalItem item;
    if (run(evaluator, &item) != VX_SUCCESS)
        return VX_ERROR;
    return evaluator.storeResult(item, result);
}

VxStatus FlatOpStream::evaluateCondition(bool* isTrue) {
    StackMark mark(*info_);
    FlatEvaluator evaluator(*info_);
    FlatEvalItem item;
    *isTrue = false;
    FlatRowSource* source = info_->getRowSource();
    if (comparisonOp_ && source)
        return evaluateFieldComparison(evaluator, *source, isTrue);
    if (run(evaluator, &item) != VX_SUCCESS)
        return VX_ERROR;
    if (item.null || item.length == 0 || flatIsStringType(item.type) || flatIsBinaryType(item.type))
        return VX_SUCCESS;
    if (item.type == FLAT_TYPE_BIT) {
        *isTrue = *info_->at(item.offset) != 0;
    } else {
        double number = 0;
        std::memcpy(&number, info_->at(item.offset), sizeof number);
        *isTrue = number != 0;
    }
    return VX_SUCCESS;
}

VxStatus FlatOpStream::evaluateDouble(double* value, bool* isNull) {
    StackMark mark(*info_);
    FlatEvaluator evaluator(*info_);
    FlatEvalItem item;
    if (run(evaluator, &item) != VX_SUCCESS)
        return VX_ERROR;
    *isNull = item.null;
    if (item.null)
        return VX_SUCCESS;
    if (flatIsStringType(item.type) || flatIsBinaryType(item.type)) {
        addOdbcError(ODBC_22005);
        return VX_ERROR;
    }
    *value = 0;
    if (item.type == FLAT_TYPE_BIT)
        *value = *info_->at(item.offset);
    else
        std::memcpy(value, info_->at(item.offset), sizeof *value);
    return VX_SUCCESS;
}
