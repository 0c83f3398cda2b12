// Pictures of the wizard's pages, the help page and the options pages on the sample prefix, for the
// README. They are written only when ORDREX_SCREENSHOTS names a folder:
//   ORDREX_SCREENSHOTS=docs/screenshots QT_QPA_PLATFORM=offscreen build/tests/ordrex_gui_tests
//   --gtest_filter='Screenshots.*'

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTimeEdit>
#include <QTreeWidget>
#include <cstdlib>

#include "gui/window_fixture.h"

namespace ordrex::gui {
namespace {

TEST(Screenshots, OfTheWizardsPages) {
  const char* folder = std::getenv("ORDREX_SCREENSHOTS");
  if (folder == nullptr || *folder == '\0') GTEST_SKIP() << "ORDREX_SCREENSHOTS is not set";
  std::filesystem::create_directories(folder);
  QTemporaryDir copy;  // the repair writes to it
  WindowOnTarget w(CopyOfSample(copy));
  w.window().resize(900, 600);
  w.window().show();
  const auto save = [&](const char* name) {
    QApplication::processEvents();  // lay out what the last step changed
    const QString file = QString::fromStdString((std::filesystem::path(folder) / name).string());
    EXPECT_TRUE(w.window().grab().save(file)) << name;
  };
  save("select.png");
  w.Click("btStart");
  save("scan.png");
  w.window().ShowPage(Page::Result);
  save("results.png");
  w.Click("BtnSelectScan");
  w.window().ShowPage(Page::Scan);
  w.Click("BtnNext");
  QTreeWidget* tree = w.Find<QTreeWidget>("tvDetail");
  tree->setCurrentItem(
      tree->findItems("Registry Integrity Problems (5)", Qt::MatchExactly | Qt::MatchRecursive)
          .front());
  save("details.png");
  w.Click("BtnFix");
  w.Click("BtnRepairNow");
  save("repair.png");
  w.Click("btnSelectRestore");
  w.Find<QTreeWidget>("lvRestore")
      ->setCurrentItem(w.Find<QTreeWidget>("lvRestore")->topLevelItem(0));
  save("restore.png");
  w.Click("btnSelectHelp");
  save("help.png");
  w.Click("BtnSelectOptions");
  save("options.png");
  w.Click("btOptDir");
  for (const char* folder : {"Program Files", "windows"}) {
    w.dialogs.pickedFolder = QString::fromStdString(
        (std::filesystem::path(w.target->Location()) / "drive_c" / folder).string());
    w.Click("btnAddMiss");
  }
  save("directories.png");
  w.window().ShowOptionsSubPage(4);
  for (const auto& [text, box] :
       {std::pair{R"(\Software\OldTool)", "cbKey"}, std::pair{"OldToolTray.exe", "cbData"}}) {
    w.dialogs.fillDialog = [&](QDialog& dialog) {
      dialog.findChild<QLineEdit*>("eIgnore")->setText(text);
      dialog.findChild<QCheckBox*>(box)->setChecked(true);
      dialog.findChild<QPushButton*>("btnOK")->click();
    };
    w.Click("btIgnAdd");
  }
  save("ignore.png");
  // The first opening of the scheduled tasks makes the task and edits its trigger.
  w.window().ShowOptionsSubPage(0);
  w.Click("btScheduler");
  QComboBox* type = w.Find<QComboBox>("cbSchedTask");
  type->setCurrentIndex(type->findText("Weekly"));
  w.Find<QTimeEdit>("dtSchedTime")->setTime(QTime(10, 0));
  w.Find<QCheckBox>("cbWeekly5")->click();
  save("schedule-editor.png");
  w.Click("btSchedOK");
  w.Click("btNewTrigger");
  type->setCurrentIndex(type->findText("At Logon"));
  w.Click("btSchedOK");
  save("schedule.png");
}

}  // namespace
}  // namespace ordrex::gui
