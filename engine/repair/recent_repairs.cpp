// Repairs of the per-user recent lists (file dialogs, the Run dialog, recent documents) and of
// the saved Start menu order. Deleting list entries leaves holes in a list's order value, so
// each list is closed up once all of its problems are done.

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "engine/repair/mru_order.h"
#include "engine/repair/repair_helpers.h"

namespace ordrex {

namespace {

using repair::RepairPlan;
using repair::RepairScope;
using repair::StepResult;

// The list key being worked on and the entries deleted from it so far.
template <typename Deleted>
struct ListState {
  std::string key;
  Deleted deleted;
};

// Moves to the problem's key: closes up the previous list, opens the new key and starts its
// backup section.
template <typename Deleted, typename CloseUp>
void EnterKey(RepairScope& scope, ListState<Deleted>& state, const std::string& key,
              const CloseUp& closeUp) {
  if (key == state.key) return;
  if (!state.key.empty() && !state.deleted.empty()) closeUp(scope, state);
  state.key = key;
  state.deleted = {};
  TRegistry& reg = scope.Reg();
  reg.SetRootKey(kCurrentUser);
  if (reg.OpenKey(repair::AbsoluteKey(key), false)) {
    scope.Lines().emplace_back();
    scope.Lines().push_back(repair::KeyLine(kCurrentUser, key));
  }
}

// Readies the list key for a value change: open in the accessor, its line the last key line.
bool ListKeyOpen(RepairScope& scope, const std::string& key) {
  TRegistry& reg = scope.Reg();
  if (!reg.HasCurrentKey()) {
    reg.SetRootKey(kCurrentUser);
    if (!reg.OpenKey(repair::AbsoluteKey(key), false)) return false;
  }
  repair::EnsureKeyLine(scope.Lines(), kCurrentUser, key);
  return true;
}

// An entry naming a found file is pointed at it when it is text; any other entry is deleted
// and remembered for closing up the list.
template <typename Deleted, typename Remember>
StepResult RepairListEntry(RepairScope& scope, ListState<Deleted>& state,
                           const TFixingList& problem, const Remember& remember) {
  if (problem.Value.empty()) {
    scope.Reg().CloseKey();
    return repair::BackupAndDeleteKey(scope, kCurrentUser, problem.Key);
  }
  if (!ListKeyOpen(scope, problem.Key)) return StepResult::Repaired;  // the list is gone
  TRegistry& reg = scope.Reg();
  const TRegDataType kind = reg.GetDataType(problem.Value);
  const std::string* solution = repair::SolutionOf(problem);
  // Entries held as binary data cannot take a path written as text.
  if (solution != nullptr && (kind == rdString || kind == rdExpandString)) {
    if (!repair::BackupValue(reg, problem.Value, scope.Lines())) {
      scope.Fail(scope.Category().Title + " repair error on " + problem.Key +
                 ", value: " + problem.Value);
      return StepResult::Failed;
    }
    return repair::WriteFix(scope, kCurrentUser, problem.Key, problem.Value, problem.TestedPath(),
                            *solution);
  }
  remember(state.deleted, problem.Value);
  return repair::BackupAndDeleteOpenValue(scope, problem.Value);
}

// The decimal number a recent-documents entry is named by; false for any other name.
bool EntryNumber(const std::string& name, std::uint32_t& number) {
  if (name.empty() || name.size() > 10) return false;
  std::uint64_t value = 0;
  for (char c : name) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  // 0xFFFFFFFF is the list's end mark, never an entry.
  if (value >= 0xFFFFFFFFu) return false;
  number = static_cast<std::uint32_t>(value);
  return true;
}

}  // namespace

void TMRUFiles::Repair(TBackupLines& lines) {
  using State = ListState<std::vector<std::string>>;
  State state;
  const auto closeUp = [](RepairScope& scope, State& list) {
    repair::RepairMRUList(scope, list.key, list.deleted);
  };
  RepairPlan plan;
  plan.root = kCurrentUser;
  plan.step = [&](RepairScope& scope, const TFixingList& problem) {
    EnterKey(scope, state, problem.Key, closeUp);
    return RepairListEntry(scope, state, problem,
                           [](std::vector<std::string>& deleted, const std::string& value) {
                             deleted.push_back(value);
                           });
  };
  plan.close = [&](RepairScope& scope, bool) {
    if (!state.key.empty() && !state.deleted.empty()) closeUp(scope, state);
  };
  repair::RunRepair(*this, lines, plan);
}

void THistScan::Repair(TBackupLines& lines) {
  using State = ListState<std::set<std::uint32_t>>;
  State state;
  const auto closeUp = [](RepairScope& scope, State& list) {
    repair::RepairMRUListEx(scope, list.key, list.deleted);
  };
  RepairPlan plan;
  plan.root = kCurrentUser;
  plan.step = [&](RepairScope& scope, const TFixingList& problem) {
    EnterKey(scope, state, problem.Key, closeUp);
    std::uint32_t number = 0;
    if (!problem.Value.empty() && !EntryNumber(problem.Value, number)) return StepResult::Skipped;
    return RepairListEntry(
        scope, state, problem,
        [number](std::set<std::uint32_t>& deleted, const std::string&) { deleted.insert(number); });
  };
  plan.close = [&](RepairScope& scope, bool) {
    if (!state.key.empty() && !state.deleted.empty()) closeUp(scope, state);
  };
  repair::RunRepair(*this, lines, plan);
}

void TStartmenuScan::Repair(TBackupLines& lines) {
  RepairPlan plan;
  plan.root = kCurrentUser;
  const std::string base = BaseKey;
  plan.step = [base](RepairScope& scope, const TFixingList& problem) {
    // Problems carry the full path of their MenuOrder key; a relative one lies below the base.
    const std::string key = problem.Key.starts_with("\\") ? problem.Key : base + problem.Key;
    return repair::BackupAndDeleteKey(scope, kCurrentUser, key);
  };
  repair::RunRepair(*this, lines, plan);
}

}  // namespace ordrex
