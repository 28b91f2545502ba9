#include <stdexcept>

#include "base/text.h"
#include "engine/ffmpeg/options/codec_equivalents.h"
#include "engine/ffmpeg/options/ffmpeg_options.h"
#include "media/ffmpeg_loader.h"

namespace engine {

namespace {
// What the generic option contexts need.
constexpr media::TLibraries kOptionLibraries{media::TLibrary::avCodec, media::TLibrary::avFormat,
                                             media::TLibrary::avUtil, media::TLibrary::swScale};
}  // namespace

TFFmpegOptions::TFFmpegOptions(int AMaxFiles) : FMaxFiles(AMaxFiles) {
  if (AMaxFiles < 1 || AMaxFiles > 512) throw std::invalid_argument("max files must be 1 to 512");
  Finput_files_ts_offset.assign(static_cast<size_t>(FMaxFiles), 0);
  Finput_files_ts_scale.assign(static_cast<size_t>(FMaxFiles), {});
}

TFFmpegOptions::~TFFmpegOptions() = default;

void TFFmpegOptions::ResetOptions() {
  static_cast<TOptionState&>(*this) = TOptionState{};
  Finput_files_ts_offset.assign(static_cast<size_t>(FMaxFiles), 0);
  Finput_files_ts_scale.assign(static_cast<size_t>(FMaxFiles), {});
  FSubstitutionsLogged.clear();
  FOptions.Release();
  if (media::Loader().Loaded(kOptionLibraries)) FOptions.Create(Fsws_flags);
}

void TFFmpegOptions::LogMsg(media::TLogLevel ALevel, const std::string& AMsg) const {
  media::FFLogger().Log(this, ALevel, AMsg);
}

std::string TFFmpegOptions::PresentEncoderName(const std::string& AName) {
  const TCodecEquivalent* row = FindCodecEquivalent(AName.c_str());
  if (!row || av::avcodec_find_encoder_by_name(AName.c_str())) return AName;
  if (FSubstitutionsLogged.insert(AName).second)
    LogMsg(media::TLogLevel::llWarning,
           base::Format("Encoder \"%s\" is not available in this library version; using \"%s\" instead",
                        row->OldName, row->PresentName));
  return row->PresentName;
}

TGenericHints TFFmpegOptions::GenericHints() const {
  // Private options are checked against the encoder that will really be used.
  const auto present = [](const std::string& AName) {
    const TCodecEquivalent* row = FindCodecEquivalent(AName.c_str());
    return row && !av::avcodec_find_encoder_by_name(AName.c_str()) ? std::string(row->PresentName) : AName;
  };
  return {present(Fvideo_codec_name), present(Faudio_codec_name), present(Fsubtitle_codec_name),
          Flast_asked_format};
}

}  // namespace engine
