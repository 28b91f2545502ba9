#include "media/unicode_io.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "fixtures/media_fixtures.h"
#include "media/av.h"
#include "support/media_libraries.h"

namespace {

namespace fs = std::filesystem;

TEST(UnicodeNameTest, ToAVFileName) {
  struct Case {
    const char* name;
    const char* expected;
  } cases[] = {
      {"/home/用户/视频 文件.avi", "/home/用户/视频 文件.avi"},  // UTF-8 paths pass through
      {"clip.avi", "clip.avi"},
      {"/媒体/a:b.avi", "/媒体/a:b.avi"},  // a colon after a slash is no protocol
      {"http://host/a.avi", "http://host/a.avi"},
      {"udp://239.0.0.1:1234", "udp://239.0.0.1:1234"},
      {"unicode:utf8:/x/y.avi", "unicode:utf8:/x/y.avi"},         // converting twice changes nothing
      {"concat:a.avi|b.avi", "unicode:utf8:concat:a.avi|b.avi"},  // a real file, not the libraries' protocol
      {"HTTP:x.avi", "unicode:utf8:HTTP:x.avi"},                  // the list is case-sensitive
      {"视频:1.avi", "视频:1.avi"},                               // no scheme characters before the colon
  };
  for (const Case& c : cases) EXPECT_EQ(media::ToAVFileName(c.name), c.expected) << c.name;
}

TEST(UnicodeNameTest, FromAVFileName) {
  struct Case {
    const char* name;
    const char* expected;
  } cases[] = {
      {"unicode:utf8:/媒体/a:b.avi", "/媒体/a:b.avi"},
      {"unicode:utf8:", "unicode:utf8:"},  // the bare prefix is an ordinary name
      {"unicode:utf8:x", "x"},
      {"/plain/name.avi", "/plain/name.avi"},
      {"http://host/a.avi", "http://host/a.avi"},
  };
  for (const Case& c : cases) EXPECT_EQ(media::FromAVFileName(c.name), c.expected) << c.name;
}

class UnicodeIOTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testsupport::LoadLibraries(media::kConverterLibraries));
    dir_ = fs::path(fixtures::FixtureDir()) / "unicode_io";
    fs::create_directories(dir_);
  }
  fs::path dir_;
};

TEST_F(UnicodeIOTest, OpensAnInputWhoseNameLooksLikeAProtocol) {
  const fs::path copy = dir_ / "cat:片段 一.avi";
  fs::copy_file(fixtures::AviMpeg4Mp3(), copy, fs::copy_options::overwrite_existing);
  // Relative to the folder, so that the name starts with the would-be protocol "cat".
  const fs::path previous = fs::current_path();
  fs::current_path(dir_);
  const std::string relative = "cat:片段 一.avi";
  struct Case {
    std::string name;
    bool custom;
  } cases[] = {{relative, true}, {media::ToAVFileName(relative), true}, {copy.string(), false}};
  for (const Case& c : cases) {
    AVFormatContext* ctx = nullptr;
    ASSERT_EQ(media::OpenInput(&ctx, c.name, nullptr, nullptr), 0) << c.name;
    EXPECT_EQ((ctx->flags & AVFMT_FLAG_CUSTOM_IO) != 0, c.custom) << c.name;
    ASSERT_GE(av::avformat_find_stream_info(ctx, nullptr), 0);
    EXPECT_EQ(ctx->nb_streams, 2u);
    EXPECT_EQ(media::FromAVFileName(ctx->url), c.custom ? relative : c.name);
    // Seeking goes through the custom context too.
    EXPECT_GE(av::av_seek_frame(ctx, -1, 1000000, AVSEEK_FLAG_BACKWARD), 0);
    media::CloseInput(&ctx);
    EXPECT_EQ(ctx, nullptr);
  }
  fs::current_path(previous);
}

TEST_F(UnicodeIOTest, MissingInputFailsWithNoSuchFileAndFreesAHandedInContext) {
  for (const std::string& name :
       {(dir_ / "missing.avi").string(), "unicode:utf8:" + (dir_ / "x:missing.avi").string()}) {
    AVFormatContext* ctx = av::avformat_alloc_context();
    EXPECT_EQ(media::OpenInput(&ctx, name, nullptr, nullptr), AVERROR(ENOENT)) << name;
    EXPECT_EQ(ctx, nullptr);
  }
}

TEST_F(UnicodeIOTest, OutputThroughACustomContextReachesTheFile) {
  const fs::path target = dir_ / "out:写入.bin";
  const std::string name = "unicode:utf8:" + target.string();
  std::string payload(100000, '\0');
  for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<char>(i * 7);
  AVIOContext* pb = nullptr;
  ASSERT_EQ(media::OpenOutputIO(&pb, name, AVIO_FLAG_WRITE, nullptr), 0);
  av::avio_write(pb, reinterpret_cast<const unsigned char*>(payload.data()),
                 static_cast<int>(payload.size()));
  EXPECT_EQ(media::CloseOutputIO(&pb), 0);
  EXPECT_EQ(pb, nullptr);
  std::ifstream in(target, std::ios::binary);
  const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(written, payload);

  // A plain name goes through the libraries' own file protocol and closes the same way.
  ASSERT_EQ(media::OpenOutputIO(&pb, (dir_ / "plain.bin").string(), AVIO_FLAG_WRITE, nullptr), 0);
  av::avio_write(pb, reinterpret_cast<const unsigned char*>("abc"), 3);
  EXPECT_EQ(media::CloseOutputIO(&pb), 0);
  EXPECT_EQ(fs::file_size(dir_ / "plain.bin"), 3u);
}

TEST_F(UnicodeIOTest, OutputIntoAMissingFolderFails) {
  AVIOContext* pb = nullptr;
  EXPECT_EQ(media::OpenOutputIO(&pb, "unicode:utf8:" + (dir_ / "no/such/x:y.bin").string(), AVIO_FLAG_WRITE,
                                nullptr),
            AVERROR(ENOENT));
  EXPECT_EQ(pb, nullptr);
}

}  // namespace
