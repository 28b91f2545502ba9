#pragma once
// Worker thread priorities and how they land on Linux.
namespace engine {

// The platform's priority scale, lowest first.
enum class TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// Applies a priority to the calling thread: SCHED_IDLE for tpIdle, nice 10 / 5 / 0 for lowest, lower,
// normal. Raising above normal needs privileges an ordinary user lacks; those levels are tried and fall
// back to normal. Returns false when the system refused the requested level.
bool ApplyThreadPriority(TThreadPriority APriority);

// The nice value a priority asks for (tpIdle: its nice value under SCHED_IDLE, 19).
int NiceValueOf(TThreadPriority APriority);

}  // namespace engine
