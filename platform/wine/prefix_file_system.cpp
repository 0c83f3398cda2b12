#include "platform/wine/prefix_file_system.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>

#include <algorithm>
#include <fstream>
#include <random>

#include "platform/text.h"

namespace ordrex {

namespace fs = std::filesystem;

namespace {

// Listings are cheap to rebuild; the cap only keeps a long run from holding every folder of a
// large prefix at once.
constexpr std::size_t kMaxCachedListings = 4096;

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

bool IsForbiddenInName(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u < 0x20 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' ||
         c == '*';
}

bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char UpperLetter(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// True when inner is outer or lies below it; both must already be canonical.
bool IsWithin(const fs::path& inner, const fs::path& outer) {
  auto i = inner.begin();
  for (auto o = outer.begin(); o != outer.end(); ++o, ++i) {
    if (o->empty()) continue;  // a trailing separator of outer
    if (i == inner.end() || *i != *o) return false;
  }
  return true;
}

std::optional<fs::path> Canonical(const fs::path& path) {
  std::error_code ec;
  fs::path result = fs::canonical(path, ec);
  if (ec) return std::nullopt;
  return result;
}

std::optional<dev_t> DeviceOf(const fs::path& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return info.st_dev;
}

bool IsHostFolder(const fs::path& host) {
  std::error_code ec;
  return fs::is_directory(host, ec);
}

bool IsHostFile(const fs::path& host) {
  std::error_code ec;
  const auto status = fs::status(host, ec);
  return !ec && fs::exists(status) && !fs::is_directory(status);
}

// Calls visit(name, type) for each entry of the folder but "." and "..", with the type the
// folder records (DT_REG, DT_DIR, DT_LNK, or DT_UNKNOWN where the file system keeps none).
// False when the folder cannot be read to its end.
template <typename Visit>
bool ReadFolder(const fs::path& folder, Visit&& visit) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return false;
  bool ok = true;
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(dir);
    if (entry == nullptr) {
      ok = errno == 0;
      break;
    }
    const std::string_view name(entry->d_name);
    if (name == "." || name == "..") continue;
    visit(name, entry->d_type);
  }
  ::closedir(dir);
  return ok;
}

}  // namespace

std::vector<fs::path> WineFontFolders() {
  static const char* const kCandidates[] = {
      "/usr/share/wine/fonts",              // Debian, Ubuntu (fonts-wine)
      "/usr/local/share/wine/fonts",        // built from source
      "/opt/wine-stable/share/wine/fonts",  // WineHQ packages
      "/opt/wine-devel/share/wine/fonts",
      "/opt/wine-staging/share/wine/fonts",
  };
  std::vector<fs::path> found;
  for (const char* candidate : kCandidates) {
    if (IsHostFolder(candidate)) found.emplace_back(candidate);
  }
  return found;
}

std::optional<WindowsPath> ParseWindowsPath(std::string_view path) {
  path = WithoutLongPathPrefix(path);
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    return std::nullopt;  // a share (\\server\share) or a device (\\.\PhysicalDrive0)
  }
  if (path.size() < 2 || !IsAsciiLetter(path[0]) || path[1] != ':') return std::nullopt;

  WindowsPath parsed;
  parsed.drive = UpperLetter(path[0]);
  // Without a separator after "C:" the path is relative to the drive's current folder, which
  // for a program that never changed it is the drive's root.
  const std::string_view rest = path.substr(2);
  std::size_t pos = 0;
  while (pos <= rest.size()) {
    std::size_t end = pos;
    while (end < rest.size() && !IsSeparator(rest[end]))
      ++end;
    const std::string_view part = rest.substr(pos, end - pos);
    if (part == "..") {
      if (!parsed.components.empty()) parsed.components.pop_back();
    } else if (!part.empty() && part != ".") {
      if (std::any_of(part.begin(), part.end(), IsForbiddenInName)) return std::nullopt;
      parsed.components.emplace_back(part);
    }
    pos = end + 1;
  }
  parsed.trailingSeparator = !rest.empty() && IsSeparator(rest.back());
  return parsed;
}

PrefixFileSystem::PrefixFileSystem(fs::path prefix, std::vector<FolderOverlay> overlays)
    : prefix_(std::move(prefix)) {
  ReadDriveTable();
  for (auto& overlay : overlays) {
    auto folder = ParseWindowsPath(overlay.windowsFolder);
    if (folder) overlays_.push_back({std::move(*folder), std::move(overlay.hostFolder)});
  }
}

