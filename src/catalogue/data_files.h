#pragma once
// The catalogue's data files (data/*.tsv), compiled into the library.
#include <optional>
#include <string_view>

namespace catalogue::detail {

// The text of the data file with this name ("presets.tsv"), or std::nullopt.
std::optional<std::string_view> EmbeddedFile(std::string_view name);

}  // namespace catalogue::detail
