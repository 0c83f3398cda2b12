#pragma once
// The work item that runs Ordrex unattended and its triggers. The trigger record keeps the
// layout and the names of the Task Scheduler 1.0 definitions, so a trigger written by the
// editor reads back field for field, whatever keeps it on this system.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "schedule/local_time.h"

namespace ordrex {

enum TASK_TRIGGER_TYPE : std::int32_t {
  TASK_TIME_TRIGGER_ONCE = 0,
  TASK_TIME_TRIGGER_DAILY = 1,
  TASK_TIME_TRIGGER_WEEKLY = 2,
  TASK_TIME_TRIGGER_MONTHLYDATE = 3,
  TASK_TIME_TRIGGER_MONTHLYDOW = 4,
  TASK_EVENT_TRIGGER_ON_IDLE = 5,
  TASK_EVENT_TRIGGER_AT_SYSTEMSTART = 6,
  TASK_EVENT_TRIGGER_AT_LOGON = 7,
};

// rgFlags
constexpr std::uint32_t TASK_TRIGGER_FLAG_HAS_END_DATE = 0x1;
constexpr std::uint32_t TASK_TRIGGER_FLAG_KILL_AT_DURATION_END = 0x2;
constexpr std::uint32_t TASK_TRIGGER_FLAG_DISABLED = 0x4;

// Day bits (rgfDaysOfTheWeek): bit n is the week day n, Sunday being 0.
constexpr std::uint16_t TASK_SUNDAY = 0x1;
constexpr std::uint16_t TASK_MONDAY = 0x2;
constexpr std::uint16_t TASK_TUESDAY = 0x4;
constexpr std::uint16_t TASK_WEDNESDAY = 0x8;
constexpr std::uint16_t TASK_THURSDAY = 0x10;
constexpr std::uint16_t TASK_FRIDAY = 0x20;
constexpr std::uint16_t TASK_SATURDAY = 0x40;

// Month bits (rgfMonths): bit n is the month n + 1.
constexpr std::uint16_t TASK_JANUARY = 0x1;
constexpr std::uint16_t TASK_FEBRUARY = 0x2;
constexpr std::uint16_t TASK_MARCH = 0x4;
constexpr std::uint16_t TASK_APRIL = 0x8;
constexpr std::uint16_t TASK_MAY = 0x10;
constexpr std::uint16_t TASK_JUNE = 0x20;
constexpr std::uint16_t TASK_JULY = 0x40;
constexpr std::uint16_t TASK_AUGUST = 0x80;
constexpr std::uint16_t TASK_SEPTEMBER = 0x100;
constexpr std::uint16_t TASK_OCTOBER = 0x200;
constexpr std::uint16_t TASK_NOVEMBER = 0x400;
constexpr std::uint16_t TASK_DECEMBER = 0x800;
constexpr std::uint16_t kAllMonths = 0xFFF;

// wWhichWeek
constexpr std::uint16_t TASK_FIRST_WEEK = 1;
constexpr std::uint16_t TASK_SECOND_WEEK = 2;
constexpr std::uint16_t TASK_THIRD_WEEK = 3;
constexpr std::uint16_t TASK_FOURTH_WEEK = 4;
constexpr std::uint16_t TASK_LAST_WEEK = 5;

struct DAILY {
  std::uint16_t DaysInterval;
};

struct WEEKLY {
  std::uint16_t WeeksInterval;
  std::uint16_t rgfDaysOfTheWeek;
};

struct MONTHLYDATE {
  std::uint32_t rgfDays;  // bit n is the day n + 1 of the month
  std::uint16_t rgfMonths;
};

struct MONTHLYDOW {
  std::uint16_t wWhichWeek;
  std::uint16_t rgfDaysOfTheWeek;
  std::uint16_t rgfMonths;
};

union TRIGGER_TYPE_UNION {
  DAILY Daily;
  WEEKLY Weekly;
  MONTHLYDATE MonthlyDate;
  MONTHLYDOW MonthlyDOW;
};

struct TASK_TRIGGER {
  std::uint16_t cbTriggerSize;
  std::uint16_t Reserved1;
  std::uint16_t wBeginYear;
  std::uint16_t wBeginMonth;
  std::uint16_t wBeginDay;
  std::uint16_t wEndYear;
  std::uint16_t wEndMonth;
  std::uint16_t wEndDay;
  std::uint16_t wStartHour;
  std::uint16_t wStartMinute;
  std::uint32_t MinutesDuration;
  std::uint32_t MinutesInterval;
  std::uint32_t rgFlags;
  TASK_TRIGGER_TYPE TriggerType;
  TRIGGER_TYPE_UNION Type;
  std::uint16_t Reserved2;
  std::uint16_t wRandomMinutesInterval;
};

constexpr std::uint16_t kTriggerSize = 48;
static_assert(sizeof(TASK_TRIGGER) == kTriggerSize);

// A one-time trigger an hour from `now` (at 23:xx it is 00:xx of the same date, which the
// editor then shows for the user to correct), ending a year after today; the end date is
// only offered, not ticked. Added on 29 February, it ends on 28 February of the next year.
TASK_TRIGGER DefaultTrigger(const LocalDateTime& now);

// What the scheduler takes of a work item. The strings it keeps are at most
// kMaxSchedulerStringLength UTF-16 units long.
constexpr std::size_t kMaxSchedulerStringLength = 511;
constexpr std::uint32_t kProgramTaskFlags = 0x20C0;  // not on batteries, only when logged on

struct WorkItem {
  std::string Name;
  std::string ApplicationName;
  std::string WorkingDirectory;
  std::string Parameters;
  std::uint32_t Flags = 0;
  std::uint16_t IdleMinutes = 0;
  std::uint16_t IdleDeadlineMinutes = 0;
  std::vector<TASK_TRIGGER> Triggers;
};

// A string too long for the scheduler; the message names it and says by how much.
class SchedulerStringTooLong : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Throws SchedulerStringTooLong when `text` (UTF-8) is longer than the scheduler keeps. A
// longer path is refused whole: cutting it would name another file.
void CheckSchedulerString(std::string_view text, std::string_view what);

// The work item "Zentrix Ordrex" that runs `executable` in auto mode, with one default
// trigger. Throws SchedulerStringTooLong for a path the scheduler cannot keep.
WorkItem ProgramWorkItem(const std::string& executable, const LocalDateTime& now);

}  // namespace ordrex
