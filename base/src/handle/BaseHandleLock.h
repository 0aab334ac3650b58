// The process-wide lock under which busy marks are tested and set, and the
// statement lists of connections change, so that a busy check and the
// marking that follows are one step for every thread.
#pragma once

#include <mutex>

std::mutex& baseHandleMutex();
