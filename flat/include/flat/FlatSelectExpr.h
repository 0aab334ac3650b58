// FlatSelectExpr: one select-list column and how its value is produced.
//
// A column is computed by its op stream, unless it is a bare parameter
// (the parameter's value is passed through in its storage form) or it is
// backed by a sub-result (a value computed by another part of the query,
// such as the branch of a union or the row of a group).
#pragma once

#include <cstdint>

#include "flat/FlatDataValue.h"
#include "flat/FlatOpStream.h"
#include "flat/FlatOpStreamGlobalInfo.h"
#include "util/VxExport.h"
#include "util/VxStatus.h"

// A value computed elsewhere for the current row.
class VX_EXPORT FlatSubResult {
public:
    virtual ~FlatSubResult() = default;
    [[nodiscard]] virtual VxStatus evaluate(FlatDataValue* value) = 0;
};

class VX_EXPORT FlatSelectExpr {
public:
    // `info` is the statement's context; it must outlive the column.
    explicit FlatSelectExpr(FlatOpStreamGlobalInfo* info) : info_(info), stream_(info) {}
    FlatSelectExpr(const FlatSelectExpr&) = delete;
    FlatSelectExpr& operator=(const FlatSelectExpr&) = delete;

    // The column's compiled expression.
    FlatOpStream& getOpStream() { return stream_; }
    // The column is the bare parameter `number`.
    void setBareParam(std::uint16_t number) { paramNumber_ = number; }
    // The column's values come from `subResult` (not owned); null clears.
    void setSubResult(FlatSubResult* subResult) { subResult_ = subResult; }

    // The column's value for the current row. A bare parameter without a
    // value raises 4000.
    [[nodiscard]] VxStatus evaluate(FlatDataValue* value);

private:
    FlatOpStreamGlobalInfo* info_;
    FlatOpStream stream_;
    FlatSubResult* subResult_ = nullptr;
    std::uint16_t paramNumber_ = 0;
};
