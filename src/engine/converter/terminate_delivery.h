#pragma once
// Delivers OnTerminate notifications of a threaded run away from the workers: each notification gets its
// own copy of the payload and is handed to a delivery thread, which calls the handler and is never waited
// for by the worker. One thread serves a queue so that notifications arrive in the order they were made
// (a task's notification before the final one of the run).
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "engine/records/options_records.h"

namespace engine {

class TDoTerminateThread {
 public:
  TDoTerminateThread() = default;
  // Delivers what is still queued, then ends the thread.
  ~TDoTerminateThread();
  TDoTerminateThread(const TDoTerminateThread&) = delete;
  TDoTerminateThread& operator=(const TDoTerminateThread&) = delete;

  // Queues a private copy of the payload for FOnTerminate; returns at once.
  void Deliver(TTerminateEvent FOnTerminate, void* FSender, const TTerminateInfo& FTerminateInfo);

  // Waits until every notification queued so far has been delivered. On the main thread the wait keeps
  // serving main-thread hand-overs, since a handler may be waiting for the main thread.
  void WaitIdle();
  bool Idle() const;
  // True on the delivery thread itself (inside a handler).
  bool OnDeliveryThread() const;

 private:
  struct TItem {
    TTerminateEvent Handler;
    void* Sender;
    TTerminateInfo Info;
  };
  void Run();

  // -- All of the following fields are guarded by mutex_.
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<TItem> queue_;
  bool busy_ = false;  // a handler is running
  bool quit_ = false;
  std::thread thread_;  // started on the first notification
};

}  // namespace engine
