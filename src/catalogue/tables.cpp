#include "catalogue/tables.h"

#include <stdexcept>

#include "catalogue/data_files.h"

namespace catalogue::detail {

namespace {
std::string_view embedded(std::string_view name) {
  const std::optional<std::string_view> text = EmbeddedFile(name);
  if (!text) throw std::runtime_error(std::string(name) + ": not compiled in");
  return *text;
}
}  // namespace

TDataTexts EmbeddedTexts() {
  return {embedded("categories.tsv"),   embedded("presets.tsv"),     embedded("defaults.tsv"),
          embedded("defaults_own.tsv"), embedded("corrections.tsv"), embedded("value_lists.tsv"),
          embedded("choices.tsv"),      embedded("choices_own.tsv")};
}

TTables BuildTables(const TDataTexts& texts) {
  TTables tables;
  LoadCategories(texts.Categories, tables);
  LoadPresets(texts.Presets, tables);
  LoadDefaults(texts, tables);
  LoadValueLists(texts.ValueLists, tables);
  LoadChoices(texts, tables);
  return tables;
}

const TTables& Tables() {
  static const TTables tables = BuildTables(EmbeddedTexts());
  return tables;
}

}  // namespace catalogue::detail
