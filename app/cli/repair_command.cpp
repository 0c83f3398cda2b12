#include "app/cli/repair_command.h"

namespace ordrex::cli {

CLI::App* RepairCommand::Register(CLI::App& app) {
  return app.add_subcommand("repair", "Scan, back up and repair the selected problems");
}

int RepairCommand::Run() {
  context_.err << "ordrex-cli: 'repair' is not available in this build yet\n";
  return kExitUsage;
}

}  // namespace ordrex::cli
