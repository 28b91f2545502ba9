// The catalogue as one JSON document: its shape and that it carries the tables unchanged.
#include <gtest/gtest.h>

#include "catalogue/catalogue.h"
#include "catalogue/catalogue_json.h"

namespace catalogue {
namespace {

TEST(CatalogueJson, WholeCatalogueHasEveryCategoryAndPreset) {
  const nlohmann::ordered_json doc = CatalogueJson();
  ASSERT_EQ(doc["categories"].size(), 28u);
  ASSERT_EQ(doc["presets"].size(), 288u);
  EXPECT_EQ(doc["categories"][0],
            nlohmann::ordered_json::parse(R"({"index":0,"code":0,"caption":"经典视频","icon":40})"));
  // Round trip through text keeps the Chinese text intact.
  const nlohmann::ordered_json reread = nlohmann::ordered_json::parse(doc.dump());
  EXPECT_EQ(reread, doc);
  for (const auto& p : doc["presets"]) {
    const TPreset* preset = FindPreset(p["key"].get<int>());
    ASSERT_NE(preset, nullptr);
    EXPECT_EQ(p["title"], preset->Title);
    EXPECT_EQ(p["title_ext"], p["name_ext"]) << p["key"];
    EXPECT_EQ(p["audio_only"], p["defaults"]["DisableVideo"]) << p["key"];
    for (const char* name :
         {"size", "video_bitrate", "frame_rate", "audio_bitrate", "sample_rate", "aspect"}) {
      const auto& choice = p["choices"][name];
      ASSERT_TRUE(choice.is_object()) << p["key"] << " " << name;
      EXPECT_LT(choice["default"].get<size_t>(), choice["entries"].size()) << p["key"] << " " << name;
    }
  }
}

TEST(CatalogueJson, PresetCarriesItsDefaultsAndChoices) {
  const nlohmann::ordered_json p = PresetJson(*FindPreset(100));
  const nlohmann::ordered_json expectedDefaults = nlohmann::ordered_json::parse(R"({
      "FileExt":".avi","VideoCodec":"mpeg4","VideoTag":"XVID","AudioCodec":"libmp3lame","AudioChannels":"2",
      "FrameSize":"","VideoBitrate":816000,"FrameRate":"25","AudioSampleRate":"44100","AudioBitrate":128000,
      "FrameAspectRatio":"","DisableVideo":false,"TargetType":"","NormType":""})");
  EXPECT_EQ(p["defaults"], expectedDefaults);
  EXPECT_EQ(p["key"], 100);
  EXPECT_EQ(p["code"], 0);
  EXPECT_EQ(p["index"], 0);
  EXPECT_EQ(p["icon"], 0);
  EXPECT_EQ(p["title_ext"], ".avi");
  EXPECT_EQ(p["choices"]["video_bitrate"]["list"], "VB1");
  EXPECT_EQ(p["choices"]["video_bitrate"]["default"], 3);
  EXPECT_EQ(p["choices"]["video_bitrate"]["entries"][3], "816 kbps");
  EXPECT_EQ(p["choices"]["size"]["entries"].size(), 28u);

  const nlohmann::ordered_json disc = PresetJson(*FindPreset(2412));
  EXPECT_EQ(disc["defaults"]["TargetType"], "dvd");
  EXPECT_EQ(disc["defaults"]["FileExt"], "");
  EXPECT_EQ(disc["name_ext"], ".mpg");
}

TEST(CatalogueJson, OneCategoryListsOnlyItsPresets) {
  const nlohmann::ordered_json doc = CatalogueJson(24);  // 平板电脑, code 25
  ASSERT_EQ(doc["categories"].size(), 1u);
  EXPECT_EQ(doc["categories"][0]["code"], 25);
  ASSERT_EQ(doc["presets"].size(), 13u);
  EXPECT_EQ(doc["presets"][12]["key"], 2612);
  EXPECT_EQ(doc["presets"][12]["audio_only"], true);
  const nlohmann::ordered_json none = CatalogueJson(28);
  EXPECT_TRUE(none["categories"].empty());
  EXPECT_TRUE(none["presets"].empty());
}

}  // namespace
}  // namespace catalogue
