#include "schedule/local_time.h"

#include <chrono>

namespace ordrex {

namespace chr = std::chrono;

namespace {

chr::year_month_day CalendarDate(int year, int month, int day) {
  return chr::year{year} / chr::month{static_cast<unsigned>(month)} /
         chr::day{static_cast<unsigned>(day)};
}

bool ShownByClock(const LocalDateTime& time) {
  const std::time_t instant = InstantOf(time);
  return instant != static_cast<std::time_t>(-1) && LocalTimeAt(instant) == time;
}

}  // namespace

std::time_t InstantOf(const LocalDateTime& time) {
  std::tm wall{};
  wall.tm_year = time.year - 1900;
  wall.tm_mon = time.month - 1;
  wall.tm_mday = time.day;
  wall.tm_hour = time.hour;
  wall.tm_min = time.minute;
  wall.tm_isdst = -1;
  return std::mktime(&wall);
}

bool IsValidDate(int year, int month, int day) {
  return month >= 1 && month <= 12 && day >= 1 && day <= 31 && CalendarDate(year, month, day).ok();
}

int DaysInMonth(int year, int month) {
  const chr::year_month_day_last last{chr::year{year} / chr::month{static_cast<unsigned>(month)} /
                                      chr::last};
  return static_cast<int>(static_cast<unsigned>(last.day()));
}

std::int64_t DayNumber(int year, int month, int day) {
  return chr::sys_days{CalendarDate(year, month, day)}.time_since_epoch().count();
}

LocalDateTime DateOfDayNumber(std::int64_t dayNumber) {
  const chr::year_month_day date{chr::sys_days{chr::days{dayNumber}}};
  return {static_cast<int>(date.year()), static_cast<int>(static_cast<unsigned>(date.month())),
          static_cast<int>(static_cast<unsigned>(date.day())), 0, 0};
}

int WeekDay(std::int64_t dayNumber) {
  return static_cast<int>(chr::weekday{chr::sys_days{chr::days{dayNumber}}}.c_encoding());
}

LocalDateTime AddMinutes(const LocalDateTime& time, std::int64_t minutes) {
  const std::int64_t total =
      DayNumber(time.year, time.month, time.day) * 1440 + time.hour * 60 + time.minute + minutes;
  const std::int64_t days = total >= 0 ? total / 1440 : (total - 1439) / 1440;
  const std::int64_t ofDay = total - days * 1440;
  LocalDateTime result = DateOfDayNumber(days);
  result.hour = static_cast<int>(ofDay / 60);
  result.minute = static_cast<int>(ofDay % 60);
  return result;
}

std::optional<LocalDateTime> OccurringTime(const LocalDateTime& time) {
  // A skipped stretch is an hour in most zones and never more than a day; stepping a minute at
  // a time finds its end without knowing the zone's rules.
  constexpr int kLongestSkip = 2 * 1440;
  for (int step = 0; step <= kLongestSkip; ++step) {
    const LocalDateTime candidate = AddMinutes(time, step);
    if (ShownByClock(candidate)) return candidate;
  }
  return std::nullopt;
}

LocalDateTime LocalTimeAt(std::time_t instant) {
  std::tm local{};
  localtime_r(&instant, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min};
}

}  // namespace ordrex
