#include "app/cli/info_command.h"

#include <optional>
#include <string>
#include <vector>

#include "app/cli/json_writer.h"
#include "engine/path_checks.h"
#include "platform/hive/hive_store.h"
#include "platform/text.h"
#include "platform/windows/windows_volume_target.h"
#include "platform/wine/wine_prefix_target.h"

namespace ordrex::cli {

namespace {

// The special folders in the order the program computes them at start-up.
struct SpecialFolderRow {
  const char* jsonName;
  const char* label;
  std::string KnownLocations::*folder;
};

constexpr SpecialFolderRow kSpecialFolderRows[] = {
    {"startMenu", "StartMenuDir", &KnownLocations::StartMenuDir},
    {"commonStartMenu", "CommonStartMenuDir", &KnownLocations::CommonStartMenuDir},
    {"desktop", "DesktopDir", &KnownLocations::DesktopDir},
    {"appData", "AppDataDir", &KnownLocations::AppDataDir},
    {"recent", "RecentDir", &KnownLocations::RecentDir},
    {"history", "HistoryDir", &KnownLocations::HistoryDir},
};

// Everything `info` reports, gathered once for both output forms. The folders are the ones
// the scan itself uses, so that a user sees why a path was judged missing.
struct TargetSummary {
  std::string location;
  std::string kind;
  OsVersion version;
  KnownLocations known;
  std::vector<DriveInfo> drives;
  std::optional<int> wineserverPid;
  std::vector<RegistryFileInfo> registryFiles;
  std::string computerName;
  std::string userName;
  // An offline volume's users, the one chosen, and why it may not be written now.
  std::optional<std::vector<VolumeProfile>> profiles;
  std::string chosenUser;
  VolumeWriteState writeState;
};

TargetSummary Summarize(Target& target) {
  const SystemProfile& profile = target.Profile();
  TargetSummary summary;
  summary.location = target.Location();
  summary.kind = target.Kind();
  summary.version = profile.version;
  summary.known = PathChecks(target).Known();
  summary.drives = target.Files().Drives();
  if (auto* wine = dynamic_cast<WinePrefixTarget*>(&target)) {
    summary.wineserverPid = wine->WineserverPid();
    summary.registryFiles = wine->RegistryFiles();
  }
  if (auto* volume = dynamic_cast<WindowsVolumeTarget*>(&target)) {
    summary.profiles = volume->Profiles();
    summary.chosenUser = volume->ChosenProfile().name;
    summary.writeState = volume->WriteState();
    for (const HiveStore* hive : volume->Hives()) {
      summary.registryFiles.push_back({hive->File(), KeyTreePaths(*hive, "").size()});
    }
  }
  summary.computerName = profile.computerName;
  summary.userName = profile.userName;
  return summary;
}

std::string VersionText(const OsVersion& version) {
  return std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
         std::to_string(version.build);
}

const char* YesNo(bool value) {
  return value ? "yes" : "no";
}

void PrintText(const TargetSummary& s, std::ostream& out) {
  const auto line = [&](const std::string& label, const std::string& value) {
    std::string padded = label + ":";
    if (padded.size() < 20) padded.resize(20, ' ');
    out << padded << value << "\n";
  };
  line("Target", s.kind + " " + s.location);
  const KnownLocations& known = s.known;
  std::string windows = VersionText(s.version) + (known.IsNT ? " (NT)" : " (Windows 9x)");
  if (!s.version.productName.empty()) windows = s.version.productName + ", " + windows;
  line("Windows", windows);
  line("Flags", std::string("IsNT ") + YesNo(known.IsNT) + ", IsWin9x " + YesNo(known.IsWin9x) +
                    ", IsWin2000OrLater " + YesNo(known.IsWin2000OrLater));
  line("Computer", s.computerName + ", user " + s.userName);
  line("WindowsDir", known.WindowsDir);
  line("SystemDir", known.SystemDir);
  line("ProgramFilesDir", known.ProgramFilesDir);
  for (const auto& row : kSpecialFolderRows) {
    const std::string& folder = known.*row.folder;
    line(row.label, folder.empty() ? "(none)" : folder);
  }
  out << "Drives:\n";
  for (const auto& drive : s.drives) {
    out << "  " << drive.letter << ":  " << drive.hostPath.string()
        << (drive.fixed ? "  (fixed)" : "  (outside the prefix: not searched)") << "\n";
  }
  if (s.profiles) {
    out << "  Other drives and shares are not on this volume: paths there are never reported.\n";
  }
  if (s.kind == kWinePrefixKind) {
    line("Wineserver", s.wineserverPid ? "running (pid " + std::to_string(*s.wineserverPid) + ")"
                                       : "not running");
  }
  if (s.profiles) {
    out << "Users:\n";
    for (const auto& profile : *s.profiles) {
      out << "  " << profile.name << "  " << (profile.sid.empty() ? "(no SID)" : profile.sid)
          << (profile.userHive.empty() ? "  (no NTUSER.DAT)" : "")
          << (profile.name == s.chosenUser ? "  (chosen)" : "") << "\n";
    }
    const VolumeWriteState& state = s.writeState;
    line("Hibernated", state.hibernation.empty() ? "no" : "yes (hiberfil.sys is in use)");
    line("Read-only", state.readOnly.empty() ? "no" : "yes");
    line("Dirty hives",
         state.dirtyHives.empty() ? "none" : std::to_string(state.dirtyHives.size()));
    for (const auto& why : state.dirtyHives)
      out << "  " << why << "\n";
  }
  if (!s.registryFiles.empty()) {
    out << "Registry files:\n";
    for (const auto& file : s.registryFiles) {
      out << "  " << file.path.string() << "  " << file.keys << " keys\n";
    }
  }
}

void PrintJson(const TargetSummary& s, std::ostream& out) {
  JsonWriter json(out);
  json.BeginObject();
  json.Key("target").String(s.location);
  json.Key("kind").String(s.kind);
  json.Key("version").String(VersionText(s.version));
  json.Key("isNT").Bool(s.known.IsNT);
  json.Key("windowsDir").String(s.known.WindowsDir);
  json.Key("systemDir").String(s.known.SystemDir);
  json.Key("programFilesDir").String(s.known.ProgramFilesDir);
  json.Key("specialFolders").BeginObject();
  for (const auto& row : kSpecialFolderRows) {
    json.Key(row.jsonName).String(s.known.*row.folder);
  }
  json.EndObject();
  json.Key("drives").BeginArray();
  for (const auto& drive : s.drives) {
    json.BeginObject();
    json.Key("letter").String(std::string(1, drive.letter));
    json.Key("hostPath").String(drive.hostPath.string());
    json.Key("fixed").Bool(drive.fixed);
    json.EndObject();
  }
  json.EndArray();
  json.Key("wineserverPid").OptionalNumber(s.wineserverPid);
  if (s.profiles) {
    json.Key("users").BeginArray();
    for (const auto& profile : *s.profiles) {
      json.BeginObject();
      json.Key("name").String(profile.name);
      json.Key("sid").String(profile.sid);
      json.Key("hive").String(profile.userHive.string());
      json.Key("chosen").Bool(profile.name == s.chosenUser);
      json.EndObject();
    }
    json.EndArray();
    const VolumeWriteState& state = s.writeState;
    json.Key("hibernated").Bool(!state.hibernation.empty());
    json.Key("readOnly").Bool(!state.readOnly.empty());
    json.Key("dirtyHives").BeginArray();
    for (const auto& why : state.dirtyHives)
      json.String(why);
    json.EndArray();
  }
  json.Key("registryFiles").BeginArray();
  for (const auto& file : s.registryFiles) {
    json.BeginObject();
    json.Key("path").String(file.path.string());
    json.Key("keys").Number(static_cast<std::int64_t>(file.keys));
    json.EndObject();
  }
  json.EndArray();
  json.EndObject();
  out << "\n";
}

}  // namespace

CLI::App* InfoCommand::Register(CLI::App& app) {
  CLI::App* verb = app.add_subcommand("info", "Show what the program sees of a target");
  AddTargetOptions(*verb, target_);
  verb->add_flag("--json", json_, "Print one JSON object");
  return verb;
}

int InfoCommand::Run() {
  auto target = OpenTargetOrReport(target_, context_);
  if (!target) return kExitUsage;
  const TargetSummary summary = Summarize(*target);
  if (json_) {
    PrintJson(summary, context_.out);
  } else {
    PrintText(summary, context_.out);
  }
  return kExitOk;
}

}  // namespace ordrex::cli
