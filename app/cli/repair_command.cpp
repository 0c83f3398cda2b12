#include "app/cli/repair_command.h"

#include <optional>

#include "app/cli/cli_prompt.h"
#include "app/cli/json_writer.h"
#include "app/cli/scan_report.h"
#include "app/cli/user_settings.h"
#include "app/session/restore_point_flows.h"
#include "backup/repair_run.h"
#include "engine/missing_file_search.h"
#include "platform/wine/wine_prefix_target.h"
#include "system/wine_restore_points.h"

namespace ordrex::cli {

namespace {

std::string Plural(int count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

// The search's current file, rewritten in place on a terminal.
class SearchLine {
 public:
  explicit SearchLine(std::ostream& out) : out_(out) {}
  void Show(const std::string& path) {
    constexpr std::size_t kWidth = 100;
    std::string text = "Searching: " + path;
    if (text.size() > kWidth) text = "Searching: ..." + path.substr(path.size() - (kWidth - 14));
    out_ << "\r\x1b[K" << text << std::flush;
    shown_ = true;
  }
  void Close() {
    if (shown_) out_ << "\r\x1b[K" << std::flush;
    shown_ = false;
  }

 private:
  std::ostream& out_;
  bool shown_ = false;
};

void WriteJson(std::ostream& out, TOrdrex& engine, const RepairRunResult* result) {
  JsonWriter json(out);
  json.BeginObject();
  WriteJsonReportMembers(json, engine);
  std::optional<std::string> backup;
  if (result != nullptr && result->backupFile) backup = result->backupFile->string();
  json.Key("backup").OptionalString(backup);
  json.Key("repaired").Number(result == nullptr ? 0 : result->repairedCount);
  json.Key("failed").BeginArray();
  if (result != nullptr) {
    for (const CategoryFailures& failure : result->failures) {
      json.BeginObject();
      json.Key("category").String(failure.title);
      json.Key("count").Number(failure.failed);
      json.EndObject();
    }
  }
  json.EndArray();
  json.Key("followUp").Number(result == nullptr ? 0 : result->followUpCount);
  json.EndObject();
  out << "\n";
}

}  // namespace

CLI::App* RepairCommand::Register(CLI::App& app) {
  CLI::App* verb =
      app.add_subcommand("repair", "Scan, back up and repair the problems selected for repair");
  AddTargetOptions(*verb, target_);
  verb->add_flag("--yes,-y", yes_, "Repair without asking first");
  verb->add_flag("--no-backup", noBackup_, "Do not save a backup of what is changed");
  verb->add_option("--search-dir", searchDirs_,
                   "Search only this Windows folder for missing files, e.g. \"C:\\Program "
                   "Files\" (repeatable)")
      ->type_name("DIR");
  verb->add_flag("--json", json_, "Print the result as one JSON object");
  verb->add_flag("--restore-point", restorePoint_,
                 "Take a restore point of the whole registry before writing (Wine prefixes)");
  return verb;
}

bool RepairCommand::Confirm(const std::string& question) {
  if (yes_) return true;
  // The JSON object alone goes to standard output.
  return AskYesNo(context_, json_ ? context_.err : context_.out, question);
}

int RepairCommand::Run() {
  std::unique_ptr<Target> target = OpenTargetOrReport(target_, context_);
  if (target == nullptr) return kExitUsage;
  if (const std::string blocker = target->WriteBlocker(); !blocker.empty()) {
    context_.err << "ordrex-cli: " << blocker << "\n";
    return kExitUsage;
  }
  UserSettings settings(context_);
  std::ostream& out = context_.out;

  TOrdrex engine(*target, context_.clock);
  settings.BindEngine(engine);
  const bool showProgress = context_.interactive && !json_;
  if (showProgress) out << "Scanning " << target->Location() << "\n";
  RunScan(engine, context_, showProgress);
  if (!engine.EndedEarly.empty()) {
    if (!json_) WriteTextReport(out, engine);
    context_.err << "ordrex-cli: " << EndedEarlyText(engine.EndedEarly)
                 << " Nothing was repaired.\n";
    return kExitUsage;
  }
  if (!json_) {
    if (!showProgress) out << "Scanned " << target->Location() << "\n";
    WriteTextReport(out, engine);
  }

  const int selected = SelectedProblemCount(engine);
  if (selected == 0) {
    if (json_)
      WriteJson(out, engine, nullptr);
    else
      out << "Nothing to repair.\n";
    return kExitOk;
  }

  RepairOptions options = settings.RepairOptionsForRun();
  options.makeBackup = options.makeBackup && !noBackup_;
  if (!searchDirs_.empty()) {
    options.specifyFolders = true;
    options.allDrives = false;
    options.searchFolders.clear();
    for (const std::string& folder : searchDirs_) {
      options.searchFolders.push_back(NormalizeSearchFolder(folder));
    }
  }

  if (!json_) {
    out << "\n"
        << Plural(selected, "selected problem", "selected problems")
        << " will be repaired (deleted, or pointed at a found copy of a missing file).\n";
    if (options.makeBackup) {
      out << "A backup of everything that changes is saved in " << options.backupDir.string()
          << " first.\n";
    } else {
      out << "No backup will be saved.\n";
    }
  }
  if (!Confirm("Repair " + Plural(selected, "problem", "problems") + " in " + target->Location() +
               "?")) {
    (json_ ? context_.err : out) << "Nothing was changed.\n";
    if (json_) WriteJson(out, engine, nullptr);
    return kExitOk;
  }

  // The restore point is the registry as it is before anything is written; without it, when
  // asked for, nothing is written.
  std::unique_ptr<WinePrefixRestorePoints> points;
  std::int64_t point = 0;
  if (restorePoint_) {
    if (target->Kind() != kWinePrefixKind) {
      context_.err << "ordrex-cli: restore points are made of Wine prefixes only; nothing was "
                      "repaired.\n";
      return kExitUsage;
    }
    points = std::make_unique<WinePrefixRestorePoints>(target->Location(),
                                                       settings.Paths().DataDir(), context_.clock);
    if (const RestoreCode code = points->SetRestorePoint("Before a repair", point);
        code != kRestoreSuccess) {
      context_.err << "ordrex-cli: no restore point could be taken ("
                   << RestoreErrorText(code, points->LastFailureReason())
                   << "); nothing was repaired.\n";
      return kExitUsage;
    }
  }

  SearchLine searchLine(out);
  std::string row;
  RepairRunEvents events;
  if (!json_) {
    events.AddRow = [&](const std::string& location, const std::string&) {
      row = location;
      if (location != kFindingSolutionRow || engine.ErrorFileCount() == 0) return;
      out << "Searching for " << Plural(engine.ErrorFileCount(), "missing file", "missing files")
          << " in";
      for (const std::string& folder : MissingFileSearchFolders(
               engine, options.specifyFolders, options.searchFolders, options.allDrives)) {
        out << " " << folder;
      }
      out << "\n";
    };
    events.SetLastRowStatus = [&](const std::string& status) {
      searchLine.Close();
      out << row << ": " << status << "\n";
    };
    if (context_.interactive) {
      events.SearchProgress = [&](const std::string& path) { searchLine.Show(path); };
    }
  }
  RepairRun run(engine, options, events);
  const RepairRunResult result = run.Run();
  searchLine.Close();
  if (points) {
    const bool ended = points->EndRestorePoint(point) == kRestoreSuccess;
    try {
      RememberRestorePoint(settings.Store(), point, ended);
    } catch (const std::exception& e) {
      context_.err << "ordrex-cli: warning: the settings could not be saved: " << e.what() << "\n";
    }
    (json_ ? context_.err : out) << "Restore point " << points->List().size()
                                 << " holds the registry as it was before the repair.\n";
  }

  if (result.backupFile && !settings.Save()) {
    context_.err << "ordrex-cli: the backup " << result.backupFile->string()
                 << " is not in the backup list\n";
  }
  if (json_) {
    WriteJson(out, engine, &result);
  } else if (result.repaired) {
    out << "\nRepaired " << Plural(result.repairedCount, "problem", "problems") << ".\n";
    for (const CategoryFailures& failure : result.failures) {
      out << failure.title << ": " << Plural(failure.failed, "problem", "problems")
          << " could not be repaired and " << (failure.failed == 1 ? "was" : "were")
          << " left as found.\n";
    }
    if (result.backupFile) {
      out << "Backup saved: " << result.backupFile->string() << "\n";
    } else if (!options.makeBackup) {
      out << "No backup was saved.\n";
    }
    if (result.followUpCount > 0) {
      out << "The repair left " << Plural(result.followUpCount, "new problem", "new problems")
          << " (entries that named what it removed); run the repair again to clear "
          << (result.followUpCount == 1 ? "it" : "them") << ".\n";
    }
  }
  out.flush();
  if (!result.error.empty()) {
    context_.err << "ordrex-cli: " << result.error << "\n";
    return kExitUsage;
  }
  return kExitOk;
}

}  // namespace ordrex::cli
