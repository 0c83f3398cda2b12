#include "app/gui/user_timers.h"

#include "app/settings/user_locale.h"
#include "schedule/systemd_task_scheduler.h"

namespace ordrex::gui {

SchedulerFactory UserTimersFactory(std::filesystem::path program,
                                   std::map<std::string, std::string> environment,
                                   ProcessRunner& runner, const Clock& clock) {
  return [program = std::move(program), environment = std::move(environment), &runner,
          &clock](const Target& target) {
    SystemdSchedulerSetup setup;
    setup.unitFolder = UserUnitFolder(environment);
    setup.executable = program.string();
    // Without it the scheduler refuses to save: its units would run at every timer elapse.
    const std::filesystem::path cli = program.parent_path() / "ordrex-cli";
    std::error_code error;
    if (std::filesystem::is_regular_file(cli, error)) setup.cliExecutable = cli.string();
    setup.prefix = target.Location();
    setup.locale = UserTimeLocale(environment);
    return std::unique_ptr<TaskScheduler>(
        std::make_unique<SystemdTaskScheduler>(std::move(setup), runner, clock));
  };
}

}  // namespace ordrex::gui
