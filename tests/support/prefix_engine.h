#pragma once
// An engine on a small prefix written by the test, for the rule and repair tests: scan with
// chosen categories and describe what was found, or put problems in by hand, repair them and
// apply the backup the repair wrote.

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ordrex.h"
#include "platform/clock.h"
#include "support/shell_link_bytes.h"
#include "support/temp_prefix.h"

namespace ordrex::testsupport {

class PrefixEngine {
 public:
  // Opens the prefix with every category enabled. The clock stands still, so no location
  // report after the first one is due.
  explicit PrefixEngine(TempPrefix& prefix);

  TOrdrex& Engine() { return *engine_; }
  Target& GetTarget() { return *target_; }

  // Enables exactly the given categories and runs a whole scan without pauses.
  void ScanOnly(std::initializer_list<TCustomOrdrex*> categories);
  // Enables exactly the given categories and readies the engine for a single walk.
  void Prepare(std::initializer_list<TCustomOrdrex*> categories);

  // Records a selected problem. With `found`, the problem is a missing file (its name taken
  // from `missing`, else from data, as the rule gives it) that the search found at that full
  // path, linked to the category.
  TFixingList& Problem(TCustomOrdrex& category, RootHandle root, const std::string& key,
                       const std::string& value, const std::string& data,
                       const std::string& found = "", const std::string& missing = "");
  // The categories' repairs in turn, into lines that start with the header alone.
  TBackupLines Repair(std::initializer_list<TCustomOrdrex*> categories);
  // Applies the lines as a saved backup file is applied; succeeds when every root then holds
  // the same keys, values, types and data as when the prefix was opened.
  ::testing::AssertionResult RestoredBy(const TBackupLines& lines);

  // The key and everything below it, a line for each key that has values or no subkeys:
  // "Sub\Key: name=data  name=data" (the key's own values without "Sub\Key: "). Keys and
  // names are sorted; the default value is "@"; text is shown as it is, numbers as
  // "dword:N", other data as "hex:0a,0b" ("hex(type):..." unless REG_BINARY). {"(none)"}
  // when the key does not exist.
  std::vector<std::string> Tree(RootHandle root, const std::string& key);

 private:
  void EnableOnly(std::initializer_list<TCustomOrdrex*> categories);

  std::unique_ptr<Target> target_;
  ManualClock clock_;
  std::unique_ptr<TOrdrex> engine_;
  std::string opened_;  // every root as it was opened
};

// "ROOT\key | value | data | reason | selected/unselected | missing/-" of each problem (a file
// problem has no root), less `under` where a line starts with it.
std::vector<std::string> Problems(const TCustomOrdrex& category, std::string_view under = "");
// The lines joined with "\n", for text searches.
std::string Joined(const TBackupLines& lines);
// The well-known folders the prefix's registry gives (opens it once).
KnownLocations KnownOf(TempPrefix& prefix);
// Clear, then a whole scan as the window runs it.
void RunScan(TOrdrex& engine);
// A file with the given bytes at a Windows path on drive C.
inline void PutFile(TempPrefix& prefix, const std::string& windowsPath, const ByteVector& bytes) {
  prefix.File(windowsPath, bytes);
}

}  // namespace ordrex::testsupport
