#pragma once
// The files of a Wine prefix seen through Windows paths. Drive letters come from the prefix's
// dosdevices links; every path component is matched case-insensitively against the host
// folder's listing, as Wine itself does. The prefix must never be damaged: deletes and copies
// into the prefix stay inside the drive folders that lie in the prefix, and walks are told which
// entries lead elsewhere (links to folders, mounts) so that they do not enter them.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/file_system.h"

namespace ordrex {

// A Windows folder whose missing entries are served from a host folder outside the prefix.
// Wine serves some files from its own installation (fonts from its data folder) that a
// program finds under C:\windows although the prefix holds no copy. Lookups see the overlay;
// listings, deletes and copies into the prefix never do.
struct FolderOverlay {
  std::string windowsFolder;  // e.g. "C:\windows\Fonts"
  std::filesystem::path hostFolder;
};

// Wine's own font folders on this machine (Debian's fonts-wine, upstream installs), those that
// exist.
std::vector<std::filesystem::path> WineFontFolders();

// A Windows path taken apart. Win32 normalisation is applied: "/" counts as "\", empty and "."
// components vanish, ".." climbs but never above the drive root.
struct WindowsPath {
  char drive = 'C';  // upper case
  std::vector<std::string> components;
  bool trailingSeparator = false;  // names a folder only
};
// nullopt for what can never name a file of the prefix: UNC and device paths, paths without a
// drive letter, names with characters Windows forbids.
std::optional<WindowsPath> ParseWindowsPath(std::string_view path);

class PrefixFileSystem : public FileSystem {
 public:
  explicit PrefixFileSystem(std::filesystem::path prefix, std::vector<FolderOverlay> overlays = {});

  bool IsFile(std::string_view path) override;
  bool IsFolder(std::string_view path) override;
  std::optional<std::vector<DirEntry>> List(std::string_view folder) override;
  std::optional<Bytes> ReadFile(std::string_view path, std::size_t maxBytes) override;
  std::optional<std::filesystem::path> HostPath(std::string_view path) override;
  bool DeleteFile(std::string_view path) override;
  bool CopyOut(std::string_view path, const std::filesystem::path& dest) override;
  bool CopyIn(const std::filesystem::path& source, std::string_view path) override;
  std::vector<DriveInfo> Drives() override { return drives_; }

  // Forgets every cached listing (after something outside the program changed the prefix).
  void DropCache() { listings_.clear(); }

 private:
  struct Listing {
    std::unordered_set<std::string> exact;
    std::unordered_map<std::string, std::string> byFolded;  // folded name -> one real name
  };
  struct ParsedOverlay {
    WindowsPath folder;
    std::filesystem::path host;
  };

  void ReadDriveTable();
  const DriveInfo* FindDrive(char letter) const;
  // The real name of the entry of hostFolder that matches name, if any.
  std::optional<std::string> MatchEntry(const std::filesystem::path& hostFolder,
                                        const std::string& name);
  const Listing* CachedListing(const std::filesystem::path& hostFolder);
  // Walks components below base; the host path of the entry they name, which exists.
  std::optional<std::filesystem::path> Walk(std::filesystem::path base,
                                            const std::vector<std::string>& components,
                                            std::size_t count);
  // The host path of an existing entry; overlays are consulted when the prefix has none.
  std::optional<std::filesystem::path> Locate(std::string_view path, bool useOverlays);
  std::optional<std::filesystem::path> LocateParsed(const WindowsPath& parsed, bool useOverlays);
  // For writes: the host folder and drive of the parent of path, when writes may go there.
  bool WritableFolder(const WindowsPath& parsed, std::filesystem::path& hostFolder);

  std::filesystem::path prefix_;
  std::vector<DriveInfo> drives_;
  std::vector<ParsedOverlay> overlays_;
  std::unordered_map<std::string, Listing> listings_;
};

}  // namespace ordrex
