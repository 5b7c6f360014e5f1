#include "platform/Threads.h"

#include <sys/resource.h>
#include <unistd.h>

namespace {
// Stands for the calling thread, as Windows's pseudo handle does.
char CurrentThread;
} // namespace

HANDLE GetCurrentThread() { return &CurrentThread; }

BOOL SetThreadPriority(HANDLE Thread, int Priority) {
  if (Thread != &CurrentThread || Priority < THREAD_PRIORITY_BELOW_NORMAL || Priority > THREAD_PRIORITY_NORMAL)
    return 0;
  // Linux takes a nice value per thread. At 13 a normal thread gets about eighteen times the
  // share of a core of each such thread, so the user interface's thread keeps most of a core
  // while half a dozen of them want the same one (at 10 it waited up to 15 ms behind a scan).
  return setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), Priority < 0 ? 13 : 0) == 0;
}

BOOL GetThreadWaits(HANDLE Thread, TThreadWaits* Waits) {
  rusage usage;
  if (Thread != &CurrentThread || !Waits || getrusage(RUSAGE_THREAD, &usage) != 0) return 0;
  *Waits = {usage.ru_inblock, usage.ru_nvcsw, usage.ru_nivcsw};
  return 1;
}
