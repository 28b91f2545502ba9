#include "app/job_records.h"

#include <gtest/gtest.h>

namespace app {
namespace {

using catalogue::TChooser;

TEST(JobRecords, PresetDefaultsThenChoosersAtTheirDefaults) {
  struct Case {
    int key;
    const char* frameSize;
    int32_t videoBitrate;
    const char* frameRate;
    int32_t audioBitrate;
    const char* sampleRate;
    const char* aspect;
    const char* videoCodec;
    bool disableVideo;
  } cases[] = {
      {100, "", 816000, "25.00", 128000, "44100", "", "mpeg4", false},
      {200, "", kNoBitrate, "", 128000, "44100", "", "", true},    // audio only
      {212, "", kNoBitrate, "", 7400, "8000", "", "", true},       // AMR: "7.4 kbps"
      {111, "", 816000, "25.00", 128000, "44100", "", "", false},  // DVD target
      {502, "1280*720", 1200000, "29.97", 128000, "48000", "16:9", "mpeg4", false},
  };
  for (const auto& c : cases) {
    std::string error;
    const auto fields = WorkingFieldsForPreset(c.key, kDefaultPositions, &error);
    ASSERT_TRUE(fields) << c.key << ": " << error;
    EXPECT_EQ(fields->Video_FrameSize, c.frameSize) << c.key;
    EXPECT_EQ(fields->Video_VideoBitrate, c.videoBitrate) << c.key;
    EXPECT_EQ(fields->Video_FrameRate, c.frameRate) << c.key;
    EXPECT_EQ(fields->Video_AudioBitrate, c.audioBitrate) << c.key;
    EXPECT_EQ(fields->Video_AudioSampleRate, c.sampleRate) << c.key;
    EXPECT_EQ(fields->Video_FrameAspectRatio, c.aspect) << c.key;
    EXPECT_EQ(fields->Video_VideoCodec, c.videoCodec) << c.key;
    EXPECT_EQ(fields->Video_DisableVideo, c.disableVideo) << c.key;
    EXPECT_EQ(fields->Video_AudioVolume, "256") << c.key;
  }
  const auto dvd = WorkingFieldsForPreset(111);
  ASSERT_TRUE(dvd);
  EXPECT_EQ(dvd->Video_TargetType, "dvd");
  EXPECT_EQ(dvd->Video_NormType, "PAL");
  EXPECT_EQ(dvd->Video_FileExt, "");
}

TEST(JobRecords, ChosenPositionsAndBadRequests) {
  TChooserPositions positions = kDefaultPositions;
  positions[static_cast<size_t>(TChooser::AudioBitrate)] = 7;  // "12.2 kbps"
  auto amr = WorkingFieldsForPreset(212, positions);
  ASSERT_TRUE(amr);
  EXPECT_EQ(amr->Video_AudioBitrate, 12200);
  positions[static_cast<size_t>(TChooser::AudioBitrate)] = 0;  // "4.75 kbps"
  EXPECT_EQ(WorkingFieldsForPreset(212, positions)->Video_AudioBitrate, 4750);

  TChooserPositions size = kDefaultPositions;
  size[static_cast<size_t>(TChooser::Size)] = 11;  // R1: "640*480"
  EXPECT_EQ(WorkingFieldsForPreset(100, size)->Video_FrameSize, "640*480");

  std::string error;
  EXPECT_FALSE(WorkingFieldsForPreset(99, kDefaultPositions, &error));
  EXPECT_NE(error.find("99"), std::string::npos);
  size[static_cast<size_t>(TChooser::Size)] = 28;  // R1 has 28 entries
  EXPECT_FALSE(WorkingFieldsForPreset(100, size, &error));
  EXPECT_NE(error.find("R1"), std::string::npos);
}

TEST(JobRecords, EveryPresetYieldsUsableFields) {
  int count = 0;
  for (const catalogue::TPreset& preset : catalogue::Presets()) {
    std::string error;
    const auto fields = WorkingFieldsForPreset(preset.Key, kDefaultPositions, &error);
    ASSERT_TRUE(fields) << preset.Key << ": " << error;
    engine::TOutputOptions o;
    FillOutputOptions(*fields, "/out/x" + fields->Video_FileExt, o);
    // Either a disc target, or something the engine can name the output by.
    EXPECT_TRUE(o.TargetType != engine::TOptionTargetType::ttIgnore ||
                !catalogue::OutputNameExtension(*catalogue::FindDefaults(preset.Key)).empty())
        << preset.Key;
    EXPECT_EQ(o.DisableVideo, catalogue::IsAudioOnly(preset.Key)) << preset.Key;
    ++count;
  }
  EXPECT_EQ(count, 288);
}

TEST(JobRecords, FillOutputOptionsFromWorkingFields) {
  TWorkingFields w;
  w.Video_VideoCodec = "libx264";
  w.Video_AudioCodec = "AUTO";
  w.Video_AudioChannels = "2";
  w.Video_AudioSampleRate = "44100";
  w.Video_FrameSize = "640*480";
  w.Video_FrameRate = "29.97";
  w.Video_TargetType = "svcd";
  w.Video_NormType = "NTSC";
  w.Video_FrameAspectRatio = "16:9";
  w.Video_VideoBitrate = 816000;
  w.Video_AudioBitrate = kNoAudioBitrate2;
  w.Video_VideoTag = "XVID";
  engine::TOutputOptions o;
  o.AudioBitrate = 99;  // stale values of an earlier use are reset
  FillOutputOptions(w, "/out/clip.mp4", o);
  EXPECT_EQ(o.FileName, "/out/clip.mp4");
  EXPECT_EQ(o.VideoCodec, "libx264");
  EXPECT_EQ(o.VideoPreset, "libx264-default");
  EXPECT_EQ(o.AudioCodec, "");
  EXPECT_EQ(o.AudioChannels, 2);
  EXPECT_EQ(o.AudioSampleRate, 44100);
  EXPECT_EQ(o.FrameSize, "640*480");
  EXPECT_EQ(o.FrameRate, "29.97");
  EXPECT_EQ(o.TargetType, engine::TOptionTargetType::ttSVCD);
  EXPECT_EQ(o.NormType, engine::TOptionNormType::ntNTSC);
  EXPECT_EQ(o.FrameAspectRatio, "16:9");
  EXPECT_EQ(o.VideoBitrate, 816000);
  EXPECT_EQ(o.AudioBitrate, -1);
  EXPECT_EQ(o.AudioVolume, 256);
  EXPECT_EQ(o.VideoTag, "XVID");
  EXPECT_EQ(o.AudioSyncMethod, 0);
  EXPECT_EQ(o.TimeStart, engine::kNoTime);

  struct Case {
    const char* codec;
    const char* preset;
  } codecs[] = {{"mpeg4", ""}, {"", ""}};
  for (const auto& c : codecs) {
    w.Video_VideoCodec = c.codec;
    FillOutputOptions(w, "x", o);
    EXPECT_EQ(o.VideoCodec, c.codec);
    EXPECT_EQ(o.VideoPreset, c.preset);
  }

  // Unusable text leaves a field unset instead of failing.
  w.Video_AudioChannels = "two";
  w.Video_AudioSampleRate = "AUTO";
  w.Video_TargetType = "bluray";
  w.Video_NormType = "SECAM";
  w.Video_VideoBitrate = kNoBitrate;
  w.Video_AudioBitrate = kNoBitrate;
  FillOutputOptions(w, "x", o);
  EXPECT_EQ(o.AudioChannels, -1);
  EXPECT_EQ(o.AudioSampleRate, -1);
  EXPECT_EQ(o.TargetType, engine::TOptionTargetType::ttIgnore);
  EXPECT_EQ(o.NormType, engine::TOptionNormType::ntAuto);
  EXPECT_EQ(o.VideoBitrate, -1);
  EXPECT_EQ(o.AudioBitrate, -1);
}

}  // namespace
}  // namespace app
