#pragma once
// The scheduler on Linux: Ordrex's work item kept as systemd user units (see systemd_units.h)
// in the user's unit folder, loaded into the user's service manager through `systemctl --user`.

#include <cstdint>
#include <filesystem>
#include <locale>
#include <map>
#include <optional>
#include <string>

#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "schedule/systemd_units.h"
#include "schedule/task_scheduler.h"
#include "system/process_runner.h"

namespace ordrex {

struct SystemdSchedulerSetup {
  std::filesystem::path unitFolder;  // $XDG_CONFIG_HOME/systemd/user (else ~/.config/systemd/user)
  std::string executable;            // the window program ("ordrex"), absolute
  std::string cliExecutable;         // ordrex-cli, absolute (ExecCondition asks it)
  std::string prefix;                // the target the scheduled run scans (--prefix)
  // How the trigger texts write dates and times.
  std::locale locale = std::locale::classic();
  // Writes the unit files; null: the real atomic writer.
  FileWriter* fileWriter = nullptr;
};

class SystemdTaskScheduler : public TaskScheduler {
 public:
  SystemdTaskScheduler(SystemdSchedulerSetup setup, ProcessRunner& runner, const Clock& clock);

  bool IsAdministrator() const override { return true; }
  std::uint32_t StartTaskScheduler() override;
  std::uint32_t ConnectScheduler() override { return 0; }

  std::string FindProgramTask() override;
  bool CreateProgramTask() override;
  void DeleteProgramTask() override;
  std::string TaskName() const override;

  std::vector<std::string> ReadTriggerTexts() override;
  std::size_t TriggerCount() const override;
  bool AddTrigger() override;
  void RemoveTrigger(std::size_t index) override;
  std::optional<TASK_TRIGGER> FetchTrigger(std::size_t index) override;
  std::uint16_t IdleMinutes() const override;
  void StoreTrigger(const TASK_TRIGGER& trigger, std::uint16_t idleMinutes) override;

  std::string Notice() const override { return notice_; }

  // Appends `trigger` and sets the idle wait in one save, creating the work item (with this
  // trigger only) when there is none; the trigger becomes the current one. False when a unit of
  // the work item's name runs another program. Throws SchedulerError when saving fails.
  bool AddProgramTrigger(const TASK_TRIGGER& trigger, std::uint16_t idleMinutes);

  // The target the work item found by FindProgramTask scans; empty when none is named.
  const std::string& SavedPrefix() const { return savedPrefix_; }
  // The target that the next save names.
  void SetPrefix(std::string prefix) { setup_.prefix = std::move(prefix); }

 private:
  std::filesystem::path UnitPath(const char* name) const { return setup_.unitFolder / name; }
  // Writes the units of `item` and has the service manager load them; on failure the old
  // files are in place and SchedulerError says why.
  void Save(const WorkItem& item);
  void WriteUnits(const UnitTexts& texts);
  // Runs `systemctl --user <args>`; false (and a notice) when it fails.
  bool Systemctl(const std::vector<std::string>& args);

  SystemdSchedulerSetup setup_;
  AtomicFileWriter atomicWriter_;
  ProcessRunner& runner_;
  const Clock& clock_;
  std::optional<WorkItem> task_;
  std::size_t currentTrigger_ = 0;
  std::string savedPrefix_;
  std::string notice_;
};

// The unit folder for an environment (XDG_CONFIG_HOME, else HOME/.config).
std::filesystem::path UserUnitFolder(const std::map<std::string, std::string>& environment);

}  // namespace ordrex
