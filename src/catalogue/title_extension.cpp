// The output extension a preset title ends with: "...(*.mp4)" gives ".mp4".
#include <utility>

#include "catalogue/catalogue.h"

namespace catalogue {

namespace {
bool isContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Byte offset where the character `count` characters before `end` starts, or npos when there are fewer.
size_t charsBefore(std::string_view text, size_t end, int count) {
  size_t at = end;
  for (int i = 0; i < count; ++i) {
    if (at == 0) return std::string_view::npos;
    do --at;
    while (at > 0 && isContinuation(text[at]));
  }
  return at;
}
}  // namespace

std::string TitleExtension(std::string_view title) {
  // The four characters just before the last one; a few titles carry a longer or shorter extension.
  static constexpr std::pair<std::string_view, std::string_view> kReplacements[] = {
      {"flac", ".flac"}, {"aiff", ".aiff"}, {"*.rm", ".rm"}, {"*.ra", ".ra"}};
  const size_t last = charsBefore(title, title.size(), 1);
  if (last == std::string_view::npos) return {};
  const size_t first = charsBefore(title, last, 4);
  if (first == std::string_view::npos) return {};
  const std::string_view four = title.substr(first, last - first);
  for (const auto& [from, to] : kReplacements)
    if (four == from) return std::string(to);
  return std::string(four);
}

}  // namespace catalogue
