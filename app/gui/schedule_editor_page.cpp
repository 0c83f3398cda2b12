#include "app/gui/schedule_editor_page.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "app/gui/box_label.h"
#include "app/gui/held_spin_box.h"
#include "app/gui/named_widget.h"

namespace ordrex::gui {

namespace {

enum TypeItem { kDaily, kWeekly, kMonthly, kOnce, kStartup, kLogon, kIdle };

int TypeItemOf(TASK_TRIGGER_TYPE type) {
  switch (type) {
    case TASK_TIME_TRIGGER_DAILY:
      return kDaily;
    case TASK_TIME_TRIGGER_WEEKLY:
      return kWeekly;
    case TASK_TIME_TRIGGER_MONTHLYDATE:
    case TASK_TIME_TRIGGER_MONTHLYDOW:
      return kMonthly;
    case TASK_TIME_TRIGGER_ONCE:
      return kOnce;
    case TASK_EVENT_TRIGGER_AT_SYSTEMSTART:
      return kStartup;
    case TASK_EVENT_TRIGGER_AT_LOGON:
      return kLogon;
    case TASK_EVENT_TRIGGER_ON_IDLE:
      return kIdle;
  }
  return -1;
}

constexpr int kHoursUnit = 1;

}  // namespace

QString StartupTriggersNote() {
  return QWidget::tr(
      "On Linux, \"At System Startup\" and \"At Logon\" both run when your user's service "
      "manager starts, which is when you log in.");
}

ScheduleEditorPage::ScheduleEditorPage(GuiDialogs& dialogs, QWidget* parent)
    : QWidget(parent), dialogs_(dialogs) {
  type_ = MakeNamed<QComboBox>("cbSchedTask", this);
  type_->addItems({tr("Daily"), tr("Weekly"), tr("Monthly"), tr("Once"), tr("At System Startup"),
                   tr("At Logon"), tr("When idle")});
  type_->setItemData(kStartup, StartupTriggersNote(), Qt::ToolTipRole);
  type_->setItemData(kLogon, StartupTriggersNote(), Qt::ToolTipRole);
  connect(type_, &QComboBox::currentIndexChanged, this,
          [this](int item) { ApplyType(item, true); });

  time_ = MakeNamed<QTimeEdit>("dtSchedTime", this);
  time_->setDisplayFormat("HH:mm");
  connect(time_, &QTimeEdit::timeChanged, this, [this](const QTime& time) {
    edit_.trigger.wStartHour = static_cast<std::uint16_t>(time.hour());
    edit_.trigger.wStartMinute = static_cast<std::uint16_t>(time.minute());
  });
  date_ = MakeNamed<QDateEdit>("dtSchedDate", this);
  date_->setCalendarPopup(true);
  connect(date_, &QDateEdit::dateChanged, this, [this](const QDate& date) {
    SetTriggerDate(date, edit_.trigger.wBeginYear, edit_.trigger.wBeginMonth,
                   edit_.trigger.wBeginDay);
  });
  hasEnd_ = MakeNamed<QCheckBox>("cbEndDate", this);
  connect(hasEnd_, &QCheckBox::clicked, this, &ScheduleEditorPage::SetEndDate);
  auto* endLabel = MakeNamed<BoxLabel>("lbEndDate", tr("End date:"), hasEnd_, this);
  endDate_ = MakeNamed<QDateEdit>("dtEndDate", this);
  endDate_->setCalendarPopup(true);
  connect(endDate_, &QDateEdit::dateChanged, this, [this](const QDate& date) {
    SetTriggerDate(date, edit_.trigger.wEndYear, edit_.trigger.wEndMonth, edit_.trigger.wEndDay);
  });

  repeat_ = MakeNamed<QCheckBox>("cbTaskRepeat", this);
  connect(repeat_, &QCheckBox::clicked, this, [this](bool on) { SetRepeat(on, true); });
  auto* repeatLabel = MakeNamed<BoxLabel>("lbTaskRepeat", tr("Repeat task:"), repeat_, this);
  every_ = MakeNamed<HeldSpinBox>("seRepeat", 1, 9999, this);
  connect(every_, &QSpinBox::valueChanged, this, &ScheduleEditorPage::StoreInterval);
  unit_ = MakeNamed<QComboBox>("cbRepeat", this);
  unit_->addItems({tr("minutes"), tr("hours")});
  connect(unit_, &QComboBox::currentIndexChanged, this, &ScheduleEditorPage::StoreInterval);
  untilHours_ = MakeNamed<HeldSpinBox>("seRepeatHours", 0, 9999, this);
  untilMinutes_ = MakeNamed<HeldSpinBox>("seRepeatMinutes", 0, 59, this);
  for (QSpinBox* until : {untilHours_, untilMinutes_})
    connect(until, &QSpinBox::valueChanged, this, &ScheduleEditorPage::StoreDuration);

  auto* typeLabel = new QLabel(tr("Schedule Task:"), this);
  auto* startTime = MakeNamed<QLabel>("Label4", tr("Start time:"), this);
  auto* startDate = MakeNamed<QLabel>("Label1", tr("Start date:"), this);
  auto* every = MakeNamed<QLabel>("Label7", tr("Every"), this);
  auto* until = MakeNamed<QLabel>("Label11", tr("Until"), this);
  auto* hours = MakeNamed<QLabel>("Label12", tr("hours"), this);
  auto* minutes = MakeNamed<QLabel>("Label15", tr("minutes"), this);
  dateRows_ = {startDate, date_, hasEnd_, endLabel, endDate_};
  timeRows_ = {startTime, time_, repeat_,     repeatLabel, every,         every_,
               unit_,     until, untilHours_, hours,       untilMinutes_, minutes};

  auto* grid = new QGridLayout;
  grid->addWidget(typeLabel, 0, 0);
  grid->addLayout(LineOf({type_}), 0, 1);
  grid->addWidget(startTime, 1, 0);
  grid->addLayout(LineOf({time_}), 1, 1);
  grid->addWidget(startDate, 2, 0);
  grid->addLayout(LineOf({date_}), 2, 1);
  grid->addLayout(LineOf({hasEnd_, endLabel}), 3, 0);
  grid->addLayout(LineOf({endDate_}), 3, 1);
  grid->addLayout(LineOf({repeat_, repeatLabel}), 4, 0);
  grid->addLayout(LineOf({every, every_, unit_}), 4, 1);
  grid->addLayout(LineOf({until, untilHours_, hours, untilMinutes_, minutes}), 5, 1);
  grid->setColumnStretch(1, 1);

  auto* typeArea = new QFrame(this);
  typeArea->setFrameShape(QFrame::StyledPanel);
  auto* typeLayout = new QVBoxLayout(typeArea);
  typePages_ = {new DailyPage(edit_, typeArea),
                new WeeklyPage(edit_, typeArea),
                new MonthlyPage(edit_, typeArea),
                new OncePage(edit_, typeArea),
                nullptr,
                nullptr,
                new IdlePage(edit_, typeArea)};
  for (ScheduleTypePage* page : typePages_) {
    if (page == nullptr) continue;
    typeLayout->addWidget(page);
    page->hide();
  }

  auto* ok = MakeNamed<QPushButton>("btSchedOK", tr("OK"), this);
  connect(ok, &QPushButton::clicked, this, &ScheduleEditorPage::Ok);
  auto* cancel = MakeNamed<QPushButton>("btSchedCancel", tr("Cancel"), this);
  connect(cancel, &QPushButton::clicked, this, &ScheduleEditorPage::Cancelled);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(typeArea, 1);
  layout->addLayout(buttons);
  SetRepeat(false, false);
  SetEndDate(false);
}

QWidget* ScheduleEditorPage::TypePage(Page page) const {
  switch (page) {
    case Page::SchedDaily:
      return typePages_[kDaily];
    case Page::SchedWeekly:
      return typePages_[kWeekly];
    case Page::SchedMonthly:
      return typePages_[kMonthly];
    case Page::SchedOnce:
      return typePages_[kOnce];
    case Page::SchedIdle:
      return typePages_[kIdle];
    default:
      return nullptr;
  }
}

void ScheduleEditorPage::Edit(const TASK_TRIGGER& trigger, std::uint16_t idleMinutes) {
  edit_ = {trigger, idleMinutes, idleMinutes};
  ShowTimeAndDates();
  const int item = TypeItemOf(trigger.TriggerType);
  {
    const QSignalBlocker quiet(type_);
    type_->setCurrentIndex(item);
  }
  ApplyType(item, false);
  repeat_->setChecked(trigger.MinutesInterval != 0 && trigger.MinutesDuration != 0);
  SetRepeat(repeat_->isChecked(), false);
  hasEnd_->setChecked((trigger.rgFlags & TASK_TRIGGER_FLAG_HAS_END_DATE) != 0);
  SetEndDate(hasEnd_->isChecked());
}

void ScheduleEditorPage::Reshow() {
  ApplyType(type_->currentIndex(), false);
}

void ScheduleEditorPage::ShowTimeAndDates() {
  // A field the trigger does not fill (no such time or date) keeps what it showed.
  const TASK_TRIGGER& trigger = edit_.trigger;
  const QSignalBlocker quietTime(time_);
  const QSignalBlocker quietDate(date_);
  const QSignalBlocker quietEnd(endDate_);
  const QTime start(trigger.wStartHour, trigger.wStartMinute);
  if (start.isValid()) time_->setTime(start);
  const QDate begin = TriggerDate(trigger.wBeginYear, trigger.wBeginMonth, trigger.wBeginDay);
  if (begin.isValid()) date_->setDate(begin);
  const QDate end = TriggerDate(trigger.wEndYear, trigger.wEndMonth, trigger.wEndDay);
  if (end.isValid()) endDate_->setDate(end);
}

void ScheduleEditorPage::ApplyType(int item, bool interactive) {
  for (QWidget* row : dateRows_)
    row->setVisible(item < kOnce);
  for (QWidget* row : timeRows_)
    row->setVisible(item < kStartup);
  if (item >= 0 && item < static_cast<int>(typePages_.size()) && typePages_[item] != nullptr) {
    typePages_[item]->Apply(interactive);
  } else if (item == kStartup) {
    edit_.trigger.TriggerType = TASK_EVENT_TRIGGER_AT_SYSTEMSTART;
  } else if (item == kLogon) {
    edit_.trigger.TriggerType = TASK_EVENT_TRIGGER_AT_LOGON;
  }
  for (int page = 0; page < static_cast<int>(typePages_.size()); ++page) {
    if (typePages_[page] != nullptr) typePages_[page]->setVisible(page == item);
  }
  // The one-time page sets the begin date; the start date field shows it when another type is
  // chosen.
  ShowTimeAndDates();
}

void ScheduleEditorPage::SetRepeat(bool on, bool interactive) {
  for (QWidget* control :
       std::initializer_list<QWidget*>{every_, unit_, untilHours_, untilMinutes_})
    control->setEnabled(on);
  TASK_TRIGGER& trigger = edit_.trigger;
  if (!on) {
    // A repetition the user switched off must not run: the scheduler repeats whenever both
    // numbers are set.
    if (interactive) trigger.MinutesInterval = trigger.MinutesDuration = 0;
    return;
  }
  if (interactive) {
    trigger.MinutesInterval = 10;
    trigger.MinutesDuration = 60;
  }
  ShowRepeat();
}

void ScheduleEditorPage::ShowRepeat() {
  // What the fields show is what is stored: an interval too long for the field is held to it.
  const std::uint32_t interval = edit_.trigger.MinutesInterval;
  const bool inHours = interval > 9999 || interval % 60 == 0;
  const std::uint32_t duration = edit_.trigger.MinutesDuration;
  {
    const QSignalBlocker quietUnit(unit_);
    const QSignalBlocker quietEvery(every_);
    const QSignalBlocker quietHours(untilHours_);
    const QSignalBlocker quietMinutes(untilMinutes_);
    unit_->setCurrentIndex(inHours ? kHoursUnit : 0);
    every_->setValue(static_cast<int>(
        std::min<std::uint32_t>(inHours ? interval / 60 : interval, every_->maximum())));
    untilHours_->setValue(
        static_cast<int>(std::min<std::uint32_t>(duration / 60, untilHours_->maximum())));
    untilMinutes_->setValue(static_cast<int>(duration % 60));
  }
  StoreInterval();
  StoreDuration();
}

void ScheduleEditorPage::StoreInterval() {
  edit_.trigger.MinutesInterval =
      static_cast<std::uint32_t>(every_->value()) * (unit_->currentIndex() == kHoursUnit ? 60 : 1);
}

void ScheduleEditorPage::StoreDuration() {
  edit_.trigger.MinutesDuration =
      static_cast<std::uint32_t>(untilHours_->value() * 60 + untilMinutes_->value());
}

void ScheduleEditorPage::SetEndDate(bool on) {
  std::uint32_t& flags = edit_.trigger.rgFlags;
  flags = on ? flags | TASK_TRIGGER_FLAG_HAS_END_DATE : flags & ~TASK_TRIGGER_FLAG_HAS_END_DATE;
  endDate_->setEnabled(on);
}

void ScheduleEditorPage::Ok() {
  const TASK_TRIGGER& trigger = edit_.trigger;
  if (repeat_->isChecked() && trigger.MinutesDuration <= trigger.MinutesInterval) {
    dialogs_.ShowError(this, tr("The duration must be greater than the repetition interval."));
    return;
  }
  emit Accepted();
}

}  // namespace ordrex::gui
