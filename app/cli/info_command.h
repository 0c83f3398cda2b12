#pragma once

#include <CLI/CLI.hpp>

#include "app/cli/cli_context.h"

namespace ordrex::cli {

// `ordrex-cli info`: show what the program sees of a target.
class InfoCommand {
 public:
  explicit InfoCommand(CliContext& context) : context_(context) {}
  CLI::App* Register(CLI::App& app);
  int Run();

 private:
  CliContext& context_;
};

}  // namespace ordrex::cli
