#include "app/cli/backups_command.h"

namespace ordrex::cli {

CLI::App* BackupsCommand::Register(CLI::App& app) {
  return app.add_subcommand("backups", "List, restore or delete backups");
}

int BackupsCommand::Run() {
  context_.err << "ordrex-cli: 'backups' is not available in this build yet\n";
  return kExitUsage;
}

}  // namespace ordrex::cli
