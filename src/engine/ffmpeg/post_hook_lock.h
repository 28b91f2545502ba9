#pragma once
// The process-wide post-hook lock: guards every change of a task's post hooks and every post-hook run.
#include <mutex>

namespace engine {

std::recursive_mutex& PostHookLock();

}  // namespace engine
