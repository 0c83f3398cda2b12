#pragma once
// The scheduler that starts Ordrex unattended, as the schedule pages use it: one work item
// that runs the program in auto mode, and its triggers. Each platform puts its own scheduler
// behind this interface (systemd user timers on Linux); the pages own every dialog.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "schedule/task_trigger.h"

namespace ordrex {

// A change the scheduler could not keep (a unit folder that cannot be written, a damaged unit
// file). The text is shown to the user; the scheduler's files are as they were before the call.
class SchedulerError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The scheduler's result codes as published for Task Scheduler 1.0.
constexpr std::uint32_t SCHED_S_TASK_READY = 0x00041300;
constexpr std::uint32_t SCHED_E_TRIGGER_NOT_FOUND = 0x80041309;
constexpr std::uint32_t SCHED_E_SERVICE_NOT_RUNNING = 0x80041315;
constexpr std::uint32_t E_INVALIDARG_CODE = 0x80070057;

// The text for a scheduler result code; a code without one is its eight upper-case hex digits.
std::string TaskStatusText(std::uint32_t code);
// "00000005: Cannot start Task Scheduler"
std::string StartFailureText(std::uint32_t code);
// "80004005: Cannot access Task Scheduler"
std::string ConnectFailureText(std::uint32_t code);

class TaskScheduler {
 public:
  virtual ~TaskScheduler() = default;

  // True when the user may change every work item. Where the scheduler is the user's own,
  // that is always so.
  virtual bool IsAdministrator() const = 0;
  // 0 when the scheduler runs or has been asked to start, else an error code.
  virtual std::uint32_t StartTaskScheduler() = 0;
  // 0 when connected (a second call does nothing), else an error code.
  virtual std::uint32_t ConnectScheduler() = 0;

  // Looks for the work item that runs this program and makes it the current task: its name,
  // or empty when there is none. Throws SchedulerError when a work item cannot be read.
  virtual std::string FindProgramTask() = 0;
  // Creates "Zentrix Ordrex" with one default trigger and saves it; false (and no current
  // task) when the scheduler refuses it. Throws SchedulerError when saving fails.
  virtual bool CreateProgramTask() = 0;
  // Removes the current task's work item from the scheduler. Throws SchedulerError.
  virtual void DeleteProgramTask() = 0;
  // The current task's name; empty while there is none.
  virtual std::string TaskName() const = 0;

  // One line per trigger of the current task, in trigger order.
  virtual std::vector<std::string> ReadTriggerTexts() = 0;
  virtual std::size_t TriggerCount() const = 0;
  // Appends a default trigger and saves; false when there is no current task or the scheduler
  // refuses a new trigger. Throws SchedulerError when saving fails (the trigger is not added).
  virtual bool AddTrigger() = 0;
  // Removes the trigger at `index` (there must be at least two), keeps the others in order
  // and saves. Throws SchedulerError when saving fails (nothing is removed).
  virtual void RemoveTrigger(std::size_t index) = 0;
  // Makes the trigger at `index` the current trigger and gives its record; nullopt when there
  // is no such trigger.
  virtual std::optional<TASK_TRIGGER> FetchTrigger(std::size_t index) = 0;
  // The work item's idle wait in minutes.
  virtual std::uint16_t IdleMinutes() const = 0;
  // Writes `trigger` into the current trigger and `idleMinutes` into the work item (its
  // deadline unchanged), and saves. Throws SchedulerError when saving fails (nothing changes).
  virtual void StoreTrigger(const TASK_TRIGGER& trigger, std::uint16_t idleMinutes) = 0;

  // What the user should know after the last save, such as a schedule that is saved but
  // cannot run until the user does something; empty when there is nothing to say.
  virtual std::string Notice() const = 0;
};

}  // namespace ordrex
