#include <QApplication>

#include "app/gui/gui_dialogs.h"
#include "app/gui/main_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Zentrix Free Ordrex");
  ordrex::gui::DesktopDialogs dialogs;
  ordrex::gui::MainWindow window(dialogs);
  window.show();
  return QApplication::exec();
}
