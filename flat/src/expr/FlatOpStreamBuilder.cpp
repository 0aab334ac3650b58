// FlatOpStreamBuilder: appending ops to a growing byte buffer.
#include "flat/FlatOpStreamBuilder.h"

#include <cstring>

#include "util/ram.h"

namespace {
constexpr std::size_t GROWTH = 256;
}

FlatOpStreamBuilder::~FlatOpStreamBuilder() {
    ramFree(ops_);
}

void FlatOpStreamBuilder::reset() {
    length_ = 0;
    opCount_ = 0;
    failed_ = false;
}

unsigned char* FlatOpStreamBuilder::reserve(std::size_t bytes) {
    if (failed_)
        return nullptr;
    if (length_ + bytes > capacity_) {
        std::size_t wanted = (length_ + bytes + GROWTH) / GROWTH * GROWTH;
        void* block = ops_;
        if (ramResize(&block, wanted) != VX_SUCCESS) {
            failed_ = true;
            return nullptr;
        }
        ops_ = static_cast<unsigned char*>(block);
        capacity_ = wanted;
    }
    unsigned char* at = ops_ + length_;
    length_ += bytes;
    return at;
}

void FlatOpStreamBuilder::addOpWithBytes(std::uint8_t opcode, const void* operand,
                                         std::size_t bytes) {
    unsigned char* at = reserve(1 + bytes);
    if (!at)
        return;
    at[0] = opcode;
    if (bytes)
        std::memcpy(at + 1, operand, bytes);
    ++opCount_;
}

void FlatOpStreamBuilder::addDate(double dayNumber) {
    addOpWithBytes(FLAT_OP_DATE_CONST, &dayNumber, sizeof dayNumber);
}

void FlatOpStreamBuilder::addNumber(double value) {
    addOpWithBytes(FLAT_OP_NUM_CONST, &value, sizeof value);
}

void FlatOpStreamBuilder::addText(std::uint8_t opcode, const char* text, std::size_t length) {
    const void* zero = std::memchr(text, 0, length);
    if (zero)
        length = static_cast<std::size_t>(static_cast<const char*>(zero) - text);
    unsigned char* at = reserve(length + 2);
    if (!at)
        return;
    at[0] = opcode;
    std::memcpy(at + 1, text, length);
    at[length + 1] = 0;
    ++opCount_;
}

void FlatOpStreamBuilder::addString(const char* text, std::size_t length) {
    addText(FLAT_OP_STR_CONST, text, length);
}

void FlatOpStreamBuilder::addBinaryHex(const char* hexDigits, std::size_t length) {
    addText(FLAT_OP_BIN_CONST, hexDigits, length);
}

void FlatOpStreamBuilder::addLogical(bool value) {
    std::uint8_t byte = value ? 1 : 0;
    addOpWithBytes(FLAT_OP_LOGICAL_CONST, &byte, 1);
}

void FlatOpStreamBuilder::addNull() {
    addOpWithBytes(FLAT_OP_NULL, nullptr, 0);
}

void FlatOpStreamBuilder::addReference(std::uint8_t opcode, std::uint32_t ref,
                                       std::uint16_t number) {
    unsigned char operand[6];
    std::memcpy(operand, &ref, 4);
    std::memcpy(operand + 4, &number, 2);
    addOpWithBytes(opcode, operand, sizeof operand);
}

void FlatOpStreamBuilder::addField(std::uint32_t tableRef, std::uint16_t field) {
    addReference(FLAT_OP_FIELD, tableRef, field);
}

void FlatOpStreamBuilder::addAggregate(std::uint32_t groupRef, std::uint16_t column) {
    addReference(FLAT_OP_AGGREGATE, groupRef, column);
}

void FlatOpStreamBuilder::addParam(std::uint16_t number) {
    addOpWithBytes(FLAT_OP_PARAM, &number, 2);
}

void FlatOpStreamBuilder::addExists(std::uint16_t subQuery) {
    addOpWithBytes(FLAT_OP_EXISTS, &subQuery, 2);
}

void FlatOpStreamBuilder::addSubQuery(std::uint16_t subQuery) {
    addOpWithBytes(FLAT_OP_SUBQUERY, &subQuery, 2);
}

void FlatOpStreamBuilder::addOp(FlatOpCode op) {
    addOpWithBytes(op, nullptr, 0);
}

void FlatOpStreamBuilder::addFunction(FlatOpCode op, std::uint8_t argumentCount) {
    addOpWithBytes(op, &argumentCount, 1);
}

void FlatOpStreamBuilder::addList(FlatOpCode listOp, std::uint16_t count) {
    addOpWithBytes(listOp, &count, 2);
}

void FlatOpStreamBuilder::addOuterJoinComparison(FlatOpCode marker, FlatOpCode comparison) {
    std::uint8_t operand = comparison;
    addOpWithBytes(marker, &operand, 1);
    addOp(comparison);
}

void FlatOpStreamBuilder::addStream(const unsigned char* ops, std::size_t length) {
    unsigned char* at = reserve(length);
    if (!at)
        return;
    std::memcpy(at, ops, length);
    for (const unsigned char* op = ops; op < ops + length; op = getNextOp(op))
        ++opCount_;
}
