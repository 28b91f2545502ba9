#include "engine/converter/terminate_delivery.h"

#include <chrono>

#include "base/main_thread.h"
#include "media/ff_logger.h"

namespace engine {

TDoTerminateThread::~TDoTerminateThread() {
  std::thread worker;
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
    worker = std::move(thread_);
  }
  changed_.notify_all();
  if (worker.joinable()) {
    if (worker.get_id() == std::this_thread::get_id())
      worker.detach();  // destroyed from inside a handler: the thread ends after it returns
    else
      worker.join();
  }
}

void TDoTerminateThread::Deliver(TTerminateEvent FOnTerminate, void* FSender,
                                 const TTerminateInfo& FTerminateInfo) {
  if (!FOnTerminate) return;
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(TItem{std::move(FOnTerminate), FSender, FTerminateInfo});
    if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
  }
  changed_.notify_all();
}

void TDoTerminateThread::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return quit_ || !queue_.empty(); });
    if (queue_.empty()) return;  // quit with nothing left to deliver
    TItem item = std::move(queue_.front());
    queue_.pop_front();
    busy_ = true;
    lock.unlock();
    try {
      item.Handler(item.Sender, item.Info);
    } catch (const std::exception& e) {
      // Nobody waits for this thread, so the error can only be logged.
      media::FFLogger().Log(this, media::TLogLevel::llError, std::string("OnTerminate: ") + e.what());
    } catch (...) {
      media::FFLogger().Log(this, media::TLogLevel::llError, "OnTerminate: unknown error");
    }
    lock.lock();
    busy_ = false;
    changed_.notify_all();
  }
}

bool TDoTerminateThread::Idle() const {
  std::lock_guard lock(mutex_);
  return queue_.empty() && !busy_;
}

bool TDoTerminateThread::OnDeliveryThread() const {
  std::lock_guard lock(mutex_);
  return thread_.joinable() && thread_.get_id() == std::this_thread::get_id();
}

void TDoTerminateThread::WaitIdle() {
  if (OnDeliveryThread()) return;  // a handler waiting for itself would never return
  if (base::MainThread::isMainThread()) {
    while (!base::MainThread::waitUntil([this] { return Idle(); }, std::chrono::hours(1))) {
    }
    return;
  }
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return queue_.empty() && !busy_; });
}

}  // namespace engine
