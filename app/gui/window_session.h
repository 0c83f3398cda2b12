#pragma once
// The window and what it works on: the opened target, the engine over it and the main window
// whose pages hold that engine. Choosing another target replaces all three together, and only
// once the new target has opened, so the user never sees a window without a target.

#include <QObject>
#include <QString>
#include <memory>

#include "app/gui/gui_dialogs.h"
#include "app/gui/schedule_list_page.h"
#include "app/session/target_choice.h"
#include "app/session/user_settings.h"
#include "engine/ordrex.h"
#include "platform/clock.h"
#include "platform/target.h"

namespace ordrex::gui {

class MainWindow;

class WindowSession : public QObject {
  Q_OBJECT

 public:
  // Builds the window on `target`, which becomes the last target of `settings` (saved when the
  // window closes). Every object given must outlive the session. Each window's scheduled tasks
  // page makes its scheduler through `schedulers`.
  WindowSession(std::unique_ptr<Target> target, GuiDialogs& dialogs, UserSettings& settings,
                EnvironmentLookup env, Clock& clock, SchedulerFactory schedulers = {});
  ~WindowSession() override;
  WindowSession(const WindowSession&) = delete;
  WindowSession& operator=(const WindowSession&) = delete;

  MainWindow& Window() const { return *current_->window; }
  TOrdrex& Engine() const { return *current_->engine; }

  // Opens `folder` (as an offline Windows volume when `windowsVolume`, else as the folder's
  // contents say) and moves the user to a new window on it, where the old one stood; the old
  // window goes once its events are handled. A folder that does not open is told through the
  // dialogs and changes nothing, and so does any request while a scan runs.
  bool SwitchTo(const QString& folder, bool windowsVolume = false);

 private:
  struct Bound {
    Bound() = default;
    Bound(const Bound&) = delete;
    Bound& operator=(const Bound&) = delete;
    ~Bound();
    std::unique_ptr<Target> target;
    std::unique_ptr<TOrdrex> engine;  // over target
    MainWindow* window = nullptr;     // owned; over engine, so it goes first
  };
  std::unique_ptr<Bound> Bind(std::unique_ptr<Target> target);

  GuiDialogs& dialogs_;
  UserSettings& settings_;
  EnvironmentLookup env_;
  Clock& clock_;
  SchedulerFactory schedulers_;
  std::unique_ptr<Bound> current_;
};

}  // namespace ordrex::gui
