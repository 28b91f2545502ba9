#pragma once
// TPlayEvent: the queue between the engine's threads and the event thread. Ten slots hold at most nine
// entries; consecutive events of the same kind fold into one (the newest value wins), and when full the
// oldest entry is dropped, so a busy receiver never holds up playback.
#include <cstdint>
#include <mutex>

#include "base/manual_reset_event.h"

namespace player {

enum class TPlayEventKind : int32_t { pePosition = 1, peState = 2, peEndThread = 3 };

struct TPlayEventEntry {
  TPlayEventKind kind;
  int32_t spare;
  int64_t value;  // position in microseconds, or the TPlayState
};

class TPlayEvent {
 public:
  static constexpr int kSlots = 10;

  void Post(TPlayEventKind kind, int64_t value);
  // Takes the oldest entry; false when empty. Clears Event when the queue becomes empty.
  bool Take(TPlayEventEntry& entry);
  int Count() const;
  void Clear();
  // Set while the queue is not empty.
  base::ManualResetEvent Event;

 private:
  mutable std::mutex Lock;
  // -- Guarded by Lock. Header = Tailer means empty; Tailer is the newest entry's slot.
  int Header = 0;
  int Tailer = 0;
  TPlayEventEntry Events[kSlots]{};
};

}  // namespace player
