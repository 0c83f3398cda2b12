// Repairs of class, interface and type-library registrations, and of context-menu handlers:
// each deletes the problem's key, or, where the missing file was found elsewhere, points the
// registration at the found file.

#include "engine/repair/repair_helpers.h"
#include "platform/text.h"

namespace ordrex {

namespace {

using repair::RepairPlan;
using repair::RepairScope;
using repair::StepResult;

// A type library's own key: the problem key cut after its first "}" (\TypeLib\{GUID}). A key
// without one is deleted alone, never a parent of it.
std::string LibraryKeyOf(const std::string& key) {
  const std::size_t brace = key.find('}');
  return brace == std::string::npos ? key : key.substr(0, brace + 1);
}

RepairPlan DeleteKeysOn(RootHandle root) {
  RepairPlan plan;
  plan.root = root;
  plan.step = [root](RepairScope& scope, const TFixingList& problem) {
    return repair::BackupAndDeleteKey(scope, root, problem.Key);
  };
  return plan;
}

}  // namespace

void TRegIntegrityScan::Repair(TBackupLines& lines) {
  RepairPlan plan;
  plan.step = [](RepairScope& scope, const TFixingList& problem) {
    return repair::CorrectOrDeleteKey(scope, problem, "", problem.Key);
  };
  repair::RunRepair(*this, lines, plan);
}

void TActiveXScan::Repair(TBackupLines& lines) {
  RepairPlan plan;
  plan.step = [](RepairScope& scope, const TFixingList& problem) {
    return repair::CorrectOrDeleteKey(scope, problem, "", LibraryKeyOf(problem.Key));
  };
  repair::RunRepair(*this, lines, plan);
}

void TIScan::Repair(TBackupLines& lines) {
  repair::RunRepair(*this, lines, DeleteKeysOn(kClassesRoot));
}

void TPopupScan::Repair(TBackupLines& lines) {
  RepairPlan plan = DeleteKeysOn(kClassesRoot);
  plan.step = [](RepairScope& scope, const TFixingList& problem) {
    const StepResult result = repair::BackupAndDeleteKey(scope, kClassesRoot, problem.Key);
    // The list of handlers goes with its last handler, as the scan would report it next time
    // ("Empty").
    const std::string handlers = repair::SplitLastComponent(problem.Key).parent;
    if (result == StepResult::Repaired &&
        SameText(repair::SplitLastComponent(handlers).last, "ContextMenuHandlers") &&
        repair::IsBareKey(scope, kClassesRoot, handlers, false)) {
      repair::BackupAndDeleteKey(scope, kClassesRoot, handlers);
    }
    return result;
  };
  repair::RunRepair(*this, lines, plan);
}

// System Extensions finds nothing, so there is nothing to repair.
void TExtScan::Repair(TBackupLines&) {}

}  // namespace ordrex
