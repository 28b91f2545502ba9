#pragma once
// A minimal multicast notification: a view connects to a control model and hears of every change.
#include <functional>
#include <map>

namespace app {

template <typename... Args>
class TSignal {
 public:
  using Slot = std::function<void(Args...)>;

  int Connect(Slot slot) {
    slots_.emplace(++lastId_, std::move(slot));
    return lastId_;
  }
  void Disconnect(int id) { slots_.erase(id); }
  // A slot may connect or disconnect others while it runs: emit over a copy.
  void operator()(Args... args) const {
    const auto copy = slots_;
    for (const auto& [id, slot] : copy) slot(args...);
  }

 private:
  std::map<int, Slot> slots_;
  int lastId_ = 0;
};

}  // namespace app
