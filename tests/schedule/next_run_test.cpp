// When triggers fire: calendar rules, end dates, repetition and daylight-saving nights; and
// the timers handed to systemd, checked by the due check, fire at exactly those times.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <optional>
#include <set>
#include <sstream>
#include <string>

#include "schedule/due_check.h"
#include "schedule/next_run.h"
#include "schedule/systemd_units.h"
#include "schedule/task_trigger.h"
#include "support/process.h"

namespace ordrex {
namespace {

// Runs each test in a chosen time zone and gives the process its own back afterwards.
class ScheduleZone : public testing::Test {
 protected:
  void SetUp() override {
    if (const char* tz = std::getenv("TZ")) saved_ = tz;
  }
  void TearDown() override {
    if (saved_) {
      setenv("TZ", saved_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }
  static void UseZone(const char* zone) {
    setenv("TZ", zone, 1);
    tzset();
  }

 private:
  std::optional<std::string> saved_;
};

LocalDateTime At(int y, int mo, int d, int h = 0, int mi = 0) {
  return {y, mo, d, h, mi};
}

TASK_TRIGGER Trigger(TASK_TRIGGER_TYPE type, LocalDateTime begin) {
  TASK_TRIGGER t = DefaultTrigger(begin);
  t.wStartHour = static_cast<std::uint16_t>(begin.hour);
  t.TriggerType = type;
  return t;
}

TASK_TRIGGER Daily(LocalDateTime begin, std::uint16_t every) {
  TASK_TRIGGER t = Trigger(TASK_TIME_TRIGGER_DAILY, begin);
  t.Type.Daily.DaysInterval = every;
  return t;
}

TASK_TRIGGER Weekly(LocalDateTime begin, std::uint16_t every, std::uint16_t days) {
  TASK_TRIGGER t = Trigger(TASK_TIME_TRIGGER_WEEKLY, begin);
  t.Type.Weekly = {every, days};
  return t;
}

TASK_TRIGGER MonthlyDate(LocalDateTime begin, std::uint32_t dates, std::uint16_t months) {
  TASK_TRIGGER t = Trigger(TASK_TIME_TRIGGER_MONTHLYDATE, begin);
  t.Type.MonthlyDate = {dates, months};
  return t;
}

TASK_TRIGGER MonthlyDow(LocalDateTime begin, std::uint16_t week, std::uint16_t days,
                        std::uint16_t months) {
  TASK_TRIGGER t = Trigger(TASK_TIME_TRIGGER_MONTHLYDOW, begin);
  t.Type.MonthlyDOW = {week, days, months};
  return t;
}

TASK_TRIGGER Ending(TASK_TRIGGER t, LocalDateTime end) {
  t.rgFlags |= TASK_TRIGGER_FLAG_HAS_END_DATE;
  t.wEndYear = static_cast<std::uint16_t>(end.year);
  t.wEndMonth = static_cast<std::uint16_t>(end.month);
  t.wEndDay = static_cast<std::uint16_t>(end.day);
  return t;
}

TASK_TRIGGER Repeating(TASK_TRIGGER t, std::uint32_t every, std::uint32_t forMinutes) {
  t.MinutesInterval = every;
  t.MinutesDuration = forMinutes;
  return t;
}

struct NextRunCase {
  const char* name;
  const char* zone;
  TASK_TRIGGER trigger;
  LocalDateTime after;
  int count;
  std::vector<LocalDateTime> expected;
};

// Cases for the rule, which the units handed to systemd must agree with as well.
std::vector<NextRunCase> NextRunCases() {
  const char* utc = "UTC0";
  const char* berlin = "Europe/Berlin";
  return {
      {"once, begin in the future",
       utc,
       Trigger(TASK_TIME_TRIGGER_ONCE, At(2026, 7, 12, 10)),
       At(2026, 7, 1),
       3,
       {At(2026, 7, 12, 10)}},
      {"once, just run",
       utc,
       Trigger(TASK_TIME_TRIGGER_ONCE, At(2026, 7, 12, 10)),
       At(2026, 7, 12, 10),
       3,
       {}},
      {"every 365 days from 29 February",
       utc,
       Daily(At(2024, 2, 29, 6), 365),
       At(2024, 3, 1),
       5,
       {At(2025, 2, 28, 6), At(2026, 2, 28, 6), At(2027, 2, 28, 6), At(2028, 2, 28, 6),
        At(2029, 2, 27, 6)}},
      {"every 2 days, end date included",
       utc,
       Ending(Daily(At(2026, 1, 1, 9), 2), At(2026, 1, 5)),
       At(2025, 12, 31),
       9,
       {At(2026, 1, 1, 9), At(2026, 1, 3, 9), At(2026, 1, 5, 9)}},
      {"default trigger added on 29 February",
       utc,
       Ending(Daily(At(2028, 2, 29, 8), 1), At(2029, 2, 28)),
       At(2029, 2, 27, 9),
       9,
       {At(2029, 2, 28, 8)}},
      {"31st only in long months",
       utc,
       MonthlyDate(At(2026, 1, 1, 8), 1u << 30, kAllMonths),
       At(2026, 1, 1),
       5,
       {At(2026, 1, 31, 8), At(2026, 3, 31, 8), At(2026, 5, 31, 8), At(2026, 7, 31, 8),
        At(2026, 8, 31, 8)}},
      {"29 February only in leap years",
       utc,
       MonthlyDate(At(2026, 1, 1, 8), 1u << 28, TASK_FEBRUARY),
       At(2026, 1, 1),
       2,
       {At(2028, 2, 29, 8), At(2032, 2, 29, 8)}},
      {"last Friday",
       utc,
       MonthlyDow(At(2026, 1, 1, 18), TASK_LAST_WEEK, TASK_FRIDAY, kAllMonths),
       At(2026, 1, 1),
       3,
       {At(2026, 1, 30, 18), At(2026, 2, 27, 18), At(2026, 3, 27, 18)}},
      {"first Monday of January and July",
       utc,
       MonthlyDow(At(2026, 1, 1, 7), TASK_FIRST_WEEK, TASK_MONDAY, TASK_JANUARY | TASK_JULY),
       At(2026, 1, 1),
       3,
       {At(2026, 1, 5, 7), At(2026, 7, 6, 7), At(2027, 1, 4, 7)}},
      // Begins on a Wednesday: that week's Monday is past, its Sunday is in; weeks start Monday.
      {"every 2 weeks on Monday and Sunday",
       utc,
       Weekly(At(2026, 7, 8, 10), 2, TASK_MONDAY | TASK_SUNDAY),
       At(2026, 7, 1),
       4,
       {At(2026, 7, 12, 10), At(2026, 7, 20, 10), At(2026, 7, 26, 10), At(2026, 8, 3, 10)}},
      {"every 30 minutes for 120 minutes",
       utc,
       Repeating(Daily(At(2026, 3, 1, 10), 1), 30, 120),
       At(2026, 3, 1, 10),
       5,
       {At(2026, 3, 1, 10, 30), At(2026, 3, 1, 11), At(2026, 3, 1, 11, 30), At(2026, 3, 2, 10),
        At(2026, 3, 2, 10, 30)}},
      {"repetition past midnight",
       utc,
       Repeating(Daily(At(2026, 3, 1, 23), 1), 60, 180),
       At(2026, 3, 2, 0, 30),
       4,
       {At(2026, 3, 2, 1), At(2026, 3, 2, 23), At(2026, 3, 3, 0), At(2026, 3, 3, 1)}},
      {"spring forward: the skipped 02:30 runs at 03:00",
       berlin,
       Daily(At(2026, 3, 27, 2, 0), 1),
       At(2026, 3, 27, 3),
       3,
       {At(2026, 3, 28, 2), At(2026, 3, 29, 3), At(2026, 3, 30, 2)}},
      {"spring forward with repetition",
       berlin,
       Repeating(Daily(At(2026, 3, 29, 1), 1), 30, 150),
       At(2026, 3, 28),
       3,
       {At(2026, 3, 29, 1), At(2026, 3, 29, 1, 30), At(2026, 3, 29, 3)}},
      {"fall back: 02:00 runs once",
       berlin,
       Daily(At(2026, 10, 24, 2), 1),
       At(2026, 10, 24, 3),
       2,
       {At(2026, 10, 25, 2), At(2026, 10, 26, 2)}},
      {"fall back with repetition",
       berlin,
       Repeating(Daily(At(2026, 10, 25, 2), 1), 30, 90),
       At(2026, 10, 25),
       4,
       {At(2026, 10, 25, 2), At(2026, 10, 25, 2, 30), At(2026, 10, 25, 3), At(2026, 10, 26, 2)}},
      {"at logon has no times",
       utc,
       Trigger(TASK_EVENT_TRIGGER_AT_LOGON, At(2026, 1, 1)),
       At(2026, 1, 1),
       3,
       {}},
      {"when idle has no times",
       utc,
       Trigger(TASK_EVENT_TRIGGER_ON_IDLE, At(2026, 1, 1)),
       At(2026, 1, 1),
       3,
       {}},
      {"at startup has no times",
       utc,
       Trigger(TASK_EVENT_TRIGGER_AT_SYSTEMSTART, At(2026, 1, 1)),
       At(2026, 1, 1),
       3,
       {}},
      {"zero days interval never runs", utc, Daily(At(2026, 1, 1), 0), At(2026, 1, 1), 3, {}},
      {"no week day ticked never runs", utc, Weekly(At(2026, 1, 1), 1, 0), At(2026, 1, 1), 3, {}},
  };
}

TEST_F(ScheduleZone, NextRunTimes) {
  for (const NextRunCase& c : NextRunCases()) {
    SCOPED_TRACE(c.name);
    UseZone(c.zone);
    EXPECT_EQ(NextRunTimes(c.trigger, c.after, c.count), c.expected);
  }
}

// The times systemd-analyze says the timer's calendar expressions elapse after `after`.
std::vector<std::time_t> SystemdElapses(const std::vector<std::string>& expressions,
                                        const LocalDateTime& after, const char* zone) {
  char base[64];
  std::snprintf(base, sizeof base, "--base-time=%04d-%02d-%02d %02d:%02d:00", after.year,
                after.month, after.day, after.hour, after.minute);
  std::vector<std::string> argv = {"systemd-analyze", "calendar", "--iterations=2000", base};
  argv.insert(argv.end(), expressions.begin(), expressions.end());
  const auto result = testsupport::RunProcess(argv, {{"TZ", zone}});
  EXPECT_EQ(result.exitCode, 0) << result.output;
  // "Next elapse: Sun 2026-10-25 02:30:00 CEST" or "Iter. #2: ...", then, outside UTC,
  // "(in UTC): Sun 2026-10-25 00:30:00 UTC", which replaces the local reading.
  std::vector<std::time_t> elapses;
  std::istringstream lines(result.output);
  for (std::string line; std::getline(lines, line);) {
    const bool inUtc = line.find("(in UTC):") != std::string::npos;
    if (!inUtc && line.find("elapse:") == std::string::npos &&
        line.find("Iter.") == std::string::npos)
      continue;
    std::tm fields{};
    if (std::sscanf(line.c_str() + line.find(": ") + 2, "%*s %d-%d-%d %d:%d", &fields.tm_year,
                    &fields.tm_mon, &fields.tm_mday, &fields.tm_hour, &fields.tm_min) != 5) {
      ADD_FAILURE() << line;
      continue;
    }
    fields.tm_year -= 1900;
    fields.tm_mon -= 1;
    fields.tm_isdst = -1;
    if (inUtc) {
      elapses.back() = timegm(&fields);
    } else {
      elapses.push_back(std::mktime(&fields));
    }
  }
  return elapses;
}

TEST_F(ScheduleZone, SystemdElapsesThatTheDueCheckPassesAreTheRunTimes) {
  if (!testsupport::ProgramOnPath("systemd-analyze")) GTEST_SKIP() << "systemd-analyze is missing";
  for (const NextRunCase& c : NextRunCases()) {
    if (c.expected.empty()) continue;
    SCOPED_TRACE(c.name);
    UseZone(c.zone);
    WorkItem item;
    item.Triggers = {c.trigger};
    // Instants, so that a minute the service would run twice shows twice.
    std::set<std::time_t> due;
    for (const std::time_t elapse :
         SystemdElapses(CalendarExpressions(c.trigger, c.after), c.after, c.zone))
      if (IsDue(item, {std::chrono::system_clock::from_time_t(elapse), false, {}}))
        due.insert(elapse);
    std::vector<LocalDateTime> first;
    for (const std::time_t instant : due)
      first.push_back(LocalTimeAt(instant));
    first.resize(std::min(first.size(), static_cast<std::size_t>(c.count)));
    EXPECT_EQ(first, NextRunTimes(c.trigger, c.after, c.count));
  }
}

TEST_F(ScheduleZone, IsRunTimeMatchesTheMinute) {
  UseZone("Europe/Berlin");
  const TASK_TRIGGER repeating = Repeating(Daily(At(2026, 3, 1, 10), 1), 30, 120);
  EXPECT_TRUE(IsRunTime(repeating, At(2026, 3, 5, 11, 30)));
  EXPECT_FALSE(IsRunTime(repeating, At(2026, 3, 5, 11, 31)));
  EXPECT_FALSE(IsRunTime(repeating, At(2026, 3, 5, 12)));  // the window has closed
  const TASK_TRIGGER skipped = Daily(At(2026, 3, 1, 2, 0), 1);
  EXPECT_TRUE(IsRunTime(skipped, At(2026, 3, 29, 3)));
  EXPECT_FALSE(IsRunTime(Trigger(TASK_EVENT_TRIGGER_AT_LOGON, At(2026, 1, 1)), At(2026, 1, 1)));

  // The night the clock shows 02:30 twice, the due check passes the first only.
  WorkItem item;
  item.Triggers = {Daily(At(2026, 10, 1, 2, 30), 1)};
  const auto utc = [](int hour) {  // 25 October 2026 at `hour`:30 UTC
    return std::chrono::system_clock::from_time_t(1792886400 + (hour * 60 + 30) * 60);
  };
  EXPECT_TRUE(IsDue(item, {utc(0), false, {}}));   // 02:30 summer time
  EXPECT_FALSE(IsDue(item, {utc(1), false, {}}));  // 02:30 winter time
  EXPECT_FALSE(IsDue(item, {utc(0), true, {}}));   // the start-up timer
}

TEST(TriggerRecord, DefaultTrigger) {
  const TASK_TRIGGER evening = DefaultTrigger(At(2026, 7, 12, 23, 40));
  EXPECT_EQ(evening.cbTriggerSize, 48);
  EXPECT_EQ(evening.TriggerType, TASK_TIME_TRIGGER_ONCE);
  EXPECT_EQ((std::vector<int>{evening.wBeginYear, evening.wBeginMonth, evening.wBeginDay,
                              evening.wEndYear, evening.wEndMonth, evening.wEndDay,
                              evening.wStartHour, evening.wStartMinute}),
            (std::vector<int>{2026, 7, 12, 2027, 7, 12, 0, 40}));
  EXPECT_EQ(evening.rgFlags | evening.MinutesInterval | evening.MinutesDuration, 0u);
  const TASK_TRIGGER leapDay = DefaultTrigger(At(2028, 2, 29, 9, 5));
  EXPECT_EQ(
      (std::vector<int>{leapDay.wEndYear, leapDay.wEndMonth, leapDay.wEndDay, leapDay.wStartHour}),
      (std::vector<int>{2029, 2, 28, 10}));
}

TEST(TriggerRecord, SchedulerStringsOverTheLimitAreRefused) {
  EXPECT_NO_THROW(CheckSchedulerString(std::string(511, 'a'), "program path"));
  EXPECT_THROW(CheckSchedulerString(std::string(512, 'a'), "program path"), SchedulerStringTooLong);
  std::string accented;
  for (int i = 0; i < 511; ++i)
    accented += "\xC3\xA9";  // one UTF-16 unit each
  EXPECT_NO_THROW(CheckSchedulerString(accented, "program path"));
  std::string emoji;
  for (int i = 0; i < 256; ++i)
    emoji += "\xF0\x9F\x98\x80";  // two units each
  EXPECT_THROW(CheckSchedulerString(emoji, "program path"), SchedulerStringTooLong);

  const WorkItem item = ProgramWorkItem("/opt/ordrex/bin/ordrex", At(2026, 7, 12, 9));
  EXPECT_EQ(item.Name, "Zentrix Ordrex");
  EXPECT_EQ(item.WorkingDirectory, "/opt/ordrex/bin");
  EXPECT_EQ(item.Parameters, "/auto");
  EXPECT_EQ(item.Flags, 0x20C0u);
  EXPECT_EQ(item.Triggers.size(), 1u);
  try {
    ProgramWorkItem("/" + std::string(600, 'x') + "/ordrex", At(2026, 7, 12, 9));
    ADD_FAILURE() << "a long path was taken";
  } catch (const SchedulerStringTooLong& error) {
    EXPECT_STREQ(error.what(),
                 "The program path is 608 characters long; the scheduler keeps at most 511.");
  }
}

}  // namespace
}  // namespace ordrex
