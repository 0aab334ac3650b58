// The semaphore pool's life cycle, for the per-task table and for tests.
#pragma once

// Deletes the pool of per-task slot 11 with the semaphores of global slots.
void vxSemaphoreDeletePool();
// Reads the environment variables again and refills the quota, so tests
// can try other settings.
void vxSemaphoreReloadPool();
