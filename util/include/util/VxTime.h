// Time stamps for traces and logs.
#pragma once

#include "util/VxExport.h"

class VX_EXPORT VxTime {
public:
    // Writes the current UTC time as "hh:mm:ss.cc" (11 bytes, no NUL) and
    // returns 11.
    static int getCurrentTimeStamp(char* buffer);
};
