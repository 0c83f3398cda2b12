#pragma once
// What a program running on the target would learn from Windows itself: its version, its
// folders, its environment. Each target builds this once when it opens.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ordrex {

struct OsVersion {
  int platformId = 2;  // VER_PLATFORM_WIN32_NT; 1 is the Windows 9x family
  int major = 6;
  int minor = 1;
  int build = 7601;
  std::string productName;
};

struct EnvVar {
  std::string name;
  std::string value;
  // Set from the user's own keys or profile (a machine-wide value must not depend on it).
  bool perUser = false;
};

// CSIDL numbers of the special folders the program uses.
inline constexpr int kCsidlRecent = 8;
inline constexpr int kCsidlStartMenu = 11;
inline constexpr int kCsidlDesktopDirectory = 16;
inline constexpr int kCsidlCommonStartMenu = 22;
inline constexpr int kCsidlAppData = 26;
inline constexpr int kCsidlHistory = 34;

struct SystemProfile {
  OsVersion version;
  std::string windowsDir;                     // as GetWindowsDirectory gives it, e.g. "C:\windows"
  std::string systemDir;                      // e.g. "C:\windows\system32"
  std::map<int, std::string> specialFolders;  // CSIDL -> path; absent when it has none
  std::vector<EnvVar> environment;            // what a process started there would get
  std::string computerName;
  std::string userName;
};

// Expands %NAME% references with the given environment; names compare case-insensitively and
// unknown references stay as written. Never fails.
std::string ExpandEnvironment(std::string_view text, const std::vector<EnvVar>& environment);
// The value of one variable, if set.
std::optional<std::string> FindEnvironment(std::string_view name,
                                           const std::vector<EnvVar>& environment);

}  // namespace ordrex
