#pragma once
// Runs scans on a TempPrefix and describes what they found, for the rule tests.

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "engine/ordrex.h"
#include "platform/clock.h"
#include "support/temp_prefix.h"

namespace ordrex::testsupport {

// An engine on a prefix the test has filled; the clock stands still, so no location report
// after the first one is due.
class RuleScan {
 public:
  explicit RuleScan(TempPrefix& prefix) : target_(prefix.Open()), engine_(*target_, clock_) {}

  TOrdrex& Engine() { return engine_; }
  Target& GetTarget() { return *target_; }
  ManualClock& GetClock() { return clock_; }

  // Enables exactly the named categories and runs a whole scan without pauses.
  void ScanOnly(std::initializer_list<TCustomOrdrex*> categories) {
    EnableOnly(categories);
    engine_.Clear();
    engine_.Stop(false);
    engine_.Scan();
    engine_.Stop(true);
  }

  // Makes only the given categories enabled and readies the engine for a single walk.
  void Prepare(std::initializer_list<TCustomOrdrex*> categories) {
    EnableOnly(categories);
    engine_.Clear();
    engine_.ResetStates();
    engine_.Stop(false);
  }

 private:
  void EnableOnly(std::initializer_list<TCustomOrdrex*> categories) {
    for (TCustomOrdrex* category : engine_.Categories())
      category->Enabled = false;
    for (TCustomOrdrex* category : categories)
      category->Enabled = true;
  }

  std::unique_ptr<Target> target_;
  ManualClock clock_;
  TOrdrex engine_;
};

// "ROOT\key | value | data | reason | selected/unselected | missing/-", one line per problem.
inline std::string Describe(const TFixingList& p) {
  return RootKeyName(p.RootKey) + p.Key + " | " + p.Value + " | " + p.Data + " | " + p.Reason +
         " | " + (p.Selected ? "selected" : "unselected") + " | " +
         (p.MissingFile ? "missing" : "-");
}

inline std::vector<std::string> Problems(const TCustomOrdrex& category) {
  std::vector<std::string> lines;
  for (const auto& problem : category.Problems())
    lines.push_back(Describe(*problem));
  return lines;
}

}  // namespace ordrex::testsupport