PrefixFileSystem::PrefixFileSystem(std::vector<DriveInfo> drives)
    : drives_(std::move(drives)), otherDrivesBeyondReach_(true) {
  std::sort(drives_.begin(), drives_.end(),
            [](const DriveInfo& a, const DriveInfo& b) { return a.letter < b.letter; });
}

bool PrefixFileSystem::IsBeyondReach(std::string_view path) {
  if (!otherDrivesBeyondReach_) return false;
  path = WithoutLongPathPrefix(path);
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) return true;
  if (path.size() < 2 || !IsAsciiLetter(path[0]) || path[1] != ':') return false;
  return FindDrive(UpperLetter(path[0])) == nullptr;
}

void PrefixFileSystem::ReadDriveTable() {
  const fs::path devices = prefix_ / "dosdevices";
  const auto prefixReal = Canonical(prefix_);
  std::error_code ec;
  for (fs::directory_iterator it(devices, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    // "c:" is a drive; "c::" its raw device, "com1" a port: neither holds files.
    if (name.size() != 2 || !IsAsciiLetter(name[0]) || name[1] != ':') continue;
    DriveInfo drive;
    drive.letter = UpperLetter(name[0]);
    std::error_code linkError;
    if (it->is_symlink(linkError)) {
      const fs::path target = fs::read_symlink(it->path(), linkError);
      if (linkError) continue;
      drive.hostPath = (target.is_absolute() ? target : devices / target).lexically_normal();
    } else {
      drive.hostPath = it->path();
    }
    // A drive is the system's own when its folder lies inside the prefix (not the prefix
    // itself, which holds the registry files): Wine's z: -> / is the whole host.
    const auto real = Canonical(drive.hostPath);
    drive.fixed = prefixReal && real && IsHostFolder(*real) && *real != *prefixReal &&
                  IsWithin(*real, *prefixReal);
    if (FindDrive(drive.letter) != nullptr) {
      // Wine looks up the lower-case name; keep that one if both spellings exist.
      if (name[0] != drive.letter) {
        for (auto& known : drives_) {
          if (known.letter == drive.letter) known = drive;
        }
      }
      continue;
    }
    drives_.push_back(std::move(drive));
  }
  std::sort(drives_.begin(), drives_.end(),
            [](const DriveInfo& a, const DriveInfo& b) { return a.letter < b.letter; });
}

const DriveInfo* PrefixFileSystem::FindDrive(char letter) const {
  for (const auto& drive : drives_) {
    if (drive.letter == letter) return &drive;
  }
  return nullptr;
}

PrefixFileSystem::EntryKind PrefixFileSystem::KindOf(unsigned char type) {
  // A link is followed only when it is looked up; some file systems record no type at all.
  if (type == DT_DIR) return EntryKind::Folder;
  if (type == DT_LNK || type == DT_UNKNOWN) return EntryKind::Unknown;
  return EntryKind::File;
}

const PrefixFileSystem::Listing* PrefixFileSystem::CachedListing(const fs::path& hostFolder) {
  std::string key = hostFolder.string();
  if (auto hit = listings_.find(key); hit != listings_.end()) return &hit->second;
  std::vector<RawEntry> entries;
  if (!ReadFolder(hostFolder, [&](std::string_view name, unsigned char type) {
        entries.push_back({std::string(name), KindOf(type)});
      })) {
    return nullptr;
  }
  return &StoreListing(std::move(key), std::move(entries));
}

const PrefixFileSystem::Listing& PrefixFileSystem::StoreListing(std::string key,
                                                                std::vector<RawEntry> entries) {
  std::sort(entries.begin(), entries.end(), [](const RawEntry& a, const RawEntry& b) {
    const int order = CompareText(a.name, b.name);
    return order != 0 ? order < 0 : a.name < b.name;
  });
  Listing listing;
  listing.starts.reserve(entries.size());
  for (const RawEntry& entry : entries) {
    listing.starts.push_back(static_cast<std::uint32_t>(listing.packed.size()));
    listing.packed += entry.name;
    listing.packed.push_back(static_cast<char>(entry.kind));
  }
  listing.packed.shrink_to_fit();
  if (listings_.size() >= kMaxCachedListings) listings_.clear();
  return listings_.insert_or_assign(std::move(key), std::move(listing)).first->second;
}

std::optional<PrefixFileSystem::Match> PrefixFileSystem::MatchEntry(const fs::path& hostFolder,
                                                                    std::string_view name) {
  const Listing* listing = CachedListing(hostFolder);
  if (listing == nullptr) return std::nullopt;
  const auto& starts = listing->starts;
  // The name of entry i, and its kind just after it.
  const auto entry = [&](std::size_t i) {
    const std::size_t end = i + 1 < starts.size() ? starts[i + 1] : listing->packed.size();
    return std::string_view(listing->packed).substr(starts[i], end - starts[i] - 1);
  };
  const auto kindOf = [&](std::string_view entryName) {
    return static_cast<EntryKind>(*(entryName.data() + entryName.size()));
  };
  std::size_t low = 0;
  std::size_t high = starts.size();
  while (low < high) {
    const std::size_t mid = low + (high - low) / 2;
    if (CompareText(entry(mid), name) < 0) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  // Names that differ only in case lie together, in byte order: the first of them is picked
  // the same way every time, unless one is spelt exactly as asked.
  std::optional<Match> first;
  for (std::size_t i = low; i < starts.size(); ++i) {
    const std::string_view candidate = entry(i);
    if (!SameText(candidate, name)) break;
    if (candidate == name) return Match{std::string(candidate), kindOf(candidate)};
    if (!first) first = Match{std::string(candidate), kindOf(candidate)};
  }
  return first;
}

std::optional<PrefixFileSystem::Found> PrefixFileSystem::Walk(
    fs::path base, const std::vector<std::string>& components, std::size_t count) {
  EntryKind kind = EntryKind::Unknown;
  for (std::size_t i = 0; i < count; ++i) {
    const auto real = MatchEntry(base, components[i]);
    if (!real) return std::nullopt;
    base /= real->name;
    kind = real->kind;
  }
  if (kind != EntryKind::Unknown) return Found{std::move(base), kind == EntryKind::Folder};
  // A link (which may dangle) or the start folder itself: ask the host.
  std::error_code ec;
  const auto status = fs::status(base, ec);
  if (ec || !fs::exists(status)) return std::nullopt;
  const bool folder = fs::is_directory(status);
  return Found{std::move(base), folder};
}

std::optional<PrefixFileSystem::Found> PrefixFileSystem::LocateParsed(const WindowsPath& parsed,
                                                                      bool useOverlays) {
  const DriveInfo* drive = FindDrive(parsed.drive);
  if (drive == nullptr) return std::nullopt;
  auto found = Walk(drive->hostPath, parsed.components, parsed.components.size());
  if (found || !useOverlays) return found;

  for (const auto& overlay : overlays_) {
    const auto& folder = overlay.folder.components;
    if (overlay.folder.drive != parsed.drive || parsed.components.size() <= folder.size()) {
      continue;
    }
    if (!std::equal(folder.begin(), folder.end(), parsed.components.begin(), SameText)) {
      continue;
    }
    const std::vector<std::string> rest(parsed.components.begin() + folder.size(),
                                        parsed.components.end());
    if (auto inOverlay = Walk(overlay.host, rest, rest.size())) return inOverlay;
  }
  return std::nullopt;
}

std::optional<PrefixFileSystem::Found> PrefixFileSystem::Locate(std::string_view path,
                                                                bool useOverlays) {
  const auto parsed = ParseWindowsPath(path);
  if (!parsed) return std::nullopt;
  auto found = LocateParsed(*parsed, useOverlays);
  if (found && parsed->trailingSeparator && !found->folder) return std::nullopt;
  return found;
}

bool PrefixFileSystem::IsFile(std::string_view path) {
  const auto found = Locate(path, true);
  return found && !found->folder;
}

bool PrefixFileSystem::IsFolder(std::string_view path) {
  const auto found = Locate(path, true);
  return found && found->folder;
}

std::optional<std::vector<DirEntry>> PrefixFileSystem::List(std::string_view folder) {
  const auto found = Locate(folder, false);
  if (!found || !found->folder) return std::nullopt;
  const fs::path& host = found->host;
  const auto folderDevice = DeviceOf(host);

  std::vector<DirEntry> entries;
  std::vector<RawEntry> raw;
  const bool read = ReadFolder(host, [&](std::string_view name, unsigned char type) {
    raw.push_back({std::string(name), KindOf(type)});
    // A name that is not UTF-8 cannot be written in any registry string we compare with.
    if (!IsValidUtf8(name)) return;
    DirEntry entry;
    entry.name = name;
    // The folder records each entry's own type; only links and folders are asked about further.
    std::error_code statError;
    if (type == DT_UNKNOWN) {
      const auto own = fs::symlink_status(host / name, statError);
      if (statError) return;
      type = fs::is_symlink(own) ? DT_LNK : fs::is_directory(own) ? DT_DIR : DT_REG;
    }
    if (type == DT_LNK) {
      const auto target = fs::status(host / name, statError);
      if (statError || !fs::exists(target)) return;  // dangling: nothing a program can open
      entry.linkedFolder = fs::is_directory(target);
    } else if (type == DT_DIR) {
      // A folder of another file system mounted here leads off the drive as a link would.
      const auto device = DeviceOf(host / name);
      entry.linkedFolder = !folderDevice || !device || *device != *folderDevice;
      entry.folder = !entry.linkedFolder;
    }
    entries.push_back(std::move(entry));
  });
  if (!read) return std::nullopt;
  // The walk that asked will look names of this folder up next: the fresh listing serves them.
  StoreListing(host.string(), std::move(raw));
  return entries;
}

std::optional<Bytes> PrefixFileSystem::ReadFile(std::string_view path, std::size_t maxBytes) {
  const auto found = Locate(path, true);
  if (!found || found->folder) return std::nullopt;
  std::ifstream in(found->host, std::ios::binary);
  if (!in) return std::nullopt;
  Bytes data;
  constexpr std::size_t kChunk = 64 * 1024;
  while (data.size() < maxBytes) {
    const std::size_t want = std::min(kChunk, maxBytes - data.size());
    const std::size_t had = data.size();
    data.resize(had + want);
    in.read(reinterpret_cast<char*>(data.data() + had), static_cast<std::streamsize>(want));
    data.resize(had + static_cast<std::size_t>(in.gcount()));
    if (!in) break;
  }
  if (in.bad()) return std::nullopt;
  return data;
}

std::optional<fs::path> PrefixFileSystem::HostPath(std::string_view path) {
  auto found = Locate(path, true);
  if (!found) return std::nullopt;
  return std::move(found->host);
}

bool PrefixFileSystem::WritableFolder(const WindowsPath& parsed, fs::path& hostFolder) {
  const DriveInfo* drive = FindDrive(parsed.drive);
  if (drive == nullptr || !drive->fixed || parsed.components.empty()) return false;
  const auto folder = Walk(drive->hostPath, parsed.components, parsed.components.size() - 1);
  if (!folder || !folder->folder) return false;
  // Through a link the folder may really lie outside the drive (a user folder linked to the
  // home folder): never change anything there.
  const auto folderReal = Canonical(folder->host);
  const auto driveReal = Canonical(drive->hostPath);
  if (!folderReal || !driveReal || !IsWithin(*folderReal, *driveReal)) return false;
  hostFolder = folder->host;
  return true;
}

bool PrefixFileSystem::DeleteFile(std::string_view path) {
  const auto parsed = ParseWindowsPath(path);
  if (!parsed || parsed->trailingSeparator) return false;
  fs::path folder;
  if (!WritableFolder(*parsed, folder)) return false;
  const auto name = MatchEntry(folder, parsed->components.back());
  if (!name) return false;
  const fs::path host = folder / name->name;
  std::error_code ec;
  const auto own = fs::symlink_status(host, ec);
  // DeleteFile removes files only; a link to a file goes, the file it names stays.
  if (ec || fs::is_directory(own) || (fs::is_symlink(own) && IsHostFolder(host))) return false;
  const bool removed = fs::remove(host, ec);
  listings_.erase(folder.string());
  return removed && !ec;
}

bool PrefixFileSystem::CopyOut(std::string_view path, const fs::path& dest) {
  const auto found = Locate(path, true);
  if (!found || found->folder) return false;
  std::error_code ec;
  fs::copy_file(found->host, dest, fs::copy_options::overwrite_existing, ec);
  return !ec;
}

bool PrefixFileSystem::CopyIn(const fs::path& source, std::string_view path) {
  const auto parsed = ParseWindowsPath(path);
  if (!parsed || parsed->trailingSeparator || !IsHostFile(source)) return false;
  fs::path folder;
  if (!WritableFolder(*parsed, folder)) return false;
  // An existing file of that name (in any case) is the one Windows would replace.
  const auto match = MatchEntry(folder, parsed->components.back());
  const std::string name = match ? match->name : parsed->components.back();
  const fs::path dest = folder / name;
  std::error_code ec;
  const auto own = fs::symlink_status(dest, ec);
  if (fs::is_directory(own) || fs::is_symlink(own)) return false;

  // Copy beside the destination, then rename: a half-copied file never takes its place.
  std::random_device random;
  const fs::path temp = folder / (".ordrex-" + std::to_string(random()) + ".tmp");
  listings_.erase(folder.string());
  fs::copy_file(source, temp, fs::copy_options::none, ec);
  if (!ec) fs::rename(temp, dest, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(temp, ignored);
    return false;
  }
  return true;
}

}  // namespace ordrex
