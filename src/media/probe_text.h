#pragma once
// Text helpers for media facts, shared by the probe, the conversion engine and the player.
#include <cstdint>
#include <string>

extern "C" {
#include <libavutil/rational.h>
struct AVCodecContext;
struct AVCodecParameters;
struct AVDictionary;
}

namespace media {

// "%d Byte" up to 1024 (and below 0), then "%.2f KB", "%.2f MB", "%.2f GB".
std::string SizeToText(int64_t size);
// "hh:mm:ss.mmm" (hours not reduced) from microseconds; "N/A" for AV_NOPTS_VALUE.
std::string DurationToText(int64_t microseconds);
// "s.uuuuuu" from microseconds, with a leading "-" for negative times.
std::string SecondsText(int64_t microseconds);
// The value of the first tag whose key equals AKey exactly (case-sensitive), else ADefault.
std::string MetadataValue(const AVDictionary* ATags, const std::string& AKey, const std::string& ADefault);
// "name(long name)" of the encoder or decoder for the codec, or the best name to be had without one.
std::string CodecDisplayName(const AVCodecContext* ACodec, bool AEncoder);
std::string CodecDisplayName(const AVCodecParameters* ACodec, bool AEncoder);
// Microseconds per frame; 40000 when either term is 0.
int64_t FrameIntervalUS(AVRational AFrameRate);
// The file name, ": " and the error's text ("No such file or directory", "End of file", ...).
std::string AVErrorText(const std::string& AFileName, int AErrorCode);

}  // namespace media
