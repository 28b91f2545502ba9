#include "base/text.h"

#include <cstdarg>
#include <cstdio>

namespace base {

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string result;
  if (length > 0) {
    result.resize(static_cast<size_t>(length));
    std::vsnprintf(result.data(), result.size() + 1, format, args);
  }
  va_end(args);
  return result;
}

namespace {
// Length of the UTF-8 sequence starting at text[i], or 0 when it is malformed.
size_t sequenceLength(std::string_view text, size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  size_t n = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
  if (n == 0 || i + n > text.size()) return 0;
  for (size_t k = 1; k < n; ++k)
    if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 0;
  return n;
}
}  // namespace

size_t Utf8Length(std::string_view text) {
  size_t count = 0;
  for (size_t i = 0; i < text.size(); ++count) {
    const size_t n = sequenceLength(text, i);
    i += n ? n : 1;
  }
  return count;
}

bool IsValidUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const size_t n = sequenceLength(text, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::string Trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return std::string(text.substr(first, last - first + 1));
}

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const auto at = text.find(separator, start);
    parts.emplace_back(text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
    if (at == std::string_view::npos) return parts;
    start = at + 1;
  }
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::string AsciiLower(std::string_view text) {
  std::string result(text);
  for (char& c : result)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return result;
}

}  // namespace base
