#pragma once

#include <CLI/CLI.hpp>

#include "app/cli/cli_context.h"
#include "app/cli/target_options.h"

namespace ordrex::cli {

// `ordrex-cli info`: show what the program sees of a target, so that a user can tell why a
// path was judged missing: its Windows folders, special folders, drives and registry files.
class InfoCommand {
 public:
  explicit InfoCommand(CliContext& context) : context_(context) {}
  CLI::App* Register(CLI::App& app);
  int Run();

 private:
  CliContext& context_;
  TargetOptions target_;
  bool json_ = false;
};

}  // namespace ordrex::cli
