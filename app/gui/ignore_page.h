#pragma once
// The ignore list page: one row per entry of the user's ignore list, added and changed through
// the entry dialog and deleted by their check boxes. The list is the one the engine consults, so
// the next scan sees every change; each change is saved at once.

#include <QWidget>

#include "app/gui/gui_dialogs.h"
#include "app/session/user_settings.h"

class QTreeWidget;

namespace ordrex::gui {

class IgnorePage : public QWidget {
  Q_OBJECT

 public:
  // Without `settings` there is no list to edit: the page says so and its buttons are off.
  IgnorePage(GuiDialogs& dialogs, UserSettings* settings, QWidget* parent = nullptr);

  // Opens the entry dialog for a new entry of `text`, compared as `scopeMask` says.
  void AddEntryFor(const QString& text, int scopeMask);
  // Tries again to save a change whose save failed (the window calls it when it closes).
  void SaveIfUnsaved();

 signals:
  void BackRequested();

 private:
  void Edit();
  void Delete();
  // Whether the list may change; when its file could not be read, tells why not.
  bool MayChange();
  // Saves and shows the list after a change.
  void Changed(bool keepChecks);
  // One row per live entry; with `keepChecks` a row keeps the check box of the row that had its
  // number (an add appends, an edit keeps the number).
  void Fill(bool keepChecks);

  GuiDialogs& dialogs_;
  UserSettings* settings_ = nullptr;
  QTreeWidget* list_ = nullptr;
  bool unsaved_ = false;
};

}  // namespace ordrex::gui
