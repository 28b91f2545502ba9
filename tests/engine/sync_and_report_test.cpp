// The output clock (dropping and duplicating pictures, silence for late sound), the limits, joining, the
// filter path and the progress reports.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "engine_test_support.h"

namespace {

using engine::TConversionOutcome;

struct Report {
  int fileIndex, frameNumber, fps;
  float quality;
  int64_t size, duration, total;
};

class SyncAndReportTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(testsupport::LoadLibraries(media::kConverterLibraries)); }

  // Converts AInputs into AOutput and returns what the probe sees; every report lands in reports_.
  fixtures::ProbedMedia Convert(const std::vector<std::string>& AInputs, const std::string& AOutput,
                                engine::TOutputOptions AOptions, bool ACountFrames = false) {
    auto task = enginetest::NewTask();
    for (const std::string& input : AInputs)
      EXPECT_TRUE(task->AddInputFile(input, nullptr)) << task->LastErrMsg();
    EXPECT_TRUE(task->SetOutputFile(AOutput, &AOptions)) << task->LastErrMsg();
    task->ReportInterval = 0;
    reports_.clear();
    task->FOnProgress = [this](engine::TCustomFFmpeg*, int AFileIndex, int AFrameNumber, int AFPS,
                               float AQuality, float, int64_t ASize, int64_t ADuration, int64_t ATotal) {
      reports_.push_back({AFileIndex, AFrameNumber, AFPS, AQuality, ASize, ADuration, ATotal});
    };
    EXPECT_EQ(task->RunConversion(), TConversionOutcome::coFinished) << task->FatalMessage();
    return fixtures::ProbeMedia(AOutput, ACountFrames);
  }

  std::vector<Report> reports_;
};

struct RateCase {
  const char* rate;
  const char* file;
  int minFrames, maxFrames;
};

TEST_F(SyncAndReportTest, AConstantRateOutputDropsOrDuplicatesPictures) {
  // The input has 50 pictures at 25 per second over 2 s.
  const RateCase cases[] = {
      {"50", "out50.avi", 97, 102},
      {"10", "out10.avi", 19, 22},
      {"25", "out25.avi", 50, 50},
  };
  for (const RateCase& c : cases) {
    SCOPED_TRACE(c.rate);
    auto options = enginetest::OutputOptions("mpeg4", "libmp3lame");
    options.FrameRate = c.rate;
    const auto probed =
        Convert({fixtures::EngineClip()}, fixtures::FreshOutputDir("rate") + "/" + c.file, options, true);
    EXPECT_GE(probed.video_frames, c.minFrames);
    EXPECT_LE(probed.video_frames, c.maxFrames);
  }
}

TEST_F(SyncAndReportTest, LateSoundIsPaddedWithSilenceOnlyWhenAudioSyncIsOn) {
  // The sound starts 0.5 s after the picture and lasts 2 s; a WAV file has no timestamps, so only
  // inserted silence can make it longer.
  struct {
    int syncMethod;
    double duration;
  } const cases[] = {{1, 2.5}, {0, 2.0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.syncMethod);
    engine::TOutputOptions options;
    options.AudioSyncMethod = c.syncMethod;
    const auto probed = Convert({fixtures::DamagedClip(fixtures::TDamage::dmLateAudio)},
                                fixtures::FreshOutputDir("late_audio") + "/out.wav", options);
    EXPECT_NEAR(probed.duration, c.duration, 0.06);
  }
}

TEST_F(SyncAndReportTest, ADurationLimitCutsTheOutputAndIsTheReportedTotal) {
  auto options = enginetest::OutputOptions("mpeg4", "libmp3lame");
  options.TimeLength = 1000000;
  const auto probed =
      Convert({fixtures::EngineClip()}, fixtures::FreshOutputDir("limit") + "/out.mkv", options);
  EXPECT_NEAR(probed.duration, 1.0, 0.1);
  ASSERT_FALSE(reports_.empty());
  for (const Report& r : reports_) EXPECT_EQ(r.total, 1000000);
}

TEST_F(SyncAndReportTest, AudioOnlyReportsCarryNoVideoFigures) {
  engine::TOutputOptions options;
  options.DisableVideo = true;  // MP3 would otherwise take the picture as cover art
  const auto probed =
      Convert({fixtures::EngineClip()}, fixtures::FreshOutputDir("audio_only") + "/out.mp3", options);
  EXPECT_EQ(probed.video_streams, 0);
  ASSERT_GE(reports_.size(), 2u);
  for (const Report& r : reports_) {
    EXPECT_EQ(r.frameNumber, -1);
    EXPECT_EQ(r.fps, -1);
    EXPECT_EQ(r.quality, -1.0f);
  }
  const Report& last = reports_.back();
  EXPECT_EQ(last.fileIndex, -1);
  EXPECT_NEAR(last.duration / 1e6, 2.0, 0.1);
  EXPECT_NEAR(last.total / 1e6, 2.0, 0.1);
  EXPECT_GT(last.size, 10000);
}

