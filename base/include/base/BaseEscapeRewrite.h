// Helpers for a driver's expandNativeEscape (see BaseEscapeHost.h): they
// read the escape's arguments from the unread rest of the rewriting
// cursor and write native text to its output.
//
// Argument lists. The arguments of a function escape are the first
// `remaining` bytes of the unread rest: blanks, "(", arguments separated
// by "," at the outer level, ")". Commas inside parentheses, braces or
// quoted literals do not separate. Arguments are numbered from 1 and are
// written without their surrounding blanks.
//
// copyEscapeArgument writes argument `argument` to the output:
//   ESCAPE_ARG_COMMA first ",", ESCAPE_ARG_OPEN_PAREN first "(",
//   ESCAPE_ARG_PARENTHESIZE "(" argument ")", ESCAPE_ARG_CLOSE_PAREN ")"
//   last, ESCAPE_ARG_NO_COPY no argument text (decorations only).
//   ESCAPE_ARG_LAST: the argument must be the last (argument 0: the list
//   must be empty), and nothing but blanks may follow the list.
// Without ESCAPE_ARG_KEEP_SOURCE the argument is moved: the rest is read
// up to the end of the argument (earlier arguments are dropped with it),
// `remaining` shrinks accordingly, and argument 1 then names the next
// one; with ESCAPE_ARG_LAST the closing ")" and trailing blanks are read
// too. With ESCAPE_ARG_KEEP_SOURCE the rest is left as it is.
// Errors (37000): 6040 fewer arguments than `argument`; 6041 no end of
// the argument list (mismatched parentheses) or text after the list.
//
// processOuterJoinEscape rewrites the `length` bytes of an {oj ...}
// argument, "t0 LEFT OUTER JOIN t1 ON c1 [LEFT OUTER JOIN t2 ON c2 ...]",
// into a comma join and moves the conditions into the WHERE clause of
// the statement, which follows in the unread rest:
//   - an existing WHERE becomes "WHERE c AND (old condition)";
//   - otherwise " WHERE c" goes in front of the first of GROUP BY, HAVING,
//     UNION, ORDER BY, FOR UPDATE, the options' clause keywords, an
//     unmatched ")" or the end (outside parentheses and literals).
// Conditions are marked by the style (BaseOuterJoinTypes); a condition
// containing OR at its outer level is enclosed in parentheses so that
// joining it with AND keeps its meaning. The inner operand of a
// comparison is the one qualified with the inner table's name (the last
// word of its reference); when neither is, the right-hand one.
// RIGHT OUTER JOIN is accepted for OUTER_JOIN_OUTER_KEYWORD only (the left
// part moves behind the join); FULL OUTER JOIN when the options allow
// full joins, and then the argument is kept as it stands. With
// options.firstOuterJoinOnly only the first join is rewritten.
// Errors (37000): 6046 no LEFT OUTER JOIN; 6047 no ON; 6022 FULL OUTER
// JOIN not supported.
#pragma once

#include "base/BaseEscapeTypes.h"
#include "util/VxStatus.h"

class VxReplaceString;
class VxSubString;

VX_EXPORT VxStatus copyEscapeArgument(VxReplaceString* text, unsigned long* remaining,
                                      unsigned argument, unsigned flags);
// Finds argument `argument` (from 1) without reading or writing anything;
// `out` views it inside the rest. Errors as copyEscapeArgument.
VX_EXPORT VxStatus findEscapeArgument(const VxReplaceString* text, unsigned long remaining,
                                      unsigned argument, VxSubString& out);
VX_EXPORT VxStatus processOuterJoinEscape(VxReplaceString* text, unsigned long length,
                                          BaseOuterJoinTypes style,
                                          const BaseEscapeOptions& options);
