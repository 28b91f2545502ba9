#include "media/picture_bitmap.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "media/av.h"
#include "support/media_libraries.h"

namespace {

struct FrameDeleter {
  void operator()(AVFrame* f) const { av::av_frame_free(&f); }
};
using Frame = std::unique_ptr<AVFrame, FrameDeleter>;

// A picture whose line size may be padded beyond its width.
Frame makeFrame(AVPixelFormat format, int width, int height, int align) {
  Frame frame(av::av_frame_alloc());
  frame->format = format;
  frame->width = width;
  frame->height = height;
  EXPECT_GE(av::av_frame_get_buffer(frame.get(), align), 0);
  return frame;
}

// A BGR picture with a distinct value in every byte of the visible area.
void fillBgr(AVFrame& frame) {
  for (int y = 0; y < frame.height; ++y)
    for (int x = 0; x < frame.width * 3; ++x)
      frame.data[0][y * frame.linesize[0] + x] = static_cast<uint8_t>(x + 7 * y);
}

void expectSamePixels(const media::TBitmap& bitmap, const AVFrame& frame) {
  for (int y = 0; y < frame.height; ++y)
    for (int x = 0; x < frame.width * 3; ++x)
      ASSERT_EQ(bitmap.Row(y)[x], frame.data[0][y * frame.linesize[0] + x]) << "row " << y << " byte " << x;
}

class PictureBitmapTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(testsupport::LoadLibraries(media::kProbeLibraries)); }
  media::TRGBConvertContext context_;
};

TEST_F(PictureBitmapTest, RowsArePaddedToFourBytes) {
  const struct {
    int width;
    int stride;
  } cases[] = {{1, 4}, {4, 12}, {5, 16}, {7, 24}, {160, 480}};
  for (const auto& c : cases) {
    media::TBitmap bitmap;
    bitmap.Resize(c.width, 3);
    EXPECT_EQ(bitmap.Stride, c.stride) << c.width;
    EXPECT_EQ(bitmap.Pixels.size(), static_cast<size_t>(c.stride) * 3);
  }
}

TEST_F(PictureBitmapTest, MatchingBgrPicturesAreCopiedDirectlyOthersConverted) {
  const struct {
    int width;
    int height;
    int align;
    bool direct;
  } cases[] = {
      {64, 48, 4, true},    // same layout as the bitmap
      {63, 48, 1, false},   // odd width
      {64, 47, 4, false},   // odd height
      {60, 48, 64, false},  // rows padded beyond the bitmap's
      {10, 4, 1, false},    // 30-byte rows against the bitmap's 32
  };
  for (const auto& c : cases) {
    Frame frame = makeFrame(AV_PIX_FMT_BGR24, c.width, c.height, c.align);
    fillBgr(*frame);
    ASSERT_TRUE(media::PictureToBitmap(context_, *frame)) << c.width << "x" << c.height;
    const media::TBitmap& bitmap = *context_.Bitmap;
    EXPECT_EQ(bitmap.Width, c.width);
    EXPECT_EQ(bitmap.Height, c.height);
    EXPECT_EQ(context_.RGBPictureRef == context_.RGBPicture, !c.direct) << c.width << "x" << c.height;
    expectSamePixels(bitmap, *frame);  // the same-size BGR conversion changes nothing
  }
}

TEST_F(PictureBitmapTest, YuvPicturesAreConvertedTopRowFirst) {
  Frame frame = makeFrame(AV_PIX_FMT_YUV420P, 7, 6, 32);
  // Top half white, bottom half black, no colour.
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 7; ++x) frame->data[0][y * frame->linesize[0] + x] = y < 3 ? 235 : 16;
  for (int p = 1; p < 3; ++p)
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 4; ++x) frame->data[p][y * frame->linesize[p] + x] = 128;
  ASSERT_TRUE(media::PictureToBitmap(context_, *frame));
  const media::TBitmap& bitmap = *context_.Bitmap;
  EXPECT_EQ(bitmap.Stride, 24);
  for (int x = 0; x < 21; ++x) {
    EXPECT_GE(bitmap.Row(0)[x], 250) << x;
    EXPECT_LE(bitmap.Row(5)[x], 5) << x;
  }
}

TEST_F(PictureBitmapTest, TheBufferOnlyGrowsAndFreeResets) {
  Frame big = makeFrame(AV_PIX_FMT_YUV420P, 64, 64, 32);
  Frame small = makeFrame(AV_PIX_FMT_YUV420P, 32, 32, 32);
  ASSERT_TRUE(media::PictureToBitmap(context_, *big));
  const int size = context_.RGBBufSize;
  const uint8_t* buffer = context_.RGBBuf.get();
  EXPECT_GE(size, 64 * 64 * 3);
  ASSERT_TRUE(media::PictureToBitmap(context_, *small));
  EXPECT_EQ(context_.RGBBufSize, size);
  EXPECT_EQ(context_.RGBBuf.get(), buffer);
  EXPECT_EQ(context_.Bitmap->Width, 32);

  media::FreeRGBContext(context_);
  EXPECT_EQ(context_.Bitmap, nullptr);
  EXPECT_EQ(context_.RGBBuf, nullptr);
  EXPECT_EQ(context_.RGBBufSize, 0);
  EXPECT_EQ(context_.toRGB_convert_ctx, nullptr);
  EXPECT_EQ(context_.RGBPictureRef, nullptr);
  EXPECT_EQ(context_.RGBPixFmt, AV_PIX_FMT_BGR24);
  // Usable again after being freed.
  EXPECT_TRUE(media::PictureToBitmap(context_, *small));
}

TEST_F(PictureBitmapTest, PicturesWithoutAScalerFail) {
  Frame frame = makeFrame(AV_PIX_FMT_YUV420P, 16, 16, 32);
  const uint8_t* const data[4] = {frame->data[0], frame->data[1], frame->data[2], nullptr};
  EXPECT_FALSE(media::PictureToBitmap(context_, data, frame->linesize, AV_PIX_FMT_NONE, 16, 16));
  EXPECT_FALSE(media::PictureToBitmap(context_, data, frame->linesize, AV_PIX_FMT_YUV420P, 0, 16));
}

}  // namespace
