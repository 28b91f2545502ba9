#include "cli/convert_args.h"

#include <cerrno>
#include <cstdlib>

#include "catalogue/catalogue.h"

namespace cli {
namespace {

std::optional<int> WholeNumber(const std::string& AText) {
  if (AText.empty()) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  const long value = std::strtol(AText.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || value < -1000000000L || value > 1000000000L) return std::nullopt;
  return static_cast<int>(value);
}

struct TChooserOption {
  const char* Name;
  catalogue::TChooser Chooser;
};

constexpr TChooserOption kChooserOptions[] = {
    {"--size", catalogue::TChooser::Size},       {"--vbitrate", catalogue::TChooser::VideoBitrate},
    {"--fps", catalogue::TChooser::FrameRate},   {"--abitrate", catalogue::TChooser::AudioBitrate},
    {"--rate", catalogue::TChooser::SampleRate}, {"--aspect", catalogue::TChooser::Aspect},
};

}  // namespace

std::optional<TConvertRequest> ParseConvertArgs(const std::vector<std::string>& AArgs, std::string& AError) {
  TConvertRequest request;
  bool optionsEnded = false;
  for (size_t i = 0; i < AArgs.size(); ++i) {
    const std::string& arg = AArgs[i];
    if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
      request.Files.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "--overwrite" || arg == "--rename") {
      request.Overwrite = arg == "--overwrite";
      continue;
    }
    if (i + 1 >= AArgs.size()) {
      AError = arg + " needs a value";
      return std::nullopt;
    }
    const std::string& value = AArgs[++i];
    if (arg == "--out") {
      request.OutputFolder = value;
    } else if (arg == "--option") {
      if (value.find('=') == std::string::npos || value[0] == '=') {
        AError = "--option wants NAME=VALUE, got '" + value + "'";
        return std::nullopt;
      }
      request.ExtOptions += value + "\n";
    } else if (arg == "--preset" || arg == "--jobs") {
      const auto number = WholeNumber(value);
      if (!number) {
        AError = arg + " wants a whole number, got '" + value + "'";
        return std::nullopt;
      }
      if (arg == "--preset") {
        request.PresetKey = *number;
      } else if (*number < 0 || *number > kMaxJobs) {
        AError = "--jobs must be 0 to " + std::to_string(kMaxJobs);
        return std::nullopt;
      } else {
        request.Jobs = *number;
      }
    } else {
      const TChooserOption* chooser = nullptr;
      for (const auto& option : kChooserOptions)
        if (arg == option.Name) chooser = &option;
      if (!chooser) {
        AError = "unknown option " + arg;
        return std::nullopt;
      }
      const auto number = WholeNumber(value);
      if (!number || *number < 0) {
        AError = arg + " wants a chooser position (0, 1, ...), got '" + value + "'";
        return std::nullopt;
      }
      request.Positions[static_cast<size_t>(chooser->Chooser)] = *number;
    }
  }
  if (request.PresetKey < 0) {
    AError = "--preset KEY is required (see vornel-cli presets)";
    return std::nullopt;
  }
  if (request.Files.empty()) {
    AError = "no input files";
    return std::nullopt;
  }
  return request;
}

}  // namespace cli
