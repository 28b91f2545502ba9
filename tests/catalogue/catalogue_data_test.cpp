// Checks the catalogue's data against itself and against the counts and rules it must satisfy.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "base/text.h"
#include "catalogue/catalogue.h"
#include "catalogue/tables.h"

namespace catalogue {
namespace {

const std::set<int> kAudioOnlyKeys = {200, 201, 202, 203, 204,  205,  206,  207,  208,  209,
                                      210, 211, 212, 708, 1202, 1203, 1505, 1506, 2515, 2612};
const std::set<int> kDiscKeys = {111,  112,  113,  1408, 1409, 1410, 2210, 2211,
                                 2212, 2310, 2311, 2312, 2412, 2413, 2414};

TEST(CatalogueCounts, TablesHaveTheirDesignedSizes) {
  const detail::TTables& t = detail::Tables();
  EXPECT_EQ(t.Categories.size(), 28u);
  EXPECT_EQ(t.Presets.size(), 288u);
  EXPECT_EQ(t.Defaults.size(), 288u);
  EXPECT_EQ(t.Choices.size(), 288u);
  EXPECT_EQ(t.CombinationRows, 107);
  EXPECT_EQ(t.ChoiceRows, 73);
  EXPECT_EQ(ValueLists(TChooser::Size).size(), 33u);
  EXPECT_EQ(ValueLists(TChooser::VideoBitrate).size(), 33u);
  EXPECT_EQ(ValueLists(TChooser::FrameRate).size(), 8u);
  EXPECT_EQ(ValueLists(TChooser::AudioBitrate).size(), 6u);
  EXPECT_EQ(ValueLists(TChooser::SampleRate).size(), 6u);
  EXPECT_EQ(ValueLists(TChooser::Aspect).size(), 3u);
}

TEST(CatalogueCounts, EveryListHasItsEntryCount) {
  const std::map<std::string, size_t> sizes = {
      {"R1", 28},   {"R2", 11},   {"R3", 1},    {"R4", 11},   {"R5", 7},    {"R6", 12},   {"R7", 25},
      {"R8", 13},   {"R9", 25},   {"R10", 27},  {"R11", 12},  {"R12", 5},   {"R13", 13},  {"R14", 8},
      {"R15", 9},   {"R16", 3},   {"R17", 16},  {"R18", 4},   {"R19", 11},  {"R20", 5},   {"R21", 2},
      {"R22", 19},  {"R23", 14},  {"R24", 17},  {"R25", 28},  {"R26", 27},  {"R27", 15},  {"R28", 18},
      {"R29", 28},  {"R30", 10},  {"R31", 16},  {"R32", 16},  {"R33", 20},  {"VB1", 8},   {"VB2", 9},
      {"VB3", 9},   {"VB4", 15},  {"VB5", 9},   {"VB6", 1},   {"VB7", 8},   {"VB8", 9},   {"VB9", 11},
      {"VB10", 12}, {"VB11", 12}, {"VB12", 12}, {"VB13", 12}, {"VB14", 7},  {"VB15", 17}, {"VB16", 12},
      {"VB17", 12}, {"VB18", 13}, {"VB19", 11}, {"VB20", 9},  {"VB21", 10}, {"VB22", 9},  {"VB23", 10},
      {"VB24", 11}, {"VB25", 11}, {"VB26", 10}, {"VB27", 11}, {"VB28", 10}, {"VB29", 11}, {"VB30", 12},
      {"VB31", 11}, {"VB32", 9},  {"VB33", 9},  {"FR1", 12},  {"FR2", 7},   {"FR3", 1},   {"FR4", 4},
      {"FR5", 10},  {"FR6", 3},   {"FR7", 8},   {"FR8", 6},   {"AB1", 17},  {"AB2", 6},   {"AB3", 8},
      {"AB4", 5},   {"AB5", 8},   {"AB6", 9},   {"SR1", 6},   {"SR2", 1},   {"SR3", 4},   {"SR4", 7},
      {"SR5", 3},   {"SR6", 5},   {"AS1", 5},   {"AS2", 2},   {"AS3", 1}};
  ASSERT_EQ(sizes.size(), 89u);
  for (const auto& [id, size] : sizes) {
    const TValueList* list = FindValueList(id);
    ASSERT_NE(list, nullptr) << id;
    EXPECT_EQ(list->Entries.size(), size) << id;
  }
}

TEST(CatalogueCounts, EveryCategoryCodeHasItsPresetCount) {
  const int counts[kCategoryCount] = {15, 13, 10, 14, 15, 5,  14, 5,  10, 8,  5,  4,  11, 11,
                                      7,  7,  7,  7,  7,  12, 6,  13, 13, 15, 16, 13, 12, 13};
  int total = 0;
  for (int code = 0; code < kCategoryCount; ++code) {
    const auto presets = PresetsOfCode(code);
    EXPECT_EQ(presets.size(), static_cast<size_t>(counts[code])) << "code " << code;
    // Keys run without gaps from (code + 1) * 100, and the position is the display order.
    for (size_t i = 0; i < presets.size(); ++i) {
      EXPECT_EQ(presets[i].Key, PresetKeyOfCode(code, static_cast<int>(i)));
      EXPECT_EQ(presets[i].Code, code);
      EXPECT_EQ(presets[i].Index, static_cast<int>(i));
      EXPECT_EQ(presets[i].Icon, static_cast<int>(i % 2));
    }
    total += counts[code];
  }
  EXPECT_EQ(total, 288);
}

TEST(CatalogueCategories, ChooserOrderMapsOntoEveryCodeOnce) {
  std::set<int> codes;
  for (const TCategory& c : Categories()) {
    EXPECT_EQ(&c, CategoryAt(c.Index));
    EXPECT_EQ(CategoryByCode(c.Code), &c);
    EXPECT_GE(c.Icon, 0);
    EXPECT_LT(c.Icon, 45);
    codes.insert(c.Code);
  }
  EXPECT_EQ(codes.size(), 28u);
  struct Case {
    int index, code, icon;
    const char* caption;
  };
  for (const Case& k :
       {Case{0, 0, 40, "经典视频"}, Case{1, 15, 13, "AVI视频"}, Case{23, 1, 1, "通用音频"},
        Case{24, 25, 42, "平板电脑"}, Case{25, 27, 44, "网络机顶盒"}, Case{27, 3, 3, "iPod视频"}}) {
    const TCategory* c = CategoryAt(k.index);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->Code, k.code) << k.index;
    EXPECT_EQ(c->Icon, k.icon) << k.index;
    EXPECT_EQ(c->Caption, k.caption) << k.index;
  }
}

TEST(CataloguePresets, TitlesAreSingleLinesEndingInAnExtension) {
  for (const TPreset& p : Presets()) {
    EXPECT_TRUE(base::IsValidUtf8(p.Title)) << p.Key;
    EXPECT_TRUE(base::EndsWith(p.Title, ")")) << p.Key;
    EXPECT_NE(p.Title.find("(*."), std::string::npos) << p.Key;
    const std::string ext = TitleExtension(p.Title);
    EXPECT_TRUE(ext.size() >= 3 && ext[0] == '.' && ext.find_first_of("*() ") == std::string::npos)
        << p.Key << " " << ext;
    EXPECT_FALSE(p.Description.empty()) << p.Key;
    EXPECT_TRUE(base::IsValidUtf8(p.Description)) << p.Key;
    EXPECT_EQ(p.Description.find_first_of("\t\r\n"), std::string::npos) << p.Key;
  }
}

TEST(CataloguePresets, TitlesKeepTheirExactCharacters) {
  const std::map<int, std::string> titles = {{100, "AVI - 音频视频交错格式(*.avi)"},
                                             {210, "FLAC-音频格式(*.flac)"},
                                             {700, "3GPP -  第三代合作项目-3GP视频+AMR音频(*.3gp)"},
                                             {701, "3GPP -  第三代合作项目-3GP视频+AAC音频(*.3gp)"},
                                             {702, "3GPP2 -  第三代合作项目2-3G2视频+AMR音频(*.3g2)"},
                                             {703, "3GPP2 -  第三代合作项目2-3G2视频+AAC音频(*.3g2)"},
                                             {1302, "iPad MPEG-4视频格式 XviD编码 (*.mp4)"},
                                             {2302, "JVC DV摄像机MOD高清视频格式，转换为AVI视频格式(*.avi)"},
                                             {2402, "RM视频格式，转换为AVI视频格式(*.avi)"},
                                             {2812, "高清晰MPG格式视频(*.mpg)"}};
  for (const auto& [key, title] : titles) {
    const TPreset* p = FindPreset(key);
    ASSERT_NE(p, nullptr) << key;
    EXPECT_EQ(p->Title, title) << key;
  }
  // Only the four 3GPP titles carry a doubled blank.
  std::set<int> doubled;
  for (const TPreset& p : Presets())
    if (p.Title.find("  ") != std::string::npos) doubled.insert(p.Key);
  EXPECT_EQ(doubled, (std::set<int>{700, 701, 702, 703}));
}

TEST(CataloguePresets, GivenDescriptionsAreExactAndTellTwinTitlesApart) {
  const std::map<int, std::string> given = {
      {100, "AVI最常用的视频格式,语音和影像同步组合在一起的文件格式"},
      {200, "最流行的音频格式,具有体积小,音质高的特点,几乎成为网上音乐的代名词"},
      {300, "高清晰AVI视频格式(DivX视频编码)"},
      {301, "高清晰AVI视频格式(XviD视频编码)"},
      {710, "为常用手机优化的MP4视频预置方案.(如索爱/三星/摩托罗拉等)"},
      {713, "为手机优化的MP4视频预置方案."},
      {901, "为Xbox360优化的高清晰MPEG-2视频预置方案."},
      {902, "为Xbox360优化的高清晰MPEG-2视频预置方案."},
      {907, "为Xbox360优化的AVI视频预置方案.(高清晰)."},
      {908, "为Xbox360优化的AVI视频预置方案.(微软编码1)."},
      {909, "为Xbox360优化的AVI视频预置方案.(微软编码2)."},
      {1003, "为微软Zune优化的MPEG-4 AVC视频预置方案"},
      {1004, "为微软Zune优化的MPEG-4 AVC视频预置方案"},
      {1200, "在线视频网站常用的视频预置方案如(优酷、酷六、土豆网)"},
      {2202, "Sony AVCHD高清视频格式,DivX编码格式"}};
  for (const auto& [key, text] : given) EXPECT_EQ(FindPreset(key)->Description, text) << key;
  // Within a category, presets sharing a title differ in their description, except where the given
  // descriptions themselves coincide (901/902, 1003/1004).
  std::map<std::pair<int, std::string>, std::set<std::string>> descriptions;
  std::map<std::pair<int, std::string>, int> titles;
  for (const TPreset& p : Presets()) {
    descriptions[{p.Code, p.Title}].insert(p.Description);
    ++titles[{p.Code, p.Title}];
  }
  for (const auto& [codeTitle, count] : titles) {
    if (count == 1 || codeTitle.second == "Xbox360 MCE HD MPEG-2视频(*.mpg)" ||
        codeTitle.second == "Zune MPEG-4 AVC视频(*.mp4)")
      continue;
    EXPECT_EQ(descriptions[codeTitle].size(), static_cast<size_t>(count)) << codeTitle.second;
  }
}

TEST(CatalogueDefaults, EveryKeyHasDefaultsAndChoices) {
  for (const TPreset& p : Presets()) {
    EXPECT_NE(FindDefaults(p.Key), nullptr) << p.Key;
    EXPECT_NE(FindChoices(p.Key), nullptr) << p.Key;
  }
  for (const TPresetDefaults& d : detail::Tables().Defaults) EXPECT_NE(FindPreset(d.Key), nullptr) << d.Key;
  for (const TPresetChoices& c : detail::Tables().Choices) EXPECT_NE(FindPreset(c.Key), nullptr) << c.Key;
}

TEST(CatalogueDefaults, TitleExtensionMatchesTheOutputNameExtension) {
  for (const TPreset& p : Presets())
    EXPECT_EQ(TitleExtension(p.Title), OutputNameExtension(*FindDefaults(p.Key))) << p.Key << " " << p.Title;
}

TEST(CatalogueDefaults, FileExtDiffersFromTheNameOnlyWhereTheContainerIsNamedOtherwise) {
  // Disc presets and RM leave FileExt to the target or the engine; 206 and 306 name the file differently
  // from their container; four audio presets name the container only through the file name.
  std::map<int, std::pair<std::string, std::string>> expected = {
      {114, {"", ".rm"}},   {206, {".rm", ".ra"}}, {306, {".asf", ".wmv"}}, {1202, {"", ".flv"}},
      {1203, {"", ".swf"}}, {1505, {"", ".swf"}},  {1506, {"", ".flv"}}};
  for (int key : kDiscKeys) expected[key] = {"", ".mpg"};
  for (const TPresetDefaults& d : detail::Tables().Defaults) {
    auto it = expected.find(d.Key);
    if (it == expected.end()) {
      EXPECT_TRUE(d.NameExt.empty()) << d.Key;
      EXPECT_FALSE(d.FileExt.empty()) << d.Key;
      continue;
    }
    EXPECT_EQ(d.FileExt, it->second.first) << d.Key;
    EXPECT_EQ(OutputNameExtension(d), it->second.second) << d.Key;
  }
}

TEST(CatalogueDefaults, CorrectionsMendTheExtensionsTitlesPromise) {
  const std::map<int, std::string> mended = {
      {901, ".mpg"}, {906, ".wmv"}, {909, ".avi"}, {2500, ".mp4"}, {2700, ".mp4"}};
  std::map<int, std::string> applied;
  for (const detail::TCorrection& c : detail::Tables().Corrections) {
    EXPECT_EQ(c.Field, "FileExt") << c.Key;
    applied[c.Key] = c.Value;
  }
  EXPECT_EQ(applied, mended);
  for (const auto& [key, ext] : mended) EXPECT_EQ(FindDefaults(key)->FileExt, ext) << key;
  // The rest of each corrected row stays as its combination gives it.
  EXPECT_EQ(FindDefaults(909)->VideoCodec, "msmpeg4v1");
  EXPECT_EQ(FindDefaults(2500)->VideoCodec, "libx264");
  EXPECT_EQ(FindDefaults(2700)->AudioCodec, "libmp3lame");
}

TEST(CatalogueDefaults, AudioOnlyPresetsAgreeEverywhere) {
  for (const TPreset& p : Presets()) {
    const bool audioOnly = kAudioOnlyKeys.count(p.Key) > 0;
    const TPresetDefaults& d = *FindDefaults(p.Key);
    const TPresetChoices& c = *FindChoices(p.Key);
    EXPECT_EQ(d.DisableVideo, audioOnly) << p.Key;
    EXPECT_EQ(c.AudioOnly, audioOnly) << p.Key;
    EXPECT_EQ(IsAudioOnly(p.Key), audioOnly) << p.Key;
    if (!audioOnly) continue;
    // The video choosers hold their single "no video" entry; the video fields keep their reset values.
    EXPECT_EQ(c[TChooser::Size].List->Id, "R3") << p.Key;
    EXPECT_EQ(c[TChooser::VideoBitrate].List->Id, "VB6") << p.Key;
    EXPECT_EQ(c[TChooser::FrameRate].List->Id, "FR3") << p.Key;
    EXPECT_EQ(c[TChooser::Aspect].List->Id, "AS3") << p.Key;
    EXPECT_TRUE(d.VideoCodec.empty() && d.VideoTag.empty() && d.FrameSize.empty() && d.FrameRate.empty() &&
                d.FrameAspectRatio.empty())
        << p.Key;
    EXPECT_EQ(d.VideoBitrate, -1) << p.Key;
  }
}

TEST(CatalogueDefaults, DiscPresetsSetOnlyTargetAndNorm) {
  const char* targets[] = {"dvd", "svcd", "vcd"};
  int i = 0;
  for (int key : kDiscKeys) {
    const TPresetDefaults& d = *FindDefaults(key);
    EXPECT_EQ(d.TargetType, targets[i++ % 3]) << key;
    EXPECT_EQ(d.NormType, "PAL") << key;
    EXPECT_EQ(d.VideoBitrate, -1000) << key;
    EXPECT_EQ(d.AudioBitrate, -1000) << key;
    EXPECT_TRUE(d.FileExt.empty() && d.VideoCodec.empty() && d.AudioCodec.empty() &&
                d.AudioChannels.empty() && d.FrameSize.empty() && d.FrameRate.empty() &&
                d.AudioSampleRate.empty())
        << key;
  }
  for (const TPresetDefaults& d : detail::Tables().Defaults) {
    const bool disc = kDiscKeys.count(d.Key) > 0;
    EXPECT_EQ(d.TargetType.empty() && d.NormType.empty(), !disc) << d.Key;
  }
}

TEST(CatalogueDefaults, EncodersAreOnesThePresetsAreKnownToNeed) {
  const std::set<std::string> video = {"",           "mpeg4",      "libx264", "libxvid",
                                       "mpeg1video", "mpeg2video", "msmpeg4", "msmpeg4v1",
                                       "msmpeg4v2",  "wmv2",       "h263",    "rv20"};
  const std::set<std::string> audio = {"",    "libmp3lame", "libfaac", "wmav2",
                                       "ac3", "libvorbis",  "flac",    "libopencore_amrnb"};
  for (const TPresetDefaults& d : detail::Tables().Defaults) {
    EXPECT_TRUE(video.count(d.VideoCodec)) << d.Key << " " << d.VideoCodec;
    EXPECT_TRUE(audio.count(d.AudioCodec)) << d.Key << " " << d.AudioCodec;
    EXPECT_TRUE(d.VideoTag.empty() || d.VideoTag == "XVID" || d.VideoTag == "DX50") << d.Key;
    EXPECT_TRUE(d.AudioChannels.empty() || d.AudioChannels == "1" || d.AudioChannels == "2") << d.Key;
  }
}

TEST(CatalogueChoices, DefaultPositionsLieInsideTheirLists) {
  for (const TPresetChoices& c : detail::Tables().Choices)
    for (TChooser chooser : kChooserFillOrder) {
      const TChoice& choice = c[chooser];
      ASSERT_NE(choice.List, nullptr) << c.Key;
      EXPECT_EQ(choice.List->Kind, chooser) << c.Key;
      EXPECT_GE(choice.Default, 0) << c.Key;
      EXPECT_LT(static_cast<size_t>(choice.Default), choice.List->Entries.size())
          << c.Key << " " << choice.List->Id;
    }
}

// Whether a defaults value is one a chooser entry of the key's list stands for.
bool listOffers(const TChoice& choice, TChooser kind, const std::string& text, int bitrate) {
  for (const std::string& entry : choice.List->Entries) {
    if (kind == TChooser::VideoBitrate || kind == TChooser::AudioBitrate) {
      if (EntryBitrate(entry) == bitrate) return true;
    } else if (EntryText(kind, entry) == text) {
      return true;
    }
  }
  return false;
}

TEST(CatalogueChoices, DefaultsLieWithinTheKeysOwnLists) {
  // Given preset values outside their lists: RM keeps unset bit rates; 400, 600 and 705 carry rates that
  // their lists do not offer. Every other value, including all chosen for sharing keys, is offered.
  const std::set<std::pair<int, TChooser>> outside = {{114, TChooser::VideoBitrate},
                                                      {114, TChooser::AudioBitrate},
                                                      {400, TChooser::VideoBitrate},
                                                      {600, TChooser::VideoBitrate},
                                                      {705, TChooser::AudioBitrate}};
  for (const TPresetDefaults& d : detail::Tables().Defaults) {
    if (kDiscKeys.count(d.Key)) continue;  // the disc target decides sizes and rates
    const TPresetChoices& c = *FindChoices(d.Key);
    const std::pair<TChooser, bool> checks[] = {
        {TChooser::Size, listOffers(c[TChooser::Size], TChooser::Size, d.FrameSize, 0)},
        {TChooser::VideoBitrate,
         d.DisableVideo || listOffers(c[TChooser::VideoBitrate], TChooser::VideoBitrate, "", d.VideoBitrate)},
        {TChooser::AudioBitrate,
         listOffers(c[TChooser::AudioBitrate], TChooser::AudioBitrate, "", d.AudioBitrate)}};
    for (const auto& [chooser, offered] : checks)
      EXPECT_EQ(offered, !outside.count({d.Key, chooser}))
          << d.Key << " chooser " << static_cast<int>(chooser);
  }
}

// The frame size a title names: "(640X480)", or "1080P", "720P", "480P"; empty when it names none.
std::string titleSize(const std::string& title) {
  for (size_t x = title.find('X'); x != std::string::npos; x = title.find('X', x + 1)) {
    const size_t open = title.rfind('(', x);
    const size_t close = title.find(')', x);
    if (open == std::string::npos || close == std::string::npos) continue;
    const std::string w = title.substr(open + 1, x - open - 1), h = title.substr(x + 1, close - x - 1);
    if (!w.empty() && !h.empty() && w.find_first_not_of("0123456789") == std::string::npos &&
        h.find_first_not_of("0123456789") == std::string::npos)
      return w + "*" + h;
  }
  for (const auto& [tag, size] : {std::pair{"1080P", "1920*1080"}, {"720P", "1280*720"}, {"480P", "640*480"}})
    if (title.find(tag) != std::string::npos) return size;
  return {};
}

TEST(CatalogueChoices, ATitlesNamedResolutionIsTheDefaultSize) {
  int named = 0;
  for (const TPreset& p : Presets()) {
    const std::string size = titleSize(p.Title);
    if (size.empty()) continue;
    ++named;
    const TChoice& choice = (*FindChoices(p.Key))[TChooser::Size];
    EXPECT_EQ(choice.List->Entries[choice.Default], size) << p.Key << " " << p.Title;
    EXPECT_EQ(FindDefaults(p.Key)->FrameSize, size) << p.Key << " " << p.Title;
  }
  EXPECT_GE(named, 25);
}

TEST(CatalogueChoices, EveryEntryHasAValue) {
  for (TChooser kind : kChooserFillOrder)
    for (const TValueList& list : ValueLists(kind)) {
      EXPECT_EQ(list.Kind, kind) << list.Id;
      for (const std::string& entry : list.Entries) {
        switch (kind) {
          case TChooser::VideoBitrate:
          case TChooser::AudioBitrate: {
            const auto rate = EntryBitrate(entry);
            ASSERT_TRUE(rate.has_value()) << list.Id << " " << entry;
            EXPECT_TRUE(*rate > 0 || (*rate == -1000 && entry == "无视频")) << list.Id << " " << entry;
            break;
          }
          case TChooser::Size: {
            const std::string v = EntryText(kind, entry);
            const auto parts = base::Split(v, '*');
            EXPECT_TRUE(v.empty() ||
                        (parts.size() == 2 && std::stoi(parts[0]) > 0 && std::stoi(parts[1]) > 0))
                << list.Id << " " << entry;
            break;
          }
          case TChooser::FrameRate: {
            const std::string v = EntryText(kind, entry);
            EXPECT_TRUE(v.empty() || std::stod(v) > 0) << list.Id << " " << entry;
            break;
          }
          case TChooser::SampleRate:
            EXPECT_GT(std::stoi(EntryText(kind, entry)), 0) << list.Id << " " << entry;
            break;
          case TChooser::Aspect: {
            const std::set<std::string> known = {"保持原视频模式",    "无视频",
                                                 "普通视频4:3模式",   "宽屏视频16:9模式",
                                                 "宽屏视频37:20模式", "宽屏视频47:20模式"};
            EXPECT_TRUE(known.count(entry)) << list.Id << " " << entry;
            break;
          }
        }
      }
    }
}

}  // namespace
}  // namespace catalogue
