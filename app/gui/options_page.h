#pragma once
// The options page: where backups go and how many are kept, whether repairs make them, the
// whole-drive shortcut walks and where a repair searches for missing files, and the ways to the
// scheduled tasks, the search directories and the ignore list. Every change goes into the
// settings at once, so the next scan or repair uses it.

#include <QWidget>

#include "app/gui/gui_dialogs.h"
#include "app/settings/settings_model.h"
#include "engine/ordrex.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace ordrex::gui {

class OptionsPage : public QWidget {
  Q_OBJECT

 public:
  // `defaultBackupDir` is where backups go while no folder is set.
  OptionsPage(SettingsModel& model, TOrdrex& engine, GuiDialogs& dialogs,
              const QString& defaultBackupDir, QWidget* parent = nullptr);

  // Shows the settings as they are now.
  void Load();

 signals:
  // One of the pages reached from here (1 the scheduled tasks, 3 the search directories, 4 the
  // ignore list).
  void SubPageRequested(int subPage);

 private:
  QCheckBox* AddBox(const char* name, const char* labelName, const QString& text);
  void ShowBackupControlsEnabled();
  void BrowseBackupDir();

  SettingsModel& model_;
  TOrdrex& engine_;
  GuiDialogs& dialogs_;
  QLineEdit* backupDir_ = nullptr;
  QPushButton* browseBackupDir_ = nullptr;
  QSpinBox* numberBackup_ = nullptr;
  QCheckBox* noBackup_ = nullptr;
  QCheckBox* dosDrive_ = nullptr;
  QCheckBox* windowsDrive_ = nullptr;
  QCheckBox* allDrives_ = nullptr;
};

}  // namespace ordrex::gui
