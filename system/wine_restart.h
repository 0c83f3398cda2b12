#pragma once
// Restarting a Wine prefix: its Wine session is ended (every program in it stops and the
// server writes the registry files), then the prefix is started the way Wine restarts
// Windows, which carries out the renames and RunOnce entries left for the restart.

#include <filesystem>
#include <string>

#include "system/process_runner.h"
#include "system/restart.h"

namespace ordrex {

class WinePrefixRestart : public SystemRestart {
 public:
  // `runner` (not owned) defaults to starting the programs for real.
  explicit WinePrefixRestart(std::filesystem::path prefix, ProcessRunner* runner = nullptr);
  bool RequestRestart() override;
  std::string LastFailureReason() const override { return reason_; }

 private:
  std::filesystem::path prefix_;
  SpawningProcessRunner ownRunner_;
  ProcessRunner* runner_;
  std::string reason_;
};

}  // namespace ordrex
