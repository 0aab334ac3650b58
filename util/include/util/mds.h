// Per-task (per-process) and per-thread data.
//
// The per-task table holds 13 pointer slots shared by every thread of the
// process and a usage count (one per ODBC environment or other client).
// The last mdsPerTaskTerm discards the thread table, deletes the semaphore
// pool with the semaphores of the global slots, and clears every slot but
// the allocator's (its arena chain still holds the blocks in use).
//
// The thread table holds 2 slots and a usage count for each thread that
// joined it; slot 0 is the thread's current error list. Reading a slot is
// lock-free and never fails; a thread that is not in the table reads null.
// Discarding the table (mdsPerThreadTerm) drops every thread at once.
#pragma once

#include "util/VxExport.h"
#include "util/VxStatus.h"

enum PerTaskData : int {
    PER_TASK_ALLOCATOR = 0,
    PER_TASK_DBLIB_INITS = 1,
    PER_TASK_SQLBASE = 3,
    PER_TASK_BLOCK_CACHE = 4,
    PER_TASK_SHARED_CONNECTION = 6,
    PER_TASK_SHARED_DATUM = 7,
    PER_TASK_FRAMEWORK_1 = 8,
    PER_TASK_FRAMEWORK_2 = 9,
    PER_TASK_SEMAPHORE_POOL = 11,
    PER_TASK_THREAD_TABLE = 12,
    PER_TASK_SLOT_COUNT = 13,
};

enum PerThreadData : int {
    PER_THREAD_ERROR_LIST = 0,
    PER_THREAD_SLOT_COUNT = 2,
};

VX_EXPORT int mdsPerTaskInit();
VX_EXPORT void mdsPerTaskTerm();
VX_EXPORT bool mdsIsTaskInit();
VX_EXPORT void* mdsGetPerTaskData(int slot);
VX_EXPORT void mdsSetPerTaskData(int slot, void* value);
VX_EXPORT void** mdsGetPerTaskDataAddress(int slot);

// Counts one more use of the table by the calling thread, adding it first.
VX_EXPORT void mdsPerThreadInit();
VX_EXPORT void mdsPerThreadTerm();
VX_EXPORT bool mdsIsThreadInit();
// Null when the calling thread never set anything.
VX_EXPORT void* mdsGetPerThreadData(int slot);
VX_EXPORT void** mdsGetPerThreadDataAddress(int slot);
// Adds the calling thread to the table first when needed. Fails (without
// an error record: the error lists themselves use these slots) only for a
// slot number out of range.
VX_EXPORT VxStatus mdsSetPerThreadData(int slot, void* value);
