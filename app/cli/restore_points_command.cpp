#include "app/cli/restore_points_command.h"

#include <charconv>
#include <ctime>
#include <iomanip>

#include "app/cli/cli_prompt.h"
#include "app/cli/json_writer.h"
#include "app/cli/user_settings.h"
#include "app/session/restore_point_flows.h"
#include "system/wine_restore_points.h"

namespace ordrex::cli {

namespace fs = std::filesystem;

namespace {

std::string LocalTimeText(std::int64_t seconds) {
  const std::time_t time = static_cast<std::time_t>(seconds);
  std::tm local{};
  localtime_r(&time, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

std::string Plural(std::size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

// Marks the points that can be cleaned, beside them.
fs::path MarkerOf(const WinePrefixRestorePoints& points) {
  return points.Folder() / "clean.marker";
}

}  // namespace

CLI::App* RestorePointsCommand::Register(CLI::App& app) {
  CLI::App* verb = app.add_subcommand(
      "restore-points", "List, create, apply or clean the restore points of a Wine prefix");
  verb->add_option("action", arguments_,
                   "list (the default), create NAME, apply N (as list numbers them), or clean")
      ->expected(0, 2)
      ->type_name("ACTION [NAME|N]");
  verb->add_flag("--json", json_, "List as one JSON object");
  verb->add_flag("--yes,-y", yes_, "Apply or clean without asking first");
  AddTargetOptions(*verb, target_);
  return verb;
}

int RestorePointsCommand::Run() {
  const std::string action = arguments_.empty() ? "list" : arguments_[0];
  const bool takesArgument = action == "create" || action == "apply";
  if (action != "list" && action != "clean" && !takesArgument) {
    context_.err << "ordrex-cli: 'restore-points " << action
                 << "' is not an action; use list, create NAME, apply N or clean\n";
    return kExitUsage;
  }
  if (takesArgument != (arguments_.size() == 2)) {
    context_.err << "ordrex-cli: 'restore-points " << action << "' "
                 << (takesArgument
                         ? (action == "create" ? "needs a name"
                                               : "needs the number of a restore "
                                                 "point, as 'restore-points list' shows it")
                         : "takes nothing more")
                 << "\n";
    return kExitUsage;
  }
  if (json_ && action != "list") {
    context_.err << "ordrex-cli: --json goes with 'restore-points list' only\n";
    return kExitUsage;
  }
  if (!target_.windows.empty()) {
    context_.err << "ordrex-cli: restore points are made of Wine prefixes only\n";
    return kExitUsage;
  }
  const fs::path prefix = PrefixFolder(target_, context_);
  UserSettings settings(context_);
  WinePrefixRestorePoints points(prefix, settings.Paths().DataDir(), context_.clock);
  if (action == "list") return List(points);
  if (action == "clean") return Clean(points, settings);
  if (action == "create") return Create(points, settings);
  return Apply(points);
}

int RestorePointsCommand::List(WinePrefixRestorePoints& points) {
  const auto list = points.List();
  std::ostream& out = context_.out;
  if (json_) {
    JsonWriter json(out);
    json.BeginObject();
    json.Key("target").String(PrefixFolder(target_, context_).string());
    json.Key("folder").String(points.Folder().string());
    json.Key("restorePoints").BeginArray();
    for (std::size_t i = 0; i < list.size(); ++i) {
      json.BeginObject();
      json.Key("number").Number(static_cast<std::int64_t>(i + 1));
      json.Key("sequence").Number(list[i].sequence);
      json.Key("name").String(list[i].name);
      json.Key("time").Number(list[i].time);
      json.Key("complete").Bool(list[i].complete);
      json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    out << "\n";
    return kExitOk;
  }
  if (list.empty()) {
    out << "There are no restore points of " << PrefixFolder(target_, context_).string() << ".\n";
    return kExitOk;
  }
  out << std::left << std::setw(4) << "#" << std::setw(21) << "Time" << std::setw(10) << "State"
      << "Name\n";
  for (std::size_t i = 0; i < list.size(); ++i) {
    out << std::setw(4) << (i + 1) << std::setw(21) << LocalTimeText(list[i].time) << std::setw(10)
        << (list[i].complete ? "complete" : "begun") << list[i].name << "\n";
  }
  return kExitOk;
}

int RestorePointsCommand::Create(WinePrefixRestorePoints& points, UserSettings& settings) {
  RestorePointFlows flows(points, settings.Store(), MarkerOf(points));
  std::string told;
  RestorePointEvents events;
  events.Inform = [&](const std::string& text) { told = text; };
  events.Warn = [&](const std::string& text) {
    context_.err << "ordrex-cli: warning: " << text << "\n";
  };
  const RestoreCode code = flows.Create(arguments_[1], events);
  if (code != kRestoreSuccess) {
    context_.err << "ordrex-cli: " << told << "\n";
    const std::string reason = points.LastFailureReason();
    if (!reason.empty() && told.find(reason) == std::string::npos)
      context_.err << "ordrex-cli: " << reason << "\n";
    return kExitUsage;
  }
  context_.out << told << " It is number " << points.List().size()
               << " of 'restore-points list'.\n";
  return kExitOk;
}

int RestorePointsCommand::Apply(WinePrefixRestorePoints& points) {
  const auto list = points.List();
  std::size_t number = 0;
  const std::string& text = arguments_[1];
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size() || number < 1 ||
      number > list.size()) {
    context_.err << "ordrex-cli: there is no restore point " << text << "; "
                 << (list.empty()
                         ? std::string("the prefix has none")
                         : "the list holds restore points 1 to " + std::to_string(list.size()))
                 << "\n";
    return kExitUsage;
  }
  const RestorePointInfo& point = list[number - 1];
  if (!yes_ && !AskYesNo(context_, context_.out,
                         "Put the registry of " + point.target + " back as it was at " +
                             LocalTimeText(point.time) + " (" + point.name + ")?")) {
    context_.out << "Nothing was changed.\n";
    return kExitOk;
  }
  const RestorePointApplied applied = points.Apply(point.sequence);
  if (!applied.applied) {
    context_.err << "ordrex-cli: " << applied.error << "\n";
    return kExitUsage;
  }
  std::size_t undo = 0;
  for (const auto& listed : points.List()) {
    ++undo;
    if (listed.sequence == applied.undoPoint) break;
  }
  context_.out << "Applied restore point " << number << ". The registry as it was before is "
               << "restore point " << undo << ".\n";
  return kExitOk;
}

int RestorePointsCommand::Clean(WinePrefixRestorePoints& points, UserSettings& settings) {
  const std::size_t before = points.List().size();
  if (!yes_ && !AskYesNo(context_, context_.out,
                         "Remove the " + Plural(before, "restore point", "restore points") +
                             " of " + PrefixFolder(target_, context_).string() + "?")) {
    context_.out << "Nothing was changed.\n";
    return kExitOk;
  }
  RestorePointFlows flows(points, settings.Store(), MarkerOf(points));
  flows.Clean({});
  const std::size_t left = points.List().size();
  context_.out << "Removed "
               << Plural(before - std::min(before, left), "restore point", "restore points")
               << ".\n";
  if (left > 0) {
    context_.err << "ordrex-cli: " << Plural(left, "restore point was", "restore points were")
                 << " left: " << points.LastFailureReason() << "\n";
    return kExitUsage;
  }
  return kExitOk;
}

}  // namespace ordrex::cli
