#pragma once
// The working fields: the settings of the job being set up, handed from the preset catalogue to the
// job list. Strings hold exactly the text that goes into the job row.
#include <cstdint>
#include <string>

namespace app {

// Bit-rate marker: the preset or chooser gives no bit rate ("无视频"); never copied into a job.
inline constexpr int32_t kNoBitrate = -1000;
// Audio bit-rate marker that is likewise never copied into a job.
inline constexpr int32_t kNoAudioBitrate2 = -2000;

struct TWorkingFields {
  std::string Video_OutPutFileName;       // full path of the output file being set up
  std::string Video_AddFileName;          // full path of the input file being added (not reset)
  std::string Video_FileExt;              // output extension with its dot, ".mp4"
  std::string Video_AudioChannels;        // "1", "2"; empty: not set
  std::string Video_AudioSampleRate;      // Hz as text; "AUTO" or empty: not set
  std::string Video_FrameSize;            // "640*480"; empty: keep the source's
  std::string Video_FrameRate;            // "25", "29.97"; empty: keep the source's
  std::string Video_NormType;             // "PAL", "NTSC", empty: automatic
  std::string Video_VideoFilters;         // filter text; empty: none
  std::string Video_AudioVolume = "256";  // "256": unchanged
  std::string Video_FrameAspectRatio;     // "4:3", "16:9", "37:20", "47:20"; empty: keep
  std::string Video_VideoCodec;           // encoder name; empty: the container's default
  std::string Video_AudioCodec;           // encoder name; "AUTO" or empty: the container's default
  std::string Video_FileFormat;           // container name; empty: from the extension
  std::string Video_TargetType;           // "vcd", "svcd", "dvd" or empty
  std::string Video_VideoTag;             // FourCC "XVID", "DX50" or empty
  int32_t Video_VideoBitrate = -1;        // bit/s; kNoBitrate: none
  int32_t Video_AudioBitrate = -1;        // bit/s; kNoBitrate / kNoAudioBitrate2: none
  bool Video_DisableVideo = false;        // the output has no video stream
};

// The reset ("初始化数据"): every field to its reset value except Video_AddFileName.
void ResetWorkingFields(TWorkingFields& AFields);

}  // namespace app
