// The dispatcher: every option name the engine knows, in the order they are tested, and its effect.
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "base/text.h"
#include "engine/ffmpeg/options/ffmpeg_options.h"
#include "engine/ffmpeg/options/option_parsers.h"

namespace engine {

using TText = const std::string&;

struct TFFmpegOptions::TOptionEntry {
  const char* Name;
  void (*Handler)(TFFmpegOptions& AOptions, TText AName, TText AValue);
};

const TFFmpegOptions::TOptionEntry* TFFmpegOptions::FindOption(const std::string& AName) {
  using Self = TFFmpegOptions;
  const auto nothing = [](Self& o, TText n, TText) { o.DoNothing(n); };
  const auto crop = [](Self& o, TText n, TText v) { o.SetCrop(n, v); };
  const auto pad = [](Self&, TText, TText) { throw std::runtime_error("Please use vfilters=pad"); };
  const auto matrix = [](Self& o, TText n, TText v) {
    (n == "intra_matrix" ? o.Fintra_matrix : o.Finter_matrix) = ParseMatrix(v);
  };
  const auto bitRate = [](Self& o, TText n, TText v) { o.SetBitRate(n, v); };
  const auto bsf = [](Self& o, TText n, TText v) { o.SetBitstreamFilter(n, v); };
  const auto preset = [](Self& o, TText n, TText v) { o.ApplyPreset(n, v); };

  static const TOptionEntry kTable[] = {
      {"L", nothing},
      {"h", nothing},
      {"version", nothing},
      {"formats", nothing},
      {"codecs", nothing},
      {"bsfs", nothing},
      {"protocols", nothing},
      {"filters", nothing},
      {"loglevel",
       [](Self&, TText, TText v) {
         try {
           media::FFLogger().OptLogLevel(v);
         } catch (const std::logic_error& e) {  // the conversion error of a word that is no level
           throw std::runtime_error(e.what());
         }
       }},
      {"f", [](Self& o, TText, TText v) { o.SetForcedFormat(v); }},
      {"i", nothing},
      {"y", nothing},
      {"map", [](Self& o, TText, TText v) { o.SetStreamMap(v); }},
      {"map_meta_data", [](Self& o, TText, TText v) { o.SetMetaDataMap(v); }},
      {"t",
       [](Self& o, TText n, TText v) {
         o.Frecording_time = o.ParseTime(n, v, true);
         o.DoSetTotalOutputDuration(o.Frecording_time);
       }},
      {"fs", [](Self& o, TText, TText v) { o.Flimit_filesize = StrToInt64(v); }},
      {"ss", [](Self& o, TText n, TText v) { o.Fstart_time = o.ParseTime(n, v, true); }},
      {"itsoffset", [](Self& o, TText n, TText v) { o.Finput_ts_offset = o.ParseTime(n, v, true); }},
      {"itsscale", [](Self& o, TText, TText v) { o.SetInputTsScale(v); }},
      {"timestamp",
       [](Self& o, TText n, TText v) {
         o.Frecording_timestamp = static_cast<int64_t>(std::nearbyint(o.ParseTime(n, v, false) / 1000000.0));
       }},
      {"metadata", [](Self& o, TText, TText v) { o.SetMetadata(v); }},
      {"dframes", [](Self& o, TText, TText v) { o.Fmax_frames[2] = StrToInt(v); }},
      {"benchmark", nothing},
      {"timelimit",
       [](Self& o, TText, TText) {
         o.LogMsg(media::TLogLevel::llWarning, "Warning: -timelimit not implemented on Windows");
       }},
      {"dump", [](Self& o, TText, TText v) { o.Fdo_pkt_dump = OptionBool(v); }},
      {"hex", [](Self& o, TText, TText v) { o.Fdo_hex_dump = OptionBool(v); }},
      {"re", [](Self& o, TText, TText v) { o.Frate_emu = OptionBool(v); }},
      {"loop_input", [](Self& o, TText, TText v) { o.Floop_input = OptionBool(v); }},
      {"loop_output", [](Self& o, TText, TText v) { o.Floop_output = StrToInt(v); }},
      {"v", [](Self& o, TText, TText v) { o.Fverbose = StrToInt(v); }},
      {"target",
       [](Self& o, TText, TText v) {
         for (const char* norm : {"pal", "ntsc", "film"}) {
           const std::string prefix = std::string(norm) + "-";
           if (v.compare(0, prefix.size(), prefix) == 0) return o.ApplyTarget(v.substr(prefix.size()), norm, "ntsc");
         }
         o.ApplyTarget(v, "auto", "ntsc");
       }},
      {"threads", [](Self&, TText n, TText) { throw std::runtime_error("TODO: option - " + n); }},
      {"vsync", [](Self& o, TText, TText v) { o.Fvideo_sync_method = StrToInt(v); }},
      {"async", [](Self& o, TText, TText v) { o.Faudio_sync_method = StrToInt(v); }},
      {"adrift_threshold", [](Self& o, TText, TText v) { o.Faudio_drift_threshold = float(StrToFloat(v)); }},
      {"vglobal", [](Self& o, TText, TText v) { o.Fvideo_global_header = StrToInt(v); }},
      {"copyts", [](Self& o, TText, TText) { o.Fcopy_ts = true; }},
      {"shortest", [](Self& o, TText, TText v) { o.Fopt_shortest = OptionBool(v); }},
      {"dts_delta_threshold", [](Self& o, TText, TText v) { o.Fdts_delta_threshold = float(StrToFloat(v)); }},
      {"programid", [](Self& o, TText, TText v) { o.Fopt_programid = StrToInt(v); }},
      {"xerror", [](Self& o, TText, TText) { o.Fexit_on_error = true; }},
      {"copyinkf", [](Self& o, TText, TText v) { o.Fcopy_initial_nonkeyframes = StrToInt(v); }},
      {"b", bitRate},
      {"vb", bitRate},
      {"vframes", [](Self& o, TText, TText v) { o.Fmax_frames[0] = StrToInt(v); }},
      {"r",
       [](Self& o, TText, TText v) {
         if (av::av_parse_video_rate(&o.Fframe_rate, v.c_str()) < 0)
           throw std::runtime_error("Incorrect frame rate");
       }},
      {"s",
       [](Self& o, TText, TText v) {
         if (v.empty()) return;
         if (av::av_parse_video_size(&o.Fframe_width, &o.Fframe_height, v.c_str()) < 0)
           throw std::runtime_error("Incorrect frame size");
       }},
      {"aspect", [](Self& o, TText, TText v) { o.Fframe_aspect_ratio = ParseAspect(v); }},
      {"pix_fmt", [](Self& o, TText, TText v) { o.SetPixelFormat(v); }},
      {"croptop", crop},
      {"cropbottom", crop},
      {"cropleft", crop},
      {"cropright", crop},
      {"padtop", pad},
      {"padbottom", pad},
      {"padleft", pad},
      {"padright", pad},
      {"padcolor", pad},
      {"intra", [](Self& o, TText, TText v) { o.Fintra_only = OptionBool(v); }},
      {"vn", [](Self& o, TText, TText v) { o.Fvideo_disable = OptionBool(v); }},
      {"vdt", [](Self& o, TText, TText v) { o.Fvideo_discard = StrToInt(v); }},
      {"qscale",
       [](Self& o, TText, TText v) {
         const double q = StrToFloat(v);
         if (!(q > 0.0 && q <= 255.0)) throw std::runtime_error("qscale must be > 0.0 and <= 255");
         o.Fvideo_qscale = static_cast<float>(q);
       }},
      {"rc_override", [](Self& o, TText, TText v) { o.Fvideo_rc_override_string = v; }},
      {"vcodec", [](Self& o, TText, TText v) { o.SetCodecRule(AVMEDIA_TYPE_VIDEO, v); }},
      {"me_threshold", [](Self& o, TText, TText v) { o.Fme_threshold = StrToInt(v); }},
      {"sameq", [](Self& o, TText, TText v) { o.Fsame_quality = OptionBool(v); }},
      {"pass",
       [](Self& o, TText, TText v) {
         const int pass = StrToInt(v);
         if (pass != 1 && pass != 2) throw std::runtime_error("pass number can be only 1 or 2");
         o.Fdo_pass = pass;
       }},
      {"passlogfile", [](Self& o, TText, TText v) { o.Fpass_logfilename_prefix = v; }},
      {"deinterlace", [](Self& o, TText, TText v) { o.Fdo_deinterlace = OptionBool(v); }},
      {"psnr", [](Self& o, TText, TText v) { o.Fdo_psnr = OptionBool(v); }},
      {"vstats", [](Self& o, TText, TText) { o.SetVstats(); }},
      {"vstats_file", [](Self& o, TText, TText v) { o.Fvstats_filename = v; }},
      {"vhook",
       [](Self& o, TText, TText v) {
         if (!o.DoAddFrameHook(v)) throw std::runtime_error("Failed to add video hook function: " + v);
         o.Fusing_vhook = true;
       }},
      {"vfilters", [](Self& o, TText, TText v) { o.Fvfilters = v.empty() ? o.Fvfilters : v; }},
      {"vf", [](Self& o, TText, TText v) { o.Fvfilters = v.empty() ? o.Fvfilters : v; }},
      {"intra_matrix", matrix},
      {"inter_matrix", matrix},
      {"top", [](Self& o, TText, TText v) { o.Ftop_field_first = StrToInt(v); }},
      {"dc", [](Self& o, TText, TText v) { o.Fintra_dc_precision = StrToInt(v); }},
      {"vtag", [](Self& o, TText, TText v) { o.Fvideo_codec_tag = CodecTagFromText(v, "video"); }},
      {"newvideo", [](Self& o, TText, TText) { o.NewStream(AVMEDIA_TYPE_VIDEO); }},
      {"vlang", [](Self& o, TText, TText v) { o.Fvideo_language = v; }},
      {"qphist", [](Self& o, TText, TText v) { o.Fqp_hist = OptionBool(v); }},
      {"force_fps", [](Self& o, TText, TText v) { o.Fforce_fps = OptionBool(v); }},
      {"streamid", [](Self& o, TText n, TText v) { o.SetStreamId(n, v); }},
      {"ab", bitRate},
      {"aframes", [](Self& o, TText, TText v) { o.Fmax_frames[1] = StrToInt(v); }},
      {"aq", [](Self& o, TText, TText v) { o.Faudio_qscale = float(StrToFloat(v)); }},
      {"ar",
       [](Self& o, TText, TText v) {
         const int rate = StrToInt(v);
         if (rate > 0) o.Faudio_sample_rate = rate;
       }},
      {"ac",
       [](Self& o, TText, TText v) {
         const int channels = StrToInt(v);
         if (channels > 0) o.Faudio_channels = channels;
       }},
      {"an", [](Self& o, TText, TText v) { o.Faudio_disable = OptionBool(v); }},
      {"acodec", [](Self& o, TText, TText v) { o.SetCodecRule(AVMEDIA_TYPE_AUDIO, v); }},
      {"atag", [](Self& o, TText, TText v) { o.Faudio_codec_tag = CodecTagFromText(v, "audio"); }},
      {"vol", [](Self& o, TText, TText v) { o.Faudio_volume = StrToInt(v); }},
      {"newaudio", [](Self& o, TText, TText) { o.NewStream(AVMEDIA_TYPE_AUDIO); }},
      {"alang", [](Self& o, TText, TText v) { o.Faudio_language = v; }},
      {"sample_fmt", [](Self& o, TText, TText v) { o.SetSampleFormat(v); }},
      {"sn", [](Self& o, TText, TText v) { o.Fsubtitle_disable = OptionBool(v); }},
      {"scodec", [](Self& o, TText, TText v) { o.SetCodecRule(AVMEDIA_TYPE_SUBTITLE, v); }},
      {"newsubtitle", [](Self& o, TText, TText) { o.NewStream(AVMEDIA_TYPE_SUBTITLE); }},
      {"slang", [](Self& o, TText, TText v) { o.Fsubtitle_language = v; }},
      {"stag", [](Self& o, TText, TText v) { o.Fsubtitle_codec_tag = CodecTagFromText(v, "subtitle"); }},
      {"vc", [](Self& o, TText, TText v) { o.Fvideo_channel = StrToInt(v); }},
      {"tvstd", [](Self& o, TText, TText v) { o.Fvideo_standard = v; }},
      {"isync", [](Self& o, TText, TText v) { o.Finput_sync = OptionBool(v); }},
      {"muxdelay", [](Self& o, TText, TText v) { o.Fmux_max_delay = float(StrToFloat(v)); }},
      {"muxpreload", [](Self& o, TText, TText v) { o.Fmux_preload = float(StrToFloat(v)); }},
      {"absf", bsf},
      {"vbsf", bsf},
      {"sbsf", bsf},
      {"apre", preset},
      {"vpre", preset},
      {"spre", preset},
      {"fpre", preset},
  };
  for (const TOptionEntry& entry : kTable)
    if (AName == entry.Name) return &entry;
  return nullptr;
}

void TFFmpegOptions::ParseOption(const std::string& AName, const std::string& AValue) {
  if (const TOptionEntry* entry = FindOption(AName)) {
    entry->Handler(*this, AName, AValue);
  } else if (!SetGenericOption(AName, AValue) && !AName.empty()) {
    // Not an error (option texts may carry settings for other library versions), but never silent.
    LogMsg(media::TLogLevel::llWarning, base::Format("Option \"%s\" = \"%s\" was not accepted and is ignored",
                                                     AName.c_str(), AValue.c_str()));
  }
}

}  // namespace engine
