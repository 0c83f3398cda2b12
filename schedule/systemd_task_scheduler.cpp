#include "schedule/systemd_task_scheduler.h"

#include <fstream>
#include <sstream>
#include <utility>

#include "schedule/trigger_text.h"

namespace ordrex {

namespace fs = std::filesystem;

namespace {

constexpr const char* kUnitNames[] = {kServiceUnitName, kTimerUnitName, kStartupTimerUnitName};

bool Exists(const fs::path& path) {
  std::error_code error;
  return fs::exists(fs::symlink_status(path, error));
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  if (!in || !(text << in.rdbuf())) {
    throw SchedulerError("The schedule in " + path.string() + " cannot be read.");
  }
  return text.str();
}

bool SameProgram(const std::string& a, const std::string& b) {
  if (a == b) return true;
  std::error_code error;
  return fs::equivalent(a, b, error);
}

const std::string* Variable(const std::map<std::string, std::string>& environment,
                            const std::string& name) {
  const auto hit = environment.find(name);
  if (hit == environment.end() || hit->second.empty() || hit->second.front() != '/') return nullptr;
  return &hit->second;
}

}  // namespace

fs::path UserUnitFolder(const std::map<std::string, std::string>& environment) {
  if (const std::string* config = Variable(environment, "XDG_CONFIG_HOME"))
    return fs::path(*config) / "systemd" / "user";
  if (const std::string* home = Variable(environment, "HOME"))
    return fs::path(*home) / ".config" / "systemd" / "user";
  return fs::path(".config") / "systemd" / "user";
}

SystemdTaskScheduler::SystemdTaskScheduler(SystemdSchedulerSetup setup, ProcessRunner& runner,
                                           const Clock& clock)
    : setup_(std::move(setup)), runner_(runner), clock_(clock) {}

std::uint32_t SystemdTaskScheduler::StartTaskScheduler() {
  // Without a user manager the units are still written; they run from the next login on
  // that starts one, and the notice says how to load them at once.
  notice_.clear();
  Systemctl({"show", "--property=Version"});
  return 0;
}

bool SystemdTaskScheduler::Systemctl(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {"systemctl", "--user"};
  argv.insert(argv.end(), args.begin(), args.end());
  const int status = runner_.Run(argv, {});
  if (status == 0) return true;
  if (notice_.empty()) {
    std::string command;
    for (const std::string& word : argv)
      command += (command.empty() ? "" : " ") + word;
    notice_ = "The systemd user manager does not answer (\"" + command + "\" ended with " +
              std::to_string(status) + "). The schedule is kept in " + setup_.unitFolder.string() +
              " and runs once the manager has loaded it: log in to a desktop session, or run "
              "\"systemctl --user daemon-reload && systemctl --user enable --now " +
              kTimerUnitName +
              (Exists(UnitPath(kStartupTimerUnitName))
                   ? std::string(" && systemctl --user enable ") + kStartupTimerUnitName
                   : std::string()) +
              "\".";
  }
  return false;
}

std::string SystemdTaskScheduler::FindProgramTask() {
  task_.reset();
  savedPrefix_.clear();
  currentTrigger_ = 0;
  const fs::path service = UnitPath(kServiceUnitName);
  if (!Exists(service)) return {};
  const std::string text = ReadText(service);
  if (!SameProgram(ServiceCommand(text, service.string()).front(), setup_.executable)) return {};
  ScheduledRun run = ReadServiceUnit(text, service.string());
  savedPrefix_ = run.prefix;
  task_ = std::move(run.item);
  return task_->Name;
}

bool SystemdTaskScheduler::CreateProgramTask() {
  // Like a new work item of a name that is taken, the work item already found is not made anew.
  task_.reset();
  return AddProgramTrigger(
      DefaultTrigger(LocalTimeAt(std::chrono::system_clock::to_time_t(clock_.Now()))), 0);
}

bool SystemdTaskScheduler::AddProgramTrigger(const TASK_TRIGGER& trigger,
                                             std::uint16_t idleMinutes) {
  WorkItem next;
  if (task_) {
    if (task_->Triggers.size() >= 0xFFFF) return false;  // the scheduler counts in 16 bits
    next = *task_;
    next.Triggers.push_back(trigger);
  } else {
    // A unit of this name that is not this program's work item belongs to someone else.
    if (Exists(UnitPath(kServiceUnitName))) return false;
    try {
      next = ProgramWorkItem(setup_.executable,
                             LocalTimeAt(std::chrono::system_clock::to_time_t(clock_.Now())));
    } catch (const SchedulerStringTooLong& e) {
      throw SchedulerError(e.what());
    }
    next.Triggers = {trigger};
  }
  next.Triggers.back().cbTriggerSize = kTriggerSize;
  next.IdleMinutes = idleMinutes;
  Save(next);
  task_ = std::move(next);
  currentTrigger_ = task_->Triggers.size() - 1;
  return true;
}

void SystemdTaskScheduler::DeleteProgramTask() {
  if (!task_) return;
  notice_.clear();
  for (const char* timer : {kTimerUnitName, kStartupTimerUnitName}) {
    if (!Exists(UnitPath(timer))) continue;
    Systemctl({"disable", "--now", timer});
    // What `disable` does, for a manager that is not running.
    std::error_code ignored;
    fs::remove(setup_.unitFolder / "timers.target.wants" / timer, ignored);
  }
  for (const char* name : {kStartupTimerUnitName, kTimerUnitName, kServiceUnitName}) {
    std::error_code error;
    fs::remove(UnitPath(name), error);
    if (error) {
      throw SchedulerError("The schedule cannot be deleted: " + UnitPath(name).string() + ": " +
                           error.message() + ".");
    }
  }
  Systemctl({"daemon-reload"});
  task_.reset();
  currentTrigger_ = 0;
}

std::string SystemdTaskScheduler::TaskName() const {
  return task_ ? task_->Name : std::string();
}

std::vector<std::string> SystemdTaskScheduler::ReadTriggerTexts() {
  if (!task_) return {};
  return ordrex::ReadTriggerTexts(*task_, setup_.locale);
}

std::size_t SystemdTaskScheduler::TriggerCount() const {
  return task_ ? task_->Triggers.size() : 0;
}

bool SystemdTaskScheduler::AddTrigger() {
  if (!task_) return false;
  return AddProgramTrigger(
      DefaultTrigger(LocalTimeAt(std::chrono::system_clock::to_time_t(clock_.Now()))),
      task_->IdleMinutes);
}

void SystemdTaskScheduler::RemoveTrigger(std::size_t index) {
  if (!task_ || task_->Triggers.size() < 2 || index >= task_->Triggers.size()) return;
  WorkItem next = *task_;
  next.Triggers.erase(next.Triggers.begin() + static_cast<std::ptrdiff_t>(index));
  Save(next);
  task_ = std::move(next);
  currentTrigger_ = task_->Triggers.size() - 1;
}

std::optional<TASK_TRIGGER> SystemdTaskScheduler::FetchTrigger(std::size_t index) {
  if (!task_ || index >= task_->Triggers.size()) return std::nullopt;
  currentTrigger_ = index;
  TASK_TRIGGER trigger = task_->Triggers[index];
  trigger.cbTriggerSize = kTriggerSize;
  return trigger;
}

std::uint16_t SystemdTaskScheduler::IdleMinutes() const {
  return task_ ? task_->IdleMinutes : 0;
}

void SystemdTaskScheduler::StoreTrigger(const TASK_TRIGGER& trigger, std::uint16_t idleMinutes) {
  if (!task_ || currentTrigger_ >= task_->Triggers.size()) return;
  WorkItem next = *task_;
  next.Triggers[currentTrigger_] = trigger;
  next.Triggers[currentTrigger_].cbTriggerSize = kTriggerSize;
  next.IdleMinutes = idleMinutes;
  Save(next);
  task_ = std::move(next);
}

void SystemdTaskScheduler::Save(const WorkItem& item) {
  notice_.clear();
  // Without the check the service would run at every time the timers fire.
  if (setup_.cliExecutable.empty())
    throw SchedulerError("The schedule cannot be saved: ordrex-cli was not found.");
  const LocalDateTime today = LocalTimeAt(std::chrono::system_clock::to_time_t(clock_.Now()));
  const UnitTexts texts = RenderUnits({item, setup_.prefix}, setup_.cliExecutable, today);
  WriteUnits(texts);
  if (!Systemctl({"daemon-reload"})) return;
  if (!texts.timer.empty()) Systemctl({"enable", "--now", kTimerUnitName});
  // Not started now: a start-up timer whose delay has passed would run the scan at once.
  if (!texts.startupTimer.empty()) Systemctl({"enable", kStartupTimerUnitName});
}

void SystemdTaskScheduler::WriteUnits(const UnitTexts& texts) {
  FileWriter& writer = setup_.fileWriter != nullptr ? *setup_.fileWriter : atomicWriter_;
  const std::string* contents[] = {&texts.service, &texts.timer, &texts.startupTimer};
  const auto failed = [&](const std::string& reason) {
    return SchedulerError("The schedule cannot be saved in " + setup_.unitFolder.string() + ": " +
                          reason);
  };
  std::error_code error;
  fs::create_directories(setup_.unitFolder, error);
  if (error) throw failed(error.message() + ".");

  // Every new file is complete beside the old ones before any of them is replaced.
  std::vector<std::pair<fs::path, fs::path>> staged;
  const auto discardStaged = [&] {
    for (const auto& [staging, unit] : staged)
      fs::remove(staging, error);
  };
  try {
    for (std::size_t i = 0; i < std::size(kUnitNames); ++i) {
      if (contents[i]->empty()) continue;
      const fs::path staging = setup_.unitFolder / (std::string(".") + kUnitNames[i] + ".new");
      fs::remove(staging, error);
      staged.emplace_back(staging, UnitPath(kUnitNames[i]));
      writer.WriteAtomically(staging, *contents[i]);
    }
  } catch (const FileWriteError& e) {
    discardStaged();
    throw failed(e.what());
  }
  for (std::size_t i = 0; i < staged.size(); ++i) {
    fs::rename(staged[i].first, staged[i].second, error);
    if (error) {
      const std::string reason = error.message();
      staged.erase(staged.begin(), staged.begin() + static_cast<std::ptrdiff_t>(i));
      discardStaged();
      throw failed(staged.front().second.string() + ": " + reason + ".");
    }
  }
  for (std::size_t i = 1; i < std::size(kUnitNames); ++i) {
    if (!contents[i]->empty() || !Exists(UnitPath(kUnitNames[i]))) continue;
    Systemctl({"disable", "--now", kUnitNames[i]});
    fs::remove(setup_.unitFolder / "timers.target.wants" / kUnitNames[i], error);
    fs::remove(UnitPath(kUnitNames[i]), error);
  }
}

}  // namespace ordrex
