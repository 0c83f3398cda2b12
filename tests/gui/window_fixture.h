#pragma once
// The window on a target of its own, driven by its controls' names, with the dialogs answered
// by the test.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/gui/main_window.h"
#include "app/gui/scan_page.h"
#include "app/gui/user_timers.h"
#include "app/session/user_settings.h"
#include "platform/clock.h"
#include "platform/target.h"
#include "platform/wine/wine_prefix_target.h"
#include "support/recording_runner.h"
#include "system/process_runner.h"

namespace ordrex::gui {

inline const std::filesystem::path kSample =
    std::filesystem::path(ORDREX_SOURCE_DIR) / "examples" / "sample-prefix";

class AnsweringDialogs : public GuiDialogs {
 public:
  void ShowError(QWidget*, const QString& text) override { errors.push_back(text.toStdString()); }
  void Inform(QWidget*, const QString& text) override { informed.push_back(text.toStdString()); }
  // Each question is kept; the answers given in `answers` are used in turn, then yes.
  bool Confirm(QWidget*, const QString& text) override {
    questions.push_back(text.toStdString());
    if (answers.empty()) return true;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  bool ConfirmUnder(QWidget* parent, const QString& caption, const QString& text) override {
    captions.push_back(caption.toStdString());
    return Confirm(parent, text);
  }
  // The user's part in a dialog of the window: `fillDialog` sets its fields and presses its
  // buttons as a user would; without it the dialog is cancelled.
  bool RunModal(QDialog& dialog) override {
    ++modalDialogs;
    if (fillDialog) fillDialog(dialog);
    return dialog.result() == QDialog::Accepted;
  }
  std::optional<QString> PickFolder(QWidget*, const QString& caption,
                                    const QString& start) override {
    folderDialogs.push_back({caption.toStdString(), start.toStdString()});
    return pickedFolder;
  }
  bool OpenUrl(const QUrl& url) override {
    opened.push_back(url.toString().toStdString());
    return true;
  }
  std::vector<std::string> errors;
  std::vector<std::string> informed;
  std::vector<std::string> questions;
  std::vector<std::string> captions;  // of the questions asked under a caption of their own
  std::deque<bool> answers;
  std::function<void(QDialog&)> fillDialog;
  int modalDialogs = 0;
  std::vector<std::string> opened;
  std::optional<QString> pickedFolder;  // what the user picks in a folder dialog
  std::vector<std::pair<std::string, std::string>> folderDialogs;  // caption and start of each
};

using testsupport::RecordingRunner;

// A copy of the sample prefix in `folder`, for tests that write to it.
inline std::filesystem::path CopyOfSample(const QTemporaryDir& folder) {
  const std::filesystem::path copy = std::filesystem::path(folder.path().toStdString()) / "prefix";
  std::filesystem::copy(
      kSample, copy,
      std::filesystem::copy_options::recursive | std::filesystem::copy_options::copy_symlinks);
  return copy;
}

// A home folder of the test's own, holding the user's settings, ignore list and backups.
struct TestHome {
  TestHome()
      : folder(dir.path().toStdString()),
        environment{{"HOME", folder},
                    {"XDG_CONFIG_HOME", folder + "/config"},
                    {"XDG_DATA_HOME", folder + "/data"}} {}
  // The settings as the program opens them; what they tell the user lands in `messages`.
  std::unique_ptr<UserSettings> OpenSettings() {
    const auto tell = [this](const std::string& text) { messages.push_back(text); };
    return std::make_unique<UserSettings>(environment, SystemClock::Instance(), tell, tell);
  }
  QTemporaryDir dir;
  std::string folder;
  std::map<std::string, std::string> environment;
  std::vector<std::string> messages;
};

// A window over a target of its own, with the settings of a home of its own; the engine reads the
// Windows family when it is made, so the profile is set first. Scans do not pause between states
// here.
struct WindowOnTarget {
  explicit WindowOnTarget(int platformId = 2) : WindowOnTarget(std::make_unique<MemoryTarget>()) {
    static_cast<MemoryTarget&>(*target).MutableProfile().version.platformId = platformId;
    Build();
  }
  explicit WindowOnTarget(const std::filesystem::path& prefix)
      : WindowOnTarget(OpenWinePrefix(prefix, SystemClock::Instance())) {
    Build();
  }
  std::unique_ptr<Target> target;
  AnsweringDialogs dialogs;
  TestHome home;
  std::unique_ptr<UserSettings> settings;
  // The scheduled tasks are units in the home's config folder; systemctl is only recorded.
  RecordingRunner systemctl;
  ManualClock schedulerClock{SystemClock::Instance().Now()};
  std::unique_ptr<TOrdrex> enginePtr;
  std::unique_ptr<MainWindow> windowPtr;
  TOrdrex& engine() { return *enginePtr; }
  MainWindow& window() { return *windowPtr; }

