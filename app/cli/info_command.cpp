#include "app/cli/info_command.h"

#include <optional>
#include <string>
#include <vector>

#include "app/cli/json_writer.h"
#include "platform/text.h"
#include "platform/wine/wine_prefix_target.h"

namespace ordrex::cli {

namespace {

struct SpecialFolderRow {
  const char* jsonName;
  const char* label;
  int csidl;
};

// In the order the program computes them at start-up.
constexpr SpecialFolderRow kSpecialFolderRows[] = {
    {"startMenu", "StartMenuDir", kCsidlStartMenu},
    {"commonStartMenu", "CommonStartMenuDir", kCsidlCommonStartMenu},
    {"desktop", "DesktopDir", kCsidlDesktopDirectory},
    {"appData", "AppDataDir", kCsidlAppData},
    {"recent", "RecentDir", kCsidlRecent},
    {"history", "HistoryDir", kCsidlHistory},
};

// Folders are shown as the program uses them: with a trailing backslash unless empty.
std::string AsFolder(std::string text) {
  if (!text.empty() && text.back() != '\\') text.push_back('\\');
  return text;
}

// Everything `info` reports, gathered once for both output forms.
struct TargetSummary {
  std::string location;
  std::string kind;
  OsVersion version;
  std::string windowsDir;
  std::string systemDir;
  std::string programFilesDir;
  std::vector<std::string> specialFolders;  // in kSpecialFolderRows order
  std::vector<DriveInfo> drives;
  std::optional<int> wineserverPid;
  std::vector<RegistryFileInfo> registryFiles;
  std::string computerName;
  std::string userName;
};

std::string ProgramFilesDir(Target& target) {
  RegistryStore* machine = target.Root(kLocalMachine);
  if (machine == nullptr) return {};
  const auto value =
      machine->QueryValue("SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir");
  if (!value || (value->type != kRegSz && value->type != kRegExpandSz)) return {};
  return AsFolder(RegDataToString(value->data));
}

TargetSummary Summarize(Target& target) {
  const SystemProfile& profile = target.Profile();
  TargetSummary summary;
  summary.location = target.Location();
  summary.kind = target.Kind();
  summary.version = profile.version;
  summary.windowsDir = AsFolder(profile.windowsDir);
  summary.systemDir = AsFolder(profile.systemDir);
  summary.programFilesDir = ProgramFilesDir(target);
  for (const auto& row : kSpecialFolderRows) {
    const auto hit = profile.specialFolders.find(row.csidl);
    summary.specialFolders.push_back(hit == profile.specialFolders.end() ? std::string()
                                                                         : AsFolder(hit->second));
  }
  summary.drives = target.Files().Drives();
  if (auto* wine = dynamic_cast<WinePrefixTarget*>(&target)) {
    summary.wineserverPid = wine->WineserverPid();
    summary.registryFiles = wine->RegistryFiles();
  }
  summary.computerName = profile.computerName;
  summary.userName = profile.userName;
  return summary;
}

std::string VersionText(const OsVersion& version) {
  return std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
         std::to_string(version.build);
}

bool IsNT(const OsVersion& version) {
  return version.platformId == 2;
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
  std::string windows = VersionText(s.version) + (IsNT(s.version) ? " (NT)" : " (Windows 9x)");
  if (!s.version.productName.empty()) windows = s.version.productName + ", " + windows;
  line("Windows", windows);
  line("Flags", std::string("IsNT ") + YesNo(IsNT(s.version)) + ", IsWin9x " +
                    YesNo(!IsNT(s.version)) + ", IsWin2000OrLater " +
                    YesNo(IsNT(s.version) && s.version.major >= 5));
  line("Computer", s.computerName + ", user " + s.userName);
  line("WindowsDir", s.windowsDir);
  line("SystemDir", s.systemDir);
  line("ProgramFilesDir", s.programFilesDir);
  for (std::size_t i = 0; i < s.specialFolders.size(); ++i) {
    line(kSpecialFolderRows[i].label, s.specialFolders[i].empty() ? "(none)" : s.specialFolders[i]);
  }
  out << "Drives:\n";
  for (const auto& drive : s.drives) {
    out << "  " << drive.letter << ":  " << drive.hostPath.string()
        << (drive.fixed ? "  (fixed)" : "  (outside the prefix: not searched)") << "\n";
  }
  if (s.kind == "wine-prefix") {
    line("Wineserver", s.wineserverPid ? "running (pid " + std::to_string(*s.wineserverPid) + ")"
                                       : "not running");
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
  json.Key("isNT").Bool(IsNT(s.version));
  json.Key("windowsDir").String(s.windowsDir);
  json.Key("systemDir").String(s.systemDir);
  json.Key("programFilesDir").String(s.programFilesDir);
  json.Key("specialFolders").BeginObject();
  for (std::size_t i = 0; i < s.specialFolders.size(); ++i) {
    json.Key(kSpecialFolderRows[i].jsonName).String(s.specialFolders[i]);
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
