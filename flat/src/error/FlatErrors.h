// Raising the flat engine's messages (ids 3800-4099).
//
// The texts live in the engine's own table (FlatMessages.def); each message
// also carries the SQLSTATE it is reported with unless the caller names
// another. Every function adds one record to the calling thread's current
// error list and returns it, so that the message's placeholders can be
// filled in order:
//
//     addFlatError(FLAT_MSG_UNKNOWN_FUNCTION_3920) << name;
//
// The record's native code is the message id, as for every driver message.
#pragma once

#include <cstddef>

#include "util/VxError.h"
#include "util/VxMessageTable.h"

// The engine's message table.
const VxMessageTable& flatMessageTable();

// The text of message `id` copied into `buffer` (at most size - 1 bytes,
// always terminated); an id outside the table gives "". Returns the length.
std::size_t flatLoadString(unsigned short id, char* buffer, std::size_t size);

// The ODBC id of the SQLSTATE that message `id` is reported with by
// default; S1000's id for an id outside the table.
unsigned short flatMessageOdbcId(unsigned short id);

// Error `id` with its default SQLSTATE.
VxError& addFlatError(unsigned short id);
// Error `id` reported with the SQLSTATE of `odbcId`.
VxError& addFlatError(unsigned short odbcId, unsigned short id);
// Error `id` reported as a syntax error or access violation (37000): the
// form every parser message takes.
VxError& addFlatSyntaxError(unsigned short id);
// Warning `id` with its default SQLSTATE.
VxError& addFlatWarning(unsigned short id);

// Messages the expression layer raises.
enum FlatMessageId : unsigned short {
    FLAT_MSG_INCORRECT_MINUTE = 3938,
    FLAT_MSG_INCORRECT_SECOND = 3939,
    FLAT_MSG_INVALID_DATE = 3940,
    FLAT_MSG_INCORRECT_MONTH = 3941,
    FLAT_MSG_INCORRECT_DAY = 3942,
    FLAT_MSG_INCORRECT_HOUR = 3943,
    FLAT_MSG_FLOATING_POINT = 3944,
    FLAT_MSG_STRING_TOO_LONG = 3945,
    FLAT_MSG_STACK_OVERFLOW = 3946,
    FLAT_MSG_INVALID_SCALE = 3949,
    FLAT_MSG_CHR_RANGE = 3952,
    FLAT_MSG_SUBQUERY_ROWS = 3996,
    FLAT_MSG_PARAM_NO_VALUE = 4000,
};
