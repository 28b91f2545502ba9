#pragma once
// The engine's option state and the translation of every option source into it: named options through
// one dispatcher (ParseOption), ExtOptions texts, the input and output records, the target presets and
// the preset texts. Opening inputs and outputs (the derived engine) then consumes the state.
//
// All members belong to the thread that owns the task: the caller's thread while inputs and outputs are
// added, the task's worker thread during the conversion. Nothing here is shared between tasks.
#include <array>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/ffmpeg/options/generic_options.h"
#include "engine/records/options_records.h"
#include "media/av.h"
#include "media/ff_logger.h"

namespace engine {

// Streams per file, as everywhere in the engine (MAX_STREAMS).
inline constexpr int kMaxStreams = 20;

// One "map" option: input stream -> next output stream, with the stream it syncs to.
struct TAVStreamMap {
  int file_index = 0;
  int stream_index = 0;
  int sync_file_index = 0;
  int sync_stream_index = 0;
};

// One "map_meta_data" option.
struct TAVMetaDataMap {
  int out_file = 0;
  int in_file = 0;
};

// The name=value entries an output record queues for its open and for the extra streams added after it
// ("def_vcodec" = the record's VideoCodec, then every ExtOptions codec/preset/size/filter line).
using TOutputDefaults = std::vector<std::pair<std::string, std::string>>;

class TFFmpegOptions {
 public:
  // AMaxFiles: the task's capacity of input and output files (1 to 512).
  explicit TFFmpegOptions(int AMaxFiles = 20);
  virtual ~TFFmpegOptions();
  TFFmpegOptions(const TFFmpegOptions&) = delete;
  TFFmpegOptions& operator=(const TFFmpegOptions&) = delete;

  int MaxFiles() const { return FMaxFiles; }

  // Every option-state field to its default; the generic option contexts are created anew when the
  // converter libraries are loaded (released otherwise). The derived engine releases its own state first.
  void ResetOptions();

  // The dispatcher: one named option. Throws std::runtime_error with the option's message on a bad name
  // or value; a name nobody knows goes to the generic setter and is ignored when refused there.
  void ParseOption(const std::string& AName, const std::string& AValue);

  // The generic option setter (codec, format and scaler option tables, old names translated): true when
  // accepted. Never throws.
  bool SetGenericOption(const std::string& AName, const std::string& AValue);

  // ExtOptions text: "name=value" lines (line feeds, carriage returns or the literal "<CRLF>"), names
  // lower-cased. The input side skips stream-adding and encoder-only lines, the output side also the
  // codec/preset/size/filter lines that TranslateOutputOptions queues.
  void ApplyExtOptions(const std::string& AText, bool AInputSide);

  // A TInputOptions before its input is opened: ExtOptions, forced format, start time, program id.
  void TranslateInputOptions(const TInputOptions& AOptions);

  // A TOutputOptions before its output is opened: defaults list, target preset, codecs, presets,
  // ExtOptions, record fields, frame size and filters. Returns the defaults list for AddExtraStreams.
  TOutputDefaults TranslateOutputOptions(const TOutputOptions& AOptions);
  // After a successful open: the "newaudio", "newvideo", "newsubtitle" lines of ExtOptions, each preceded
  // by the queued codec/preset/size/filter entries of its kind.
  void AddExtraStreams(const TOutputOptions& AOptions, TOutputDefaults& ADefaults);

  // The recorded generic options of a media type into a new codec context. ADirection is
  // AV_OPT_FLAG_ENCODING_PARAM or AV_OPT_FLAG_DECODING_PARAM. Private options of the codec go into
  // ACtx->priv_data when it has them, else into *AOpenOptions for avcodec_open2 (may be null).
  void ApplyCodecOptions(AVCodecContext* ACtx, AVMediaType AType, int ADirection,
                         AVDictionary** AOpenOptions) const;
  // The same for a format context (an input before opening, an output before its header).
  void ApplyFormatOptions(AVFormatContext* ACtx, int ADirection, AVDictionary** AOpenOptions) const;
  // The recorded scaler options as a dictionary (sws_flags, ...), for a scaler or a filter graph.
  void ScalerOptions(AVDictionary** AOptions) const;
  // The scaler flags in effect: Fsws_flags unless a generic "sws_flags" option changed them.
  int ScalerFlags() const;

