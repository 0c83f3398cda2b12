#pragma once
// A Wine prefix as a target: HKEY_LOCAL_MACHINE from system.reg, HKEY_CURRENT_USER from
// user.reg, HKEY_USERS\.DEFAULT from userdef.reg, the drives of dosdevices, and what Wine
// would tell a program about the system. A prefix must never be damaged: it opens read-only
// when a registry file was not fully understood, and every save is refused while a wineserver
// serves the prefix (it would overwrite our changes with its own copy when it exits).

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/target.h"
#include "platform/target_error.h"
#include "platform/wine/prefix_file_system.h"

namespace ordrex {

class WineRegistryFile;

struct WinePrefixOptions {
  // Windows folders that Wine serves from its installation. By default: Wine's font folders
  // (WineFontFolders) as the Fonts folder of the prefix's Windows folder.
  std::optional<std::vector<FolderOverlay>> overlays;
};

// What Kind() says of a prefix, as backups and restore points record it.
inline constexpr const char* kWinePrefixKind = "wine-prefix";

struct RegistryFileInfo {
  std::filesystem::path path;
  std::size_t keys = 0;  // every key of the file's tree, implied ones and links included
};

class WinePrefixTarget : public Target {
 public:
  ~WinePrefixTarget() override;

  std::string Kind() const override { return kWinePrefixKind; }
  std::string Location() const override { return prefix_.string(); }
  RegistryStore* Root(RootHandle root) override { return roots_->Root(root); }
  FileSystem& Files() override { return *files_; }
  const SystemProfile& Profile() const override { return profile_; }
  ShortcutReader& Shortcuts() override { return *shortcuts_; }
  std::string WriteBlocker() const override;
  std::vector<std::string> Warnings() const override { return warnings_; }
  // Writes the changed registry files, each replaced atomically. Refused (RegistryError,
  // nothing written) when a wineserver serves the prefix by now or a file may not be written.
  void Save() override;

  // The reader of shortcut targets (a .lnk reader by default). Not owned.
  void SetShortcuts(ShortcutReader& reader) { shortcuts_ = &reader; }
  // How Save writes files (tests make it fail on purpose). Not owned.
  void SetFileWriter(FileWriter& writer) { writer_ = &writer; }
  // The pid of a wineserver serving the prefix right now, if one does.
  std::optional<int> WineserverPid() const;
  std::vector<RegistryFileInfo> RegistryFiles() const;
  const std::string& UserSid() const { return userSid_; }

 private:
  friend std::unique_ptr<WinePrefixTarget> OpenWinePrefix(const std::filesystem::path&, Clock&,
                                                          WinePrefixOptions);
  WinePrefixTarget() = default;

  std::filesystem::path prefix_;
  std::unique_ptr<WineRegistryFile> system_;
  std::unique_ptr<WineRegistryFile> user_;
  std::unique_ptr<WineRegistryFile> userDefault_;
  // Stands in for a branch whose file is missing; it refuses every write.
  std::unique_ptr<MemoryStore> missingUser_;
  std::unique_ptr<MemoryStore> missingUserDefault_;
  std::string userSid_;
  std::unique_ptr<StandardRoots> roots_;
  std::unique_ptr<PrefixFileSystem> files_;
  SystemProfile profile_;
  std::unique_ptr<ShortcutReader> ownShortcuts_;
  ShortcutReader* shortcuts_ = nullptr;
  // Why the prefix may not be changed, as found when it was opened.
  std::string openBlocker_;
  // Each file's size and time as read (or last saved): a file that changed since then was
  // written by Wine meanwhile, and saving over it would lose that.
  struct FileStamp {
    std::uintmax_t size = 0;
    std::filesystem::file_time_type time;
  };
  std::map<std::filesystem::path, FileStamp> stamps_;
  AtomicFileWriter ownWriter_;
  FileWriter* writer_ = &ownWriter_;
  std::vector<std::string> warnings_;
};

// One spelling of a prefix folder (absolute, links resolved, no final separator), so two
// spellings of the same folder compare equal.
std::filesystem::path NormalizedPrefixFolder(const std::filesystem::path& folder);

// Whether `folder` is a Wine prefix as OpenWinePrefix sees one: a folder holding system.reg.
// Never throws; an unreadable folder is no prefix.
bool IsWinePrefix(const std::filesystem::path& folder);

// Opens the prefix folder. Throws TargetError when the folder does not exist, holds no
// system.reg (not a prefix), or a registry file cannot be read or is no Wine registry file at
// all (its header is wrong). A file that was read but not fully understood opens read-only,
// and Warnings() says what was wrong with it.
std::unique_ptr<WinePrefixTarget> OpenWinePrefix(const std::filesystem::path& prefix, Clock& clock,
                                                 WinePrefixOptions options = {});

}  // namespace ordrex
