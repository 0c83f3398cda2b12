#include "platform/registry_profile.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "platform/text.h"

namespace ordrex {

namespace {

constexpr std::string_view kCurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";
constexpr std::string_view kNtCurrentVersion = "Software\\Microsoft\\Windows NT\\CurrentVersion";
constexpr std::string_view kProfileList =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
constexpr std::string_view kSessionEnvironment =
    "System\\CurrentControlSet\\Control\\Session Manager\\Environment";
constexpr std::string_view kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr std::string_view kUserShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

bool IsStringType(std::uint32_t type) {
  return type == kRegSz || type == kRegExpandSz;
}

std::optional<RegValue> Query(const RegistryStore* store, std::string_view key,
                              std::string_view name) {
  if (store == nullptr) return std::nullopt;
  return store->QueryValue(key, name);
}

// The text of a REG_SZ or REG_EXPAND_SZ value; nullopt for other types and missing values.
std::optional<std::string> ReadText(const RegistryStore* store, std::string_view key,
                                    std::string_view name) {
  auto value = Query(store, key, name);
  if (!value || !IsStringType(value->type)) return std::nullopt;
  return RegDataToString(value->data);
}

std::optional<std::uint32_t> ReadDword(const RegistryStore* store, std::string_view key,
                                       std::string_view name) {
  auto value = Query(store, key, name);
  if (!value || value->type != kRegDword || value->data.size() != 4) return std::nullopt;
  const auto& d = value->data;
  return static_cast<std::uint32_t>(d[0]) | static_cast<std::uint32_t>(d[1]) << 8 |
         static_cast<std::uint32_t>(d[2]) << 16 | static_cast<std::uint32_t>(d[3]) << 24;
}

std::string WithoutTrailingBackslash(std::string text) {
  // "C:\" keeps its backslash: without it the text would name the drive's current folder.
  while (text.size() > 3 && text.back() == '\\')
    text.pop_back();
  return text;
}

// The environment as it is being built, with what a new process's block would hold.
class EnvironmentBuilder {
 public:
  const std::vector<EnvVar>& Vars() const { return vars_; }
  std::optional<std::string> Get(std::string_view name) const {
    return FindEnvironment(name, vars_);
  }
  std::string Expand(std::string_view text) const { return ExpandEnvironment(text, vars_); }

  void Set(std::string_view name, std::string value, bool perUser) {
    for (auto& var : vars_) {
      if (SameText(var.name, name)) {
        var.value = std::move(value);
        var.perUser = var.perUser || perUser;
        return;
      }
    }
    vars_.push_back({std::string(name), std::move(value), perUser});
  }
  void SetIfAbsent(std::string_view name, std::optional<std::string> value, bool perUser) {
    if (value && !value->empty() && !Get(name)) Set(name, std::move(*value), perUser);
  }

  // One environment key: its plain strings first, then its expandable ones expanded against
  // what is defined by then, so that a value may use any plain value of the same key.
  void ApplyKey(const RegistryStore* store, std::string_view key, bool perUser) {
    if (store == nullptr || !store->KeyExists(key)) return;
    const auto names = store->ValueNames(key);
    for (const std::uint32_t pass : {kRegSz, kRegExpandSz}) {
      for (const auto& name : names) {
        if (name.empty()) continue;  // the default value is no variable
        const auto value = store->QueryValue(key, name);
        if (!value || value->type != pass) continue;
        std::string text = RegDataToString(value->data);
        if (text.empty()) continue;
        if (pass == kRegExpandSz) text = Expand(text);
        // The user's PATH extends the system's instead of replacing it.
        if (SameText(name, "PATH")) {
          if (auto existing = Get(name); existing && !existing->empty()) {
            text = *existing + ";" + text;
          }
        }
        Set(name, std::move(text), perUser);
      }
    }
  }

  void SortByName() {
    std::stable_sort(vars_.begin(), vars_.end(), [](const EnvVar& a, const EnvVar& b) {
      return CompareText(a.name, b.name) < 0;
    });
  }

