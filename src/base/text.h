#pragma once
// Small text helpers shared by every layer. All strings are UTF-8.
#include <string>
#include <string_view>
#include <vector>

namespace base {

// printf-style formatting into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The number of Unicode characters (code points) of UTF-8 text; invalid bytes count one each.
size_t Utf8Length(std::string_view text);
// True when the bytes are well-formed UTF-8.
bool IsValidUtf8(std::string_view text);

std::string Trim(std::string_view text);
std::vector<std::string> Split(std::string_view text, char separator);
bool StartsWith(std::string_view text, std::string_view prefix);
bool EndsWith(std::string_view text, std::string_view suffix);
// ASCII lower case; other bytes are left alone.
std::string AsciiLower(std::string_view text);

}  // namespace base
