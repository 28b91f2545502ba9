#pragma once
// The generic option contexts: options of the libraries' own tables (codec context and encoders' private
// options, format context and muxers'/demuxers' private options, scaler), checked against a context as they
// arrive and recorded in order, so that each new stream's codec context and each new format context can get
// them when it is set up.
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "media/av.h"

namespace engine {

struct TCodecContextDeleter {
  void operator()(AVCodecContext* ACtx) const;  // never-opened contexts only
};
struct TFormatContextDeleter {
  void operator()(AVFormatContext* ACtx) const;
};
struct TSwsContextDeleter {
  void operator()(SwsContext* ACtx) const;
};
using TCodecContextPtr = std::unique_ptr<AVCodecContext, TCodecContextDeleter>;
using TFormatContextPtr = std::unique_ptr<AVFormatContext, TFormatContextDeleter>;
using TSwsContextPtr = std::unique_ptr<SwsContext, TSwsContextDeleter>;

// Media types of the generic codec contexts, in this order.
inline constexpr int kOptionMediaTypes = 5;  // video, audio, data, subtitle, attachment
inline constexpr std::array<AVMediaType, kOptionMediaTypes> kOptionMediaTypeOrder = {
    AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO, AVMEDIA_TYPE_DATA, AVMEDIA_TYPE_SUBTITLE,
    AVMEDIA_TYPE_ATTACHMENT};

enum class TOptionTarget {
  otCodec,          // the codec context's own table
  otCodecPrivate,   // an encoder's private table (libx264's "mixed-refs", ...)
  otFormat,         // the format context's own table
  otFormatPrivate,  // a muxer's or demuxer's private table (mpeg's "muxrate", ...)
  otScaler          // the scaler's table
};

// One accepted option, in the order accepted.
struct TAcceptedOption {
  TOptionTarget Target;
  AVMediaType MediaType;  // for the two codec targets
  std::string Name;
  std::string Value;
};

struct TFFOptions {
  std::vector<std::string> opt_names;  // every generic option name accepted so far (opt_name_count = size)
  // One codec context per media type, indexed like kOptionMediaTypeOrder.
  std::array<TCodecContextPtr, kOptionMediaTypes> avcodec_opts;
  TFormatContextPtr avformat_opts;
  TSwsContextPtr sws_opts;  // 16x16, created with the engine's scaler flags
  std::vector<TAcceptedOption> accepted;

  bool Created() const { return avformat_opts != nullptr; }
  // Allocates the contexts (the libraries must be bound); throws std::runtime_error when one cannot be made.
  void Create(int ASwsFlags);
  void Release();
  AVCodecContext* CodecContext(AVMediaType AType) const;
};

// What the setter knows of the engine's state: the encoders chosen so far and the forced format, so that
// private options are checked against the encoder or muxer that will use them.
struct TGenericHints {
  std::string VideoEncoder;
  std::string AudioEncoder;
  std::string SubtitleEncoder;
  std::string FormatName;
};

enum class TSetResult { srAccepted, srUnknown, srBadValue };

// Sets one option of the present library generation (no old-name translation here). On srBadValue the
// library message "Invalid value ... for option ..." has been logged at error level.
TSetResult SetPresentOption(TFFOptions& AOptions, const std::string& AName, const std::string& AValue,
                            const TGenericHints& AHints);

}  // namespace engine
