// The value a chooser entry stands for, derived from its display text.
#include <utility>

#include "base/text.h"
#include "catalogue/catalogue.h"

namespace catalogue {

std::string EntryText(TChooser kind, std::string_view entry) {
  switch (kind) {
    case TChooser::Size:
      return entry == "保持原分辨率" || entry == "该格式无视频" ? std::string() : std::string(entry);
    case TChooser::FrameRate:
      return entry == "保持原帧速率" || entry == "无视频" ? std::string() : std::string(entry);
    case TChooser::Aspect: {
      static constexpr std::pair<std::string_view, std::string_view> kAspects[] = {
          {"普通视频4:3模式", "4:3"},
          {"宽屏视频16:9模式", "16:9"},
          {"宽屏视频37:20模式", "37:20"},
          {"宽屏视频47:20模式", "47:20"}};
      for (const auto& [text, value] : kAspects)
        if (entry == text) return std::string(value);
      return {};  // "保持原视频模式", "无视频": keep the source aspect
    }
    case TChooser::SampleRate:
    case TChooser::VideoBitrate:
    case TChooser::AudioBitrate:
      break;
  }
  return std::string(entry);
}

std::optional<std::int32_t> EntryBitrate(std::string_view entry) {
  if (entry == "无视频") return -1000;
  const size_t unit = entry.find("kbps");
  if (unit == std::string_view::npos) return std::nullopt;
  const std::string number = base::Trim(entry.substr(0, unit));
  // Decimal with "." as the point, times 1000 in integer arithmetic ("7.95" gives 7950 exactly).
  std::int64_t value = 0;
  int decimals = -1;  // digits seen after the point; -1 before it
  bool anyDigit = false;
  for (char c : number) {
    if (c == '.' && decimals < 0) {
      decimals = 0;
    } else if (c >= '0' && c <= '9') {
      anyDigit = true;
      if (decimals >= 3) continue;  // finer than 1 bit/s
      value = value * 10 + (c - '0');
      if (decimals >= 0) ++decimals;
      if (value > INT32_MAX) return std::nullopt;
    } else {
      return std::nullopt;
    }
  }
  if (!anyDigit) return std::nullopt;
  for (int d = decimals < 0 ? 0 : decimals; d < 3; ++d) value *= 10;
  if (value > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

}  // namespace catalogue
