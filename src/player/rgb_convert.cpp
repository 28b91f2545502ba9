#include "player/rgb_convert.h"

#include "media/av.h"

namespace player {

TRGBConvertContext::~TRGBConvertContext() { Free(); }

void TRGBConvertContext::Free() {
  if (toRGB_) av::sws_freeContext(toRGB_);
  if (fromRGB_) av::sws_freeContext(fromRGB_);
  toRGB_ = fromRGB_ = nullptr;
}

bool TRGBConvertContext::ToBitmap(const uint8_t* const planes[], const int pitches[], int width, int height,
                                  int pixFmt) {
  toRGB_ = av::sws_getCachedContext(toRGB_, width, height, static_cast<AVPixelFormat>(pixFmt), width, height,
                                    AV_PIX_FMT_BGR24, SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT,
                                    nullptr, nullptr, nullptr);
  if (!toRGB_) {
    Bitmap.SetSize(0, 0);
    return false;
  }
  if (Bitmap.Width != width || Bitmap.Height != height) Bitmap.SetSize(width, height);
  uint8_t* dst[4] = {Bitmap.Pixels.data(), nullptr, nullptr, nullptr};
  int dstStride[4] = {Bitmap.Stride(), 0, 0, 0};
  av::sws_scale(toRGB_, planes, pitches, 0, height, dst, dstStride);
  return true;
}

bool TRGBConvertContext::FromBitmap(uint8_t* const planes[], const int pitches[]) {
  fromRGB_ =
      av::sws_getCachedContext(fromRGB_, Bitmap.Width, Bitmap.Height, AV_PIX_FMT_BGR24, Bitmap.Width,
                               Bitmap.Height, AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr);
  if (!fromRGB_) return false;
  const uint8_t* src[4] = {Bitmap.Pixels.data(), nullptr, nullptr, nullptr};
  int srcStride[4] = {Bitmap.Stride(), 0, 0, 0};
  av::sws_scale(fromRGB_, src, srcStride, 0, Bitmap.Height, planes, pitches);
  return true;
}

}  // namespace player
