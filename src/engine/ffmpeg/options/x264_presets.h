#pragma once
// The built-in encoder presets: libx264 settings as key=value lines, looked up by name.
#include <span>

namespace engine {

struct TOptionsPreset {
  const char* Name;
  const char* Value;  // key=value lines separated by line feeds
};

// The 36 rows in lookup order.
std::span<const TOptionsPreset> BuiltinPresets();

}  // namespace engine
