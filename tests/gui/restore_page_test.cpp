// The restore page over the backups of real repairs: applying one gives the registry back,
// a backup whose file is gone is refused, and deleting asks first and removes the files.

#include <gtest/gtest.h>

#include <QLocale>
#include <QTreeWidget>

#include "app/gui/restore_page.h"
#include "backup/backup_list.h"
#include "gui/window_fixture.h"

namespace ordrex::gui {
namespace {

// A copy of the sample repaired twice from its details page, so the list holds two backups.
struct RepairedCopy : ScannedCopy {
  RepairedCopy() {
    for (int run = 0; run < 2; ++run) {
      if (run > 0) {
        // The one problem the first run left (unticked by the scan) is ticked for the second.
        w.Click("btnFinished");
        w.Click("btStart");
        w.Click("BtnNext");
        ShowCategory("Registry Integrity Problems (1)");
        w.Find<QTreeWidget>("lvDetail")->topLevelItem(0)->setCheckState(0, Qt::Checked);
      }
      w.Click("BtnFix");
      w.Click("BtnRepairNow");
    }
    w.Click("btnSelectRestore");
    rows = w.Find<QTreeWidget>("lvRestore");
  }
  std::string Backup(int index) { return w.settings->Model().RestoreList.Items(index).FileName; }
  void Select(int row) { rows->setCurrentItem(rows->topLevelItem(row)); }
  std::string SizeText(int row) { return rows->topLevelItem(row)->text(1).toStdString(); }
  QTreeWidget* rows = nullptr;
};

TEST(RestorePage, TheBackupsNewestFirstGiveTheRegistryBackAsItWas) {
  RepairedCopy copy;
  WindowOnTarget& w = copy.w;
  ASSERT_EQ(copy.rows->topLevelItemCount(), 2);
  EXPECT_EQ(copy.rows->topLevelItem(0)->text(0).toStdString(), copy.Backup(0));
  EXPECT_NE(copy.SizeText(0), kFileNotFoundText);
  EXPECT_EQ(copy.rows->topLevelItem(0)->text(2),
            QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
  EXPECT_EQ(ProblemsIn(copy.prefix), std::pair(0, 0));

  w.Click("btnStartRestore");  // nothing selected: nothing happens
  EXPECT_TRUE(w.dialogs.questions.empty());
  w.dialogs.answers = {false};
  copy.Select(1);
  w.Click("btnStartRestore");
  EXPECT_EQ(ProblemsIn(copy.prefix), std::pair(0, 0));  // declined
  w.Click("btnStartRestore");
  EXPECT_EQ(w.dialogs.questions.back(),
            "Restore " + copy.Backup(1) + " into " + copy.prefix.string() + "?");
  EXPECT_EQ(ProblemsIn(copy.prefix), std::pair(1, 0));
  copy.Select(0);
  w.Click("btnStartRestore");
  EXPECT_EQ(ProblemsIn(copy.prefix), std::pair(5, 2));
  EXPECT_NE(w.Text("lblRestoreStatus").find("values written"), std::string::npos);
  EXPECT_TRUE(w.dialogs.errors.empty()) << w.dialogs.errors.front();
  // The window's own registry got it too: its next scan finds the problems again.
  EXPECT_FALSE(w.Find<QPushButton>("BtnNext")->isEnabled());
  w.Click("BtnSelectScan");
  EXPECT_EQ(w.window().CurrentPage(), Page::Select);
  w.Click("btStart");
  EXPECT_EQ(w.engine().Startup.Count(), 2);
}

TEST(RestorePage, AGoneFileIsRefusedAndDeletingAsksFirst) {
  RepairedCopy copy;
  WindowOnTarget& w = copy.w;
  std::filesystem::remove(copy.Backup(1));
  copy.Select(1);
  for (int attempt = 0; attempt < 2; ++attempt) {
    w.Click("btnStartRestore");
    EXPECT_EQ(w.dialogs.errors.back(), kFileCannotBeFoundText);
    EXPECT_EQ(copy.SizeText(1), kFileNotFoundText);
  }
  EXPECT_TRUE(w.dialogs.questions.empty());
  EXPECT_EQ(w.home.OpenSettings()->Model().RestoreList.Items(1).Size, 0);

  const std::string first = copy.Backup(0);
  w.dialogs.answers = {false};
  copy.Select(0);
  w.Click("btnDeleteRestore");
  EXPECT_TRUE(std::filesystem::exists(first));
  w.Click("btnDeleteRestore");
  EXPECT_FALSE(std::filesystem::exists(first));
  ASSERT_EQ(copy.rows->topLevelItemCount(), 1);

  const std::string second = copy.Backup(0);
  std::ofstream(second) << "kept until deleted";
  w.Click("btnClearRestore");
  EXPECT_EQ(w.dialogs.questions.back(),
            "Delete the one backup? A deleted backup cannot be restored.");
  EXPECT_FALSE(std::filesystem::exists(second));
  EXPECT_EQ(copy.rows->topLevelItemCount(), 0);
  EXPECT_EQ(w.home.OpenSettings()->Model().RestoreList.Count(), 0);
}

TEST(RestorePage, RefusedWhileTheTargetCannotBeWritten) {
  WindowOnTarget w;
  const std::filesystem::path file = w.home.folder + "/backup.reg";
  std::ofstream(file) << "REGEDIT4\r\n";
  w.settings->Model().RestoreList.Append(
      {file.string(), MeasureFile(file), 45000, 45000, "", "", ""});
  static_cast<MemoryTarget&>(*w.target).SetWriteBlocker("Wine is running in this prefix.");
  w.Click("btnSelectRestore");
  QTreeWidget* rows = w.Find<QTreeWidget>("lvRestore");
  ASSERT_EQ(rows->topLevelItemCount(), 1);
  EXPECT_EQ(rows->topLevelItem(0)->text(2),
            QLocale().toString(QDate(2023, 3, 15), QLocale::ShortFormat));
  rows->setCurrentItem(rows->topLevelItem(0));
  w.Click("btnStartRestore");
  EXPECT_EQ(w.dialogs.errors, std::vector<std::string>{"Wine is running in this prefix."});
  EXPECT_EQ(RestoreDateText(1e300), "");  // a stored number no calendar holds
}

}  // namespace
}  // namespace ordrex::gui
