#include "schedule/due_check.h"

#include <unistd.h>

#include <cstdio>
#include <string>

#include "schedule/local_time.h"
#include "schedule/next_run.h"

namespace ordrex {

namespace {

// True when the clock already showed the minute of `now` within the last hours: the second
// pass through the hour that the clock turns back.
bool ShownBefore(TimePoint now) {
  const std::time_t instant = std::chrono::system_clock::to_time_t(now);
  const LocalDateTime shown = LocalTimeAt(instant);
  for (int minutesBack = 1; minutesBack <= 3 * 60; ++minutesBack)
    if (LocalTimeAt(instant - minutesBack * 60) == shown) return true;
  return false;
}

std::string ValueOf(std::string_view text, std::string_view key) {
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(at, end - at);
    if (line.size() > key.size() && line.substr(0, key.size()) == key && line[key.size()] == '=')
      return std::string(line.substr(key.size() + 1));
    at = end + 1;
  }
  return {};
}

}  // namespace

bool IsDue(const WorkItem& item, const DueQuestion& question) {
  const LocalDateTime moment = LocalTimeAt(std::chrono::system_clock::to_time_t(question.now));
  bool checkedRepeat = false;
  bool secondShowing = false;
  for (const TASK_TRIGGER& trigger : item.Triggers) {
    switch (trigger.TriggerType) {
      case TASK_EVENT_TRIGGER_AT_SYSTEMSTART:
      case TASK_EVENT_TRIGGER_AT_LOGON:
        if (question.atStartup) return true;
        break;
      case TASK_EVENT_TRIGGER_ON_IDLE:
        if (question.idleSince && question.now >= *question.idleSince &&
            std::chrono::floor<std::chrono::minutes>(question.now - *question.idleSince).count() ==
                item.IdleMinutes) {
          return true;
        }
        break;
      default:
        if (question.atStartup || !IsRunTime(trigger, moment)) break;
        if (!checkedRepeat) {
          secondShowing = ShownBefore(question.now);
          checkedRepeat = true;
        }
        if (!secondShowing) return true;
    }
  }
  return false;
}

std::optional<TimePoint> ParseIdleSince(std::string_view loginctlOutput) {
  if (ValueOf(loginctlOutput, "IdleHint") != "yes") return std::nullopt;
  const std::string since = ValueOf(loginctlOutput, "IdleSinceHint");
  if (since.empty() || since.size() > 18 ||
      since.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  const unsigned long long micros = std::stoull(since);
  if (micros == 0) return std::nullopt;
  return TimePoint(std::chrono::duration_cast<TimePoint::duration>(
      std::chrono::microseconds(static_cast<std::int64_t>(micros))));
}

std::optional<TimePoint> LogindIdleSince() {
  // The command is made of fixed words and a number; nothing of the user's reaches the shell.
  const std::string command = "loginctl show-user " + std::to_string(getuid()) +
                              " --property=IdleHint --property=IdleSinceHint 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return std::nullopt;
  std::string output;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
    output += buffer;
  pclose(pipe);
  return ParseIdleSince(output);
}

}  // namespace ordrex
