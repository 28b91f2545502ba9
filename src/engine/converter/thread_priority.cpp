#include "engine/converter/thread_priority.h"

#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace engine {

int NiceValueOf(TThreadPriority APriority) {
  switch (APriority) {
    case TThreadPriority::tpIdle:
      return 19;
    case TThreadPriority::tpLowest:
      return 10;
    case TThreadPriority::tpLower:
      return 5;
    case TThreadPriority::tpNormal:
      return 0;
    case TThreadPriority::tpHigher:
      return -5;
    case TThreadPriority::tpHighest:
      return -10;
    case TThreadPriority::tpTimeCritical:
      return -20;
  }
  return 0;
}

bool ApplyThreadPriority(TThreadPriority APriority) {
  // On Linux a nice value set with the thread id affects that thread only.
  const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
  sched_param param{};
  const int policy = APriority == TThreadPriority::tpIdle ? SCHED_IDLE : SCHED_OTHER;
  bool ok = ::sched_setscheduler(0, policy, &param) == 0;
  if (::setpriority(PRIO_PROCESS, tid, NiceValueOf(APriority)) != 0) {
    ok = false;
    // Above normal is refused without privileges: stay at normal.
    if (APriority > TThreadPriority::tpNormal) ::setpriority(PRIO_PROCESS, tid, 0);
  }
  return ok;
}

}  // namespace engine
