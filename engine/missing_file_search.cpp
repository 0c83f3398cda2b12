#include "engine/missing_file_search.h"

#include <algorithm>
#include <optional>

#include "engine/path_checks.h"

namespace ordrex {

namespace {

class Search {
 public:
  Search(TOrdrex& engine, const SearchCancelled& cancelled, const SearchProgress& progress)
      : engine_(engine), cancelled_(cancelled), progress_(progress) {}

  // Depth first, each subfolder searched where it is met, so that a file found in several
  // places lists its locations in walk order. An explicit stack keeps deep trees off the call
  // stack.
  bool Run(std::string_view root) {
    struct Level {
      std::string folder;  // with its trailing backslash
      std::vector<DirEntry> entries;
      std::size_t next = 0;
    };
    std::vector<Level> stack;
    auto enter = [&](std::string folder) {
      auto entries = engine_.GetTarget().Files().List(folder);
      if (entries) stack.push_back({std::move(folder), std::move(*entries), 0});
    };
    enter(IncludeTrailingBackslash(root));
    while (!stack.empty()) {
      Level& level = stack.back();
      if (level.next >= level.entries.size()) {
        stack.pop_back();
        continue;
      }
      if (Cancelled()) return false;
      const DirEntry entry = level.entries[level.next++];
      const std::string path = level.folder + entry.name;
      if (engine_.Observer != nullptr) engine_.Observer->PumpMessages();
      Show(path);
      if (entry.linkedFolder) continue;
      if (entry.folder) {
        enter(path + "\\");  // invalidates `level`
      } else {
        engine_.RecordFoundLocation(level.folder, entry.name);
      }
    }
    return true;
  }

 private:
  bool Cancelled() const { return cancelled_ && cancelled_(); }

  void Show(const std::string& path) {
    if (!progress_) return;
    const std::uint32_t now = engine_.GetClock().TickCount();
    if (lastShown_ && !ReportDue(*lastShown_, now)) return;
    lastShown_ = now;
    progress_(path);
  }

  TOrdrex& engine_;
  const SearchCancelled& cancelled_;
  const SearchProgress& progress_;
  std::optional<std::uint32_t> lastShown_;
};

}  // namespace

bool SearchMissingFiles(TOrdrex& engine, std::string_view folder, const SearchCancelled& cancelled,
                        const SearchProgress& progress) {
  return Search(engine, cancelled, progress).Run(folder);
}

bool SearchMissingFiles(TOrdrex& engine, const std::vector<std::string>& folders,
                        const SearchCancelled& cancelled, const SearchProgress& progress) {
  Search search(engine, cancelled, progress);
  return std::all_of(folders.begin(), folders.end(),
                     [&](const std::string& folder) { return search.Run(folder); });
}

std::vector<std::string> MissingFileSearchFolders(const TOrdrex& engine, bool specifyFolders,
                                                  const std::vector<std::string>& userFolders,
                                                  bool allDrives) {
  if (specifyFolders) return userFolders;
  if (allDrives) {
    std::vector<DriveInfo> drives = engine.GetTarget().Files().Drives();
    std::sort(drives.begin(), drives.end(),
              [](const DriveInfo& a, const DriveInfo& b) { return a.letter < b.letter; });
    std::vector<std::string> roots;
    for (const DriveInfo& drive : drives) {
      if (drive.fixed) roots.push_back(std::string(1, drive.letter) + ":\\");
    }
    return roots;
  }
  return {engine.Known().SystemRootDrive};
}

}  // namespace ordrex
