#pragma once
// A manual-reset event: stays signalled until reset, like the platform event objects the engine waits on.
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace base {

class ManualResetEvent {
 public:
  explicit ManualResetEvent(bool signalled = false) : signalled_(signalled) {}

  void set() {
    {
      std::lock_guard lock(mutex_);
      signalled_ = true;
    }
    cv_.notify_all();
  }
  void reset() {
    std::lock_guard lock(mutex_);
    signalled_ = false;
  }
  bool isSet() const {
    std::lock_guard lock(mutex_);
    return signalled_;
  }
  void wait() const {
    std::unique_lock lock(mutex_);
    cv_.wait(lock, [this] { return signalled_; });
  }
  // Returns true when signalled within the timeout.
  bool waitFor(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, timeout, [this] { return signalled_; });
  }

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable cv_;
  bool signalled_;  // guarded by mutex_
};

}  // namespace base
