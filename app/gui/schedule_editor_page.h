#pragma once
// The trigger editor: when a scheduled run starts (the type, time, dates and repetition) and
// the page of the chosen type's own fields. Every control writes into the trigger being edited
// at once; OK hands the trigger on, Cancel drops it (the next edit reads it again).
//
// Showing a stored trigger keeps its values; a choice the user makes starts from that choice's
// defaults (a new repetition is every 10 minutes for an hour, a new weekly trigger runs on
// Mondays).

#include <QWidget>
#include <array>
#include <cstdint>
#include <vector>

#include "app/gui/gui_dialogs.h"
#include "app/gui/pages.h"
#include "app/gui/schedule_type_pages.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QSpinBox;
class QTimeEdit;

namespace ordrex::gui {

// What the startup and logon triggers mean where the scheduler is the user's service manager.
QString StartupTriggersNote();

class ScheduleEditorPage : public QWidget {
  Q_OBJECT

 public:
  explicit ScheduleEditorPage(GuiDialogs& dialogs, QWidget* parent = nullptr);

  // Shows `trigger` for editing; `idleMinutes` is the work item's idle wait.
  void Edit(const TASK_TRIGGER& trigger, std::uint16_t idleMinutes);
  // The page comes into view: its type's fields show the trigger again, keeping its values.
  void Reshow();

  const TASK_TRIGGER& Trigger() const { return edit_.trigger; }
  std::uint16_t IdleMinutes() const { return edit_.idleMinutes; }
  // The page of one trigger type's fields (Page::SchedDaily to Page::SchedIdle).
  QWidget* TypePage(Page page) const;

 signals:
  // OK was pressed on a trigger that may be stored.
  void Accepted();
  void Cancelled();

 private:
  void ApplyType(int item, bool interactive);
  void SetRepeat(bool on, bool interactive);
  void ShowRepeat();
  void StoreInterval();
  void StoreDuration();
  void SetEndDate(bool on);
  void ShowTimeAndDates();
  void Ok();

  GuiDialogs& dialogs_;
  TriggerEdit edit_;
  QComboBox* type_ = nullptr;
  QTimeEdit* time_ = nullptr;
  QDateEdit* date_ = nullptr;
  QCheckBox* hasEnd_ = nullptr;
  QDateEdit* endDate_ = nullptr;
  QCheckBox* repeat_ = nullptr;
  QSpinBox* every_ = nullptr;
  QComboBox* unit_ = nullptr;
  QSpinBox* untilHours_ = nullptr;
  QSpinBox* untilMinutes_ = nullptr;
  // The rows shown for calendar types only, and those also shown for a one-time trigger.
  std::vector<QWidget*> dateRows_;
  std::vector<QWidget*> timeRows_;
  // Daily, weekly, monthly, once, (none for startup and logon), idle.
  std::array<ScheduleTypePage*, 7> typePages_{};
};

}  // namespace ordrex::gui
