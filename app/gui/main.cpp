#include <QApplication>
#include <QStringList>
#include <cstdlib>
#include <map>
#include <string>

#include "app/gui/gui_dialogs.h"
#include "app/gui/main_window.h"
#include "app/session/target_choice.h"
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
  const auto env = [](const std::string& name) -> std::optional<std::string> {
    const char* value = std::getenv(name.c_str());
    if (value == nullptr || *value == '\0') return std::nullopt;
    return std::string(value);
  };
  ordrex::OpenedTarget opened =
      ordrex::OpenRequestedTarget(request, env, ordrex::SystemClock::Instance());
  if (!opened.target) {
    dialogs.ShowError(nullptr, QString::fromStdString(opened.error));
    return 2;
  }
  std::map<std::string, std::string> environment;
  for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
    if (auto value = env(name)) environment[name] = *value;
  }
  const auto tell = [&dialogs](const std::string& text) {
    dialogs.ShowError(nullptr, QString::fromStdString(text));
  };
  ordrex::UserSettings settings(environment, ordrex::SystemClock::Instance(), tell, tell);
  ordrex::TOrdrex engine(*opened.target);
  settings.BindEngine(engine);
  ordrex::gui::MainWindow window(engine, dialogs, &settings);
  window.show();
  return QApplication::exec();
}
