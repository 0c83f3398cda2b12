#pragma once
// Wall-clock dates and times in the local time zone (the TZ of the process), as a scheduler
// sees them: a trigger names a time on the clock, not an instant. Daylight-saving changes are
// resolved through the C library's local time.

#include <compare>
#include <cstdint>
#include <ctime>
#include <optional>

namespace ordrex {

struct LocalDateTime {
  int year = 1970;
  int month = 1;  // 1 to 12
  int day = 1;
  int hour = 0;
  int minute = 0;
  auto operator<=>(const LocalDateTime&) const = default;
};

bool IsValidDate(int year, int month, int day);
int DaysInMonth(int year, int month);
// Days since 1970-01-01 of a valid date, and back.
std::int64_t DayNumber(int year, int month, int day);
LocalDateTime DateOfDayNumber(std::int64_t dayNumber);  // at 00:00
// 0 for Sunday to 6 for Saturday, as the scheduler's day bits count.
int WeekDay(std::int64_t dayNumber);

// `time` moved by `minutes` on the calendar, as if every day had 24 hours.
LocalDateTime AddMinutes(const LocalDateTime& time, std::int64_t minutes);

// The clock time at which something set for `time` happens: `time` itself when the clock shows
// it (once, also on the night it shows it twice), else the first minute the clock shows after
// it (the minute the clock jumps to when it skips `time` on a spring-forward night). Empty
// when the clock shows no time within two days after.
std::optional<LocalDateTime> OccurringTime(const LocalDateTime& time);

// The instant the C library gives for `time` on the local clock (for a time the clock shows
// twice, one of the two; for one it skips, one past it); -1 when it gives none.
std::time_t InstantOf(const LocalDateTime& time);

// The local clock at an instant, to the minute.
LocalDateTime LocalTimeAt(std::time_t instant);

}  // namespace ordrex
