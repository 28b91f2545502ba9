#pragma once
// Text-to-value conversions of option values. Each throws std::runtime_error with the message the option
// reports; none touches the media libraries.
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace engine {

// Whole-text decimal numbers (leading blanks allowed, nothing after the number); otherwise
// "'%s' is not a valid integer value" / "... floating point value".
int StrToInt(const std::string& AText);
int64_t StrToInt64(const std::string& AText);
double StrToFloat(const std::string& AText);

// Boolean option values: true unless exactly "0".
inline bool OptionBool(const std::string& AValue) { return AValue != "0"; }

// A four-character codec tag, first character in the lowest byte. AKind is "audio", "video" or
// "subtitle" for the message "<kind> tag parameter must be 4 chars".
uint32_t CodecTagFromText(const std::string& AValue, const char* AKind);

// 64 comma-separated coefficients; fewer fail with "Syntax error in matrix "%s" at coeff %d".
std::vector<uint16_t> ParseMatrix(const std::string& AValue);

// A leading integer as strtol reads it (0 when none) and the position after it.
long LeadingInt(const std::string& AText, size_t& APos);
// A leading decimal number with a point, whatever the locale (0 when none) and the position after it.
double LeadingFloat(const std::string& AText, size_t& APos);

// "map": file, stream and optionally sync file and stream, each followed by one separator of any kind.
std::array<int, 4> ParseStreamMapText(const std::string& AValue);
// "map_meta_data": output file, one separator, input file.
std::pair<int, int> ParseMetaDataMapText(const std::string& AValue);

// "aspect": "w:h" gives w/h (0 when h <= 0), other text a float (0 when not a number); 0 fails with
// "Incorrect aspect ratio specification.".
float ParseAspect(const std::string& AValue);

}  // namespace engine
