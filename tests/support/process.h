#pragma once
// Runs a helper program (wine, wineboot, the CLI) for a test and collects what it printed.

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace ordrex::testsupport {

struct ProcessResult {
  int exitCode = -1;   // the program's exit status; -1 when it could not start or was killed
  std::string output;  // standard output and standard error together
};

using EnvironmentChanges = std::vector<std::pair<std::string, std::string>>;

// Runs argv[0] (searched on PATH) with the current environment plus `env` (an empty value
// removes the variable). Standard input is /dev/null.
ProcessResult RunProcess(const std::vector<std::string>& argv, const EnvironmentChanges& env = {});

// True when `name` is an executable file on PATH.
bool ProgramOnPath(const std::string& name);

}  // namespace ordrex::testsupport
