#include "schedule/next_run.h"

#include <algorithm>
#include <set>

namespace ordrex {

namespace {

constexpr std::int64_t kSearchDays = 400 * 366;
constexpr std::int64_t kLongestClockSkip = 2 * 1440;  // as OccurringTime looks ahead

bool HasDayBit(std::uint16_t days, std::int64_t dayNumber) {
  return (days >> WeekDay(dayNumber)) & 1;
}

bool HasMonthBit(std::uint16_t months, int month) {
  return (months >> (month - 1)) & 1;
}

std::int64_t MondayWeek(std::int64_t dayNumber) {
  // 1970-01-05, day 4, was a Monday.
  const std::int64_t sinceMonday = dayNumber - 4;
  return sinceMonday >= 0 ? sinceMonday / 7 : (sinceMonday - 6) / 7;
}

bool IsRunDay(const TASK_TRIGGER& trigger, std::int64_t begin, std::int64_t dayNumber) {
  const LocalDateTime date = DateOfDayNumber(dayNumber);
  switch (trigger.TriggerType) {
    case TASK_TIME_TRIGGER_ONCE:
      return dayNumber == begin;
    case TASK_TIME_TRIGGER_DAILY:
      return (dayNumber - begin) % trigger.Type.Daily.DaysInterval == 0;
    case TASK_TIME_TRIGGER_WEEKLY:
      return HasDayBit(trigger.Type.Weekly.rgfDaysOfTheWeek, dayNumber) &&
             (MondayWeek(dayNumber) - MondayWeek(begin)) % trigger.Type.Weekly.WeeksInterval == 0;
    case TASK_TIME_TRIGGER_MONTHLYDATE:
      return HasMonthBit(trigger.Type.MonthlyDate.rgfMonths, date.month) &&
             ((trigger.Type.MonthlyDate.rgfDays >> (date.day - 1)) & 1);
    case TASK_TIME_TRIGGER_MONTHLYDOW: {
      const MONTHLYDOW& rule = trigger.Type.MonthlyDOW;
      if (!HasMonthBit(rule.rgfMonths, date.month) ||
          !HasDayBit(rule.rgfDaysOfTheWeek, dayNumber)) {
        return false;
      }
      if (rule.wWhichWeek == TASK_LAST_WEEK)
        return date.day + 7 > DaysInMonth(date.year, date.month);
      return (date.day - 1) / 7 + 1 == rule.wWhichWeek;
    }
    default:
      return false;
  }
}

}  // namespace

bool TriggerCanRun(const TASK_TRIGGER& t) {
  if (!IsValidDate(t.wBeginYear, t.wBeginMonth, t.wBeginDay) || t.wStartHour > 23 ||
      t.wStartMinute > 59) {
    return false;
  }
  switch (t.TriggerType) {
    case TASK_TIME_TRIGGER_ONCE:
      return true;
    case TASK_TIME_TRIGGER_DAILY:
      return t.Type.Daily.DaysInterval > 0;
    case TASK_TIME_TRIGGER_WEEKLY:
      return t.Type.Weekly.WeeksInterval > 0 && (t.Type.Weekly.rgfDaysOfTheWeek & 0x7F) != 0;
    case TASK_TIME_TRIGGER_MONTHLYDATE:
      return (t.Type.MonthlyDate.rgfDays & 0x7FFFFFFF) != 0 &&
             (t.Type.MonthlyDate.rgfMonths & kAllMonths) != 0;
    case TASK_TIME_TRIGGER_MONTHLYDOW:
      return t.Type.MonthlyDOW.wWhichWeek >= TASK_FIRST_WEEK &&
             t.Type.MonthlyDOW.wWhichWeek <= TASK_LAST_WEEK &&
             (t.Type.MonthlyDOW.rgfDaysOfTheWeek & 0x7F) != 0 &&
             (t.Type.MonthlyDOW.rgfMonths & kAllMonths) != 0;
    default:
      return false;
  }
}

namespace {

// Run times at `from` or later, earliest first.
std::vector<LocalDateTime> RunTimesFrom(const TASK_TRIGGER& trigger, const LocalDateTime& from,
                                        int count) {
  if (count <= 0 || !TriggerCanRun(trigger)) return {};
  const bool repeats = trigger.MinutesInterval > 0 && trigger.MinutesDuration > 0;
  const std::int64_t interval = repeats ? trigger.MinutesInterval : 1;
  const std::int64_t window = repeats ? trigger.MinutesDuration : 1;
  const std::int64_t begin = DayNumber(trigger.wBeginYear, trigger.wBeginMonth, trigger.wBeginDay);
  std::int64_t last = begin + kSearchDays;
  if ((trigger.rgFlags & TASK_TRIGGER_FLAG_HAS_END_DATE) != 0) {
    if (!IsValidDate(trigger.wEndYear, trigger.wEndMonth, trigger.wEndDay)) return {};
    last = std::min(last, DayNumber(trigger.wEndYear, trigger.wEndMonth, trigger.wEndDay));
  }
  const std::int64_t fromDay = DayNumber(from.year, from.month, from.day);
  const std::int64_t fromMinute = fromDay * 1440 + from.hour * 60 + from.minute;
  const std::int64_t startOfDay = trigger.wStartHour * 60 + trigger.wStartMinute;
  // A run that started on an earlier day may still be repeating at `from`.
  std::int64_t day =
      std::max(begin, fromDay - 1 - (window + startOfDay + kLongestClockSkip) / 1440);

  std::set<LocalDateTime> times;
  for (; day <= last; ++day) {
    if (!IsRunDay(trigger, begin, day)) continue;
    const std::int64_t start = day * 1440 + startOfDay;
    // Once `count` times are known, a run starting after the latest of them adds none.
    if (static_cast<int>(times.size()) >= count && AddMinutes({}, start) > *times.rbegin()) break;
    // Skip the repetitions that lie wholly before `from`, but not those that a skipped stretch
    // of the clock could still move to `from` or later.
    std::int64_t step =
        std::max<std::int64_t>(0, (fromMinute - kLongestClockSkip - start) / interval);
    for (int added = 0; step * interval < window && added < count; ++step) {
      const auto time = OccurringTime(AddMinutes({}, start + step * interval));
      if (time && *time >= from && times.insert(*time).second) ++added;
    }
  }
  std::vector<LocalDateTime> result(times.begin(), times.end());
  if (static_cast<int>(result.size()) > count) result.resize(static_cast<std::size_t>(count));
  return result;
}

}  // namespace

std::vector<LocalDateTime> NextRunTimes(const TASK_TRIGGER& trigger, const LocalDateTime& after,
                                        int count) {
  return RunTimesFrom(trigger, AddMinutes(after, 1), count);
}

bool IsRunTime(const TASK_TRIGGER& trigger, const LocalDateTime& moment) {
  const std::vector<LocalDateTime> next = RunTimesFrom(trigger, moment, 1);
  return !next.empty() && next.front() == moment;
}

}  // namespace ordrex
