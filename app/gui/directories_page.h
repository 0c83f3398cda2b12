#pragma once
// The search directories page: the folders of the target a repair searches for missing files
// when they are chosen over the whole system drive or all drives. Folders are picked on this
// machine and kept as the target's programs see them ("C:\Program Files\").

#include <QWidget>

#include "app/gui/gui_dialogs.h"
#include "app/settings/settings_model.h"
#include "engine/ordrex.h"

class QCheckBox;
class QListWidget;

namespace ordrex::gui {

class DirectoriesPage : public QWidget {
  Q_OBJECT

 public:
  DirectoriesPage(SettingsModel& model, TOrdrex& engine, GuiDialogs& dialogs,
                  QWidget* parent = nullptr);

  // Shows the settings as they are now.
  void Load();

 signals:
  void BackRequested();

 private:
  void AddFolder();
  void DeleteSelected();
  void ClearFolders();
  void ShowFolders();

  SettingsModel& model_;
  TOrdrex& engine_;
  GuiDialogs& dialogs_;
  QCheckBox* specify_ = nullptr;
  QListWidget* folders_ = nullptr;
};

}  // namespace ordrex::gui
