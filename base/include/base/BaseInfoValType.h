// BaseInfoValType: the kind of an SQLGetInfo value, as tables and the
// driver's getAskedForInfo hook report it.
//
// For the integer kinds a hook stores the number itself in the void* it
// hands back (cast through std::uintptr_t); for the string kinds a pointer
// to a NUL-terminated text that stays valid while the connection lives.
#pragma once

enum BaseInfoValType : int {
    INFO_VAL_U16 = 0,      // 16-bit integer
    INFO_VAL_MASK32 = 1,   // 32-bit bit mask
    INFO_VAL_U32 = 2,      // 32-bit integer
    INFO_VAL_STRING = 3,   // string
    INFO_VAL_RESOURCE = 4, // number of a driver string resource
    INFO_VAL_ASK = 5,      // ask the driver (getAskedForInfo)
    INFO_VAL_NOT_FOUND = 6,
    INFO_VAL_STRING_LIST = 7, // NUL-terminated list of strings, concatenated
};
