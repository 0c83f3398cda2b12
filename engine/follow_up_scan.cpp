#include "engine/follow_up_scan.h"

#include <set>
#include <string>
#include <tuple>

namespace ordrex {

namespace {

using ProblemPlace = std::tuple<int, RootHandle, std::string, std::string>;

ProblemPlace PlaceOf(const TCustomOrdrex& category, const TFixingList& problem) {
  return {category.Index, problem.RootKey, problem.Key, problem.Value};
}

bool IsShortcutWalk(const TOrdrex& engine, const TCustomOrdrex& category) {
  return &category == &engine.MSDOS || &category == &engine.Windows;
}

}  // namespace

int CountFollowUpProblems(TOrdrex& repaired) {
  TOrdrex followUp(repaired.GetTarget(), repaired.GetClock());
  followUp.IsIgnored = repaired.IsIgnored;
  std::set<ProblemPlace> known;
  for (TCustomOrdrex* category : repaired.Categories()) {
    TCustomOrdrex& mirror = *followUp.Category(category->Index);
    mirror.Enabled = category->Enabled && !IsShortcutWalk(repaired, *category);
    if (!mirror.Enabled) continue;
    for (const auto& problem : category->Problems())
      known.insert(PlaceOf(*category, *problem));
  }
  followUp.Clear();
  followUp.Stop(false);
  followUp.Scan();
  followUp.Stop(true);
  int count = 0;
  for (TCustomOrdrex* category : followUp.Categories()) {
    if (!category->Enabled) continue;
    for (const auto& problem : category->Problems())
      count += known.contains(PlaceOf(*category, *problem)) ? 0 : 1;
  }
  return count;
}

}  // namespace ordrex
