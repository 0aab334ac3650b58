// FlatEvaluator: runs one prefix tree (FlatPrefixTree.h) over the byte
// stack of a FlatOpStreamGlobalInfo.
//
// Every node leaves exactly one item on the stack: its type, a null flag
// and the offset and length of its bytes (8-byte doubles for numbers and
// dates, one byte for logical values, the bytes of strings and binary
// values). A node evaluates its children first, each above the previous
// one, then replaces them all by its result. Unless an operator says
// otherwise, a NULL operand makes the result NULL and the remaining
// operands are not evaluated.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/InternalType.h"
#include "flat/FlatDataValue.h"
#include "flat/FlatExprType.h"
#include "flat/FlatOpStreamGlobalInfo.h"
#include "util/VxStatus.h"

// Longest string an operator may produce.
constexpr std::uint32_t FLAT_MAX_STRING_RESULT = 1024;

class FlatSubQueryValues;

struct FlatEvalItem {
    short type = FLAT_TYPE_ANY;
    bool null = true;
    std::size_t offset = 0;
    std::uint32_t length = 0;
};

// Three-valued logic results.
enum FlatTruth : int { FLAT_FALSE = 0, FLAT_TRUE = 1, FLAT_UNKNOWN = 2 };

class FlatEvaluator {
public:
    explicit FlatEvaluator(FlatOpStreamGlobalInfo& info) : info_(info) {}

    // Evaluates `node`; the result item lies at the top of the stack.
    [[nodiscard]] VxStatus eval(const unsigned char* node, FlatEvalItem* out);
    // Converts an item into a value in storage form.
    [[nodiscard]] VxStatus storeResult(const FlatEvalItem& item, FlatDataValue* value);
    // A field's value stored as pushing it and storing the result stores
    // it, with the result's expression type in *type; the kinds most fields
    // hold (NULL, text, digits of up to 15 significant digits) directly.
    [[nodiscard]] VxStatus storeFieldValue(const FlatDataValue& field, short sqlType,
                                           FlatDataValue* value, short* type);
    // A field's value (read with its SQL type) compared by `op` with the
    // number constant node `constant`, as the comparison node would
    // compare them; the stack is left as found.
    [[nodiscard]] VxStatus compareFieldWithNumber(std::uint8_t op, const FlatDataValue& field,
                                                  short sqlType, const unsigned char* constant,
                                                  FlatTruth* truth);
    // Orders two stored values (NULL first); the stack is left as found.
    [[nodiscard]] VxStatus compareValues(const FlatDataValue& a, short aSqlType,
                                         const FlatDataValue& b, short bSqlType, int* result);

private:
    // ---- stack (FlatEvaluator.cpp) ----
    [[nodiscard]] VxStatus pushDouble(short type, double value, FlatEvalItem* out);
    [[nodiscard]] VxStatus pushBit(bool value, FlatEvalItem* out);
    [[nodiscard]] VxStatus pushBytes(short type, const void* bytes, std::uint32_t length,
                                     FlatEvalItem* out);
    // Reserves a string result of `length` bytes (3945 beyond 1024).
    [[nodiscard]] VxStatus reserveString(short type, std::uint32_t length, FlatEvalItem* out);
    void pushNull(FlatEvalItem* out);
    // Moves `item` down to `mark` and drops everything above it.
    void collapse(std::size_t mark, FlatEvalItem* item);
    double readDouble(const FlatEvalItem& item);
    const char* bytesOf(const FlatEvalItem& item) {
        return reinterpret_cast<const char*>(info_.at(item.offset));
    }
    // Evaluates the first `count` children in order, stopping after the
    // first NULL one (*anyNull set).
    [[nodiscard]] VxStatus evalChildren(const unsigned char* node, FlatEvalItem* items,
                                        unsigned count, bool* anyNull);

