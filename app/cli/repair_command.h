#pragma once

#include <CLI/CLI.hpp>

#include "app/cli/cli_context.h"

namespace ordrex::cli {

// `ordrex-cli repair`: scan, back up and repair the selected problems.
class RepairCommand {
 public:
  explicit RepairCommand(CliContext& context) : context_(context) {}
  CLI::App* Register(CLI::App& app);
  int Run();

 private:
  CliContext& context_;
};

}  // namespace ordrex::cli
