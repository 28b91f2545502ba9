#pragma once
// Conversion between pictures and 24-bit bitmaps (CurrentFrame, the hook), through cached scaler contexts.
#include <cstdint>

#include "player/player_types.h"

struct SwsContext;

namespace player {

class TRGBConvertContext {
 public:
  TRGBConvertContext() = default;
  ~TRGBConvertContext();
  TRGBConvertContext(const TRGBConvertContext&) = delete;
  TRGBConvertContext& operator=(const TRGBConvertContext&) = delete;

  // Converts a picture of the given pixel format (AVPixelFormat) into Bitmap, sized to the picture.
  // False (and a 0 x 0 bitmap) when no conversion context can be made.
  bool ToBitmap(const uint8_t* const planes[], const int pitches[], int width, int height, int pixFmt);
  // Converts Bitmap back over a planar 4:2:0 picture of the bitmap's size.
  bool FromBitmap(uint8_t* const planes[], const int pitches[]);
  void Free();

  TBitmap Bitmap;

 private:
  SwsContext* toRGB_ = nullptr;
  SwsContext* fromRGB_ = nullptr;
};

}  // namespace player
