#pragma once
// Where a Windows installation keeps its registry on its system volume: the machine's hives in
// Windows\System32\config and each user's hives in the user's profile folder. Windows matches
// names in any case, and copies of a volume (or other tools) may have changed the case, so every
// name here is looked up case-insensitively.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_store.h"

namespace ordrex {

// The entry below `root` that the components name, each matched in any case (an exact match
// first); nullopt when one of them is missing.
std::optional<std::filesystem::path> FindOnVolume(const std::filesystem::path& root,
                                                  const std::vector<std::string>& components);

// One user's profile on the volume.
struct VolumeProfile {
  std::string name;                   // the profile folder's name: what --user takes
  std::string sid;                    // ProfileList's key; empty when ProfileList lacks it
  std::filesystem::path folder;       // empty when the folder is not on the volume
  std::filesystem::path userHive;     // NTUSER.DAT; empty when missing
  std::filesystem::path classesHive;  // UsrClass.dat; empty when missing
  // When NTUSER.DAT was last written: the profile used last.
  std::optional<std::filesystem::file_time_type> lastUsed;
};

// The users' profiles: ProfileList's entries for accounts (SIDs S-1-5-21-...) and the folders
// of Users (or Documents and Settings) that hold an NTUSER.DAT, each once, sorted by name. The
// template and shared profiles (Default, Public, All Users) are no user's. software is
// HKEY_LOCAL_MACHINE\SOFTWARE.
std::vector<VolumeProfile> FindVolumeProfiles(const std::filesystem::path& volume,
                                              const RegistryStore& software);

// The profile `user` names (its folder name or its SID, in any case); without a name the only
// profile with an NTUSER.DAT, else the one used last. Throws TargetError when none fits or the
// chosen profile has no NTUSER.DAT, naming what is missing.
const VolumeProfile& ChooseVolumeProfile(const std::vector<VolumeProfile>& profiles,
                                         std::string_view user,
                                         const std::filesystem::path& volume);

}  // namespace ordrex
