#include <cstdio>
#include <utility>

#include "schedule/task_scheduler.h"

namespace ordrex {

namespace {

std::string HexCode(std::uint32_t code) {
  char digits[9];
  std::snprintf(digits, sizeof digits, "%08X", static_cast<unsigned>(code));
  return digits;
}

}  // namespace

std::string TaskStatusText(std::uint32_t code) {
  static const std::pair<std::uint32_t, const char*> kTexts[] = {
      {0x00041300, "The task is ready to run at its next scheduled time."},
      {0x00041301, "The task is currently running."},
      {0x00041302, "The task will not run at the scheduled times because it has been disabled."},
      {0x00041303, "The task has not yet run."},
      {0x00041304, "There are no more runs scheduled for this task."},
      {0x00041305,
       "One or more of the properties that are needed to run this task on a schedule have not "
       "been set."},
      {0x00041306, "The last run of the task was terminated by the user."},
      {0x00041307,
       "Either the task has no triggers or the existing triggers are disabled or not set."},
      {0x00041308, "Event triggers dont have set run times."},
      {0x80041309, "Trigger not found."},
      {0x8004130A,
       "One or more of the properties that are needed to run this task have not been set."},
      {0x8004130B, "There is no running instance of the task to terminate."},
      {0x8004130C, "The Task Scheduler Service is not installed on this computer."},
      {0x8004130D, "The task object could not be opened."},
      {0x8004130E, "The object is either an invalid task object or is not a task object."},
      {0x8004130F,
       "No account information could be found in the Task Scheduler security database for the "
       "task indicated."},
      {0x80041310, "Unable to establish existence of the account specified."},
      {0x80041311,
       "Corruption was detected in the Task Scheduler security database; the database has been "
       "reset."},
      {0x80041312, "Task Scheduler security services are available only on Windows NT."},
      {0x80041313, "The task object version is either unsupported or invalid."},
      {0x80041314,
       "The task has been configured with an unsupported combination of account settings and run "
       "time options."},
      {0x80041315, "The Task Scheduler Service is not running."},
      {0x8007000E, "Not enough memory is available."},
      {0x80070057, "The arguments are not valid."},
  };
  for (const auto& [known, text] : kTexts)
    if (known == code) return text;
  return HexCode(code);
}

std::string StartFailureText(std::uint32_t code) {
  return HexCode(code) + ": Cannot start Task Scheduler";
}

std::string ConnectFailureText(std::uint32_t code) {
  return HexCode(code) + ": Cannot access Task Scheduler";
}

}  // namespace ordrex
