#include "app/gui/gui_dialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>

namespace ordrex::gui {

void DesktopDialogs::ShowError(QWidget* parent, const QString& text) {
  QMessageBox::critical(parent, QApplication::applicationName(), text);
}

void DesktopDialogs::Inform(QWidget* parent, const QString& text) {
  QMessageBox::information(parent, QApplication::applicationName(), text);
}

bool DesktopDialogs::Confirm(QWidget* parent, const QString& text) {
  return QMessageBox::question(parent, QApplication::applicationName(), text) == QMessageBox::Yes;
}

bool DesktopDialogs::ConfirmUnder(QWidget* parent, const QString& caption, const QString& text) {
  return QMessageBox::question(parent, caption, text) == QMessageBox::Yes;
}

std::optional<QString> DesktopDialogs::PickFolder(QWidget* parent, const QString& caption,
                                                  const QString& start) {
  const QString folder = QFileDialog::getExistingDirectory(parent, caption, start);
  if (folder.isEmpty()) return std::nullopt;
  return folder;
}

bool DesktopDialogs::RunModal(QDialog& dialog) {
  return dialog.exec() == QDialog::Accepted;
}

bool DesktopDialogs::OpenUrl(const QUrl& url) {
  return QDesktopServices::openUrl(url);
}

}  // namespace ordrex::gui
