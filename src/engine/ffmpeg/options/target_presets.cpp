// The disc and DV target presets: settings by target and television norm.
#include <cmath>
#include <stdexcept>
#include <string>

#include "base/text.h"
#include "engine/ffmpeg/options/ffmpeg_options.h"

namespace engine {

namespace {
enum class TNorm { nPAL, nNTSC, nFILM };

// One target's settings; null or 0 entries leave the setting unchanged.
struct TTargetPreset {
  const char* Name;
  const char* VideoCodec;
  const char* AudioCodec;
  const char* Format;
  const char* SizePAL;
  const char* SizeNTSC;  // also FILM
  bool SetGOP;           // 15 for PAL, 18 otherwise
  const char* BitRate;   // "b"
  const char* MaxRate;
  const char* MinRate;
  const char* BufSize;
  const char* Flags;
  const char* AudioBitRate;  // "ab"
  int SampleRate;
  int ChannelsRule;  // 0 unchanged, 1 exactly 2, 2 mono becomes stereo
  const char* PacketSize;
  const char* MuxRate;
  float MuxPreload;  // seconds, 0 unchanged
  const char* Aspect;
};

constexpr TTargetPreset kTargets[] = {
    {"vcd", "mpeg1video", "mp2", "vcd", "352x288", "352x240", true, "1150000", "1150000", "1150000", "327680",
     nullptr, "224000", 44100, 1, "2324", "1411200", 0.44f, "4:3"},
    {"svcd", "mpeg2video", "mp2", "svcd", "480x576", "480x480", true, "2040000", "2516000", "0", "1835008",
     "+scan_offset", "224000", 44100, 2, "2324", nullptr, 0.0f, "4:3"},
    {"dvd", "mpeg2video", "ac3", "dvd", "720x576", "720x480", true, "6000000", "9000000", "0", "1835008",
     nullptr, "448000", 48000, 2, "2048", "10080000", 0.0f, "16:9"},
    {"dv", nullptr, nullptr, "dv", "720x576", "720x480", false, nullptr, nullptr, nullptr, nullptr, nullptr,
     nullptr, 48000, 1, nullptr, nullptr, 0.0f, nullptr},
    {"dv50", nullptr, nullptr, "dv", "720x576", "720x480", false, nullptr, nullptr, nullptr, nullptr, nullptr,
     nullptr, 48000, 1, nullptr, nullptr, 0.0f, nullptr},
};

const char* const kFrameRates[] = {"25", "30000/1001", "24000/1001"};  // by TNorm

// 25000 -> PAL; 29970 and 23976 -> NTSC.
bool normFromRate(double AMilliFps, TNorm& ANorm) {
  const long rate = std::lrint(AMilliFps);  // the default rounding: ties to even
  if (rate == 25000)
    ANorm = TNorm::nPAL;
  else if (rate == 29970 || rate == 23976)
    ANorm = TNorm::nNTSC;
  else
    return false;
  return true;
}
}  // namespace

void TFFmpegOptions::ApplyTarget(const std::string& ATarget, const std::string& ANorm,
                                 const std::string& ADefaultNorm) {
  TNorm norm = TNorm::nPAL;
  if (ANorm == "pal") {
    norm = TNorm::nPAL;
  } else if (ANorm == "ntsc") {
    norm = TNorm::nNTSC;
  } else if (ANorm == "film") {
    norm = TNorm::nFILM;
  } else {
    if (Fframe_rate.den == 0) throw std::runtime_error("frame_rate is invalid.");
    bool found = normFromRate(Fframe_rate.num * 1000.0 / Fframe_rate.den, norm);
    for (const AVRational& tb : found ? std::vector<AVRational>{} : InputVideoTimeBases())
      if (tb.num != 0 && (found = normFromRate(tb.den * 1000.0 / tb.num, norm))) break;
    if (!found)
      norm = ADefaultNorm == "film" ? TNorm::nFILM : ADefaultNorm == "ntsc" ? TNorm::nNTSC : TNorm::nPAL;
    if (Fverbose > 0)
      LogMsg(media::TLogLevel::llVerbose,
             base::Format("Assuming %s for target.", norm == TNorm::nPAL ? "PAL" : "NTSC"));
  }

  const TTargetPreset* target = nullptr;
  for (const TTargetPreset& row : kTargets)
    if (ATarget == row.Name) target = &row;
  if (!target) throw std::runtime_error("Unknown target type");

  const bool pal = norm == TNorm::nPAL;
  const auto generic = [this](const char* AName, const char* AValue) {
    if (AValue) SetGenericOption(AName, AValue);
  };
  if (target->VideoCodec) SetCodecRule(AVMEDIA_TYPE_VIDEO, target->VideoCodec);
  if (target->AudioCodec) SetCodecRule(AVMEDIA_TYPE_AUDIO, target->AudioCodec);
  SetForcedFormat(target->Format);
  ParseOption("s", pal ? target->SizePAL : target->SizeNTSC);
  ParseOption("r", kFrameRates[static_cast<int>(norm)]);
  if (target->SetGOP) generic("g", pal ? "15" : "18");
  generic("b", target->BitRate);
  generic("maxrate", target->MaxRate);
  generic("minrate", target->MinRate);
  generic("bufsize", target->BufSize);
  generic("flags", target->Flags);
  generic("ab", target->AudioBitRate);
  Faudio_sample_rate = target->SampleRate;
  if (target->ChannelsRule == 1) Faudio_channels = 2;
  if (target->ChannelsRule == 2 && Faudio_channels == 1) Faudio_channels = 2;
  generic("packetsize", target->PacketSize);
  generic("muxrate", target->MuxRate);
  if (target->MuxPreload > 0.0f) Fmux_preload = target->MuxPreload;
  if (ATarget == "dv50")
    Fframe_pix_fmt = AV_PIX_FMT_YUV422P;
  else if (ATarget == "dv")
    Fframe_pix_fmt = pal ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_YUV411P;
  if (target->Aspect && Fframe_aspect_ratio == 0.0f) {
    ParseOption("aspect", target->Aspect);
    LogMsg(media::TLogLevel::llInfo, base::Format("Assuming %s for aspect ratio", target->Aspect));
  }
}

}  // namespace engine
