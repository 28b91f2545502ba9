// Every preset of the catalogue converts with its default choices, and the result holds what the preset
// asks for: container, codecs, frame size, frame rate, sample rate, channels, a plausible duration.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

#include "app/job_records.h"
#include "catalogue/catalogue.h"
#include "engine_test_support.h"

namespace {

std::string CodecNameOfEncoder(engine::TCustomFFmpeg& ATask, const std::string& AEncoder) {
  const AVCodec* codec = av::avcodec_find_encoder_by_name(ATask.PresentEncoderName(AEncoder).c_str());
  return codec ? av::avcodec_get_name(codec->id) : "";
}

// "640*480" -> 640, 480.
bool ParseSize(const std::string& AText, int& AWidth, int& AHeight) {
  const size_t star = AText.find_first_of("*x");
  if (star == std::string::npos) return false;
  AWidth = std::atoi(AText.c_str());
  AHeight = std::atoi(AText.c_str() + star + 1);
  return AWidth > 0 && AHeight > 0;
}

// Presets that ask for AAC in an MPEG program stream (.vob, .mpg), which cannot carry it: they get the
// container's usual MP2 instead.
const std::map<int, std::string> kAudioCodecReplaced = {
    {307, "mp2"},  {308, "mp2"},  {1404, "mp2"}, {2100, "mp2"}, {2101, "mp2"},
    {2102, "mp2"}, {2103, "mp2"}, {2104, "mp2"}, {2105, "mp2"}, {2411, "mp2"},
};

class PresetTest : public testing::TestWithParam<int> {
 protected:
  void SetUp() override { ASSERT_TRUE(testsupport::LoadLibraries(media::kConverterLibraries)); }
};

TEST_P(PresetTest, ConvertsWithItsDefaultChoices) {
  const int key = GetParam();
  std::string error;
  const auto fields = app::WorkingFieldsForPreset(key, app::kDefaultPositions, &error);
  ASSERT_TRUE(fields) << error;
  const catalogue::TPresetDefaults* defaults = catalogue::FindDefaults(key);
  ASSERT_NE(defaults, nullptr);
  const std::string output = fixtures::FreshOutputDir("preset_" + std::to_string(key)) + "/out" +
                             catalogue::OutputNameExtension(*defaults);
  engine::TOutputOptions options;
  app::FillOutputOptions(*fields, output, options);

  enginetest::LogCapture log;
  auto task = enginetest::NewTask();
  ASSERT_TRUE(task->AddInputFile(fixtures::EnginePresetClip(), nullptr)) << task->LastErrMsg();
  ASSERT_TRUE(task->SetOutputFile(output, &options)) << task->LastErrMsg();
  ASSERT_EQ(task->RunConversion(), engine::TConversionOutcome::coFinished) << task->FatalMessage() << "\n"
                                                                           << log.Text();

  const fixtures::ProbedMedia probed = fixtures::ProbeMedia(output);
  const bool audioOnly = fields->Video_DisableVideo || catalogue::IsAudioOnly(key);
  if (audioOnly) {
    EXPECT_EQ(probed.video_streams, 0);
  } else {
    ASSERT_EQ(probed.video_streams, 1);
    if (!options.VideoCodec.empty() && options.VideoCodec != "copy") {
      EXPECT_EQ(probed.video_codec, CodecNameOfEncoder(*task, options.VideoCodec));
    }
    int width = 0, height = 0;
    if (options.TargetType == engine::TOptionTargetType::ttIgnore &&
        ParseSize(options.FrameSize, width, height)) {
      EXPECT_EQ(probed.width, width);
      EXPECT_EQ(probed.height, height);
    }
    if (!options.FrameRate.empty() && probed.frame_rate > 0) {
      EXPECT_NEAR(probed.frame_rate, std::atof(options.FrameRate.c_str()), 0.1) << options.FrameRate;
    }
  }
  ASSERT_EQ(probed.audio_streams, 1);
  if (const auto replaced = kAudioCodecReplaced.find(key); replaced != kAudioCodecReplaced.end()) {
    EXPECT_EQ(probed.audio_codec, replaced->second);
  } else if (!options.AudioCodec.empty() && options.AudioCodec != "copy") {
    EXPECT_EQ(probed.audio_codec, CodecNameOfEncoder(*task, options.AudioCodec))
        << "asked " << options.AudioCodec;
  }
  if (options.AudioSampleRate > 0) {
    EXPECT_EQ(probed.sample_rate, options.AudioSampleRate);
  }
  if (options.AudioChannels > 0) {
    EXPECT_EQ(probed.channels, options.AudioChannels);
  }
  EXPECT_GT(probed.duration, 0.5);
  EXPECT_LT(probed.duration, 1.6);
}

std::vector<int> AllKeys() {
  std::vector<int> keys;
  for (const catalogue::TPreset& preset : catalogue::Presets()) keys.push_back(preset.Key);
  return keys;
}

INSTANTIATE_TEST_SUITE_P(Catalogue, PresetTest, testing::ValuesIn(AllKeys()),
                         [](const testing::TestParamInfo<int>& info) {
                           return "key" + std::to_string(info.param);
                         });

}  // namespace
