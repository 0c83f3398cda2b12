#include "engine/repair/repair_frame.h"

#include <exception>

namespace ordrex::repair {

RepairScope::RepairScope(TCustomOrdrex& category, TBackupLines& lines, RootHandle root)
    : category_(category), lines_(lines), reg_(category.Owner().GetTarget(), root) {}

void RepairScope::Fail(const std::string& message) {
  ++category_.RepairFailures;
  TOrdrex& engine = Engine();
  if (engine.ShowRepairErrors && engine.OnRepairError) engine.OnRepairError(message);
}

namespace {

void Fire(const std::function<void(TCustomOrdrex&)>& event, TCustomOrdrex& category) {
  if (event) event(category);
}

// The text a diagnostic shows for a failure the category's own code did not foresee.
std::string Diagnostic(const TCustomOrdrex& category, const std::string& where,
                       const std::exception& e) {
  return category.Title + " repair error on " + where + ": " + e.what();
}

}  // namespace

void RunRepair(TCustomOrdrex& category, TBackupLines& lines, const RepairPlan& plan) {
  category.RepairedCount = 0;
  category.RepairFailures = 0;
  if (category.Count() == 0) return;
  TOrdrex& engine = category.Owner();
  if (plan.fireEvents) Fire(engine.OnRepairStart, category);
  RepairScope scope(category, lines, plan.root);
  // A preparation that throws (a store refusing a read) costs the category its problems, each
  // counted as failed, never the run.
  bool prepared = true;
  try {
    if (plan.prepare) plan.prepare(scope);
  } catch (const std::exception& e) {
    prepared = false;
    if (engine.ShowRepairErrors && engine.OnRepairError) {
      engine.OnRepairError(Diagnostic(category, category.RootText, e));
    }
  }
  bool cancelled = false;
  for (const auto& problem : category.Problems()) {
    if (plan.consultCancelled && category.Cancelled) {
      cancelled = true;
      break;
    }
    if (!problem->Selected) continue;
    if (!prepared) {
      ++category.RepairFailures;
      continue;
    }
    try {
      if (plan.step(scope, *problem) == StepResult::Repaired) ++category.RepairedCount;
    } catch (const std::exception& e) {
      scope.Fail(Diagnostic(category, problem->Key, e));
    }
  }
  if (plan.close) {
    try {
      plan.close(scope, cancelled);
    } catch (const std::exception& e) {
      scope.Fail(Diagnostic(category, category.RootText, e));
    }
  }
  scope.Reg().CloseKey();
  if (plan.fireEvents) Fire(engine.OnRepairEnd, category);
}

}  // namespace ordrex::repair
