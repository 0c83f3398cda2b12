// What installed software leaves behind: application path registrations, uninstall entries,
// programs started at logon, shared-library counts, the installer's folder list and vendor
// keys that have become empty.

#include <string>
#include <vector>

#include "engine/rules/rule_support.h"
#include "engine/rules/rules.h"
#include "platform/text.h"

namespace ordrex::rules {
namespace {

constexpr const char* kFileNotFound = "File not found";
constexpr const char* kPathNotFound = "Path not found";

// The application's default value D against the folders of its own "Path" value. A bare file
// name counts as present when the application names a folder that exists (the program starts
// from there) or that holds the file. An empty piece of the list stands for the search path of
// the system, where the bare name is looked up as any program would be. Returns whether such
// an empty piece is what found the program: that piece is then in use, not stale.
bool CheckInPathList(TOrdrex& engine, RootHandle root, const std::string& key,
                     const std::vector<std::string>& folders, std::string data) {
  if (data.empty()) return false;
  const PathChecks& paths = engine.Paths();
  paths.CleanPathValue(data);
  if (IsBareFileName(data)) {
    for (const std::string& folder : folders) {
      if (folder.empty()) {
        if (paths.FileFound(data)) return true;
        continue;
      }
      const std::string withSlash = IncludeTrailingBackslash(folder);
      if (paths.IsFolder(withSlash) || paths.FileFound(withSlash + data)) return false;
    }
    engine.AddProblem(engine.AppPath, root, kFileNotFound, key, "", data, data, true, true);
    return false;
  }
  if (!paths.FileFound(data)) {
    engine.AddProblem(engine.AppPath, root, kFileNotFound, key, "", data, data,
                      !paths.IsSystemFile(data), true);
  }
  return false;
}

// Keys Windows itself keeps under SOFTWARE, empty on many systems: no vendor left them behind.
bool IsSystemSoftwareKey(std::string_view name) {
  for (const char* own : {"Secure", "Classes", "Clients", "Microsoft", "Policies",
                          "Registered Applications", "RegisteredApplications", "Wow6432Node"}) {
    if (SameText(name, own)) return true;
  }
  return false;
}

}  // namespace

void ScanAppPaths(TOrdrex& engine, TRegistry& reg) {
  const std::string base = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
  const PathChecks& paths = engine.Paths();
  ForEachName(engine, engine.AppPath, reg, base, NameKind::Subkeys, [&](const std::string& name) {
    const std::string key = base + name;
    if (!reg.OpenKey(key, false)) return;
    std::vector<std::string> folders;
    std::string pathList;
    if (paths.ReadStringValue(reg, "Path", pathList) && !pathList.empty()) {
      folders = SplitPathList(pathList);
    }
    std::string data;
    if (!paths.ReadStringValue(reg, "", data)) return;
    const bool searchPathInUse = CheckInPathList(engine, reg.RootKey(), key, folders, data);
    for (const std::string& folder : folders) {
      // Removing the piece that finds the program would make the program itself go missing.
      if (folder.empty() && searchPathInUse) continue;
      if (!paths.FileFound(folder)) {
        engine.AddProblem(engine.AppPath, reg.RootKey(), kPathNotFound, key, "Path", folder, "",
                          true, false);
      }
    }
  });
}

void ScanUninstall(TOrdrex& engine, TRegistry& reg) {
  const std::string base = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  const PathChecks& paths = engine.Paths();
  ForEachName(engine, engine.Uninstall, reg, base, NameKind::Subkeys, [&](const std::string& name) {
    const std::string key = base + name;
    if (!reg.OpenKey(key, false)) return;
    std::string command;
    if (!paths.ReadStringValue(reg, "UninstallString", command)) return;
    // Only the program is tested: "MsiExec.exe /X{...}" comes down to a name found on the path.
    const std::string program = ExeOfCommand(command);
    if (program.empty() || ContainsText(program, "RUNDLL") || paths.FileFound(program)) return;
    AddPartProblem(engine, engine.Uninstall, reg.RootKey(), kFileNotFound, key, "UninstallString",
                   command, program, true);
  });
}

void ScanStartup(TOrdrex& engine, TRegistry& reg) {
  const std::string key = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\";
  const PathChecks& paths = engine.Paths();
  ForEachName(engine, engine.Startup, reg, key, NameKind::Values, [&](const std::string& name) {
    std::string data;
    paths.ReadStringValue(reg, name, data);
    if (data.empty()) return;
    paths.CutArguments(data, '/', false);
    if (ContainsText(data, "RUNDLL") || paths.FileFound(data)) return;
    engine.AddProblem(engine.Startup, reg.RootKey(), kFileNotFound, key, name, data, data, true,
                      true);
  });
}

void ScanSharedDlls(TOrdrex& engine, TRegistry& reg) {
  const std::string key = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs\\";
  const PathChecks& paths = engine.Paths();
  ForEachName(engine, engine.MicrosoftShared, reg, key, NameKind::Values,
              [&](const std::string& name) {
                std::string file = name;
                paths.CleanPathValue(file);
                if (paths.FileFound(file)) return;
                // Counts of files the system itself shares are the ones worth removing; a
                // missing library of some application may still be on its way back.
                engine.AddProblem(engine.MicrosoftShared, reg.RootKey(), kFileNotFound, key, name,
                                  "", name, paths.IsSystemFile(name), true);
              });
}

void ScanInstallerFolders(TOrdrex& engine, TRegistry& reg) {
  const std::string key = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders\\";
  const PathChecks& paths = engine.Paths();
  ForEachName(engine, engine.Installer, reg, key, NameKind::Values, [&](const std::string& name) {
    if (paths.IsFolder(name)) return;
    engine.AddProblem(engine.Installer, reg.RootKey(), kPathNotFound, key, name, "", "", true,
                      false);
  });
}

void ScanOldSoftware(TOrdrex& engine, TRegistry& reg) {
  const std::string base = "\\SOFTWARE\\";
  ForEachName(engine, engine.OldSoftware, reg, base, NameKind::Subkeys,
              [&](const std::string& name) {
                if (IsSystemSoftwareKey(name)) return;
                const std::string key = base + name;
                if (!reg.OpenKey(key, false)) return;
                if (!reg.GetKeyNames().empty() || !reg.GetValueNames().empty()) return;
                // The single blank marks a problem of the whole key for the repair.
                engine.AddProblem(engine.OldSoftware, reg.RootKey(), "Deleted Software", key, " ",
                                  "", "", true, true);
              });
}

}  // namespace ordrex::rules
