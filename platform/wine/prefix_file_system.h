#pragma once
// The files of a Wine prefix seen through Windows paths. Drive letters come from the prefix's
// dosdevices links; every path component is matched case-insensitively against the host
// folder's listing, as Wine itself does. The prefix must never be damaged: deletes and copies
// into the prefix stay inside the drive folders that lie in the prefix, and walks are told which
// entries lead elsewhere (links to folders, mounts) so that they do not enter them.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
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
  // The given drives and no others (an offline volume as its system drive). Paths on any other
  // drive, and shares, are beyond reach: the system they belong to is not running.
  explicit PrefixFileSystem(std::vector<DriveInfo> drives);

  bool IsFile(std::string_view path) override;
  bool IsFolder(std::string_view path) override;
  std::optional<std::vector<DirEntry>> List(std::string_view folder) override;
  std::optional<Bytes> ReadFile(std::string_view path, std::size_t maxBytes) override;
  std::optional<std::filesystem::path> HostPath(std::string_view path) override;
  bool DeleteFile(std::string_view path) override;
  bool CopyOut(std::string_view path, const std::filesystem::path& dest) override;
  bool CopyIn(const std::filesystem::path& source, std::string_view path) override;
  std::vector<DriveInfo> Drives() override { return drives_; }
  bool IsBeyondReach(std::string_view path) override;

  // Forgets every cached listing (after something outside the program changed the prefix).
  void DropCache() override { listings_.clear(); }

 private:
  // What a listing tells of an entry without asking the host again. Links (and entries whose
  // type the listing did not give) are tested on the host when they are looked up.
  enum class EntryKind : char { File = 'f', Folder = 'd', Unknown = '?' };
  // A folder's names packed into one buffer, sorted case-insensitively (byte order among names
  // that differ only in case), each followed by its kind: large drives hold many thousands of
  // names, and a listing is kept for every folder a scan looks into.
  struct Listing {
    std::string packed;
    std::vector<std::uint32_t> starts;  // where each name begins in packed
  };
  struct RawEntry {
    std::string name;
    EntryKind kind = EntryKind::Unknown;
  };
  struct Match {
    std::string name;  // the real name on the host
    EntryKind kind = EntryKind::Unknown;
  };
  // An existing entry: where it lies on the host, and whether it is a folder.
  struct Found {
    std::filesystem::path host;
    bool folder = false;
  };
  struct ParsedOverlay {
    WindowsPath folder;
    std::filesystem::path host;
  };

  void ReadDriveTable();
  const DriveInfo* FindDrive(char letter) const;
  // The entry of hostFolder that matches name: the one of exactly that name, else the first
  // that differs only in case.
  std::optional<Match> MatchEntry(const std::filesystem::path& hostFolder, std::string_view name);
  const Listing* CachedListing(const std::filesystem::path& hostFolder);
  // Keeps the entries of the host folder named by key as its listing, replacing an older one.
  const Listing& StoreListing(std::string key, std::vector<RawEntry> entries);
  // What a directory entry's recorded type (DT_...) tells without asking the host.
  static EntryKind KindOf(unsigned char type);
  // Walks components below base to the existing entry they name.
  std::optional<Found> Walk(std::filesystem::path base, const std::vector<std::string>& components,
                            std::size_t count);
  // An existing entry; overlays are consulted when the prefix has none.
  std::optional<Found> Locate(std::string_view path, bool useOverlays);
  std::optional<Found> LocateParsed(const WindowsPath& parsed, bool useOverlays);
  // For writes: the host folder and drive of the parent of path, when writes may go there.
  bool WritableFolder(const WindowsPath& parsed, std::filesystem::path& hostFolder);

  std::filesystem::path prefix_;
  std::vector<DriveInfo> drives_;
  std::vector<ParsedOverlay> overlays_;
  std::unordered_map<std::string, Listing> listings_;
  // A prefix's missing drive is missing for Wine's programs too; a volume's is not.
  bool otherDrivesBeyondReach_ = false;
};

}  // namespace ordrex
