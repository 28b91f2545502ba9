#pragma once
// vornel-cli's sub-commands. Each command's file registers itself with a static CommandRegistration.
#include <string>
#include <vector>

namespace cli {

using CommandArgs = std::vector<std::string>;  // the words after the command's name

struct Command {
  const char* name;
  const char* usage;    // one line: "presets [CATEGORY_INDEX] [--json]"
  const char* summary;  // one line, shown by --help
  int (*run)(const CommandArgs& args);
};

struct CommandRegistration {
  explicit CommandRegistration(const Command& command);
};

const std::vector<Command>& Commands();

// Prints "vornel-cli: <message>" on standard error and returns the usage-error exit status (2).
int UsageError(const std::string& message);

}  // namespace cli