  // The present encoder for an encoder name this library generation lacks (libfaac -> aac), logged once
  // per task at llWarning; any other name unchanged. Call it where an encoder is looked up by name.
  std::string PresentEncoderName(const std::string& AName);

 protected:
  // --- Hooks the engine implements (files and streams live there) ---
  // Number of inputs opened so far (Fnb_input_files).
  virtual int InputFileCount() const = 0;
  // Number of output entries opened so far (Fnb_output_files).
  virtual int OutputFileCount() const = 0;
  // Time bases (1 / frame rate) of the video streams of the inputs opened so far, in file and stream
  // order; the target presets guess the TV norm from them.
  virtual std::vector<AVRational> InputVideoTimeBases() const = 0;
  // Adds a stream of the type (video, audio, subtitle) to the last output opened, from the option state;
  // throws on failure. Called only when an output exists.
  virtual void DoNewStream(AVMediaType AType) = 0;
  // Adds a frame hook ("vhook" value: library and arguments); false on failure.
  virtual bool DoAddFrameHook(const std::string& AArgs) = 0;
  // The expected total output duration (FTotalOutputDuration), set by a duration limit.
  virtual void DoSetTotalOutputDuration(int64_t AMicroseconds) = 0;

  // Logs through the log bridge with this task as sender.
  void LogMsg(media::TLogLevel ALevel, const std::string& AMsg) const;

  // --- The option state; defaults in ResetOptions ---
  const int FMaxFiles;
  std::string Flast_asked_format;  // forced format short name for the next input or output
  int Fframe_width = 0;
  int Fframe_height = 0;
  float Fframe_aspect_ratio = 0.0f;  // display aspect ratio
  AVPixelFormat Fframe_pix_fmt = AV_PIX_FMT_NONE;
  AVSampleFormat Faudio_sample_fmt = AV_SAMPLE_FMT_NONE;
  int Fframe_topBand = 0;  // crop bands in pixels
  int Fframe_bottomBand = 0;
  int Fframe_leftBand = 0;
  int Fframe_rightBand = 0;
  std::array<int, 4> Fmax_frames{};  // frame limits: video, audio, data, subtitle
  AVRational Fframe_rate{0, 0};
  float Fvideo_qscale = 0.0f;             // fixed video quantizer, 0 = not fixed
  std::vector<uint16_t> Fintra_matrix;    // 64 coefficients, empty = none
  std::vector<uint16_t> Finter_matrix;    // 64 coefficients, empty = none
  std::string Fvideo_rc_override_string;  // rate-control override text
  bool Fvideo_disable = false;
  int Fvideo_discard = 0;         // discard level for video decoding
  std::string Fvideo_codec_name;  // encoder, or decoder before an input; empty = none
  uint32_t Fvideo_codec_tag = 0;  // four-character tag, 0 = none
  std::string Fvideo_language;
  bool Fsame_quality = false;
  bool Fdo_deinterlace = false;
  int Ftop_field_first = -1;  // -1 automatic
  int Fme_threshold = 0;
  int Fintra_dc_precision = 8;
  bool Floop_input = false;
  int Floop_output = -1;  // -1 = no loop
  bool Fqp_hist = false;
  std::string Fvfilters;  // filter graph text
  bool Fintra_only = false;
  int Faudio_sample_rate = 44100;
  uint64_t Fchannel_layout = 0;
  float Faudio_qscale = -99999.0f;  // -99999 = none
  bool Faudio_disable = false;
  int Faudio_channels = 2;
  std::string Faudio_codec_name;
  uint32_t Faudio_codec_tag = 0;
  std::string Faudio_language;
  bool Fsubtitle_disable = false;
  std::string Fsubtitle_codec_name;
  std::string Fsubtitle_language;
  uint32_t Fsubtitle_codec_tag = 0;
  float Fmux_preload = 0.5f;            // seconds
  float Fmux_max_delay = 0.7f;          // seconds
  int64_t Frecording_time = INT64_MAX;  // duration limit, INT64_MAX = none
  int64_t Fstart_time = 0;
  int64_t Frecording_timestamp = 0;  // seconds since 1970 UTC
  int64_t Finput_ts_offset = 0;      // for the next input
  // Pending metadata for the next output (Fmetadata_count is its size), written in reverse order.
  std::vector<std::pair<std::string, std::string>> Fmetadata;
  int Fdo_benchmark = 0;
  bool Fdo_hex_dump = false;
  bool Fdo_pkt_dump = false;
  bool Fdo_psnr = false;
  int Fdo_pass = 0;  // 0, 1 or 2
  std::string Fpass_logfilename_prefix;
  int Faudio_stream_copy = 0;
  int Fvideo_stream_copy = 0;
  int Fsubtitle_stream_copy = 0;
  int Fvideo_sync_method = -1;
  int Faudio_sync_method = 0;
  float Faudio_drift_threshold = 0.1f;  // seconds
  bool Fcopy_ts = false;
  bool Fopt_shortest = false;
  int Fvideo_global_header = 0;
  std::string Fvstats_filename;  // empty = none
  int Fopt_programid = 0;
  int Fcopy_initial_nonkeyframes = 0;
  bool Frate_emu = false;
  int Fvideo_channel = 0;       // capture channel of the input
  std::string Fvideo_standard;  // TV standard of the input, empty = none
  int Faudio_volume = 256;      // 256 = unchanged
  bool Fexit_on_error = false;
  bool Fusing_vhook = false;
  int Fverbose = 1;
  int Fthread_count = 1;
  std::array<int, kMaxStreams> Fstreamid_map{};                        // stream ids for the next output
  std::vector<int64_t> Finput_files_ts_offset;                         // per input file
  std::vector<std::array<double, kMaxStreams>> Finput_files_ts_scale;  // per input file and stream, 0 = none
  int64_t Flimit_filesize = 0;                                         // bytes, 0 = none
  bool Fforce_fps = false;
  bool Finput_sync = false;
  float Fdts_delta_threshold = 10.0f;  // seconds
  int Fsws_flags = SWS_BICUBIC;
  int Fbit_buffer_size = 256 * 1024;  // encoder output buffer, bytes
  // Bitstream filter names for the streams of the next output, applied in order.
  std::vector<std::string> Fvideo_bitstream_filters;
  std::vector<std::string> Faudio_bitstream_filters;
  std::vector<std::string> Fsubtitle_bitstream_filters;
  // Stream and metadata maps of the task (up to MaxFiles * kMaxStreams and MaxFiles entries).
  std::vector<TAVStreamMap> Fstream_maps;
  std::vector<TAVMetaDataMap> Fmeta_data_maps;
  TFFOptions FOptions;  // the generic option contexts and what they accepted

