#pragma once
// Splitting of free-form option texts (ExtOptions, preset texts).
#include <string>
#include <utility>
#include <vector>

namespace engine {

using TOptionLine = std::pair<std::string, std::string>;  // name, value

// The lines of an option text: trimmed of blanks and control characters at both ends, carriage returns,
// CR LF pairs and the literal "<CRLF>" made line feeds, then cut at the line feeds.
std::vector<std::string> SplitOptionLines(const std::string& AText);

// Trims blanks and control characters at both ends; carriage returns, CR LF pairs and the literal "<CRLF>"
// become line feeds. Each line is cut at its first "=" (no "=": an empty value); names and values are kept
// as they are, letter case included.
std::vector<TOptionLine> SplitOptionText(const std::string& AText);

// Names an output's ExtOptions line may use to queue a codec, preset, size or filter for the output and
// its extra streams; and the names that add a stream.
bool IsQueuedOutputName(const std::string& ALowerName);
bool IsNewStreamName(const std::string& ALowerName);

}  // namespace engine
