#pragma once
// Shortcut files a repair deleted cannot go into a .reg backup, so they are copied into a
// folder beside the run's backup file before they are deleted, and restoring the backup puts
// them back. The folder holds the copies and the list "shortcuts.lst", one line per copy:
// the copy's file name, a tab, and the shortcut's Windows path (UTF-8).

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace ordrex {

inline constexpr const char* kShortcutListName = "shortcuts.lst";

// "03-07-2024(09-05PM).reg" -> "03-07-2024(09-05PM) shortcuts" in the same folder.
std::filesystem::path ShortcutCopyFolderOf(const std::filesystem::path& backupFile);

// Copies the shortcut file into folder (created when missing) and lists it. False when the
// file could not be copied or listed; then nothing of it is left in the folder and the caller
// must not delete the shortcut.
bool KeepShortcutCopy(FileSystem& files, const std::filesystem::path& folder,
                      std::string_view windowsPath);

struct ShortcutCopy {
  std::string copyName;
  std::string windowsPath;
};
// The list of a copy folder; empty when there is none. Lines that do not read as a copy and a
// path are passed over.
std::vector<ShortcutCopy> ReadShortcutList(const std::filesystem::path& folder);

// Puts every listed copy back at its Windows path. Returns the paths that could not be put
// back.
std::vector<std::string> PutShortcutsBack(FileSystem& files, const std::filesystem::path& folder);

}  // namespace ordrex
