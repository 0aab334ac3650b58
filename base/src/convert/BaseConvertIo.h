// BaseConvertIo: one conversion between internal types, with everything
// the callers of the conversion library want to know afterwards. The
// public BaseConvertNum and BaseConvertDateTime, and the C-type bridges,
// all run through baseConvertValue.
#pragma once

#include <sql.h>

#include "base/BaseConvert.h"
#include "base/InternalType.h"
#include "util/VxStatus.h"

struct BaseConvertIo {
    InternalType fromType = INTERNAL_NONE;
    const void* from = nullptr;
    SQLLEN fromLength = 0; // SQL_NTS allowed for text
    InternalType toType = INTERNAL_NONE;
    void* to = nullptr;
    SQLLEN toSize = 0;
    short scale = 0;
    unsigned long flags = 0;

    SQLLEN produced = 0;   // bytes written to the target
    SQLLEN fullLength = 0; // bytes the complete result would take
    SQLLEN sourceUsed = 0; // source bytes covered by a text or binary copy
    bool truncated = false;
};

// Converts io.from into io.to; raises 22003, 22005, 22008, 07006 and the
// warning 01004 as described in BaseConvert.h.
VxStatus baseConvertValue(BaseConvertIo& io);
// The numeric, text and binary pairs.
VxStatus baseConvertNumeric(BaseConvertIo& io);
// Digits (INTERNAL_DIGITS, `fromLength` bytes) as the text the common form
// writes, at `out`, unterminated; the length written, or -1 (nothing
// meaningful written) when they are not plain digits of a scale of 0 or
// more, or need more than `room` characters.
SQLLEN baseDigitsAsText(const void* from, SQLLEN fromLength, char* out, SQLLEN room);
// Dates, times and timestamps to and from text and each other.
VxStatus baseConvertTemporal(BaseConvertIo& io);

bool baseIsTemporal(InternalType type);
// Raises 01004 "Data Truncated." when the flags ask for truncation reports.
void baseReportTruncation(const BaseConvertIo& io);
// Raises 22003 "Numeric overflow." and returns VX_ERROR.
VxStatus baseNumericOverflow();
// Raises 07006 for a pair of types that do not convert.
VxStatus baseCannotConvert();
// Room for text in the target: toSize less the terminator when one is
// written (never negative).
SQLLEN baseTextRoom(const BaseConvertIo& io);
// Writes the terminator after `length` text bytes when asked and there is
// room.
void baseTerminate(BaseConvertIo& io, SQLLEN length);
// The length of a text source, resolving SQL_NTS.
SQLLEN baseSourceLength(const BaseConvertIo& io);
