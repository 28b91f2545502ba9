#pragma once
// The main-thread dispatcher: a worker hands a call to the main (UI) thread and waits while it runs.
// The GUI registers a wake-up that makes Qt's event loop call processPending(); tests and the CLI pump
// the queue themselves, usually through waitUntil(). A wait on the main thread must keep serving the
// queue (waitUntil does), otherwise a worker blocked in invokeAndWait could never finish.
#include <chrono>
#include <functional>

namespace base {

class MainThread {
 public:
  // The calling thread becomes the main thread. Until some thread is bound, calls run inline.
  static void bindCurrentThread();
  static void unbind();
  static bool isMainThread();

  // Runs fn on the main thread and returns when it has run (inline on the main thread itself).
  // An exception thrown by fn is rethrown to the caller.
  static void invokeAndWait(const std::function<void()>& fn);
  // Queues fn for the main thread without waiting.
  static void post(std::function<void()> fn);

  // Main thread only: runs every call queued so far; returns how many ran.
  static int processPending();
  // Main thread only: serves queued calls until pred() holds or the timeout passes; returns pred().
  static bool waitUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout);

  // Called (on the queuing thread) whenever a call is queued; the GUI uses it to wake its event loop.
  static void setWakeup(std::function<void()> wakeup);
};

}  // namespace base
