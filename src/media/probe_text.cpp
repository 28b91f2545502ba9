#include "media/probe_text.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/text.h"
#include "media/av.h"

namespace media {
namespace {

bool printable(unsigned c) { return c >= 32 && c <= 126; }

std::string displayName(AVCodecID id, unsigned tag, bool encoder) {
  const AVCodec* codec = encoder ? av::avcodec_find_encoder(id) : av::avcodec_find_decoder(id);
  if (codec) {
    const std::string longName = base::Trim(codec->long_name ? codec->long_name : "");
    if (longName.empty()) return codec->name;
    return base::Format("%s(%s)", codec->name, longName.c_str());
  }
  if (id == AV_CODEC_ID_MPEG2TS) return "mpeg2ts";
  // The present libraries keep no free-text codec name in a context; the codec's descriptor names it.
  if (const AVCodecDescriptor* desc = av::avcodec_descriptor_get(id); desc && desc->name)
    return base::Trim(std::string(desc->name).substr(0, 32));
  const unsigned c0 = tag & 0xff, c1 = (tag >> 8) & 0xff, c2 = (tag >> 16) & 0xff, c3 = tag >> 24;
  if (printable(c0) && printable(c1) && printable(c2) && printable(c3))
    return base::Format("%c%c%c%c / 0x%04X", c0, c1, c2, c3, tag);
  return base::Format("0x%04x", tag);
}

}  // namespace

std::string SizeToText(int64_t size) {
  const long long n = size;
  if (size <= 1024) return base::Format("%lld Byte", n);
  if (size <= 1048576) return base::Format("%.2f KB", static_cast<double>(size) / 1024);
  if (size <= 1073741824) return base::Format("%.2f MB", static_cast<double>(size) / 1048576);
  return base::Format("%.2f GB", static_cast<double>(size) / 1073741824);
}

std::string DurationToText(int64_t microseconds) {
  if (microseconds == AV_NOPTS_VALUE) return "N/A";
  // A negative time keeps its sign in front rather than in every field.
  const char* sign = microseconds < 0 ? "-" : "";
  const long long us = std::llabs(microseconds);
  const long long ms = us / 1000;
  return base::Format("%s%.2lld:%.2lld:%.2lld.%.3lld", sign, ms / 3600000, ms / 60000 % 60, ms / 1000 % 60,
                      ms % 1000);
}

std::string SecondsText(int64_t microseconds) {
  const char* sign = microseconds < 0 ? "-" : "";
  const long long us = std::llabs(microseconds);
  return base::Format("%s%lld.%.6lld", sign, us / 1000000, us % 1000000);
}

std::string MetadataValue(const AVDictionary* ATags, const std::string& AKey, const std::string& ADefault) {
  const AVDictionaryEntry* tag = av::av_dict_get(ATags, AKey.c_str(), nullptr, AV_DICT_MATCH_CASE);
  return tag && tag->value ? tag->value : ADefault;
}

std::string CodecDisplayName(const AVCodecContext* ACodec, bool AEncoder) {
  return displayName(ACodec->codec_id, ACodec->codec_tag, AEncoder);
}

std::string CodecDisplayName(const AVCodecParameters* ACodec, bool AEncoder) {
  return displayName(ACodec->codec_id, ACodec->codec_tag, AEncoder);
}

int64_t FrameIntervalUS(AVRational AFrameRate) {
  if (AFrameRate.num == 0 || AFrameRate.den == 0) return 40000;
  return 1000000LL * AFrameRate.den / AFrameRate.num;
}

std::string AVErrorText(const std::string& AFileName, int AErrorCode) {
  // Older library generations used errno values for several of these; both forms read the same.
  struct Entry {
    int code;
    const char* text;
  };
  static const Entry kTexts[] = {
      {AVERROR_PATCHWELCOME, "Not yet implemented in FFmpeg"},
      {AVERROR_PROTOCOL_NOT_FOUND, "Unsupported network protocol"},
      {AVERROR_DEMUXER_NOT_FOUND, "Unknown format"},
      {AVERROR(EILSEQ), "Unknown format"},
      {AVERROR(EDOM), "Number syntax expected in filename"},
      {AVERROR_EOF, "End of file"},
      {AVERROR(EPIPE), "End of file"},
      {AVERROR_INVALIDDATA, "Invalid data found when processing input"},
      {AVERROR(EINVAL), "Invalid data found when processing input"},
      {AVERROR(ENOMEM), "Not enough memory"},
      {AVERROR(EIO), "I/O error"},
      {AVERROR(ENOENT), "No such file or directory"},
  };
  for (const Entry& entry : kTexts)
    if (entry.code == AErrorCode) return AFileName + ": " + entry.text;
  return AFileName + ": " + base::Format("Error number %d occurred", AErrorCode);
}

}  // namespace media
