#pragma once
// A process runner that starts nothing: it keeps each command as one line (its words joined by
// spaces) with the environment it was given, and answers with the exit code set for that line
// or for its program, else `status`.

#include <map>
#include <string>
#include <vector>

#include "system/process_runner.h"

namespace ordrex::testsupport {

struct RecordingRunner : ProcessRunner {
  int Run(const std::vector<std::string>& argv,
          const std::map<std::string, std::string>& environment) override {
    std::string line;
    for (const std::string& word : argv)
      line += (line.empty() ? "" : " ") + word;
    commands.push_back(line);
    environments.push_back(environment);
    if (const auto hit = exitCodes.find(line); hit != exitCodes.end()) return hit->second;
    if (const auto hit = exitCodes.find(argv.empty() ? "" : argv.front()); hit != exitCodes.end())
      return hit->second;
    return status;
  }

  std::vector<std::string> commands;
  std::vector<std::map<std::string, std::string>> environments;
  std::map<std::string, int> exitCodes;  // by the whole command line or by the program
  int status = 0;
};

}  // namespace ordrex::testsupport
