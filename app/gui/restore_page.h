#pragma once
// The restore page: the backups repairs made, newest last, each applied again into the system
// it was taken from, or deleted with its file. The rows follow the backup list the settings
// keep: the window refreshes them whenever it shows the page.

#include <QWidget>

#include "app/gui/gui_dialogs.h"
#include "app/session/target_choice.h"
#include "app/session/user_settings.h"
#include "engine/ordrex.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace ordrex::gui {

class RestorePointPanel;

class RestorePage : public QWidget {
  Q_OBJECT

 public:
  // Without `settings` there is no backup list and the page offers nothing.
  RestorePage(TOrdrex& engine, GuiDialogs& dialogs, UserSettings* settings,
              QWidget* parent = nullptr);

  // Rebuilds the rows from the backup list.
  void Refresh();
  void RestoreSelected();
  void DeleteSelected();
  void DeleteAll();

 signals:
  // A backup was applied to the registry this window works on: what the last scan found may
  // no longer be there.
  void WindowTargetChanged();

 private:
  int SelectedIndex() const;
  // Saves the list; a failure is told and false.
  bool SaveList();

  TOrdrex& engine_;
  GuiDialogs& dialogs_;
  UserSettings* settings_ = nullptr;
  QTreeWidget* list_ = nullptr;
  QLabel* status_ = nullptr;
  QPushButton* restore_ = nullptr;
  QPushButton* delete_ = nullptr;
  QPushButton* clear_ = nullptr;
  // The restore point buttons, kept on a container that is never shown.
  RestorePointPanel* points_ = nullptr;
};

// The date and time columns of a stored date-time number, in the user's formats.
QString RestoreDateText(double dateTime);
QString RestoreTimeText(double dateTime);

}  // namespace ordrex::gui
