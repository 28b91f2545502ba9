#pragma once
// Option names and flags of the older library generation (used by the built-in libx264 presets, the
// target presets and users' option texts) translated to their present equivalents.
#include <span>
#include <string>
#include <vector>

namespace engine {

// An old name that is now called differently (usually an encoder's private option).
struct TLegacyRename {
  const char* OldName;
  const char* PresentName;
};

// An old value of an option that the present table spells differently.
struct TLegacyValue {
  const char* Name;  // present option name
  const char* OldValue;
  const char* PresentValue;
};

// One flag of an old flags option ("flags", "flags2") that became an option of its own. PresentName null:
// no present equivalent; the flag is dropped with a warning.
struct TLegacyFlag {
  const char* Option;  // "flags" or "flags2"
  const char* Flag;
  const char* PresentName;
  const char* SetValue;    // value for "+flag"
  const char* ClearValue;  // value for "-flag"
};

// One partition flag of the old "partitions" option and the libx264 partition it names.
struct TLegacyPartition {
  const char* Flag;
  const char* Partition;
};

std::span<const TLegacyRename> LegacyRenames();
std::span<const TLegacyValue> LegacyValues();
std::span<const TLegacyFlag> LegacyFlags();
std::span<const TLegacyPartition> LegacyPartitions();
// Old names without any present equivalent (dropped with a warning).
std::span<const char* const> LegacyDropped();
// Names that set only video in the older generation but audio as well now ("b", "maxrate", ...).
bool IsVideoOnlyLegacyName(const std::string& AName);

struct TPresentOption {
  std::string Name;
  std::string Value;
};

struct TLegacyTranslation {
  std::vector<TPresentOption> Options;  // in order; the option itself when nothing was old
  std::vector<std::string> Warnings;    // one line per dropped setting
};

// Translates one option; options that are not old come back unchanged.
TLegacyTranslation TranslateLegacyOption(const std::string& AName, const std::string& AValue);

}  // namespace engine
