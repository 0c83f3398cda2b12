#pragma once
// When a trigger fires. This is the one rule for it: whatever hands the schedule to the
// system's own scheduler must agree with these times.
//
// - A trigger's run days are its calendar days from the begin date to the end date (both
//   included; the end date only when its flag is set). It runs at the start time on each.
// - Daily: every DaysInterval days counted from the begin date.
// - Weekly: the ticked days of every WeeksInterval-th week, counted from the week of the begin
//   date. Weeks start on Monday, as the editor lists the days, so a Sunday belongs to the week
//   of the Monday before it.
// - Monthly by dates: the ticked days of the ticked months; a month without the day (the 31st
//   in April, 30 February) does not run for it.
// - Monthly by week day: the first to fourth or the last of the ticked week days in each ticked
//   month ("last" is the one within the month's last seven days).
// - Once: the begin date only.
// - Repetition (both MinutesInterval and MinutesDuration set): within each run the trigger fires
//   again every MinutesInterval minutes while less than MinutesDuration minutes have passed
//   since the start, so every 30 minutes for 120 minutes runs at +0, +30, +60 and +90. The
//   window may reach into the next days; it ends with its run, not with the end date.
// - Idle, system start and logon triggers have no calendar times.
//
// Times are on the local clock. A time the clock skips (the spring-forward hour) runs at the
// first minute the clock shows after it; a time the clock shows twice (the fall-back hour)
// runs once. Repetitions count clock minutes, the way they are shown to the user.
// A trigger with a zero interval, no day or month ticked or an impossible begin date or start
// time never runs.

#include <vector>

#include "schedule/local_time.h"
#include "schedule/task_trigger.h"

namespace ordrex {

// The first `count` run times of `trigger` later than `after`, earliest first; fewer when the
// trigger ends (or runs no more within four hundred years).
std::vector<LocalDateTime> NextRunTimes(const TASK_TRIGGER& trigger, const LocalDateTime& after,
                                        int count);

// False when the trigger's fields rule out any run (a zero interval, no day or month ticked,
// an impossible begin date or start time) or it has no calendar times at all.
bool TriggerCanRun(const TASK_TRIGGER& trigger);

// True when a run time of `trigger` is the minute of `moment`.
bool IsRunTime(const TASK_TRIGGER& trigger, const LocalDateTime& moment);

}  // namespace ordrex
