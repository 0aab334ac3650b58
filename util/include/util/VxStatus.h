// The outcome of every internal operation of the system.
//
// An operation that fails adds one record to the calling thread's current
// error list (VxError.h) at the point of failure and returns VX_ERROR; its
// callers pass VX_ERROR up without adding anything. "Not found", "no data"
// and "end of file" are never statuses: they travel in out-parameters.
#pragma once

enum [[nodiscard]] VxStatus : int{
    VX_SUCCESS = 0,
    VX_ERROR = 1,
};

// Kind of a record handed to the VxError constructor and addDatabaseError.
// Only ERROR_TYPE_WARNING makes a warning; every other value is an error.
enum ErrorType : int {
    ERROR_TYPE_ERROR = 0,
    ERROR_TYPE_WARNING = 1,
};

// What a VxErrorList holds (VxErrorList::getErrorsMix).
enum ErrorsMix : int {
    ERRORS_MIX_NONE = 0,
    ERRORS_MIX_BOTH = 1,
    ERRORS_MIX_ERRORS = 2,
    ERRORS_MIX_WARNINGS = 3,
};