    // ---- operands and logic (FlatEvaluator.cpp) ----
    [[nodiscard]] VxStatus evalConstant(const unsigned char* node, FlatEvalItem* out);
    [[nodiscard]] VxStatus evalField(const unsigned char* node, FlatEvalItem* out);
    // The value of the field a field node names, from the row source.
    [[nodiscard]] VxStatus readFieldNode(const unsigned char* node, FlatDataValue* value,
                                         short* sqlType);
    // A field's value about to be compared with a number: digits of up to
    // 15 significant digits are not pushed but given in *number (*isNumber
    // set); any other value is pushed as evalField pushes it.
    [[nodiscard]] VxStatus fieldForNumber(const FlatDataValue& value, short sqlType,
                                          double* number, bool* isNumber, FlatEvalItem* out);
    [[nodiscard]] VxStatus evalParam(const unsigned char* node, FlatEvalItem* out);
    [[nodiscard]] VxStatus evalAggregate(const unsigned char* node, FlatEvalItem* out);
    [[nodiscard]] VxStatus evalExists(const unsigned char* node, FlatEvalItem* out);
    [[nodiscard]] VxStatus evalScalarSubQuery(const unsigned char* node, FlatEvalItem* out);
    [[nodiscard]] VxStatus evalNot(const unsigned char* node, FlatEvalItem* out);
    [[nodiscard]] VxStatus evalAndOr(const unsigned char* node, FlatEvalItem* out);
    [[nodiscard]] VxStatus evalIsNull(const unsigned char* node, FlatEvalItem* out);
    [[nodiscard]] VxStatus evalIif(const unsigned char* node, FlatEvalItem* out);
    [[nodiscard]] VxStatus evalIfNull(const unsigned char* node, FlatEvalItem* out);
    bool countsAsNull(const FlatEvalItem& item);
    [[nodiscard]] VxStatus evalTruth(const unsigned char* node, FlatTruth* truth);
    [[nodiscard]] VxStatus pushTruth(FlatTruth truth, FlatEvalItem* out);

    // ---- arithmetic (FlatEvalArithmetic.cpp) ----
    [[nodiscard]] VxStatus evalArithmetic(const unsigned char* node, FlatEvalItem* out);
    [[nodiscard]] VxStatus evalNumberFunction(const unsigned char* node, FlatEvalItem* out);
    [[nodiscard]] VxStatus arithmetic(std::uint8_t op, const FlatEvalItem& left,
                                      const FlatEvalItem& right, std::size_t mark,
                                      FlatEvalItem* out);
    [[nodiscard]] VxStatus finishNumber(double value, std::size_t mark, FlatEvalItem* out);

    // ---- comparisons (FlatEvalCompare.cpp) ----
    [[nodiscard]] VxStatus evalComparison(const unsigned char* node, FlatEvalItem* out);
    [[nodiscard]] VxStatus compareWithNumber(std::uint8_t op, const unsigned char* left,
                                             const unsigned char* right, FlatEvalItem* out);
    // The rest of compareWithNumber once its left side is read.
    [[nodiscard]] VxStatus compareReadWithNumber(std::uint8_t op, bool isNumber, double number,
                                                 const FlatEvalItem& left,
                                                 const unsigned char* right, FlatTruth* truth);
    [[nodiscard]] VxStatus evalQuantified(std::uint8_t op, const unsigned char* left,
                                          const unsigned char* list, FlatEvalItem* out);
    [[nodiscard]] VxStatus evalBetween(const unsigned char* node, FlatEvalItem* out);
    [[nodiscard]] VxStatus evalLike(const unsigned char* node, FlatEvalItem* out);
    [[nodiscard]] VxStatus compareItems(const FlatEvalItem& left, const FlatEvalItem& right,
                                        int* result);
    [[nodiscard]] VxStatus compareWith(std::uint8_t op, const FlatEvalItem& left,
                                       const FlatEvalItem& right, FlatTruth* truth);
    [[nodiscard]] VxStatus compareSubQueryRows(std::uint8_t op, bool any, const FlatEvalItem& left,
                                               std::uint16_t number, bool* decided, bool* sawNull);

