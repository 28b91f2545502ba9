// Snapshot pictures: each type decodes back to the picture saved; names take the first free number.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "fixtures/media_fixtures.h"
#include "media/av.h"
#include "media/ffmpeg_loader.h"
#include "player/picture_writer.h"
#include "player/rgb_convert.h"
#include "support/media_libraries.h"

namespace player {
namespace {

namespace fs = std::filesystem;

fs::path TempDir(const std::string& name) {
  fs::path dir =
      fs::path(fixtures::FixtureDir()) / ("player_pictures_" + name + "_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

// A picture with smooth gradients in all three channels and a sharp block: a fixed palette cannot follow it.
TBitmap Gradient(int w, int h) {
  TBitmap b;
  b.SetSize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = b.Row(y) + x * 3;
      p[0] = static_cast<uint8_t>(40 + x * 150 / w);      // B
      p[1] = static_cast<uint8_t>(60 + y * 120 / h);      // G
      p[2] = static_cast<uint8_t>(x < w / 4 ? 230 : 90);  // R
    }
  return b;
}

// Reads a picture file back through the libraries' demuxers and decoders.
bool Decode(const std::string& file, TBitmap& out, std::string& codecName) {
  AVFormatContext* ic = nullptr;
  if (av::avformat_open_input(&ic, file.c_str(), nullptr, nullptr) < 0) return false;
  bool ok = false;
  if (av::avformat_find_stream_info(ic, nullptr) >= 0 && ic->nb_streams == 1) {
    const AVCodecParameters* par = ic->streams[0]->codecpar;
    codecName = av::avcodec_get_name(par->codec_id);
    const AVCodec* codec = av::avcodec_find_decoder(par->codec_id);
    AVCodecContext* dec = av::avcodec_alloc_context3(codec);
    av::avcodec_parameters_to_context(dec, par);
    {
      std::lock_guard lock(media::CodecLock());
      av::avcodec_open2(dec, codec, nullptr);
    }
    AVPacket* pkt = av::av_packet_alloc();
    AVFrame* frame = av::av_frame_alloc();
    if (av::av_read_frame(ic, pkt) >= 0 && av::avcodec_send_packet(dec, pkt) >= 0) {
      av::avcodec_send_packet(dec, nullptr);
      if (av::avcodec_receive_frame(dec, frame) >= 0) {
        TRGBConvertContext rgb;
        ok = rgb.ToBitmap(frame->data, frame->linesize, frame->width, frame->height, frame->format);
        out = rgb.Bitmap;
      }
    }
    av::av_frame_free(&frame);
    av::av_packet_free(&pkt);
    std::lock_guard lock(media::CodecLock());
    av::avcodec_free_context(&dec);
  }
  av::avformat_close_input(&ic);
  return ok;
}

double MeanAbsDiff(const TBitmap& a, const TBitmap& b) {
  double sum = 0;
  for (size_t i = 0; i < a.Pixels.size(); ++i) sum += std::abs(int(a.Pixels[i]) - int(b.Pixels[i]));
  return sum / static_cast<double>(a.Pixels.size());
}

TEST(PictureWriter, EachTypeDecodesBackToThePicture) {
  ASSERT_TRUE(testsupport::LoadLibraries(media::kPlayerLibraries));
  const fs::path dir = TempDir("types");
  const TBitmap picture = Gradient(96, 64);
  struct Case {
    TPictureType type;
    const char* codec;
    double maxMeanDiff;
  } cases[] = {
      {TPictureType::ptBMP, "bmp", 0.0},
      {TPictureType::ptPNG, "png", 0.0},
      {TPictureType::ptJPG, "mjpeg", 3.0},
      // A palette made from this picture stays close; a fixed 6x6x6 palette would be off by about 10.
      {TPictureType::ptGIF, "gif", 3.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(PictureExtension(c.type));
    const std::string file = (dir / (std::string("shot") + PictureExtension(c.type))).string();
    std::string err;
    ASSERT_TRUE(SavePicture(picture, c.type, file, err)) << err;
    TBitmap back;
    std::string codec;
    ASSERT_TRUE(Decode(file, back, codec));
    EXPECT_EQ(codec, c.codec);
    ASSERT_EQ(back.Width, picture.Width);
    ASSERT_EQ(back.Height, picture.Height);
    EXPECT_LE(MeanAbsDiff(back, picture), c.maxMeanDiff);
  }
  fs::remove_all(dir);
}

TEST(PictureWriter, RefusesAnEmptyPictureAndAnUnwritableFile) {
  ASSERT_TRUE(testsupport::LoadLibraries(media::kPlayerLibraries));
  std::string err;
  EXPECT_FALSE(SavePicture(TBitmap{}, TPictureType::ptPNG, "/tmp/never.png", err));
  EXPECT_FALSE(fs::exists("/tmp/never.png"));
  err.clear();
  EXPECT_FALSE(SavePicture(Gradient(8, 8), TPictureType::ptBMP, "/nonexistent-dir/x.bmp", err));
  EXPECT_FALSE(err.empty());
}

TEST(PictureWriter, NamesTakeTheFirstFreeNumber) {
  const fs::path dir = TempDir("names");
  const auto touch = [&](const char* name) { std::ofstream(dir / name) << "x"; };
  EXPECT_EQ(NextSnapshotName(dir.string(), "a", TPictureType::ptJPG), (dir / "a_1.jpg").string());
  touch("a_1.jpg");
  touch("a_2.jpg");
  touch("a_1.png");  // other types do not count
  EXPECT_EQ(NextSnapshotName(dir.string(), "a", TPictureType::ptJPG), (dir / "a_3.jpg").string());
  EXPECT_EQ(NextSnapshotName(dir.string(), "a", TPictureType::ptPNG), (dir / "a_2.png").string());
  fs::remove(dir / "a_1.jpg");
  EXPECT_EQ(NextSnapshotName(dir.string(), "a", TPictureType::ptJPG), (dir / "a_1.jpg").string());
  EXPECT_EQ(SnapshotBaseName("/x/视频.片段.avi"), "视频.片段");
  EXPECT_EQ(SnapshotBaseName("clip"), "clip");
  fs::remove_all(dir);
}

TEST(PictureWriter, ParsesTypeNames) {
  const struct {
    const char* text;
    bool ok;
    TPictureType type;
  } cases[] = {{"BMP", true, TPictureType::ptBMP},  {"jpg", true, TPictureType::ptJPG},
               {"JPEG", true, TPictureType::ptJPG}, {"gif", true, TPictureType::ptGIF},
               {"Png", true, TPictureType::ptPNG},  {"TIFF", false, TPictureType::ptBMP},
               {"", false, TPictureType::ptBMP}};
  for (const auto& c : cases) {
    TPictureType t = TPictureType::ptBMP;
    EXPECT_EQ(ParsePictureType(c.text, t), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(t, c.type) << c.text;
    }
  }
}

}  // namespace
}  // namespace player
