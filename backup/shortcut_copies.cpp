#include "backup/shortcut_copies.h"

#include <fstream>
#include <system_error>

namespace ordrex {

namespace fs = std::filesystem;

namespace {

// The shortcut's own file name, made safe as a host file name.
std::string HostNameOf(std::string_view windowsPath) {
  const std::size_t cut = windowsPath.find_last_of("\\:/");
  std::string name(cut == std::string_view::npos ? windowsPath : windowsPath.substr(cut + 1));
  if (name.empty() || name == "." || name == ".." || name == kShortcutListName) name = "shortcut";
  return name;
}

// A name not yet taken in folder: "x.pif", then "x (2).pif", "x (3).pif" ...
fs::path FreeName(const fs::path& folder, const std::string& name) {
  fs::path candidate = folder / name;
  const fs::path stem = fs::path(name).stem();
  const fs::path ext = fs::path(name).extension();
  std::error_code ec;
  for (int n = 2; fs::exists(candidate, ec) || ec; ++n) {
    candidate = folder / (stem.string() + " (" + std::to_string(n) + ")" + ext.string());
  }
  return candidate;
}

}  // namespace

fs::path ShortcutCopyFolderOf(const fs::path& backupFile) {
  return backupFile.parent_path() / (backupFile.stem().string() + " shortcuts");
}

bool KeepShortcutCopy(FileSystem& files, const fs::path& folder, std::string_view windowsPath) {
  if (windowsPath.find_first_of("\t\r\n") != std::string_view::npos) return false;
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) return false;
  const fs::path copy = FreeName(folder, HostNameOf(windowsPath));
  if (!files.CopyOut(windowsPath, copy)) {
    fs::remove(copy, ec);
    return false;
  }
  std::ofstream list(folder / kShortcutListName, std::ios::binary | std::ios::app);
  list << copy.filename().string() << '\t' << windowsPath << '\n';
  list.flush();
  if (!list) {
    fs::remove(copy, ec);
    return false;
  }
  return true;
}

std::vector<ShortcutCopy> ReadShortcutList(const fs::path& folder) {
  std::vector<ShortcutCopy> copies;
  std::ifstream list(folder / kShortcutListName, std::ios::binary);
  std::string line;
  while (std::getline(list, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t tab = line.find('\t');
    if (tab == std::string::npos || tab == 0 || tab + 1 == line.size()) continue;
    const std::string name = line.substr(0, tab);
    // A copy lies in the folder itself, never elsewhere.
    if (name.find('/') != std::string::npos || name == "." || name == "..") continue;
    copies.push_back({name, line.substr(tab + 1)});
  }
  return copies;
}

std::vector<std::string> PutShortcutsBack(FileSystem& files, const fs::path& folder) {
  std::vector<std::string> failed;
  for (const ShortcutCopy& copy : ReadShortcutList(folder)) {
    if (!files.CopyIn(folder / copy.copyName, copy.windowsPath)) failed.push_back(copy.windowsPath);
  }
  return failed;
}

}  // namespace ordrex
