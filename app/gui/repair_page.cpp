#include "app/gui/repair_page.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/gui/named_widget.h"
#include "app/gui/path_elision.h"
#include "app/gui/pictures.h"

namespace ordrex::gui {

namespace {

QString Plural(int count, const char* one, const char* many) {
  return QString("%1 %2").arg(count).arg(count == 1 ? one : many);
}

}  // namespace

RepairPage::RepairPage(TOrdrex& engine, GuiDialogs& dialogs, UserSettings* settings,
                       QWidget* parent)
    : QWidget(parent), engine_(engine), dialogs_(dialogs), settings_(settings) {
  rows_ = new QTreeWidget(this);
  rows_->setObjectName("lvRepair");
  rows_->setRootIsDecorated(false);
  rows_->setHeaderLabels({tr("Location"), tr("Status")});
  rows_->setColumnWidth(0, 288);
  rows_->setColumnWidth(1, 100);
  status_ = new QLabel(this);
  status_->setObjectName("lblStat");
  status_->setMinimumWidth(1);
  status_->setWordWrap(false);
  busy_ = new BusyIndicator(this);
  busy_->setObjectName("AnimasiRepair");
  busy_->hide();

  repairNow_ = MakeNamed<QPushButton>("BtnRepairNow", tr("Repair Now"), this);
  stop_ = MakeNamed<QPushButton>("BtnStopRepairNow", tr("Stop"), this);
  back_ = MakeNamed<QPushButton>("BtnBack", tr("Back"), this);
  finished_ = MakeNamed<QPushButton>("btnFinished", tr("Finish"), this);
  noProblem_ = MakeNamed<QPushButton>("btnNoProblem", tr("Finish"), this);
  connect(repairNow_, &QPushButton::clicked, this, &RepairPage::RunRepair);
  connect(stop_, &QPushButton::clicked, this, &RepairPage::Stop);
  connect(back_, &QPushButton::clicked, this, &RepairPage::BackRequested);
  connect(finished_, &QPushButton::clicked, this, &RepairPage::Finish);
  connect(noProblem_, &QPushButton::clicked, this, &RepairPage::Finish);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(busy_);
  buttons->addStretch(1);
  for (QPushButton* each : {back_, repairNow_, stop_, noProblem_, finished_})
    buttons->addWidget(each);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(rows_, 1);
  layout->addWidget(status_);
  layout->addLayout(buttons);
  ShowButtonsOfState();
}

RepairPage::~RepairPage() {
  // The window waits for a run to return before it goes; this is only a last guard.
  if (run_ != nullptr) run_->Cancel();
}

void RepairPage::SetRepairState(RepairState state) {
  if (state == state_) return;
  state_ = state;
  busy_->setVisible(state == RepairState::Repairing);
  if (state == RepairState::Ready) {
    status_->clear();
    rows_->clear();
    // A fresh scan's problems are behind this page again, so Back has somewhere to go.
    back_->setEnabled(true);
  }
  ShowButtonsOfState();
  if (state == RepairState::Repairing) busy_->raise();
  emit StateChanged(state);
  PumpMessages();
}

void RepairPage::ShowButtonsOfState() {
  repairNow_->setVisible(state_ == RepairState::Ready);
  noProblem_->setVisible(state_ == RepairState::Ready);
  stop_->setVisible(state_ == RepairState::Repairing);
  finished_->setVisible(state_ == RepairState::Cancelled || state_ == RepairState::Done);
}

void RepairPage::Open() {
  if (run_ != nullptr) return;
  SetRepairState(RepairState::Cancelled);
  SetRepairState(RepairState::Ready);
  emit ShowRequested();
}

void RepairPage::RunRepair() {
  if (run_ != nullptr || state_ != RepairState::Ready) return;
  // Refused before anything runs, so the user can close Wine and try again from this page.
  if (const std::string blocker = engine_.GetTarget().WriteBlocker(); !blocker.empty()) {
    dialogs_.ShowError(this, QString::fromStdString(blocker));
    return;
  }
  if (SelectedProblemCount(engine_) == 0) {
    dialogs_.ShowError(this, tr("No problem is ticked for repair. Tick the problems to repair "
                                "on the details page."));
    return;
  }
  RepairOptions options;
  if (settings_ != nullptr) {
    options = settings_->RepairOptionsForRun();
  } else {
    options.makeBackup = false;
  }
  const bool backupsOn = options.makeBackup;
  RepairRunEvents events;
  events.AddRow = [this](const std::string& location, const std::string& status) {
    AddRow(location, status);
  };
  events.SetLastRowStatus = [this](const std::string& status) { SetLastRowStatus(status); };
  events.SearchProgress = [this](const std::string& path) { ShowSearchedFile(path); };
  events.StateChanged = [this](RepairState state) {
    SetRepairState(state);
    if (state == RepairState::Repairing && stopRequested_) run_->Cancel();
  };

  stopRequested_ = false;
  back_->setEnabled(false);
  rows_->clear();
  RepairRun run(engine_, std::move(options), std::move(events));
  run_ = &run;
  RepairRunResult result = run.Run();
  run_ = nullptr;
  stopRequested_ = false;
  // The backup joined the restore list during the run; the list is kept with the settings.
  if (result.backupFile && settings_ != nullptr) settings_->Save();
  ShowOutcome(result, backupsOn);
  lastResult_ = std::move(result);
  emit RunEnded();
}

void RepairPage::Stop() {
  if (run_ == nullptr) return;
  stopRequested_ = true;
  run_->Cancel();
}

void RepairPage::Finish() {
  if (run_ != nullptr) return;
  SetRepairState(RepairState::Cancelled);
  SetRepairState(RepairState::Done);
  emit FinishRequested();
}

void RepairPage::AddRow(const std::string& location, const std::string& status) {
  auto* row = new QTreeWidgetItem(
      rows_, {QString::fromStdString(location), QString::fromStdString(status)});
  row->setIcon(0, PictureIcon(Picture::InProgress));
  rows_->scrollToItem(row);
  PumpMessages();
}

void RepairPage::SetLastRowStatus(const std::string& status) {
  const int count = rows_->topLevelItemCount();
  if (count == 0) return;
  QTreeWidgetItem* row = rows_->topLevelItem(count - 1);
  row->setText(1, QString::fromStdString(status));
  if (status.rfind(kFinishedStatus, 0) == 0) row->setIcon(0, PictureIcon(Picture::Finished));
  if (status != kFinishedStatus) rows_->resizeColumnToContents(1);
  PumpMessages();
}

void RepairPage::ShowSearchedFile(const std::string& path) {
  const QFontMetrics metrics(status_->font());
  const int width = status_->width();
  status_->setText(QString::fromStdString(ElidePath(path, [&](const std::string& candidate) {
    return metrics.horizontalAdvance(QString::fromStdString(candidate)) <= width;
  })));
}

void RepairPage::ShowOutcome(const RepairRunResult& result, bool backupsOn) {
  QStringList lines;
  if (result.repaired) {
    lines << tr("Repaired %1.").arg(Plural(result.repairedCount, "problem", "problems"));
    if (result.failedCount > 0) {
      lines << tr("%1 could not be repaired and were left as found.")
                   .arg(Plural(result.failedCount, "problem", "problems"));
    }
    if (result.backupFile) {
      lines << tr("Backup saved: %1").arg(QString::fromStdString(result.backupFile->string()));
    } else if (!backupsOn) {
      lines << tr("No backup was saved.");
    }
    if (result.followUpCount > 0) {
      lines << tr("The repair left %1 (entries that named what it removed); scan and repair "
                  "again to clear them.")
                   .arg(Plural(result.followUpCount, "new problem", "new problems"));
    }
  }
  status_->setText(lines.join(' '));
  status_->setToolTip(lines.join('\n'));
  if (!result.error.empty()) dialogs_.ShowError(this, QString::fromStdString(result.error));
}

void RepairPage::PumpMessages() {
  QCoreApplication::processEvents();
}

}  // namespace ordrex::gui
