#pragma once
// The start of the window's process, before and around the window: the hand-over of a
// scheduled run to a copy that already runs, and the check that keeps a second copy from
// starting.

#include <cstdint>
#include <memory>

#include "app/gui/single_instance.h"

namespace ordrex::gui {

class WindowSession;

// A scheduled run (`autoMode`) first asks the copy whose process id the settings publish
// (`publishedWindow`, 0 for none) to scan; whatever comes of that, the run goes on. Then the
// single-instance check: returns this copy's instance, claimed and listening, or nullptr when
// another copy holds it (the process then ends with exit code 0). A copy started by hand asks
// the running one to come to the front before it gives way.
std::unique_ptr<SingleInstance> ClaimInstance(bool autoMode, std::int64_t publishedWindow,
                                              const InstancePlace& place);

// Lets the session's window answer the requests of later copies.
void ConnectInstance(SingleInstance& instance, WindowSession& session);

}  // namespace ordrex::gui
