#include "app/job_records.h"

#include <charconv>

#include "app/chooser_values.h"

namespace app {

namespace {

std::optional<int32_t> ParseDecimal(const std::string& text) {
  int32_t value = 0;
  const auto* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || text.empty()) return std::nullopt;
  return value;
}

engine::TOptionTargetType TargetTypeOf(const std::string& text) {
  if (text == "vcd") return engine::TOptionTargetType::ttVCD;
  if (text == "svcd") return engine::TOptionTargetType::ttSVCD;
  if (text == "dvd") return engine::TOptionTargetType::ttDVD;
  return engine::TOptionTargetType::ttIgnore;
}

engine::TOptionNormType NormTypeOf(const std::string& text) {
  if (text == "PAL") return engine::TOptionNormType::ntPAL;
  if (text == "NTSC") return engine::TOptionNormType::ntNTSC;
  return engine::TOptionNormType::ntAuto;
}

}  // namespace

bool ApplyPresetDefaults(int APresetKey, TWorkingFields& AFields) {
  ResetWorkingFields(AFields);
  const catalogue::TPresetDefaults* d = catalogue::FindDefaults(APresetKey);
  if (d == nullptr) return false;
  AFields.Video_FileExt = d->FileExt;
  AFields.Video_VideoCodec = d->VideoCodec;
  AFields.Video_VideoTag = d->VideoTag;
  AFields.Video_AudioCodec = d->AudioCodec;
  AFields.Video_AudioChannels = d->AudioChannels;
  AFields.Video_FrameSize = d->FrameSize;
  AFields.Video_VideoBitrate = d->VideoBitrate;
  AFields.Video_FrameRate = d->FrameRate;
  AFields.Video_AudioSampleRate = d->AudioSampleRate;
  AFields.Video_AudioBitrate = d->AudioBitrate;
  AFields.Video_FrameAspectRatio = d->FrameAspectRatio;
  AFields.Video_DisableVideo = d->DisableVideo;
  AFields.Video_TargetType = d->TargetType;
  AFields.Video_NormType = d->NormType;
  return true;
}

std::optional<TWorkingFields> WorkingFieldsForPreset(int APresetKey, const TChooserPositions& APositions,
                                                     std::string* AError) {
  auto fail = [&](std::string reason) -> std::optional<TWorkingFields> {
    if (AError != nullptr) *AError = std::move(reason);
    return std::nullopt;
  };
  TWorkingFields fields;
  const catalogue::TPresetChoices* choices = catalogue::FindChoices(APresetKey);
  if (!ApplyPresetDefaults(APresetKey, fields) || choices == nullptr)
    return fail("unknown preset key " + std::to_string(APresetKey));
  for (const catalogue::TChooser chooser : catalogue::kChooserFillOrder) {
    const catalogue::TChoice& choice = (*choices)[chooser];
    const int asked = APositions[static_cast<int>(chooser)];
    const int position = asked < 0 ? choice.Default : asked;
    if (position >= static_cast<int>(choice.List->Entries.size()))
      return fail("position " + std::to_string(position) + " is outside list " + choice.List->Id);
    StoreChooserValue(chooser, choice.List->Entries[static_cast<size_t>(position)], fields);
  }
  return fields;
}

void FillOutputOptions(const TWorkingFields& AFields, const std::string& AOutputFileName,
                       engine::TOutputOptions& AOptions) {
  engine::ResetOutputOptions(AOptions);
  AOptions.FileName = AOutputFileName;
  const TWorkingFields& w = AFields;
  if (!w.Video_VideoCodec.empty()) {
    AOptions.VideoCodec = w.Video_VideoCodec;
    AOptions.VideoPreset = w.Video_VideoCodec == "libx264" ? "libx264-default" : "";
  }
  if (!w.Video_AudioCodec.empty() && w.Video_AudioCodec != "AUTO") AOptions.AudioCodec = w.Video_AudioCodec;
  if (!w.Video_FrameRate.empty()) AOptions.FrameRate = w.Video_FrameRate;
  AOptions.DisableVideo = w.Video_DisableVideo;
  // Text that is not a number leaves the field unset rather than failing the job.
  if (const auto channels = ParseDecimal(w.Video_AudioChannels)) AOptions.AudioChannels = *channels;
  if (w.Video_AudioSampleRate != "AUTO")
    if (const auto rate = ParseDecimal(w.Video_AudioSampleRate)) AOptions.AudioSampleRate = *rate;
  if (!w.Video_FrameSize.empty()) AOptions.FrameSize = w.Video_FrameSize;
  if (!w.Video_TargetType.empty()) AOptions.TargetType = TargetTypeOf(w.Video_TargetType);
  AOptions.NormType = NormTypeOf(w.Video_NormType);
  if (const auto volume = ParseDecimal(w.Video_AudioVolume)) AOptions.AudioVolume = *volume;
  if (!w.Video_FrameAspectRatio.empty()) AOptions.FrameAspectRatio = w.Video_FrameAspectRatio;
  if (w.Video_AudioBitrate != kNoBitrate && w.Video_AudioBitrate != kNoAudioBitrate2)
    AOptions.AudioBitrate = w.Video_AudioBitrate;
  if (!w.Video_FileFormat.empty()) AOptions.FileFormat = w.Video_FileFormat;
  if (!w.Video_VideoFilters.empty()) AOptions.VideoFilters = w.Video_VideoFilters;
  if (!w.Video_VideoTag.empty()) AOptions.VideoTag = w.Video_VideoTag;
  if (w.Video_VideoBitrate != kNoBitrate) AOptions.VideoBitrate = w.Video_VideoBitrate;
}

}  // namespace app
