#include "player/wait_util.h"

#include <thread>

#include "base/main_thread.h"

namespace player {

bool WaitServing(const std::function<bool()>& pred, std::chrono::milliseconds timeout) {
  if (base::MainThread::isMainThread()) return base::MainThread::waitUntil(pred, timeout);
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (pred()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

}  // namespace player
