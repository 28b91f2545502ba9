#pragma once
// Decoded pictures to 24-bit BGR bitmaps, with the scaler and buffer kept for the next picture.
#include <cstdint>
#include <memory>
#include <vector>

extern "C" {
#include <libavutil/pixfmt.h>
struct AVFrame;
struct SwsContext;
}

namespace media {

// A 24-bit BGR image: rows padded to a multiple of 4 bytes, top row first.
struct TBitmap {
  int Width = 0;
  int Height = 0;
  int Stride = 0;  // bytes per row
  std::vector<uint8_t> Pixels;
  uint8_t* Row(int r) { return Pixels.data() + static_cast<size_t>(r) * Stride; }
  const uint8_t* Row(int r) const { return Pixels.data() + static_cast<size_t>(r) * Stride; }
  void Resize(int width, int height);
};

struct TSwsDeleter {
  void operator()(SwsContext* ctx) const;
};
struct TAVFreeDeleter {
  void operator()(uint8_t* buffer) const;
};

// State kept between pictures. The owner keeps one per picture stream; FreeRGBContext or destruction frees
// it.
struct TRGBConvertContext {
  AVPixelFormat RGBPixFmt = AV_PIX_FMT_BGR24;  // always 24-bit BGR
  int BMPPixFmt = 24;                          // bits per pixel of the bitmap
  std::unique_ptr<TBitmap> Bitmap;
  std::unique_ptr<uint8_t, TAVFreeDeleter> RGBBuf;  // grows only
  int RGBBufSize = 0;
  uint8_t* RGBPicture[4] = {};  // planes over RGBBuf
  int RGBPictureLinesize[4] = {};
  const uint8_t* const* RGBPictureRef = nullptr;  // the planes last copied from: RGBPicture or the caller's
  std::unique_ptr<SwsContext, TSwsDeleter> toRGB_convert_ctx;
  std::unique_ptr<SwsContext, TSwsDeleter> fromRGB_convert_ctx;
};

// Fills the context's bitmap from a picture (planes and line sizes as in AVFrame). Returns false when no
// scaler exists for the pixel format.
bool PictureToBitmap(TRGBConvertContext& AContext, const uint8_t* const AData[4], const int ALinesize[4],
                     AVPixelFormat APixFmt, int AHeight, int AWidth);
bool PictureToBitmap(TRGBConvertContext& AContext, const AVFrame& AFrame);
void FreeRGBContext(TRGBConvertContext& AContext);

}  // namespace media
