#pragma once
// The job row: the 25 columns of the job list. Columns 5 and 8 to 24 are hidden and hold the job's
// settings as text, so a job can be rebuilt from its row alone.
#include <array>
#include <cstdint>
#include <string>

#include "app/controls/list_view.h"

namespace app {

enum TJobColumn : int {
  jcInputFile = 0,       // "输入文件", full path
  jcDuration = 1,        // "视频时间", SecToDate or "N/A"
  jcFileSize = 2,        // "文件大小", MegabyteText
  jcOutputFile = 3,      // "输出文件", name with extension, no folder
  jcProgress = 4,        // "转换进度", "37%", "N/A", "100%"
  jcFPS = 5,             // frames per second last reported
  jcCurrentTime = 6,     // "当前时间", SecToDate
  jcCurrentSize = 7,     // "转换大小", MegabyteText
  jcTaskNumber = 8,      // "视频序号", check task index + 1
  jcPresetNumber = 9,    // "视频类别", stored preset number
  jcOptionIndexes = 10,  // "视频选项", option index string
  jcVideoCodec = 11,
  jcAudioCodec = 12,
  jcAudioChannels = 13,
  jcVideoTag = 14,
  jcFileExt = 15,
  jcFrameSize = 16,
  jcVideoBitrate = 17,
  jcFrameRate = 18,
  jcAudioBitrate = 19,
  jcSampleRate = 20,
  jcAspect = 21,
  jcDisableVideo = 22,  // "True" / "False"
  jcTargetType = 23,    // "vcd", "svcd", "dvd" or empty
  jcNormType = 24,      // "PAL", "NTSC" or empty
};
inline constexpr int kJobColumnCount = 25;

// Captions and widths of the 25 columns; width-0 columns are hidden and cannot be widened.
const std::array<TListColumn, kJobColumnCount>& JobColumns();
// Gives the list its 25 columns.
void SetupJobColumns(TListView& AList);

// Hours, minutes and seconds as "%.2d:%.2d:%.2d"; hours wrap at 24 (90061 gives "01:01:01").
std::string SecToDate(int32_t ASeconds);
// Megabytes rounded to two decimals (ties to even) in the shortest form, then "MB": "0MB", "1.5MB",
// "11.77MB".
std::string MegabyteText(int64_t ABytes);

}  // namespace app
