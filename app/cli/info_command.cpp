#include "app/cli/info_command.h"

namespace ordrex::cli {

CLI::App* InfoCommand::Register(CLI::App& app) {
  return app.add_subcommand("info", "Show what the program sees of a target");
}

int InfoCommand::Run() {
  context_.err << "ordrex-cli: 'info' is not available in this build yet\n";
  return kExitUsage;
}

}  // namespace ordrex::cli
