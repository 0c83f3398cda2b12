#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "app/cli/cli_context.h"
#include "app/cli/target_options.h"

namespace ordrex {
class WinePrefixRestorePoints;
}

namespace ordrex::cli {

class UserSettings;

// `ordrex-cli restore-points`: list, create, apply or clean the restore points of a prefix.
class RestorePointsCommand {
 public:
  explicit RestorePointsCommand(CliContext& context) : context_(context) {}
  CLI::App* Register(CLI::App& app);
  int Run();

 private:
  int List(WinePrefixRestorePoints& points);
  int Create(WinePrefixRestorePoints& points, UserSettings& settings);
  int Apply(WinePrefixRestorePoints& points);
  int Clean(WinePrefixRestorePoints& points, UserSettings& settings);

  CliContext& context_;
  TargetOptions target_;
  std::vector<std::string> arguments_;
  bool json_ = false;
  bool yes_ = false;
};

}  // namespace ordrex::cli
