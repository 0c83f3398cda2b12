#include "app/gui/user_timers.h"

#include <QCoreApplication>
#include <filesystem>

#include "app/settings/user_locale.h"
#include "schedule/systemd_task_scheduler.h"

namespace ordrex::gui {

SchedulerFactory UserTimersFactory(std::map<std::string, std::string> environment,
                                   ProcessRunner& runner, const Clock& clock) {
  return [environment = std::move(environment), &runner, &clock](const Target& target) {
    const std::filesystem::path program = QCoreApplication::applicationFilePath().toStdString();
    SystemdSchedulerSetup setup;
    setup.unitFolder = UserUnitFolder(environment);
    setup.executable = program.string();
    setup.cliExecutable = (program.parent_path() / "ordrex-cli").string();
    setup.prefix = target.Location();
    setup.locale = UserTimeLocale(environment);
    return std::unique_ptr<TaskScheduler>(
        std::make_unique<SystemdTaskScheduler>(std::move(setup), runner, clock));
  };
}

}  // namespace ordrex::gui
