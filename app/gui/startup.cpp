#include "app/gui/startup.h"

#include "app/gui/main_window.h"
#include "app/gui/window_session.h"

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

void ConnectInstance(SingleInstance& instance, WindowSession& session) {
  // The session replaces its window when the user picks another target: each request goes to
  // the window of the moment.
  QObject::connect(&instance, &SingleInstance::StartScanRequested, &session,
                   [&session] { session.Window().HandleStartScanMessage(); });
  QObject::connect(&instance, &SingleInstance::RaiseRequested, &session,
                   [&session] { session.Window().BringToFront(); });
}

}  // namespace ordrex::gui
