#include "system/wine_restart.h"

#include <map>

#include "platform/wine/wine_prefix_target.h"

namespace ordrex {

WinePrefixRestart::WinePrefixRestart(std::filesystem::path prefix, ProcessRunner* runner)
    : prefix_(std::move(prefix)), runner_(runner != nullptr ? runner : &ownRunner_) {}

bool WinePrefixRestart::RequestRestart() {
  reason_.clear();
  if (!IsWinePrefix(prefix_)) {
    reason_ = prefix_.string() + " is not a Wine prefix.";
    return false;
  }
  const std::map<std::string, std::string> environment{{"WINEPREFIX", prefix_.string()},
                                                       {"WINEDEBUG", "-all"}};
  // Ending a session that is not running fails harmlessly; the wait tells whether it ended.
  runner_->Run({"wineserver", "-k"}, environment);
  if (const int code = runner_->Run({"wineserver", "-w"}, environment); code != 0) {
    reason_ = "wineserver -w ended with " + std::to_string(code) + ".";
    return false;
  }
  if (const int code = runner_->Run({"wineboot", "--restart"}, environment); code != 0) {
    reason_ = "wineboot --restart ended with " + std::to_string(code) + ".";
    return false;
  }
  return true;
}

}  // namespace ordrex
