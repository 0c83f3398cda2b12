#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "app/cli/cli_context.h"
#include "app/cli/target_options.h"

namespace ordrex::cli {

// `ordrex-cli scan`: scan a target for registry problems.
class ScanCommand {
 public:
  explicit ScanCommand(CliContext& context) : context_(context) {}
  CLI::App* Register(CLI::App& app);
  int Run();

 private:
  CliContext& context_;
  TargetOptions target_;
  std::vector<std::string> only_;
  bool json_ = false;
};

}  // namespace ordrex::cli
