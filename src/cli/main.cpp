// vornel-cli: Vornel's conversion core from a terminal.
#include <cstdio>
#include <cstring>
#include <string>

#include "base/main_thread.h"
#include "cli/command.h"
#include "media/ffmpeg_loader.h"

namespace cli {
namespace {

std::vector<Command>& registry() {
  static std::vector<Command> commands;
  return commands;
}

void printHelp() {
  std::printf("Usage: vornel-cli COMMAND [ARGUMENTS]\n\nCommands:\n");
  for (const Command& c : Commands()) std::printf("  %s\n      %s\n", c.usage, c.summary);
  std::printf("\nvornel-cli COMMAND --help shows a command's usage.\n");
}

}  // namespace

CommandRegistration::CommandRegistration(const Command& command) { registry().push_back(command); }

const std::vector<Command>& Commands() { return registry(); }

int UsageError(const std::string& message) {
  std::fprintf(stderr, "vornel-cli: %s\n", message.c_str());
  return 2;
}

}  // namespace cli

int main(int argc, char** argv) {
  media::SetupFloatingPoint();
  base::MainThread::bindCurrentThread();
  if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
    cli::printHelp();
    return argc < 2 ? 2 : 0;
  }
  for (const cli::Command& command : cli::Commands()) {
    if (std::strcmp(command.name, argv[1]) != 0) continue;
    cli::CommandArgs args(argv + 2, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
      std::printf("Usage: vornel-cli %s\n%s\n", command.usage, command.summary);
      return 0;
    }
    return command.run(args);
  }
  return cli::UsageError(std::string("unknown command '") + argv[1] + "' (see vornel-cli --help)");
}
