// vornel-cli probe FILE...: each file's description, as the main window writes it into its log.
#include <cstdio>

#include "base/paths.h"
#include "cli/command.h"
#include "media/av_probe.h"

namespace cli {
namespace {

int runProbe(const CommandArgs& args) {
  if (args.empty()) return UsageError("probe needs at least one FILE");
  media::TAVProbe probe;
  // Like the window: the LibAV folder beside the executable first, then the system's libraries.
  if (!probe.AVLibLoaded() && !probe.LoadAVLib(base::ExecutableFolder() + "/LibAV")) {
    std::fprintf(stderr, "%s\n", probe.LastErrMsg().c_str());
    return 1;
  }
  int status = 0;
  bool first = true;
  for (const std::string& file : args) {
    if (!probe.LoadFile(file)) {
      std::fprintf(stderr, "%s\n", probe.LastErrMsg().c_str());
      status = 1;
      continue;
    }
    if (!first) std::fputs("\n", stdout);
    first = false;
    std::fputs(probe.FileInfoText().c_str(), stdout);
    std::fflush(stdout);
  }
  return status;
}

const CommandRegistration registration({"probe", "probe FILE...",
                                        "prints each media file's container, streams and tags", &runProbe});

}  // namespace
}  // namespace cli
