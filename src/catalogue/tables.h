#pragma once
// The catalogue's tables as read from its data files. The public accessors (catalogue.h) read the
// process-wide instance; tests also build tables from texts of their own.
#include <array>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "catalogue/catalogue.h"

namespace catalogue::detail {

// The text of each data file.
struct TDataTexts {
  std::string_view Categories;   // categories.tsv
  std::string_view Presets;      // presets.tsv
  std::string_view Defaults;     // defaults.tsv: one row per distinct combination
  std::string_view DefaultsOwn;  // defaults_own.tsv: frame size and bit rates of the sharing keys
  std::string_view Corrections;  // corrections.tsv: per-key fixes over the combination rows
  std::string_view ValueLists;   // value_lists.tsv
  std::string_view Choices;      // choices.tsv: one row per distinct set of six lists
  std::string_view ChoicesOwn;   // choices_own.tsv: default positions of the sharing keys
};

// The texts compiled into the library.
TDataTexts EmbeddedTexts();

struct TCorrection {
  int Key;
  std::string Field;
  std::string Value;
};

// Immutable once built. Choice rows point into Lists, and lists into EntryStore, so the tables are
// movable (vectors keep their buffers) but not copyable.
struct TTables {
  std::vector<TCategory> Categories;                                  // by chooser index
  std::vector<TPreset> Presets;                                       // by key
  std::array<std::pair<size_t, size_t>, kCategoryCount> CodeRange{};  // [first, end) in Presets per code
  std::vector<TPresetDefaults> Defaults;                              // by key
  std::vector<std::vector<std::string>> EntryStore;                   // the entries of every list
  std::array<std::vector<TValueList>, kChooserCount> Lists;           // per chooser kind, in file order
  std::vector<TPresetChoices> Choices;                                // by key
  int CombinationRows = 0;                                            // rows of defaults.tsv
  int ChoiceRows = 0;                                                 // rows of choices.tsv
  std::vector<TCorrection> Corrections;

  TTables() = default;
  TTables(TTables&&) = default;
  TTables& operator=(TTables&&) = default;
  TTables(const TTables&) = delete;
  TTables& operator=(const TTables&) = delete;
};

// Builds the tables; throws std::runtime_error("<file>:<line>: <reason>") on malformed data (wrong field
// count, bad number, unknown list or field, a key given twice, a sharing key without its own row).
TTables BuildTables(const TDataTexts& texts);

// The process-wide tables built from the embedded texts on first use.
const TTables& Tables();

// Loading steps, each filling its part of the tables.
void LoadCategories(std::string_view text, TTables& tables);
void LoadPresets(std::string_view text, TTables& tables);
void LoadDefaults(const TDataTexts& texts, TTables& tables);
void LoadValueLists(std::string_view text, TTables& tables);
void LoadChoices(const TDataTexts& texts, TTables& tables);

}  // namespace catalogue::detail
