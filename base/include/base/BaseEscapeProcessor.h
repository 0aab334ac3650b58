// BaseEscapeProcessor: finds, validates and expands the ODBC escape
// clauses of a statement text.
//
// Escapes are "{keyword ...}" and the long form
// "--*(vendor(Microsoft),product(ODBC) keyword ...)*--" (the long form may
// also end with "*)--"). They are looked for outside literals (the quote
// characters of the options); an escape may contain further escapes.
// Keywords, without regard to case:
//
//   d, t, ts, b   a quoted literal; d, t and ts are checked for their shape
//   l             a value as written
//   fn            a function name from BaseEscapeFunctions.def and its arguments
//   oj            an outer join
//   escape        a LIKE escape character
//   call          a procedure call
//   ?=call        a procedure call with return value: ESCAPE_CALL_RETURN
//                 when the driver handles it (or in native mode), otherwise
//                 ESCAPE_CALL and the statement becomes a return-value call
//                 whose parameter 1 is the return value
//
// A "{" followed by anything else is no escape and stays as it is; text
// inside it is still searched. The first expansion makes the text owned.
// After d, t, ts, b and l scanning goes on behind the expansion (markers
// "?" the expansion holds outside literals are counted); after fn, oj,
// escape and call it restarts at the expansion, so that escapes in the
// arguments are expanded in turn.
//
// Errors (all 37000): 6021 escape without end, 6028 malformed long form,
// 6005 unknown keyword in the long form, missing arguments, "?" not
// followed by "=call", an escape inside the arguments of d, t, ts, b or
// l, or nesting deeper than 256, 6049 fn without a
// name, 6027 unknown function, 6029/6030/6031 malformed date, time or
// timestamp. A failing host fails the whole text.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/BaseEscapeHost.h"
#include "base/BaseEscapeTypes.h"
#include "util/VxStatus.h"

class BaseSqlString;
class VxString;

class VX_EXPORT BaseEscapeProcessor {
public:
    BaseEscapeProcessor(BaseEscapeHost& host, const BaseEscapeOptions& options)
        : host_(host), options_(options) {}

    // Expands every escape of `sql`. In native mode (SQLNativeSql) every
    // {?=call} goes to the host as ESCAPE_CALL_RETURN. The scan results
    // of `sql` are reset.
    [[nodiscard]] VxStatus process(BaseSqlString& sql, bool nativeMode = false);

    // Writes into `out` the host's text for `length` bytes of `value` as
    // the arguments of an escape of `type`, with nothing around them: the
    // literal a driver wants for a date, time, timestamp, bit or binary
    // value substituted for a parameter. The value is not checked.
    [[nodiscard]] VxStatus expandLiteral(EscapeType type, const char* value, std::size_t length,
                                         VxString& out);

    // Whether a {?=call} was taken by the framework (return value as
    // parameter 1, not counted among the markers).
    bool isReturnValueCall() const { return returnValueCall_; }
    // The parameter markers "?" outside literals in the processed text.
    std::uint32_t getMarkerCount() const { return markerCount_; }
    // The number of escapes expanded.
    std::uint32_t getEscapeCount() const { return escapeCount_; }

private:
    struct Escape;

    bool findStart(const BaseSqlString& sql, std::uint32_t& pos, bool& longForm);
    VxStatus findEnd(const BaseSqlString& sql, Escape& escape) const;
    VxStatus parse(const BaseSqlString& sql, Escape& escape, bool nativeMode) const;
    VxStatus parseKeyword(const BaseSqlString& sql, Escape& escape, std::uint32_t keywordPos,
                          bool nativeMode) const;
    VxStatus parseArguments(const BaseSqlString& sql, Escape& escape) const;
    VxStatus expand(BaseSqlString& sql, const Escape& escape, std::uint32_t& resume);

    BaseEscapeHost& host_;
    BaseEscapeOptions options_;
    bool returnValueCall_ = false;
    std::uint32_t markerCount_ = 0;
    std::uint32_t escapeCount_ = 0;
};
