#include <QApplication>
#include <QStringList>
#include <map>
#include <string>

#include "app/gui/gui_dialogs.h"
#include "app/gui/main_window.h"
#include "app/gui/window_session.h"
#include "app/session/process_environment.h"
#include "platform/clock.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Zentrix Free Ordrex");
  ordrex::gui::DesktopDialogs dialogs;

  ordrex::TargetRequest request;
  const QStringList args = QApplication::arguments();
  for (int i = 1; i + 1 < args.size(); ++i) {
    if (args[i] == "--prefix") request.prefix = args[i + 1].toStdString();
  }
  const std::map<std::string, std::string> environment = ordrex::ProcessEnvironment();
  const auto tell = [&dialogs](const std::string& text) {
    dialogs.ShowError(nullptr, QString::fromStdString(text));
  };
  ordrex::UserSettings settings(environment, ordrex::SystemClock::Instance(), tell, tell);
  ordrex::OpenedTarget opened =
      ordrex::OpenStartTarget(request, settings.Model().LastTarget, ordrex::LookupIn(environment),
                              ordrex::SystemClock::Instance());
  if (!opened.target) {
    dialogs.ShowError(nullptr, QString::fromStdString(opened.error));
    return 2;
  }
  for (const std::string& warning : opened.warnings)
    tell(warning);
  ordrex::gui::WindowSession session(std::move(opened.target), dialogs, settings,
                                     ordrex::LookupIn(environment),
                                     ordrex::SystemClock::Instance());
  session.Window().show();
  return QApplication::exec();
}
