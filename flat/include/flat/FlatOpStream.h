// FlatOpStream: one compiled expression of a statement and its evaluation.
//
// compile keeps a copy of the postfix op stream (FlatOpCode.h) and converts
// it into the prefix tree that the evaluator walks; evaluate runs it for
// the current row(s) of the sources set in the statement's
// FlatOpStreamGlobalInfo.
//
// Errors: compile raises 3946 for a stream of more than 16384 ops, a tree
// of more than 65535 bytes or nesting deeper than 1000 levels, and a
// general error (S1000) for a malformed stream. evaluate raises what the
// operators raise: 3944, 3945, 3946, 3949, 3952, 3996, 4000, and the
// conversion errors 22005/22008 of values that do not read as numbers or
// dates. Division by zero is not an error: the result is NULL.
#pragma once

#include <cstddef>
#include <cstdint>

#include "flat/FlatDataValue.h"
#include "flat/FlatExprType.h"
#include "flat/FlatOpStreamBuilder.h"
#include "flat/FlatOpStreamGlobalInfo.h"
#include "util/VxExport.h"
#include "util/VxStatus.h"

class FlatEvaluator;
class FlatRowSource;
struct FlatEvalItem;

class VX_EXPORT FlatOpStream {
public:
    // `info` is the statement's context; it must outlive the stream.
    explicit FlatOpStream(FlatOpStreamGlobalInfo* info) : info_(info) {}
    ~FlatOpStream();
    FlatOpStream(const FlatOpStream&) = delete;
    FlatOpStream& operator=(const FlatOpStream&) = delete;

    // Replaces the stream by a copy of `length` bytes of postfix ops.
    [[nodiscard]] VxStatus compile(const unsigned char* ops, std::size_t length);
    // The builder's stream; fails if the builder recorded a failure.
    [[nodiscard]] VxStatus compile(const FlatOpStreamBuilder& builder);

    // Evaluates the expression and stores the result in storage form:
    // logical values as INTERNAL_BIT, numbers as INTERNAL_DOUBLE, strings
    // as INTERNAL_CHAR, binary values as FLAT_STORAGE_BINARY, dates, times
    // and timestamps as their structures; NULL and the blank date set the
    // null flag. The value owns the copied bytes.
    [[nodiscard]] VxStatus evaluate(FlatDataValue* result);
    // Evaluates a condition: true only for a non-NULL true result.
    [[nodiscard]] VxStatus evaluateCondition(bool* isTrue);
    // Evaluates a number or date expression: *isNull, else *value (a
    // number, or a day number with the time as a fraction).
    [[nodiscard]] VxStatus evaluateDouble(double* value, bool* isNull);

    // Expression type (FlatExprType) of the last evaluation's result;
    // FLAT_TYPE_ANY when it was NULL.
    short getResultType() const { return resultType_; }
    const unsigned char* getOps() const { return ops_; }
    std::size_t getLength() const { return length_; }
    bool isCompiled() const { return tree_ != nullptr; }
    FlatOpStreamGlobalInfo* getGlobalInfo() const { return info_; }

private:
    void release();
    [[nodiscard]] VxStatus run(FlatEvaluator& evaluator, FlatEvalItem* item);
    // The stream is one field (the commonest key and argument): its value
    // is read once and stored without walking the tree.
    [[nodiscard]] VxStatus evaluateLoneField(FlatEvaluator& evaluator, FlatRowSource& source,
                                             FlatDataValue* result);
    // The stream is a field compared with a number (the commonest
    // condition): the field is read and compared without walking the tree.
    [[nodiscard]] VxStatus evaluateFieldComparison(FlatEvaluator& evaluator, FlatRowSource& source,
                                                   bool* isTrue);

    FlatOpStreamGlobalInfo* info_;
    unsigned char* ops_ = nullptr;
    std::size_t length_ = 0;
    unsigned char* tree_ = nullptr;
    std::size_t treeLength_ = 0;
    short resultType_ = FLAT_TYPE_ANY;
    bool loneField_ = false;
    std::uint8_t comparisonOp_ = 0; // field op number: the comparison, else 0
    const unsigned char* comparedNumber_ = nullptr; // its number node
    std::uint32_t fieldTable_ = 0;
    std::uint16_t fieldNumber_ = 0;
};
