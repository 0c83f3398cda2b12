// The options and search directories pages: the rules tying their controls together, folders of
// the target picked on this machine, and the settings saved and used by the next repair.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>

#include "app/gui/repair_page.h"
#include "gui/window_fixture.h"

namespace ordrex::gui {
namespace {

bool Checked(WindowOnTarget& w, const char* box) {
  return w.Find<QCheckBox>(box)->isChecked();
}

std::vector<std::string> FolderRows(WindowOnTarget& w) {
  std::vector<std::string> rows;
  QListWidget* list = w.Find<QListWidget>("lvDirMiss");
  for (int i = 0; i < list->count(); ++i)
    rows.push_back(list->item(i)->text().toStdString());
  return rows;
}

TEST(OptionsPage, LabelsToggleBoxesAndTheTwoSearchChoicesExcludeEachOther) {
  WindowOnTarget w;
  w.Click("BtnSelectOptions");
  EXPECT_EQ(w.window().CurrentPage(), Page::Options);
  w.Click("btOptDir");
  EXPECT_EQ(w.window().CurrentPage(), Page::Dir);
  w.ClickLabel("lbScanDir");
  EXPECT_TRUE(Checked(w, "cbScanDir"));
  w.Click("btDirBack");
  EXPECT_EQ(w.window().CurrentPage(), Page::Options);
  w.ClickLabel("lbScanDrives");
  EXPECT_TRUE(Checked(w, "cbScanDrives"));
  w.Click("btOptDir");
  EXPECT_FALSE(Checked(w, "cbScanDir"));
  w.ClickLabel("lbScanDir");
  EXPECT_TRUE(Checked(w, "cbScanDir"));
  EXPECT_TRUE(w.settings->Model().SpecifyFolder());
  EXPECT_FALSE(w.settings->Model().AllFolder());
  // The Options button returns to the page last seen until a back button leads home.
  w.Click("BtnSelectScan");
  w.Click("BtnSelectOptions");
  EXPECT_EQ(w.window().CurrentPage(), Page::Dir);
  w.Click("btDirBack");
  EXPECT_FALSE(Checked(w, "cbScanDrives"));
  w.Click("BtnSelectScan");
  w.Click("BtnSelectOptions");
  EXPECT_EQ(w.window().CurrentPage(), Page::Options);
  // The first opening makes the scheduled task and opens the editor on its trigger.
  w.Click("btScheduler");
  EXPECT_EQ(w.window().CurrentPage(), Page::EditSched);
  w.window().ShowPage(Page::Options);
  w.Click("btIgnore");
  EXPECT_EQ(w.window().CurrentPage(), Page::Ignore);
  w.Click("btIgnBack");
  w.Click("BtnSelectScan");
  w.Click("BtnSelectOptions");
  EXPECT_EQ(w.window().CurrentPage(), Page::Options);

  w.ClickLabel("lbScanAllDos");
  EXPECT_TRUE(w.engine().MSDOS.ScanWholeDrive);
  EXPECT_FALSE(w.engine().Windows.ScanWholeDrive);
  w.ClickLabel("lbScanAllWindows");
  w.Find<QCheckBox>("cbScanAllDos")->click();
  EXPECT_FALSE(w.engine().MSDOS.ScanWholeDrive);
  EXPECT_TRUE(w.engine().Windows.ScanWholeDrive);
  EXPECT_TRUE(w.settings->Model().WindowsDrive);
}

TEST(OptionsPage, NoBackupGreysTheBackupControlsAndTheCountStaysInRange) {
  WindowOnTarget w;
  w.Click("BtnSelectOptions");
  const char* backupControls[] = {"eBackupDir", "btnBackupDir", "eNumberBackup"};
  w.ClickLabel("lbBackup");
  EXPECT_TRUE(Checked(w, "cbBackup"));
  for (const char* name : backupControls)
    EXPECT_FALSE(w.Find<QWidget>(name)->isEnabled()) << name;
  EXPECT_FALSE(w.settings->RepairOptionsForRun().makeBackup);
  w.Find<QCheckBox>("cbBackup")->click();
  for (const char* name : backupControls)
    EXPECT_TRUE(w.Find<QWidget>(name)->isEnabled()) << name;

  QSpinBox* upDown = w.Find<QSpinBox>("UpDown1");
  w.Find<QLineEdit>("eNumberBackup")->setText("25");
  EXPECT_EQ(upDown->value(), 25);
  EXPECT_EQ(w.settings->RepairOptionsForRun().numberToKeep, 25);
  upDown->stepBy(5000);
  EXPECT_EQ(w.settings->Model().NumberBackup(), 999);
  upDown->stepBy(-5000);
  EXPECT_EQ(w.settings->Model().NumberBackup(), 1);

  // Backups are written here, so their folder is one of this machine.
  EXPECT_EQ(w.Find<QLineEdit>("eBackupDir")->placeholderText().toStdString(),
            w.settings->Paths().DefaultBackupDir().string());
  w.dialogs.pickedFolder = QString::fromStdString(w.home.folder);
  w.Click("btnBackupDir");
  EXPECT_EQ(w.Find<QLineEdit>("eBackupDir")->text().toStdString(), w.home.folder);
  EXPECT_EQ(w.settings->RepairOptionsForRun().backupDir, std::filesystem::path(w.home.folder));

  // Saved when the user leaves the options pages, not before.
  EXPECT_EQ(w.home.OpenSettings()->Model().NumberBackup(), kDefaultNumberBackup);
  w.Click("BtnSelectScan");
  EXPECT_EQ(w.home.OpenSettings()->Model().NumberBackup(), 1);
  EXPECT_EQ(w.home.OpenSettings()->Model().BackupDir, w.home.folder);
}

TEST(DirectoriesPage, AddsFoldersOfTheTargetOnceAndRemovesThem) {
  QTemporaryDir folder;
  const std::filesystem::path prefix = CopyOfSample(folder);
  WindowOnTarget w(prefix);
  w.Click("BtnSelectOptions");
  w.Click("btOptDir");
  const std::filesystem::path c = prefix / "drive_c";
  // A Linux folder that Windows cannot tell from "Program Files".
  std::filesystem::create_directory(c / "program files");
  for (const std::string picked :
       {"Program Files", "program files", "Program Files/", "windows", "windows/"}) {
    w.dialogs.pickedFolder = QString::fromStdString((c / picked).string());
    w.Click("btnAddMiss");
  }
  EXPECT_EQ(FolderRows(w), (std::vector<std::string>{"C:\\Program Files\\", "C:\\windows\\"}));
  ASSERT_FALSE(w.dialogs.folderDialogs.empty());
  EXPECT_EQ(w.dialogs.folderDialogs.front().first, "Select Directory to Add");
  EXPECT_EQ(w.dialogs.folderDialogs.front().second, c.string());

  w.dialogs.pickedFolder = QString::fromStdString(w.home.folder);
  w.Click("btnAddMiss");
  ASSERT_EQ(w.dialogs.errors.size(), 1u);
  EXPECT_NE(w.dialogs.errors.front().find(w.home.folder + " is not on a drive"), std::string::npos);
  w.dialogs.pickedFolder.reset();
  w.Click("btnAddMiss");
  EXPECT_EQ(FolderRows(w).size(), 2u);
  EXPECT_EQ(w.dialogs.errors.size(), 1u);

  w.ClickLabel("lbScanDir");
  w.Click("BtnSelectScan");
  const std::unique_ptr<UserSettings> saved = w.home.OpenSettings();
  EXPECT_TRUE(saved->Model().SpecifyFolder());
  EXPECT_EQ(saved->Model().SearchFolders(), w.settings->Model().SearchFolders());

  w.Click("BtnSelectOptions");
  w.Find<QListWidget>("lvDirMiss")->item(0)->setSelected(true);
  w.Click("btnDeleteMiss");
  EXPECT_EQ(FolderRows(w), std::vector<std::string>{"C:\\windows\\"});
  w.Click("btnClearMiss");
  EXPECT_TRUE(FolderRows(w).empty());
  EXPECT_TRUE(w.settings->RepairOptionsForRun().searchFolders.empty());
}

TEST(OptionsPage, TheNextRepairFollowsThePage) {
  QTemporaryDir folder;
  WindowOnTarget w(CopyOfSample(folder));
  w.Click("BtnSelectOptions");
  w.ClickLabel("lbBackup");
  w.Click("BtnSelectScan");
  w.Click("btStart");
  w.Click("BtnNext");
  w.Click("BtnFix");
  w.Click("BtnRepairNow");
  ASSERT_TRUE(w.window().Repairer().LastResult().has_value());
  EXPECT_TRUE(w.window().Repairer().LastResult()->registrySaved);
  EXPECT_FALSE(w.window().Repairer().LastResult()->backupFile.has_value());
  EXPECT_EQ(w.settings->Model().RestoreList.Count(), 0);
}

}  // namespace
}  // namespace ordrex::gui
