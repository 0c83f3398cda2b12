// Repairs of shortcut files whose target is gone: the file itself is deleted. A .reg backup
// cannot hold a file, so when backups are made the file is first copied beside the backup.

#include "backup/shortcut_copies.h"
#include "engine/repair/repair_helpers.h"

namespace ordrex {

namespace {

using repair::RepairPlan;
using repair::RepairScope;
using repair::StepResult;

StepResult DeleteShortcut(RepairScope& scope, const TFixingList& problem) {
  TOrdrex& engine = scope.Engine();
  FileSystem& files = engine.GetTarget().Files();
  const std::string& path = problem.Key;
  if (!files.IsFile(path)) return StepResult::Repaired;
  if (!engine.ShortcutCopyDir.empty() && !KeepShortcutCopy(files, engine.ShortcutCopyDir, path)) {
    scope.Fail(scope.Category().Title + " repair error on " + path +
               ": the file could not be copied beside the backup, so it was not deleted");
    return StepResult::Failed;
  }
  if (!files.DeleteFile(path)) {
    scope.Fail(scope.Category().Title + " repair error on " + path +
               ": the file could not be deleted");
    return StepResult::Failed;
  }
  return StepResult::Repaired;
}

RepairPlan ShortcutPlan() {
  RepairPlan plan;
  plan.consultCancelled = false;
  plan.step = DeleteShortcut;
  return plan;
}

}  // namespace

void TMSDOSScan::Repair(TBackupLines& lines) {
  repair::RunRepair(*this, lines, ShortcutPlan());
}

void TWindowsScan::Repair(TBackupLines& lines) {
  repair::RunRepair(*this, lines, ShortcutPlan());
}

}  // namespace ordrex
