// The system-call table in force, for the foundation's own callers: one
// load and an indirect call per system call.
#pragma once

#include "util/BosSystemCalls.h"

extern const BosSystemCalls* bosCallsInForce;

inline const BosSystemCalls& bosCalls() {
    return *bosCallsInForce;
}
