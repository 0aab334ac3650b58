// FlatOpStreamBuilder: writes an op stream op by op, in postfix order (each
// operator after its operands), as the expression compiler emits it.
//
// The add functions never fail on their own: a failed allocation is
// remembered and reported by finish (the allocator has then recorded the
// error), so a compiler can emit a whole expression and check once.
#pragma once

#include <cstddef>
#include <cstdint>

#include "flat/FlatOpCode.h"
#include "util/VxExport.h"
#include "util/VxStatus.h"

class VX_EXPORT FlatOpStreamBuilder {
public:
    FlatOpStreamBuilder() = default;
    ~FlatOpStreamBuilder();
    FlatOpStreamBuilder(const FlatOpStreamBuilder&) = delete;
    FlatOpStreamBuilder& operator=(const FlatOpStreamBuilder&) = delete;

    // Constants. A date value is a day number plus the time as a fraction.
    void addDate(double dayNumber);
    void addNumber(double value);
    // A text constant; it ends at the first zero byte, if any.
    void addString(const char* text, std::size_t length);
    // A binary constant given as hexadecimal digits.
    void addBinaryHex(const char* hexDigits, std::size_t length);
    void addLogical(bool value);
    void addNull();

    // Operands read at run time.
    void addField(std::uint32_t tableRef, std::uint16_t field);
    void addAggregate(std::uint32_t groupRef, std::uint16_t column);
    void addParam(std::uint16_t number);
    void addExists(std::uint16_t subQuery);
    void addSubQuery(std::uint16_t subQuery);

    // An operator or function without operands of its own (every opcode
    // whose operand size is 0).
    void addOp(FlatOpCode op);
    // SUBSTR, DTOC, CTOD and STR: the number of arguments given.
    void addFunction(FlatOpCode op, std::uint8_t argumentCount);
    // ANY or ALL list marker after the list's `count` values; the
    // comparison op follows it.
    void addList(FlatOpCode listOp, std::uint16_t count);
    // Outer-join marker (FLAT_OP_OUTER_LEFT or FLAT_OP_OUTER_RIGHT) and the
    // comparison it qualifies; both are written.
    void addOuterJoinComparison(FlatOpCode marker, FlatOpCode comparison);

    // Appends another builder's stream (a compiled sub-expression).
    void addStream(const unsigned char* ops, std::size_t length);

    const unsigned char* getOps() const { return ops_; }
    std::size_t getLength() const { return length_; }
    // Number of ops written.
    std::size_t getOpCount() const { return opCount_; }
    // Forgets the stream written so far (and a remembered failure).
    void reset();
    // VX_ERROR when an allocation failed since the last reset.
    [[nodiscard]] VxStatus getStatus() const { return failed_ ? VX_ERROR : VX_SUCCESS; }

private:
    unsigned char* reserve(std::size_t bytes);
    void addOpWithBytes(std::uint8_t opcode, const void* operand, std::size_t bytes);
    void addText(std::uint8_t opcode, const char* text, std::size_t length);
    void addReference(std::uint8_t opcode, std::uint32_t ref, std::uint16_t number);

    unsigned char* ops_ = nullptr;
    std::size_t length_ = 0;
    std::size_t capacity_ = 0;
    std::size_t opCount_ = 0;
    bool failed_ = false;
};
