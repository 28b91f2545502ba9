#include "base/main_thread.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace base {
namespace {

struct PendingCall {
  std::function<void()> fn;
  bool waited = false;
  bool done = false;
  std::exception_ptr error;
};

// -- All of the following is guarded by mutex.
std::mutex mutex;
std::condition_variable changed;  // a call was queued or finished
std::deque<std::shared_ptr<PendingCall>> queue;
std::optional<std::thread::id> mainId;
std::function<void()> wakeupHook;

void enqueue(const std::shared_ptr<PendingCall>& call) {
  std::function<void()> wakeup;
  {
    std::lock_guard lock(mutex);
    queue.push_back(call);
    wakeup = wakeupHook;
  }
  changed.notify_all();
  if (wakeup) wakeup();
}

}  // namespace

void MainThread::bindCurrentThread() {
  std::lock_guard lock(mutex);
  mainId = std::this_thread::get_id();
}

void MainThread::unbind() {
  std::lock_guard lock(mutex);
  mainId.reset();
}

bool MainThread::isMainThread() {
  std::lock_guard lock(mutex);
  return !mainId || *mainId == std::this_thread::get_id();
}

void MainThread::invokeAndWait(const std::function<void()>& fn) {
  if (isMainThread()) {
    fn();
    return;
  }
  auto call = std::make_shared<PendingCall>();
  call->fn = fn;
  call->waited = true;
  enqueue(call);
  std::unique_lock lock(mutex);
  changed.wait(lock, [&] { return call->done; });
  if (call->error) std::rethrow_exception(call->error);
}

void MainThread::post(std::function<void()> fn) {
  if (!fn) return;
  auto call = std::make_shared<PendingCall>();
  call->fn = std::move(fn);
  enqueue(call);
}

int MainThread::processPending() {
  int ran = 0;
  for (;;) {
    std::shared_ptr<PendingCall> call;
    {
      std::lock_guard lock(mutex);
      if (queue.empty()) break;
      call = queue.front();
      queue.pop_front();
    }
    try {
      call->fn();
    } catch (...) {
      // A posted call has nobody to report to; a waited one hands the error back to its caller.
      if (call->waited) call->error = std::current_exception();
    }
    {
      std::lock_guard lock(mutex);
      call->done = true;
    }
    changed.notify_all();
    ++ran;
  }
  return ran;
}

bool MainThread::waitUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    processPending();
    if (pred()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::unique_lock lock(mutex);
    // Wake for a queued call, or re-check the predicate every few milliseconds.
    changed.wait_for(lock, std::chrono::milliseconds(5), [] { return !queue.empty(); });
  }
}

void MainThread::setWakeup(std::function<void()> wakeup) {
  std::lock_guard lock(mutex);
  wakeupHook = std::move(wakeup);
}

}  // namespace base
