#pragma once
// The scheduler the window uses on Linux: the user's own systemd timers.

#include <filesystem>
#include <map>
#include <string>

#include "app/gui/schedule_list_page.h"
#include "platform/clock.h"
#include "system/process_runner.h"

namespace ordrex::gui {

// Schedulers whose units live in the user unit folder of `environment` and run `program` (the
// window) in auto mode on the window's target, with the ordrex-cli beside it deciding the rules
// systemd cannot say. `systemctl --user` is run through `runner`, which and `clock` must
// outlive them.
SchedulerFactory UserTimersFactory(std::filesystem::path program,
                                   std::map<std::string, std::string> environment,
                                   ProcessRunner& runner, const Clock& clock);

}  // namespace ordrex::gui
