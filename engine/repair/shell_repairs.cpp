// Repairs of the shell's file types: "Open With" applications and file associations.

#include "engine/repair/repair_helpers.h"
#include "platform/text.h"

namespace ordrex {

namespace {

using repair::RepairPlan;
using repair::RepairScope;
using repair::StepResult;

using repair::KeySplit;
using repair::SplitLastComponent;

// An application whose "shell" key went has no verbs left to offer: unless it has other
// subkeys, it is marked so that the shell stops listing it. The backup removes the mark again.
void MarkNoOpenWith(RepairScope& scope, RootHandle root, const std::string& appKey) {
  TRegistry& reg = scope.Reg();
  reg.SetRootKey(root);
  if (!reg.OpenKey(appKey, false)) return;
  if (reg.GetKeyNames().empty() && !reg.ValueExists("NoOpenWith")) {
    repair::EnsureKeyLine(scope.Lines(), root, appKey);
    repair::RecordCreatedValue(scope.Lines(), "NoOpenWith");
    scope.Lines().emplace_back();
    reg.WriteString("NoOpenWith", "");
  }
  reg.CloseKey();
}

// The application's "shell" key goes with the application's last verb, as the scan would
// report it next time ("Data empty"); the application is then marked.
void RemoveShellKey(RepairScope& scope, RootHandle root, const std::string& shellKey) {
  const KeySplit split = SplitLastComponent(shellKey);
  if (repair::BackupAndDeleteKey(scope, root, shellKey) == StepResult::Repaired) {
    MarkNoOpenWith(scope, root, split.parent);
  }
}

// A problem on a verb's command key: the program it names was found elsewhere (the command is
// corrected) or not (the whole verb goes). A problem on the application's "shell" key or on
// the application key itself: that key goes.
StepResult RepairOpenWith(RepairScope& scope, const TFixingList& problem) {
  const RootHandle root = problem.RootKey;
  const KeySplit split = SplitLastComponent(problem.Key);
  if (SameText(split.last, "command") && !split.parent.empty()) {
    const StepResult result = repair::CorrectOrDeleteKey(scope, problem, "", split.parent);
    const std::string shellKey = SplitLastComponent(split.parent).parent;
    if (result == StepResult::Repaired && repair::SolutionOf(problem) == nullptr &&
        SameText(SplitLastComponent(shellKey).last, "shell") &&
        repair::IsBareKey(scope, root, shellKey, false)) {
      TRegistry probe(scope.Engine().GetTarget(), root);
      if (probe.OpenKey(shellKey, false) && !probe.ValueExists("FriendlyCache")) {
        RemoveShellKey(scope, root, shellKey);
      }
    }
    return result;
  }
  if (SameText(split.last, "shell") && !split.parent.empty()) {
    const StepResult result = repair::BackupAndDeleteKey(scope, root, problem.Key);
    if (result == StepResult::Repaired) MarkNoOpenWith(scope, root, split.parent);
    return result;
  }
  return repair::BackupAndDeleteKey(scope, root, problem.Key);
}

}  // namespace

void TApplicationScan::Repair(TBackupLines& lines) {
  RepairPlan plan;
  plan.root = kLocalMachine;
  // The repair list shows no row for this category.
  plan.fireEvents = false;
  plan.step = [](RepairScope& scope, const TFixingList& problem) {
    try {
      return RepairOpenWith(scope, problem);
    } catch (const std::exception&) {
      scope.Fail("Open With Application repair error on " + problem.Key);
      return StepResult::Failed;
    }
  };
  repair::RunRepair(*this, lines, plan);
}

void TFileAssociateScan::Repair(TBackupLines& lines) {
  RepairPlan plan;
  plan.step = [](RepairScope& scope, const TFixingList& problem) {
    // A class listed under OpenWithProgids that is not registered: only that entry goes.
    if (!problem.Value.empty()) {
      const StepResult result =
          repair::BackupAndDeleteValue(scope, problem.RootKey, problem.Key, problem.Value);
      // An extension whose last class went is no longer associated at all: it goes as the
      // scan would report it next time.
      const KeySplit split = SplitLastComponent(problem.Key);
      if (result == StepResult::Repaired && SameText(split.last, "OpenWithProgids") &&
          !split.parent.empty() && repair::IsBareKey(scope, problem.RootKey, problem.Key, true)) {
        repair::BackupAndDeleteKey(scope, problem.RootKey, split.parent);
      }
      return result;
    }
    return repair::CorrectOrDeleteKey(scope, problem, "", problem.Key);
  };
  repair::RunRepair(*this, lines, plan);
}

}  // namespace ordrex
