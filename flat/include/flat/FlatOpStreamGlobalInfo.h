// FlatOpStreamGlobalInfo: the expression context of one statement, shared
// by all op streams of the statement: the evaluator's byte stack, the
// semantic flags and the sources of field, parameter, aggregate and
// sub-query values.
//
// The stack starts at 512 bytes and grows in 512-byte steps up to 65025
// bytes; a push beyond that raises 3946. Streams of one statement may be
// evaluated inside one another (a sub-query's filter while a comparison
// waits for its rows): each evaluation leaves the stack as it found it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "flat/FlatRowSource.h"
#include "util/VxExport.h"
#include "util/VxStatus.h"

class FlatParamList;

constexpr std::size_t FLAT_STACK_STEP = 512;
constexpr std::size_t FLAT_STACK_LIMIT = 65025;

class VX_EXPORT FlatOpStreamGlobalInfo {
public:
    FlatOpStreamGlobalInfo() = default;
    ~FlatOpStreamGlobalInfo();
    FlatOpStreamGlobalInfo(const FlatOpStreamGlobalInfo&) = delete;
    FlatOpStreamGlobalInfo& operator=(const FlatOpStreamGlobalInfo&) = delete;

    // International sort order: strings compare with strCompareIntl.
    void setIntlSort(bool on) { intlSort_ = on; }
    bool isIntlSort() const { return intlSort_; }
    // Text is UTF-8 (the connection's character set): string functions
    // count and cut whole characters. On by default.
    void setUtf8Text(bool on) { utf8Text_ = on; }
    bool isUtf8Text() const { return utf8Text_; }
    // Standard semantics (on for every statement): an unparsable CTOD gives
    // NULL rather than the blank date. When clear, the compiler turns
    // string "=" into a prefix LIKE; the evaluator itself is unaffected
    // otherwise.
    void setStandardSemantics(bool on) { standardSemantics_ = on; }
    bool isStandardSemantics() const { return standardSemantics_; }
    // Blank strings are NULL: IS NULL is also true for an empty or
    // all-blank string.
    void setBlankIsNull(bool on) { blankIsNull_ = on; }
    bool isBlankIsNull() const { return blankIsNull_; }

    // Sources; the context does not own them. A stream that reads a
    // source that is not set fails with a general error.
    void setRowSource(FlatRowSource* source) { rowSource_ = source; }
    FlatRowSource* getRowSource() const { return rowSource_; }
    void setParamSource(FlatParamSource* source) { paramSource_ = source; }
    FlatParamSource* getParamSource() const { return paramSource_; }
    void setAggregateSource(FlatAggregateSource* source) { aggregateSource_ = source; }
    FlatAggregateSource* getAggregateSource() const { return aggregateSource_; }
    void setSubQuerySource(FlatSubQuerySource* source) { subQuerySource_ = source; }
    FlatSubQuerySource* getSubQuerySource() const { return subQuerySource_; }
    // The types the compiler gave the statement's parameter markers (not
    // owned). A parameter's value is converted to its marker's type
    // before an expression uses it.
    void setParamTypes(const FlatParamList* params) { paramTypes_ = params; }
    // The type of parameter `number` (from 1); FLAT_TYPE_PARAM when no
    // type is known.
    short getParamType(std::uint16_t number) const;

    // ---- The byte stack (used by the evaluator) ----
    std::size_t getStackTop() const { return top_; }
    // Drops everything above `top`.
    void setStackTop(std::size_t top) { top_ = top; }
    // Reserves `bytes` at the top and returns their offset; raises 3946
    // when the stack would pass its limit.
    [[nodiscard]] VxStatus reserve(std::size_t bytes, std::size_t* offset);
    unsigned char* at(std::size_t offset) { return stack_ + offset; }
    std::size_t getStackSize() const { return size_; }

private:
    unsigned char* stack_ = nullptr;
    std::size_t size_ = 0;
    std::size_t top_ = 0;
    FlatRowSource* rowSource_ = nullptr;
    FlatParamSource* paramSource_ = nullptr;
    FlatAggregateSource* aggregateSource_ = nullptr;
    FlatSubQuerySource* subQuerySource_ = nullptr;
    const FlatParamList* paramTypes_ = nullptr;
    bool intlSort_ = false;
    bool utf8Text_ = true;
    bool standardSemantics_ = true;
    bool blankIsNull_ = false;
};
