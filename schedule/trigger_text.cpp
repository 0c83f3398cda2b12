#include "schedule/trigger_text.h"

#include <iomanip>
#include <sstream>

namespace ordrex {

namespace {

constexpr const char* kDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                     "Thursday", "Friday", "Saturday"};
constexpr const char* kMonthNames[] = {"January",   "February", "March",    "April",
                                       "May",       "June",     "July",     "August",
                                       "September", "October",  "November", "December"};
constexpr const char* kWeekNames[] = {"first", "second", "third", "fourth", "last"};

std::string Formatted(const std::tm& moment, const std::locale& locale, const char* format) {
  std::ostringstream text;
  text.imbue(locale);
  text << std::put_time(&moment, format);
  return text.str();
}

std::string DateText(int year, int month, int day, const std::locale& locale) {
  std::tm moment{};
  moment.tm_year = year - 1900;
  moment.tm_mon = month - 1;
  moment.tm_mday = day;
  return Formatted(moment, locale, "%x");
}

// The locale's time of day without its seconds. A trigger starts on a whole minute, so the
// seconds are written as 60, which no other field of a time shows, and taken out again with
// the separator before them ("10:00:60 AM" becomes "10:00 AM").
std::string ClockText(int hour, int minute, const std::locale& locale) {
  std::tm moment{};
  moment.tm_hour = hour;
  moment.tm_min = minute;
  moment.tm_sec = 60;
  std::string text = Formatted(moment, locale, "%X");
  const std::size_t seconds = text.find("60");
  if (seconds != std::string::npos && seconds > 0) text.erase(seconds - 1, 3);
  return text;
}

// "Monday", "Monday and Friday", "Monday, Wednesday and Friday".
std::string ListText(const std::vector<std::string>& items) {
  std::string text;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) text += i + 1 == items.size() ? " and " : ", ";
    text += items[i];
  }
  return text;
}

std::string DaysText(std::uint16_t days) {
  std::vector<std::string> names;
  // Monday first, Sunday last, as the editor lists them.
  for (int i = 1; i <= 7; ++i) {
    if ((days >> (i % 7)) & 1) names.emplace_back(kDayNames[i % 7]);
  }
  return ListText(names);
}

std::string MonthsText(std::uint16_t months) {
  if ((months & kAllMonths) == kAllMonths) return "every month";
  std::vector<std::string> names;
  for (int i = 0; i < 12; ++i) {
    if ((months >> i) & 1) names.emplace_back(kMonthNames[i]);
  }
  return ListText(names);
}

std::string DatesText(std::uint32_t dates) {
  std::vector<std::string> numbers;
  for (int i = 0; i < 31; ++i) {
    if ((dates >> i) & 1) numbers.push_back(std::to_string(i + 1));
  }
  return ListText(numbers);
}

std::string Count(unsigned number, const std::string& unit) {
  return std::to_string(number) + " " + unit + (number == 1 ? "" : "s");
}

std::string EveryText(unsigned interval, const std::string& unit) {
  return interval <= 1 ? "every " + unit : "every " + Count(interval, unit);
}

std::string DurationText(unsigned minutes) {
  if (minutes % 60 == 0) return Count(minutes / 60, "hour");
  if (minutes < 60) return Count(minutes, "minute");
  return Count(minutes / 60, "hour") + " " + Count(minutes % 60, "minute");
}

// What follows the time: the days the trigger runs on.
std::string RecurrenceText(const TASK_TRIGGER& t) {
  switch (t.TriggerType) {
    case TASK_TIME_TRIGGER_DAILY:
      return EveryText(t.Type.Daily.DaysInterval, "day");
    case TASK_TIME_TRIGGER_WEEKLY:
      return "every " + DaysText(t.Type.Weekly.rgfDaysOfTheWeek) + " of " +
             EveryText(t.Type.Weekly.WeeksInterval, "week");
    case TASK_TIME_TRIGGER_MONTHLYDATE:
      return "on day " + DatesText(t.Type.MonthlyDate.rgfDays) + " of " +
             MonthsText(t.Type.MonthlyDate.rgfMonths);
    case TASK_TIME_TRIGGER_MONTHLYDOW: {
      const unsigned week = t.Type.MonthlyDOW.wWhichWeek;
      const char* which = week >= 1 && week <= 5 ? kWeekNames[week - 1] : "?";
      return std::string("on the ") + which + " " + DaysText(t.Type.MonthlyDOW.rgfDaysOfTheWeek) +
             " of " + MonthsText(t.Type.MonthlyDOW.rgfMonths);
    }
    default:
      return {};
  }
}

}  // namespace

std::string TriggerText(const TASK_TRIGGER& t, unsigned idleMinutes, const std::locale& locale) {
  switch (t.TriggerType) {
    case TASK_EVENT_TRIGGER_ON_IDLE:
      return "When the computer has been idle for " + Count(idleMinutes, "minute");
    case TASK_EVENT_TRIGGER_AT_SYSTEMSTART:
      return "At system startup";
    case TASK_EVENT_TRIGGER_AT_LOGON:
      return "At logon";
    default:
      break;
  }
  const std::string clock = ClockText(t.wStartHour, t.wStartMinute, locale);
  const std::string begin = DateText(t.wBeginYear, t.wBeginMonth, t.wBeginDay, locale);
  std::string text = t.MinutesInterval > 0 && t.MinutesDuration > 0
                         ? "Every " + Count(t.MinutesInterval, "minute") + " from " + clock +
                               " for " + DurationText(t.MinutesDuration)
                         : "At " + clock;
  if (t.TriggerType == TASK_TIME_TRIGGER_ONCE) return text + " on " + begin;
  text += " " + RecurrenceText(t) + ", starting " + begin;
  if ((t.rgFlags & TASK_TRIGGER_FLAG_HAS_END_DATE) != 0) {
    text += ", ending " + DateText(t.wEndYear, t.wEndMonth, t.wEndDay, locale);
  }
  return text;
}

std::vector<std::string> ReadTriggerTexts(const WorkItem& item, const std::locale& locale) {
  std::vector<std::string> texts;
  for (const TASK_TRIGGER& trigger : item.Triggers) {
    texts.push_back(TriggerText(trigger, item.IdleMinutes, locale));
  }
  return texts;
}

}  // namespace ordrex
