#pragma once
// Running another program and waiting for it. What the system services start goes through
// this one seam, so tests can see the commands without running them.

#include <map>
#include <string>
#include <vector>

namespace ordrex {

class ProcessRunner {
 public:
  virtual ~ProcessRunner() = default;
  // Runs argv[0] (searched on PATH) with the program's environment plus `environment`, with
  // no input and its output discarded, and waits for it. Gives its exit status, or -1 when it
  // could not be started or was killed.
  virtual int Run(const std::vector<std::string>& argv,
                  const std::map<std::string, std::string>& environment) = 0;
};

class SpawningProcessRunner : public ProcessRunner {
 public:
  int Run(const std::vector<std::string>& argv,
          const std::map<std::string, std::string>& environment) override;
};

}  // namespace ordrex
