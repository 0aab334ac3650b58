// FlatAggregateRegistry: where the expression compiler registers the
// aggregates (COUNT, SUM, AVG, MIN, MAX) it meets in a select list, a
// HAVING condition or an ORDER BY key; the group operator implements it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "util/VxStatus.h"

enum FlatAggregateKind : unsigned char {
    FLAT_AGG_COUNT_STAR,
    FLAT_AGG_COUNT,
    FLAT_AGG_SUM,
    FLAT_AGG_AVG,
    FLAT_AGG_MIN,
    FLAT_AGG_MAX,
};

class FlatAggregateRegistry {
public:
    virtual ~FlatAggregateRegistry() = default;
    // Registers an aggregate over the compiled argument `ops` (none for
    // COUNT(*)) and returns its column; identical aggregates share one.
    [[nodiscard]] virtual VxStatus addAggregate(FlatAggregateKind kind, bool distinct,
                                                const unsigned char* ops, std::size_t length,
                                                short argType, std::uint32_t argLength,
                                                std::uint16_t* column) = 0;
};
