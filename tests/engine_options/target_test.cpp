// The target presets: norm resolution and the settings of each target.
#include <gtest/gtest.h>

#include <stdexcept>

#include "options_fixture.h"

namespace testoptions {
namespace {

using media::TLogLevel;

class Targets : public OptionsTest {
 protected:
  int64_t FormatInt(const char* AName) {
    int64_t value = 0;
    EXPECT_GE(av::av_opt_get_int(O.GenericOptions().avformat_opts.get(), AName, 0, &value), 0) << AName;
    return value;
  }
};

TEST_F(Targets, SettingsByTargetAndNorm) {
  struct Case {
    const char* Value;
    const char* Format;
    int Width, Height;
    AVRational Rate;
    int Gop;
    int64_t VideoRate, MaxRate, MinRate, BufSize, AudioRate;
    const char* VideoCodec;
    const char* AudioCodec;
    int SampleRate;
    int PacketSize;
    float Aspect;
  } cases[] = {
      {"pal-vcd",
       "vcd",
       352,
       288,
       {25, 1},
       15,
       1150000,
       1150000,
       1150000,
       327680,
       224000,
       "mpeg1video",
       "mp2",
       44100,
       2324,
       4.0f / 3},
      {"ntsc-vcd",
       "vcd",
       352,
       240,
       {30000, 1001},
       18,
       1150000,
       1150000,
       1150000,
       327680,
       224000,
       "mpeg1video",
       "mp2",
       44100,
       2324,
       4.0f / 3},
      {"pal-svcd",
       "svcd",
       480,
       576,
       {25, 1},
       15,
       2040000,
       2516000,
       0,
       1835008,
       224000,
       "mpeg2video",
       "mp2",
       44100,
       2324,
       4.0f / 3},
      {"pal-dvd",
       "dvd",
       720,
       576,
       {25, 1},
       15,
       6000000,
       9000000,
       0,
       1835008,
       448000,
       "mpeg2video",
       "ac3",
       48000,
       2048,
       16.0f / 9},
      {"film-dvd",
       "dvd",
       720,
       480,
       {24000, 1001},
       18,
       6000000,
       9000000,
       0,
       1835008,
       448000,
       "mpeg2video",
       "ac3",
       48000,
       2048,
       16.0f / 9},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Value);
    O.ResetOptions();
    O.ParseOption("target", c.Value);
    const auto& s = O.S();
    EXPECT_EQ(s.Flast_asked_format, c.Format);
    EXPECT_EQ(s.Fframe_width, c.Width);
    EXPECT_EQ(s.Fframe_height, c.Height);
    EXPECT_EQ(av_cmp_q(s.Fframe_rate, c.Rate), 0);
    EXPECT_EQ(CodecInt(AVMEDIA_TYPE_VIDEO, "g"), c.Gop);
    EXPECT_EQ(CodecInt(AVMEDIA_TYPE_VIDEO, "b"), c.VideoRate);
    EXPECT_EQ(CodecInt(AVMEDIA_TYPE_VIDEO, "maxrate"), c.MaxRate);
    EXPECT_EQ(CodecInt(AVMEDIA_TYPE_VIDEO, "minrate"), c.MinRate);
    EXPECT_EQ(CodecInt(AVMEDIA_TYPE_VIDEO, "bufsize"), c.BufSize);
    EXPECT_EQ(CodecInt(AVMEDIA_TYPE_AUDIO, "b"), c.AudioRate);
    EXPECT_EQ(CodecInt(AVMEDIA_TYPE_AUDIO, "maxrate"), 0);  // video-only settings leave audio alone
    EXPECT_EQ(s.Fvideo_codec_name, c.VideoCodec);
    EXPECT_EQ(s.Faudio_codec_name, c.AudioCodec);
    EXPECT_EQ(s.Faudio_sample_rate, c.SampleRate);
    EXPECT_EQ(s.Faudio_channels, 2);
    EXPECT_EQ(FormatInt("packetsize"), c.PacketSize);
    EXPECT_FLOAT_EQ(s.Fframe_aspect_ratio, c.Aspect);
  }
}

TEST_F(Targets, DiscDetailsOfEachTarget) {
  O.ParseOption("target", "pal-vcd");
  EXPECT_FLOAT_EQ(O.S().Fmux_preload, 0.44f);
  EXPECT_TRUE(Logged(TLogLevel::llInfo, "Assuming 4:3 for aspect ratio"));

  O.ResetOptions();
  O.ParseOption("ac", "1");
  O.ParseOption("aspect", "1.5");
  O.ParseOption("target", "pal-svcd");
  EXPECT_EQ(O.S().Faudio_channels, 2);               // mono becomes stereo
  EXPECT_FLOAT_EQ(O.S().Fframe_aspect_ratio, 1.5f);  // an aspect already set stays
  EXPECT_FLOAT_EQ(O.S().Fmux_preload, 0.5f);
  bool scanOffset = false;
  for (const auto& option : O.GenericOptions().accepted)
    scanOffset |= option.Name == "scan_offset" && option.Value == "1";
  EXPECT_TRUE(scanOffset) << "flags=+scan_offset became the MPEG-2 encoder's scan_offset";

  O.ResetOptions();
  O.ParseOption("ac", "6");
  O.ParseOption("target", "ntsc-dvd");
  EXPECT_EQ(O.S().Faudio_channels, 6);
  EXPECT_TRUE(Logged(TLogLevel::llInfo, "Assuming 16:9 for aspect ratio"));
}

TEST_F(Targets, DvPixelFormatsAndUnchangedCodecs) {
  struct Case {
    const char* Value;
    AVPixelFormat PixFmt;
    int Height;
  } cases[] = {{"pal-dv", AV_PIX_FMT_YUV420P, 576},
               {"ntsc-dv", AV_PIX_FMT_YUV411P, 480},
               {"film-dv", AV_PIX_FMT_YUV411P, 480},
               {"ntsc-dv50", AV_PIX_FMT_YUV422P, 480}};
  for (const Case& c : cases) {
    O.ResetOptions();
    O.ParseOption("vcodec", "dvvideo");
    O.ParseOption("ac", "1");
    O.ParseOption("target", c.Value);
    EXPECT_EQ(O.S().Fframe_pix_fmt, c.PixFmt) << c.Value;
    EXPECT_EQ(O.S().Fframe_height, c.Height) << c.Value;
    EXPECT_EQ(O.S().Flast_asked_format, "dv");
    EXPECT_EQ(O.S().Fvideo_codec_name, "dvvideo");
    EXPECT_EQ(O.S().Faudio_channels, 2);
    EXPECT_EQ(O.S().Faudio_sample_rate, 48000);
    EXPECT_FLOAT_EQ(O.S().Fframe_aspect_ratio, 0.0f);
  }
}

TEST_F(Targets, AutomaticNorm) {
  struct Case {
    AVRational Rate;                // the frame rate of the last input
    std::vector<AVRational> Bases;  // the inputs' video time bases
    const char* DefaultNorm;        // "ntsc" through the option, "pal" through a record
    int ExpectedHeight;             // 288 PAL, 240 NTSC and FILM
    AVRational ExpectedRate;
  } cases[] = {
      {{30000, 1001}, {}, "pal", 240, {30000, 1001}},
      {{24000, 1001}, {}, "pal", 240, {30000, 1001}},  // 23976 counts as NTSC
      {{25, 1}, {}, "ntsc", 288, {25, 1}},
      {{15, 1}, {{1, 10}, {1001, 30000}}, "pal", 240, {30000, 1001}},  // the first matching input decides
      {{15, 1}, {{1, 25}, {1001, 30000}}, "ntsc", 288, {25, 1}},
      {{15, 1}, {{1, 10}}, "ntsc", 240, {30000, 1001}},  // nothing matches: the default norm
      {{15, 1}, {}, "pal", 288, {25, 1}},
  };
  for (const Case& c : cases) {
    O.ResetOptions();
    Log.clear();
    O.TimeBases = c.Bases;
    O.ParseOption("r", std::to_string(c.Rate.num) + "/" + std::to_string(c.Rate.den));
    O.ParseOption("v", "1");
    if (std::string(c.DefaultNorm) == "ntsc") {
      O.ParseOption("target", "vcd");  // the option's default norm is NTSC
    } else {
      engine::TOutputOptions record;  // the record's default norm is PAL here
      record.TargetType = engine::TOptionTargetType::ttVCD;
      O.TranslateOutputOptions(record);
    }
    EXPECT_EQ(O.S().Fframe_height, c.ExpectedHeight)
        << c.Rate.num << "/" << c.Rate.den << " " << c.DefaultNorm;
    EXPECT_EQ(av_cmp_q(O.S().Fframe_rate, c.ExpectedRate), 0);
    EXPECT_TRUE(Logged(TLogLevel::llVerbose,
                       c.ExpectedHeight == 288 ? "Assuming PAL for target." : "Assuming NTSC for target."));
  }
}

}  // namespace
}  // namespace testoptions
