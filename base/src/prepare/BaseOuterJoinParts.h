// The two halves of processOuterJoinEscape's work on conditions.
#pragma once

#include <cstdint>

#include "base/BaseEscapeTypes.h"
#include "util/VxStatus.h"

class VxReplaceString;
class VxString;
class VxSubString;

// Appends to `out` the `length` bytes of `text`, one ON condition, with
// its comparisons marked for `style`; `inner` is the name of the inner
// table. A condition with OR at its outer level is enclosed in
// parentheses.
VxStatus baseMarkOuterJoinCondition(const char* text, std::uint32_t length,
                                    const VxSubString& inner, BaseOuterJoinTypes style,
                                    const BaseEscapeOptions& options, VxString& out);

// Puts `condition` into the WHERE clause of the statement that follows in
// the unread rest of `text` (see BaseEscapeRewrite.h); nothing to do for
// an empty condition.
VxStatus baseMoveOuterJoinCondition(VxReplaceString& text, const VxString& condition,
                                    const BaseEscapeOptions& options);
