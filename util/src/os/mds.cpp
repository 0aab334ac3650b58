// Provisional per-task and per-thread tables. Replaced by the thread table.
#include "util/mds.h"

namespace {
void* taskSlots[PER_TASK_SLOT_COUNT];
int taskUsers;
thread_local void* threadSlots[PER_THREAD_SLOT_COUNT];
} // namespace

int mdsPerTaskInit() { return ++taskUsers, 1; }
void mdsPerTaskTerm() { --taskUsers; }
bool mdsIsTaskInit() { return taskUsers != 0; }
void* mdsGetPerTaskData(int slot) { return taskSlots[slot]; }
void mdsSetPerTaskData(int slot, void* value) { taskSlots[slot] = value; }
void** mdsGetPerTaskDataAddress(int slot) { return &taskSlots[slot]; }
void mdsPerThreadInit() {}
void mdsPerThreadTerm() {}
bool mdsIsThreadInit() { return true; }
void* mdsGetPerThreadData(int slot) { return threadSlots[slot]; }
void** mdsGetPerThreadDataAddress(int slot) { return &threadSlots[slot]; }
VxStatus mdsSetPerThreadData(int slot, void* value) {
    threadSlots[slot] = value;
    return VX_SUCCESS;
}
