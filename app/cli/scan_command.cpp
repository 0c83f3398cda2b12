#include "app/cli/scan_command.h"

#include "app/cli/json_writer.h"
#include "app/cli/scan_report.h"
#include "app/cli/user_settings.h"
#include "engine/ordrex.h"

namespace ordrex::cli {

CLI::App* ScanCommand::Register(CLI::App& app) {
  CLI::App* verb = app.add_subcommand("scan", "Scan a target for registry problems");
  AddTargetOptions(*verb, target_);
  verb->add_option(
          "--only", only_,
          "Scan only the category with this title (repeatable), e.g. \"Registry Integrity\"")
      ->type_name("TITLE");
  verb->add_flag("--json", json_, "Print the result as one JSON object");
  return verb;
}

int ScanCommand::Run() {
  if (!CheckTitles(only_, context_.err)) return kExitUsage;
  std::unique_ptr<Target> target = OpenTargetOrReport(target_, context_);
  if (target == nullptr) return kExitUsage;

  TOrdrex engine(*target, context_.clock);
  UserSettings settings(context_);
  settings.BindEngine(engine);
  if (!only_.empty()) EnableOnly(engine, only_);
  const bool showProgress = context_.interactive && !json_;
  if (showProgress) context_.out << "Scanning " << target->Location() << "\n";
  RunScan(engine, context_, showProgress);

  if (json_) {
    JsonWriter json(context_.out);
    json.BeginObject();
    WriteJsonReportMembers(json, engine);
    json.EndObject();
    context_.out << "\n";
  } else {
    if (!showProgress) context_.out << "Scanned " << target->Location() << "\n";
    WriteTextReport(context_.out, engine);
  }
  context_.out.flush();

  // A scan that could not finish has not shown the target clean (nor complete).
  if (!engine.EndedEarly.empty()) {
    context_.err << "ordrex-cli: " << EndedEarlyText(engine.EndedEarly) << "\n";
    return kExitUsage;
  }
  return TotalProblems(engine) > 0 ? kExitProblemsFound : kExitOk;
}

}  // namespace ordrex::cli
