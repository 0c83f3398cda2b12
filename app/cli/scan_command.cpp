#include "app/cli/scan_command.h"

namespace ordrex::cli {

CLI::App* ScanCommand::Register(CLI::App& app) {
  return app.add_subcommand("scan", "Scan a target for registry problems");
}

int ScanCommand::Run() {
  context_.err << "ordrex-cli: 'scan' is not available in this build yet\n";
  return kExitUsage;
}

}  // namespace ordrex::cli
