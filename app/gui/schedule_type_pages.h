#pragma once
// The fields of the trigger editor that belong to one trigger type: the daily, weekly, monthly,
// one-time and idle pages, of which the editor shows the one of the chosen type. Every field
// writes into the trigger being edited at once; only the editor's OK hands it to the scheduler.

#include <QDate>
#include <QWidget>
#include <array>
#include <cstdint>
#include <initializer_list>

#include "schedule/task_trigger.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QHBoxLayout;
class QLabel;

namespace ordrex::gui {

class HeldSpinBox;

// The trigger being edited and the idle wait that goes with it.
struct TriggerEdit {
  TASK_TRIGGER trigger{};
  std::uint16_t idleMinutes = 0;          // as edited
  std::uint16_t workItemIdleMinutes = 0;  // as the work item holds it
};

// A line of controls, held to the left.
QHBoxLayout* LineOf(std::initializer_list<QWidget*> widgets);

// A date of the trigger record; invalid when the fields do not name a day.
QDate TriggerDate(std::uint16_t year, std::uint16_t month, std::uint16_t day);
void SetTriggerDate(const QDate& date, std::uint16_t& year, std::uint16_t& month,
                    std::uint16_t& day);

class ScheduleTypePage : public QWidget {
 public:
  ScheduleTypePage(TriggerEdit& edit, QWidget* parent) : QWidget(parent), edit_(edit) {}

  // Makes the trigger one of this page's type and shows its fields. When the user chose the
  // type (`interactive`) the fields start from their defaults; when a stored trigger is shown
  // they keep their values, except those that are 0 or that the fields cannot show.
  virtual void Apply(bool interactive) = 0;

 protected:
  TriggerEdit& Edit() { return edit_; }
  TASK_TRIGGER& Trigger() { return edit_.trigger; }

 private:
  TriggerEdit& edit_;
};

class DailyPage : public ScheduleTypePage {
 public:
  DailyPage(TriggerEdit& edit, QWidget* parent);
  void Apply(bool interactive) override;

 private:
  HeldSpinBox* days_ = nullptr;
};

class WeeklyPage : public ScheduleTypePage {
 public:
  WeeklyPage(TriggerEdit& edit, QWidget* parent);
  void Apply(bool interactive) override;

 private:
  void DayClicked(int tag, bool on);
  void ShowDays();

  HeldSpinBox* weeks_ = nullptr;
  std::array<QCheckBox*, 7> days_{};  // Monday to Sunday
};

class MonthlyPage : public ScheduleTypePage {
 public:
  MonthlyPage(TriggerEdit& edit, QWidget* parent);
  void Apply(bool interactive) override;

 private:
  // The "Day" line (`byDate`) or the "The ... of the month(s)" line; exactly one is ticked.
  void ChooseLine(bool byDate, bool interactive);
  void SetDay(int day);
  void SetWeekDay(int item);
  void MonthClicked(int tag, bool on);
  std::uint16_t& Months();
  void ShowMonths();
  // Months a day does not fall in are left out only while the day line is chosen.
  void EnableMonthsFor(int day);

  QCheckBox* byDate_ = nullptr;
  QCheckBox* byWeekDay_ = nullptr;
  HeldSpinBox* day_ = nullptr;
  QComboBox* week_ = nullptr;
  QComboBox* weekDay_ = nullptr;
  std::array<QCheckBox*, 12> months_{};
  std::array<QLabel*, 12> monthLabels_{};
};

class OncePage : public ScheduleTypePage {
 public:
  OncePage(TriggerEdit& edit, QWidget* parent);
  void Apply(bool interactive) override;

 private:
  QDateEdit* date_ = nullptr;
};

class IdlePage : public ScheduleTypePage {
 public:
  IdlePage(TriggerEdit& edit, QWidget* parent);
  void Apply(bool interactive) override;

 private:
  HeldSpinBox* minutes_ = nullptr;
};

// The day bit of a week-day box: tags 1 to 6 are Monday to Saturday, 7 is Sunday.
constexpr std::uint16_t DayBitOfTag(int tag) {
  return tag == 7 ? TASK_SUNDAY : static_cast<std::uint16_t>(1u << tag);
}

}  // namespace ordrex::gui
