// The target list of the select page: the window moves to another prefix only when it opens,
// keeps the user's switches and remembers it, and stays on its target while a scan runs.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QListWidget>
#include <QPointer>
#include <QTemporaryDir>

#include "app/gui/window_session.h"
#include "app/session/process_environment.h"
#include "gui/window_fixture.h"
#include "platform/windows/windows_volume_target.h"
#include "support/hive_builder.h"
#include "support/temp_volume.h"

namespace ordrex::gui {
namespace {

namespace fs = std::filesystem;

// A session on a copy of the sample, with a second copy as the home folder's ~/.wine.
class TargetChoiceTest : public ::testing::Test {
 protected:
  TargetChoiceTest() {
    for (const fs::path& copy : {first, second}) {
      fs::create_directories(copy.parent_path());
      fs::copy(kSample, copy, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    }
    session =
        std::make_unique<WindowSession>(OpenWinePrefix(first, SystemClock::Instance()), dialogs,
                                        settings, LookupIn(environment), SystemClock::Instance());
  }
  QComboBox& Targets() { return *session->Window().findChild<QComboBox*>("cbTarget"); }
  void Choose(int row) {
    Targets().setCurrentIndex(row);
    emit Targets().activated(row);
  }
  std::string Location() { return session->Engine().GetTarget().Location(); }

  QTemporaryDir temp;
  const fs::path root = temp.path().toStdString();
  const fs::path first = root / "first";
  const fs::path second = root / "home/.wine";
  const std::map<std::string, std::string> environment{
      {"HOME", (root / "home").string()},
      {"XDG_CONFIG_HOME", (root / "config").string()},
      {"XDG_DATA_HOME", (root / "data").string()}};
  AnsweringDialogs dialogs;
  UserSettings settings{environment, SystemClock::Instance(),
                        [this](const std::string& text) { dialogs.errors.push_back(text); },
                        [this](const std::string& text) { dialogs.errors.push_back(text); }};
  std::unique_ptr<WindowSession> session;
};

TEST_F(TargetChoiceTest, AFolderThatIsNoPrefixIsRefusedAndARealOneReplacesTheWindow) {
  ASSERT_EQ(Targets().count(), 4);
  EXPECT_EQ(Targets().itemText(0).toStdString(), first.string());
  EXPECT_EQ(Targets().itemText(1).toStdString(), "~/.wine (Wine)");
  EXPECT_EQ(Targets().itemText(2).toStdString(), "Browse...");
  EXPECT_EQ(Targets().itemText(3).toStdString(), "Windows volume...");
  EXPECT_EQ(Targets().currentIndex(), 0);
  MainWindow* const before = &session->Window();

  Choose(2);  // cancelled
  dialogs.pickedFolder = QString::fromStdString((root / "data").string());
  fs::create_directories(root / "data");
  Choose(2);
  EXPECT_EQ(dialogs.errors,
            std::vector<std::string>{(root / "data").string() +
                                     " is not a Wine prefix: it has no system.reg."});
  EXPECT_EQ(&session->Window(), before);
  EXPECT_EQ(Location(), first.string());
  EXPECT_EQ(Targets().currentIndex(), 0);

  session->Window().findChild<QListWidget*>("lvSelect")->item(1)->setCheckState(Qt::Unchecked);
  session->Window().show();
  const QPointer<MainWindow> old = before;
  Choose(1);
  EXPECT_EQ(dialogs.errors.size(), 1u);
  EXPECT_EQ(Location(), second.string());
  EXPECT_TRUE(session->Window().isVisible());
  EXPECT_FALSE(old->isVisible());
  ASSERT_EQ(Targets().count(), 3);  // the found prefixes, one of them current
  EXPECT_EQ(Targets().currentText().toStdString(), "~/.wine (Wine)");
  EXPECT_FALSE(session->Engine().ActiveX.Enabled);  // the user's switches came along
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(old.isNull());

  UserSettings reloaded(environment, SystemClock::Instance(), nullptr, nullptr);
  EXPECT_EQ(reloaded.Model().LastTarget, second.string());
}

TEST_F(TargetChoiceTest, AWindowsVolumeOpensFromTheListAndAgainAtTheNextStart) {
  if (!testsupport::HivexregeditAvailable()) GTEST_SKIP() << testsupport::kHivexregeditMissing;
  testsupport::TempVolume volume;
  dialogs.pickedFolder = QString::fromStdString(first.string());
  Choose(Targets().count() - 1);  // "Windows volume...": a prefix is no volume
  ASSERT_EQ(dialogs.errors.size(), 1u);
  EXPECT_NE(dialogs.errors[0].find("Windows"), std::string::npos) << dialogs.errors[0];
  EXPECT_EQ(Location(), first.string());

  // "Browse..." is for prefixes, but a volume is told apart by what it holds.
  dialogs.pickedFolder = QString::fromStdString(volume.Path().string());
  Choose(2);
  EXPECT_EQ(session->Engine().GetTarget().Kind(), kWindowsVolumeKind);
  EXPECT_EQ(Location(), volume.Path().string());

  UserSettings reloaded(environment, SystemClock::Instance(), nullptr, nullptr);
  const OpenedTarget start = OpenStartTarget({}, reloaded.Model().LastTarget, LookupIn(environment),
                                             SystemClock::Instance());
  ASSERT_TRUE(start.target) << start.error;
  EXPECT_EQ(start.target->Kind(), kWindowsVolumeKind);
  EXPECT_EQ(start.target->Location(), volume.Path().string());
}

TEST_F(TargetChoiceTest, TheTargetStaysWhileAScanRuns) {
  session->Window().Scanner().SetPauseMilliseconds(0);
  std::vector<bool> enabledWhileScanning;
  MainWindow* const window = &session->Window();
  QObject::connect(&window->Scanner(), &ScanPage::ScanningChanged, [&](bool scanning) {
    enabledWhileScanning.push_back(Targets().isEnabled());
    if (scanning) {
      EXPECT_FALSE(session->SwitchTo(QString::fromStdString(second.string())));
    }
  });
  window->findChild<QPushButton*>("btStart")->click();
  EXPECT_EQ(enabledWhileScanning, (std::vector<bool>{false, true}));
  EXPECT_EQ(&session->Window(), window);
  EXPECT_EQ(Location(), first.string());
}

}  // namespace
}  // namespace ordrex::gui
