#include "app/job_row.h"

#include <cmath>

#include "base/text.h"

namespace app {

const std::array<TListColumn, kJobColumnCount>& JobColumns() {
  // Hidden columns may be at most 1 pixel wide, so a user cannot drag them open.
  static const std::array<TListColumn, kJobColumnCount> columns = {{
      {"输入文件", 80, 0},  {"视频时间", 70, 0},  {"文件大小", 70, 0}, {"输出文件", 80, 0},
      {"转换进度", 70, 0},  {"", 0, 1},           {"当前时间", 80, 0}, {"转换大小", 80, 0},
      {"视频序号", 0, 1},   {"视频类别", 0, 1},   {"视频选项", 0, 1},  {"视频编码", 0, 1},
      {"音频编码", 0, 1},   {"声音频道", 0, 1},   {"VideoTag", 0, 1},  {"FileExt", 0, 1},
      {"视频分辨率", 0, 1}, {"视频比特率", 0, 1}, {"视频帧率", 0, 1},  {"音频比特率", 0, 1},
      {"音频采样率", 0, 1}, {"视频缩放", 0, 1},   {"视频能否", 0, 1},  {"TargetType", 0, 1},
      {"NormType", 0, 1},
  }};
  return columns;
}

void SetupJobColumns(TListView& AList) {
  const auto& columns = JobColumns();
  AList.SetColumns({columns.begin(), columns.end()});
}

std::string SecToDate(int32_t ASeconds) {
  const int32_t s = ASeconds % 60;
  const int32_t m = ((ASeconds - s) / 60) % 60;
  const int32_t h = ((ASeconds - s - 60 * m) / 3600) % 24;
  return base::Format("%.2d:%.2d:%.2d", h, m, s);
}

std::string MegabyteText(int64_t ABytes) {
  // Hundredths of a megabyte, rounded half to even, then printed without trailing zeros.
  const auto hundredths =
      static_cast<int64_t>(std::nearbyint(static_cast<double>(ABytes) / 1048576.0 * 100.0));
  const int64_t magnitude = hundredths < 0 ? -hundredths : hundredths;
  std::string text = (hundredths < 0 ? "-" : "") + std::to_string(magnitude / 100);
  const int64_t fraction = magnitude % 100;
  if (fraction != 0) {
    text += fraction % 10 == 0 ? base::Format(".%d", static_cast<int>(fraction / 10))
                               : base::Format(".%02d", static_cast<int>(fraction));
  }
  return text + "MB";
}

}  // namespace app
