#pragma once
// Copying a file whole into a new place, sharing its blocks with the original where the file
// system can (a reflink on btrfs, XFS, ...), else writing the bytes through a FileWriter, so a
// test can make the copy fail as a full disk would.

#include <filesystem>

#include "platform/atomic_file.h"

namespace ordrex {

class FileCopier {
 public:
  // `writer` copies the bytes when no reflink can be made; it must outlive the copier. Without
  // `reflink` every copy goes through the writer.
  explicit FileCopier(FileWriter& writer, bool reflink = true)
      : writer_(writer), reflink_(reflink) {}

  // Makes `to` a copy of `from`, replacing it atomically. Throws FileWriteError (with the
  // reason) when `from` cannot be read or `to` cannot be written; `to` is then as it was.
  void Copy(const std::filesystem::path& from, const std::filesystem::path& to);

 private:
  // True when the reflink was made; false when the file system cannot make one here.
  bool TryReflink(int source, const std::filesystem::path& from, const std::filesystem::path& to);

  FileWriter& writer_;
  bool reflink_;
};

}  // namespace ordrex
