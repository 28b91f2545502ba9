#pragma once
// Waiting that keeps the main thread responsive: on the main thread pending cross-thread calls are served
// (an engine thread may be waiting for one), elsewhere it simply polls.
#include <chrono>
#include <functional>

namespace player {

bool WaitServing(const std::function<bool()>& pred, std::chrono::milliseconds timeout);

}  // namespace player
