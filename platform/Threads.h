#pragma once
// Threads, under the Windows names.

#include "platform/Kernel.h"

// Below the threads that run at the normal priority, the user interface's among them.
inline constexpr int THREAD_PRIORITY_BELOW_NORMAL = -1;
inline constexpr int THREAD_PRIORITY_NORMAL = 0;

// The calling thread; only that thread can use it.
HANDLE GetCurrentThread();
// Sets the priority of the calling thread (given by GetCurrentThread) whenever it and other
// threads want a core.
BOOL SetThreadPriority(HANDLE Thread, int Priority);
// What the calling thread (given by GetCurrentThread) has waited for so far: the blocks it
// had read from a disk, the times it waited for anything (a disk, a volume, a lock), and the
// times it was made to wait for a core.
struct TThreadWaits {
  long DiskReads, Waits, Preemptions;
};
BOOL GetThreadWaits(HANDLE Thread, TThreadWaits* Waits);
