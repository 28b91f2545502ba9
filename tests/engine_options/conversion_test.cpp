// Options through the whole engine: a short clip converted with a target, a built-in preset and a substituted
// encoder, the output probed for what the options asked.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "engine/converter/media_converter.h"
#include "fixtures/media_fixtures.h"
#include "media/ff_logger.h"
#include "support/media_libraries.h"

namespace {

struct TStreamFacts {
  AVMediaType Type;
  std::string Codec;
  int Width, Height, Profile, SampleRate, Channels;
};

std::vector<TStreamFacts> ProbeStreams(const std::string& AFile) {
  std::vector<TStreamFacts> streams;
  AVFormatContext* ctx = nullptr;
  if (av::avformat_open_input(&ctx, AFile.c_str(), nullptr, nullptr) < 0) return streams;
  if (av::avformat_find_stream_info(ctx, nullptr) >= 0) {
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
      const AVCodecParameters* par = ctx->streams[i]->codecpar;
      streams.push_back({par->codec_type, av::avcodec_get_name(par->codec_id), par->width, par->height,
                         par->profile, par->sample_rate, par->ch_layout.nb_channels});
    }
  }
  av::avformat_close_input(&ctx);
  return streams;
}

class OptionsConversion : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testsupport::LoadLibraries(media::kConverterLibraries));
    Clip = fixtures::MakeClip({.name = "options_source.avi", .seconds = 1.0});
    Folder = fixtures::FixtureDir() + "/options_out";
    std::filesystem::create_directories(Folder);
  }

  // Converts the clip without worker threads; the output's streams, empty after a failure.
  std::vector<TStreamFacts> Convert(const std::string& AName, engine::TOutputOptions AOutput) {
    const std::string out = Folder + "/" + AName;
    std::filesystem::remove(out);
    engine::TMediaConverter converter;
    std::vector<engine::TTerminateInfo> ends;
    converter.OnTerminate = [&](void*, const engine::TTerminateInfo& AInfo) { ends.push_back(AInfo); };
    engine::TInputOptions input;
    const int task = converter.AddTask(Clip, &input);
    EXPECT_GE(task, 0) << converter.LastErrMsg();
    if (task < 0) return {};
    if (!converter.SetOutputFile(task, out, &AOutput)) {
      ADD_FAILURE() << converter.LastErrMsg();
      return {};
    }
    converter.Start(0);
    for (const auto& end : ends) EXPECT_FALSE(end.Exception) << AName << ": " << end.ExceptionMsg;
    return ProbeStreams(out);
  }

  const TStreamFacts* Find(const std::vector<TStreamFacts>& AStreams, AVMediaType AType) {
    for (const auto& s : AStreams)
      if (s.Type == AType) return &s;
    ADD_FAILURE() << "no stream of type " << AType;
    return nullptr;
  }

  std::string Clip;
  std::string Folder;
};

TEST_F(OptionsConversion, DiscTargetsMakeTheirStreams) {
  struct Case {
    engine::TOptionTargetType Target;
    engine::TOptionNormType Norm;
    const char* File;
    const char* VideoCodec;
    int Width, Height;
    const char* AudioCodec;
    int SampleRate;
  } cases[] = {
      {engine::TOptionTargetType::ttVCD, engine::TOptionNormType::ntNTSC, "vcd_ntsc.mpg", "mpeg1video", 352,
       240, "mp2", 44100},
      {engine::TOptionTargetType::ttSVCD, engine::TOptionNormType::ntPAL, "svcd_pal.mpg", "mpeg2video", 480,
       576, "mp2", 44100},
      {engine::TOptionTargetType::ttDVD, engine::TOptionNormType::ntPAL, "dvd_pal.vob", "mpeg2video", 720,
       576, "ac3", 48000},
      {engine::TOptionTargetType::ttDVD, engine::TOptionNormType::ntAuto, "dvd_auto.vob", "mpeg2video", 720,
       576, "ac3", 48000},  // the 25 fps input decides: PAL
  };
  std::vector<std::string> logLines;
  media::FFLogger().SetOnLog(
      [&](const void*, uint32_t, media::TLogLevel, const std::string& ALine) { logLines.push_back(ALine); });
  for (const Case& c : cases) {
    SCOPED_TRACE(c.File);
    logLines.clear();
    engine::TOutputOptions output;
    output.TargetType = c.Target;
    output.NormType = c.Norm;
    output.NormDefault = engine::TOptionNormType::ntNTSC;
    const auto streams = Convert(c.File, output);
    const TStreamFacts* video = Find(streams, AVMEDIA_TYPE_VIDEO);
    const TStreamFacts* audio = Find(streams, AVMEDIA_TYPE_AUDIO);
    ASSERT_TRUE(video && audio);
    EXPECT_EQ(video->Codec, c.VideoCodec);
    EXPECT_EQ(video->Width, c.Width);
    EXPECT_EQ(video->Height, c.Height);
    EXPECT_EQ(audio->Codec, c.AudioCodec);
    EXPECT_EQ(audio->SampleRate, c.SampleRate);
    EXPECT_EQ(audio->Channels, 2);
    // Disc players need the muxer to know the encoder's buffer size.
    for (const std::string& line : logLines)
      EXPECT_EQ(line.find("VBV buffer size not set"), std::string::npos);
  }
  media::FFLogger().SetOnLog(nullptr);
}

TEST_F(OptionsConversion, BuiltinPresetsReachTheEncoder) {
  struct Case {
    const char* Preset;
    int Profile;                                   // what x264 makes of the settings
  } cases[] = {{"default", FF_PROFILE_H264_HIGH},  // 8x8 transform on
               {"main", FF_PROFILE_H264_MAIN},     // 8x8 transform off, CABAC and B-frames on
               {"baseline", FF_PROFILE_H264_CONSTRAINED_BASELINE}};
  for (const Case& c : cases) {
    engine::TOutputOptions output;
    output.VideoCodec = "libx264";
    output.VideoPreset = c.Preset;
    output.AudioCodec = "aac";
    const auto streams = Convert(std::string("x264_") + c.Preset + ".mp4", output);
    const TStreamFacts* video = Find(streams, AVMEDIA_TYPE_VIDEO);
    ASSERT_TRUE(video) << c.Preset;
    EXPECT_EQ(video->Codec, "h264");
    EXPECT_EQ(video->Profile, c.Profile) << c.Preset;
  }
}

TEST_F(OptionsConversion, MissingEncoderGetsItsPresentEquivalent) {
  engine::TOutputOptions output;
  output.AudioCodec = "libfaac";
  output.DisableVideo = true;
  const auto streams = Convert("libfaac.m4a", output);
  const TStreamFacts* audio = Find(streams, AVMEDIA_TYPE_AUDIO);
  ASSERT_TRUE(audio);
  EXPECT_EQ(audio->Codec, "aac");
}

}  // namespace
