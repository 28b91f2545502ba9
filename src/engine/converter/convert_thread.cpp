#include "engine/converter/convert_thread.h"

#include <utility>

namespace engine {

TConvertThread::TConvertThread(std::function<void()> ABody, TThreadPriority APriority)
    : FBody(std::move(ABody)), FPriority(APriority) {}

TConvertThread::~TConvertThread() {
  std::lock_guard lock(FStartLock);
  if (!FThread.joinable()) return;
  if (FThread.get_id() == std::this_thread::get_id())
    FThread.detach();  // freed by its own body: the thread ends right after
  else
    FThread.join();
}

void TConvertThread::Resume() {
  std::lock_guard lock(FStartLock);
  if (FStarted) return;
  FStarted = true;
  FThread = std::thread([this] {
    // A refused priority leaves the thread at normal priority, which only changes its speed.
    ApplyThreadPriority(FPriority);
    FBody();
  });
}

bool TConvertThread::IsCurrentThread() const {
  std::lock_guard lock(FStartLock);
  return FThread.joinable() && FThread.get_id() == std::this_thread::get_id();
}

}  // namespace engine
