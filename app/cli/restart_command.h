#pragma once

#include <CLI/CLI.hpp>

#include "app/cli/cli_context.h"
#include "app/cli/target_options.h"

namespace ordrex::cli {

// `ordrex-cli restart`: ends the Wine session of a prefix and starts it again, as Windows
// restarts, after a countdown the user can cut short with Ctrl+C.
class RestartCommand {
 public:
  explicit RestartCommand(CliContext& context) : context_(context) {}
  CLI::App* Register(CLI::App& app);
  int Run();

 private:
  CliContext& context_;
  TargetOptions target_;
  int delay_ = 0;
};

}  // namespace ordrex::cli
