#include "player/player_types.h"
#include "player/video_sink.h"

namespace player {

TOverlay::TOverlay(int width, int height) : width_(width), height_(height) {
  const int cw = (width + 1) / 2, ch = (height + 1) / 2;
  pitches_[0] = width;
  pitches_[1] = pitches_[2] = cw;
  planes_[0].assign(static_cast<size_t>(width) * height, 16);
  planes_[1].assign(static_cast<size_t>(cw) * ch, 128);
  planes_[2].assign(static_cast<size_t>(cw) * ch, 128);
}

const char* PlayStateName(TPlayState state) {
  static const char* const names[] = {"Play", "Pause", "Resume", "Step", "Stop", "End"};
  return names[static_cast<int>(state)];
}

}  // namespace player
