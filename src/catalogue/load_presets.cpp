// Categories and presets from categories.tsv and presets.tsv.
#include <algorithm>

#include "catalogue/tables.h"
#include "catalogue/tsv.h"

namespace catalogue::detail {

namespace {
constexpr std::string_view kCategoriesFile = "categories.tsv";
constexpr std::string_view kPresetsFile = "presets.tsv";
}  // namespace

void LoadCategories(std::string_view text, TTables& tables) {
  for (const TTsvRow& row : ReadTsv(text)) {
    ExpectFields(kCategoriesFile, row, 4);
    TCategory c{ParseInt(kCategoriesFile, row, row.Fields[0]), ParseInt(kCategoriesFile, row, row.Fields[1]),
                row.Fields[3], ParseInt(kCategoriesFile, row, row.Fields[2])};
    if (c.Index != static_cast<int>(tables.Categories.size()))
      DataError(kCategoriesFile, row.Line, "categories must be listed in chooser order");
    if (c.Code < 0 || c.Code >= kCategoryCount)
      DataError(kCategoriesFile, row.Line, "category code out of range");
    tables.Categories.push_back(std::move(c));
  }
}

void LoadPresets(std::string_view text, TTables& tables) {
  for (const TTsvRow& row : ReadTsv(text)) {
    ExpectFields(kPresetsFile, row, 3);
    const int key = ParseInt(kPresetsFile, row, row.Fields[0]);
    const int code = key / 100 - 1;
    const int index = key % 100;
    if (code < 0 || code >= kCategoryCount)
      DataError(kPresetsFile, row.Line, "key outside the category codes");
    if (!tables.Presets.empty() && tables.Presets.back().Key >= key)
      DataError(kPresetsFile, row.Line, "keys must ascend");
    // The preset icon list holds one icon for even and one for odd positions.
    tables.Presets.push_back({key, code, index, row.Fields[1], row.Fields[2], index % 2});
  }
  for (int code = 0; code < kCategoryCount; ++code) {
    const auto first = std::find_if(tables.Presets.begin(), tables.Presets.end(),
                                    [code](const TPreset& p) { return p.Code >= code; });
    const auto end =
        std::find_if(first, tables.Presets.end(), [code](const TPreset& p) { return p.Code > code; });
    tables.CodeRange[code] = {static_cast<size_t>(first - tables.Presets.begin()),
                              static_cast<size_t>(end - tables.Presets.begin())};
  }
}

}  // namespace catalogue::detail
