#pragma once

#include <CLI/CLI.hpp>

#include "app/cli/cli_context.h"

namespace ordrex::cli {

// `ordrex-cli settings`: show or change the settings.
class SettingsCommand {
 public:
  explicit SettingsCommand(CliContext& context) : context_(context) {}
  CLI::App* Register(CLI::App& app);
  int Run();

 private:
  CliContext& context_;
};

}  // namespace ordrex::cli