    // ---- IN over gathered sub-query values (FlatEvalInSet.cpp) ----
    // Answers x = ANY and x <> ALL over an uncorrelated sub-query from its
    // values gathered once; *handled is false when the rows must be
    // compared one by one instead.
    [[nodiscard]] VxStatus lookUpSubQuery(std::uint8_t op, bool any, const FlatEvalItem& left,
                                          std::uint16_t number, bool* handled, bool* decided,
                                          bool* sawNull);
    [[nodiscard]] VxStatus gatherSubQuery(std::uint16_t number, FlatSubQueryValues** out);
    // A hash under which equal numbers or equal texts agree; false for NaN.
    bool hashItem(const FlatEvalItem& item, std::uint64_t* hash);

    // ---- strings (FlatEvalString.cpp) ----
    [[nodiscard]] VxStatus evalStringOp(const unsigned char* node, FlatEvalItem* out);
    [[nodiscard]] VxStatus concat(bool trim, const FlatEvalItem& left, const FlatEvalItem& right,
                                  std::size_t mark, FlatEvalItem* out);
    [[nodiscard]] VxStatus substring(const FlatEvalItem* args, unsigned count, std::uint8_t op,
                                     std::size_t mark, FlatEvalItem* out);
    [[nodiscard]] VxStatus finishSlice(short type, std::size_t from, std::uint32_t length,
                                       std::size_t mark, FlatEvalItem* out);
    // LEN: the length of a string in characters (whole UTF-8 sequences in
    // UTF-8 text), of anything else in bytes.
    double textLength(const FlatEvalItem& item);

    // ---- dates and text forms (FlatEvalDate.cpp) ----
    [[nodiscard]] VxStatus evalDateOp(const unsigned char* node, FlatEvalItem* out);
    [[nodiscard]] VxStatus evalCtod(const FlatEvalItem* args, unsigned count, std::size_t mark,
                                    FlatEvalItem* out);
    [[nodiscard]] VxStatus evalDtoc(const FlatEvalItem* args, unsigned count, std::size_t mark,
                                    FlatEvalItem* out);
    [[nodiscard]] VxStatus evalStr(const FlatEvalItem* args, unsigned count, std::size_t mark,
                                   FlatEvalItem* out);
    [[nodiscard]] VxStatus evalStrVal(const FlatEvalItem& arg, std::size_t mark, FlatEvalItem* out);
    [[nodiscard]] VxStatus finishText(const char* text, std::size_t length, std::size_t mark,
                                      FlatEvalItem* out);

    // ---- conversions (FlatValueConvert.cpp) ----
    // Reads a value in storage form into an item of the SQL type's family.
    [[nodiscard]] VxStatus pushValue(const FlatDataValue& value, short sqlType, FlatEvalItem* out);
    [[nodiscard]] VxStatus pushText(const FlatDataValue& value, short sqlType, FlatEvalItem* out);
    // Reads a parameter's value converted to the type its marker was
    // compiled to (`markerType`; FLAT_TYPE_PARAM: by its bind type).
    [[nodiscard]] VxStatus pushParam(const FlatDataValue& value, short bindType, short markerType,
                                     FlatEvalItem* out);
    // Converts `value` by the framework into at most `room` bytes of
    // `target` pushed as an item of `type`.
    [[nodiscard]] VxStatus pushConverted(const FlatDataValue& value, InternalType target,
                                         std::uint32_t room, short type, FlatEvalItem* out);
    // The item as a number or a date value; strings are parsed (22005 or
    // the date parser's message when they do not read).
    [[nodiscard]] VxStatus numberOf(const FlatEvalItem& item, double* value);
    [[nodiscard]] VxStatus dateOf(const FlatEvalItem& item, double* value);

    FlatOpStreamGlobalInfo& info_;
};
