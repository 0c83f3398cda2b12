#include "app/session/process_environment.h"

extern char** environ;

namespace ordrex {

std::map<std::string, std::string> ProcessEnvironment() {
  std::map<std::string, std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text(*entry);
    const auto eq = text.find('=');
    if (eq != std::string::npos) environment[text.substr(0, eq)] = text.substr(eq + 1);
  }
  return environment;
}

EnvironmentLookup LookupIn(const std::map<std::string, std::string>& environment) {
  return [&environment](const std::string& name) -> std::optional<std::string> {
    const auto hit = environment.find(name);
    if (hit == environment.end() || hit->second.empty()) return std::nullopt;
    return hit->second;
  };
}

}  // namespace ordrex
