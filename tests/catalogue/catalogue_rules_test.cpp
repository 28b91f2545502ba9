// The catalogue's arithmetic and text rules: preset keys, stored preset numbers, title extensions,
// chooser entry values and the option index string.
#include <gtest/gtest.h>

#include "catalogue/catalogue.h"

namespace catalogue {
namespace {

TEST(PresetNumbers, KeyComesFromTheCategoryCodeNotTheChooserIndex) {
  struct Case {
    int categoryIndex, presetIndex, key;
  };
  for (const Case& c :
       {Case{0, 0, 100}, Case{1, 0, 1600}, Case{1, 6, 1606}, Case{23, 12, 212}, Case{24, 12, 2612},
        Case{27, 12, 412}, Case{25, 12, 2812}, Case{-1, 0, -1}, Case{28, 0, -1}})
    EXPECT_EQ(PresetKey(c.categoryIndex, c.presetIndex), c.key) << c.categoryIndex << "/" << c.presetIndex;
}

TEST(PresetNumbers, StoredNumberComesFromTheChooserPositionsAndDecodesBack) {
  struct Case {
    int categoryIndex, presetIndex, stored;
  };
  for (const Case& c : {Case{0, 0, 100}, Case{24, 12, 2512}, Case{27, 12, 2812}, Case{9, 4, 1004}}) {
    EXPECT_EQ(StoredPresetNumber(c.categoryIndex, c.presetIndex), c.stored);
    EXPECT_EQ(DecodeStoredPresetNumber(c.stored), (TStoredPreset{c.categoryIndex, c.presetIndex}))
        << c.stored;
  }
  // Decoded without range checks: 99 gives category -1, preset 99.
  EXPECT_EQ(DecodeStoredPresetNumber(99), (TStoredPreset{-1, 99}));
}

TEST(PresetLookups, CategoriesListTheirCodesPresets) {
  struct Case {
    int categoryIndex;
    int firstKey;
    size_t count;
  };
  for (const Case& c : {Case{0, 100, 15}, Case{1, 1600, 7}, Case{23, 200, 13}, Case{27, 400, 14}}) {
    const auto presets = PresetsOfCategory(c.categoryIndex);
    ASSERT_EQ(presets.size(), c.count) << c.categoryIndex;
    EXPECT_EQ(presets.front().Key, c.firstKey) << c.categoryIndex;
    EXPECT_EQ(presets.back().Key, c.firstKey + static_cast<int>(c.count) - 1) << c.categoryIndex;
  }
  EXPECT_TRUE(PresetsOfCategory(-1).empty());
  EXPECT_TRUE(PresetsOfCategory(28).empty());
  for (int key : {0, 99, 115, 213, 2813, 2900}) {
    EXPECT_EQ(FindPreset(key), nullptr) << key;
    EXPECT_EQ(FindDefaults(key), nullptr) << key;
    EXPECT_EQ(FindChoices(key), nullptr) << key;
    EXPECT_FALSE(IsAudioOnly(key)) << key;
  }
  EXPECT_EQ(CategoryAt(28), nullptr);
  EXPECT_EQ(CategoryByCode(-1), nullptr);
}

TEST(TitleExtension, ReadsTheFourCharactersBeforeTheLast) {
  struct Case {
    const char* title;
    const char* ext;
  };
  for (const Case& c :
       {Case{"RA - RealAudio音频格式(*.ra)", ".ra"}, Case{"AIFF - 音频交换文件格式(*.aiff)", ".aiff"},
        Case{"FLAC-音频格式(*.flac)", ".flac"}, Case{"RM - REAL视频格式(*.rm)", ".rm"},
        Case{"高清晰MPG格式视频(*.mpg)", ".mpg"}, Case{"iPad MPEG-4视频格式 XviD编码 (*.mp4)", ".mp4"},
        Case{"(*.3g2)", ".3g2"},
        // Characters, not bytes: a Chinese character right before the extension.
        Case{"视频.mp4)", ".mp4"}, Case{"视频视频视频)", "视频视频"},
        // Case-sensitive replacements only.
        Case{"(*.FLAC)", "FLAC"}, Case{"(*.Rm)", "*.Rm"}, Case{"abcd", ""}, Case{"", ""}})
    EXPECT_EQ(TitleExtension(c.title), c.ext) << c.title;
}

TEST(EntryValues, TextChoosersKeepTheSourceForTheirKeepEntries) {
  struct Case {
    TChooser kind;
    const char* entry;
    const char* value;
  };
  for (const Case& c :
       {Case{TChooser::Size, "保持原分辨率", ""}, Case{TChooser::Size, "该格式无视频", ""},
        Case{TChooser::Size, "640*480", "640*480"}, Case{TChooser::FrameRate, "保持原帧速率", ""},
        Case{TChooser::FrameRate, "无视频", ""}, Case{TChooser::FrameRate, "29.97", "29.97"},
        Case{TChooser::FrameRate, "12", "12"}, Case{TChooser::SampleRate, "44100", "44100"},
        Case{TChooser::Aspect, "保持原视频模式", ""}, Case{TChooser::Aspect, "无视频", ""},
        Case{TChooser::Aspect, "普通视频4:3模式", "4:3"}, Case{TChooser::Aspect, "宽屏视频16:9模式", "16:9"},
        Case{TChooser::Aspect, "宽屏视频37:20模式", "37:20"},
        Case{TChooser::Aspect, "宽屏视频47:20模式", "47:20"}})
    EXPECT_EQ(EntryText(c.kind, c.entry), c.value) << c.entry;
}

TEST(EntryValues, BitratesAreThousandsOfTheNumberBeforeKbps) {
  struct Case {
    const char* entry;
    std::optional<std::int32_t> value;
  };
  for (const Case& c :
       {Case{"816 kbps", 816000}, Case{"8 kbps", 8000}, Case{"7.4 kbps", 7400}, Case{"7.95 kbps", 7950},
        Case{"4.75 kbps", 4750}, Case{"12.2 kbps", 12200}, Case{"5.15 kbps", 5150},
        Case{"  128  kbps", 128000}, Case{"无视频", -1000}, Case{"kbps", std::nullopt},
        Case{"128", std::nullopt}, Case{"1.2.3 kbps", std::nullopt}, Case{"-5 kbps", std::nullopt},
        Case{"abc kbps", std::nullopt}, Case{"99999999 kbps", std::nullopt}})
    EXPECT_EQ(EntryBitrate(c.entry), c.value) << c.entry;
}

TEST(PresetChoices, DefaultEntriesOfSamplePresets) {
  struct Case {
    int key;
    const char*
        lists[kChooserCount];  // fill order: size, video bit rate, frame rate, audio bit rate, rate, aspect
    const char* entries[kChooserCount];
  };
  for (const Case& c : {Case{100,
                             {"R1", "VB1", "FR1", "AB1", "SR1", "AS1"},
                             {"保持原分辨率", "816 kbps", "25.00", "128 kbps", "44100", "保持原视频模式"}},
                        Case{200,
                             {"R3", "VB6", "FR3", "AB1", "SR1", "AS3"},
                             {"该格式无视频", "无视频", "无视频", "128 kbps", "44100", "无视频"}},
                        Case{212,
                             {"R3", "VB6", "FR3", "AB3", "SR2", "AS3"},
                             {"该格式无视频", "无视频", "无视频", "7.4 kbps", "8000", "无视频"}},
                        Case{502,
                             {"R7", "VB9", "FR5", "AB4", "SR3", "AS1"},
                             {"1280*720", "1200 kbps", "29.97", "128 kbps", "48000", "宽屏视频16:9模式"}}}) {
    const TPresetChoices* choices = FindChoices(c.key);
    ASSERT_NE(choices, nullptr) << c.key;
    for (int i = 0; i < kChooserCount; ++i) {
      const TChoice& choice = choices->Choices[i];
      EXPECT_EQ(choice.List->Id, c.lists[i]) << c.key << " chooser " << i;
      EXPECT_EQ(choice.List->Entries[choice.Default], c.entries[i]) << c.key << " chooser " << i;
    }
  }
  // R25 offers 1920*1200 twice, at positions 24 and 25.
  const TValueList* r25 = FindValueList("R25");
  ASSERT_NE(r25, nullptr);
  EXPECT_EQ(r25->Entries[24], "1920*1200");
  EXPECT_EQ(r25->Entries[25], "1920*1200");
  EXPECT_EQ(FindChoices(1500)->Choices[0].List, r25);
}

TEST(PresetDefaults, SamplePresetsCarryTheirValues) {
  const TPresetDefaults* d = FindDefaults(102);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->FileExt, ".avi");
  EXPECT_EQ(d->VideoCodec, "mpeg4");
  EXPECT_EQ(d->VideoTag, "DX50");
  EXPECT_EQ(d->AudioCodec, "libmp3lame");
  EXPECT_EQ(d->AudioChannels, "2");
  EXPECT_EQ(d->FrameSize, "");
  EXPECT_EQ(d->VideoBitrate, 816000);
  EXPECT_EQ(d->FrameRate, "25");
  EXPECT_EQ(d->AudioSampleRate, "44100");
  EXPECT_EQ(d->AudioBitrate, 128000);
  EXPECT_FALSE(d->DisableVideo);

