// IN and NOT IN over the rows of an uncorrelated sub-query: its values are
// gathered once into a table ordered by hash, and each outer row looks its
// value up there instead of comparing it with every row.
//
// The hash only narrows the search: a candidate of equal hash is compared
// as any two values are (compareWith), so the answers are those of the
// comparison loop. It is used where equal values are sure to hash alike:
// numbers held as doubles (-0 as 0; NaN is left to the loop), and text or
// binary compared byte by byte, hashed without trailing blanks (CHAR
// compares without them, and what VARCHAR tells apart only falls into one
// bucket). Values of other kinds, text under the locale's collation, a mix
// of kinds, or more values than the limit below leave every outer row to
// the loop.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "base/BaseErrors.h"
#include "expr/FlatEvaluator.h"
#include "flat/FlatExprType.h"
#include "flat/FlatOpCode.h"
#include "flat/FlatOpStreamGlobalInfo.h"
#include "flat/FlatRowSource.h"
#include "util/str.h"

namespace {

// Bytes of values gathered at most.
constexpr std::size_t GATHER_LIMIT = 64u << 20;

enum Kind : unsigned char { KIND_NONE, KIND_NUMBER, KIND_BYTES };

Kind kindOf(short type) {
    if (type == FLAT_TYPE_DOUBLE)
        return KIND_NUMBER;
    if (flatIsStringType(type) || flatIsBinaryType(type))
        return KIND_BYTES;
    return KIND_NONE;
}

std::uint64_t hashBytes(const char* bytes, std::size_t length) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (std::size_t i = 0; i < length; ++i)
        hash = (hash ^ static_cast<unsigned char>(bytes[i])) * 0x100000001b3ull;
    return hash;
}

class GatheredValues : public FlatSubQueryValues {
public:
    struct Entry {
        std::uint64_t hash;
        std::size_t offset; // into bytes
        std::uint32_t length;
        short storage;
        short sqlType;
    };
    bool usable = true;
    bool anyRow = false;
    bool anyNull = false;
    Kind kind = KIND_NONE;
    std::vector<unsigned char> bytes;
    std::vector<Entry> entries; // by hash once gathered
};

} // namespace

bool FlatEvaluator::hashItem(const FlatEvalItem& item, std::uint64_t* hash) {
    if (item.type == FLAT_TYPE_DOUBLE) {
        double value = readDouble(item);
        if (std::isnan(value))
            return false;
        if (value == 0)
            value = 0;
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        *hash = bits * 0x9e3779b97f4a7c15ull;
        return true;
    }
    const char* text = bytesOf(item);
    *hash = hashBytes(text, strRightTrimBlanks(text, item.length));
    return true;
}

VxStatus FlatEvaluator::gatherSubQuery(std::uint16_t number, FlatSubQueryValues** out) {
    *out = nullptr;
    FlatSubQuerySource* source = info_.getSubQuerySource();
    std::unique_ptr<FlatSubQueryValues>* place = source ? source->subQueryValues(number) : nullptr;
    if (!place || info_.isIntlSort())
        return VX_SUCCESS;
    if (*place) {
        *out = place->get();
        return VX_SUCCESS;
    }
    std::unique_ptr<GatheredValues> values(new (std::nothrow) GatheredValues);
    if (!values) {
        addOdbcError(ODBC_S1001);
        return VX_ERROR;
    }
    if (source->openSubQuery(number) != VX_SUCCESS)
        return VX_ERROR;
    std::size_t mark = info_.getStackTop();
    for (;;) {
        bool atEnd = true;
        if (source->fetchSubQueryRow(number, &atEnd) != VX_SUCCESS)
            return VX_ERROR;
        if (atEnd)
            break;
        values->anyRow = true;
        FlatDataValue value;
        short sqlType = 0;
        FlatEvalItem item;
        if (source->getSubQueryValue(number, &value, &sqlType) != VX_SUCCESS ||
            pushValue(value, sqlType, &item) != VX_SUCCESS)
            return VX_ERROR;
        info_.setStackTop(mark);
        if (item.null) {
            values->anyNull = true;
            continue;
        }
        if (!values->usable)
            continue; // the rows are still read to the end, as the loop would
        Kind kind = kindOf(item.type);
        std::uint64_t hash = 0;
        if (kind == KIND_NONE || (values->kind != KIND_NONE && kind != values->kind) ||
            values->bytes.size() + value.getLength() > GATHER_LIMIT || !hashItem(item, &hash)) {
            values->usable = false;
            values->bytes.clear();
            values->entries.clear();
            continue;
        }
        values->kind = kind;
        GatheredValues::Entry entry{hash, values->bytes.size(), value.getLength(),
                                    value.getStorageType(), sqlType};
        const auto* from = static_cast<const unsigned char*>(value.getValueBuffer());
        values->bytes.insert(values->bytes.end(), from, from + value.getLength());
        values->entries.push_back(entry);
    }
    std::sort(values->entries.begin(), values->entries.end(),
              [](const GatheredValues::Entry& a, const GatheredValues::Entry& b) {
                  return a.hash < b.hash;
              });
    *place = std::move(values);
    *out = place->get();
    return VX_SUCCESS;
}

VxStatus FlatEvaluator::lookUpSubQuery(std::uint8_t op, bool any, const FlatEvalItem& left,
                                       std::uint16_t number, bool* handled, bool* decided,
                                       bool* sawNull) {
    *handled = false;
    // x = ANY (...) is IN; x <> ALL (...) is NOT IN.
    if (!((any && op == FLAT_OP_EQ) || (!any && op == FLAT_OP_NE)))
        return VX_SUCCESS;
    FlatSubQueryValues* gathered = nullptr;
    if (gatherSubQuery(number, &gathered) != VX_SUCCESS)
        return VX_ERROR;
    auto* values = static_cast<GatheredValues*>(gathered);
    if (!values || !values->usable)
        return VX_SUCCESS;
    if (left.null) {
        // Every comparison is unknown.
        *handled = true;
        if (values->anyRow)
            *sawNull = true;
        return VX_SUCCESS;
    }
    std::uint64_t hash = 0;
    if (!values->entries.empty() && (kindOf(left.type) != values->kind || !hashItem(left, &hash)))
        return VX_SUCCESS;
    *handled = true;
    GatheredValues::Entry probe{hash, 0, 0, 0, 0};
    auto range = std::equal_range(values->entries.begin(), values->entries.end(), probe,
                                  [](const GatheredValues::Entry& a,
                                     const GatheredValues::Entry& b) { return a.hash < b.hash; });
    std::size_t mark = info_.getStackTop();
    for (auto at = range.first; at != range.second; ++at) {
        FlatDataValue value;
        value.setValueBuffer(values->bytes.data() + at->offset, 0);
        value.setLength(at->length);
        value.setStorageType(at->storage);
        FlatEvalItem item;
        FlatTruth truth = FLAT_UNKNOWN;
        if (pushValue(value, at->sqlType, &item) != VX_SUCCESS ||
            compareWith(FLAT_OP_EQ, left, item, &truth) != VX_SUCCESS)
            return VX_ERROR;
        info_.setStackTop(mark);
        if (truth == FLAT_TRUE) {
            // IN is true; NOT IN false.
            *decided = true;
            return VX_SUCCESS;
        }
    }
    // No row equals it: every other comparison holds for NOT IN and fails
    // for IN, unless a row was NULL.
    if (values->anyNull)
        *sawNull = true;
    return VX_SUCCESS;
}
