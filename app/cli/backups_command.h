#pragma once

#include <CLI/CLI.hpp>

#include "app/cli/cli_context.h"

namespace ordrex::cli {

// `ordrex-cli backups`: list, restore or delete backups.
class BackupsCommand {
 public:
  explicit BackupsCommand(CliContext& context) : context_(context) {}
  CLI::App* Register(CLI::App& app);
  int Run();

 private:
  CliContext& context_;
};

}  // namespace ordrex::cli
