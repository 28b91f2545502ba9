#include "engine/ffmpeg/error_text.h"

#include "base/text.h"
#include "media/av.h"

namespace engine {

namespace {

struct TErrorRow {
  int Code;
  const char* Text;
};

// The classic open-failure texts, by library error code.
constexpr TErrorRow kOpenErrors[] = {
    {AVERROR_PATCHWELCOME, "Not yet implemented in FFmpeg"},
    {AVERROR_PROTOCOL_NOT_FOUND, "Unsupported network protocol"},
    {AVERROR_DEMUXER_NOT_FOUND, "Unknown format"},
    {AVERROR_INVALIDDATA, "Invalid data found when processing input"},
    {AVERROR_EOF, "End of file"},
    {AVERROR(EINVAL), "Invalid data found when processing input"},
    {AVERROR(ENOMEM), "Not enough memory"},
    {AVERROR(EIO), "I/O error"},
    {AVERROR(ENOENT), "No such file or directory"},
};

}  // namespace

std::string AVErrorString(int AErrorCode) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  if (av::av_strerror && av::av_strerror(AErrorCode, text, sizeof text) == 0) return text;
  return base::Format("Error number %d occurred", AErrorCode);
}

std::string OpenErrorText(int AErrorCode) {
  for (const TErrorRow& row : kOpenErrors)
    if (row.Code == AErrorCode) return row.Text;
  return AVErrorString(AErrorCode);
}

std::string OpenErrorMessage(const std::string& AFileName, int AErrorCode) {
  return AFileName + ": " + OpenErrorText(AErrorCode);
}

const char* MediaTypeName(int AMediaType) {
  switch (AMediaType) {
    case AVMEDIA_TYPE_VIDEO:
      return "Video";
    case AVMEDIA_TYPE_AUDIO:
      return "Audio";
    case AVMEDIA_TYPE_DATA:
      return "Data";
    case AVMEDIA_TYPE_SUBTITLE:
      return "Subtitle";
    case AVMEDIA_TYPE_ATTACHMENT:
      return "Attachment";
    default:
      return "Unknown";
  }
}

}  // namespace engine