 private:
  std::vector<EnvVar> vars_;
};

// The variables Windows (and Wine) set for every process before reading the environment keys.
void SetSystemVariables(EnvironmentBuilder& env, const RegistryStore& machine) {
  const std::string systemRoot = WithoutTrailingBackslash(
      ReadText(&machine, kNtCurrentVersion, "SystemRoot").value_or("C:\\windows"));
  env.Set("SystemRoot", systemRoot, false);
  env.Set("windir", systemRoot, false);
  if (systemRoot.size() >= 2 && systemRoot[1] == ':') {
    env.Set("SystemDrive", systemRoot.substr(0, 2), false);
  }

  const auto programFiles = ReadText(&machine, kCurrentVersion, "ProgramFilesDir");
  const auto programFilesX86 = ReadText(&machine, kCurrentVersion, "ProgramFilesDir (x86)");
  const auto commonFiles = ReadText(&machine, kCurrentVersion, "CommonFilesDir");
  const auto commonFilesX86 = ReadText(&machine, kCurrentVersion, "CommonFilesDir (x86)");
  env.SetIfAbsent("ProgramFiles", programFiles, false);
  env.SetIfAbsent("CommonProgramFiles", commonFiles, false);
  // Only a 64-bit system has the (x86) folders, and only there the W6432 names.
  if (programFilesX86) {
    env.SetIfAbsent("ProgramFiles(x86)", programFilesX86, false);
    env.SetIfAbsent("ProgramW6432", programFiles, false);
  }
  if (commonFilesX86) {
    env.SetIfAbsent("CommonProgramFiles(x86)", commonFilesX86, false);
    env.SetIfAbsent("CommonProgramW6432", commonFiles, false);
  }

  // ProfileList values are expandable and may use SystemDrive.
  const auto profileValue = [&](std::string_view name) -> std::optional<std::string> {
    auto text = ReadText(&machine, kProfileList, name);
    if (!text) return std::nullopt;
    return WithoutTrailingBackslash(env.Expand(*text));
  };
  const auto programData = profileValue("ProgramData");
  env.SetIfAbsent("ProgramData", programData, false);
  env.SetIfAbsent("PUBLIC", profileValue("Public"), false);
  if (programData) {
    env.SetIfAbsent("ALLUSERSPROFILE", programData, false);
  } else if (auto dir = profileValue("ProfilesDirectory")) {
    // Systems before Vista keep the shared profile as a folder of the profiles folder.
    auto allUsers = profileValue("AllUsersProfile").value_or("All Users");
    env.SetIfAbsent("ALLUSERSPROFILE", *dir + "\\" + allUsers, false);
  }

  for (const char* key : {"System\\CurrentControlSet\\Control\\ComputerName\\ComputerName",
                          "System\\CurrentControlSet\\Control\\ComputerName\\ActiveComputerName"}) {
    env.SetIfAbsent("COMPUTERNAME", ReadText(&machine, key, "ComputerName"), false);
  }
}

// The variables of the user's profile that the logon sets when the keys do not.
void SetUserDefaults(EnvironmentBuilder& env, const RegistryStore* user) {
  if (user == nullptr) return;
  const auto shellFolder = [&](std::string_view name) -> std::optional<std::string> {
    if (auto text = ReadText(user, kUserShellFolders, name)) return env.Expand(*text);
    return ReadText(user, kShellFolders, name);
  };
  env.SetIfAbsent("APPDATA", shellFolder("AppData"), true);
  env.SetIfAbsent("LOCALAPPDATA", shellFolder("Local AppData"), true);
  if (!env.Get("USERNAME")) {
    if (auto profile = env.Get("USERPROFILE")) {
      const auto slash = profile->find_last_of('\\');
      if (slash != std::string::npos && slash + 1 < profile->size()) {
        env.Set("USERNAME", profile->substr(slash + 1), true);
      }
    }
  }
}

struct SpecialFolderSource {
  int csidl;
  bool common;                // read from HKEY_LOCAL_MACHINE
  std::string_view name;      // value name in (User) Shell Folders
  std::string_view fallback;  // where Windows puts it when no key says
};

constexpr SpecialFolderSource kSpecialFolders[] = {
    {kCsidlRecent, false, "Recent", "%USERPROFILE%\\AppData\\Roaming\\Microsoft\\Windows\\Recent"},
    {kCsidlStartMenu, false, "Start Menu",
     "%USERPROFILE%\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu"},
    {kCsidlDesktopDirectory, false, "Desktop", "%USERPROFILE%\\Desktop"},
    {kCsidlCommonStartMenu, true, "Common Start Menu",
     "%ProgramData%\\Microsoft\\Windows\\Start Menu"},
    {kCsidlAppData, false, "AppData", "%USERPROFILE%\\AppData\\Roaming"},
    {kCsidlHistory, false, "History", "%USERPROFILE%\\AppData\\Local\\Microsoft\\Windows\\History"},
};

std::map<int, std::string> SpecialFolders(const RegistryStore& machine, const RegistryStore* user,
                                          const std::vector<EnvVar>& environment) {
  std::map<int, std::string> folders;
  for (const auto& source : kSpecialFolders) {
    const RegistryStore* store = source.common ? &machine : user;
    std::optional<std::string> path;
    // The shell reads "User Shell Folders" (which may use variables) before the plain copy
    // in "Shell Folders" that it keeps for old programs.
    if (auto text = ReadText(store, kUserShellFolders, source.name); text && !text->empty()) {
      path = ExpandEnvironment(*text, environment);
    } else if (auto plain = ReadText(store, kShellFolders, source.name); plain && !plain->empty()) {
      path = *plain;
    } else if (store != nullptr) {
      path = ExpandEnvironment(source.fallback, environment);
    }
    // A reference left unexpanded names no folder.
    if (path && path->find('%') == std::string::npos) {
      folders[source.csidl] = WithoutTrailingBackslash(*path);
    }
  }
  return folders;
}

std::optional<int> ParseNumber(std::string_view text) {
  text = std::string_view(text).substr(0, text.find_first_not_of("0123456789"));
  if (text.empty() || text.size() > 9) return std::nullopt;
  return std::atoi(std::string(text).c_str());
}

// "6.1" or "4.10.2222": major, minor and, when present, build.
bool ParseDotted(std::string_view text, OsVersion& version) {
  const auto parts = Split(text, '.');
  if (parts.size() < 2) return false;
  const auto major = ParseNumber(parts[0]);
  const auto minor = ParseNumber(parts[1]);
  if (!major || !minor) return false;
  version.major = *major;
  version.minor = *minor;
  if (parts.size() >= 3) {
    if (auto build = ParseNumber(parts[2])) version.build = *build;
  }
  return true;
}

}  // namespace

std::optional<OsVersion> RegistryWindowsVersion(const RegistryStore& machine) {
  OsVersion version;
  if (auto current = ReadText(&machine, kNtCurrentVersion, "CurrentVersion");
      current && ParseDotted(*current, version)) {
    version.platformId = 2;
    // Windows 10 and later leave CurrentVersion at "6.3" for old programs.
    if (auto major = ReadDword(&machine, kNtCurrentVersion, "CurrentMajorVersionNumber")) {
      version.major = static_cast<int>(*major);
      version.minor = static_cast<int>(
          ReadDword(&machine, kNtCurrentVersion, "CurrentMinorVersionNumber").value_or(0));
    }
    for (const char* name : {"CurrentBuildNumber", "CurrentBuild"}) {
      if (auto text = ReadText(&machine, kNtCurrentVersion, name)) {
        if (auto build = ParseNumber(*text)) {
          version.build = *build;
          break;
        }
      }
    }
    version.productName = ReadText(&machine, kNtCurrentVersion, "ProductName").value_or("");
    return version;
  }
  if (auto number = ReadText(&machine, kCurrentVersion, "VersionNumber");
      number && ParseDotted(*number, version)) {
    version.platformId = 1;
    version.productName = ReadText(&machine, kCurrentVersion, "ProductName").value_or("");
    return version;
  }
  return std::nullopt;
}

std::vector<EnvVar> BuildRegistryEnvironment(const RegistryStore& machine,
                                             const RegistryStore* user, std::string_view userSid) {
  EnvironmentBuilder env;
  SetSystemVariables(env, machine);
  if (user != nullptr && !userSid.empty()) {
    if (auto image = ReadText(&machine, JoinKeyPath(kProfileList, userSid), "ProfileImagePath")) {
      env.Set("USERPROFILE", WithoutTrailingBackslash(env.Expand(*image)), true);
    }
  }
  env.ApplyKey(&machine, kSessionEnvironment, false);
  env.ApplyKey(user, "Environment", true);
  env.ApplyKey(user, "Volatile Environment", true);
  SetUserDefaults(env, user);
  env.SortByName();
  return env.Vars();
}

SystemProfile BuildRegistryProfile(const RegistryStore& machine, const RegistryStore* user,
                                   std::string_view userSid, const OsVersion& version) {
  SystemProfile profile;
  profile.environment = BuildRegistryEnvironment(machine, user, userSid);
  profile.version = version;
  profile.windowsDir = FindEnvironment("SystemRoot", profile.environment).value_or("C:\\windows");
  profile.systemDir =
      JoinPath(profile.windowsDir, profile.version.platformId == 2 ? "system32" : "system");
  profile.specialFolders = SpecialFolders(machine, user, profile.environment);
  profile.computerName = FindEnvironment("COMPUTERNAME", profile.environment).value_or("");
  profile.userName = FindEnvironment("USERNAME", profile.environment).value_or("");
  return profile;
}

}  // namespace ordrex
