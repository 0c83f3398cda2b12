#pragma once
// What Wine tells a program about the system of a prefix, worked out from the prefix's registry
// alone (no Wine process is started): what Windows would compute from the same registry, with
// the Windows version Wine is told to report.

#include <string_view>

#include "platform/registry_store.h"
#include "platform/system_profile.h"

namespace ordrex {

// machine is HKEY_LOCAL_MACHINE; user is the user's branch (HKEY_CURRENT_USER), if any, and
// userSid names the user's ProfileList entry.
SystemProfile BuildWineProfile(const RegistryStore& machine, const RegistryStore* user,
                               std::string_view userSid);

}  // namespace ordrex
