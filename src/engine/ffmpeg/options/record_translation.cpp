// Translation of the input and output records into options, in the order that decides which source wins:
// target preset, record codecs, record presets, ExtOptions, record fields, frame size and filters.
#include <algorithm>

#include "base/text.h"
#include "engine/ffmpeg/options/ext_options.h"
#include "engine/ffmpeg/options/ffmpeg_options.h"

namespace engine {

namespace {
std::string findDefault(const TOutputDefaults& ADefaults, const std::string& AName) {
  const auto it =
      std::find_if(ADefaults.begin(), ADefaults.end(), [&](const auto& e) { return e.first == AName; });
  return it == ADefaults.end() ? std::string() : it->second;
}

TOutputDefaults buildDefaults(const TOutputOptions& AOptions) {
  TOutputDefaults defaults;
  const std::pair<const char*, const std::string*> fields[] = {
      {"def_acodec", &AOptions.AudioCodec},    {"def_vcodec", &AOptions.VideoCodec},
      {"def_scodec", &AOptions.SubtitleCodec}, {"def_apre", &AOptions.AudioPreset},
      {"def_vpre", &AOptions.VideoPreset},     {"def_spre", &AOptions.SubtitlePreset},
      {"def_s", &AOptions.FrameSize},          {"def_vf", &AOptions.VideoFilters}};
  for (const auto& [name, value] : fields)
    if (!value->empty()) defaults.emplace_back(name, *value);
  for (const auto& [rawName, value] : SplitOptionText(AOptions.ExtOptions)) {
    std::string name = base::AsciiLower(rawName);
    if (!IsQueuedOutputName(name) || value.empty()) continue;
    if (name == "vfilters") name = "vf";
    if (findDefault(defaults, "def_" + name).empty()) defaults.emplace_back("def_" + name, value);
    defaults.emplace_back(name, value);
  }
  return defaults;
}

const char* targetName(TOptionTargetType AType) {
  switch (AType) {
    case TOptionTargetType::ttVCD:
      return "vcd";
    case TOptionTargetType::ttSVCD:
      return "svcd";
    case TOptionTargetType::ttDVD:
      return "dvd";
    default:
      return nullptr;
  }
}

const char* normName(TOptionNormType ANorm) {
  switch (ANorm) {
    case TOptionNormType::ntPAL:
      return "pal";
    case TOptionNormType::ntNTSC:
      return "ntsc";
    default:
      return "auto";
  }
}
}  // namespace

void TFFmpegOptions::TranslateInputOptions(const TInputOptions& AOptions) {
  ApplyExtOptions(AOptions.ExtOptions, true);
  if (!AOptions.FileFormat.empty()) SetForcedFormat(AOptions.FileFormat);
  if (AOptions.TimeStart != kNoTime) Fstart_time = AOptions.TimeStart;
  if (AOptions.ProgramID >= 0) Fopt_programid = AOptions.ProgramID;
}

TOutputDefaults TFFmpegOptions::TranslateOutputOptions(const TOutputOptions& AOptions) {
  TOutputDefaults defaults = buildDefaults(AOptions);
  if (const char* target = targetName(AOptions.TargetType))
    ApplyTarget(target, normName(AOptions.NormType),
                AOptions.NormDefault == TOptionNormType::ntPAL ? "pal" : "ntsc");
  for (const char* name : {"acodec", "vcodec", "scodec", "apre", "vpre", "spre"})
    ParseOption(name, findDefault(defaults, std::string("def_") + name));
  ApplyExtOptions(AOptions.ExtOptions, false);
  TranslateOutputFields(AOptions);
  ParseOption("s", findDefault(defaults, "def_s"));
  ParseOption("vf", findDefault(defaults, "def_vf"));
  return defaults;
}

void TFFmpegOptions::TranslateOutputFields(const TOutputOptions& AOptions) {
  const auto generic = [this](const char* AName, int32_t AValue) {
    if (AValue > 0) SetGenericOption(AName, std::to_string(AValue));
  };
  const auto text = [this](const char* AName, const std::string& AValue) {
    if (!AValue.empty()) ParseOption(AName, AValue);
  };
  const auto crop = [this](const char* AName, int32_t AValue) {
    if (AValue > 0) ParseOption(AName, std::to_string(AValue));
  };
  text("f", AOptions.FileFormat);
  generic("packetsize", AOptions.PacketSize);
  generic("muxrate", AOptions.MuxRate);
  if (AOptions.MuxDelay > 0) Fmux_max_delay = AOptions.MuxDelay;
  if (AOptions.MuxPreload > 0) Fmux_preload = AOptions.MuxPreload;
  if (AOptions.DisableAudio) Faudio_disable = true;
  if (AOptions.AudioVolume >= 0) Faudio_volume = AOptions.AudioVolume;
  if (AOptions.AudioChannels > 0) Faudio_channels = AOptions.AudioChannels;
  if (AOptions.AudioSampleRate > 0) Faudio_sample_rate = AOptions.AudioSampleRate;
  generic("ab", AOptions.AudioBitrate);
  generic("abt", AOptions.AudioBitRateTolerance);
  Faudio_language = AOptions.AudioLanguage;
  Faudio_sync_method = AOptions.AudioSyncMethod;
  text("atag", AOptions.AudioTag);
  if (AOptions.DisableVideo) Fvideo_disable = true;
  text("r", AOptions.FrameRate);
  text("aspect", AOptions.FrameAspectRatio);
  crop("croptop", AOptions.CropTop);
  crop("cropbottom", AOptions.CropBottom);
  crop("cropleft", AOptions.CropLeft);
  crop("cropright", AOptions.CropRight);
  generic("g", AOptions.GroupPictureSize);
  generic("vb", AOptions.VideoBitrate);
  generic("maxrate", AOptions.VideoMaxRate);
  generic("minrate", AOptions.VideoMinRate);
  generic("bt", AOptions.VideoBitRateTolerance);
  generic("bufsize", AOptions.VideoBufSize);
  Fvideo_sync_method = AOptions.VideoSyncMethod;
  text("vtag", AOptions.VideoTag);
  Fvideo_language = AOptions.VideoLanguage;
  if (AOptions.DisableSubtitle) Fsubtitle_disable = true;
  Fsubtitle_language = AOptions.SubtitleLanguage;
  Finput_sync = AOptions.InputSync;
  if (AOptions.CopyTimestamp) Fcopy_ts = true;
  if (AOptions.TimeStart != kNoTime) Fstart_time = AOptions.TimeStart;
  if (AOptions.TimeLength != kNoTime) {
    Frecording_time = AOptions.TimeLength;
    DoSetTotalOutputDuration(AOptions.TimeLength);
  }
  TranslateStreamInfo(AOptions.Info);
}

void TFFmpegOptions::TranslateStreamInfo(const TStreamInfo& AInfo) {
  int64_t seconds = 0;
  if (StreamInfoRecordingTime(AInfo, seconds)) Frecording_timestamp = seconds;
  if (AInfo.Year > 0) Fmetadata.emplace_back("year", std::to_string(AInfo.Year));
  if (AInfo.Track > 0) Fmetadata.emplace_back("track", std::to_string(AInfo.Track));
  const std::pair<const char*, const std::string*> texts[] = {
      {"title", &AInfo.Title},     {"author", &AInfo.Author}, {"copyright", &AInfo.Copyright},
      {"comment", &AInfo.Comment}, {"album", &AInfo.Album},   {"genre", &AInfo.Genre}};
  for (const auto& [key, value] : texts)
    if (!value->empty()) Fmetadata.emplace_back(key, *value);
}

void TFFmpegOptions::AddExtraStreams(const TOutputOptions& AOptions, TOutputDefaults& ADefaults) {
  for (const auto& [rawName, value] : SplitOptionText(AOptions.ExtOptions)) {
    const std::string name = base::AsciiLower(rawName);
    if (!IsNewStreamName(name)) continue;
    const std::vector<std::string> settings = name == "newaudio" ? std::vector<std::string>{"acodec", "apre"}
                                              : name == "newvideo"
                                                  ? std::vector<std::string>{"vcodec", "vpre", "s", "vf"}
                                                  : std::vector<std::string>{"scodec", "spre"};
    for (const std::string& setting : settings) {
      const auto queued =
          std::find_if(ADefaults.begin(), ADefaults.end(), [&](const auto& e) { return e.first == setting; });
      if (queued != ADefaults.end()) {
        const std::string queuedValue = queued->second;
        ADefaults.erase(queued);
        ParseOption(setting, queuedValue);
      } else {
        ParseOption(setting, findDefault(ADefaults, "def_" + setting));
      }
    }
    ParseOption(name, value);
  }
}

}  // namespace engine
