#pragma once
// The two restore point buttons of the restore page, "Create System Restore Point" and
// "Cancel Restore Point", with the status line they write to. The window keeps them on a
// container it never shows, but keeps their states as if it did: creation is enabled when
// restore points can be made of the window's target, cleaning when one was created since the
// last clean, and at most one of the two is visible.

#include <QWidget>
#include <memory>

#include "app/gui/gui_dialogs.h"
#include "app/session/restore_point_flows.h"
#include "app/session/user_settings.h"
#include "platform/target.h"
#include "system/restart.h"
#include "system/wine_restore_points.h"

class QLabel;
class QPushButton;

namespace ordrex::gui {

class DelayDialog;

class RestorePointPanel : public QWidget {
  Q_OBJECT

 public:
  // Without `settings`, or for a target that is no Wine prefix, nothing can be created.
  RestorePointPanel(Target& target, GuiDialogs& dialogs, UserSettings* settings,
                    QWidget* parent = nullptr);
  ~RestorePointPanel() override;

  // The restore page is shown: the clean button shows when both buttons are enabled, in place
  // of the create button.
  void PageShown();
  // Asks for a name, then creates a restore point under it.
  void CreateClicked();
  // Removes this program's restore points and offers to restart.
  void CleanClicked();
  // Restarts the target, after a countdown of `seconds` the user may cut short or cancel.
  void Restart(int seconds);

  // How the restart is asked for (not owned); by default the target's own.
  void SetRestart(SystemRestart& restart) { restart_ = &restart; }
  DelayDialog& Delay() { return *delay_; }

 private:
  // The buttons that could start another operation meanwhile.
  void SetOthersEnabled(bool enabled);
  RestorePointEvents Events();

  GuiDialogs& dialogs_;
  std::unique_ptr<WinePrefixRestorePoints> points_;
  std::unique_ptr<RestorePointFlows> flows_;
  std::unique_ptr<SystemRestart> ownRestart_;
  SystemRestart* restart_ = nullptr;
  DelayDialog* delay_ = nullptr;
  QPushButton* create_ = nullptr;
  QPushButton* clean_ = nullptr;
  QLabel* status_ = nullptr;
};

}  // namespace ordrex::gui
