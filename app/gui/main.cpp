#include <QApplication>
#include <QStringList>
#include <map>
#include <string>

#include "app/gui/gui_dialogs.h"
#include "app/gui/main_window.h"
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
  ordrex::OpenedTarget opened = ordrex::OpenRequestedTarget(request, ordrex::LookupIn(environment),
                                                            ordrex::SystemClock::Instance());
  if (!opened.target) {
    dialogs.ShowError(nullptr, QString::fromStdString(opened.error));
    return 2;
  }
  const auto tell = [&dialogs](const std::string& text) {
    dialogs.ShowError(nullptr, QString::fromStdString(text));
  };
  for (const std::string& warning : opened.warnings)
    tell(warning);
  ordrex::UserSettings settings(environment, ordrex::SystemClock::Instance(), tell, tell);
  ordrex::TOrdrex engine(*opened.target);
  settings.BindEngine(engine);
  ordrex::gui::MainWindow window(engine, dialogs, &settings);
  window.show();
  return QApplication::exec();
}
