#pragma once
// What a command needs from the process that runs it. Tests build one with string streams, a
// manual clock and their own environment, and check the exact output.

#include <chrono>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <string>

#include "platform/clock.h"
#include "system/process_runner.h"

namespace ordrex::cli {

// Exit codes of the command-line contract.
inline constexpr int kExitOk = 0;
inline constexpr int kExitProblemsFound = 1;
inline constexpr int kExitUsage = 2;

struct CliContext {
  std::ostream& out;
  std::ostream& err;
  std::istream& in;
  Clock& clock;
  // The process environment (WINEPREFIX, HOME, XDG_CONFIG_HOME, XDG_DATA_HOME ...).
  std::map<std::string, std::string> environment;
  // Live progress lines are drawn only on a terminal.
  bool interactive = false;
  // How other programs (wine's) are started, and how a countdown waits one second; tests put
  // their own here. Null: for real.
  ProcessRunner* processes = nullptr;
  std::function<void()> waitOneSecond;
  // ordrex-cli's own path, which the scheduled run's units name; empty: /proc/self/exe.
  std::filesystem::path executable;
  // Since when the user's session has been idle (empty while in use); null: ask logind.
  std::function<std::optional<std::chrono::system_clock::time_point>()> idleSince;

  std::optional<std::string> Env(const std::string& name) const {
    const auto hit = environment.find(name);
    if (hit == environment.end() || hit->second.empty()) return std::nullopt;
    return hit->second;
  }
};

}  // namespace ordrex::cli
