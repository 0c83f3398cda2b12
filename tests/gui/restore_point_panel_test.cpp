// The restore point buttons the window keeps out of sight, and the restart countdown: their
// states across a creation, a restart of the program and a clean; the countdown's texts and
// endings, driven without waiting real seconds.

#include <gtest/gtest.h>

#include <QInputDialog>
#include <QTimer>

#include "app/gui/delay_dialog.h"
#include "app/gui/restore_point_panel.h"
#include "gui/window_fixture.h"
#include "system/wine_restart.h"

namespace ordrex::gui {
namespace {

TEST(DelayDialog, CountsDownAndEndsAsTheUserChooses) {
  DelayDialog dialog;
  auto* label = dialog.findChild<QLabel*>("lbDelay");
  auto* timer = dialog.findChild<QTimer*>("Timer1");
  EXPECT_FALSE(timer->isActive());
  EXPECT_EQ(timer->interval(), 1000);
  dialog.StartCountdown(3);
  EXPECT_TRUE(timer->isActive());
  std::vector<std::string> shown{label->text().toStdString()};
  for (int i = 0; i < 3; ++i) {
    dialog.Tick();
    shown.push_back(label->text().toStdString());
  }
  EXPECT_EQ(shown,
            (std::vector<std::string>{
                "System will be restart in 3 second(s)", "System will be restart in 2 second(s)",
                "System will be restart in 1 second(s)", "System will be restart in 0 second(s)"}));
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_FALSE(timer->isActive());

  const struct {
    const char* press;  // nullptr: the window's close box
    QDialog::DialogCode ends;
  } endings[] = {{"btRestart", QDialog::Accepted},
                 {"btCancel", QDialog::Rejected},
                 {nullptr, QDialog::Rejected}};
  for (const auto& ending : endings) {
    dialog.StartCountdown(10);
    dialog.Tick();
    if (ending.press != nullptr) {
      dialog.findChild<QPushButton*>(ending.press)->click();
    } else {
      dialog.show();
      dialog.close();
    }
    EXPECT_EQ(dialog.result(), ending.ends) << (ending.press ? ending.press : "close box");
    EXPECT_FALSE(timer->isActive());
  }
}

struct PanelOnCopy {
  PanelOnCopy() : prefix(CopyOfSample(folder)), w(prefix) {
    panel = w.window().findChild<RestorePointPanel*>();
    panel->SetRestart(restart);
    w.Click("btnSelectRestore");
  }
  QTemporaryDir folder;
  std::filesystem::path prefix;
  WindowOnTarget w;
  RestorePointPanel* panel = nullptr;
  RecordingRunner wine;
  WinePrefixRestart restart{prefix, &wine};
};

bool Shown(QWidget& panel, const char* name) {
  return !panel.findChild<QPushButton*>(name)->isHidden();
}
bool Enabled(QWidget& panel, const char* name) {
  return panel.findChild<QPushButton*>(name)->isEnabled();
}

TEST(RestorePointPanel, ButtonStatesAcrossACreationARestartAndAClean) {
  PanelOnCopy copy;
  WindowOnTarget& w = copy.w;
  QWidget& first = *copy.panel;
  EXPECT_TRUE(Enabled(first, "btRestore"));
  EXPECT_FALSE(Enabled(first, "btCancelRst"));
  EXPECT_TRUE(Shown(first, "btRestore"));
  EXPECT_FALSE(Shown(first, "btCancelRst"));
  EXPECT_TRUE(first.isHidden());  // never offered

  first.findChild<QPushButton*>("btRestore")->click();  // no name given: nothing happens
  EXPECT_EQ(w.dialogs.modalDialogs, 1);
  EXPECT_TRUE(w.dialogs.informed.empty());
  w.dialogs.fillDialog = [](QDialog& dialog) {
    auto& ask = dynamic_cast<QInputDialog&>(dialog);
    EXPECT_EQ(ask.windowTitle(), "Create System Restore Point?");
    EXPECT_EQ(ask.labelText(), "Enter restore name:");
    ask.setTextValue("before cleaning");
    ask.accept();
  };
  first.findChild<QPushButton*>("btRestore")->click();
  EXPECT_EQ(w.dialogs.informed, std::vector<std::string>{"Restore point created."});
  EXPECT_EQ(w.Text("lbRestore"), "Restore point created.");
  // The clean button takes the create button's place, as enabled as it was at start.
  EXPECT_FALSE(Shown(first, "btRestore"));
  EXPECT_TRUE(Enabled(first, "btRestore"));
  EXPECT_TRUE(Shown(first, "btCancelRst"));
  EXPECT_FALSE(Enabled(first, "btCancelRst"));
  EXPECT_TRUE(w.Find<QPushButton>("btnStartRestore")->isEnabled());
  EXPECT_TRUE(w.Find<QPushButton>("BtnSelectScan")->isEnabled());

  // The buttons as the program starts them next time, with the same settings.
  RestorePointPanel again(w.engine().GetTarget(), w.dialogs, w.settings.get(), &w.window());
  again.SetRestart(copy.restart);
  again.PageShown();
  EXPECT_TRUE(Enabled(again, "btCancelRst"));
  EXPECT_TRUE(Shown(again, "btCancelRst"));
  EXPECT_FALSE(Shown(again, "btRestore"));
  w.window().show();
  w.dialogs.answers = {true};  // restart now
  again.findChild<QPushButton*>("btCancelRst")->click();
  EXPECT_EQ(w.dialogs.questions, std::vector<std::string>{kRestorePointDeletedText});
  EXPECT_EQ(copy.wine.commands,
            (std::vector<std::string>{"wineserver -k", "wineserver -w", "wineboot --restart"}));
  EXPECT_FALSE(w.window().isVisible());
  EXPECT_FALSE(Shown(again, "btCancelRst"));
  EXPECT_TRUE(Shown(again, "btRestore"));
  EXPECT_FALSE(Enabled(again, "btRestore"));
  EXPECT_TRUE(w.Find<QPushButton>("btnSelectHelp")->isEnabled());
  const auto data = UserPaths::FromEnvironment(w.home.environment).DataDir();
  EXPECT_TRUE(WinePrefixRestorePoints(copy.prefix, data, SystemClock::Instance()).List().empty());
}

TEST(RestorePointPanel, RestartWithAndWithoutTheCountdown) {
  PanelOnCopy copy;
  AnsweringDialogs& dialogs = copy.w.dialogs;
  copy.panel->Restart(0);
  EXPECT_EQ(dialogs.modalDialogs, 0);
  EXPECT_EQ(copy.wine.commands.size(), 3u);

  const char* pressed = "btCancel";
  dialogs.fillDialog = [&](QDialog& dialog) {
    EXPECT_EQ(dialog.objectName(), "TFormDelay");
    EXPECT_EQ(dialog.findChild<QLabel*>("lbDelay")->text(),
              "System will be restart in 5 second(s)");
    dialog.findChild<QPushButton*>(pressed)->click();
  };
  copy.panel->Restart(5);
  EXPECT_EQ(copy.wine.commands.size(), 3u);  // cancelled: nothing more, and nothing said
  EXPECT_TRUE(dialogs.informed.empty());
  pressed = "btRestart";
  copy.wine.exitCodes["wineboot"] = 1;
  copy.panel->Restart(5);
  EXPECT_EQ(copy.wine.commands.size(), 6u);
  EXPECT_EQ(dialogs.informed, std::vector<std::string>{kRestartFailedText});
}

}  // namespace
}  // namespace ordrex::gui
