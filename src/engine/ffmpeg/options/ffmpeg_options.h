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
#include "engine/ffmpeg/options/option_state.h"
#include "engine/records/options_records.h"
#include "media/av.h"
#include "media/ff_logger.h"

namespace engine {

// The name=value entries an output record queues for its open and for the extra streams added after it
// ("def_vcodec" = the record's VideoCodec, then every ExtOptions codec/preset/size/filter line).
using TOutputDefaults = std::vector<std::pair<std::string, std::string>>;

class TFFmpegOptions : protected TOptionState {
 public:
  // AMaxFiles: the task's capacity of input and output files (1 to 512).
  explicit TFFmpegOptions(int AMaxFiles = 20);
  virtual ~TFFmpegOptions();
  TFFmpegOptions(const TFFmpegOptions&) = delete;
  TFFmpegOptions& operator=(const TFFmpegOptions&) = delete;

  int MaxFiles() const { return FMaxFiles; }
  // The option state as it stands (read-only view for callers and checks).
  const TOptionState& OptionState() const { return *this; }
  const TFFOptions& GenericOptions() const { return FOptions; }

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
  // The same for a format context (an input before opening, an output before its header). For an output
  // (encoding) it also sets the mux preload (a private option of the muxers that have one) and max delay
  // from Fmux_preload and Fmux_max_delay.
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

  const int FMaxFiles;
  TFFOptions FOptions;  // the generic option contexts and what they accepted

 private:
  struct TOptionEntry;  // one dispatcher name and its handler (option_table.cpp)
  static const TOptionEntry* FindOption(const std::string& AName);

  // Handlers shared by several names (option_values.cpp).
  void DoNothing(const std::string& AName) const;
  void SetCodecRule(AVMediaType AType, const std::string& AValue);
  void SetBitRate(const std::string& AName, const std::string& AValue);
  void SetForcedFormat(const std::string& AValue);
  int64_t ParseTime(const std::string& AName, const std::string& AValue, bool ADuration) const;
  void SetCrop(const std::string& AName, const std::string& AValue);
  void SetStreamMap(const std::string& AValue);
  void SetMetaDataMap(const std::string& AValue);
  void SetInputTsScale(const std::string& AValue);
  void SetStreamId(const std::string& AName, const std::string& AValue);
  void SetMetadata(const std::string& AValue);
  void SetBitstreamFilter(const std::string& AName, const std::string& AValue);
  void SetPixelFormat(const std::string& AValue);
  void SetSampleFormat(const std::string& AValue);
  void SetVstats();
  void NewStream(AVMediaType AType);
  // Target presets (target_presets.cpp): "vcd", "svcd", "dvd", "dv", "dv50".
  // ANorm: "auto", "pal", "ntsc" or "film"; ADefaultNorm decides when "auto" finds nothing.
  void ApplyTarget(const std::string& ATarget, const std::string& ANorm, const std::string& ADefaultNorm);
  // The record fields of an output and its stream info (record_translation.cpp).
  void TranslateOutputFields(const TOutputOptions& AOptions);
  void TranslateStreamInfo(const TStreamInfo& AInfo);
  // Preset texts (preset_texts.cpp): "apre", "vpre", "spre", "fpre".
  void ApplyPreset(const std::string& AName, const std::string& AValue);
  // What the generic setter needs to know of the state (current encoders and forced format).
  TGenericHints GenericHints() const;

  std::set<std::string> FSubstitutionsLogged;  // encoder names already reported in this task
};

}  // namespace engine
