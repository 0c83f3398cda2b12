#pragma once
// The scheduled tasks page: one line per trigger of the work item that runs Ordrex unattended,
// and the ways to add, edit and delete them. The scheduler is made for the window's target the
// first time the page is opened and kept while the window lives.

#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/gui/gui_dialogs.h"
#include "platform/target.h"
#include "schedule/task_scheduler.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace ordrex::gui {

// Makes the scheduler whose work item runs this program in auto mode on `target`.
using SchedulerFactory = std::function<std::unique_ptr<TaskScheduler>(const Target& target)>;

class ScheduleListPage : public QWidget {
  Q_OBJECT

 public:
  ScheduleListPage(const Target& target, GuiDialogs& dialogs, QWidget* parent = nullptr);
  ~ScheduleListPage() override;

  void SetSchedulerFactory(SchedulerFactory factory) { factory_ = std::move(factory); }

  // The way in from the options page: starts and connects the scheduler, finds the work item
  // (or creates it, and then opens the editor on its first trigger) and shows the list.
  void Open();
  // Writes the trigger the editor accepted into the trigger being edited and shows the list.
  void StoreEdited(const TASK_TRIGGER& trigger, std::uint16_t idleMinutes);

 signals:
  // 0 the options page, 1 this page, 2 the trigger editor.
  void SubPageRequested(int subPage);
  // The editor is to show this trigger; the work item's idle wait goes with it.
  void EditRequested(const ordrex::TASK_TRIGGER& trigger, std::uint16_t idleMinutes);

 private:
  void LoadTriggerList();
  void NewTrigger();
  void EditTrigger();
  void DeleteTrigger();
  void EditLastTrigger();
  // Runs a step that changes the scheduler's files. When it fails the user is told why and the
  // list shows the work item as it is; false then.
  bool Change(const std::function<void()>& step);
  // What the scheduler has to say after a save, told once until it says something else.
  void TellNotice();

  const Target& target_;
  GuiDialogs& dialogs_;
  SchedulerFactory factory_;
  std::unique_ptr<TaskScheduler> scheduler_;
  QLabel* title_ = nullptr;
  QListWidget* list_ = nullptr;
  QPushButton* newTrigger_ = nullptr;
  QPushButton* editTrigger_ = nullptr;
  QPushButton* deleteTrigger_ = nullptr;
  std::string toldNotice_;
};

}  // namespace ordrex::gui
