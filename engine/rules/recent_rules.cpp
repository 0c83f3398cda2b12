// The per-user lists of recently used files, folders and commands, and the saved order of the
// Start menu's folders.

#include <algorithm>
#include <string>
#include <vector>

#include "engine/mru_parsers.h"
#include "engine/rules/rule_support.h"
#include "engine/rules/rules.h"
#include "engine/shortcut_targets.h"
#include "platform/text.h"

namespace ordrex::rules {
namespace {

constexpr const char* kExplorer = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";

bool IsListOrderValue(std::string_view name) {
  return SameText(name, "MRUList") || SameText(name, "MRUListEx");
}

// Plain decimal digits only: "+1", " 1", "-1" or "$10" do not name an entry.
bool IsEntryNumber(std::string_view name) {
  return !name.empty() &&
         std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<std::string> SortedValueNames(const TRegistry& reg) {
  std::vector<std::string> names = reg.GetValueNames();
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
  return names;
}

Bytes RawData(const TRegistry& reg, const std::string& name) {
  std::optional<RegValue> value = reg.ReadRawValue(name);
  return value ? std::move(value->data) : Bytes{};
}

// The lists kept per file type: every subkey of base, then base itself. A subkey without
// entries is an empty list; onEntry examines each entry of a key. Returns false when stopped.
template <typename OnEntry>
bool WalkTypedLists(TOrdrex& engine, TCustomOrdrex& category, TRegistry& reg,
                    const std::string& base, const std::string& separator, OnEntry onEntry) {
  const std::vector<std::string> types = engine.EnumKey(category, reg, base, true);
  const int count = static_cast<int>(types.size());
  for (int i = 0; i <= count; ++i) {
    if (!category.Enabled) return true;
    const std::string key =
        i < count ? base + separator + types[static_cast<std::size_t>(i)] : base;
    if (engine.StepProgress(i, count + 1, reg.RootKey(), key)) return false;
    if (!reg.OpenKey(key, false)) continue;
    const std::vector<std::string> names = SortedValueNames(reg);
    if (names.empty()) {
      if (i < count) {
        engine.AddProblem(category, reg.RootKey(), "Empty List", key, "", "", "", true, false);
      }
      continue;
    }
    for (const std::string& name : names) {
      engine.ReportKey(reg.RootKey(), ValueLocation(key, name));
      onEntry(key, name);
    }
  }
  return true;
}

}  // namespace

void ScanLastVisitedMru(TOrdrex& engine, TRegistry& reg) {
  const std::string key = std::string(kExplorer) + "ComDlg32\\LastVisitedMRU";
  const PathChecks& paths = engine.Paths();
  ForEachName(engine, engine.MRUFiles, reg, key, NameKind::Values, [&](const std::string& name) {
    if (IsListOrderValue(name) || !IsSingleCharName(name)) return;
    const Bytes data = RawData(reg, name);
    const LastVisitedEntry entry = ParseLastVisitedEntry(data);
    if (paths.IsFolder(entry.folder)) return;
    engine.AddProblem(engine.MRUFiles, reg.RootKey(), "Missing folder", key, name, entry.folder, "",
                      true, false);
  });
}

void ScanOpenSaveMru(TOrdrex& engine, TRegistry& reg) {
  const std::string base = std::string(kExplorer) + "ComDlg32\\OpenSaveMRU";
  const PathChecks& paths = engine.Paths();
  WalkTypedLists(engine, engine.MRUFiles, reg, base, "\\",
                 [&](const std::string& key, const std::string& name) {
                   if (IsListOrderValue(name) || !IsSingleCharName(name)) return;
                   std::string file;
                   paths.ReadStringValue(reg, name, file);
                   // A folder is no file: the dialogs keep files here.
                   if (file.empty() || paths.IsFile(file)) return;
                   engine.AddProblem(engine.MRUFiles, reg.RootKey(), "File not found", key, name,
                                     file, file, !paths.IsSystemFile(file), true);
                 });
}

void ScanRunMru(TOrdrex& engine, TRegistry& reg) {
  const std::string key = std::string(kExplorer) + "RunMRU";
  const PathChecks& paths = engine.Paths();
  ForEachName(engine, engine.MRUFiles, reg, key, NameKind::Values, [&](const std::string& name) {
    if (IsListOrderValue(name) || !IsSingleCharName(name)) return;
    const TRegDataType type = reg.GetDataType(name);
    if (type != rdString && type != rdExpandString) return;
    std::string command = reg.ReadString(name);
    // The dialog ends each entry with "\1"; only that closing mark is dropped.
    const std::size_t mark = command.find("\\1");
    if (mark != std::string::npos && mark + 2 == command.size()) command.erase(mark);
    paths.CleanPathValue(command);
    if (ExtractFileName(command).empty() || IsBareFileName(command)) return;
    if (paths.IsFile(command)) return;
    engine.AddProblem(engine.MRUFiles, reg.RootKey(), "File not found", key, name, command, command,
                      !paths.IsSystemFile(command), true);
  });
}

void ScanRecentDocs(TOrdrex& engine, TRegistry& reg) {
  if (!engine.Hist.Enabled) return;
  const std::string& recentDir = engine.Known().RecentDir;
  // Every entry names a shortcut in the recent folder: without that folder nothing can be
  // judged, and every entry would look stale.
  if (recentDir.empty()) {
    engine.SetStatus(engine.Hist, kStateScanning);
    return;
  }
  const std::string base = std::string(kExplorer) + "RecentDocs\\";
  const PathChecks& paths = engine.Paths();
  WalkTypedLists(
      engine, engine.Hist, reg, base, "", [&](const std::string& key, const std::string& name) {
        if (IsListOrderValue(name) || !IsEntryNumber(name)) return;
        const Bytes data = RawData(reg, name);
        const RecentDocsEntry entry = ParseRecentDocsEntry(data);
        // An entry without a shortcut name points at nothing.
        const std::string link = entry.linkFileName.empty() ? "" : recentDir + entry.linkFileName;
        if (paths.FileFound(link)) {
          bool refused = false;
          const std::string target = ResolveShortcutTarget(paths, link, &refused);
          if (refused || paths.FileFound(target)) return;
          engine.AddProblem(engine.Hist, reg.RootKey(), "Missing file/folder", key, name, target,
                            target, true, true);
          return;
        }
        engine.AddProblem(engine.Hist, reg.RootKey(), "Missing file/folder", key, name, link, link,
                          true, true);
      });
}

namespace {

void WalkMenuOrder(TOrdrex& engine, const std::string& relative) {
  TStartmenuScan& category = engine.Startmenu;
  TRegistry& reg = category.Registry;
  const KnownLocations& known = engine.Known();
  const PathChecks& paths = engine.Paths();
  engine.ReportKey(0, relative);
  if (!reg.OpenKey(category.BaseKey + relative, false)) return;
  std::vector<std::string> names = reg.GetKeyNames();
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
  for (const std::string& name : names) {
    const std::string child = relative.empty() ? name : relative + "\\" + name;
    if ((!known.StartMenuDir.empty() && paths.IsFolder(known.StartMenuDir + child)) ||
        (!known.CommonStartMenuDir.empty() && paths.IsFolder(known.CommonStartMenuDir + child))) {
      WalkMenuOrder(engine, child);
      continue;
    }
    // The full key, so that what is shown, backed up and deleted is the same key.
    engine.AddProblem(category, reg.RootKey(), "No longer exists", category.BaseKey + child, "", "",
                      "", true, false);
  }
}

}  // namespace

void ScanStartMenuOrder(TOrdrex& engine) {
  if (!engine.Startmenu.Enabled) return;
  const KnownLocations& known = engine.Known();
  // Without either Start menu folder nothing can be judged, and every entry would look stale.
  if (known.StartMenuDir.empty() && known.CommonStartMenuDir.empty()) return;
  WalkMenuOrder(engine, "");
}

}  // namespace ordrex::rules
