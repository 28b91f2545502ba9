// Presets ("apre", "vpre", "spre", "fpre"): a built-in text or a file of key=value lines.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "base/text.h"
#include "engine/ffmpeg/options/ext_options.h"
#include "engine/ffmpeg/options/ffmpeg_options.h"
#include "engine/ffmpeg/options/x264_presets.h"

namespace engine {

namespace {
const TOptionsPreset* findBuiltin(const std::string& AName) {
  const std::string lower = base::AsciiLower(AName);
  for (const TOptionsPreset& preset : BuiltinPresets())
    if (lower == preset.Name) return &preset;
  return nullptr;
}

std::string readFile(const std::string& AFileName) {
  std::ifstream file(AFileName, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}
}  // namespace

void TFFmpegOptions::ApplyPreset(const std::string& AName, const std::string& AValue) {
  if (AValue.empty()) return;  // an unset preset of a record or of the defaults list
  std::string lookedUp = AValue;
  std::string text;
  if (AName != "fpre") {
    const TOptionsPreset* preset = findBuiltin(AValue);
    if (!preset) {
      const std::string& codec = AName == "vpre"   ? Fvideo_codec_name
                                 : AName == "apre" ? Faudio_codec_name
                                                   : Fsubtitle_codec_name;
      if (!codec.empty() && (preset = findBuiltin(codec + "-" + AValue))) lookedUp = codec + "-" + AValue;
    }
    if (preset) text = preset->Value;
  }
  if (text.empty()) {
    std::error_code error;
    if (AValue.empty() || !std::filesystem::is_regular_file(AValue, error))
      throw std::runtime_error(base::Format("Preset \"%s\" not found", AValue.c_str()));
    text = readFile(AValue);
  }

  for (const std::string& rawLine : SplitOptionLines(text)) {
    const std::string line = base::Trim(rawLine);
    if (line.empty()) continue;
    const size_t eq = line.find('=');
    const std::string key = base::Trim(line.substr(0, eq));
    const std::string value = eq == std::string::npos ? std::string() : base::Trim(line.substr(eq + 1));
    if (key.empty() || value.empty())
      throw std::runtime_error(base::Format("%s: Invalid syntax: \"%s\"", lookedUp.c_str(), line.c_str()));
    const std::string lowerKey = base::AsciiLower(key);
    if (lowerKey == "acodec" || lowerKey == "vcodec" || lowerKey == "scodec") {
      SetCodecRule(lowerKey[0] == 'a'   ? AVMEDIA_TYPE_AUDIO
                   : lowerKey[0] == 'v' ? AVMEDIA_TYPE_VIDEO
                                        : AVMEDIA_TYPE_SUBTITLE,
                   value);
    } else if (!SetGenericOption(key, value)) {
      throw std::runtime_error(
          base::Format("%s: Invalid option or argument: \"%s\", parsed as \"%s\" = \"%s\"", lookedUp.c_str(),
                       line.c_str(), key.c_str(), value.c_str()));
    }
  }
}

}  // namespace engine
