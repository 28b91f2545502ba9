// vornel-cli presets: the output categories, a category's presets, or the whole catalogue as JSON.
#include <charconv>
#include <cstdio>
#include <optional>
#include <string>

#include "catalogue/catalogue.h"
#include "catalogue/catalogue_json.h"
#include "cli/command.h"

namespace cli {
namespace {

std::string orDash(const std::string& text) { return text.empty() ? "-" : text; }

std::optional<int> parseIndex(const std::string& text) {
  int value = 0;
  auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || p != text.data() + text.size()) return std::nullopt;
  return value;
}

void listCategories() {
  std::printf("index\tcode\tcaption\n");
  for (const catalogue::TCategory& c : catalogue::Categories())
    std::printf("%d\t%d\t%s\n", c.Index, c.Code, c.Caption.c_str());
}

// The entry a chooser starts at, as shown to the user.
std::string defaultEntry(const catalogue::TPresetChoices& choices, catalogue::TChooser chooser) {
  const catalogue::TChoice& c = choices[chooser];
  return c.List->Entries[c.Default] + " (" + c.List->Id + " " + std::to_string(c.Default) + ")";
}

void listPresets(int categoryIndex) {
  std::printf("key\tstored\ttitle\text\tvideo\taudio");
  for (catalogue::TChooser chooser : catalogue::kChooserFillOrder)
    std::printf("\t%s", catalogue::ChooserJsonName(chooser));
  std::printf("\n");
  for (const catalogue::TPreset& p : catalogue::PresetsOfCategory(categoryIndex)) {
    const catalogue::TPresetDefaults* d = catalogue::FindDefaults(p.Key);
    const catalogue::TPresetChoices* choices = catalogue::FindChoices(p.Key);
    if (!d || !choices) continue;  // every catalogue key has both; guarded for safety
    std::string video = d->DisableVideo ? "(none)" : orDash(d->VideoCodec);
    if (!d->VideoTag.empty()) video += "/" + d->VideoTag;
    std::string audio = orDash(d->AudioCodec);
    if (!d->TargetType.empty()) video = audio = d->TargetType + " " + d->NormType;
    std::printf("%d\t%d\t%s\t%s\t%s\t%s", p.Key, catalogue::StoredPresetNumber(categoryIndex, p.Index),
                p.Title.c_str(), catalogue::OutputNameExtension(*d).c_str(), video.c_str(), audio.c_str());
    for (catalogue::TChooser chooser : catalogue::kChooserFillOrder)
      std::printf("\t%s", defaultEntry(*choices, chooser).c_str());
    std::printf("\n");
  }
}

int runPresets(const CommandArgs& args) {
  bool json = false;
  std::optional<int> categoryIndex;
  for (const std::string& arg : args) {
    if (arg == "--json") {
      json = true;
    } else if (!categoryIndex) {
      categoryIndex = parseIndex(arg);
      if (!categoryIndex || !catalogue::CategoryAt(*categoryIndex))
        return UsageError("CATEGORY_INDEX must be a number from 0 to " +
                          std::to_string(catalogue::kCategoryCount - 1) + ", not '" + arg + "'");
    } else {
      return UsageError("presets takes at most one CATEGORY_INDEX");
    }
  }
  if (json)
    std::printf("%s\n", catalogue::CatalogueJson(categoryIndex).dump(2).c_str());
  else if (categoryIndex)
    listPresets(*categoryIndex);
  else
    listCategories();
  return 0;
}

const CommandRegistration kRegistration(
    {"presets", "presets [CATEGORY_INDEX] [--json]",
     "lists the output categories, a category's presets, or the catalogue as JSON", runPresets});

}  // namespace
}  // namespace cli
