#pragma once
// What Windows tells a program about the system, worked out from the system's registry alone
// (no Windows or Wine process is asked): the environment its processes get, the special folders
// the shell reports, the Windows and system folders, and the names of the computer and the
// user. Shared by every target that reads a registry from files.

#include <optional>
#include <string_view>
#include <vector>

#include "platform/registry_store.h"
#include "platform/system_profile.h"

namespace ordrex {

// machine is HKEY_LOCAL_MACHINE; user is the user's branch (HKEY_CURRENT_USER), if any, and
// userSid names the user's ProfileList entry. The version is the caller's: Wine may be told to
// report another one than its registry holds.
SystemProfile BuildRegistryProfile(const RegistryStore& machine, const RegistryStore* user,
                                   std::string_view userSid, const OsVersion& version);

// The environment alone, built as Windows builds a new process's block: the variables the
// system sets itself, then Session Manager\Environment, HKCU\Environment and HKCU\Volatile
// Environment, each key's plain strings before its expandable ones; sorted by name.
std::vector<EnvVar> BuildRegistryEnvironment(const RegistryStore& machine,
                                             const RegistryStore* user, std::string_view userSid);

// The version the CurrentVersion keys give (CurrentMajorVersionNumber and
// CurrentMinorVersionNumber first, since Windows 10 and later leave CurrentVersion at "6.3");
// nullopt when neither the NT nor the Windows 9x key says.
std::optional<OsVersion> RegistryWindowsVersion(const RegistryStore& machine);

}  // namespace ordrex
