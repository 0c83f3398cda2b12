#include "app/cli/ignore_command.h"

namespace ordrex::cli {

CLI::App* IgnoreCommand::Register(CLI::App& app) {
  return app.add_subcommand("ignore", "List or change the ignore list");
}

int IgnoreCommand::Run() {
  context_.err << "ordrex-cli: 'ignore' is not available in this build yet\n";
  return kExitUsage;
}

}  // namespace ordrex::cli
