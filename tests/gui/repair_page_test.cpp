// The repair page on a copy of the sample prefix: what it repairs, what it saves first, how it
// stops, and a window closed while a scan or a repair runs.

#include <gtest/gtest.h>

#include <QTimer>
#include <QTreeWidget>

#include "app/gui/repair_page.h"
#include "gui/window_fixture.h"

namespace ordrex::gui {
namespace {

std::vector<std::string> RepairRows(WindowOnTarget& w) {
  std::vector<std::string> rows;
  QTreeWidget* list = w.Find<QTreeWidget>("lvRepair");
  for (int i = 0; i < list->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* row = list->topLevelItem(i);
    rows.push_back((row->text(0) + ": " + row->text(1)).toStdString());
  }
  return rows;
}

TEST(RepairPage, RepairsTheTickedProblemsAfterSavingTheBackup) {
  ScannedCopy scan;
  WindowOnTarget& w = scan.w;
  QTreeWidget* list = w.Find<QTreeWidget>("lvDetail");
  list->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
  scan.ShowCategory("Registry Integrity Problems (5)");
  scan.ShowCategory("Windows Startup Problems (2)");
  EXPECT_EQ(list->topLevelItem(0)->checkState(0), Qt::Unchecked);

  w.Click("BtnFix");
  EXPECT_EQ(w.window().CurrentPage(), Page::Repair);
  EXPECT_EQ(w.window().Repairer().State(), RepairState::Ready);
  EXPECT_FALSE(scan.OnRepairPage("BtnRepairNow")->isHidden());
  EXPECT_FALSE(scan.OnRepairPage("btnNoProblem")->isHidden());
  EXPECT_TRUE(scan.OnRepairPage("btnFinished")->isHidden());
  const std::string before = FileText(scan.prefix / "system.reg");

  w.Click("BtnRepairNow");
  EXPECT_EQ(w.window().Repairer().State(), RepairState::Done);
  const std::vector<std::string> rows = RepairRows(w);
  ASSERT_GE(rows.size(), 3u);
  EXPECT_EQ(rows.front(), "Finding Solution: Finished");
  EXPECT_EQ(rows[1], "Registry Integrity Problem: Finished");
  for (const std::string& row : rows)
    EXPECT_NE(row.find(": Finished"), std::string::npos) << row;
  EXPECT_FALSE(scan.OnRepairPage("btnFinished")->isHidden());
  EXPECT_TRUE(scan.OnRepairPage("BtnStopRepairNow")->isHidden());
  EXPECT_FALSE(scan.OnRepairPage("BtnBack")->isEnabled());
  EXPECT_TRUE(w.Find<QPushButton>("BtnSelectOptions")->isEnabled());

  const RepairRunResult& result = *w.window().Repairer().LastResult();
  ASSERT_TRUE(result.backupFile.has_value());
  EXPECT_EQ(FileText(*result.backupFile).substr(0, 2), "\xFF\xFE");  // a UTF-16 .reg file
  EXPECT_NE(w.Text("lblStat").find("Backup saved: " + result.backupFile->string()),
            std::string::npos);
  EXPECT_NE(FileText(scan.prefix / "system.reg"), before);
  // Left: the one unticked here and the one the scan left unticked (a system file).
  EXPECT_EQ(ProblemsIn(scan.prefix), std::pair(1, 1));
  // The backup is in the saved restore list, as the next start reads it.
  EXPECT_EQ(w.home.OpenSettings()->Model().RestoreList.Count(), 1);
  EXPECT_TRUE(w.dialogs.errors.empty()) << w.dialogs.errors.front();

  w.Click("btnFinished");
  EXPECT_EQ(w.window().CurrentPage(), Page::Select);
  EXPECT_FALSE(w.Find<QPushButton>("BtnNext")->isEnabled());
}

TEST(RepairPage, WithoutBackupsNothingIsSavedButTheRegistry) {
  ScannedCopy scan;
  scan.w.settings->Model().MakeBackup = false;
  scan.w.Click("BtnFix");
  scan.w.Click("BtnRepairNow");
  EXPECT_FALSE(scan.w.window().Repairer().LastResult()->backupFile.has_value());
  EXPECT_EQ(scan.w.settings->Model().RestoreList.Count(), 0);
  EXPECT_FALSE(std::filesystem::exists(
      scan.w.settings->Model().EffectiveBackupDir(scan.w.settings->Paths())));
  EXPECT_EQ(ProblemsIn(scan.prefix), std::pair(1, 0));
  EXPECT_NE(scan.w.Text("lblStat").find("No backup was saved."), std::string::npos);
}

TEST(RepairPage, AStopDuringTheSearchChangesNothing) {
  // Pressed as the run starts, and as the search begins.
  for (const bool atOnce : {true, false}) {
    ScannedCopy scan;
    WindowOnTarget& w = scan.w;
    w.Click("BtnFix");
    const std::string before = FileText(scan.prefix / "system.reg");
    bool toolbarOff = false;
    if (atOnce) {
      QTimer::singleShot(0, [&] { w.Click("BtnStopRepairNow"); });
    } else {
      QObject::connect(w.Find<QTreeWidget>("lvRepair")->model(), &QAbstractItemModel::rowsInserted,
                       [&] {
                         toolbarOff = !w.Find<QPushButton>("BtnSelectScan")->isEnabled();
                         w.Click("BtnStopRepairNow");
                       });
    }
    w.Click("BtnRepairNow");
    EXPECT_EQ(toolbarOff, !atOnce);
    EXPECT_EQ(RepairRows(w), std::vector<std::string>{"Finding Solution: Cancelled"}) << atOnce;
    EXPECT_EQ(FileText(scan.prefix / "system.reg"), before);
    EXPECT_EQ(w.settings->Model().RestoreList.Count(), 0);
    EXPECT_EQ(w.window().Repairer().State(), RepairState::Done);
  }
}

TEST(RepairPage, RefusedWhileTheTargetCannotBeWritten) {
  WindowOnTarget w;
  static_cast<MemoryTarget&>(*w.target).SetWriteBlocker("Wine is running in this prefix.");
  w.window().Repairer().Open();
  w.Click("BtnRepairNow");
  EXPECT_EQ(w.dialogs.errors, std::vector<std::string>{"Wine is running in this prefix."});
  static_cast<MemoryTarget&>(*w.target).SetWriteBlocker("");
  w.Click("BtnRepairNow");  // nothing to repair: no run and no empty backup
  EXPECT_EQ(w.dialogs.errors.back(),
            "No problem is ticked for repair. Tick the problems to repair on the details page.");
  EXPECT_EQ(w.window().Repairer().State(), RepairState::Ready);
  EXPECT_FALSE(w.window().Repairer().LastResult().has_value());
}

TEST(MainWindowClose, WaitsForTheRunAndKeepsWhatARepairWrote) {
  {
    WindowOnTarget w(kSample);
    w.window().show();
    QTimer::singleShot(0, [&] { w.window().close(); });
    w.Click("btStart");
    EXPECT_EQ(w.engine().EndedEarly, kEndedByUser);
    EXPECT_FALSE(w.window().isVisible());
  }
  ScannedCopy scan;
  WindowOnTarget& w = scan.w;
  w.window().show();
  w.Click("BtnFix");
  // Closed as the first category's repair begins: the phase finishes and everything is saved.
  QTreeWidget* rows = w.Find<QTreeWidget>("lvRepair");
  QObject::connect(rows->model(), &QAbstractItemModel::rowsInserted, [&] {
    if (rows->topLevelItemCount() != 2) return;
    w.window().close();
    EXPECT_TRUE(w.window().isVisible());  // until the run has returned
  });
  w.Click("BtnRepairNow");
  EXPECT_FALSE(w.window().isVisible());
  EXPECT_EQ(RepairRows(w).back().substr(RepairRows(w).back().find(": ")), ": Cancelled");
  ASSERT_TRUE(w.window().Repairer().LastResult()->backupFile.has_value());
  EXPECT_TRUE(std::filesystem::exists(*w.window().Repairer().LastResult()->backupFile));
  EXPECT_EQ(w.home.OpenSettings()->Model().RestoreList.Count(), 1);
  EXPECT_EQ(ProblemsIn(scan.prefix).first, 1);
}

}  // namespace
}  // namespace ordrex::gui
