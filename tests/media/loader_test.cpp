#include <gtest/gtest.h>

#include "media/av.h"
#include "media/ffmpeg_loader.h"
#include "support/media_libraries.h"

namespace {

TEST(LoaderTest, BindsEveryLibraryOfThePlayerSet) {
  ASSERT_TRUE(testsupport::LoadLibraries(media::kPlayerLibraries));
  EXPECT_TRUE(media::Loader().Loaded(media::kConverterLibraries));
  ASSERT_NE(av::avcodec_version, nullptr);
  EXPECT_EQ(AV_VERSION_MAJOR(av::avcodec_version()), LIBAVCODEC_VERSION_MAJOR);
  EXPECT_NE(av::avcodec_find_encoder_by_name("mpeg4"), nullptr);
}

TEST(LoaderTest, FileNamesFollowTheHeadersMajorVersions) {
  EXPECT_EQ(media::LibraryFileName(media::TLibrary::avCodec), "libavcodec.so.59");
  EXPECT_EQ(media::LibraryFileName(media::TLibrary::swResample), "libswresample.so.4");
  EXPECT_EQ(media::LibraryFileName(media::TLibrary::myUtil), "libc.so.6");
  EXPECT_EQ(media::LibraryFileName(media::TLibrary::lbSDL), "libSDL2-2.0.so.0");
}

}  // namespace

#include "fixtures/media_fixtures.h"

namespace {

TEST(FixtureTest, MakesAPlayableClip) {
  const std::string path = fixtures::AviMpeg4Mp3();
  AVFormatContext* ctx = nullptr;
  ASSERT_EQ(av::avformat_open_input(&ctx, path.c_str(), nullptr, nullptr), 0);
  ASSERT_GE(av::avformat_find_stream_info(ctx, nullptr), 0);
  EXPECT_EQ(ctx->nb_streams, 2u);
  EXPECT_NEAR(ctx->duration / 1e6, 2.0, 0.2);
  av::avformat_close_input(&ctx);
}

}  // namespace
