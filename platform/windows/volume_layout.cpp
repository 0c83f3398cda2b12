#include "platform/windows/volume_layout.h"

#include <algorithm>

#include "platform/target_error.h"
#include "platform/text.h"

namespace ordrex {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kProfileList = "Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

// Profiles every installation has that belong to nobody in particular.
constexpr std::string_view kSharedProfiles[] = {"Default", "Default User", "Public", "All Users"};

bool IsSharedProfile(std::string_view name) {
  return std::any_of(std::begin(kSharedProfiles), std::end(kSharedProfiles),
                     [&](std::string_view shared) { return SameText(shared, name); });
}

std::optional<fs::path> FindEntry(const fs::path& folder, std::string_view name) {
  std::error_code ec;
  if (fs::exists(folder / name, ec)) return folder / name;
  std::optional<fs::path> found;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (SameText(it->path().filename().string(), name)) {
      found = it->path();
      break;
    }
  }
  return found;
}

bool IsRegularFile(const fs::path& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

// The folder a ProfileImagePath names on the volume, from the components after its drive
// ("C:\Users\ann", "%SystemDrive%\Users\ann"); nullopt for another drive or a share.
std::optional<fs::path> ProfileFolderOnVolume(const fs::path& volume, std::string_view image) {
  std::string_view rest;
  if (image.size() >= 2 && image[1] == ':') {
    rest = image.substr(2);
  } else if (StartsWithText(image, "%SystemDrive%")) {
    rest = image.substr(std::string_view("%SystemDrive%").size());
  } else {
    return std::nullopt;
  }
  std::vector<std::string> parts;
  for (auto& part : Split(rest, '\\')) {
    if (!part.empty()) parts.push_back(std::move(part));
  }
  if (parts.empty()) return std::nullopt;
  return FindOnVolume(volume, parts);
}

void FillHives(VolumeProfile& profile) {
  if (profile.folder.empty()) return;
  if (auto hive = FindOnVolume(profile.folder, {"NTUSER.DAT"}); hive && IsRegularFile(*hive)) {
    profile.userHive = *hive;
    std::error_code ec;
    const auto time = fs::last_write_time(*hive, ec);
    if (!ec) profile.lastUsed = time;
  }
  // Vista and later; XP kept it under Local Settings.
  for (const std::vector<std::string>& where :
       {std::vector<std::string>{"AppData", "Local", "Microsoft", "Windows", "UsrClass.dat"},
        std::vector<std::string>{"Local Settings", "Application Data", "Microsoft", "Windows",
                                 "UsrClass.dat"}}) {
    if (auto hive = FindOnVolume(profile.folder, where); hive && IsRegularFile(*hive)) {
      profile.classesHive = *hive;
      break;
    }
  }
}

std::string ProfileNames(const std::vector<VolumeProfile>& profiles) {
  std::string names;
  for (const auto& profile : profiles) {
    if (profile.userHive.empty()) continue;
    names += (names.empty() ? "" : ", ") + profile.name;
  }
  return names;
}

}  // namespace

std::optional<fs::path> FindOnVolume(const fs::path& root,
                                     const std::vector<std::string>& components) {
  fs::path path = root;
  for (const auto& component : components) {
    auto next = FindEntry(path, component);
    if (!next) return std::nullopt;
    path = std::move(*next);
  }
  return path;
}

std::vector<VolumeProfile> FindVolumeProfiles(const fs::path& volume,
                                              const RegistryStore& software) {
  std::vector<VolumeProfile> profiles;
  for (const auto& sid : software.SubkeyNames(kProfileList)) {
    if (!StartsWithText(sid, "S-1-5-21-")) continue;  // the system's own accounts
    const auto image = software.QueryValue(JoinKeyPath(kProfileList, sid), "ProfileImagePath");
    if (!image || (image->type != kRegSz && image->type != kRegExpandSz)) continue;
    const std::string path = RegDataToString(image->data);
    VolumeProfile profile;
    profile.sid = sid;
    const auto slash = path.find_last_of('\\');
    profile.name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (profile.name.empty()) continue;
    if (auto folder = ProfileFolderOnVolume(volume, path)) profile.folder = *folder;
    FillHives(profile);
    profiles.push_back(std::move(profile));
  }
  for (const char* users : {"Users", "Documents and Settings"}) {
    const auto folder = FindOnVolume(volume, {users});
    if (!folder) continue;
    std::error_code ec;
    for (fs::directory_iterator it(*folder, ec), end; !ec && it != end; it.increment(ec)) {
      std::error_code kind;
      // Default User and All Users are junctions to other profiles.
      if (it->is_symlink(kind) || !it->is_directory(kind)) continue;
      const std::string name = it->path().filename().string();
      if (IsSharedProfile(name)) continue;
      const bool known = std::any_of(profiles.begin(), profiles.end(), [&](const auto& profile) {
        return !profile.folder.empty() && fs::equivalent(profile.folder, it->path(), kind);
      });
      if (known) continue;
      VolumeProfile profile;
      profile.name = name;
      profile.folder = it->path();
      FillHives(profile);
      if (!profile.userHive.empty()) profiles.push_back(std::move(profile));
    }
  }
  std::sort(profiles.begin(), profiles.end(), [](const VolumeProfile& a, const VolumeProfile& b) {
    return CompareText(a.name, b.name) < 0;
  });
  return profiles;
}

const VolumeProfile& ChooseVolumeProfile(const std::vector<VolumeProfile>& profiles,
                                         std::string_view user, const fs::path& volume) {
  const VolumeProfile* chosen = nullptr;
  if (!user.empty()) {
    for (const auto& profile : profiles) {
      if (SameText(profile.name, user) || SameText(profile.sid, user)) {
        chosen = &profile;
        break;
      }
    }
    if (chosen == nullptr) {
      const std::string names = ProfileNames(profiles);
      throw TargetError("There is no user " + std::string(user) + " on " + volume.string() +
                        (names.empty() ? std::string(".") : "; its users are " + names + "."));
    }
  } else {
    for (const auto& profile : profiles) {
      if (profile.userHive.empty()) continue;
      if (chosen == nullptr || profile.lastUsed > chosen->lastUsed) chosen = &profile;
    }
    if (chosen == nullptr) {
      throw TargetError("No user profile with an NTUSER.DAT was found on " + volume.string() +
                        " (in Users or in the ProfileList key).");
    }
  }
  if (chosen->userHive.empty()) {
    const fs::path where = chosen->folder.empty()
                               ? fs::path("the profile folder of " + chosen->name)
                               : chosen->folder / "NTUSER.DAT";
    throw TargetError(where.string() + " is missing: the user's registry hive cannot be read.");
  }
  return *chosen;
}

}  // namespace ordrex
