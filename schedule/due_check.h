#pragma once
// Whether the scheduled scan should run now: what `ordrex-cli schedule due` answers when the
// service manager asks before each run, since its timers fire at more times than the triggers
// mean (see systemd_units.h).

#include <chrono>
#include <optional>
#include <string_view>

#include "schedule/task_trigger.h"

namespace ordrex {

using TimePoint = std::chrono::system_clock::time_point;

struct DueQuestion {
  TimePoint now;           // when the timer fired
  bool atStartup = false;  // the timer that fires when the service manager starts
  // Since when the user's session has been idle; empty while it is in use (or nobody knows).
  std::optional<TimePoint> idleSince;
};

// True when a trigger of `item` runs at that moment: a calendar trigger whose run time is the
// minute of `now` (on a night the clock shows that minute twice, only the first time), a
// start-up or logon trigger at start-up, an idle trigger in the minute the session has been idle
// for the work item's idle minutes.
bool IsDue(const WorkItem& item, const DueQuestion& question);

// Reads `loginctl show-user` output ("IdleHint=yes", "IdleSinceHint=<microseconds>").
std::optional<TimePoint> ParseIdleSince(std::string_view loginctlOutput);
// Asks logind how long the user who runs this program has been idle.
std::optional<TimePoint> LogindIdleSince();

}  // namespace ordrex