 private:
  // Dispatcher pieces (option_dispatcher.cpp, option_values.cpp).
  bool ParseCommonOption(const std::string& AName, const std::string& AValue);
  bool ParseVideoOption(const std::string& AName, const std::string& AValue);
  bool ParseAudioSubtitleOption(const std::string& AName, const std::string& AValue);
  void DoNothing(const std::string& AName) const;
  void SetCodecRule(AVMediaType AType, const std::string& AValue);
  void SetBitRate(const std::string& AName, const std::string& AValue);
  void SetForcedFormat(const std::string& AValue);
  void SetCrop(const std::string& AName, const std::string& AValue);
  void SetStreamMap(const std::string& AValue);
  void SetMetaDataMap(const std::string& AValue);
  void SetInputTsScale(const std::string& AValue);
  void SetStreamId(const std::string& AName, const std::string& AValue);
  void SetMetadata(const std::string& AValue);
  void SetBitstreamFilter(const std::string& AName, const std::string& AValue);
  void SetFrameAspect(const std::string& AValue);
  void SetPixelFormat(const std::string& AValue);
  void SetSampleFormat(const std::string& AValue);
  void SetVstats();
  void NewStream(AVMediaType AType);
  // Target presets (target_presets.cpp): "vcd", "svcd", "dvd", "dv", "dv50" with an optional norm prefix.
  void ApplyTarget(const std::string& AValue, const std::string& ADefaultNorm);
  // Preset texts (preset_texts.cpp): "apre", "vpre", "spre", "fpre".
  void ApplyPreset(const std::string& AName, const std::string& AValue);
  // What the generic setter needs to know of the state (current encoders and forced format).
  TGenericHints GenericHints() const;

  std::set<std::string> FSubstitutionsLogged;  // encoder names already reported in this task
};

}  // namespace engine