  template <typename T>
  T* Find(const char* name) {
    T* child = window().findChild<T*>(name);
    if (child == nullptr) ADD_FAILURE() << "no control " << name;
    return child;
  }
  void Click(const char* name) { Find<QPushButton>(name)->click(); }
  // A click on the label as the user makes it, on a window laid out as it is shown.
  void ClickLabel(const char* name) {
    if (!window().isVisible()) window().show();
    QLabel* label = Find<QLabel>(name);
    const QPointF at = label->rect().center();
    QMouseEvent press(QEvent::MouseButtonPress, at, label->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, label->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(label, &press);
    QApplication::sendEvent(label, &release);
  }
  std::string Text(const char* label) { return Find<QLabel>(label)->text().toStdString(); }
  // A scheduler on the window's unit folder, as another copy of the program opens it.
  std::unique_ptr<TaskScheduler> OtherScheduler() { return Schedulers()(*target); }

 private:
  explicit WindowOnTarget(std::unique_ptr<Target> opened) : target(std::move(opened)) {}
  void Build() {
    settings = home.OpenSettings();
    enginePtr = std::make_unique<TOrdrex>(*target);
    settings->BindEngine(*enginePtr);
    windowPtr = std::make_unique<MainWindow>(*enginePtr, dialogs, settings.get());
    windowPtr->SetSchedulerFactory(Schedulers());
    windowPtr->Scanner().SetPauseMilliseconds(0);
  }
  SchedulerFactory Schedulers() {
    return UserTimersFactory(ORDREX_BINARY, home.environment, systemctl, schedulerClock);
  }
};

inline std::string FileText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// What a new scan of the prefix finds in Registry Integrity and in Windows Startup.
inline std::pair<int, int> ProblemsIn(const std::filesystem::path& prefix) {
  const std::unique_ptr<Target> target = OpenWinePrefix(prefix, SystemClock::Instance());
  TOrdrex engine(*target);
  engine.Stop(false);
  engine.Scan();
  return {engine.RegIntegrity.Count(), engine.Startup.Count()};
}

// A scan of a copy of the sample, its details shown with Windows Startup's rows listed.
struct ScannedCopy {
  ScannedCopy() : prefix(CopyOfSample(folder)), w(prefix) {
    w.Click("btStart");
    w.Click("BtnNext");
    tree = w.Find<QTreeWidget>("tvDetail");
    ShowCategory("Windows Startup Problems (2)");
  }
  void ShowCategory(const char* node) {
    const QList<QTreeWidgetItem*> found =
        tree->findItems(node, Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_EQ(found.size(), 1) << node;
    tree->setCurrentItem(found.front());
  }
  QPushButton* OnRepairPage(const char* name) {
    return w.window().PageWidget(Page::Repair)->findChild<QPushButton*>(name);
  }
  QTemporaryDir folder;
  std::filesystem::path prefix;
  WindowOnTarget w;
  QTreeWidget* tree = nullptr;
};

}  // namespace ordrex::gui
