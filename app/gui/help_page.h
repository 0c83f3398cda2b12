#pragma once
// The help page: the manual that comes with the program, opened in the desktop's browser, and
// how to reach the people who make it.

#include <QWidget>

#include "app/gui/gui_dialogs.h"

namespace ordrex::gui {

// The installed manual, or the one in the source tree when the program runs from its build
// folder; empty when neither is there.
QString ManualPath();

class HelpPage : public QWidget {
  Q_OBJECT

 public:
  explicit HelpPage(GuiDialogs& dialogs, QWidget* parent = nullptr);

  void OpenManual();

 private:
  GuiDialogs& dialogs_;
};

// The program's own picture: the desktop theme's, else one drawn here.
QIcon ProgramIcon();

}  // namespace ordrex::gui
