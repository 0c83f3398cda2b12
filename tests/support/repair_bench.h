#pragma once
// A small prefix written by a test, with problems put straight into the categories, for testing
// repairs one at a time: run a category's repair, read what it changed, apply its backup.
//
//   RepairBench bench;
//   bench.prefix.User(R"(Software\...\RunMRU)", {Sz("a", ...), Sz("MRUList", "a")});
//   bench.Open();
//   bench.Problem(bench.Engine().MRUFiles, kCurrentUser, key, "a", R"(C:\Gone\x.exe)");
//   TBackupLines lines = bench.Repair(bench.Engine().MRUFiles);

#include <memory>
#include <optional>
#include <string>

#include "engine/ordrex.h"
#include "platform/clock.h"
#include "support/registry_dump.h"
#include "support/temp_prefix.h"

namespace ordrex::testsupport {

class RepairBench {
 public:
  TempPrefix prefix;

  // Opens the prefix and builds the engine (every category enabled).
  void Open();
  Target& GetTarget() { return *target_; }
  TOrdrex& Engine() { return *engine_; }

  // Records a selected problem. With `found`, the problem is a missing file (its name taken
  // from `missing`, else from data, as the rule gives it) that the search found at that full
  // path, linked to the category.
  TFixingList& Problem(TCustomOrdrex& category, RootHandle root, const std::string& key,
                       const std::string& value, const std::string& data,
                       const std::string& found = "", const std::string& missing = "");

  // The category's repair into lines that hold only the header.
  TBackupLines Repair(TCustomOrdrex& category);
  // Applies backup lines to the target as a saved backup file would be applied.
  void ApplyBackup(const TBackupLines& lines);

  // Every root, sorted by name: equal dumps mean the same keys, values, types and data.
  std::string Dump() { return DumpRoots(*target_, DumpOrder::kSorted); }
  bool HasKey(RootHandle root, const std::string& key);
  bool HasValue(RootHandle root, const std::string& key, const std::string& name);
  // The value's text; nullopt when it is missing or not text.
  std::optional<std::string> Text(RootHandle root, const std::string& key, const std::string& name);
  std::optional<RegValue> Raw(RootHandle root, const std::string& key, const std::string& name);

 private:
  std::unique_ptr<Target> target_;
  ManualClock clock_;
  std::unique_ptr<TOrdrex> engine_;
};

// The lines joined with "\n", for failure messages and text searches.
std::string Joined(const TBackupLines& lines);

}  // namespace ordrex::testsupport
