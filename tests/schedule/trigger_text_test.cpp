// The schedule list's description of each kind of trigger.

#include <gtest/gtest.h>

#include "schedule/trigger_text.h"

namespace ordrex {
namespace {

TASK_TRIGGER Trigger(TASK_TRIGGER_TYPE type) {
  TASK_TRIGGER t = DefaultTrigger({2026, 7, 12, 9, 0});
  t.TriggerType = type;
  return t;
}

TEST(TriggerText, EachKindInTheCLocale) {
  TASK_TRIGGER daily = Trigger(TASK_TIME_TRIGGER_DAILY);
  daily.Type.Daily.DaysInterval = 1;
  TASK_TRIGGER every3 = daily;
  every3.Type.Daily.DaysInterval = 3;
  every3.rgFlags = TASK_TRIGGER_FLAG_HAS_END_DATE;
  TASK_TRIGGER weekly = Trigger(TASK_TIME_TRIGGER_WEEKLY);
  weekly.Type.Weekly = {1, TASK_MONDAY};
  TASK_TRIGGER weekly2 = Trigger(TASK_TIME_TRIGGER_WEEKLY);
  weekly2.Type.Weekly = {2, TASK_SUNDAY | TASK_MONDAY | TASK_WEDNESDAY};
  TASK_TRIGGER dates = Trigger(TASK_TIME_TRIGGER_MONTHLYDATE);
  dates.Type.MonthlyDate = {1u | 1u << 14, kAllMonths};
  TASK_TRIGGER date31 = Trigger(TASK_TIME_TRIGGER_MONTHLYDATE);
  date31.Type.MonthlyDate = {1u << 30, TASK_JANUARY | TASK_MARCH};
  TASK_TRIGGER lastFriday = Trigger(TASK_TIME_TRIGGER_MONTHLYDOW);
  lastFriday.Type.MonthlyDOW = {TASK_LAST_WEEK, TASK_FRIDAY, kAllMonths};
  TASK_TRIGGER repeated = daily;
  repeated.MinutesInterval = 30;
  repeated.MinutesDuration = 90;

  WorkItem item;
  item.IdleMinutes = 10;
  item.Triggers = {daily,
                   every3,
                   weekly,
                   weekly2,
                   dates,
                   date31,
                   lastFriday,
                   Trigger(TASK_TIME_TRIGGER_ONCE),
                   repeated,
                   Trigger(TASK_EVENT_TRIGGER_ON_IDLE),
                   Trigger(TASK_EVENT_TRIGGER_AT_SYSTEMSTART),
                   Trigger(TASK_EVENT_TRIGGER_AT_LOGON)};
  EXPECT_EQ(ReadTriggerTexts(item, std::locale::classic()),
            (std::vector<std::string>{
                "At 10:00 every day, starting 07/12/26",
                "At 10:00 every 3 days, starting 07/12/26, ending 07/12/27",
                "At 10:00 every Monday of every week, starting 07/12/26",
                "At 10:00 every Monday, Wednesday and Sunday of every 2 weeks, starting 07/12/26",
                "At 10:00 on day 1 and 15 of every month, starting 07/12/26",
                "At 10:00 on day 31 of January and March, starting 07/12/26",
                "At 10:00 on the last Friday of every month, starting 07/12/26",
                "At 10:00 on 07/12/26",
                "Every 30 minutes from 10:00 for 1 hour 30 minutes every day, starting 07/12/26",
                "When the computer has been idle for 10 minutes",
                "At system startup",
                "At logon",
            }));
}

}  // namespace
}  // namespace ordrex
