#pragma once

#include <CLI/CLI.hpp>

#include "app/cli/cli_context.h"

namespace ordrex::cli {

// `ordrex-cli ignore`: list or change the ignore list.
class IgnoreCommand {
 public:
  explicit IgnoreCommand(CliContext& context) : context_(context) {}
  CLI::App* Register(CLI::App& app);
  int Run();

 private:
  CliContext& context_;
};

}  // namespace ordrex::cli
