#include "engine/ffmpeg/options/option_parsers.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <limits>
#include <stdexcept>

#include "base/text.h"

namespace engine {

namespace {
bool parseInt64(const std::string& AText, int64_t& AResult) {
  const char* begin = AText.c_str();
  while (*begin == ' ' || *begin == '\t') ++begin;
  if (*begin == '\0') return false;
  char* end = nullptr;
  errno = 0;
  const long long value = std::strtoll(begin, &end, 10);
  if (errno == ERANGE || end == begin || *end != '\0') return false;
  AResult = value;
  return true;
}

[[noreturn]] void notInteger(const std::string& AText) {
  throw std::runtime_error(base::Format("'%s' is not a valid integer value", AText.c_str()));
}
}  // namespace

int StrToInt(const std::string& AText) {
  int64_t value = 0;
  if (!parseInt64(AText, value) || value < std::numeric_limits<int>::min() ||
      value > std::numeric_limits<int>::max())
    notInteger(AText);
  return static_cast<int>(value);
}

int64_t StrToInt64(const std::string& AText) {
  int64_t value = 0;
  if (!parseInt64(AText, value)) notInteger(AText);
  return value;
}

double LeadingFloat(const std::string& AText, size_t& APos) {
  // from_chars ignores the process locale, which the GUI toolkit may have set to one with a decimal comma.
  size_t pos = APos;
  if (pos < AText.size() && AText[pos] == '+') ++pos;
  double value = 0.0;
  const auto [end, error] = std::from_chars(AText.data() + pos, AText.data() + AText.size(), value);
  if (error != std::errc()) return 0.0;
  APos = static_cast<size_t>(end - AText.data());
  return value;
}

double StrToFloat(const std::string& AText) {
  size_t pos = AText.find_first_not_of(" \t");
  const size_t start = pos;
  const double value = pos == std::string::npos ? 0.0 : LeadingFloat(AText, pos);
  if (start == std::string::npos || pos == start || pos != AText.size())
    throw std::runtime_error(base::Format("'%s' is not a valid floating point value", AText.c_str()));
  return value;
}

uint32_t CodecTagFromText(const std::string& AValue, const char* AKind) {
  if (AValue.size() != 4) throw std::runtime_error(base::Format("%s tag parameter must be 4 chars", AKind));
  uint32_t tag = 0;
  for (int i = 3; i >= 0; --i) tag = (tag << 8) | static_cast<unsigned char>(AValue[static_cast<size_t>(i)]);
  return tag;
}

long LeadingInt(const std::string& AText, size_t& APos) {
  if (APos >= AText.size()) return 0;
  const char* begin = AText.c_str() + APos;
  char* end = nullptr;
  const long value = std::strtol(begin, &end, 10);
  APos += static_cast<size_t>(end - begin);
  return value;
}

std::vector<uint16_t> ParseMatrix(const std::string& AValue) {
  std::vector<uint16_t> matrix(64, 0);
  size_t pos = 0;
  for (int i = 0; i < 64; ++i) {
    size_t fieldPos = pos;
    matrix[static_cast<size_t>(i)] = static_cast<uint16_t>(LeadingInt(AValue, fieldPos));
    const size_t comma = AValue.find(',', pos);
    if (comma == std::string::npos) {
      if (i < 63)
        throw std::runtime_error(
            base::Format("Syntax error in matrix \"%s\" at coeff %d", AValue.c_str(), i));
      break;
    }
    pos = comma + 1;
  }
  return matrix;
}

std::array<int, 4> ParseStreamMapText(const std::string& AValue) {
  std::array<int, 4> numbers{};
  size_t pos = 0;
  numbers[0] = static_cast<int>(LeadingInt(AValue, pos));
  if (pos < AValue.size()) ++pos;
  numbers[1] = static_cast<int>(LeadingInt(AValue, pos));
  if (pos >= AValue.size()) {  // no sync stream given: the stream syncs to itself
    numbers[2] = numbers[0];
    numbers[3] = numbers[1];
    return numbers;
  }
  ++pos;
  numbers[2] = static_cast<int>(LeadingInt(AValue, pos));
  if (pos < AValue.size()) ++pos;
  numbers[3] = static_cast<int>(LeadingInt(AValue, pos));
  return numbers;
}

std::pair<int, int> ParseMetaDataMapText(const std::string& AValue) {
  size_t pos = 0;
  const int out = static_cast<int>(LeadingInt(AValue, pos));
  if (pos < AValue.size()) ++pos;
  const int in = static_cast<int>(LeadingInt(AValue, pos));
  return {out, in};
}

float ParseAspect(const std::string& AValue) {
  double ratio = 0.0;
  const size_t colon = AValue.find(':');
  if (colon != std::string::npos) {
    size_t pos = 0;
    const double width = static_cast<double>(LeadingInt(AValue, pos));
    pos = colon + 1;
    const double height = static_cast<double>(LeadingInt(AValue, pos));
    if (height > 0) ratio = width / height;
  } else {
    size_t pos = 0;
    ratio = LeadingFloat(AValue, pos);  // 0 when the text is not a number
  }
  if (ratio == 0.0) throw std::runtime_error("Incorrect aspect ratio specification.");
  return static_cast<float>(ratio);
}

}  // namespace engine
