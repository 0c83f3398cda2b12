#pragma once
// The systemd user units that keep Ordrex's work item: a service that runs the window in auto
// mode, a timer with the calendar times of the triggers (and a check every minute for the idle
// trigger), and a timer for the triggers that run when the user's service manager starts.
// The service asks `ordrex-cli schedule due` before each run, since begin and end dates, every
// N days or weeks and repetition windows are beyond calendar expressions: the timers only have
// to fire at every run time, and the check sorts out the rest. The work item itself is kept in
// an [X-Ordrex] section of the service, which systemd ignores, so it reads back field for field.

#include <string>
#include <string_view>
#include <vector>

#include "schedule/local_time.h"
#include "schedule/task_trigger.h"

namespace ordrex {

inline constexpr const char* kServiceUnitName = "zentrix-ordrex.service";
inline constexpr const char* kTimerUnitName = "zentrix-ordrex.timer";
inline constexpr const char* kStartupTimerUnitName = "zentrix-ordrex-startup.timer";

// The work item as its units keep it.
struct ScheduledRun {
  WorkItem item;
  std::string prefix;  // the target the run scans; empty: the program's default
};

struct UnitTexts {
  std::string service;
  std::string timer;         // empty when no trigger has a calendar time or idles
  std::string startupTimer;  // empty when no trigger runs at start-up or logon
};

// `today` is the day from which the time zone's skipped hours are looked up.
UnitTexts RenderUnits(const ScheduledRun& run, const std::string& cliExecutable,
                      const LocalDateTime& today);

// The OnCalendar= expressions whose elapses include every run time of `trigger` (in the time
// zone of the process, whose skipped hours from `today` on are taken into account); none for
// triggers without calendar times.
std::vector<std::string> CalendarExpressions(const TASK_TRIGGER& trigger,
                                             const LocalDateTime& today);

// One command-line word as systemd reads it back (quoted when needed, '%' and '$' doubled).
std::string QuoteExecWord(std::string_view word);
// The words of an ExecStart= value. Throws SchedulerError on unbalanced quotes.
std::vector<std::string> SplitExecLine(std::string_view line);

// The program and arguments of the service's ExecStart=. Throws SchedulerError (naming
// `source`) when there is none or it cannot be read.
std::vector<std::string> ServiceCommand(std::string_view serviceText, const std::string& source);
// The whole work item. Throws SchedulerError (naming `source`) when the service is not one
// Ordrex wrote or its records are damaged.
ScheduledRun ReadServiceUnit(std::string_view serviceText, const std::string& source);

}  // namespace ordrex
