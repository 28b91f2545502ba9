#include "engine/ffmpeg/options/generic_options.h"

#include <stdexcept>

#include "base/text.h"
#include "engine/ffmpeg/options/legacy_options.h"
#include "media/ff_logger.h"

namespace engine {

void TCodecContextDeleter::operator()(AVCodecContext* ACtx) const { av::avcodec_free_context(&ACtx); }
void TFormatContextDeleter::operator()(AVFormatContext* ACtx) const { av::avformat_free_context(ACtx); }
void TSwsContextDeleter::operator()(SwsContext* ACtx) const { av::sws_freeContext(ACtx); }

namespace {
// The option flags that make an option belong to a media type (data and attachment take any option).
constexpr int kTypeFlags[kOptionMediaTypes] = {AV_OPT_FLAG_VIDEO_PARAM, AV_OPT_FLAG_AUDIO_PARAM, 0,
                                               AV_OPT_FLAG_SUBTITLE_PARAM, 0};

int typeIndex(AVMediaType AType) {
  for (int i = 0; i < kOptionMediaTypes; ++i)
    if (kOptionMediaTypeOrder[static_cast<size_t>(i)] == AType) return i;
  return -1;
}

struct TCodecOwner {
  AVCodecContext* Ctx = nullptr;
  ~TCodecOwner() { av::avcodec_free_context(&Ctx); }
};

struct TFormatOwner {
  AVFormatContext* Ctx = nullptr;
  ~TFormatOwner() { av::avformat_free_context(Ctx); }
};

bool hasPrivateOption(const AVClass* const* AClass, const std::string& AName) {
  // A pointer to the class stands for an object of it (AV_OPT_SEARCH_FAKE_OBJ).
  return AClass && *AClass &&
         av::av_opt_find(const_cast<void*>(static_cast<const void*>(AClass)), AName.c_str(), nullptr, 0,
                         AV_OPT_SEARCH_FAKE_OBJ) != nullptr;
}

// The value checked against a fresh context of that encoder: the accepted value or a refusal.
TSetResult checkEncoderOption(const AVCodec* ACodec, const std::string& AName, const std::string& AValue) {
  TCodecOwner owner{av::avcodec_alloc_context3(ACodec)};
  if (!owner.Ctx || !owner.Ctx->priv_data) return TSetResult::srUnknown;
  return av::av_opt_set(owner.Ctx->priv_data, AName.c_str(), AValue.c_str(), 0) < 0 ? TSetResult::srBadValue
                                                                                    : TSetResult::srAccepted;
}

const AVCodec* encoderWithOption(const TGenericHints& AHints, const std::string& AName) {
  for (const std::string* name : {&AHints.VideoEncoder, &AHints.AudioEncoder, &AHints.SubtitleEncoder}) {
    if (name->empty()) continue;
    const AVCodec* codec = av::avcodec_find_encoder_by_name(name->c_str());
    if (codec && hasPrivateOption(&codec->priv_class, AName)) return codec;
  }
  void* it = nullptr;
  while (const AVCodec* codec = av::av_codec_iterate(&it))
    if (av::av_codec_is_encoder(codec) && hasPrivateOption(&codec->priv_class, AName)) return codec;
  return nullptr;
}

const AVOutputFormat* muxerWithOption(const TGenericHints& AHints, const std::string& AName) {
  if (!AHints.FormatName.empty()) {
    const AVOutputFormat* format = av::av_guess_format(AHints.FormatName.c_str(), nullptr, nullptr);
    if (format && hasPrivateOption(&format->priv_class, AName)) return format;
  }
  void* it = nullptr;
  while (const AVOutputFormat* format = av::av_muxer_iterate(&it))
    if (hasPrivateOption(&format->priv_class, AName)) return format;
  return nullptr;
}

bool demuxerHasOption(const std::string& AName) {
  void* it = nullptr;
  while (const AVInputFormat* format = av::av_demuxer_iterate(&it))
    if (hasPrivateOption(&format->priv_class, AName)) return true;
  return false;
}

TSetResult checkMuxerOption(const AVOutputFormat* AFormat, const std::string& AName,
                            const std::string& AValue) {
  TFormatOwner owner;
  if (av::avformat_alloc_output_context2(&owner.Ctx, AFormat, nullptr, nullptr) < 0 || !owner.Ctx->priv_data)
    return TSetResult::srUnknown;
  return av::av_opt_set(owner.Ctx->priv_data, AName.c_str(), AValue.c_str(), 0) < 0 ? TSetResult::srBadValue
                                                                                    : TSetResult::srAccepted;
}

// The codec context's own table, type by type in the fixed order; what each type took is collected.
TSetResult setInCodecTables(TFFOptions& AOptions, const std::string& AName, const std::string& AValue,
                            std::vector<TAcceptedOption>& AAccepted) {
  AVCodecContext* video = AOptions.CodecContext(AVMEDIA_TYPE_VIDEO);
  for (int i = 0; i < kOptionMediaTypes; ++i) {
    const AVMediaType type = kOptionMediaTypeOrder[static_cast<size_t>(i)];
    if (IsVideoOnlyLegacyName(AName) && (type == AVMEDIA_TYPE_AUDIO || type == AVMEDIA_TYPE_SUBTITLE))
      continue;
    if (!av::av_opt_find(video, AName.c_str(), nullptr, kTypeFlags[i], 0)) continue;
    if (av::av_opt_set(AOptions.avcodec_opts[static_cast<size_t>(i)].get(), AName.c_str(), AValue.c_str(),
                       0) < 0)
      return TSetResult::srBadValue;
    AAccepted.push_back({TOptionTarget::otCodec, type, AName, AValue});
  }
  return AAccepted.empty() ? TSetResult::srUnknown : TSetResult::srAccepted;
}

TSetResult setInOwnTable(void* AObject, TOptionTarget ATarget, const std::string& AName,
                         const std::string& AValue, std::vector<TAcceptedOption>& AAccepted) {
  if (!av::av_opt_find(AObject, AName.c_str(), nullptr, 0, 0)) return TSetResult::srUnknown;
  if (av::av_opt_set(AObject, AName.c_str(), AValue.c_str(), 0) < 0) return TSetResult::srBadValue;
  AAccepted.push_back({ATarget, AVMEDIA_TYPE_UNKNOWN, AName, AValue});
  return TSetResult::srAccepted;
}

// "abt" is "bt" of the audio context, "vb" "b" of the video one, and so on.
TSetResult setByTypePrefix(TFFOptions& AOptions, const std::string& AName, const std::string& AValue,
                           std::vector<TAcceptedOption>& AAccepted) {
  if (AName.size() < 2) return TSetResult::srUnknown;
  const AVMediaType type = AName[0] == 'a'   ? AVMEDIA_TYPE_AUDIO
                           : AName[0] == 'v' ? AVMEDIA_TYPE_VIDEO
                           : AName[0] == 's' ? AVMEDIA_TYPE_SUBTITLE
                                             : AVMEDIA_TYPE_UNKNOWN;
  if (type == AVMEDIA_TYPE_UNKNOWN) return TSetResult::srUnknown;
  const std::string rest = AName.substr(1);
  AVCodecContext* ctx = AOptions.CodecContext(type);
  if (!av::av_opt_find(ctx, rest.c_str(), nullptr, 0, 0)) return TSetResult::srUnknown;
  if (av::av_opt_set(ctx, rest.c_str(), AValue.c_str(), 0) < 0) return TSetResult::srBadValue;
  AAccepted.push_back({TOptionTarget::otCodec, type, rest, AValue});
  return TSetResult::srAccepted;
}

TSetResult setInPrivateTables(const std::string& AName, const std::string& AValue,
                              const TGenericHints& AHints, std::vector<TAcceptedOption>& AAccepted) {
  if (const AVCodec* codec = encoderWithOption(AHints, AName)) {
    const TSetResult result = checkEncoderOption(codec, AName, AValue);
    if (result == TSetResult::srAccepted)
      AAccepted.push_back({TOptionTarget::otCodecPrivate, codec->type, AName, AValue});
    if (result != TSetResult::srUnknown) return result;
  }
  if (const AVOutputFormat* format = muxerWithOption(AHints, AName)) {
    const TSetResult result = checkMuxerOption(format, AName, AValue);
    if (result == TSetResult::srAccepted)
      AAccepted.push_back({TOptionTarget::otFormatPrivate, AVMEDIA_TYPE_UNKNOWN, AName, AValue});
    if (result != TSetResult::srUnknown) return result;
  }
  if (demuxerHasOption(AName)) {  // checked by the demuxer when the input opens
    AAccepted.push_back({TOptionTarget::otFormatPrivate, AVMEDIA_TYPE_UNKNOWN, AName, AValue});
    return TSetResult::srAccepted;
  }
  return TSetResult::srUnknown;
}
}  // namespace

void TFFOptions::Create(int ASwsFlags) {
  Release();
  for (int i = 0; i < kOptionMediaTypes; ++i) {
    AVCodecContext* ctx = av::avcodec_alloc_context3(nullptr);
    if (!ctx) throw std::runtime_error("avcodec_alloc_context3 failed");
    ctx->codec_type = kOptionMediaTypeOrder[static_cast<size_t>(i)];
    avcodec_opts[static_cast<size_t>(i)].reset(ctx);
  }
  avformat_opts.reset(av::avformat_alloc_context());
  if (!avformat_opts) throw std::runtime_error("avformat_alloc_context failed");
  sws_opts.reset(av::sws_getContext(16, 16, AV_PIX_FMT_YUV420P, 16, 16, AV_PIX_FMT_YUV420P, ASwsFlags,
                                    nullptr, nullptr, nullptr));
  if (!sws_opts) throw std::runtime_error("sws_getContext failed");
}

void TFFOptions::Release() {
  for (auto& ctx : avcodec_opts) ctx.reset();
  avformat_opts.reset();
  sws_opts.reset();
  opt_names.clear();
  accepted.clear();
}

AVCodecContext* TFFOptions::CodecContext(AVMediaType AType) const {
  const int i = typeIndex(AType);
  return i < 0 ? nullptr : avcodec_opts[static_cast<size_t>(i)].get();
}

TSetResult SetPresentOption(TFFOptions& AOptions, const std::string& AName, const std::string& AValue,
                            const TGenericHints& AHints) {
  if (base::Trim(AName).empty() || base::Trim(AValue).empty() || !AOptions.Created())
    return TSetResult::srUnknown;
  std::vector<TAcceptedOption> accepted;
  TSetResult result = setInCodecTables(AOptions, AName, AValue, accepted);
  if (result == TSetResult::srUnknown)
    result = setInOwnTable(AOptions.avformat_opts.get(), TOptionTarget::otFormat, AName, AValue, accepted);
  if (result == TSetResult::srUnknown)
    result = setInOwnTable(AOptions.sws_opts.get(), TOptionTarget::otScaler, AName, AValue, accepted);
  if (result == TSetResult::srUnknown) result = setByTypePrefix(AOptions, AName, AValue, accepted);
  if (result == TSetResult::srUnknown) result = setInPrivateTables(AName, AValue, AHints, accepted);

  if (result == TSetResult::srBadValue) {
    av::av_log(nullptr, AV_LOG_ERROR, "Invalid value \"%s\" for option \"%s\"\n", AValue.c_str(),
               AName.c_str());
    return result;
  }
  if (result != TSetResult::srAccepted) return result;
  AOptions.opt_names.push_back(AName);
  AOptions.accepted.insert(AOptions.accepted.end(), accepted.begin(), accepted.end());
  if (AOptions.CodecContext(AVMEDIA_TYPE_VIDEO)->debug != 0 || AOptions.avformat_opts->debug != 0)
    media::FFLogger().SetLogLevel(media::TLogLevel::llDebug);
  return result;
}

}  // namespace engine
