#include "engine/ffmpeg/options/ext_options.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "base/text.h"
#include "engine/ffmpeg/options/ffmpeg_options.h"

namespace engine {

namespace {
bool isBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string trimControls(const std::string& AText) {
  size_t first = 0;
  size_t last = AText.size();
  while (first < last && isBlankOrControl(AText[first])) ++first;
  while (last > first && isBlankOrControl(AText[last - 1])) --last;
  return AText.substr(first, last - first);
}

std::string normaliseLineBreaks(const std::string& AText) {
  std::string result;
  result.reserve(AText.size());
  static constexpr std::string_view kCRLFText = "<CRLF>";
  for (size_t i = 0; i < AText.size(); ++i) {
    if (AText[i] == '\r') {
      result += '\n';
      if (i + 1 < AText.size() && AText[i + 1] == '\n') ++i;
    } else if (AText.compare(i, kCRLFText.size(), kCRLFText) == 0) {
      result += '\n';
      i += kCRLFText.size() - 1;
    } else {
      result += AText[i];
    }
  }
  return result;
}

bool isOneOf(const std::string& AName, std::initializer_list<std::string_view> ANames) {
  return std::find(ANames.begin(), ANames.end(), AName) != ANames.end();
}

// Lines the input side leaves alone: they only mean something for an output.
bool skippedOnInput(const std::string& AName) {
  return isOneOf(AName, {"newvideo", "newaudio", "newsubtitle", "apre", "vpre", "spre", "vfilters", "vf"});
}
}  // namespace

std::vector<std::string> SplitOptionLines(const std::string& AText) {
  const std::string text = normaliseLineBreaks(trimControls(AText));
  if (text.empty()) return {};
  std::vector<std::string> lines = base::Split(text, '\n');
  if (lines.back().empty()) lines.pop_back();  // a final line feed ends the last line, it starts none
  return lines;
}

std::vector<TOptionLine> SplitOptionText(const std::string& AText) {
  std::vector<TOptionLine> lines;
  for (const std::string& line : SplitOptionLines(AText)) {
    const size_t eq = line.find('=');
    if (eq == std::string::npos)
      lines.emplace_back(line, std::string());
    else
      lines.emplace_back(line.substr(0, eq), line.substr(eq + 1));
  }
  return lines;
}

bool IsQueuedOutputName(const std::string& ALowerName) {
  return isOneOf(ALowerName, {"acodec", "vcodec", "scodec", "apre", "vpre", "spre", "s", "vfilters", "vf"});
}

bool IsNewStreamName(const std::string& ALowerName) {
  return isOneOf(ALowerName, {"newvideo", "newaudio", "newsubtitle"});
}

void TFFmpegOptions::ApplyExtOptions(const std::string& AText, bool AInputSide) {
  for (const auto& [name, value] : SplitOptionText(AText)) {
    const std::string lower = base::AsciiLower(name);
    if (AInputSide ? skippedOnInput(lower) : (IsNewStreamName(lower) || IsQueuedOutputName(lower))) continue;
    ParseOption(lower, value);
  }
}

}  // namespace engine
