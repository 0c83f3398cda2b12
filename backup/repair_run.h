#pragma once
// One repair run as the repair page and `ordrex-cli repair` drive it: the search for files the
// scan found missing, linking what was found, the repair of every enabled category into one
// backup, saving the backup, and only then writing the registry. Nothing reaches the target's
// registry files unless the backup of every change is safely on disk first; when backups are
// on and the backup folder cannot be written, nothing is repaired at all.

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "backup/backup_list.h"
#include "engine/ordrex.h"

namespace ordrex {

enum class RepairState { Ready = 0, Repairing = 1, Cancelled = 2, Done = 3 };

// The texts of the rows a run shows.
inline constexpr const char* kFindingSolutionRow = "Finding Solution";
inline constexpr const char* kProcessingStatus = "Processing...";
inline constexpr const char* kFinishedStatus = "Finished";
inline constexpr const char* kCancelledStatus = "Cancelled";

struct RepairOptions {
  bool makeBackup = true;
  std::filesystem::path backupDir;
  // Where missing files are searched (MissingFileSearchFolders): the listed folders when
  // specifyFolders is on, else every fixed drive when allDrives is on, else the system drive.
  bool specifyFolders = false;
  std::vector<std::string> searchFolders;
  bool allDrives = false;
  // When given, the saved backup is added to this list, which then keeps numberToKeep rows.
  TRestoreList* restoreList = nullptr;
  int numberToKeep = 10;
  // How the backup lines are saved (SaveBackupFile); tests make it fail.
  std::function<std::filesystem::path(const TBackupLines& lines,
                                      const std::filesystem::path& folder,
                                      std::chrono::system_clock::time_point when)>
      saveBackup;
  // Whether the run ends with a scan for the entries it made stale (CountFollowUpProblems).
  bool followUpScan = true;
};

struct RepairRunEvents {
  // A new row ("Finding Solution", "Registry Integrity Problem") with its status.
  std::function<void(const std::string& location, const std::string& status)> AddRow;
  // The status of the last row ("Finished", "Finished (2 failed)", "Cancelled").
  std::function<void(const std::string& status)> SetLastRowStatus;
  // The file the search is looking at, at most every 101 ms.
  std::function<void(const std::string& path)> SearchProgress;
  std::function<void(RepairState state)> StateChanged;
};

struct CategoryFailures {
  std::string title;
  int failed = 0;
};

struct RepairRunResult {
  bool repaired = false;       // the categories' repairs ran
  bool registrySaved = false;  // the target's registry was written
  std::optional<std::filesystem::path> backupFile;
  int repairedCount = 0;                   // problems deleted or corrected
  int failedCount = 0;                     // problems left as they were because their repair failed
  std::vector<CategoryFailures> failures;  // per category with failures, in index order
  // Problems that a scan right after the repair finds and the repair's own scan did not: entries
  // that named what the repair removed. Another run clears them.
  int followUpCount = 0;
  std::string error;  // why the run stopped short; empty when it went through
};

// Problems of the enabled categories that a repair would act on.
int SelectedProblemCount(TOrdrex& engine);

class RepairRun {
 public:
  RepairRun(TOrdrex& engine, RepairOptions options, RepairRunEvents events = {});

  RepairState State() const { return state_; }
  // A stop request: the search ends at its next entry and nothing is repaired; during the
  // repair itself the run finishes, saves, and marks its last row "Cancelled".
  void Cancel() { SetRepairState(RepairState::Cancelled); }

  RepairRunResult Run();

 private:
  void SetRepairState(RepairState state);
  void AddRow(const std::string& location, const std::string& status);
  void SetLastRowStatus(const std::string& status);
  bool FindSolutions();
  // Creates the backup folder and proves it writable; picks the shortcut copy folder.
  bool PrepareBackup(std::chrono::system_clock::time_point when, RepairRunResult& result);
  void RepairCategories(TBackupLines& lines);
  bool SaveBackup(const TBackupLines& lines, std::chrono::system_clock::time_point when,
                  RepairRunResult& result);
  void SaveRegistry(RepairRunResult& result);
  void PutShortcutsBack();

  TOrdrex& engine_;
  RepairOptions options_;
  RepairRunEvents events_;
  RepairState state_ = RepairState::Done;
  std::filesystem::path shortcutDir_;
};

}  // namespace ordrex
