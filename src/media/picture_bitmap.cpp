#include "media/picture_bitmap.h"

#include <cstring>

#include "media/av.h"

namespace media {

void TBitmap::Resize(int width, int height) {
  Width = width;
  Height = height;
  Stride = (width * 3 + 3) / 4 * 4;
  Pixels.assign(static_cast<size_t>(Stride) * height, 0);
}

void TSwsDeleter::operator()(SwsContext* ctx) const { av::sws_freeContext(ctx); }
void TAVFreeDeleter::operator()(uint8_t* buffer) const { av::av_free(buffer); }

namespace {

// Converts the picture into the context's BGR buffer; false when the libraries cannot.
bool convertToRGB(TRGBConvertContext& c, const uint8_t* const data[4], const int linesize[4],
                  AVPixelFormat pixfmt, int height, int width) {
  // Aligned rows and some slack: the scaler's vector code writes whole blocks past a row's last pixel.
  constexpr int kAlign = 32;
  const int picture = av::av_image_get_buffer_size(c.RGBPixFmt, width, height, kAlign);
  if (picture < 0) return false;
  const int needed = picture + 2 * kAlign;
  if (!c.RGBBuf || c.RGBBufSize < needed) {  // the buffer only grows
    c.RGBBuf.reset(static_cast<uint8_t*>(av::av_malloc(needed)));
    c.RGBBufSize = c.RGBBuf ? needed : 0;
    if (!c.RGBBuf) return false;
  }
  if (av::av_image_fill_arrays(c.RGBPicture, c.RGBPictureLinesize, c.RGBBuf.get(), c.RGBPixFmt, width, height,
                               1) < 0)
    return false;
  // The scaler aborts the process on a format it cannot read, so ask first.
  if (pixfmt < 0 || av::sws_isSupportedInput(pixfmt) <= 0) return false;
  SwsContext* scaler = av::sws_getCachedContext(c.toRGB_convert_ctx.release(), width, height, pixfmt, width,
                                                height, c.RGBPixFmt, SWS_BICUBIC, nullptr, nullptr, nullptr);
  c.toRGB_convert_ctx.reset(scaler);
  if (!scaler) return false;
  return av::sws_scale(scaler, data, linesize, 0, height, c.RGBPicture, c.RGBPictureLinesize) == height;
}

}  // namespace

bool PictureToBitmap(TRGBConvertContext& AContext, const uint8_t* const AData[4], const int ALinesize[4],
                     AVPixelFormat APixFmt, int AHeight, int AWidth) {
  if (AWidth <= 0 || AHeight <= 0 || !AData[0]) return false;
  if (!AContext.Bitmap) AContext.Bitmap = std::make_unique<TBitmap>();
  TBitmap& bitmap = *AContext.Bitmap;
  if (bitmap.Width != AWidth || bitmap.Height != AHeight) bitmap.Resize(AWidth, AHeight);

  const uint8_t* const* source = AData;
  const int* sourceLinesize = ALinesize;
  const bool direct =
      APixFmt == AContext.RGBPixFmt && AWidth % 2 == 0 && AHeight % 2 == 0 && ALinesize[0] == bitmap.Stride;
  if (!direct) {
    if (!convertToRGB(AContext, AData, ALinesize, APixFmt, AHeight, AWidth)) return false;
    source = AContext.RGBPicture;
    sourceLinesize = AContext.RGBPictureLinesize;
  }
  AContext.RGBPictureRef = source;
  // Never more than one bitmap row: a source row may be longer (padding) than the bitmap's.
  const size_t rowBytes = static_cast<size_t>(AWidth) * 3;
  for (int r = 0; r < AHeight; ++r)
    std::memcpy(bitmap.Row(r), source[0] + static_cast<ptrdiff_t>(r) * sourceLinesize[0], rowBytes);
  return true;
}

bool PictureToBitmap(TRGBConvertContext& AContext, const AVFrame& AFrame) {
  const uint8_t* const data[4] = {AFrame.data[0], AFrame.data[1], AFrame.data[2], AFrame.data[3]};
  return PictureToBitmap(AContext, data, AFrame.linesize, static_cast<AVPixelFormat>(AFrame.format),
                         AFrame.height, AFrame.width);
}

void FreeRGBContext(TRGBConvertContext& AContext) {
  AContext.Bitmap.reset();
  AContext.RGBBuf.reset();
  AContext.toRGB_convert_ctx.reset();
  AContext.fromRGB_convert_ctx.reset();
  AContext.RGBPixFmt = AV_PIX_FMT_BGR24;
  AContext.BMPPixFmt = 24;
  AContext.RGBBufSize = 0;
  std::memset(AContext.RGBPicture, 0, sizeof AContext.RGBPicture);
  std::memset(AContext.RGBPictureLinesize, 0, sizeof AContext.RGBPictureLinesize);
  AContext.RGBPictureRef = nullptr;
}

}  // namespace media
