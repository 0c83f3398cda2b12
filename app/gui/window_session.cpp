#include "app/gui/window_session.h"

#include "app/gui/main_window.h"
#include "app/gui/scan_page.h"
#include "app/gui/select_page.h"
#include "app/session/prefix_discovery.h"

namespace ordrex::gui {

namespace {

// Holds a replaced window with the engine and target its pages refer to until the deferred
// deletion of this holder, which comes only once the event being handled has returned.
template <typename Owned>
class Retired : public QObject {
 public:
  Retired(std::unique_ptr<Owned> owned, QObject* parent)
      : QObject(parent), owned_(std::move(owned)) {}

 private:
  std::unique_ptr<Owned> owned_;
};

}  // namespace

WindowSession::Bound::~Bound() {
  delete window;
}

WindowSession::WindowSession(std::unique_ptr<Target> target, GuiDialogs& dialogs,
                             UserSettings& settings, EnvironmentLookup env, Clock& clock,
                             SchedulerFactory schedulers)
    : dialogs_(dialogs),
      settings_(settings),
      env_(std::move(env)),
      clock_(clock),
      schedulers_(std::move(schedulers)) {
  current_ = Bind(std::move(target));
}

// Replaced windows not deleted yet go with this object's children.
WindowSession::~WindowSession() = default;

std::unique_ptr<WindowSession::Bound> WindowSession::Bind(std::unique_ptr<Target> target) {
  auto bound = std::make_unique<Bound>();
  bound->target = std::move(target);
  settings_.Model().LastTarget = bound->target->Location();
  bound->engine = std::make_unique<TOrdrex>(*bound->target);
  settings_.BindEngine(*bound->engine);
  bound->window = new MainWindow(*bound->engine, dialogs_, &settings_);
  bound->window->SetSchedulerFactory(schedulers_);

  auto* select = qobject_cast<SelectPage*>(bound->window->PageWidget(Page::Select));
  select->SetTargetChoices(ChoicesAround(bound->target->Location(), DiscoverPrefixes(env_), env_));
  connect(&bound->window->Scanner(), &ScanPage::ScanningChanged, select,
          [select](bool scanning) { select->SetTargetChangeAllowed(!scanning); });
  connect(bound->window, &MainWindow::TargetChangeRequested, this, &WindowSession::SwitchTo);
  return bound;
}

bool WindowSession::SwitchTo(const QString& folder, bool windowsVolume) {
  MainWindow* old = current_->window;
  if (!old->Scanner().Idle()) return false;
  TargetRequest request = RequestForFolder(folder.toStdString());
  if (windowsVolume) request = {{}, folder.toStdString(), {}};
  OpenedTarget opened = OpenRequestedTarget(request, env_, clock_);
  if (!opened.target) {
    dialogs_.ShowError(old, QString::fromStdString(opened.error));
    return false;
  }
  // The category switches carry over: the new engine reads them back from the settings.
  settings_.Model().TakeSelectionFrom(*current_->engine);
  settings_.Model().LastTarget = opened.target->Location();
  settings_.Save();

  std::unique_ptr<Bound> next = Bind(std::move(opened.target));
  next->window->setGeometry(old->geometry());
  next->window->setWindowState(old->windowState());
  // The new window is shown before the old one hides, so the application never has no window.
  if (old->isVisible()) next->window->show();
  old->hide();
  for (const std::string& warning : opened.warnings)
    dialogs_.ShowError(next->window, QString::fromStdString(warning));

  // This runs inside the old window's signal: it may only go once that has returned.
  old->disconnect(this);
  (new Retired<Bound>(std::move(current_), this))->deleteLater();
  current_ = std::move(next);
  return true;
}

}  // namespace ordrex::gui
