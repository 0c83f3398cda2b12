#pragma once
// The frame every category's repair runs in: the events, the walk over the selected problems,
// and what happens when one problem cannot be repaired. A failure never ends the run: the
// problem is left as it was, counted on its category, and the next problem is taken.

#include <functional>
#include <string>

#include "engine/categories.h"
#include "engine/ordrex.h"
#include "engine/registry.h"

namespace ordrex::repair {

// One category's repair: the category, the run's shared backup lines and the category's own
// registry accessor.
class RepairScope {
 public:
  RepairScope(TCustomOrdrex& category, TBackupLines& lines, RootHandle root);

  TOrdrex& Engine() const { return category_.Owner(); }
  TCustomOrdrex& Category() const { return category_; }
  TBackupLines& Lines() const { return lines_; }
  TRegistry& Reg() { return reg_; }

  // Counts a failed problem and hands its text to the engine when the diagnostic switch is on.
  void Fail(const std::string& message);

 private:
  TCustomOrdrex& category_;
  TBackupLines& lines_;
  TRegistry reg_;
};

// What a step made of one problem.
enum class StepResult {
  Repaired,  // deleted or corrected as intended (or already gone)
  Skipped,   // nothing to do, or nothing could be done without a failure
  Failed,    // the problem stays; RepairScope::Fail was called
};

struct RepairPlan {
  RootHandle root = kCurrentUser;
  bool fireEvents = true;
  bool consultCancelled = true;
  std::function<void(RepairScope&)> prepare;
  std::function<StepResult(RepairScope&, const TFixingList&)> step;
  // Runs also when the walk was left because the category was cancelled.
  std::function<void(RepairScope&, bool cancelled)> close;
};

// The common frame: nothing at all for a category without problems; otherwise OnRepairStart,
// the preparation, each selected problem's step, the closing, OnRepairEnd. Nothing escapes:
// an exception from a step counts as that problem's failure.
void RunRepair(TCustomOrdrex& category, TBackupLines& lines, const RepairPlan& plan);

}  // namespace ordrex::repair
