#pragma once
// The target's files as Windows paths ("C:\Program Files\App\app.exe"). Implementations map
// drive letters to folders (a Wine prefix's dosdevices, a mounted Windows volume) or use the
// real Windows file system. Names match case-insensitively. Nothing here ever throws: every
// failure reads as "not there".

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_types.h"

namespace ordrex {

struct DirEntry {
  std::string name;
  bool folder = false;        // a real folder that a walk may enter
  bool linkedFolder = false;  // a symbolic link to a folder, or a mount of another file system:
                              // walks never enter it
};

struct DriveInfo {
  char letter = 'C';               // upper case
  std::filesystem::path hostPath;  // where the drive's root lies on this machine
  bool fixed = false;              // a drive of the Windows system itself ("search all drives")
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // An existing file that is not a folder.
  virtual bool IsFile(std::string_view path) = 0;
  virtual bool IsFolder(std::string_view path) = 0;
  // The folder's entries without "." and ".."; nullopt when it cannot be listed.
  virtual std::optional<std::vector<DirEntry>> List(std::string_view folder) = 0;
  // At most maxBytes from the start of the file; nullopt when it cannot be read.
  virtual std::optional<Bytes> ReadFile(std::string_view path, std::size_t maxBytes) = 0;
  // Where the file lies on this machine, for libraries that open files themselves.
  virtual std::optional<std::filesystem::path> HostPath(std::string_view path) = 0;

  // Deletes a file; refused (false) outside the target's own drive folders.
  virtual bool DeleteFile(std::string_view path) = 0;
  // Copies a target file to a host file, and back (restoring a deleted shortcut).
  virtual bool CopyOut(std::string_view path, const std::filesystem::path& dest) = 0;
  virtual bool CopyIn(const std::filesystem::path& source, std::string_view path) = 0;

  virtual std::vector<DriveInfo> Drives() = 0;

  // True when the path lies where this file system cannot look (on a drive or share that exists
  // only while the Windows system runs, as an offline volume knows none of the machine's other
  // disks): whether it exists cannot be told, so it must never be judged missing.
  virtual bool IsBeyondReach(std::string_view path) {
    (void)path;
    return false;
  }

  // Forgets whatever the file system remembers of the disk (folder listings), so that changes
  // made outside the program are seen from now on. A scan starts with it.
  virtual void DropCache() {}
};

// A file system with no drives: every test says "not there". For targets without files.
class EmptyFileSystem : public FileSystem {
 public:
  bool IsFile(std::string_view) override { return false; }
  bool IsFolder(std::string_view) override { return false; }
  std::optional<std::vector<DirEntry>> List(std::string_view) override { return std::nullopt; }
  std::optional<Bytes> ReadFile(std::string_view, std::size_t) override { return std::nullopt; }
  std::optional<std::filesystem::path> HostPath(std::string_view) override { return std::nullopt; }
  bool DeleteFile(std::string_view) override { return false; }
  bool CopyOut(std::string_view, const std::filesystem::path&) override { return false; }
  bool CopyIn(const std::filesystem::path&, std::string_view) override { return false; }
  std::vector<DriveInfo> Drives() override { return {}; }
};

}  // namespace ordrex
