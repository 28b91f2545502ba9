#pragma once
// Where a paused worker halts: the top of its packet loop, holding no lock of the system.
#include <atomic>
#include <condition_variable>
#include <mutex>

namespace engine {

class TPauseGate {
 public:
  // Returns whether this call closed an open gate.
  bool Close() {
    std::lock_guard lock(mutex_);
    const bool was = closed_;
    closed_ = true;
    closedFast_ = true;
    return !was;
  }
  // Returns whether this call opened a closed gate.
  bool Open() {
    bool was;
    {
      std::lock_guard lock(mutex_);
      was = closed_;
      closed_ = false;
      closedFast_ = false;
    }
    cv_.notify_all();
    return was;
  }
  // Cheap, without the lock; may be stale by the time the caller acts on it.
  bool MaybeClosed() const { return closedFast_.load(std::memory_order_acquire); }
  bool IsClosed() const {
    std::lock_guard lock(mutex_);
    return closed_;
  }
  // Blocks while the gate is closed and AReleased is false. Whoever sets AReleased must call Open()
  // afterwards (or Wake()) so that a waiting worker looks again.
  void Pass(const std::atomic<bool>& AReleased) {
    if (!closedFast_.load(std::memory_order_acquire)) return;  // the usual case: no lock per packet
    std::unique_lock lock(mutex_);
    ++waiters_;
    cv_.wait(lock, [&] { return !closed_ || AReleased.load(); });
    --waiters_;
  }
  // Threads halted at the gate right now.
  int Waiters() const {
    std::lock_guard lock(mutex_);
    return waiters_;
  }
  void Wake() {
    { std::lock_guard lock(mutex_); }
    cv_.notify_all();
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  bool closed_ = false;                  // guarded by mutex_
  int waiters_ = 0;                      // guarded by mutex_
  std::atomic<bool> closedFast_{false};  // a copy of closed_ readable without the lock
};

}  // namespace engine
