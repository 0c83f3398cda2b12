#include "backup/repair_run.h"

#include <unistd.h>
#include <fstream>
#include <system_error>

#include "backup/backup_file.h"
#include "backup/reg_writer.h"
#include "backup/shortcut_copies.h"
#include "engine/follow_up_scan.h"
#include "engine/missing_file_search.h"

namespace ordrex {

namespace fs = std::filesystem;

namespace {

std::string FinishedText(const TCustomOrdrex& category) {
  if (category.RepairFailures == 0) return kFinishedStatus;
  return std::string(kFinishedStatus) + " (" + std::to_string(category.RepairFailures) + " failed)";
}

// Proves the folder takes a new file: writes one, reads its size back, removes it.
std::string WriteTestFile(const fs::path& folder) {
  const fs::path probe = folder / (".ordrex-write-test-" + std::to_string(getpid()));
  std::error_code ec;
  {
    std::ofstream out(probe, std::ios::binary | std::ios::trunc);
    out << "Zentrix Ordrex backup folder test\r\n";
    out.flush();
    if (!out) {
      fs::remove(probe, ec);
      return "a file cannot be written there";
    }
  }
  const bool written = fs::file_size(probe, ec) > 0 && !ec;
  fs::remove(probe, ec);
  return written ? std::string() : "a file written there cannot be read back";
}

// The copy folder of the first dated name whose backup and copy folder are both free; the
// backup itself takes its name when it is saved, and its copy folder follows it then.
fs::path FreeShortcutFolder(const fs::path& folder, std::chrono::system_clock::time_point when) {
  const std::string stem = BackupFileStem(when);
  std::error_code ec;
  for (int copy = 1;; ++copy) {
    const fs::path backup = folder / BackupFileName(stem, copy);
    const fs::path copies = ShortcutCopyFolderOf(backup);
    if (!fs::exists(backup, ec) && !fs::exists(copies, ec)) return copies;
  }
}

}  // namespace

int SelectedProblemCount(TOrdrex& engine) {
  int count = 0;
  for (TCustomOrdrex* category : engine.Categories()) {
    if (!category->Enabled) continue;
    for (const auto& problem : category->Problems())
      count += problem->Selected ? 1 : 0;
  }
  return count;
}

RepairRun::RepairRun(TOrdrex& engine, RepairOptions options, RepairRunEvents events)
    : engine_(engine), options_(std::move(options)), events_(std::move(events)) {
  if (!options_.saveBackup) options_.saveBackup = SaveBackupFile;
}

void RepairRun::SetRepairState(RepairState state) {
  if (state == state_) return;
  state_ = state;
  if (events_.StateChanged) events_.StateChanged(state);
}

void RepairRun::AddRow(const std::string& location, const std::string& status) {
  if (events_.AddRow) events_.AddRow(location, status);
}

void RepairRun::SetLastRowStatus(const std::string& status) {
  if (events_.SetLastRowStatus) events_.SetLastRowStatus(status);
}

bool RepairRun::FindSolutions() {
  AddRow(kFindingSolutionRow, kProcessingStatus);
  if (engine_.ErrorFileCount() > 0) {
    const std::vector<std::string> folders = MissingFileSearchFolders(
        engine_, options_.specifyFolders, options_.searchFolders, options_.allDrives);
    SearchMissingFiles(
        engine_, folders, [this] { return state_ == RepairState::Cancelled; },
        events_.SearchProgress);
  }
  if (state_ == RepairState::Cancelled) return false;
  SetLastRowStatus(kFinishedStatus);
  engine_.LinkAll();
  return true;
}

bool RepairRun::PrepareBackup(std::chrono::system_clock::time_point when, RepairRunResult& result) {
  std::error_code ec;
  const fs::path folder = fs::absolute(options_.backupDir, ec);
  std::string why;
  if (ec || options_.backupDir.empty()) {
    why = "no usable folder is set";
  } else if (fs::create_directories(folder, ec); ec) {
    why = ec.message();
  } else {
    why = WriteTestFile(folder);
  }
  if (!why.empty()) {
    result.error = "The backup folder " + folder.string() + " cannot be written (" + why +
                   "). Nothing was repaired.";
    return false;
  }
  options_.backupDir = folder;
  shortcutDir_ = FreeShortcutFolder(folder, when);
  engine_.ShortcutCopyDir = shortcutDir_;
  return true;
}

void RepairRun::RepairCategories(TBackupLines& lines) {
  const auto start = engine_.OnRepairStart;
  const auto end = engine_.OnRepairEnd;
  engine_.OnRepairStart = [&](TCustomOrdrex& category) {
    AddRow(category.Title + " Problem", kProcessingStatus);
    if (start) start(category);
  };
  engine_.OnRepairEnd = [&](TCustomOrdrex& category) {
    SetLastRowStatus(FinishedText(category));
    if (end) end(category);
  };
  try {
    engine_.RepairAll(lines);
  } catch (...) {
    engine_.OnRepairStart = start;
    engine_.OnRepairEnd = end;
    throw;
  }
  engine_.OnRepairStart = start;
  engine_.OnRepairEnd = end;
}

void RepairRun::PutShortcutsBack() {
  if (shortcutDir_.empty()) return;
  ordrex::PutShortcutsBack(engine_.GetTarget().Files(), shortcutDir_);
}

bool RepairRun::SaveBackup(const TBackupLines& lines, std::chrono::system_clock::time_point when,
                           RepairRunResult& result) {
  fs::path saved;
  try {
    saved = options_.saveBackup(lines, options_.backupDir, when);
  } catch (const std::exception& e) {
    // The registry stays as it is on disk; the shortcut files come back.
    PutShortcutsBack();
    result.error = std::string("The backup could not be saved: ") + e.what() +
                   ". The registry was not changed.";
    return false;
  }
  std::error_code ec;
  const fs::path copies = ShortcutCopyFolderOf(saved);
  if (!shortcutDir_.empty() && fs::exists(shortcutDir_, ec) && copies != shortcutDir_) {
    fs::rename(shortcutDir_, copies, ec);
    if (!ec) shortcutDir_ = copies;
  }
  result.backupFile = saved;
  if (options_.restoreList != nullptr) {
    options_.restoreList->AddBackupRecord(saved, engine_.GetTarget(), options_.numberToKeep,
                                          engine_.GetClock());
  }
  return true;
}

void RepairRun::SaveRegistry(RepairRunResult& result) {
  try {
    engine_.GetTarget().Save();
    result.registrySaved = true;
  } catch (const std::exception& e) {
    PutShortcutsBack();
    result.error = std::string("The registry could not be written: ") + e.what();
    if (result.backupFile) {
      result.error +=
          ". What was written can be undone with the backup " + result.backupFile->string();
    }
  }
}

RepairRunResult RepairRun::Run() {
  RepairRunResult result;
  SetRepairState(RepairState::Cancelled);
  SetRepairState(RepairState::Repairing);
  const auto finish = [&] {
    engine_.ShortcutCopyDir.clear();
    SetRepairState(RepairState::Done);
    return result;
  };

  const std::string blocker = engine_.GetTarget().WriteBlocker();
  if (!blocker.empty()) {
    result.error = blocker;
    return finish();
  }
  if (!FindSolutions()) {
    SetLastRowStatus(kCancelledStatus);
    return finish();
  }
  const auto when = engine_.GetClock().Now();
  if (options_.makeBackup && !PrepareBackup(when, result)) return finish();

  TBackupLines lines{BackupHeader(engine_.Known().IsWin2000OrLater)};
  try {
    RepairCategories(lines);
  } catch (const std::exception& e) {
    // What was changed so far is in the lines: they are saved all the same.
    result.error = std::string("The repair stopped early: ") + e.what();
  }
  result.repaired = true;
  for (TCustomOrdrex* category : engine_.Categories()) {
    if (!category->Enabled) continue;
    result.repairedCount += category->RepairedCount;
    result.failedCount += category->RepairFailures;
    if (category->RepairFailures > 0) {
      result.failures.push_back({category->Title, category->RepairFailures});
    }
  }
  if (options_.makeBackup && !SaveBackup(lines, when, result)) {
    result.repaired = false;
    result.repairedCount = 0;
    return finish();
  }
  SaveRegistry(result);
  if (state_ == RepairState::Cancelled) SetLastRowStatus(kCancelledStatus);
  if (options_.followUpScan && result.registrySaved && result.repairedCount > 0) {
    result.followUpCount = CountFollowUpProblems(engine_);
  }
  return finish();
}

}  // namespace ordrex
