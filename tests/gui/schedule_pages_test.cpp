// The scheduled tasks pages: the list of the work item's triggers, the trigger editor and its
// type pages, driven by their controls' names over the real scheduler, whose units go into the
// test's home (systemctl is only recorded).

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QTimeEdit>
#include <ctime>
#include <tuple>

#include "gui/window_fixture.h"

namespace ordrex::gui {
namespace {

namespace fs = std::filesystem;

constexpr LocalDateTime kNow{2026, 12, 7, 9, 30};  // a Monday

// Every field the scheduler keeps of a trigger.
auto Fields(const TASK_TRIGGER& t) {
  return std::make_tuple(t.wBeginYear, t.wBeginMonth, t.wBeginDay, t.wEndYear, t.wEndMonth,
                         t.wEndDay, t.wStartHour, t.wStartMinute, t.MinutesInterval,
                         t.MinutesDuration, t.rgFlags, static_cast<int>(t.TriggerType),
                         t.Type.MonthlyDate.rgfDays, t.Type.MonthlyDOW.rgfMonths);
}

void WriteFile(const fs::path& file, const std::string& text) {
  std::ofstream(file, std::ios::binary) << text;
}

// A window whose scheduler's clock says kNow.
struct ScheduleWindow {
  ScheduleWindow() {
    std::tm local{};
    local.tm_year = kNow.year - 1900;
    local.tm_mon = kNow.month - 1;
    local.tm_mday = kNow.day;
    local.tm_hour = kNow.hour;
    local.tm_min = kNow.minute;
    local.tm_isdst = -1;
    w.schedulerClock.SetNow(std::chrono::system_clock::from_time_t(std::mktime(&local)));
  }
  // btScheduler on the options page.
  void Open() {
    w.window().ShowOptionsSubPage(0);
    w.Click("btScheduler");
  }
  void EditLine(int row) {
    Open();
    List()->setCurrentRow(row);
    w.Click("btEditTrigger");
  }
  // The work item holds only `trigger`, as another copy of the program stored it.
  void Store(const TASK_TRIGGER& trigger, std::uint16_t idleMinutes) {
    const std::unique_ptr<TaskScheduler> other = w.OtherScheduler();
    if (other->FindProgramTask().empty()) {
      ASSERT_TRUE(other->CreateProgramTask());
    }
    ASSERT_TRUE(other->FetchTrigger(0));
    other->StoreTrigger(trigger, idleMinutes);
  }
  // The work item as its units hold it now.
  std::unique_ptr<TaskScheduler> Saved() {
    std::unique_ptr<TaskScheduler> other = w.OtherScheduler();
    other->FindProgramTask();
    return other;
  }
  TASK_TRIGGER SavedTrigger(std::size_t index = 0) {
    return Saved()->FetchTrigger(index).value_or(TASK_TRIGGER{});
  }
  std::vector<std::string> Lines() {
    std::vector<std::string> lines;
    for (int row = 0; row < List()->count(); ++row)
      lines.push_back(List()->item(row)->text().toStdString());
    return lines;
  }
  // Types `text` into a number field and ends the typing as Enter does.
  int Typed(const char* name, const char* text) {
    QSpinBox* box = Spin(name);
    box->findChild<QLineEdit*>()->setText(text);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(box, &enter);
    return box->value();
  }
  void Choose(const char* name, const char* item) {
    Combo(name)->setCurrentIndex(Combo(name)->findText(item));
  }
  std::string Shown(const char* name) { return Combo(name)->currentText().toStdString(); }
  std::string Day(const char* name) {
    return w.Find<QDateEdit>(name)->date().toString(Qt::ISODate).toStdString();
  }
  std::vector<int> Ticked(const char* stem, int count, int digits) {
    std::vector<int> ticked;
    for (int tag = 1; tag <= count; ++tag) {
      const QByteArray name = stem + QByteArray::number(tag).rightJustified(digits, '0');
      if (Box(name.constData())->isChecked()) ticked.push_back(tag);
    }
    return ticked;
  }
  bool Hidden(const char* name) { return w.Find<QWidget>(name)->isHidden(); }
  QListWidget* List() { return w.Find<QListWidget>("lbxTaskSched"); }
  QSpinBox* Spin(const char* name) { return w.Find<QSpinBox>(name); }
  QComboBox* Combo(const char* name) { return w.Find<QComboBox>(name); }
  QCheckBox* Box(const char* name) { return w.Find<QCheckBox>(name); }
  Page Current() { return w.window().CurrentPage(); }

