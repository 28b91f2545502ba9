#include "engine/converter/ext_option_lines.h"

#include <cerrno>
#include <cstdlib>

#include "base/text.h"
#include "engine/ffmpeg/options/ext_options.h"

namespace engine {
namespace {

void AppendLine(std::string& AExtOptions, const std::string& AName, const std::string& AValue) {
  AExtOptions += AName;
  AExtOptions += '=';
  AExtOptions += AValue;
  AExtOptions += '\n';
}

}  // namespace

int64_t TimeFromText(const std::string& AText) {
  if (AText.empty()) return kNoTime;
  errno = 0;
  char* end = nullptr;
  const long long value = std::strtoll(AText.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || end == AText.c_str()) return kNoTime;
  return value;
}

void InputOptionsFromLines(const std::string& AExtOptions, TInputOptions& AOptions) {
  for (const auto& [name, value] : SplitOptionText(AExtOptions)) {
    if (name.empty() && value.empty()) continue;  // blank line
    if (base::AsciiLower(name) == "timestart")
      AOptions.TimeStart = TimeFromText(value);
    else
      AppendLine(AOptions.ExtOptions, name, value);
  }
}

void OutputOptionsFromLines(const std::string& AExtOptions, TOutputOptions& AOptions) {
  for (const auto& [name, value] : SplitOptionText(AExtOptions)) {
    if (name.empty() && value.empty()) continue;  // blank line
    const std::string key = base::AsciiLower(name);
    if (key == "hook" || key == "customhook")
      AOptions.CustomHook = true;
    else if (key == "join")
      AOptions.Join = true;
    else if (key == "timestart")
      AOptions.TimeStart = TimeFromText(value);
    else if (key == "timelength")
      AOptions.TimeLength = TimeFromText(value);
    else
      AppendLine(AOptions.ExtOptions, name, value);
  }
}

}  // namespace engine
