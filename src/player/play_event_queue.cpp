#include "player/play_event_queue.h"

namespace player {

void TPlayEvent::Post(TPlayEventKind kind, int64_t value) {
  {
    std::lock_guard lock(Lock);
    if (Header == Tailer || Events[Tailer].kind != kind) {
      Tailer = (Tailer + 1) % kSlots;
      if (Tailer == Header) Header = (Header + 1) % kSlots;  // full: drop the oldest
    }
    Events[Tailer] = {kind, 0, value};
  }
  Event.set();
}

bool TPlayEvent::Take(TPlayEventEntry& entry) {
  std::lock_guard lock(Lock);
  if (Header == Tailer) {
    Event.reset();
    return false;
  }
  Header = (Header + 1) % kSlots;
  entry = Events[Header];
  if (Header == Tailer) Event.reset();
  return true;
}

int TPlayEvent::Count() const {
  std::lock_guard lock(Lock);
  return (Tailer - Header + kSlots) % kSlots;
}

void TPlayEvent::Clear() {
  std::lock_guard lock(Lock);
  Header = Tailer = 0;
  Event.reset();
}

}  // namespace player
