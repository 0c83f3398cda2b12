#include <QApplication>
#include <QStringList>
#include <map>
#include <string>
#include <vector>

#include "app/gui/gui_dialogs.h"
#include "app/gui/main_window.h"
#include "app/gui/startup.h"
#include "app/gui/user_timers.h"
#include "app/gui/window_session.h"
#include "app/session/process_environment.h"
#include "platform/clock.h"
#include "system/process_runner.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Zentrix Free Ordrex");
  QApplication::setDesktopFileName("ordrex");
  ordrex::gui::DesktopDialogs dialogs;
  const QStringList args = QApplication::arguments();
  const bool autoMode = ordrex::gui::IsAutoMode(args);
  const std::map<std::string, std::string> environment = ordrex::ProcessEnvironment();

  // The settings say where a running copy is; a copy that gives way tells the user nothing,
  // so their messages wait until this copy is the one that runs.
  std::vector<std::string> earlyMessages;
  bool running = false;
  const auto tell = [&](const std::string& text) {
    if (running) {
      dialogs.ShowError(nullptr, QString::fromStdString(text));
    } else {
      earlyMessages.push_back(text);
    }
  };
  ordrex::UserSettings settings(environment, ordrex::SystemClock::Instance(), tell, tell);
  const std::unique_ptr<ordrex::gui::SingleInstance> instance = ordrex::gui::ClaimInstance(
      autoMode, settings.Model().WindowHandle, ordrex::gui::InstancePlace::ForUser(environment));
  if (!instance) return 0;

  ordrex::TargetRequest request;
  for (int i = 1; i + 1 < args.size(); ++i) {
    if (args[i] == "--prefix") request.prefix = args[i + 1].toStdString();
    if (args[i] == "--windows") request.windows = args[i + 1].toStdString();
    if (args[i] == "--user") request.user = args[i + 1].toStdString();
  }
  ordrex::OpenedTarget opened =
      ordrex::OpenStartTarget(request, settings.Model().LastTarget, ordrex::LookupIn(environment),
                              ordrex::SystemClock::Instance());
  running = true;
  for (const std::string& message : earlyMessages)
    tell(message);
  if (!opened.target) {
    dialogs.ShowError(nullptr, QString::fromStdString(opened.error));
    return 2;
  }
  for (const std::string& warning : opened.warnings)
    tell(warning);
  ordrex::SpawningProcessRunner processes;
  ordrex::gui::WindowSession session(
      std::move(opened.target), dialogs, settings, ordrex::LookupIn(environment),
      ordrex::SystemClock::Instance(),
      ordrex::gui::UserTimersFactory(QCoreApplication::applicationFilePath().toStdString(),
                                     environment, processes, ordrex::SystemClock::Instance()));
  session.Window().SetAutoMode(autoMode);
  ordrex::gui::ConnectInstance(*instance, session);
  session.Window().show();
  return QApplication::exec();
}
