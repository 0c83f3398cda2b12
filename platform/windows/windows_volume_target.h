#pragma once
// An offline Windows installation as a target: the system volume of a Windows that is not
// running, mounted here (the folder that holds Windows\System32\config). Its registry comes
// from the hive files, its files from the volume as the system drive. Windows itself must not
// be in the middle of anything: a hibernated session, a volume mounted read-only or a hive with
// transactions waiting in its logs keep every write out, while reading goes on.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/target.h"
#include "platform/target_error.h"
#include "platform/windows/volume_layout.h"

namespace ordrex {

class HiveStore;
class PrefixFileSystem;

// What Kind() says of a volume, as backups record it.
inline constexpr const char* kWindowsVolumeKind = "windows-volume";

// Each reason the volume must not be written now (empty: that one does not apply).
struct VolumeWriteState {
  std::string hibernation;              // hiberfil.sys holds a session to resume
  std::string readOnly;                 // a hive's folder cannot be written
  std::vector<std::string> dirtyHives;  // a hive's reason, for each dirty one
};

class WindowsVolumeTarget : public Target {
 public:
  ~WindowsVolumeTarget() override;

  std::string Kind() const override { return kWindowsVolumeKind; }
  std::string Location() const override { return volume_.string(); }
  std::string UserChoice() const override { return user_.name; }
  RegistryStore* Root(RootHandle root) override { return roots_->Root(root); }
  FileSystem& Files() override;
  const SystemProfile& Profile() const override { return profile_; }
  ShortcutReader& Shortcuts() override { return *shortcuts_; }
  // Hibernation first, then a read-only volume, then a dirty hive; checked anew each time, since
  // the volume may be remounted meanwhile.
  std::string WriteBlocker() const override;
  VolumeWriteState WriteState() const;
  std::vector<std::string> Warnings() const override { return warnings_; }
  // Commits every changed hive to a temporary file beside it, and only when all of them were
  // written renames each over its hive. Refused (RegistryError, nothing written) while
  // WriteBlocker() says why; a failed commit removes the temporary files and leaves every hive.
  void Save() override;

  void SetShortcuts(ShortcutReader& reader) { shortcuts_ = &reader; }
  // The profiles found on the volume and the one whose hives are HKEY_CURRENT_USER.
  const std::vector<VolumeProfile>& Profiles() const { return profiles_; }
  const VolumeProfile& ChosenProfile() const { return user_; }
  // The hives read, machine's first; missing ones are not listed.
  std::vector<const HiveStore*> Hives() const;

 private:
  friend std::unique_ptr<WindowsVolumeTarget> OpenWindowsVolume(const std::filesystem::path&,
                                                                const std::string&, Clock&);
  WindowsVolumeTarget();
  std::vector<HiveStore*> OwnHives() const;

  std::filesystem::path volume_;
  std::unique_ptr<HiveStore> software_;
  std::unique_ptr<HiveStore> system_;
  std::unique_ptr<HiveStore> userDefault_;
  std::unique_ptr<HiveStore> userHive_;
  std::unique_ptr<HiveStore> classes_;
  std::unique_ptr<GraftStore> systemView_;
  std::unique_ptr<GraftStore> userView_;
  MountStore machine_{"HKEY_LOCAL_MACHINE"};
  std::unique_ptr<StandardRoots> roots_;
  std::unique_ptr<PrefixFileSystem> files_;
  SystemProfile profile_;
  std::unique_ptr<ShortcutReader> ownShortcuts_;
  ShortcutReader* shortcuts_ = nullptr;
  std::vector<VolumeProfile> profiles_;
  VolumeProfile user_;
  std::vector<std::string> warnings_;
};

// Opens the volume for `user` (a profile's folder name or SID; empty: the only profile, else
// the one used last). Throws TargetError naming the folder or file when the folder is no
// Windows volume, a hive is missing, truncated or damaged, or the user has no NTUSER.DAT.
std::unique_ptr<WindowsVolumeTarget> OpenWindowsVolume(const std::filesystem::path& volume,
                                                       const std::string& user, Clock& clock);

}  // namespace ordrex
