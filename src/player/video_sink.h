#pragma once
// Where the player's pictures go: the host's display surface. The Qt video widget implements it in the app;
// tests use TMemoryVideoSink. The sink is called from the player's play thread only.
#include <cstdint>
#include <mutex>
#include <vector>

namespace player {

struct TRect {
  int x = 0, y = 0, w = 0, h = 0;
};

// A display overlay: one planar YV12 picture (planes Y, V, U, as the classic overlays store them).
class TOverlay {
 public:
  TOverlay(int width, int height);
  int Width() const { return width_; }
  int Height() const { return height_; }
  uint8_t* Plane(int i) { return planes_[i].data(); }
  const uint8_t* Plane(int i) const { return planes_[i].data(); }
  int Pitch(int i) const { return pitches_[i]; }
  // Held while the overlay is written or read (copying in, CurrentFrame, drawing).
  std::mutex& Lock() const { return lock_; }
  double pts = 0;  // presentation time of the picture in it (seconds), for the sink's bookkeeping

 private:
  int width_, height_;
  int pitches_[3];
  std::vector<uint8_t> planes_[3];
  mutable std::mutex lock_;
};

class VideoSink {
 public:
  virtual ~VideoSink() = default;
  // The host's drawing area size (0 when unknown).
  virtual int ClientWidth() const = 0;
  virtual int ClientHeight() const = 0;
  // The desktop size, for full-screen display.
  virtual int DesktopWidth() const { return 0; }
  virtual int DesktopHeight() const { return 0; }
  // (Re)creates the display surface at this size; false when it cannot.
  virtual bool SetVideoMode(int width, int height, bool fullScreen) = 0;
  // Fills a rectangle of the surface with a colour (0xRRGGBB).
  virtual void FillRect(const TRect& rect, uint32_t rgb) = 0;
  // Shows an overlay scaled into a rectangle of the surface. The overlay is locked by the caller.
  virtual void DisplayOverlay(const TOverlay& overlay, const TRect& rect) = 0;
  // Makes what was drawn since the last call visible.
  virtual void Present() {}
  // The host window moved or changed size.
  virtual void PositionChanged() {}
};

}  // namespace player
