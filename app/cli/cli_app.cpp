#include "app/cli/cli_app.h"

#include <CLI/CLI.hpp>

#include "app/cli/backups_command.h"
#include "app/cli/ignore_command.h"
#include "app/cli/info_command.h"
#include "app/cli/repair_command.h"
#include "app/cli/restart_command.h"
#include "app/cli/restore_points_command.h"
#include "app/cli/scan_command.h"
#include "app/cli/schedule_command.h"
#include "app/cli/settings_command.h"

namespace ordrex::cli {

int RunCli(const std::vector<std::string>& args, CliContext& context) {
  CLI::App app{
      "Ordrex: finds and repairs registry entries that point at things that no longer "
      "exist",
      "ordrex-cli"};
  app.require_subcommand(1);

  InfoCommand info(context);
  ScanCommand scan(context);
  RepairCommand repair(context);
  BackupsCommand backups(context);
  IgnoreCommand ignore(context);
  SettingsCommand settings(context);
  RestorePointsCommand restorePoints(context);
  RestartCommand restart(context);
  ScheduleCommand schedule(context);
  CLI::App* infoApp = info.Register(app);
  CLI::App* scanApp = scan.Register(app);
  CLI::App* repairApp = repair.Register(app);
  CLI::App* backupsApp = backups.Register(app);
  CLI::App* ignoreApp = ignore.Register(app);
  CLI::App* settingsApp = settings.Register(app);
  CLI::App* restorePointsApp = restorePoints.Register(app);
  CLI::App* restartApp = restart.Register(app);
  CLI::App* scheduleApp = schedule.Register(app);

  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    context.out << app.help();
    return kExitOk;
  } catch (const CLI::ParseError& e) {
    context.err << "ordrex-cli: " << e.what() << "\n";
    return kExitUsage;
  }
  if (infoApp->parsed()) return info.Run();
  if (scanApp->parsed()) return scan.Run();
  if (repairApp->parsed()) return repair.Run();
  if (backupsApp->parsed()) return backups.Run();
  if (ignoreApp->parsed()) return ignore.Run();
  if (settingsApp->parsed()) return settings.Run();
  if (restorePointsApp->parsed()) return restorePoints.Run();
  if (restartApp->parsed()) return restart.Run();
  if (scheduleApp->parsed()) return schedule.Run();
  return kExitUsage;
}

}  // namespace ordrex::cli
