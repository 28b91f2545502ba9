// The generic option setter of the engine and the hand-over of what it accepted to new contexts.
#include "base/text.h"
#include "engine/ffmpeg/options/ffmpeg_options.h"
#include "engine/ffmpeg/options/legacy_options.h"

namespace engine {

bool TFFmpegOptions::SetGenericOption(const std::string& AName, const std::string& AValue) {
  if (base::Trim(AName).empty() || base::Trim(AValue).empty()) return false;
  const TLegacyTranslation translation = TranslateLegacyOption(AName, AValue);
  for (const std::string& warning : translation.Warnings) LogMsg(media::TLogLevel::llWarning, warning);
  const TGenericHints hints = GenericHints();
  bool accepted = true;
  for (const TPresentOption& option : translation.Options)
    accepted =
        SetPresentOption(FOptions, option.Name, option.Value, hints) == TSetResult::srAccepted && accepted;
  return accepted;
}

namespace {
void setPrivate(void* APrivate, const TAcceptedOption& AOption, AVDictionary** AOpenOptions) {
  if (APrivate && av::av_opt_find(APrivate, AOption.Name.c_str(), nullptr, 0, 0))
    av::av_opt_set(APrivate, AOption.Name.c_str(), AOption.Value.c_str(), 0);
  else if (AOpenOptions)
    av::av_dict_set(AOpenOptions, AOption.Name.c_str(), AOption.Value.c_str(), 0);
}
}  // namespace

void TFFmpegOptions::ApplyCodecOptions(AVCodecContext* ACtx, AVMediaType AType, int ADirection,
                                       AVDictionary** AOpenOptions) const {
  for (const TAcceptedOption& option : FOptions.accepted) {
    if (option.MediaType != AType) continue;
    if (option.Target == TOptionTarget::otCodec) {
      if (av::av_opt_find(ACtx, option.Name.c_str(), nullptr, ADirection, 0))
        av::av_opt_set(ACtx, option.Name.c_str(), option.Value.c_str(), 0);
    } else if (option.Target == TOptionTarget::otCodecPrivate && (ADirection & AV_OPT_FLAG_ENCODING_PARAM)) {
      setPrivate(ACtx->priv_data, option, AOpenOptions);
    }
  }
}

void TFFmpegOptions::ApplyFormatOptions(AVFormatContext* ACtx, int ADirection,
                                        AVDictionary** AOpenOptions) const {
  for (const TAcceptedOption& option : FOptions.accepted) {
    if (option.Target == TOptionTarget::otFormat) {
      if (av::av_opt_find(ACtx, option.Name.c_str(), nullptr, ADirection, 0))
        av::av_opt_set(ACtx, option.Name.c_str(), option.Value.c_str(), 0);
    } else if (option.Target == TOptionTarget::otFormatPrivate) {
      setPrivate(ACtx->priv_data, option, AOpenOptions);
    }
  }
  if (ADirection & AV_OPT_FLAG_ENCODING_PARAM) {
    ACtx->max_delay = static_cast<int>(Fmux_max_delay * 1000000);
    if (ACtx->priv_data && av::av_opt_find(ACtx->priv_data, "preload", nullptr, 0, 0))
      av::av_opt_set_int(ACtx->priv_data, "preload", static_cast<int64_t>(Fmux_preload * 1000000), 0);
  }
}

void TFFmpegOptions::ScalerOptions(AVDictionary** AOptions) const {
  for (const TAcceptedOption& option : FOptions.accepted)
    if (option.Target == TOptionTarget::otScaler)
      av::av_dict_set(AOptions, option.Name.c_str(), option.Value.c_str(), 0);
}

int TFFmpegOptions::ScalerFlags() const {
  int64_t flags = Fsws_flags;
  if (FOptions.sws_opts) av::av_opt_get_int(FOptions.sws_opts.get(), "sws_flags", 0, &flags);
  return static_cast<int>(flags);
}

}  // namespace engine
