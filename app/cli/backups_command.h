#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "app/cli/cli_context.h"
#include "app/cli/target_options.h"

namespace ordrex::cli {

class UserSettings;

// `ordrex-cli backups`: list, restore or delete backups.
class BackupsCommand {
 public:
  explicit BackupsCommand(CliContext& context) : context_(context) {}
  CLI::App* Register(CLI::App& app);
  int Run();

 private:
  int List(UserSettings& settings);
  int Restore(UserSettings& settings, int index);
  int Delete(UserSettings& settings, int index);
  int Clear(UserSettings& settings);
  // The 0-based index of backup N of the list; -1 (and a message) when there is none.
  int IndexOf(UserSettings& settings);

  CliContext& context_;
  TargetOptions target_;
  std::string action_ = "list";
  int number_ = 0;
  bool yes_ = false;
};

}  // namespace ordrex::cli
