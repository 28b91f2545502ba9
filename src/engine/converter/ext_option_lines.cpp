#include "engine/converter/ext_option_lines.h"

#include <cerrno>
#include <cstdlib>

#include "base/text.h"

namespace engine {
namespace {

bool IsBlankOrControl(unsigned char c) { return c <= ' ' || c == 0x7f; }

std::string Normalize(const std::string& AText) {
  size_t begin = 0, end = AText.size();
  while (begin < end && IsBlankOrControl(static_cast<unsigned char>(AText[begin]))) ++begin;
  while (end > begin && IsBlankOrControl(static_cast<unsigned char>(AText[end - 1]))) --end;
  std::string text;
  text.reserve(end - begin);
  for (size_t i = begin; i < end; ++i) {
    if (AText[i] == '\r') {
      text += '\n';
      if (i + 1 < end && AText[i + 1] == '\n') ++i;
    } else if (AText.compare(i, 6, "<CRLF>") == 0) {
      text += '\n';
      i += 5;
    } else {
      text += AText[i];
    }
  }
  return text;
}

void AppendLine(std::string& AExtOptions, const std::string& AName, const std::string& AValue) {
  AExtOptions += AName;
  AExtOptions += '=';
  AExtOptions += AValue;
  AExtOptions += '\n';
}

}  // namespace

std::vector<std::pair<std::string, std::string>> SplitOptionLines(const std::string& AText) {
  std::vector<std::pair<std::string, std::string>> lines;
  const std::string text = Normalize(AText);
  if (text.empty()) return lines;
  size_t start = 0;
  for (;;) {
    const size_t stop = text.find('\n', start);
    const std::string line = text.substr(start, stop == std::string::npos ? std::string::npos : stop - start);
    const size_t eq = line.find('=');
    if (eq == std::string::npos)
      lines.emplace_back(line, std::string());
    else
      lines.emplace_back(line.substr(0, eq), line.substr(eq + 1));
    if (stop == std::string::npos) break;
    start = stop + 1;
  }
  return lines;
}

int64_t TimeFromText(const std::string& AText) {
  if (AText.empty()) return kNoTime;
  errno = 0;
  char* end = nullptr;
  const long long value = std::strtoll(AText.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || end == AText.c_str()) return kNoTime;
  return value;
}

void InputOptionsFromLines(const std::string& AExtOptions, TInputOptions& AOptions) {
  for (const auto& [name, value] : SplitOptionLines(AExtOptions)) {
    if (name.empty() && value.empty()) continue;  // blank line
    if (base::AsciiLower(name) == "timestart")
      AOptions.TimeStart = TimeFromText(value);
    else
      AppendLine(AOptions.ExtOptions, name, value);
  }
}

void OutputOptionsFromLines(const std::string& AExtOptions, TOutputOptions& AOptions) {
  for (const auto& [name, value] : SplitOptionLines(AExtOptions)) {
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
