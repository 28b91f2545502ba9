#include "player/memory_video_sink.h"

#include <algorithm>

namespace player {

bool TMemoryVideoSink::SetVideoMode(int width, int height, bool) {
  if (width <= 0 || height <= 0) return false;
  std::lock_guard lock(lock_);
  width_ = width;
  height_ = height;
  surface_.assign(static_cast<size_t>(width) * height, 0);
  ++modeChanges_;
  return true;
}

void TMemoryVideoSink::FillRect(const TRect& rect, uint32_t rgb) {
  std::lock_guard lock(lock_);
  const int x0 = std::max(rect.x, 0), y0 = std::max(rect.y, 0);
  const int x1 = std::min(rect.x + rect.w, width_), y1 = std::min(rect.y + rect.h, height_);
  for (int y = y0; y < y1; ++y)
    std::fill(surface_.begin() + static_cast<size_t>(y) * width_ + x0,
              surface_.begin() + static_cast<size_t>(y) * width_ + x1, rgb);
}

void TMemoryVideoSink::DisplayOverlay(const TOverlay& overlay, const TRect& rect) {
  std::lock_guard lock(lock_);
  shown_.push_back(overlay.pts);
  lastRect_ = rect;
}

void TMemoryVideoSink::Present() {
  std::lock_guard lock(lock_);
  ++presents_;
}

void TMemoryVideoSink::PositionChanged() {
  std::lock_guard lock(lock_);
  ++positionChanges_;
}

int TMemoryVideoSink::SurfaceWidth() const {
  std::lock_guard lock(lock_);
  return width_;
}
int TMemoryVideoSink::SurfaceHeight() const {
  std::lock_guard lock(lock_);
  return height_;
}
int TMemoryVideoSink::ModeChanges() const {
  std::lock_guard lock(lock_);
  return modeChanges_;
}
int TMemoryVideoSink::Presents() const {
  std::lock_guard lock(lock_);
  return presents_;
}
int TMemoryVideoSink::PositionChanges() const {
  std::lock_guard lock(lock_);
  return positionChanges_;
}
std::vector<double> TMemoryVideoSink::ShownPTS() const {
  std::lock_guard lock(lock_);
  return shown_;
}
uint32_t TMemoryVideoSink::Pixel(int x, int y) const {
  std::lock_guard lock(lock_);
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  return surface_[static_cast<size_t>(y) * width_ + x];
}
int TMemoryVideoSink::LitPixels() const {
  std::lock_guard lock(lock_);
  return static_cast<int>(std::count_if(surface_.begin(), surface_.end(), [](uint32_t p) { return p != 0; }));
}
TRect TMemoryVideoSink::LastOverlayRect() const {
  std::lock_guard lock(lock_);
  return lastRect_;
}

}  // namespace player
