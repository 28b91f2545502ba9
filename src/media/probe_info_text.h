#pragma once
// The pieces of the probe's file description.
#include <string>

extern "C" {
struct AVCodecContext;
struct AVDictionary;
struct AVFormatContext;
}

namespace media {

// "<indent>Metadata:" and one "<indent>  <key padded to 16>: <value>" line per tag except "language";
// nothing when there are no tags or the only one is "language". Each line ends in "\n".
std::string TagBlock(const AVDictionary* tags, const std::string& indent);

// ", 29.97 fps", ", 25 tbr", ", 90k tbn": two decimals only when needed, thousands as "k".
std::string RateText(double value, const char* unit);

// One stream's line (without line end): index, id, language, time base, codec description, aspect
// ratios, rates, start time and duration.
std::string StreamLine(const AVFormatContext* ctx, int index);

}  // namespace media
