// Plays generated 720p and 1080p clips for 10 s each through the preview player (SDL's dummy audio
// driver, an in-memory sink) and prints dropped pictures, time to the first picture and the A/V difference.
// Targets on the reference machine: no drops at 720p, under 1 % at 1080p, first picture within 150 ms,
// average A/V difference under 20 ms.
#include <cstdio>
#include <cstdlib>

#include "base/main_thread.h"
#include "fixtures/player_clips.h"
#include "media/ffmpeg_loader.h"
#include "player/media_player.h"
#include "player/memory_video_sink.h"

int main() {
  media::SetupFloatingPoint();
  base::MainThread::bindCurrentThread();
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  if (!media::Loader().Load(media::kPlayerLibraries)) {
    std::fprintf(stderr, "%s\n", media::Loader().LastErrMsg().c_str());
    return 1;
  }
  const struct { int width, height; } sizes[] = {{1280, 720}, {1920, 1080}};
  std::printf("%-10s %8s %8s %8s %14s %12s\n", "clip", "shown", "dropped", "drop %", "first pic ms",
              "A/V diff ms");
  for (const auto& s : sizes) {
    const std::string clip = fixtures::PlayerBenchClip(s.width, s.height, 10.0);
    player::TMediaPlayer mp;
    player::TMemoryVideoSink sink(s.width, s.height);
    bool ended = false;
    mp.OnState = [&](player::TCustomPlayer*, player::TPlayState st) {
      if (st == player::TPlayState::psEnd || st == player::TPlayState::psStop) ended = true;
    };
    if (!mp.Open(clip, &sink, false)) {
      std::fprintf(stderr, "%s\n", mp.LastErrMsg().c_str());
      return 1;
    }
    base::MainThread::waitUntil([&] { return ended; }, std::chrono::seconds(30));
    const auto stats = mp.Stats();
    mp.Stop(true);
    const int total = stats.PicturesShown + stats.PicturesDropped;
    std::printf("%4dx%-5d %8d %8d %8.2f %14.1f %12.2f\n", s.width, s.height, stats.PicturesShown,
                stats.PicturesDropped, total ? 100.0 * stats.PicturesDropped / total : 0.0,
                stats.FirstPictureDelay * 1000.0, stats.AverageAVDiff * 1000.0);
  }
  return 0;
}
