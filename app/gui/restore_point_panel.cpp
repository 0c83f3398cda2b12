#include "app/gui/restore_point_panel.h"

#include <QCoreApplication>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/gui/delay_dialog.h"
#include "app/gui/named_widget.h"
#include "platform/clock.h"
#include "platform/wine/wine_prefix_target.h"
#include "system/wine_restart.h"

namespace ordrex::gui {

namespace {

constexpr const char* kOtherButtons[] = {"btnStartRestore", "BtnSelectScan", "BtnSelectOptions",
                                         "btnSelectRestore", "btnSelectHelp"};

}  // namespace

RestorePointPanel::RestorePointPanel(Target& target, GuiDialogs& dialogs, UserSettings* settings,
                                     QWidget* parent)
    : QWidget(parent), dialogs_(dialogs) {
  setObjectName("PanelRestorePoints");
  create_ = MakeNamed<QPushButton>("btRestore", tr("Create System Restore Point"), this);
  clean_ = MakeNamed<QPushButton>("btCancelRst", tr("Cancel Restore Point"), this);
  status_ = MakeNamed<QLabel>("lbRestore", QString(), this);
  delay_ = new DelayDialog(this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(create_);
  layout->addWidget(clean_);
  layout->addWidget(status_);
  connect(create_, &QPushButton::clicked, this, &RestorePointPanel::CreateClicked);
  connect(clean_, &QPushButton::clicked, this, &RestorePointPanel::CleanClicked);

  bool available = false;
  if (settings != nullptr && target.Kind() == kWinePrefixKind) {
    points_ = std::make_unique<WinePrefixRestorePoints>(
        target.Location(), settings->Paths().DataDir(), SystemClock::Instance());
    flows_ = std::make_unique<RestorePointFlows>(*points_, settings->Store(),
                                                 points_->Folder() / "clean.marker");
    available = points_->SystemRestoreAvailable();
    ownRestart_ = std::make_unique<WinePrefixRestart>(target.Location());
    restart_ = ownRestart_.get();
  }
  create_->setEnabled(available);
  clean_->setEnabled(flows_ != nullptr && flows_->CleanOffered());
}

RestorePointPanel::~RestorePointPanel() = default;

void RestorePointPanel::PageShown() {
  const bool both = create_->isEnabled() && clean_->isEnabled();
  clean_->setVisible(both);
  if (both) create_->hide();
}

void RestorePointPanel::SetOthersEnabled(bool enabled) {
  for (const char* name : kOtherButtons) {
    if (auto* button = window()->findChild<QPushButton*>(name)) button->setEnabled(enabled);
  }
}

RestorePointEvents RestorePointPanel::Events() {
  RestorePointEvents events;
  events.Status = [this](const std::string& text) {
    status_->setText(QString::fromStdString(text));
  };
  events.Inform = [this](const std::string& text) {
    dialogs_.Inform(this, QString::fromStdString(text));
  };
  events.AskRestart = [this](const std::string& text) {
    return dialogs_.Confirm(this, QString::fromStdString(text));
  };
  events.Pump = [] { QCoreApplication::processEvents(); };
  events.Warn = [this](const std::string& text) {
    dialogs_.ShowError(this, QString::fromStdString(text));
  };
  return events;
}

void RestorePointPanel::CreateClicked() {
  if (flows_ == nullptr) return;
  QInputDialog ask(this);
  ask.setWindowTitle(tr("Create System Restore Point?"));
  ask.setLabelText(tr("Enter restore name:"));
  ask.setTextValue(QString());
  if (!dialogs_.RunModal(ask)) return;
  create_->setEnabled(false);
  SetOthersEnabled(false);
  QCoreApplication::processEvents();
  flows_->Create(ask.textValue().toStdString(), Events());
  // Whatever the outcome, the clean button takes the create button's place.
  create_->hide();
  create_->setEnabled(true);
  clean_->show();
  SetOthersEnabled(true);
}

void RestorePointPanel::CleanClicked() {
  if (flows_ == nullptr) return;
  clean_->setEnabled(false);
  SetOthersEnabled(false);
  QCoreApplication::processEvents();
  if (flows_->Clean(Events())) {
    Restart(0);
    window()->close();
  }
  clean_->hide();
  create_->setEnabled(false);
  create_->show();
  SetOthersEnabled(true);
}

void RestorePointPanel::Restart(int seconds) {
  if (seconds > 0) {
    delay_->StartCountdown(seconds);
    if (!dialogs_.RunModal(*delay_)) return;
  }
  if (restart_ == nullptr || !restart_->RequestRestart())
    dialogs_.Inform(this, tr(kRestartFailedText));
}

}  // namespace ordrex::gui
