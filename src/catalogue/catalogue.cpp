// The catalogue's lookups over the process-wide tables.
#include "catalogue/catalogue.h"

#include <algorithm>

#include "catalogue/tables.h"

namespace catalogue {

using detail::Tables;

namespace {
// Binary search of a key-ordered vector.
template <typename T>
const T* findByKey(const std::vector<T>& rows, int key) {
  auto it = std::lower_bound(rows.begin(), rows.end(), key, [](const T& row, int k) { return row.Key < k; });
  return it != rows.end() && it->Key == key ? &*it : nullptr;
}
}  // namespace

std::span<const TCategory> Categories() { return Tables().Categories; }

const TCategory* CategoryAt(int categoryIndex) {
  const auto& all = Tables().Categories;
  if (categoryIndex < 0 || static_cast<size_t>(categoryIndex) >= all.size()) return nullptr;
  return &all[categoryIndex];
}

const TCategory* CategoryByCode(int code) {
  for (const TCategory& c : Tables().Categories)
    if (c.Code == code) return &c;
  return nullptr;
}

std::span<const TPreset> Presets() { return Tables().Presets; }

std::span<const TPreset> PresetsOfCode(int code) {
  if (code < 0 || code >= kCategoryCount) return {};
  const auto [first, end] = Tables().CodeRange[code];
  return std::span<const TPreset>(Tables().Presets).subspan(first, end - first);
}

std::span<const TPreset> PresetsOfCategory(int categoryIndex) {
  const TCategory* c = CategoryAt(categoryIndex);
  return c ? PresetsOfCode(c->Code) : std::span<const TPreset>();
}

const TPreset* FindPreset(int key) { return findByKey(Tables().Presets, key); }

int PresetKey(int categoryIndex, int presetIndex) {
  const TCategory* c = CategoryAt(categoryIndex);
  return c ? PresetKeyOfCode(c->Code, presetIndex) : -1;
}

const TPresetDefaults* FindDefaults(int key) { return findByKey(Tables().Defaults, key); }

const std::string& OutputNameExtension(const TPresetDefaults& defaults) {
  return defaults.NameExt.empty() ? defaults.FileExt : defaults.NameExt;
}

bool IsAudioOnly(int key) {
  const TPresetChoices* c = FindChoices(key);
  return c && c->AudioOnly;
}

std::span<const TValueList> ValueLists(TChooser kind) { return Tables().Lists[static_cast<int>(kind)]; }

const TValueList* FindValueList(std::string_view id) {
  for (const auto& lists : Tables().Lists)
    for (const TValueList& list : lists)
      if (list.Id == id) return &list;
  return nullptr;
}

const TPresetChoices* FindChoices(int key) { return findByKey(Tables().Choices, key); }

}  // namespace catalogue
