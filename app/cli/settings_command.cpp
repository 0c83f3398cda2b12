#include "app/cli/settings_command.h"

namespace ordrex::cli {

CLI::App* SettingsCommand::Register(CLI::App& app) {
  return app.add_subcommand("settings", "Show or change the settings");
}

int SettingsCommand::Run() {
  context_.err << "ordrex-cli: 'settings' is not available in this build yet\n";
  return kExitUsage;
}

}  // namespace ordrex::cli
