#include "app/cli/restart_command.h"

#include <chrono>
#include <thread>

#include "system/wine_restart.h"

namespace ordrex::cli {

CLI::App* RestartCommand::Register(CLI::App& app) {
  CLI::App* verb = app.add_subcommand(
      "restart", "End the Wine session of a prefix and start it again, as Windows restarts");
  verb->add_option("--delay", delay_, "Count down this many seconds first")
      ->type_name("S")
      ->check(CLI::Range(0, 3600));
  AddTargetOptions(*verb, target_);
  return verb;
}

int RestartCommand::Run() {
  if (!target_.windows.empty()) {
    context_.err << "ordrex-cli: only a Wine prefix can be restarted\n";
    return kExitUsage;
  }
  WinePrefixRestart restart(PrefixFolder(target_, context_), context_.processes);
  for (int left = delay_; left > 0; --left) {
    context_.out << "System will be restart in " << left << " second(s)\n" << std::flush;
    if (context_.waitOneSecond) {
      context_.waitOneSecond();
    } else {
      std::this_thread::sleep_for(std::chrono::seconds(1));
    }
  }
  if (!restart.RequestRestart()) {
    context_.err << "ordrex-cli: " << kRestartFailedText << "\n"
                 << "ordrex-cli: " << restart.LastFailureReason() << "\n";
    return kExitUsage;
  }
  context_.out << "Restarted the Wine session of " << PrefixFolder(target_, context_).string()
               << ".\n";
  return kExitOk;
}

}  // namespace ordrex::cli
