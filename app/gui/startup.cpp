#include "app/gui/startup.h"

#include "app/gui/main_window.h"

namespace ordrex::gui {

std::unique_ptr<SingleInstance> ClaimInstance(bool autoMode, std::int64_t publishedWindow,
                                              const InstancePlace& place) {
  // "Data" outlives a copy that crashed, and its id may belong to another process by now: a
  // dead id is not even tried, and a live one must greet as this program before it is asked.
  if (autoMode && publishedWindow != 0 && ProcessAlive(publishedWindow)) {
    SendRequest(place.serverName, kStartScanRequest);
  }
  auto instance = std::make_unique<SingleInstance>(place);
  if (!instance->Claim()) {
    if (!autoMode) SendRequest(place.serverName, kRaiseRequest);
    return nullptr;
  }
  instance->Listen();
  return instance;
}

void ConnectInstance(SingleInstance& instance, MainWindow& window) {
  QObject::connect(&instance, &SingleInstance::StartScanRequested, &window,
                   &MainWindow::HandleStartScanMessage);
  QObject::connect(&instance, &SingleInstance::RaiseRequested, &window, &MainWindow::BringToFront);
}

}  // namespace ordrex::gui
