// The shell's bookkeeping of file types: extensions must name a registered class, classes must
// name existing programs and icons, context-menu handlers registered classes, "Open With"
// applications existing programs, and the per-user extension data a registered class.

#include <algorithm>

#include "engine/rules/rules.h"
#include "engine/rules/shell_checks.h"
#include "platform/text.h"

namespace ordrex::rules {

namespace {

constexpr const char* kDataEmpty = "Data empty";
constexpr const char* kNotAssociated = "Not associated";
constexpr const char* kFileNotFound = "File not found";
constexpr const char* kIdNotFound = "ID not found";
constexpr const char* kEmpty = "Empty";

constexpr const char* kUserFileExts =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\";

// The default value of the open key exactly as stored; a missing or non-string value reads as
// empty.
std::string RawDefault(const TRegistry& reg) {
  const TRegDataType kind = reg.GetDataType("");
  if (kind != rdString && kind != rdExpandString) return {};
  return reg.ReadString("");
}

bool HasSubkey(const TRegistry& reg, const std::string& key, std::string_view name) {
  return reg.KeyExists(key + "\\" + std::string(name));
}

// A problem that names no file: always starts out selected.
void ReportEntry(TOrdrex& engine, TCustomOrdrex& category, RootHandle root, const char* reason,
                 const std::string& key, const std::string& value, const std::string& data) {
  engine.AddProblem(category, root, reason, key, value, data, "", true, false);
}

void ReportMissingFile(TOrdrex& engine, TCustomOrdrex& category, RootHandle root,
                       const std::string& key, const std::string& path) {
  engine.AddProblem(category, root, kFileNotFound, key, "", path, path,
                    !engine.Paths().IsSystemFile(path), true);
}

// The shell reads the handler lists of these classes for every file, folder or drive. Windows
// and Wine create them (empty, when nothing has added a handler yet) and programs add to them:
// an empty list there is the system's own, not something left behind.
bool IsShellAnchorClass(std::string_view key) {
  for (const char* anchor :
       {"\\*", "\\AllFilesystemObjects", "\\Directory", "\\Drive", "\\Folder"}) {
    if (SameText(key, anchor)) return true;
  }
  return false;
}

// Context-menu handlers are registered classes, named by their identifier or holding it as
// their default value.
void CheckContextMenuHandlers(TOrdrex& engine, TRegistry& reg, const std::string& key) {
  TCustomOrdrex& category = engine.Popup;
  const RootHandle root = reg.RootKey();
  const std::string handlers = key + "\\shellex\\ContextMenuHandlers";
  if (!reg.OpenKey(handlers, false)) return;
  std::vector<std::string> names = reg.GetKeyNames();
  reg.CloseKey();
  if (names.empty()) {
    if (!IsShellAnchorClass(key)) ReportEntry(engine, category, root, kEmpty, handlers, "", "");
    return;
  }
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
  for (const std::string& name : names) {
    const std::string handler = handlers + "\\" + name;
    if (!reg.OpenKey(handler, false)) continue;
    engine.ReportKey(root, handler);
    std::string data;
    try {
      data = RawDefault(reg);
    } catch (const RegistryError&) {
      data.clear();  // an unreadable default counts as empty
    }
    reg.CloseKey();
    // A handler named by an unregistered identifier, or else one whose default names one.
    const bool unregistered = (IsGuidString(name) && !reg.KeyExists("\\CLSID\\" + name)) ||
                              (IsGuidString(data) && !reg.KeyExists("\\CLSID\\" + data));
    if (unregistered) ReportEntry(engine, category, root, kIdNotFound, handler, "", data);
  }
}

// Values besides the default value (a content type, a perceived type) of the open key.
bool HasNamedValues(const TRegistry& reg) {
  const std::vector<std::string> names = reg.GetValueNames();
  return std::any_of(names.begin(), names.end(),
                     [](const std::string& name) { return !name.empty(); });
}

void CheckClassKey(TOrdrex& engine, TRegistry& reg, const std::string& key) {
  const RootHandle root = reg.RootKey();
  const std::string shell = key + "\\shell";
  if (reg.OpenKey(shell, false)) {
    const std::vector<std::string> verbs = reg.GetKeyNames();
    reg.CloseKey();
    for (const std::string& verb : verbs) {
      const std::string verbKey = shell + "\\" + verb;
      engine.ReportKey(root, verbKey);
      if (HasSubkey(reg, verbKey, "command")) CheckCommandKey(engine, root, verbKey + "\\command");
    }
  }
  if (HasSubkey(reg, key, "DefaultIcon")) CheckCommandKey(engine, root, key + "\\DefaultIcon");
}

void CheckAssociation(TOrdrex& engine, TRegistry& reg, const std::string& key) {
  TCustomOrdrex& category = engine.FileAssociate;
  const RootHandle root = reg.RootKey();
  if (!reg.OpenKey(key, false)) return;
  std::string data;
  if (!engine.Paths().ReadStringValue(reg, "", data)) {
    reg.CloseKey();
    return;
  }
  const bool namedValues = HasNamedValues(reg);
  // Only an empty default value and nothing else: the key says nothing at all.
  if (data.empty() && !namedValues && reg.GetKeyNames().empty()) {
    ReportEntry(engine, category, root, kDataEmpty, key, "", "");
  }
  reg.CloseKey();
  // An extension key sits right below the root; in the pass over HKLM's classes branch every
  // key starts "\S", so extensions there are tested as classes.
  if (key.size() > 1 && key[1] == '.') {
    // An extension that still describes its files (its content type feeds the MIME mapping,
    // its perceived type the shell) is in use without its class; the repair, which deletes
    // the key, would lose that.
    if (data.empty() || namedValues) return;
    if (!reg.KeyExists("\\" + data)) {
      ReportEntry(engine, category, root, kNotAssociated, key, "", data);
    }
    return;
  }
  CheckClassKey(engine, reg, key);
}

std::vector<std::string> SortedNames(std::vector<std::string> names) {
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
  return names;
}

}  // namespace

void CheckCommandKey(TOrdrex& engine, RootHandle root, const std::string& key) {
  TRegistry reg(engine.GetTarget(), root);
  if (!reg.OpenKey(key, false)) return;
  std::string path;
  engine.Paths().ReadStringValue(reg, "", path);
  reg.CloseKey();
  if (path.empty()) return;
  path = ReplaceAllText(path, "%1", "");
  engine.Paths().CutArguments(path, ',', true);
  if (ExtractFileName(path).empty() || IsBareFileName(path)) return;
  if (ContainsText(path, "RUNDLL") || path.find('/') != std::string::npos) return;
  if (engine.Paths().FileFound(path)) return;
  ReportMissingFile(engine, engine.FileAssociate, root, key, path);
}

void ScanFileAssociations(TOrdrex& engine, TRegistry& reg, std::string_view prefix) {
  const bool rootPass = prefix == "\\";
  const bool contextMenus = rootPass && engine.Popup.Enabled;
  std::vector<std::string> names = engine.EnumKey(engine.FileAssociate, reg, prefix, true);
  // The context-menu rule walks the same keys, and must run on its own too.
  if (names.empty() && rootPass) names = engine.EnumKey(engine.Popup, reg, prefix, true);
  if (rootPass) engine.SetStatus(engine.Popup, kStateScanning);
  const int count = static_cast<int>(names.size());
  for (int i = 0; i < count; ++i) {
    const std::string key = std::string(prefix) + names[static_cast<std::size_t>(i)];
    if (engine.StepProgress(i, count, reg.RootKey(), key)) return;
    if (contextMenus) CheckContextMenuHandlers(engine, reg, key);
    if (engine.FileAssociate.Enabled) CheckAssociation(engine, reg, key);
  }
}

namespace {

// One verb of an "Open With" application: its command must name an existing program. A bare
// name is searched along the path here.
void CheckOpenWithVerb(TOrdrex& engine, TRegistry& reg, const std::string& appKey,
                       const std::string& verbKey) {
  TCustomOrdrex& category = engine.Application;
  const RootHandle root = reg.RootKey();
  engine.ReportKey(root, verbKey);
  const std::string commandKey = verbKey + "\\command";
  if (!reg.OpenKey(commandKey, false)) return;
  std::string command;
  const bool isText = engine.Paths().ReadStringValue(reg, "", command);
  reg.CloseKey();
  if (!isText) return;
  if (command.empty()) {
    ReportEntry(engine, category, root, kEmpty, appKey, "", "");
    return;
  }
  if (ContainsText(command, "RUNDLL")) return;
  if (!engine.Paths().FileFound(command))
    ReportMissingFile(engine, category, root, commandKey, command);
}

}  // namespace

void ScanOpenWith(TOrdrex& engine, TRegistry& reg, std::string_view prefix) {
  TCustomOrdrex& category = engine.Application;
  const RootHandle root = reg.RootKey();
  const std::vector<std::string> names = engine.EnumKey(category, reg, prefix, true);
  const int count = static_cast<int>(names.size());
  for (int i = 0; i < count; ++i) {
    const std::string appKey = std::string(prefix) + names[static_cast<std::size_t>(i)];
    if (engine.StepProgress(i, count, root, appKey)) return;
    if (!reg.OpenKey(appKey, false)) continue;
    const bool skip = reg.ValueExists("NoOpenWith");
    reg.CloseKey();
    const std::string shell = appKey + "\\shell";
    if (skip || !reg.OpenKey(shell, false)) continue;
    const std::vector<std::string> verbs = reg.GetKeyNames();
    const bool friendlyCache = reg.ValueExists("FriendlyCache");
    reg.CloseKey();
    if (verbs.empty()) {
      if (!friendlyCache) ReportEntry(engine, category, root, kDataEmpty, shell, "", "");
      continue;
    }
    for (const std::string& verb : SortedNames(verbs)) {
      CheckOpenWithVerb(engine, reg, appKey, shell + "\\" + verb);
    }
  }
}

namespace {

// Whether the per-user extension still leads to a registered class through one of its lists.
void CheckUserFileExt(TOrdrex& engine, TRegistry& reg, const TRegistry& classes,
                      const std::string& extKey) {
  TCustomOrdrex& category = engine.FileAssociate;
  const RootHandle root = reg.RootKey();
  const std::string progids = extKey + "\\OpenWithProgids";
  if (reg.OpenKey(progids, false)) {
    const std::vector<std::string> values = reg.GetValueNames();
    reg.CloseKey();
    if (values.empty()) {
      ReportEntry(engine, category, root, kNotAssociated, extKey, "", "");
      return;
    }
    for (const std::string& progid : values) {
      if (!classes.KeyExists("\\" + progid)) {
        ReportEntry(engine, category, root, kNotAssociated, progids, progid, "");
      }
      engine.ReportKey(root, progids + ": " + progid);
    }
    return;
  }
  if (reg.OpenKey(extKey + "\\OpenWithList", false)) {
    std::string mruList;
    // A list of another type than text is no list.
    const TRegDataType kind = reg.GetDataType("MRUList");
    if (kind == rdString || kind == rdExpandString) mruList = reg.ReadString("MRUList");
    reg.CloseKey();
    if (!mruList.empty()) return;
  }
  ReportEntry(engine, category, root, kNotAssociated, extKey, "", "");
}

}  // namespace

void ScanUserFileExts(TOrdrex& engine, TRegistry& reg) {
  TRegistry classes(engine.GetTarget(), kClassesRoot);
  const std::vector<std::string> names =
      engine.EnumKey(engine.FileAssociate, reg, kUserFileExts, true);
  const int count = static_cast<int>(names.size());
  for (int i = 0; i < count; ++i) {
    const std::string& ext = names[static_cast<std::size_t>(i)];
    const std::string extKey = kUserFileExts + ext;
    if (engine.StepProgress(i, count, reg.RootKey(), extKey)) return;
    if (ext.empty() || ext.front() != '.' || classes.KeyExists("\\" + ext)) continue;
    CheckUserFileExt(engine, reg, classes, extKey);
  }
}

}  // namespace ordrex::rules
