// BaseEscapeHost: what escape processing asks of a driver.
//
// The framework finds and validates each ODBC escape clause; the host
// turns its arguments into the data source's own syntax. The protocol of
// expandNativeEscape:
//
//   - `text` is a rewriting cursor over the statement. Its output ends
//     with one blank written in place of the escape's opening delimiter
//     and keyword; its unread rest starts with the escape's arguments,
//     `argLength` bytes, followed by the rest of the statement. The
//     closing delimiter (and for literals the closing quote) has already
//     been removed.
//   - Arguments: for d, t, ts and b the literal's content without its
//     quotes; for l the value as written; for fn the text after the
//     function name (normally "(arguments)"); for oj, escape and call the
//     text after the keyword. Trailing blanks are not part of them.
//   - The host reads the arguments from the rest and writes the native
//     text to the output (keep, skip, addBytes; copyEscapeArgument and
//     processOuterJoinEscape help). Argument bytes it leaves unread are
//     kept as they are. It may read and rewrite beyond the arguments
//     (an outer join moves its condition into the WHERE clause).
//   - It returns VX_SUCCESS, or raises an error (normally 37000 with
//     message 6022 or 6006) and returns VX_ERROR, which fails the whole
//     statement.
#pragma once

#include "base/BaseEscapeTypes.h"
#include "util/VxStatus.h"

class VxReplaceString;

class VX_EXPORT BaseEscapeHost {
public:
    BaseEscapeHost() = default;
    BaseEscapeHost(const BaseEscapeHost&) = delete;
    BaseEscapeHost& operator=(const BaseEscapeHost&) = delete;
    virtual ~BaseEscapeHost();

    virtual VxStatus expandNativeEscape(VxReplaceString* text, unsigned long argLength,
                                        EscapeType type, EscapeFunctionType function) = 0;
};

// Lets any object with an expandNativeEscape of the same signature (a
// driver's connection) serve as the host, without deriving from it.
template <class Target> class BaseEscapeHostAdapter : public BaseEscapeHost {
public:
    explicit BaseEscapeHostAdapter(Target& target) : target_(target) {}

    VxStatus expandNativeEscape(VxReplaceString* text, unsigned long argLength, EscapeType type,
                                EscapeFunctionType function) override {
        return target_.expandNativeEscape(text, argLength, type, function);
    }

private:
    Target& target_;
};
