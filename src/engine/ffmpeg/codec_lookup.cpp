#include "base/text.h"
#include "engine/ffmpeg/custom_ffmpeg.h"

namespace engine {

AVCodecID TCustomFFmpeg::LookupCodec(const std::string& AName, AVMediaType AType, bool AEncoder,
                                     int AStrict) {
  if (AName.empty()) return AV_CODEC_ID_NONE;
  const char* kind = AEncoder ? "encoder" : "decoder";
  const AVCodec* codec = AEncoder ? av::avcodec_find_encoder_by_name(AName.c_str())
                                  : av::avcodec_find_decoder_by_name(AName.c_str());
  if (!codec) throw FFmpegException(base::Format("Unknown %s '%s'", kind, AName.c_str()));
  if (codec->type != AType) throw FFmpegException(base::Format("Invalid %s type '%s'", kind, AName.c_str()));
  if ((codec->capabilities & AV_CODEC_CAP_EXPERIMENTAL) && AStrict > FF_COMPLIANCE_EXPERIMENTAL) {
    std::string msg = base::Format(
        "%s '%s' is experimental and might produce bad results.\nAdd '-strict experimental' if you want to "
        "use it.",
        kind, AName.c_str());
    const AVCodec* other =
        AEncoder ? av::avcodec_find_encoder(codec->id) : av::avcodec_find_decoder(codec->id);
    if (other && !(other->capabilities & AV_CODEC_CAP_EXPERIMENTAL))
      msg += base::Format("\nOr use the non experimental %s '%s'.", kind, other->name);
    throw FFmpegException(msg);
  }
  return codec->id;
}

}  // namespace engine
