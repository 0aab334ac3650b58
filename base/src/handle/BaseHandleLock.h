// The process-wide lock under which busy marks are tested and set, and the
// statement lists of connections change, so that a busy check and the
// marking that follows are one step for every thread.
#pragma once

#include <mutex>

std::mutex& baseHandleMutex();

// The lock under which statements name their cursors and look up the names
// of the other statements of their connection, which may be in calls on
// other threads. Taken before the handle mutex, never inside it.
std::mutex& baseCursorNameMutex();
