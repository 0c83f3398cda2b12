#pragma once
// The scan page: the engine runs on the window's thread and lets the window handle its input
// between steps, so the page repaints and Stop is seen while the scan goes on; each category's
// row follows its state and count, with a pause after each state change so the user can
// follow them.

#include <QWidget>
#include <map>

#include "engine/ordrex.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace ordrex::gui {

class BusyIndicator;

class ScanPage : public QWidget, private EngineObserver {
  Q_OBJECT

 public:
  explicit ScanPage(TOrdrex& engine, QWidget* parent = nullptr);
  ~ScanPage() override;

  // Runs a whole scan of the enabled categories; returns when it ended or was stopped.
  void RunScan();
  bool Idle() const { return idle_; }
  // True while RunScan is on the stack, also after a stop until the engine has seen it.
  bool Running() const { return running_; }
  void DisableNext();
  // Raises the engine's stop flag; the scan ends at its next check.
  void Stop();
  int TotalProblems() const { return totalProblems_; }
  // How long the rows stand still after each state change (tests make it 0).
  void SetPauseMilliseconds(int ms) { pauseMs_ = ms; }

 signals:
  void ScanningChanged(bool scanning);
  // The scan ended (ran through or stopped) and its problems are in the categories.
  void ScanFinished();
  void NextRequested();

 private:
  void SetIdle(bool idle);
  void ShowLocation(const std::string& text);
  void ShowRow(TCustomOrdrex& category);

  void CategoryStatusChanged(TCustomOrdrex& category) override { ShowRow(category); }
  void CategoryCountChanged(TCustomOrdrex& category) override { ShowRow(category); }
  void PumpMessages() override;
  void PauseAfterStateChange(TCustomOrdrex& category) override;

  TOrdrex& engine_;
  QTreeWidget* progress_ = nullptr;
  QLabel* scanning_ = nullptr;
  QLabel* location_ = nullptr;
  QLabel* problems_ = nullptr;
  QProgressBar* bar_ = nullptr;
  QPushButton* stop_ = nullptr;
  BusyIndicator* busy_ = nullptr;
  QPushButton* next_ = nullptr;
  std::map<TCustomOrdrex*, QTreeWidgetItem*> rows_;
  bool idle_ = true;
  bool running_ = false;
  int totalProblems_ = 0;
  int pauseMs_ = 500;
};

}  // namespace ordrex::gui
