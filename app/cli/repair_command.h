#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "app/cli/cli_context.h"
#include "app/cli/target_options.h"

namespace ordrex::cli {

// `ordrex-cli repair`: scan, back up and repair the selected problems.
class RepairCommand {
 public:
  explicit RepairCommand(CliContext& context) : context_(context) {}
  CLI::App* Register(CLI::App& app);
  int Run();

 private:
  // Asks on the terminal; no answer (end of input) is no.
  bool Confirm(const std::string& question);

  CliContext& context_;
  TargetOptions target_;
  bool yes_ = false;
  bool noBackup_ = false;
  std::vector<std::string> searchDirs_;
  bool json_ = false;
  bool restorePoint_ = false;
};

}  // namespace ordrex::cli
