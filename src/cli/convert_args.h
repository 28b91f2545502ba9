#pragma once
// The arguments of "vornel-cli convert".
#include <optional>
#include <string>
#include <vector>

#include "app/job_records.h"

namespace cli {

struct TConvertRequest {
  int PresetKey = -1;
  app::TChooserPositions Positions = app::kDefaultPositions;  // -1: the preset's default
  std::string OutputFolder = ".";
  int Jobs = 1;            // simultaneous conversions; 0 runs them in turn on the calling thread
  bool Overwrite = false;  // the conflict rule: overwrite, or rename with "_1", "_2", ...
  std::string ExtOptions;  // "--option NAME=VALUE" lines for the output record
  std::vector<std::string> Files;
};

inline constexpr int kMaxJobs = 19;

// std::nullopt with the reason in AError for a bad command line.
std::optional<TConvertRequest> ParseConvertArgs(const std::vector<std::string>& AArgs, std::string& AError);

}  // namespace cli
