// Repairs of the shell's file types: "Open With" applications and file associations.

#include "engine/repair/repair_helpers.h"
#include "platform/text.h"

namespace ordrex {

namespace {

using repair::RepairPlan;
using repair::RepairScope;
using repair::StepResult;

struct KeySplit {
  std::string parent;  // without the last component and its backslash
  std::string last;
};

KeySplit SplitLastComponent(const std::string& key) {
  const std::size_t cut = key.find_last_of('\\');
  if (cut == std::string::npos) return {"", key};
  return {key.substr(0, cut), key.substr(cut + 1)};
}

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

// A problem on a verb's command key: the program it names was found elsewhere (the command is
// corrected) or not (the whole verb goes). A problem on the application's "shell" key or on
// the application key itself: that key goes.
StepResult RepairOpenWith(RepairScope& scope, const TFixingList& problem) {
  const RootHandle root = problem.RootKey;
  const KeySplit split = SplitLastComponent(problem.Key);
  if (SameText(split.last, "command") && !split.parent.empty()) {
    return repair::CorrectOrDeleteKey(scope, problem, "", split.parent);
  }
  const StepResult result = repair::BackupAndDeleteKey(scope, root, problem.Key);
  if (result == StepResult::Repaired && SameText(split.last, "shell") && !split.parent.empty()) {
    MarkNoOpenWith(scope, root, split.parent);
  }
  return result;
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
      return repair::BackupAndDeleteValue(scope, problem.RootKey, problem.Key, problem.Value);
    }
    return repair::CorrectOrDeleteKey(scope, problem, "", problem.Key);
  };
  repair::RunRepair(*this, lines, plan);
}

}  // namespace ordrex
