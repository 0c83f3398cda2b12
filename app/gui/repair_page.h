#pragma once
// The repair page: runs the repair of the problems left selected, one row per phase and
// category, with the backup saved and added to the restore list before the registry is
// written. The run happens on the window's thread, handling the window's input between steps,
// so Stop and the close box act while it goes on.

#include <QWidget>
#include <memory>
#include <optional>

#include "app/gui/gui_dialogs.h"
#include "app/session/user_settings.h"
#include "backup/repair_run.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace ordrex::gui {

class BusyIndicator;

class RepairPage : public QWidget {
  Q_OBJECT

 public:
  // Without `settings` backups are off and nothing joins a restore list.
  RepairPage(TOrdrex& engine, GuiDialogs& dialogs, UserSettings* settings,
             QWidget* parent = nullptr);
  ~RepairPage() override;

  RepairState State() const { return state_; }
  // True from the start of a run until it returned, whatever the state says meanwhile.
  bool Running() const { return run_ != nullptr; }
  const std::optional<RepairRunResult>& LastResult() const { return lastResult_; }

  // The way in from the details and results pages: an empty page ready to run.
  void Open();
  void RunRepair();
  // Asks the run to stop: the search ends at once, a repair phase that began still finishes.
  void Stop();
  // Ends the repair wizard from any state.
  void Finish();

 signals:
  void StateChanged(RepairState state);
  void ShowRequested();
  void BackRequested();
  void FinishRequested();
  // A run returned; the page's rows and the settings are up to date.
  void RunEnded();

 private:
  void SetRepairState(RepairState state);
  void ShowButtonsOfState();
  void AddRow(const std::string& location, const std::string& status);
  void SetLastRowStatus(const std::string& status);
  void ShowSearchedFile(const std::string& path);
  void ShowOutcome(const RepairRunResult& result, bool backupsOn);
  static void PumpMessages();

  TOrdrex& engine_;
  GuiDialogs& dialogs_;
  UserSettings* settings_ = nullptr;
  QTreeWidget* rows_ = nullptr;
  QLabel* status_ = nullptr;
  BusyIndicator* busy_ = nullptr;
  QPushButton* repairNow_ = nullptr;
  QPushButton* stop_ = nullptr;
  QPushButton* back_ = nullptr;
  QPushButton* finished_ = nullptr;
  QPushButton* noProblem_ = nullptr;
  RepairState state_ = RepairState::Done;
  RepairRun* run_ = nullptr;
  // A stop asked for while the run passes through its own start states is applied once it
  // is repairing, so it is never lost.
  bool stopRequested_ = false;
  std::optional<RepairRunResult> lastResult_;
};

}  // namespace ordrex::gui
