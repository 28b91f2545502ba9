#pragma once
// A display surface in memory: records what the player shows, for tests, benchmarks and the CLI.
#include <mutex>
#include <vector>

#include "player/video_sink.h"

namespace player {

class TMemoryVideoSink : public VideoSink {
 public:
  TMemoryVideoSink(int clientWidth = 0, int clientHeight = 0)
      : clientW_(clientWidth), clientH_(clientHeight) {}

  int ClientWidth() const override { return clientW_; }
  int ClientHeight() const override { return clientH_; }
  bool SetVideoMode(int width, int height, bool fullScreen) override;
  void FillRect(const TRect& rect, uint32_t rgb) override;
  void DisplayOverlay(const TOverlay& overlay, const TRect& rect) override;
  void Present() override;
  void PositionChanged() override;

  // What has been recorded (any thread).
  int SurfaceWidth() const;
  int SurfaceHeight() const;
  int ModeChanges() const;
  int Presents() const;
  int PositionChanges() const;
  // The presentation times of the overlays shown, one entry per DisplayOverlay call.
  std::vector<double> ShownPTS() const;
  // The surface pixel (0xRRGGBB) as last filled; overlays are not painted into the surface.
  uint32_t Pixel(int x, int y) const;
  // Pixels of the surface that are not black.
  int LitPixels() const;
  TRect LastOverlayRect() const;

 private:
  const int clientW_, clientH_;
  mutable std::mutex lock_;
  // -- Guarded by lock_.
  int width_ = 0, height_ = 0;
  std::vector<uint32_t> surface_;
  std::vector<double> shown_;
  TRect lastRect_;
  int modeChanges_ = 0, presents_ = 0, positionChanges_ = 0;
};

}  // namespace player