  d = FindDefaults(111);
  EXPECT_EQ(d->FileExt, "");
  EXPECT_EQ(d->TargetType, "dvd");
  EXPECT_EQ(d->NormType, "PAL");
  EXPECT_EQ(OutputNameExtension(*d), ".mpg");

  d = FindDefaults(206);
  EXPECT_EQ(d->FileExt, ".rm");
  EXPECT_EQ(OutputNameExtension(*d), ".ra");
  EXPECT_TRUE(d->DisableVideo);

  // A key sharing 109's combination takes its fields but keeps its own size and rates.
  d = FindDefaults(2407);
  EXPECT_EQ(d->FileExt, ".3gp");
  EXPECT_EQ(d->AudioChannels, "1");
  EXPECT_EQ(d->FrameAspectRatio, "4:3");
  EXPECT_EQ(d->AudioSampleRate, "8000");
}

TEST(OptionIndexString, SixTwoDigitPairsInStoredOrder) {
  TOptionPositions p{};
  p[static_cast<int>(TChooser::Size)] = 3;
  p[static_cast<int>(TChooser::VideoBitrate)] = 12;
  p[static_cast<int>(TChooser::AudioBitrate)] = 0;
  p[static_cast<int>(TChooser::Aspect)] = 1;
  p[static_cast<int>(TChooser::FrameRate)] = 5;
  p[static_cast<int>(TChooser::SampleRate)] = 2;
  EXPECT_EQ(FormatOptionIndexString(p), "031200010502");
  EXPECT_EQ(ParseOptionIndexString("031200010502"), p);

  // No selection keeps the string at 12 characters and reads back as -1.
  p[static_cast<int>(TChooser::Aspect)] = -1;
  EXPECT_EQ(FormatOptionIndexString(p), "031200-10502");
  EXPECT_EQ(ParseOptionIndexString("031200-10502"), p);

  EXPECT_EQ(FormatOptionIndexString(DefaultPositions(*FindChoices(100))), "000310000904");
}

TEST(OptionIndexString, MalformedTextIsRejected) {
  for (const char* text :
       {"", "03120001050", "0312000105020", "03120001050x", "0312 0010502", "0-1200010502", "+1200010502 "})
    EXPECT_EQ(ParseOptionIndexString(text), std::nullopt) << text;
}

TEST(OptionIndexString, ReplacingOnePairLeavesTheOthers) {
  struct Case {
    const char* before;
    TChooser chooser;
    int position;
    const char* after;
  };
  for (const Case& c : {Case{"000310100904", TChooser::Size, 1, "010310100904"},
                        Case{"010310100904", TChooser::VideoBitrate, 12, "011210100904"},
                        Case{"000310100904", TChooser::SampleRate, 5, "000310100905"},
                        Case{"000310100904", TChooser::FrameRate, 7, "000310100704"},
                        Case{"000310100904", TChooser::Aspect, -1, "000310-10904"},
                        Case{"0003", TChooser::AudioBitrate, 10, "000310000000"}})
    EXPECT_EQ(ReplaceOptionPair(c.before, c.chooser, c.position), c.after) << c.before;
}

}  // namespace
}  // namespace catalogue
