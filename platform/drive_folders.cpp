#include "platform/drive_folders.h"

#include <cctype>

namespace ordrex {

namespace fs = std::filesystem;

namespace {

// The path below `root`, or nothing when `folder` is not inside it (both canonical).
std::optional<fs::path> Below(const fs::path& folder, const fs::path& root) {
  const fs::path relative = folder.lexically_relative(root);
  if (relative.empty()) return std::nullopt;
  const fs::path first = *relative.begin();
  if (first == "..") return std::nullopt;
  if (first == ".") return fs::path();
  return relative;
}

std::size_t Depth(const fs::path& path) {
  return static_cast<std::size_t>(std::distance(path.begin(), path.end()));
}

}  // namespace

std::optional<std::string> WindowsFolderOnDrives(const std::vector<DriveInfo>& drives,
                                                 const fs::path& hostFolder) {
  std::error_code ec;
  const fs::path folder = fs::weakly_canonical(hostFolder, ec);
  if (ec || folder.empty()) return std::nullopt;
  const DriveInfo* best = nullptr;
  std::size_t bestDepth = 0;
  fs::path bestRest;
  for (const DriveInfo& drive : drives) {
    // A drive whose folder is gone holds nothing.
    const fs::path root = fs::canonical(drive.hostPath, ec);
    if (ec) continue;
    const std::optional<fs::path> rest = Below(folder, root);
    // The drive nearest the folder wins: "D:" mounted inside "C:" names its own files.
    if (!rest || (best != nullptr && Depth(root) <= bestDepth)) continue;
    best = &drive;
    bestDepth = Depth(root);
    bestRest = *rest;
  }
  if (best == nullptr) return std::nullopt;
  std::string windows = std::string(1, best->letter) + ":\\";
  for (const fs::path& part : bestRest) {
    const std::string name = part.string();
    if (name.empty()) continue;
    // A Linux name may hold a backslash, which a Windows path would read as two names.
    if (name.find('\\') != std::string::npos) return std::nullopt;
    windows += name + "\\";
  }
  return windows;
}

fs::path DriveHostFolder(const std::vector<DriveInfo>& drives, char letter) {
  const char wanted = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  for (const DriveInfo& drive : drives) {
    if (drive.letter == wanted) return drive.hostPath;
  }
  return {};
}

}  // namespace ordrex
