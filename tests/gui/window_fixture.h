#pragma once
// The window on a target of its own, driven by its controls' names, with the dialogs answered
// by the test.

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/gui/main_window.h"
#include "app/gui/scan_page.h"
#include "platform/clock.h"
#include "platform/target.h"
#include "platform/wine/wine_prefix_target.h"

namespace ordrex::gui {

inline const std::filesystem::path kSample =
    std::filesystem::path(ORDREX_SOURCE_DIR) / "examples" / "sample-prefix";

class AnsweringDialogs : public GuiDialogs {
 public:
  void ShowError(QWidget*, const QString& text) override { errors.push_back(text.toStdString()); }
  bool Confirm(QWidget*, const QString&) override { return true; }
  std::optional<QString> PickFolder(QWidget*, const QString&, const QString&) override {
    return pickedFolder;
  }
  std::vector<std::string> errors;
  std::optional<QString> pickedFolder;  // what the user picks in a folder dialog
};

// A window over a target of its own; the engine reads the Windows family when it is made, so
// the profile is set first. Scans do not pause between states here.
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
  std::string Text(const char* label) { return Find<QLabel>(label)->text().toStdString(); }

 private:
  explicit WindowOnTarget(std::unique_ptr<Target> opened) : target(std::move(opened)) {}
  void Build() {
    enginePtr = std::make_unique<TOrdrex>(*target);
    windowPtr = std::make_unique<MainWindow>(*enginePtr, dialogs);
    windowPtr->Scanner().SetPauseMilliseconds(0);
  }
};

}  // namespace ordrex::gui
