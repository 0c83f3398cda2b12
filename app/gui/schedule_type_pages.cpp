#include "app/gui/schedule_type_pages.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>
#include <bit>

#include "app/gui/box_label.h"
#include "app/gui/held_spin_box.h"
#include "app/gui/named_widget.h"

namespace ordrex::gui {

namespace {

constexpr std::uint16_t kWeekDayBits = 0x7F;
constexpr int kMaxInterval = 9999;

QByteArray Numbered(const char* stem, int number, int digits) {
  return QByteArray(stem) + QByteArray::number(number).rightJustified(digits, '0');
}

// Shows `value` without the box's change handler running for it.
void ShowValue(QSpinBox* box, int value) {
  const QSignalBlocker quiet(box);
  box->setValue(value);
}

std::uint16_t HeldInterval(std::uint16_t value, bool reset) {
  if (reset || value == 0) return 1;
  return static_cast<std::uint16_t>(std::min<int>(value, kMaxInterval));
}

// The item of the week-day list (Monday 0 to Sunday 6) of the highest day bit set; Sunday only
// when its bit is the only one.
int WeekDayItem(std::uint16_t days) {
  const std::uint16_t monToSat = days & kWeekDayBits & ~TASK_SUNDAY;
  if (monToSat == 0) return 6;
  return static_cast<int>(std::bit_width(static_cast<unsigned>(monToSat))) - 2;
}

// The days of the month of `tag` (1 to 12) in its longest year.
int DaysInLongest(int tag) {
  if (tag == 2) return 29;
  return tag == 4 || tag == 6 || tag == 9 || tag == 11 ? 30 : 31;
}

}  // namespace

QHBoxLayout* LineOf(std::initializer_list<QWidget*> widgets) {
  auto* line = new QHBoxLayout;
  for (QWidget* widget : widgets)
    line->addWidget(widget);
  line->addStretch(1);
  return line;
}

QDate TriggerDate(std::uint16_t year, std::uint16_t month, std::uint16_t day) {
  return QDate(year, month, day);
}

void SetTriggerDate(const QDate& date, std::uint16_t& year, std::uint16_t& month,
                    std::uint16_t& day) {
  year = static_cast<std::uint16_t>(date.year());
  month = static_cast<std::uint16_t>(date.month());
  day = static_cast<std::uint16_t>(date.day());
}

DailyPage::DailyPage(TriggerEdit& edit, QWidget* parent) : ScheduleTypePage(edit, parent) {
  days_ = MakeNamed<HeldSpinBox>("seDaily", 1, kMaxInterval, this);
  connect(days_, &QSpinBox::valueChanged, this, [this](int days) {
    Trigger().Type.Daily.DaysInterval = static_cast<std::uint16_t>(days);
  });
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(
      LineOf({new QLabel(tr("Every"), this), days_, new QLabel(tr("day(s)."), this)}));
  layout->addStretch(1);
}

void DailyPage::Apply(bool interactive) {
  Trigger().TriggerType = TASK_TIME_TRIGGER_DAILY;
  DAILY& daily = Trigger().Type.Daily;
  daily.DaysInterval = HeldInterval(daily.DaysInterval, interactive);
  ShowValue(days_, daily.DaysInterval);
}

WeeklyPage::WeeklyPage(TriggerEdit& edit, QWidget* parent) : ScheduleTypePage(edit, parent) {
  weeks_ = MakeNamed<HeldSpinBox>("seWeekly", 1, kMaxInterval, this);
  connect(weeks_, &QSpinBox::valueChanged, this, [this](int weeks) {
    Trigger().Type.Weekly.WeeksInterval = static_cast<std::uint16_t>(weeks);
  });
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(
      LineOf({new QLabel(tr("Every"), this), weeks_, new QLabel(tr("week(s) on:"), this)}));
  const QString names[] = {tr("Monday"), tr("Tuesday"),  tr("Wednesday"), tr("Thursday"),
                           tr("Friday"), tr("Saturday"), tr("Sunday")};
  auto* grid = new QGridLayout;
  for (int tag = 1; tag <= 7; ++tag) {
    QCheckBox* box = days_[tag - 1] = MakeNamed<QCheckBox>(Numbered("cbWeekly", tag, 1), this);
    connect(box, &QCheckBox::clicked, this, [this, tag](bool on) { DayClicked(tag, on); });
    const int column = (tag - 1) % 4 * 2;
    grid->addWidget(box, (tag - 1) / 4, column);
    grid->addWidget(MakeNamed<BoxLabel>(Numbered("lbWeekly", tag, 1), names[tag - 1], box, this),
                    (tag - 1) / 4, column + 1);
  }
  grid->setColumnStretch(8, 1);
  layout->addLayout(grid);
  layout->addStretch(1);
}

void WeeklyPage::Apply(bool interactive) {
  Trigger().TriggerType = TASK_TIME_TRIGGER_WEEKLY;
  WEEKLY& weekly = Trigger().Type.Weekly;
  weekly.WeeksInterval = HeldInterval(weekly.WeeksInterval, interactive);
  ShowValue(weeks_, weekly.WeeksInterval);
  if (interactive || (weekly.rgfDaysOfTheWeek & kWeekDayBits) == 0)
    weekly.rgfDaysOfTheWeek = TASK_MONDAY;
  ShowDays();
}

void WeeklyPage::DayClicked(int tag, bool on) {
  std::uint16_t& days = Trigger().Type.Weekly.rgfDaysOfTheWeek;
  days = on ? days | DayBitOfTag(tag) : days & static_cast<std::uint16_t>(~DayBitOfTag(tag));
  if ((days & kWeekDayBits) == 0) days = TASK_MONDAY;
  ShowDays();
}

void WeeklyPage::ShowDays() {
  for (int tag = 1; tag <= 7; ++tag)
    days_[tag - 1]->setChecked((Trigger().Type.Weekly.rgfDaysOfTheWeek & DayBitOfTag(tag)) != 0);
}

MonthlyPage::MonthlyPage(TriggerEdit& edit, QWidget* parent) : ScheduleTypePage(edit, parent) {
  byDate_ = MakeNamed<QCheckBox>("cbMonthlyDate", this);
  byWeekDay_ = MakeNamed<QCheckBox>("cbMonthlyDow", this);
  connect(byDate_, &QCheckBox::clicked, this, [this](bool on) { ChooseLine(on, true); });
  connect(byWeekDay_, &QCheckBox::clicked, this, [this](bool on) { ChooseLine(!on, true); });
  day_ = MakeNamed<HeldSpinBox>("seMonthlyDate", 1, 31, this);
  connect(day_, &QSpinBox::valueChanged, this, &MonthlyPage::SetDay);
  week_ = MakeNamed<QComboBox>("cbmonthlyDow1", this);
  week_->addItems({tr("first"), tr("second"), tr("third"), tr("fourth"), tr("last")});
  connect(week_, &QComboBox::currentIndexChanged, this, [this](int item) {
    if (item >= 0) Trigger().Type.MonthlyDOW.wWhichWeek = static_cast<std::uint16_t>(item + 1);
  });
  weekDay_ = MakeNamed<QComboBox>("cbmonthlyDow2", this);
  weekDay_->addItems({tr("Monday"), tr("Tuesday"), tr("Wednesday"), tr("Thursday"), tr("Friday"),
                      tr("Saturday"), tr("Sunday")});
  connect(weekDay_, &QComboBox::currentIndexChanged, this, &MonthlyPage::SetWeekDay);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(
      LineOf({byDate_, MakeNamed<BoxLabel>("lbMonthlyDate", tr("Day"), byDate_, this, true), day_,
              new QLabel(tr("of the month(s)"), this)}));
  layout->addLayout(
      LineOf({byWeekDay_, MakeNamed<BoxLabel>("lbMonthlyDow", tr("The"), byWeekDay_, this, true),
              week_, weekDay_, new QLabel(tr("of the month(s)"), this)}));
  const QString names[] = {tr("January"),   tr("February"), tr("March"),    tr("April"),
                           tr("May"),       tr("June"),     tr("July"),     tr("August"),
                           tr("September"), tr("October"),  tr("November"), tr("December")};
  auto* grid = new QGridLayout;
  for (int tag = 1; tag <= 12; ++tag) {
    QCheckBox* box = months_[tag - 1] = MakeNamed<QCheckBox>(Numbered("cbMonth", tag, 2), this);
    connect(box, &QCheckBox::clicked, this, [this, tag](bool on) { MonthClicked(tag, on); });
    monthLabels_[tag - 1] =
        MakeNamed<BoxLabel>(Numbered("lbMonth", tag, 2), names[tag - 1], box, this);
    const int column = (tag - 1) % 4 * 2;
    grid->addWidget(box, (tag - 1) / 4, column);
    grid->addWidget(monthLabels_[tag - 1], (tag - 1) / 4, column + 1);
  }
  auto* note = MakeNamed<QLabel>(
      "lbMonthNote", tr("Please select the \nmonths you would \nlike the task to run"), this);
  grid->addWidget(note, 0, 8, 3, 1, Qt::AlignTop);
  grid->setColumnStretch(9, 1);
  layout->addLayout(grid);
  layout->addStretch(1);
}

void MonthlyPage::Apply(bool interactive) {
  ChooseLine(interactive || Trigger().TriggerType == TASK_TIME_TRIGGER_MONTHLYDATE, interactive);
}

std::uint16_t& MonthlyPage::Months() {
  // Both monthly records keep the months in the same place of the trigger.
  return Trigger().TriggerType == TASK_TIME_TRIGGER_MONTHLYDOW
             ? Trigger().Type.MonthlyDOW.rgfMonths
             : Trigger().Type.MonthlyDate.rgfMonths;
}

void MonthlyPage::ChooseLine(bool byDate, bool interactive) {
  byDate_->setChecked(byDate);
  byWeekDay_->setChecked(!byDate);
  day_->setEnabled(byDate);
  week_->setEnabled(!byDate);
  weekDay_->setEnabled(!byDate);
  TASK_TRIGGER& trigger = Trigger();
  if (byDate) {
    trigger.TriggerType = TASK_TIME_TRIGGER_MONTHLYDATE;
    std::uint32_t& days = trigger.Type.MonthlyDate.rgfDays;
    if (interactive || days == 0) days = 1;
    if (Months() == 0 || Months() > kAllMonths) Months() = kAllMonths;
    const int day = std::min(static_cast<int>(std::bit_width(days)), 31);
    ShowValue(day_, day);
    SetDay(day);
    return;
  }
  trigger.TriggerType = TASK_TIME_TRIGGER_MONTHLYDOW;
  MONTHLYDOW& monthly = trigger.Type.MonthlyDOW;
  if (interactive || monthly.wWhichWeek == 0 || monthly.wWhichWeek > TASK_LAST_WEEK)
    monthly.wWhichWeek = TASK_FIRST_WEEK;
  if (interactive || (monthly.rgfDaysOfTheWeek & kWeekDayBits) == 0)
    monthly.rgfDaysOfTheWeek = TASK_MONDAY;
  if (Months() == 0 || Months() > kAllMonths) Months() = kAllMonths;
  {
    const QSignalBlocker quietWeek(week_);
    const QSignalBlocker quietDay(weekDay_);
    week_->setCurrentIndex(monthly.wWhichWeek - 1);
    weekDay_->setCurrentIndex(WeekDayItem(monthly.rgfDaysOfTheWeek));
  }
  SetWeekDay(weekDay_->currentIndex());
  EnableMonthsFor(1);
  ShowMonths();
}

void MonthlyPage::SetDay(int day) {
  Trigger().Type.MonthlyDate.rgfDays = 1u << (day - 1);
  std::uint16_t& months = Months();
  for (int tag = 1; tag <= 12; ++tag) {
    if (day > DaysInLongest(tag)) months &= static_cast<std::uint16_t>(~(1u << (tag - 1)));
  }
  if (months == 0) months = TASK_JANUARY;
  EnableMonthsFor(day);
  ShowMonths();
}

void MonthlyPage::SetWeekDay(int item) {
  if (item >= 0) Trigger().Type.MonthlyDOW.rgfDaysOfTheWeek = DayBitOfTag(item + 1);
}

void MonthlyPage::MonthClicked(int tag, bool on) {
  const auto bit = static_cast<std::uint16_t>(1u << (tag - 1));
  std::uint16_t& months = Months();
  months = on ? months | bit : months & static_cast<std::uint16_t>(~bit);
  if (months == 0) months = TASK_JANUARY;
  ShowMonths();
}

void MonthlyPage::EnableMonthsFor(int day) {
  for (int tag = 1; tag <= 12; ++tag) {
    const bool hasDay = day <= DaysInLongest(tag);
    months_[tag - 1]->setEnabled(hasDay);
    monthLabels_[tag - 1]->setEnabled(hasDay);
  }
}

void MonthlyPage::ShowMonths() {
  for (int tag = 1; tag <= 12; ++tag)
    months_[tag - 1]->setChecked((Months() & (1u << (tag - 1))) != 0);
}

OncePage::OncePage(TriggerEdit& edit, QWidget* parent) : ScheduleTypePage(edit, parent) {
  date_ = MakeNamed<QDateEdit>("dtOnce", this);
  date_->setCalendarPopup(true);
  // A one-time trigger runs on its begin date, so that is the date this field shows and sets.
  connect(date_, &QDateEdit::dateChanged, this, [this](const QDate& date) {
    SetTriggerDate(date, Trigger().wBeginYear, Trigger().wBeginMonth, Trigger().wBeginDay);
  });
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(LineOf({new QLabel(tr("Run on"), this), date_}));
  layout->addStretch(1);
}

void OncePage::Apply(bool) {
  Trigger().TriggerType = TASK_TIME_TRIGGER_ONCE;
  const QDate begin = TriggerDate(Trigger().wBeginYear, Trigger().wBeginMonth, Trigger().wBeginDay);
  const QSignalBlocker quiet(date_);
  if (begin.isValid()) date_->setDate(begin);
}

IdlePage::IdlePage(TriggerEdit& edit, QWidget* parent) : ScheduleTypePage(edit, parent) {
  minutes_ = MakeNamed<HeldSpinBox>("seIdle", 1, 99, this);
  connect(minutes_, &QSpinBox::valueChanged, this,
          [this](int minutes) { Edit().idleMinutes = static_cast<std::uint16_t>(minutes); });
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(LineOf({new QLabel(tr("When the computer has been idle for"), this), minutes_,
                            new QLabel(tr("minute(s)."), this)}));
  layout->addStretch(1);
}

void IdlePage::Apply(bool) {
  Trigger().TriggerType = TASK_EVENT_TRIGGER_ON_IDLE;
  // The wait the work item holds, as the field can show it (a new work item has none).
  Edit().idleMinutes = static_cast<std::uint16_t>(
      std::clamp<int>(Edit().workItemIdleMinutes, minutes_->minimum(), minutes_->maximum()));
  ShowValue(minutes_, Edit().idleMinutes);
}

}  // namespace ordrex::gui
