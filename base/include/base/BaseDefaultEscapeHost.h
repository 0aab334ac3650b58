// BaseDefaultEscapeHost: the expansion a data source with no syntax of
// its own gets: ODBC's canonical forms.
//
//   {d 'v'} {t 'v'} {ts 'v'}   'v'
//   {b 'hex'}                  X'hex'
//   {l v}                      v
//   {fn name(args)}            NAME(args), the name as the table writes it
//   {oj ...}                   as written, or processOuterJoinEscape when a
//                              style is given
//   {escape 'c'}               ESCAPE 'c'
//   {call p(...)}              CALL p(...)
//   {?=call p(...)}            ? = CALL p(...) (when the host gets it)
#pragma once

#include "base/BaseEscapeHost.h"

class VX_EXPORT BaseDefaultEscapeHost : public BaseEscapeHost {
public:
    // A negative outer-join style keeps {oj ...} as written.
    explicit BaseDefaultEscapeHost(const BaseEscapeOptions& options, int outerJoinStyle = -1)
        : options_(options), outerJoinStyle_(outerJoinStyle) {}

    VxStatus expandNativeEscape(VxReplaceString* text, unsigned long argLength, EscapeType type,
                                EscapeFunctionType function) override;

private:
    BaseEscapeOptions options_;
    int outerJoinStyle_;
};
