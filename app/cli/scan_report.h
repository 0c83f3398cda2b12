#pragma once
// How a scan's outcome is shown: the live progress on a terminal, the final report of the
// problems grouped by category, and the JSON object of the command-line contract. The scan and
// repair verbs share these.

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "app/cli/cli_context.h"
#include "app/cli/json_writer.h"
#include "engine/ordrex.h"

namespace ordrex::cli {

// The titles of the 23 categories, in index order.
std::vector<std::string> CategoryTitles();
// True when every title names a category (case-insensitively); otherwise prints one usage line
// that lists the valid titles.
bool CheckTitles(const std::vector<std::string>& titles, std::ostream& err);
// Enables exactly the categories named.
void EnableOnly(TOrdrex& engine, const std::vector<std::string>& titles);
// Clear, Stop(false), Scan, Stop(true), without pauses; with progress, a terminal shows the
// categories' states and the location being examined while it runs.
void RunScan(TOrdrex& engine, CliContext& context, bool showProgress);

// "HKEY_CLASSES_ROOT\CLSID\{...}\InprocServer32"; a shortcut's file path as it stands.
std::string ProblemLocation(const TFixingList& problem);
// "(Default)" for the default value (or a whole key), else the value name.
std::string ProblemValueText(const TFixingList& problem);
int TotalProblems(TOrdrex& engine);

// Draws a line whenever a category moves to another state, and keeps one line below them
// rewritten with the location being examined. Meant for a terminal only.
class LiveScanView : public EngineObserver {
 public:
  explicit LiveScanView(std::ostream& out) : out_(out) {}
  // Binds the view to the engine's observer slot and location event.
  void Attach(TOrdrex& engine);
  // Clears the location line (call when the scan has ended).
  void Close();

  void CategoryStatusChanged(TCustomOrdrex& category) override;
  void ShowLocation(const std::string& text);

 private:
  void ClearLocation();

  std::ostream& out_;
  std::map<const TCustomOrdrex*, std::string> shown_;  // the last state drawn per category
  bool locationShown_ = false;
};

// The problems grouped by category, then a closing summary line.
void WriteTextReport(std::ostream& out, TOrdrex& engine);

// The sentence that says why a scan ended early, from the engine's EndedEarly.
std::string EndedEarlyText(const std::string& endedEarly);

// The members of the contract's object ("target", "categories", "problems", "total",
// "endedEarly") into an object the caller has opened, so that the repair verb can add its own.
void WriteJsonReportMembers(JsonWriter& json, TOrdrex& engine);

}  // namespace ordrex::cli
