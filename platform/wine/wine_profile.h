#pragma once
// What Wine tells a program about the system of a prefix, worked out from the prefix's registry
// alone (no Wine process is started): the environment its processes get, the special folders
// the shell reports, the Windows version, the Windows and system folders, and the names of the
// computer and the user.

#include <string_view>

#include "platform/registry_store.h"
#include "platform/system_profile.h"

namespace ordrex {

// machine is HKEY_LOCAL_MACHINE; user is the user's branch (HKEY_CURRENT_USER), if any, and
// userSid names the user's ProfileList entry.
SystemProfile BuildWineProfile(const RegistryStore& machine, const RegistryStore* user,
                               std::string_view userSid);

// The environment alone, built as Windows builds a new process's block: the variables the
// system sets itself, then Session Manager\Environment, HKCU\Environment and HKCU\Volatile
// Environment, each key's plain strings before its expandable ones; sorted by name.
std::vector<EnvVar> BuildWineEnvironment(const RegistryStore& machine, const RegistryStore* user,
                                         std::string_view userSid);

}  // namespace ordrex
