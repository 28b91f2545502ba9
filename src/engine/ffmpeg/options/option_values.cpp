// Handlers of the dispatcher that more than a line of code.
#include <ctime>
#include <filesystem>
#include <stdexcept>

#include "base/text.h"
#include "engine/ffmpeg/options/ffmpeg_options.h"
#include "engine/ffmpeg/options/option_parsers.h"

namespace engine {

void TFFmpegOptions::DoNothing(const std::string& AName) const {
  LogMsg(media::TLogLevel::llInfo, "Do nothing: option - " + AName);
}

void TFFmpegOptions::SetCodecRule(AVMediaType AType, const std::string& AValue) {
  if (AValue.empty()) return;
  const bool video = AType == AVMEDIA_TYPE_VIDEO;
  const bool audio = AType == AVMEDIA_TYPE_AUDIO;
  if (AValue == "copy")
    (video ? Fvideo_stream_copy : audio ? Faudio_stream_copy : Fsubtitle_stream_copy) = 1;
  else
    (video ? Fvideo_codec_name : audio ? Faudio_codec_name : Fsubtitle_codec_name) = AValue;
}

void TFFmpegOptions::SetBitRate(const std::string& AName, const std::string& AValue) {
  SetGenericOption(AName, AValue);
  const AVCodecContext* ctx =
      FOptions.CodecContext(AName[0] == 'a' ? AVMEDIA_TYPE_AUDIO : AVMEDIA_TYPE_VIDEO);
  if (ctx && ctx->bit_rate < 1000)
    LogMsg(media::TLogLevel::llWarning,
           "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s");
}

void TFFmpegOptions::SetForcedFormat(const std::string& AValue) {
  if (AValue == "pgmyuv") {
    Fpgmyuv_compatibility_hack = true;
    Flast_asked_format = "image2";
    LogMsg(media::TLogLevel::llInfo, "pgmyuv format is deprecated, use image2");
  } else {
    Flast_asked_format = AValue;
  }
}

int64_t TFFmpegOptions::ParseTime(const std::string& AName, const std::string& AValue, bool ADuration) const {
  int64_t us = 0;
  if (av::av_parse_time(&us, AValue.c_str(), ADuration ? 1 : 0) < 0)
    throw std::runtime_error(base::Format("Invalid %s specification for %s: %s",
                                          ADuration ? "duration" : "date", AName.c_str(), AValue.c_str()));
  return us;
}

void TFFmpegOptions::SetCrop(const std::string& AName, const std::string& AValue) {
  const int band = StrToInt(AValue);
  if (band <= 0) return;
  const bool vertical = AName == "croptop" || AName == "cropbottom";
  if (band >= (vertical ? Fframe_height : Fframe_width))
    throw std::runtime_error(std::string(vertical ? "Vertical" : "Horizontal") +
                             " crop dimensions are outside the range of the original image.\nRemember to "
                             "crop first and scale second.");
  LogMsg(media::TLogLevel::llWarning, "CropXXX is deprecated in favor of the crop avfilter");
  if (AName == "croptop") Fframe_topBand = band;
  if (AName == "cropbottom") Fframe_bottomBand = band;
  if (AName == "cropleft") Fframe_leftBand = band;
  if (AName == "cropright") Fframe_rightBand = band;
  (vertical ? Fframe_height : Fframe_width) -= band;
}

void TFFmpegOptions::SetStreamMap(const std::string& AValue) {
  if (Fstream_maps.size() >= static_cast<size_t>(FMaxFiles) * kMaxStreams)
    throw std::runtime_error(base::Format("Too many stream maps (at most %d)", FMaxFiles * kMaxStreams));
  const auto n = ParseStreamMapText(AValue);
  Fstream_maps.push_back({n[0], n[1], n[2], n[3]});
}

void TFFmpegOptions::SetMetaDataMap(const std::string& AValue) {
  if (Fmeta_data_maps.size() >= static_cast<size_t>(FMaxFiles))
    throw std::runtime_error(base::Format("Too many metadata maps (at most %d)", FMaxFiles));
  const auto [out, in] = ParseMetaDataMapText(AValue);
  Fmeta_data_maps.push_back({out, in});
}

void TFFmpegOptions::SetInputTsScale(const std::string& AValue) {
  size_t pos = 0;
  const long index = LeadingInt(AValue, pos);
  if (pos < AValue.size()) ++pos;
  const double scale = LeadingFloat(AValue, pos);
  // A negative index would write before the table as surely as a large one after it.
  if (index < 0 || index >= kMaxStreams)
    throw std::runtime_error(base::Format("stream index over MAX_STREAMS(%d)", kMaxStreams));
  const int file = InputFileCount();
  if (file >= 0 && file < FMaxFiles)
    Finput_files_ts_scale[static_cast<size_t>(file)][static_cast<size_t>(index)] = scale;
}

void TFFmpegOptions::SetStreamId(const std::string& AName, const std::string& AValue) {
  const size_t colon = AValue.find(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 == AValue.size())
    throw std::runtime_error(
        base::Format("Invalid value \"%s\" for option \"%s\", required syntax is \"index:value\"",
                     AValue.c_str(), AName.c_str()));
  const std::string indexText = AValue.substr(0, colon);
  const int index = StrToInt(indexText);
  const int id = StrToInt(AValue.substr(colon + 1));
  if (index < 0 || index >= kMaxStreams)
    throw std::runtime_error(base::Format("The value for %s was %s which is not within %d - %d",
                                          AName.c_str(), indexText.c_str(), 0, kMaxStreams - 1));
  Fstreamid_map[static_cast<size_t>(index)] = id;
}

void TFFmpegOptions::SetMetadata(const std::string& AValue) {
  const size_t eq = AValue.find('=');
  if (eq == std::string::npos) throw std::runtime_error("Missing =");
  Fmetadata.emplace_back(AValue.substr(0, eq), AValue.substr(eq + 1));
}

void TFFmpegOptions::SetBitstreamFilter(const std::string& AName, const std::string& AValue) {
  if (!AValue.empty() && AValue[0] == '=') return;
  const size_t eq = AValue.find('=');
  TBitstreamFilterSpec filter{AValue.substr(0, eq),
                              eq == std::string::npos ? std::string() : AValue.substr(eq + 1)};
  if (!av::av_bsf_get_by_name(filter.Name.c_str()))
    throw std::runtime_error(base::Format("Unknown bitstream filter %s", filter.Name.c_str()));
  auto& chain = AName[0] == 'v'   ? Fvideo_bitstream_filters
                : AName[0] == 'a' ? Faudio_bitstream_filters
                                  : Fsubtitle_bitstream_filters;
  chain.push_back(std::move(filter));
}

void TFFmpegOptions::SetPixelFormat(const std::string& AValue) {
  if (AValue == "list") {
    char line[128];
    for (int fmt = -1; fmt < AV_PIX_FMT_NB; ++fmt)  // -1 gives the header line
      if (fmt < 0 || av::av_pix_fmt_desc_get(static_cast<AVPixelFormat>(fmt)))
        LogMsg(media::TLogLevel::llInfo,
               av::av_get_pix_fmt_string(line, sizeof line, static_cast<AVPixelFormat>(fmt)));
    return;
  }
  const AVPixelFormat fmt = av::av_get_pix_fmt(AValue.c_str());
  if (fmt == AV_PIX_FMT_NONE)
    throw std::runtime_error(base::Format("Unknown pixel format requested: %s", AValue.c_str()));
  Fframe_pix_fmt = fmt;
}

void TFFmpegOptions::SetSampleFormat(const std::string& AValue) {
  if (AValue == "list") {
    char line[128];
    for (int fmt = -1; fmt < AV_SAMPLE_FMT_NB; ++fmt)  // -1 gives the header line
      LogMsg(media::TLogLevel::llInfo,
             av::av_get_sample_fmt_string(line, sizeof line, static_cast<AVSampleFormat>(fmt)));
    return;
  }
  Faudio_sample_fmt = av::av_get_sample_fmt(AValue.c_str());
}

void TFFmpegOptions::SetVstats() {
  std::error_code error;
  std::string folder = std::filesystem::read_symlink("/proc/self/exe", error).parent_path().string();
  if (!folder.empty() && folder.back() != '/') folder += '/';
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const std::string hhnnss = base::Format("%02d%02d%02d", local.tm_hour, local.tm_min, local.tm_sec);
  Fvstats_filename = base::Format("%svstats_%s.log", folder.c_str(), hhnnss.c_str());
}

void TFFmpegOptions::NewStream(AVMediaType AType) {
  if (OutputFileCount() <= 0) throw std::runtime_error("At least one output file must be specified");
  DoNewStream(AType);
}

}  // namespace engine
