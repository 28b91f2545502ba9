#pragma once
// The catalogue as a JSON document, for tools and scripts (vornel-cli presets --json).
#include <nlohmann/json.hpp>
#include <optional>

#include "catalogue/catalogue.h"

namespace catalogue {

// {"index","code","caption","icon"}
nlohmann::ordered_json CategoryJson(const TCategory& category);
// {"key","code","index","title","description","icon","title_ext","name_ext","defaults":{...},
//  "choices":{"size":{"list","entries","default"},...},"audio_only"}
nlohmann::ordered_json PresetJson(const TPreset& preset);
// {"categories":[...],"presets":[...]}: every category and preset, or only the category at the chooser
// position `categoryIndex` and its presets.
nlohmann::ordered_json CatalogueJson(std::optional<int> categoryIndex = std::nullopt);

// The JSON name of a chooser: "size", "video_bitrate", "frame_rate", "audio_bitrate", "sample_rate",
// "aspect".
const char* ChooserJsonName(TChooser chooser);

}  // namespace catalogue
