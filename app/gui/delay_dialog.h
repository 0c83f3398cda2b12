#pragma once
// The countdown before a restart: the seconds left, "Restart now" to cut it short and "Cancel"
// to call the restart off. It ends accepted when the countdown runs out or the user restarts
// now, rejected when cancelled or closed.

#include <QDialog>

class QLabel;
class QPushButton;
class QTimer;

namespace ordrex::gui {

class DelayDialog : public QDialog {
  Q_OBJECT

 public:
  explicit DelayDialog(QWidget* parent = nullptr);

  int SecondsLeft() const { return secondsLeft_; }
  // Stores the value and shows it.
  void SetSecondsLeft(int seconds);
  // Sets the seconds left and starts the timer that counts them down.
  void StartCountdown(int seconds);
  // One second has passed: one less, and the dialog ends accepted below 1. The timer calls
  // it; tests call it themselves instead of waiting.
  void Tick();
  void RestartNow();
  void reject() override;

 private:
  QLabel* label_ = nullptr;
  QTimer* timer_ = nullptr;
  int secondsLeft_ = 0;
};

}  // namespace ordrex::gui
