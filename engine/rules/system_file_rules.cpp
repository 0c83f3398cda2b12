// Registry lists that name operating-system files: help files, fonts, drivers and services,
// static virtual devices of the older Windows family, and the event log's message files.

#include <algorithm>
#include <string>
#include <vector>

#include "engine/rules/rule_support.h"
#include "engine/rules/rules.h"
#include "platform/text.h"

namespace ordrex::rules {
namespace {

constexpr const char* kFileNotFound = "File not found";

void ScanHelpKey(TOrdrex& engine, TRegistry& reg, const std::string& key, bool& stopped) {
  const PathChecks& paths = engine.Paths();
  stopped =
      !ForEachName(engine, engine.Help, reg, key, NameKind::Values, [&](const std::string& name) {
        std::string folder;
        paths.ReadStringValue(reg, name, folder);
        if (folder.empty() || folder.starts_with("Folder:")) return;
        const std::string file = IncludeTrailingBackslash(folder) + name;
        if (paths.FileFound(file)) return;
        // Compiled help often sits beside the older .hlp file of the same name.
        if (ExtractFileExt(file) != ".hlp" && paths.FileFound(ChangeFileExt(file, ".hlp"))) return;
        engine.AddProblem(engine.Help, reg.RootKey(), kFileNotFound, key, name, folder, name, true,
                          true);
      });
}

// A service's image path as the service manager reads it: "System32\..." and
// "\SystemRoot\..." lie in the Windows folder, "\??\" marks a plain path, and a program
// without extension is an .exe.
std::string ImageFileOf(const KnownLocations& known, std::string path) {
  if (StartsWithText(path, "SYSTEM32\\")) {
    path = ReplaceAllText(path, "System32\\", known.WindowsDir + "System32\\");
  }
  if (StartsWithText(path, "\\SYSTEMROOT\\")) {
    path = ReplaceAllText(path, "\\SystemRoot\\", known.WindowsDir);
  }
  if (path.starts_with("\\??\\")) path = ReplaceAllText(path, "\\??\\", "");
  if (ExtractFileExt(path).empty()) path += ".exe";
  return path;
}

bool IsStringType(TRegDataType type) {
  return type == rdString || type == rdExpandString;
}

}  // namespace

void ScanHelpFiles(TOrdrex& engine, TRegistry& reg) {
  bool stopped = false;
  ScanHelpKey(engine, reg, "\\SOFTWARE\\Microsoft\\Windows\\Help\\", stopped);
  if (stopped) return;
  ScanHelpKey(engine, reg, "\\SOFTWARE\\Microsoft\\Windows\\Html Help\\", stopped);
}

void ScanFonts(TOrdrex& engine, TRegistry& reg) {
  const KnownLocations& known = engine.Known();
  const std::string key = known.IsWin9x
                              ? "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts\\"
                              : "\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts\\";
  const PathChecks& paths = engine.Paths();
  ForEachName(engine, engine.Font, reg, key, NameKind::Values, [&](const std::string& name) {
    std::string file;
    paths.ReadStringValue(reg, name, file);
    if (file.empty()) return;
    // A font installed outside the fonts folder is registered with its full path.
    const std::string tested =
        ExtractFilePath(file).empty() ? known.WindowsDir + "Fonts\\" + file : file;
    if (paths.FileFound(tested)) return;
    engine.AddProblem(engine.Font, reg.RootKey(), "Font not found", key, name, file, "", true,
                      false);
  });
}

void ScanInstalledFiles(TOrdrex& engine, TRegistry& reg) {
  const std::string key = "\\System\\CurrentControlSet\\Control\\InstalledFiles\\";
  const KnownLocations& known = engine.Known();
  const PathChecks& paths = engine.Paths();
  ForEachName(engine, engine.DeviceDriver, reg, key, NameKind::Values,
              [&](const std::string& name) {
                std::string file = name;
                paths.CleanPathValue(file);
                const std::string ext = UpperCase(ExtractFileExt(file));
                if (ext != ".DLL" && ext != ".SYS") return;
                if (paths.FileFound(known.SystemDir + file) ||
                    paths.FileFound(known.WindowsDir + "System32\\Drivers\\" + file)) {
                  return;
                }
                engine.AddProblem(engine.DeviceDriver, reg.RootKey(), kFileNotFound, key, name, "",
                                  "", true, false);
              });
}

void ScanServices(TOrdrex& engine, TRegistry& reg) {
  const std::string base = "\\SYSTEM\\CurrentControlSet\\Services\\";
  const KnownLocations& known = engine.Known();
  const PathChecks& paths = engine.Paths();
  ForEachName(engine, engine.DeviceDriver, reg, base, NameKind::Subkeys,
              [&](const std::string& name) {
                const std::string key = base + name;
                if (!reg.OpenKey(key, false)) return;
                std::string uncut;
                if (!paths.ReadStringValue(reg, "ImagePath", uncut) || uncut.empty()) return;
                paths.CutArguments(uncut, '/', true);
                std::string cut = uncut;
                paths.CutArguments(cut, '-', true);
                // A "-" may start a switch ("svc.exe-k") or belong to the name ("my-service"):
                // the image is there when either reading of it is.
                if (paths.FileFound(ImageFileOf(known, cut))) return;
                if (cut != uncut && paths.FileFound(ImageFileOf(known, uncut))) return;
                // Without an extension the cut fell inside the program's own name.
                const std::string& shown = ExtractFileExt(uncut).empty() ? uncut : cut;
                engine.AddProblem(engine.DeviceDriver, reg.RootKey(), kFileNotFound, key,
                                  "ImagePath", shown, shown, true, true);
              });
}

void ScanVxd(TOrdrex& engine, TRegistry& reg) {
  const std::string base = "\\SYSTEM\\CurrentControlSet\\Services\\VxD\\";
  const PathChecks& paths = engine.Paths();
  ForEachName(engine, engine.VxD, reg, base, NameKind::Subkeys, [&](const std::string& name) {
    const std::string key = base + name;
    if (!reg.OpenKey(key, false) || !IsStringType(reg.GetDataType("StaticVxD"))) return;
    std::string file;
    paths.ReadStringValue(reg, "StaticVxD", file);
    // "*NAME" is a device built into the virtual machine manager, not a file of its own.
    if (file.starts_with("*") || paths.IsFile(file)) return;
    engine.AddProblem(engine.VxD, reg.RootKey(), kFileNotFound, key, "StaticVxD", file, file, true,
                      true);
  });
}

namespace {

bool NamesEnvironmentOrDrive(const PathChecks& paths, const std::string& text) {
  return StartsWithDrive(text) || paths.ExpandEnvPath(text) != text;
}

void CheckEventLogValue(TOrdrex& engine, TRegistry& reg, const std::string& key,
                        const std::string& name) {
  const PathChecks& paths = engine.Paths();
  const RootHandle root = reg.RootKey();
  const std::optional<std::uint32_t> type = reg.GetRegType(name);
  if (type == kRegSz) {
    std::string file = reg.ReadString(name);
    paths.CleanPathValue(file);
    if (!StartsWithDrive(file) || paths.IsFile(file)) return;
    engine.AddProblem(engine.EventLog, root, kFileNotFound, key, name, file, file,
                      !paths.IsSystemFile(file), true);
    return;
  }
  if (type != kRegExpandSz) return;
  std::string list = reg.ReadString(name);
  paths.CleanPathValue(list);
  if (!NamesEnvironmentOrDrive(paths, list) || paths.FileFound(list)) return;
  if (list.find(';') == std::string::npos) {
    engine.AddProblem(engine.EventLog, root, kFileNotFound, key, name, list, list,
                      !paths.IsSystemFile(list), true);
    return;
  }
  // Message files are listed with ";": report each missing part, with the whole list as data.
  for (const std::string& piece : Split(list, ';')) {
    const std::string part = Trim(piece);
    if (!NamesEnvironmentOrDrive(paths, part) || paths.FileFound(part)) continue;
    AddPartProblem(engine, engine.EventLog, root, kFileNotFound, key, name, list, part,
                   !paths.IsSystemFile(part));
  }
}

void WalkEventLog(TOrdrex& engine, const std::string& relative) {
  TRegistry& reg = engine.EventLog.Registry;
  std::string key = "\\SYSTEM\\CurrentControlSet\\Services\\Eventlog";
  if (!relative.empty()) key += "\\" + relative;
  if (!reg.OpenKey(key, false)) return;
  engine.ReportKey(reg.RootKey(), key);
  std::vector<std::string> values = reg.GetValueNames();
  const auto byText = [](const std::string& a, const std::string& b) {
    return CompareText(a, b) < 0;
  };
  std::sort(values.begin(), values.end(), byText);
  for (const std::string& name : values)
    CheckEventLogValue(engine, reg, key, name);
  std::vector<std::string> subkeys = reg.GetKeyNames();
  std::sort(subkeys.begin(), subkeys.end(), byText);
  for (const std::string& name : subkeys) {
    WalkEventLog(engine, relative.empty() ? name : relative + "\\" + name);
  }
}

}  // namespace

void ScanEventLog(TOrdrex& engine) {
  if (!engine.EventLog.Enabled) return;
  WalkEventLog(engine, "");
}

}  // namespace ordrex::rules