  WindowOnTarget w;
};

TEST(SchedulePages, TheFirstOpeningMakesTheTaskAndEditsItsTrigger) {
  ScheduleWindow s;
  s.Open();
  EXPECT_EQ(s.Current(), Page::EditSched);
  EXPECT_EQ(s.Shown("cbSchedTask"), "Once");
  EXPECT_EQ(s.w.Find<QTimeEdit>("dtSchedTime")->time(), QTime(10, 30));
  EXPECT_EQ(s.Day("dtOnce"), "2026-12-07");
  for (const char* name : {"Label1", "dtSchedDate", "cbEndDate", "lbEndDate", "dtEndDate",
                           "PanelSchedDaily", "PanelSchedIdle"})
    EXPECT_TRUE(s.Hidden(name)) << name;
  for (const char* name : {"Label4", "dtSchedTime", "cbTaskRepeat", "seRepeat", "PanelSchedOnce"})
    EXPECT_FALSE(s.Hidden(name)) << name;
  EXPECT_FALSE(s.Spin("seRepeat")->isEnabled());
  s.Choose("cbSchedTask", "At Logon");
  for (const char* name : {"dtSchedTime", "cbTaskRepeat", "PanelSchedOnce", "PanelSchedDaily"})
    EXPECT_TRUE(s.Hidden(name)) << name;
  EXPECT_NE(s.Combo("cbSchedTask")->itemData(5, Qt::ToolTipRole).toString().indexOf("log in"), -1);
  EXPECT_NE(s.w.Text("lbSchedNote").find("log in"), std::string::npos);

  s.w.Click("btSchedCancel");
  EXPECT_EQ(s.Current(), Page::OptSched);
  EXPECT_EQ(s.SavedTrigger().TriggerType, TASK_TIME_TRIGGER_ONCE);
  ASSERT_EQ(s.Lines().size(), 1u);
  // The next opening finds the task; Back leads to the options page.
  s.Open();
  EXPECT_EQ(s.Current(), Page::OptSched);
  EXPECT_EQ(s.Lines(), s.Saved()->ReadTriggerTexts());
  s.w.Click("btSchedBack");
  EXPECT_EQ(s.Current(), Page::Options);
  EXPECT_TRUE(s.w.dialogs.errors.empty());
}

TEST(SchedulePages, ATriggerMadeInTheWindowIsTheOneItsUnitsKeep) {
  ScheduleWindow s;
  s.Open();
  s.Choose("cbSchedTask", "Weekly");
  s.w.Find<QTimeEdit>("dtSchedTime")->setTime(QTime(7, 45));
  s.w.Find<QDateEdit>("dtSchedDate")->setDate(QDate(2026, 12, 14));
  s.Box("cbEndDate")->click();
  s.w.Find<QDateEdit>("dtEndDate")->setDate(QDate(2027, 6, 30));
  s.Spin("seWeekly")->setValue(2);
  s.Box("cbWeekly5")->click();
  s.Box("cbTaskRepeat")->click();
  s.Spin("seRepeat")->setValue(30);
  s.Spin("seRepeatHours")->setValue(2);
  s.Spin("seRepeatMinutes")->setValue(0);
  s.w.Click("btSchedOK");
  EXPECT_EQ(s.Current(), Page::OptSched);

  TASK_TRIGGER expected = DefaultTrigger(kNow);
  expected.TriggerType = TASK_TIME_TRIGGER_WEEKLY;
  expected.wStartHour = 7;
  expected.wStartMinute = 45;
  expected.wBeginDay = 14;
  expected.wEndYear = 2027;
  expected.wEndMonth = 6;
  expected.wEndDay = 30;
  expected.rgFlags = TASK_TRIGGER_FLAG_HAS_END_DATE;
  expected.Type.Weekly = {2, TASK_MONDAY | TASK_FRIDAY};
  expected.MinutesInterval = 30;
  expected.MinutesDuration = 120;
  EXPECT_EQ(Fields(s.SavedTrigger()), Fields(expected));
  EXPECT_EQ(s.Lines(), s.Saved()->ReadTriggerTexts());
  const fs::path timer = fs::path(s.w.home.folder) / "config/systemd/user/zentrix-ordrex.timer";
  EXPECT_NE(FileText(timer).find("OnCalendar="), std::string::npos);
  EXPECT_THAT(s.w.systemctl.commands,
              ::testing::Contains("systemctl --user enable --now zentrix-ordrex.timer"));
  EXPECT_TRUE(s.w.dialogs.errors.empty());
}

TEST(SchedulePages, StoredTriggersShowInTheirFieldsAndOkKeepsThem) {
  const struct {
    const char* name;
    TASK_TRIGGER_TYPE type;
    TRIGGER_TYPE_UNION fields;
    std::uint32_t interval, duration;
    std::function<void(ScheduleWindow&)> check;
  } cases[] = {
      {"weekly on Sunday and Wednesday",
       TASK_TIME_TRIGGER_WEEKLY,
       {.Weekly = {3, TASK_SUNDAY | TASK_WEDNESDAY}},
       0,
       0,
       [](ScheduleWindow& s) {
         EXPECT_EQ(s.Ticked("cbWeekly", 7, 1), (std::vector<int>{3, 7}));
         EXPECT_EQ(s.Spin("seWeekly")->value(), 3);
         EXPECT_FALSE(s.Hidden("PanelSchedWeekly"));
         EXPECT_FALSE(s.Box("cbTaskRepeat")->isChecked());
       }},
      {"every 120 minutes for 3 hours",
       TASK_TIME_TRIGGER_DAILY,
       {.Daily = {4}},
       120,
       180,
       [](ScheduleWindow& s) {
         EXPECT_EQ(s.Spin("seDaily")->value(), 4);
         EXPECT_TRUE(s.Box("cbTaskRepeat")->isChecked());
         EXPECT_EQ(s.Shown("cbRepeat"), "hours");
         EXPECT_EQ(s.Spin("seRepeat")->value(), 2);
         EXPECT_EQ(s.Spin("seRepeatHours")->value(), 3);
         EXPECT_EQ(s.Spin("seRepeatMinutes")->value(), 0);
       }},
      {"every 90 minutes for 100",
       TASK_TIME_TRIGGER_DAILY,
       {.Daily = {1}},
       90,
       100,
       [](ScheduleWindow& s) {
         EXPECT_EQ(s.Shown("cbRepeat"), "minutes");
         EXPECT_EQ(s.Spin("seRepeat")->value(), 90);
         EXPECT_EQ(s.Spin("seRepeatHours")->value(), 1);
         EXPECT_EQ(s.Spin("seRepeatMinutes")->value(), 40);
       }},
      {"the last Friday of March and September",
       TASK_TIME_TRIGGER_MONTHLYDOW,
       {.MonthlyDOW = {TASK_LAST_WEEK, TASK_FRIDAY, TASK_MARCH | TASK_SEPTEMBER}},
       0,
       0,
       [](ScheduleWindow& s) {
         EXPECT_TRUE(s.Box("cbMonthlyDow")->isChecked());
         EXPECT_FALSE(s.Box("cbMonthlyDate")->isChecked());
         EXPECT_FALSE(s.Spin("seMonthlyDate")->isEnabled());
         EXPECT_EQ(s.Shown("cbmonthlyDow1"), "last");
         EXPECT_EQ(s.Shown("cbmonthlyDow2"), "Friday");
         EXPECT_EQ(s.Ticked("cbMonth", 12, 2), (std::vector<int>{3, 9}));
       }},
      {"the 15th of January and July",
       TASK_TIME_TRIGGER_MONTHLYDATE,
       {.MonthlyDate = {1u << 14, TASK_JANUARY | TASK_JULY}},
       0,
       0,
       [](ScheduleWindow& s) {
         EXPECT_TRUE(s.Box("cbMonthlyDate")->isChecked());
         EXPECT_EQ(s.Spin("seMonthlyDate")->value(), 15);
         EXPECT_FALSE(s.Combo("cbmonthlyDow1")->isEnabled());
         EXPECT_EQ(s.Ticked("cbMonth", 12, 2), (std::vector<int>{1, 7}));
       }},
      {"when idle",
       TASK_EVENT_TRIGGER_ON_IDLE,
       {},
       0,
       0,
       [](ScheduleWindow& s) {
         EXPECT_EQ(s.Spin("seIdle")->value(), 15);
         EXPECT_FALSE(s.Hidden("PanelSchedIdle"));
         EXPECT_TRUE(s.Hidden("dtSchedTime"));
       }},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    ScheduleWindow s;
    TASK_TRIGGER stored = DefaultTrigger(kNow);
    stored.TriggerType = test.type;
    stored.Type = test.fields;
    stored.MinutesInterval = test.interval;
    stored.MinutesDuration = test.duration;
    stored.rgFlags = TASK_TRIGGER_FLAG_HAS_END_DATE;
    s.Store(stored, 15);
    s.EditLine(0);
    EXPECT_EQ(s.Current(), Page::EditSched);
    test.check(s);
    EXPECT_TRUE(s.Box("cbEndDate")->isChecked());
    EXPECT_EQ(s.Day("dtEndDate"), "2027-12-07");
    s.w.Click("btSchedOK");
    EXPECT_EQ(Fields(s.SavedTrigger()), Fields(stored));
    EXPECT_EQ(s.Saved()->IdleMinutes(), 15);
  }
}

TEST(SchedulePages, RepeatStartsAtTenMinutesForAnHourAndMustEndAfterItsInterval) {
  ScheduleWindow s;
  s.Open();
  s.Box("cbTaskRepeat")->click();
  EXPECT_TRUE(s.Spin("seRepeat")->isEnabled());
  EXPECT_EQ(s.Spin("seRepeat")->value(), 10);
  EXPECT_EQ(s.Shown("cbRepeat"), "minutes");
  EXPECT_EQ(s.Spin("seRepeatHours")->value(), 1);
  EXPECT_EQ(s.Spin("seRepeatMinutes")->value(), 0);
  s.w.Click("btSchedOK");
  EXPECT_EQ(s.SavedTrigger().MinutesInterval, 10u);
  EXPECT_EQ(s.SavedTrigger().MinutesDuration, 60u);

  s.EditLine(0);
  s.Choose("cbRepeat", "hours");
  s.Spin("seRepeat")->setValue(2);
  s.Spin("seRepeatHours")->setValue(2);
  s.w.Click("btSchedOK");
  EXPECT_EQ(s.w.dialogs.errors,
            std::vector<std::string>{"The duration must be greater than the repetition interval."});
  EXPECT_EQ(s.Current(), Page::EditSched);
  EXPECT_EQ(s.SavedTrigger().MinutesInterval, 10u);
  s.Spin("seRepeatMinutes")->setValue(1);
  s.w.Click("btSchedOK");
  EXPECT_EQ(s.Current(), Page::OptSched);
  EXPECT_EQ(s.SavedTrigger().MinutesInterval, 120u);
  EXPECT_EQ(s.SavedTrigger().MinutesDuration, 121u);

  // Switched off, the repetition is gone: the scheduler repeats whenever both are set.
  s.EditLine(0);
  s.Box("cbTaskRepeat")->click();
  EXPECT_FALSE(s.Spin("seRepeat")->isEnabled());
  s.w.Click("btSchedOK");
  EXPECT_EQ(s.SavedTrigger().MinutesInterval, 0u);
  EXPECT_EQ(s.SavedTrigger().MinutesDuration, 0u);
}

TEST(SchedulePages, MonthlyStartsOnTheFirstOfEveryMonthAndOffersOnlyMonthsWithTheDay) {
  ScheduleWindow s;
  s.Open();
  s.Choose("cbSchedTask", "Monthly");
  EXPECT_TRUE(s.Box("cbMonthlyDate")->isChecked());
  EXPECT_FALSE(s.Box("cbMonthlyDow")->isChecked());
  EXPECT_EQ(s.Spin("seMonthlyDate")->value(), 1);
  EXPECT_EQ(s.Ticked("cbMonth", 12, 2).size(), 12u);

  const std::vector<int> shortMonths = {2, 4, 6, 9, 11};
  s.Spin("seMonthlyDate")->setValue(31);
  for (int tag = 1; tag <= 12; ++tag) {
    const QByteArray box = "cbMonth" + QByteArray::number(tag).rightJustified(2, '0');
    const QByteArray label = "lbMonth" + QByteArray::number(tag).rightJustified(2, '0');
    const bool hasDay = std::find(shortMonths.begin(), shortMonths.end(), tag) == shortMonths.end();
    EXPECT_EQ(s.Box(box.constData())->isChecked(), hasDay) << tag;
    EXPECT_EQ(s.Box(box.constData())->isEnabled(), hasDay) << tag;
    EXPECT_EQ(s.w.Find<QLabel>(label.constData())->isEnabled(), hasDay) << tag;
  }
  s.Spin("seMonthlyDate")->setValue(29);
  EXPECT_TRUE(s.Box("cbMonth02")->isEnabled());
  EXPECT_FALSE(s.Box("cbMonth02")->isChecked());
  EXPECT_TRUE(s.Box("cbMonth11")->isEnabled());
  // Unticking the last month ticks January again.
  for (const int tag : s.Ticked("cbMonth", 12, 2))
    s.Box(("cbMonth" + QByteArray::number(tag).rightJustified(2, '0')).constData())->click();
  EXPECT_EQ(s.Ticked("cbMonth", 12, 2), std::vector<int>{1});
  s.Spin("seMonthlyDate")->setValue(30);
  s.w.Click("btSchedOK");
  EXPECT_EQ(s.SavedTrigger().TriggerType, TASK_TIME_TRIGGER_MONTHLYDATE);
  EXPECT_EQ(s.SavedTrigger().Type.MonthlyDate.rgfDays, 1u << 29);
  EXPECT_EQ(s.SavedTrigger().Type.MonthlyDate.rgfMonths, TASK_JANUARY);

  // The week-day line's label ticks its box, and a ticked box stays ticked; every month has a
  // first Monday, so none is held back by the day the other line had.
  s.EditLine(0);
  EXPECT_FALSE(s.Box("cbMonth02")->isEnabled());
  for (int click = 0; click < 2; ++click) {
    s.w.ClickLabel("lbMonthlyDow");
    EXPECT_TRUE(s.Box("cbMonthlyDow")->isChecked());
    EXPECT_FALSE(s.Box("cbMonthlyDate")->isChecked());
  }
  EXPECT_TRUE(s.Box("cbMonth02")->isEnabled());
  EXPECT_EQ(s.Shown("cbmonthlyDow1"), "first");
  EXPECT_EQ(s.Shown("cbmonthlyDow2"), "Monday");
  s.Choose("cbmonthlyDow1", "last");
  s.Choose("cbmonthlyDow2", "Sunday");
  s.Box("cbMonth02")->click();
  s.w.Click("btSchedOK");
  const MONTHLYDOW saved = s.SavedTrigger().Type.MonthlyDOW;
  EXPECT_EQ(s.SavedTrigger().TriggerType, TASK_TIME_TRIGGER_MONTHLYDOW);
  EXPECT_EQ(std::tuple(saved.wWhichWeek, saved.rgfDaysOfTheWeek, saved.rgfMonths),
            std::tuple(TASK_LAST_WEEK, TASK_SUNDAY, TASK_JANUARY | TASK_FEBRUARY));
}

TEST(SchedulePages, WeekDaysKeepOneTickedAndNumberFieldsHoldTheirLimits) {
  ScheduleWindow s;
  s.Open();
  s.Choose("cbSchedTask", "Weekly");
  EXPECT_EQ(s.Ticked("cbWeekly", 7, 1), std::vector<int>{1});
  s.Box("cbWeekly1")->click();
  EXPECT_EQ(s.Ticked("cbWeekly", 7, 1), std::vector<int>{1});
  s.w.ClickLabel("lbWeekly3");
  s.Box("cbWeekly1")->click();
  EXPECT_EQ(s.Ticked("cbWeekly", 7, 1), std::vector<int>{3});
  EXPECT_EQ(s.SavedTrigger().TriggerType, TASK_TIME_TRIGGER_ONCE);  // nothing stored before OK

  s.Box("cbTaskRepeat")->click();
  const struct {
    const char* type;
    const char* field;
    int lowest, highest;
  } limits[] = {{"Daily", "seDaily", 1, 9999},       {"Weekly", "seWeekly", 1, 9999},
                {"Monthly", "seMonthlyDate", 1, 31}, {"When idle", "seIdle", 1, 99},
                {"Daily", "seRepeat", 1, 9999},      {"Daily", "seRepeatHours", 0, 9999},
                {"Daily", "seRepeatMinutes", 0, 59}};
  for (const auto& limit : limits) {
    s.Choose("cbSchedTask", limit.type);
    EXPECT_EQ(s.Typed(limit.field, "0"), limit.lowest) << limit.field;
    EXPECT_EQ(s.Typed(limit.field, "150000"), limit.highest) << limit.field;
  }
  s.Choose("cbSchedTask", "When idle");
  EXPECT_EQ(s.Spin("seIdle")->value(), 1);  // a new task has no idle wait
  EXPECT_EQ(s.Typed("seIdle", "150"), 99);
  s.w.Click("btSchedOK");
  EXPECT_EQ(s.Saved()->IdleMinutes(), 99);
  EXPECT_EQ(s.SavedTrigger().TriggerType, TASK_EVENT_TRIGGER_ON_IDLE);
}

TEST(SchedulePages, AOneTimeTriggerRunsOnTheDatePickedUnderRunOn) {
  ScheduleWindow s;
  s.Open();
  s.w.Find<QDateEdit>("dtOnce")->setDate(QDate(2027, 3, 5));
  s.w.Click("btSchedOK");
  const TASK_TRIGGER saved = s.SavedTrigger();
  EXPECT_EQ(std::tuple(saved.wBeginYear, saved.wBeginMonth, saved.wBeginDay),
            std::tuple(2027, 3, 5));
  EXPECT_EQ(std::tuple(saved.wEndYear, saved.wEndMonth, saved.wEndDay), std::tuple(2027, 12, 7));
  s.EditLine(0);
  EXPECT_EQ(s.Day("dtOnce"), "2027-03-05");
  s.Choose("cbSchedTask", "Daily");
  EXPECT_EQ(s.Day("dtSchedDate"), "2027-03-05");
}

TEST(SchedulePages, DeleteAsksFirstAndTheLastTriggerTakesTheTaskWithIt) {
  ScheduleWindow s;
  s.Open();
  s.w.Click("btSchedOK");
  s.w.Click("btNewTrigger");
  EXPECT_EQ(s.Current(), Page::EditSched);
  EXPECT_EQ(s.List()->currentRow(), 1);
  s.Choose("cbSchedTask", "At Logon");
  s.w.Click("btSchedOK");
  ASSERT_EQ(s.Lines().size(), 2u);

  s.List()->clearSelection();
  s.w.Click("btDeleteTrigger");
  EXPECT_TRUE(s.w.dialogs.questions.empty());
  s.List()->setCurrentRow(0);
  s.w.dialogs.answers = {false};
  s.w.Click("btDeleteTrigger");
  EXPECT_EQ(s.Lines().size(), 2u);
  s.w.Click("btDeleteTrigger");
  EXPECT_EQ(s.w.dialogs.questions,
            (std::vector<std::string>{"Delete the task?", "Delete the task?"}));
  ASSERT_EQ(s.Lines().size(), 1u);
  EXPECT_EQ(s.SavedTrigger().TriggerType, TASK_EVENT_TRIGGER_AT_LOGON);

  s.List()->setCurrentRow(0);
  s.w.Click("btDeleteTrigger");
  EXPECT_EQ(s.w.dialogs.questions.back(),
            "Cannot delete single task, but you can delete the scheduler.\r\nDelete the "
            "scheduler?");
  EXPECT_EQ(s.w.dialogs.captions, std::vector<std::string>(3, "Warning"));
  EXPECT_EQ(s.Current(), Page::Options);
  EXPECT_FALSE(
      fs::exists(fs::path(s.w.home.folder) / "config/systemd/user/zentrix-ordrex.service"));
  // The next opening makes a new task with a new trigger.
  s.Open();
  EXPECT_EQ(s.Current(), Page::EditSched);
  EXPECT_EQ(s.Lines().size(), 1u);
  EXPECT_EQ(s.SavedTrigger().TriggerType, TASK_TIME_TRIGGER_ONCE);
}

TEST(SchedulePages, FailuresAreToldAndTheScheduleStaysAsItWas) {
  ScheduleWindow s;
  const fs::path units = fs::path(s.w.home.folder) / "config/systemd/user";
  fs::create_directories(units);
  const std::string damaged = std::string("[Service]\nExecStart=") + ORDREX_BINARY + " /auto\n";
  WriteFile(units / "zentrix-ordrex.service", damaged);
  s.Open();
  ASSERT_EQ(s.w.dialogs.errors.size(), 1u);
  EXPECT_NE(s.w.dialogs.errors[0].find("zentrix-ordrex.service"), std::string::npos);
  EXPECT_EQ(s.Current(), Page::Options);
  EXPECT_EQ(FileText(units / "zentrix-ordrex.service"), damaged);
  fs::remove(units / "zentrix-ordrex.service");

  // Without a user manager the schedule is kept, and the user is told once how to load it.
  s.w.systemctl.status = 1;
  s.Open();
  ASSERT_EQ(s.w.dialogs.informed.size(), 1u);
  EXPECT_NE(s.w.dialogs.informed[0].find("systemctl --user"), std::string::npos);
  s.w.Click("btSchedOK");
  EXPECT_EQ(s.w.dialogs.informed.size(), 1u);

  // A folder that cannot be written: the editor keeps the change, the list and units do not.
  const std::vector<std::string> lines = s.Lines();
  s.EditLine(0);
  s.Choose("cbSchedTask", "Daily");
  fs::rename(units, units.string() + ".kept");
  WriteFile(units, "");
  s.w.Click("btSchedOK");
  EXPECT_EQ(s.w.dialogs.errors.size(), 2u);
  EXPECT_EQ(s.Current(), Page::EditSched);
  fs::remove(units);
  fs::rename(units.string() + ".kept", units);
  s.w.Click("btSchedCancel");
  EXPECT_EQ(s.Lines(), lines);
  EXPECT_EQ(s.SavedTrigger().TriggerType, TASK_TIME_TRIGGER_ONCE);

  // Without ordrex-cli beside the program nothing would check the rules timers cannot say.
  ScheduleWindow alone;
  alone.w.window().SetSchedulerFactory(
      UserTimersFactory(fs::path(alone.w.home.folder) / "ordrex", alone.w.home.environment,
                        alone.w.systemctl, alone.w.schedulerClock));
  alone.Open();
  EXPECT_THAT(alone.w.dialogs.errors,
              ::testing::ElementsAre(::testing::HasSubstr("ordrex-cli was not found")));
  EXPECT_TRUE(alone.Lines().empty());
}

}  // namespace
}  // namespace ordrex::gui
