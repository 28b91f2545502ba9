#include "app/chooser_values.h"

namespace app {

using catalogue::TChooser;

void StoreChooserValue(TChooser AChooser, std::string_view AEntry, TWorkingFields& AFields) {
  switch (AChooser) {
    case TChooser::Size:
      AFields.Video_FrameSize = catalogue::EntryText(AChooser, AEntry);
      break;
    case TChooser::FrameRate:
      AFields.Video_FrameRate = catalogue::EntryText(AChooser, AEntry);
      break;
    case TChooser::SampleRate:
      AFields.Video_AudioSampleRate = catalogue::EntryText(AChooser, AEntry);
      break;
    case TChooser::Aspect:
      AFields.Video_FrameAspectRatio = catalogue::EntryText(AChooser, AEntry);
      break;
    // Every catalogue entry is well formed; an unreadable one would mean "no bit rate".
    case TChooser::VideoBitrate:
      AFields.Video_VideoBitrate = catalogue::EntryBitrate(AEntry).value_or(kNoBitrate);
      break;
    case TChooser::AudioBitrate:
      AFields.Video_AudioBitrate = catalogue::EntryBitrate(AEntry).value_or(kNoBitrate);
      break;
  }
}

std::string ChooserFieldText(TChooser AChooser, const TWorkingFields& AFields) {
  switch (AChooser) {
    case TChooser::Size:
      return AFields.Video_FrameSize;
    case TChooser::VideoBitrate:
      return std::to_string(AFields.Video_VideoBitrate);
    case TChooser::FrameRate:
      return AFields.Video_FrameRate;
    case TChooser::AudioBitrate:
      return std::to_string(AFields.Video_AudioBitrate);
    case TChooser::SampleRate:
      return AFields.Video_AudioSampleRate;
    case TChooser::Aspect:
      return AFields.Video_FrameAspectRatio;
  }
  return {};
}

int ChooserValueColumn(TChooser AChooser) {
  switch (AChooser) {
    case TChooser::Size:
      return 16;
    case TChooser::VideoBitrate:
      return 17;
    case TChooser::FrameRate:
      return 18;
    case TChooser::AudioBitrate:
      return 19;
    case TChooser::SampleRate:
      return 20;
    case TChooser::Aspect:
      return 21;
  }
  return -1;
}

}  // namespace app
