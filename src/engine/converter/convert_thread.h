#pragma once
// The worker thread of a task. Created suspended, like the platform threads it stands for: the thread
// starts running the task's worker body on Resume, at the priority it was created with.
#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

#include "engine/converter/thread_priority.h"

namespace engine {

class TConvertThread {
 public:
  TConvertThread(std::function<void()> ABody, TThreadPriority APriority);
  // Joins the thread when it was started.
  ~TConvertThread();
  TConvertThread(const TConvertThread&) = delete;
  TConvertThread& operator=(const TConvertThread&) = delete;

  // Starts the thread; later calls do nothing.
  void Resume();
  bool Started() const { return FStarted; }
  // True on the worker thread itself.
  bool IsCurrentThread() const;

 private:
  std::function<void()> FBody;
  const TThreadPriority FPriority;
  mutable std::mutex FStartLock;
  std::atomic<bool> FStarted{false};
  std::thread FThread;  // written once under FStartLock
};

}  // namespace engine
