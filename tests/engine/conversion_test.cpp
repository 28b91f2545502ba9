// Whole conversions from hand-made output records, checked by probing what was written.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine_test_support.h"

namespace {

using engine::TConversionOutcome;
using engine::TOutputOptions;

struct ConversionCase {
  const char* name;
  const char* file;
  const char* vcodec;
  const char* acodec;
  const char* size;  // "" keeps the input's
  const char* rate;
  int sampleRate;
  int channels;
  // expected
  const char* format;
  const char* videoCodec;  // "" for no video
  const char* audioCodec;
  int width, height;
  double fps;
  int outSampleRate;
  int outChannels;
};

class ConversionTest : public testing::TestWithParam<ConversionCase> {
 protected:
  void SetUp() override { ASSERT_TRUE(testsupport::LoadLibraries(media::kConverterLibraries)); }
};

TEST_P(ConversionTest, WritesTheAskedContainerAndStreams) {
  const ConversionCase& c = GetParam();
  const std::string input = fixtures::EngineClip();
  const std::string output = fixtures::FreshOutputDir(std::string("conv_") + c.name) + "/" + c.file;
  auto task = enginetest::NewTask();
  ASSERT_TRUE(task->AddInputFile(input, nullptr)) << task->LastErrMsg();
  TOutputOptions options = enginetest::OutputOptions(c.vcodec, c.acodec);
  options.FrameSize = c.size;
  options.FrameRate = c.rate;
  options.AudioSampleRate = c.sampleRate;
  options.AudioChannels = c.channels;
  ASSERT_TRUE(task->SetOutputFile(output, &options)) << task->LastErrMsg();
  ASSERT_EQ(task->RunConversion(), TConversionOutcome::coFinished) << task->FatalMessage();

  const fixtures::ProbedMedia probed = fixtures::ProbeMedia(output);
  EXPECT_EQ(probed.format, c.format);
  EXPECT_EQ(probed.video_codec, c.videoCodec);
  EXPECT_EQ(probed.audio_codec, c.audioCodec);
  if (*c.videoCodec) {
    EXPECT_EQ(probed.width, c.width);
    EXPECT_EQ(probed.height, c.height);
    EXPECT_NEAR(probed.frame_rate, c.fps, 0.05);
  }
  EXPECT_EQ(probed.sample_rate, c.outSampleRate);
  EXPECT_EQ(probed.channels, c.outChannels);
  EXPECT_NEAR(probed.duration, 2.0, 0.25);
}

INSTANTIATE_TEST_SUITE_P(
    Containers, ConversionTest,
    testing::Values(ConversionCase{"avi_keeps_input", "out.avi", "mpeg4", "libmp3lame", "", "", -1, -1, "avi",
                                   "mpeg4", "mp3", 160, 120, 25, 44100, 2},
                    ConversionCase{"mp4_x264_aac_resized", "out.mp4", "libx264", "aac", "320x240", "30",
                                   48000, 2, "mov,mp4,m4a,3gp,3g2,mj2", "h264", "aac", 320, 240, 30, 48000,
                                   2},
                    ConversionCase{"faac_becomes_aac", "out.m4a", "", "libfaac", "", "", 22050, 1,
                                   "mov,mp4,m4a,3gp,3g2,mj2", "h264", "aac", 160, 120, 25, 22050, 1},
                    ConversionCase{"mkv_vorbis", "out.mkv", "mpeg4", "libvorbis", "", "", -1, -1,
                                   "matroska,webm", "mpeg4", "vorbis", 160, 120, 25, 44100, 2},
                    ConversionCase{"flv_downsampled", "out.flv", "flv", "libmp3lame", "", "15", 22050, -1,
                                   "flv", "flv1", "mp3", 160, 120, 15, 22050, 2},
                    ConversionCase{"3gp_h263_amr", "out.3gp", "h263", "libopencore_amrnb", "176x144", "",
                                   8000, 1, "mov,mp4,m4a,3gp,3g2,mj2", "h263", "amr_nb", 176, 144, 25, 8000,
                                   1},
                    ConversionCase{"mpg_mpeg1_mp2", "out.mpg", "mpeg1video", "mp2", "", "", -1, -1, "mpeg",
                                   "mpeg1video", "mp2", 160, 120, 25, 44100, 2},
                    ConversionCase{"wav_pcm", "out.wav", "", "", "", "", -1, -1, "wav", "", "pcm_s16le", 0, 0,
                                   0, 44100, 2},
                    ConversionCase{"wmv", "out.wmv", "wmv2", "wmav2", "", "", -1, -1, "asf", "wmv2", "wmav2",
                                   160, 120, 25, 44100, 2}),
    [](const testing::TestParamInfo<ConversionCase>& info) { return std::string(info.param.name); });

}  // namespace