TEST_F(SyncAndReportTest, VideoReportsCountEncodedFramesUpToTheLast) {
  auto options = enginetest::OutputOptions("mpeg4", "libmp3lame");
  Convert({fixtures::EngineClip()}, fixtures::FreshOutputDir("video_reports") + "/out.avi", options);
  ASSERT_GE(reports_.size(), 2u);
  for (size_t i = 1; i < reports_.size(); ++i)
    EXPECT_GE(reports_[i].frameNumber, reports_[i - 1].frameNumber);
  for (size_t i = 0; i + 1 < reports_.size(); ++i) EXPECT_EQ(reports_[i].fileIndex, 0);
  EXPECT_EQ(reports_.back().fileIndex, -1);
  EXPECT_EQ(reports_.back().frameNumber, 50);
  EXPECT_GT(reports_.back().quality, 0.0f);
}

TEST_F(SyncAndReportTest, JoiningTwoInputsMakesOneContinuousFile) {
  auto options = enginetest::OutputOptions("mpeg4", "libmp3lame");
  options.Join = true;
  const auto probed = Convert({fixtures::EngineClip(), fixtures::EngineClip()},
                              fixtures::FreshOutputDir("join") + "/joined.avi", options, true);
  EXPECT_NEAR(probed.duration, 4.0, 0.2);
  EXPECT_GE(probed.video_frames, 98);
  EXPECT_LE(probed.video_frames, 101);
  ASSERT_FALSE(reports_.empty());
  EXPECT_NEAR(reports_.back().total / 1e6, 4.0, 0.1);
  EXPECT_GE(reports_.back().frameNumber, 98);
}

TEST_F(SyncAndReportTest, VideoFiltersRunBeforeTheEncoderAtItsSize) {
  auto options = enginetest::OutputOptions("mpeg4", "libmp3lame");
  options.FrameSize = "320x240";
  options.VideoFilters = "hflip";
  const auto probed =
      Convert({fixtures::EngineClip()}, fixtures::FreshOutputDir("filters") + "/out.avi", options, true);
  EXPECT_EQ(probed.width, 320);
  EXPECT_EQ(probed.height, 240);
  EXPECT_EQ(probed.video_frames, 50);
}

TEST_F(SyncAndReportTest, StreamsFollowWhatTheInputHasAndWhatIsDisabled) {
  struct {
    const char* name;
    std::string input;
    bool disableAudio;
    int video, audio;
  } const cases[] = {
      {"sound only into avi", fixtures::EngineAudioOnlyClip(), false, 0, 1},
      {"audio disabled", fixtures::EngineClip(), true, 1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    engine::TOutputOptions options;
    options.DisableAudio = c.disableAudio;
    const auto probed = Convert({c.input}, fixtures::FreshOutputDir("streams") + "/out.avi", options);
    EXPECT_EQ(probed.video_streams, c.video);
    EXPECT_EQ(probed.audio_streams, c.audio);
  }
}

}  // namespace

namespace {

// The 16-bit samples of a WAV file written by the engine.
std::vector<int16_t> WavSamples(const std::string& APath) {
  std::ifstream in(APath, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const size_t data = bytes.find("data");
  if (data == std::string::npos) return {};
  std::vector<int16_t> samples((bytes.size() - data - 8) / 2);
  std::memcpy(samples.data(), bytes.data() + data + 8, samples.size() * 2);
  return samples;
}

TEST_F(SyncAndReportTest, VolumeScalesSamplesAndClipsAtTheLimits) {
  std::vector<int16_t> plain, loud;
  for (int volume : {256, 1024}) {
    engine::TOutputOptions options;
    options.AudioVolume = volume;
    const std::string output = fixtures::FreshOutputDir("volume" + std::to_string(volume)) + "/out.wav";
    Convert({fixtures::EngineClip()}, output, options);
    (volume == 256 ? plain : loud) = WavSamples(output);
  }
  ASSERT_EQ(plain.size(), loud.size());
  ASSERT_GT(plain.size(), 44100u);
  int clipped = 0;
  for (size_t i = 0; i < plain.size(); ++i) {
    const int expected = std::clamp(plain[i] * 4, -32768, 32767);
    EXPECT_NEAR(loud[i], expected, 6) << "sample " << i;
    if (expected == 32767 || expected == -32768) ++clipped;
    if (HasFailure()) break;
  }
  EXPECT_GT(clipped, 0);  // the tone is loud enough to reach the limits
}

}  // namespace
