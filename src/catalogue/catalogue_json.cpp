#include "catalogue/catalogue_json.h"

namespace catalogue {

const char* ChooserJsonName(TChooser chooser) {
  switch (chooser) {
    case TChooser::Size:
      return "size";
    case TChooser::VideoBitrate:
      return "video_bitrate";
    case TChooser::FrameRate:
      return "frame_rate";
    case TChooser::AudioBitrate:
      return "audio_bitrate";
    case TChooser::SampleRate:
      return "sample_rate";
    case TChooser::Aspect:
      return "aspect";
  }
  return "";
}

nlohmann::ordered_json CategoryJson(const TCategory& category) {
  return {{"index", category.Index},
          {"code", category.Code},
          {"caption", category.Caption},
          {"icon", category.Icon}};
}

namespace {
nlohmann::ordered_json defaultsJson(const TPresetDefaults& d) {
  return {{"FileExt", d.FileExt},
          {"VideoCodec", d.VideoCodec},
          {"VideoTag", d.VideoTag},
          {"AudioCodec", d.AudioCodec},
          {"AudioChannels", d.AudioChannels},
          {"FrameSize", d.FrameSize},
          {"VideoBitrate", d.VideoBitrate},
          {"FrameRate", d.FrameRate},
          {"AudioSampleRate", d.AudioSampleRate},
          {"AudioBitrate", d.AudioBitrate},
          {"FrameAspectRatio", d.FrameAspectRatio},
          {"DisableVideo", d.DisableVideo},
          {"TargetType", d.TargetType},
          {"NormType", d.NormType}};
}

nlohmann::ordered_json choicesJson(const TPresetChoices& c) {
  nlohmann::ordered_json choices = nlohmann::ordered_json::object();
  for (TChooser chooser : kChooserFillOrder) {
    const TChoice& choice = c[chooser];
    choices[ChooserJsonName(chooser)] = {
        {"list", choice.List->Id},
        {"entries", std::vector<std::string>(choice.List->Entries.begin(), choice.List->Entries.end())},
        {"default", choice.Default}};
  }
  return choices;
}
}  // namespace

nlohmann::ordered_json PresetJson(const TPreset& preset) {
  nlohmann::ordered_json j = {{"key", preset.Key},
                              {"code", preset.Code},
                              {"index", preset.Index},
                              {"title", preset.Title},
                              {"description", preset.Description},
                              {"icon", preset.Icon},
                              {"title_ext", TitleExtension(preset.Title)}};
  // Every key of the catalogue has both rows (checked by the catalogue's tests); stay safe regardless.
  if (const TPresetDefaults* d = FindDefaults(preset.Key)) {
    j["name_ext"] = OutputNameExtension(*d);
    j["defaults"] = defaultsJson(*d);
  }
  if (const TPresetChoices* c = FindChoices(preset.Key)) j["choices"] = choicesJson(*c);
  j["audio_only"] = IsAudioOnly(preset.Key);
  return j;
}

nlohmann::ordered_json CatalogueJson(std::optional<int> categoryIndex) {
  nlohmann::ordered_json categories = nlohmann::ordered_json::array();
  nlohmann::ordered_json presets = nlohmann::ordered_json::array();
  if (categoryIndex) {
    if (const TCategory* c = CategoryAt(*categoryIndex)) {
      categories.push_back(CategoryJson(*c));
      for (const TPreset& p : PresetsOfCode(c->Code)) presets.push_back(PresetJson(p));
    }
  } else {
    for (const TCategory& c : Categories()) categories.push_back(CategoryJson(c));
    for (const TPreset& p : Presets()) presets.push_back(PresetJson(p));
  }
  return {{"categories", std::move(categories)}, {"presets", std::move(presets)}};
}

}  // namespace catalogue
