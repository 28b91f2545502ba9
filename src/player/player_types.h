#pragma once
// The player's public enumerations, event signatures and picture type.
#include <cstdint>
#include <functional>
#include <vector>

namespace player {

enum class TPlayState { psPlay, psPause, psResume, psStep, psStop, psEnd };
enum class TRepeatType { rtNone, rtStop, rtLoop };
// What is drawn for a file without picture: nothing, the waveform, the spectrum.
enum class TShowAudio { saNone, saWave, saRDFT };
enum class TAudioDriver { adDefault, adDirectSound, adWaveOut };
enum class TVideoDriver { vdDefault, vdDirectDraw, vdGDI };
enum class Tav_sync_type { AV_SYNC_AUDIO_MASTER, AV_SYNC_VIDEO_MASTER, AV_SYNC_EXTERNAL_CLOCK };

// Seek flags map bit for bit to the libraries' AVSEEK_FLAG_* values.
enum TSeekFlag : int { sfNone = 0, sfBackward = 1, sfByte = 2, sfAny = 4, sfFrame = 8 };
using TSeekFlags = int;

constexpr int64_t kNoPTS = INT64_MIN;  // AV_NOPTS_VALUE: "not set"

// A 24-bit picture, rows top-down, bytes in B, G, R order as in a device-independent bitmap.
struct TBitmap {
  int Width = 0;
  int Height = 0;
  std::vector<uint8_t> Pixels;  // Width * 3 bytes per row, no padding
  int Stride() const { return Width * 3; }
  void SetSize(int width, int height) {
    Width = width;
    Height = height;
    Pixels.assign(static_cast<size_t>(width) * height * 3, 0);
  }
  uint8_t* Row(int y) { return Pixels.data() + static_cast<size_t>(y) * Stride(); }
  const uint8_t* Row(int y) const { return Pixels.data() + static_cast<size_t>(y) * Stride(); }
};

class TCustomPlayer;

// OnFileOpen: the handler may set AScreenWidth / AScreenHeight (the player's ScreenWidth / ScreenHeight).
using TFileOpenEvent = std::function<void(TCustomPlayer* Sender, int64_t ADuration, int AFrameWidth,
                                          int AFrameHeight, int& AScreenWidth, int& AScreenHeight)>;
// OnHook: runs on the video thread; the handler may draw on the bitmap, which is copied back to the picture.
using THookEvent = std::function<void(TCustomPlayer* Sender, TBitmap& ABitmap, int64_t APTS)>;
using TPositionEvent = std::function<void(TCustomPlayer* Sender, int64_t APTS)>;
using TPlayStateEvent = std::function<void(TCustomPlayer* Sender, TPlayState AState)>;

const char* PlayStateName(TPlayState state);  // "Play", "Pause", ... as the window's log shows them

}  // namespace player
