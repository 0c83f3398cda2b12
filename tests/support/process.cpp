#include "support/process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>

#include "support/fresh_prefix.h"

extern char** environ;

namespace ordrex::testsupport {

namespace {

std::vector<std::string> MergedEnvironment(const EnvironmentChanges& changes) {
  std::map<std::string, std::string> vars;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text(*entry);
    const std::size_t eq = text.find('=');
    if (eq != std::string::npos) vars[text.substr(0, eq)] = text.substr(eq + 1);
  }
  for (const auto& [name, value] : changes) {
    vars.erase(name);
    if (!value.empty()) vars.emplace(name, value);
  }
  std::vector<std::string> merged;
  for (const auto& [name, value] : vars)
    merged.push_back(name + "=" + value);
  return merged;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> out;
  for (std::string& s : strings)
    out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv, const EnvironmentChanges& env) {
  ProcessResult result;
  if (argv.empty()) return result;
  // Output goes to a file rather than a pipe: Wine's programs start a wineserver that inherits
  // their standard output and outlives them, and a pipe would stay open until it exits.
  std::string outputName =
      (std::filesystem::temp_directory_path() / "ordrex-process-XXXXXX").string();
  const int outputFd = mkostemp(outputName.data(), O_CLOEXEC);
  if (outputFd < 0) return result;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, outputFd, 1);
  posix_spawn_file_actions_adddup2(&actions, outputFd, 2);

  std::vector<std::string> args = argv;
  std::vector<std::string> envStrings = MergedEnvironment(env);
  std::vector<char*> argPtrs = Pointers(args);
  std::vector<char*> envPtrs = Pointers(envStrings);

  pid_t pid = 0;
  const int spawned =
      posix_spawnp(&pid, args[0].c_str(), &actions, nullptr, argPtrs.data(), envPtrs.data());
  posix_spawn_file_actions_destroy(&actions);
  close(outputFd);
  if (spawned != 0) {
    result.output = "cannot start " + args[0] + ": " + std::strerror(spawned);
  } else {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    result.output = ReadAll(outputName);
  }
  unlink(outputName.c_str());
  return result;
}

bool ProgramOnPath(const std::string& name) {
  std::istringstream folders(std::getenv("PATH") ? std::getenv("PATH") : "");
  for (std::string folder; std::getline(folders, folder, ':');)
    if (!folder.empty() && access((std::filesystem::path(folder) / name).c_str(), X_OK) == 0)
      return true;
  return false;
}

}  // namespace ordrex::testsupport
