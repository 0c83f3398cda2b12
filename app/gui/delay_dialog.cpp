#include "app/gui/delay_dialog.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "app/gui/named_widget.h"

namespace ordrex::gui {

DelayDialog::DelayDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("TFormDelay");
  setWindowTitle(tr("Restart"));
  label_ = MakeNamed<QLabel>("lbDelay", tr("System will be restart in 10 seconds"), this);
  label_->setAlignment(Qt::AlignCenter);
  auto* restart = MakeNamed<QPushButton>("btRestart", tr("Restart now"), this);
  auto* cancel = MakeNamed<QPushButton>("btCancel", tr("Cancel"), this);
  connect(restart, &QPushButton::clicked, this, &DelayDialog::RestartNow);
  connect(cancel, &QPushButton::clicked, this, &DelayDialog::reject);
  timer_ = new QTimer(this);
  timer_->setObjectName("Timer1");
  timer_->setInterval(1000);
  connect(timer_, &QTimer::timeout, this, &DelayDialog::Tick);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(restart);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label_);
  layout->addLayout(buttons);
  adjustSize();
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

void DelayDialog::SetSecondsLeft(int seconds) {
  secondsLeft_ = seconds;
  label_->setText(tr("System will be restart in %1 second(s)").arg(seconds));
}

void DelayDialog::StartCountdown(int seconds) {
  SetSecondsLeft(seconds);
  timer_->start();
}

void DelayDialog::Tick() {
  SetSecondsLeft(secondsLeft_ - 1);
  if (secondsLeft_ < 1) {
    timer_->stop();
    done(QDialog::Accepted);
  }
}

void DelayDialog::RestartNow() {
  SetSecondsLeft(1);
  Tick();
}

void DelayDialog::reject() {
  timer_->stop();
  QDialog::reject();
}

}  // namespace ordrex::gui
