#include "media/av_probe.h"

#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <stdexcept>
#include <vector>

#include "base/text.h"
#include "media/av.h"
#include "media/probe_info_text.h"
#include "media/probe_text.h"
#include "media/unicode_io.h"

namespace media {
namespace {

// The file-wide times are already in microseconds; unset becomes -1.
int64_t orMinusOne(int64_t value) { return value == AV_NOPTS_VALUE ? -1 : value; }

int64_t scaled(int64_t value, AVRational timeBase) {
  return value == AV_NOPTS_VALUE ? -1 : av::av_rescale_q(value, timeBase, AV_TIME_BASE_Q);
}

// A time base with a zero denominator would make every rescale divide by zero.
AVRational usableTimeBase(AVRational tb) {
  if (tb.den == 0) tb.den = tb.num != 0 ? tb.num : 1;
  return tb;
}

int leadingNumber(const std::string& text) { return text.empty() ? 0 : std::atoi(text.c_str()); }

// Seconds since 1970 from the file's "creation_time" tag; 0 when it has none.
int64_t creationTime(const AVDictionary* tags) {
  const std::string text = MetadataValue(tags, "creation_time", "");
  int64_t us = 0;
  if (text.empty() || av::av_parse_time(&us, text.c_str(), 0) < 0) return 0;
  return us / 1000000;
}

std::string localTimeText(int64_t seconds) {
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm local{};
  localtime_r(&t, &local);
  char text[32] = {};
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

const char* kindName(int mediaType) {
  switch (mediaType) {
    case AVMEDIA_TYPE_AUDIO:
      return "audio";
    case AVMEDIA_TYPE_VIDEO:
      return "video";
    default:
      return "subtitle";
  }
}

}  // namespace

TCustomAVProbe::TCustomAVProbe() = default;

TCustomAVProbe::~TCustomAVProbe() {
  if (FFileHandle && FOwnHandle) CloseInput(&FFileHandle);
}

void TCustomAVProbe::checkLibraries() const {
  const TFFmpegLoader& loader = Loader();
  if (!loader.Loaded(TLibrary::avCodec)) throw std::runtime_error("LibAVCodec not loaded.");
  if (!loader.Loaded(TLibrary::avFormat)) throw std::runtime_error("LibAVFormat not loaded.");
  if (!loader.Loaded(TLibrary::avUtil)) throw std::runtime_error("LibAVUtil not loaded.");
  if (!loader.Loaded(TLibrary::swScale)) throw std::runtime_error("LibSwScale not loaded.");
}

void TCustomAVProbe::report(TLogLevel level, const std::string& message) {
  FFLogger().Log(this, level, message);
  FLastErrMsg = message;
}

bool TCustomAVProbe::fileLoaded() {
  if (FFileHandle) return true;
  report(TLogLevel::llWarning, "file not loaded.");
  return false;
}

bool TCustomAVProbe::AVLibLoaded() const { return Loader().Loaded(kLibraries); }
bool TCustomAVProbe::LoadAVLib(const std::string& APath) {
  return media::LoadAVLib(kLibraries, APath, FLastErrMsg);
}
void TCustomAVProbe::UnloadAVLib() { Loader().Unload(kLibraries); }

bool TCustomAVProbe::LoadFile(const std::string& AFileName, const std::string& AFormatName) {
  checkLibraries();
  CloseFile();
  const AVInputFormat* format = nullptr;
  if (!AFormatName.empty()) {
    format = av::av_find_input_format(AFormatName.c_str());
    if (!format) {
      FLastErrMsg = base::Format("Unknown input format: %s", AFormatName.c_str());
      return false;
    }
  }
  AVFormatContext* ctx = av::avformat_alloc_context();
  if (const int opened = OpenInput(&ctx, AFileName, format, nullptr); opened < 0) {
    report(TLogLevel::llError, AVErrorText(AFileName, opened));
    return false;
  }
  if (av::avformat_find_stream_info(ctx, nullptr) < 0) {
    FLastErrMsg = base::Format("%s: could not find codec parameters", AFileName.c_str());
    CloseInput(&ctx);
    return false;
  }
  FFileHandle = ctx;
  FOwnHandle = true;
  refreshFacts();
  FForceFormat = AFormatName;
  return true;
}

void TCustomAVProbe::CloseFile() {
  FForceFormat.clear();
  if (FFileHandle) {
    if (FOwnHandle) CloseInput(&FFileHandle);
    FFileHandle = nullptr;
  }
  refreshFacts();
}

void TCustomAVProbe::SetFileHandle(AVFormatContext* AHandle) {
  checkLibraries();
  CloseFile();
  FFileHandle = AHandle;
  FOwnHandle = false;
  refreshFacts();
}

void TCustomAVProbe::refreshFacts() {
  FFileSize = -1;
  FStreamCount = FProgramCount = -1;
  FAudioStreamCount = FVideoStreamCount = FSubtitleStreamCount = -1;
  FFirstAudioStreamIndex = FFirstVideoStreamIndex = FFirstSubtitleStreamIndex = -1;
  if (!FFileHandle) return;
  FFileSize = FFileHandle->pb ? av::avio_size(FFileHandle->pb) : -1;
  if (FFileSize <= 0) {
    struct stat st {};
    if (::stat(FileName().c_str(), &st) == 0 && S_ISREG(st.st_mode)) FFileSize = st.st_size;
  }
  FStreamCount = static_cast<int>(FFileHandle->nb_streams);
  FProgramCount = static_cast<int>(FFileHandle->nb_programs);
  FAudioStreamCount = FVideoStreamCount = FSubtitleStreamCount = 0;
  for (int i = 0; i < FStreamCount; ++i) {
    switch (FFileHandle->streams[i]->codecpar->codec_type) {
      case AVMEDIA_TYPE_VIDEO:
        ++FVideoStreamCount;
        if (FFirstVideoStreamIndex < 0) FFirstVideoStreamIndex = i;
        break;
      case AVMEDIA_TYPE_AUDIO:
        ++FAudioStreamCount;
        if (FFirstAudioStreamIndex < 0) FFirstAudioStreamIndex = i;
        break;
      case AVMEDIA_TYPE_SUBTITLE:
        ++FSubtitleStreamCount;
        if (FFirstSubtitleStreamIndex < 0) FFirstSubtitleStreamIndex = i;
        break;
      default:
        break;
    }
  }
}

std::string TCustomAVProbe::FileName() const {
  return FFileHandle && FFileHandle->url ? FromAVFileName(FFileHandle->url) : "";
}

std::string TCustomAVProbe::FormatName() const {
  return FFileHandle && FFileHandle->iformat ? FFileHandle->iformat->name : "";
}

std::string TCustomAVProbe::FormatLongName() const {
  return FFileHandle && FFileHandle->iformat && FFileHandle->iformat->long_name
             ? FFileHandle->iformat->long_name
             : "";
}

bool TCustomAVProbe::IsAudioStream(int AStreamIndex) {
  if (!fileLoaded()) return false;
  if (AStreamIndex < 0 || AStreamIndex >= FStreamCount) {
    report(TLogLevel::llError, base::Format("stream index #%d is invalid.", AStreamIndex));
    return false;
  }
  return FFileHandle->streams[AStreamIndex]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO;
}

bool TCustomAVProbe::IsVideoStream(int AStreamIndex) {
  if (!fileLoaded()) return false;
  if (AStreamIndex < 0 || AStreamIndex >= FStreamCount) {
    report(TLogLevel::llError, base::Format("stream index #%d is invalid.", AStreamIndex));
    return false;
  }
  return FFileHandle->streams[AStreamIndex]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
}

bool TCustomAVProbe::IsSubtitleStream(int AStreamIndex) {
  if (!fileLoaded()) return false;
  if (AStreamIndex < 0 || AStreamIndex >= FStreamCount) {
    report(TLogLevel::llError, base::Format("stream index #%d is invalid.", AStreamIndex));
    return false;
  }
  return FFileHandle->streams[AStreamIndex]->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE;
}

TFileStreamInfo TCustomAVProbe::FileStreamInfo() {
  TFileStreamInfo info;
  if (!fileLoaded()) return info;
  const AVFormatContext* ctx = FFileHandle;
  const AVDictionary* tags = ctx->metadata;
  info.StartTime = orMinusOne(ctx->start_time);
  info.Duration = orMinusOne(ctx->duration);
  info.BitRate = ctx->bit_rate;
  // The present libraries keep these as tags rather than fields.
  info.TimeStamp = creationTime(tags);
  info.Year = leadingNumber(MetadataValue(tags, "date", MetadataValue(tags, "year", "")));
  info.Track = leadingNumber(MetadataValue(tags, "track", ""));
  info.Title = MetadataValue(tags, "title", "");
  info.Author = MetadataValue(tags, "author", MetadataValue(tags, "artist", ""));
  info.Copyright = MetadataValue(tags, "copyright", "");
  info.Comment = MetadataValue(tags, "comment", "");
  info.Album = MetadataValue(tags, "album", "");
  info.Genre = MetadataValue(tags, "genre", "");
  return info;
}

int TCustomAVProbe::streamIndexOfKind(int AStreamIndex, int mediaType) {
  if (!fileLoaded()) return -1;
  const char* kind = kindName(mediaType);
  if (AStreamIndex == -1) {
    const int first = mediaType == AVMEDIA_TYPE_AUDIO   ? FFirstAudioStreamIndex
                      : mediaType == AVMEDIA_TYPE_VIDEO ? FFirstVideoStreamIndex
                                                        : FFirstSubtitleStreamIndex;
    if (first < 0) report(TLogLevel::llError, base::Format("no %s stream.", kind));
    return first;
  }
  if (AStreamIndex < 0 || AStreamIndex >= FStreamCount) {
    report(TLogLevel::llError, base::Format("stream index #%d is invalid.", AStreamIndex));
    return -1;
  }
  if (FFileHandle->streams[AStreamIndex]->codecpar->codec_type != mediaType) {
    report(TLogLevel::llError, base::Format("stream #%d is not %s stream.", AStreamIndex, kind));
    return -1;
  }
  return AStreamIndex;
}

namespace {
// The facts audio and video streams share: language, codec, start, duration and bit rate.
template <typename TInfo>
void fillTimedStreamInfo(TInfo& info, const AVStream* stream) {
  const AVRational tb = usableTimeBase(stream->time_base);
  info.Language = MetadataValue(stream->metadata, "language", "");
  info.CodecName = CodecDisplayName(stream->codecpar, false);
  info.StartTime = stream->start_time;
  info.StartTimeScaled = scaled(stream->start_time, tb);
  info.Duration = stream->duration;
  info.DurationScaled = scaled(stream->duration, tb);
  info.BitRate = stream->codecpar->bit_rate;
}
}  // namespace

TAudioStreamInfo TCustomAVProbe::AudioStreamInfo(int AStreamIndex) {
  TAudioStreamInfo info;
  const int index = streamIndexOfKind(AStreamIndex, AVMEDIA_TYPE_AUDIO);
  if (index < 0) return info;
  const AVStream* stream = FFileHandle->streams[index];
  const AVCodecParameters* par = stream->codecpar;
  fillTimedStreamInfo(info, stream);
  info.Channels = par->ch_layout.nb_channels;
  info.SampleRate = par->sample_rate;
  info.SampleFormat = par->format;
  return info;
}

TVideoStreamInfo TCustomAVProbe::VideoStreamInfo(int AStreamIndex) {
  TVideoStreamInfo info;
  const int index = streamIndexOfKind(AStreamIndex, AVMEDIA_TYPE_VIDEO);
  if (index < 0) return info;
  const AVStream* stream = FFileHandle->streams[index];
  const AVCodecParameters* par = stream->codecpar;
  fillTimedStreamInfo(info, stream);
  info.Height = par->height;
  info.Width = par->width;
  const AVRational sar = par->sample_aspect_ratio;
  // A zero height (no picture size known yet) gives no ratio rather than a division by zero.
  info.AspectRatio =
      sar.num == 0 || sar.den == 0 || par->height == 0
          ? 0.0f
          : static_cast<float>(static_cast<double>(par->width) * sar.num / sar.den / par->height);
  info.PixFmt = par->format;
  info.FrameRate = stream->r_frame_rate;
  return info;
}

TSubtitleStreamInfo TCustomAVProbe::SubtitleStreamInfo(int AStreamIndex) {
  TSubtitleStreamInfo info;
  const int index = streamIndexOfKind(AStreamIndex, AVMEDIA_TYPE_SUBTITLE);
  if (index < 0) return info;
  const AVStream* stream = FFileHandle->streams[index];
  info.Language = MetadataValue(stream->metadata, "language", "");
  info.CodecName = CodecDisplayName(stream->codecpar, false);
  return info;
}

std::string TCustomAVProbe::FileInfoText() {
  if (!fileLoaded()) return "";
  const AVFormatContext* ctx = FFileHandle;
  const TFileStreamInfo info = FileStreamInfo();
  std::string text;
  text += "File Name: " + FileName() + "\n";
  text += "Format Name: " + FormatName() + "\n";
  text += "Format Long Name: " + FormatLongName() + "\n";
  text += "File Size: " + SizeToText(FFileSize) + "\n";
  text += info.Duration < 0 ? std::string("Duration: N/A\n")
                            : "Duration: " + DurationToText(info.Duration) + "\n";
  if (info.StartTime >= 0) text += "StartTime: " + SecondsText(info.StartTime) + "\n";
  text += info.BitRate < 1
              ? std::string("Bit Rate: N/A\n")
              : base::Format("Bit Rate: %lld kb/s\n", static_cast<long long>(info.BitRate / 1000));
  if (info.TimeStamp > 0) text += "Time Stamp: " + localTimeText(info.TimeStamp) + "\n";
  text += TagBlock(ctx->metadata, "");

  std::vector<bool> shown(ctx->nb_streams, false);
  auto streamText = [&](unsigned index) {
    shown[index] = true;
    return StreamLine(ctx, static_cast<int>(index)) + "\n" + TagBlock(ctx->streams[index]->metadata, "  ");
  };
  for (unsigned p = 0; p < ctx->nb_programs; ++p) {
    const AVProgram* program = ctx->programs[p];
    // Older demuxers named these "provider_name" and "name"; the present ones "service_provider"/"_name".
    const AVDictionary* tags = program->metadata;
    const std::string provider =
        MetadataValue(tags, "provider_name", MetadataValue(tags, "service_provider", "N/A"));
    const std::string name = MetadataValue(tags, "name", MetadataValue(tags, "service_name", "N/A"));
    text += base::Format("Program %d %s@%s\n", program->id, provider.c_str(), name.c_str());
    text += TagBlock(program->metadata, "  ");
    for (unsigned k = 0; k < program->nb_stream_indexes; ++k)
      if (program->stream_index[k] < ctx->nb_streams) text += streamText(program->stream_index[k]);
  }
  for (unsigned i = 0; i < ctx->nb_streams; ++i)
    if (!shown[i]) text += streamText(i);
  return text;
}

}  // namespace media
