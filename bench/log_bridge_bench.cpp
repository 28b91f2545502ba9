// The log bridge's cost per library message: dropped by the threshold, delivered on the main thread, and
// handed over from a worker thread to the main thread.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "base/main_thread.h"
#include "media/av.h"
#include "media/ff_logger.h"
#include "media/ffmpeg_loader.h"

namespace {

using Clock = std::chrono::steady_clock;

template <typename Body>
double nanosPerCall(int calls, Body body) {
  const auto start = Clock::now();
  body(calls);
  return std::chrono::duration<double, std::nano>(Clock::now() - start).count() / calls;
}

}  // namespace

int main() {
  media::SetupFloatingPoint();
  base::MainThread::bindCurrentThread();
  if (!media::Loader().Load(media::TLibrary::avUtil)) {
    std::fprintf(stderr, "%s\n", media::Loader().LastErrMsg().c_str());
    return 1;
  }
  std::atomic<long> delivered{0};
  media::FFLogger().SetOnLog(
      [&](const void*, uint32_t, media::TLogLevel, const std::string&) { ++delivered; });

  const double dropped = nanosPerCall(2000000, [](int n) {
    for (int i = 0; i < n; ++i) av::av_log(nullptr, AV_LOG_DEBUG, "frame %d skipped\n", i);
  });
  const double direct = nanosPerCall(200000, [](int n) {
    for (int i = 0; i < n; ++i) av::av_log(nullptr, AV_LOG_INFO, "frame %d written\n", i);
  });
  const double handedOver = nanosPerCall(50000, [](int n) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
      for (int i = 0; i < n; ++i) av::av_log(nullptr, AV_LOG_INFO, "frame %d written\n", i);
      done = true;
    });
    base::MainThread::waitUntil([&] { return done.load(); }, std::chrono::minutes(10));
    worker.join();
  });
  std::printf(
      "log bridge, ns per message: dropped by threshold %.1f, delivered on main thread %.1f, "
      "worker to main thread %.1f (%ld lines delivered)\n",
      dropped, direct, handedOver, delivered.load());
  return 0;
}
