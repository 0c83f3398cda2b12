#include "app/settings/user_paths.h"

#include <optional>

namespace ordrex {

namespace {

constexpr const char* kAppFolder = "zentrix";
constexpr const char* kNoHomeFolder = ".zentrix";

// An absolute path from the environment, or nothing.
std::optional<std::filesystem::path> AbsoluteVariable(const std::map<std::string, std::string>& env,
                                                      const std::string& name) {
  const auto hit = env.find(name);
  if (hit == env.end() || hit->second.empty()) return std::nullopt;
  std::filesystem::path path(hit->second);
  if (!path.is_absolute()) return std::nullopt;
  return path;
}

std::filesystem::path AppDir(const std::map<std::string, std::string>& env,
                             const std::string& xdgName, const std::filesystem::path& underHome) {
  if (auto xdg = AbsoluteVariable(env, xdgName)) return *xdg / kAppFolder;
  if (auto home = AbsoluteVariable(env, "HOME")) return *home / underHome / kAppFolder;
  return std::filesystem::path(kNoHomeFolder);
}

}  // namespace

UserPaths UserPaths::FromEnvironment(const std::map<std::string, std::string>& env) {
  return UserPaths(AppDir(env, "XDG_CONFIG_HOME", ".config"),
                   AppDir(env, "XDG_DATA_HOME", std::filesystem::path(".local") / "share"));
}

}  // namespace ordrex
