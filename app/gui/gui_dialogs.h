#pragma once
// Every message box and file dialog of the window goes through this one seam, so tests can
// answer them without a user and check what the user would have been told.

#include <QDialog>
#include <QString>
#include <QUrl>
#include <QWidget>
#include <optional>

namespace ordrex::gui {

class GuiDialogs {
 public:
  virtual ~GuiDialogs() = default;
  // An error the user can only acknowledge.
  virtual void ShowError(QWidget* parent, const QString& text) = 0;
  // Something the user is told, with an OK button.
  virtual void Inform(QWidget* parent, const QString& text) = 0;
  // A yes/no question; true is yes.
  virtual bool Confirm(QWidget* parent, const QString& text) = 0;
  // A yes/no question under a caption of its own instead of the program's name.
  virtual bool ConfirmUnder(QWidget* parent, const QString& caption, const QString& text) {
    (void)caption;
    return Confirm(parent, text);
  }
  // A folder chosen by the user, or nothing when the dialog was cancelled.
  virtual std::optional<QString> PickFolder(QWidget* parent, const QString& caption,
                                            const QString& start) = 0;
  // Shows one of the window's own dialogs modally; true when the user accepted it.
  virtual bool RunModal(QDialog& dialog) = 0;
  // Hands a file or web address to the desktop's handler; false when none took it.
  virtual bool OpenUrl(const QUrl& url) = 0;
};

// The real dialogs of the desktop.
class DesktopDialogs : public GuiDialogs {
 public:
  void ShowError(QWidget* parent, const QString& text) override;
  void Inform(QWidget* parent, const QString& text) override;
  bool Confirm(QWidget* parent, const QString& text) override;
  bool ConfirmUnder(QWidget* parent, const QString& caption, const QString& text) override;
  std::optional<QString> PickFolder(QWidget* parent, const QString& caption,
                                    const QString& start) override;
  bool RunModal(QDialog& dialog) override;
  bool OpenUrl(const QUrl& url) override;
};

}  // namespace ordrex::gui
