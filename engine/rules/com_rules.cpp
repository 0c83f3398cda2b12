// Class, interface and type-library registrations under HKEY_CLASSES_ROOT: every file they name
// must exist, and every identifier they refer to must be registered.

#include <algorithm>

#include "engine/rules/com_checks.h"
#include "engine/rules/rules.h"
#include "platform/text.h"

namespace ordrex::rules {

namespace {

constexpr const char* kFileNotFound = "File not found";
constexpr const char* kPathNotFound = "Path not found";
constexpr const char* kEmpty = "Empty";
constexpr const char* kMissingId = "Missing ID";

// Opens the key and reads its default value as a cleaned path. False when the key cannot be
// opened or the default value is missing or not a string; the key is closed again either way.
bool ReadDefaultPath(TOrdrex& engine, TRegistry& reg, const std::string& key, std::string& text) {
  text.clear();
  if (!reg.OpenKey(key, false)) return false;
  const bool read = engine.Paths().ReadStringValue(reg, "", text);
  reg.CloseKey();
  return read;
}

std::vector<std::string> SubkeysOf(TRegistry& reg, const std::string& key) {
  std::vector<std::string> names;
  if (reg.OpenKey(key, false)) names = reg.GetKeyNames();
  reg.CloseKey();
  return names;
}

// Commands run through the rundll host, and URLs or switches, name no file of their own.
bool IsUncheckedCommand(std::string_view text) {
  return ContainsText(text, "RUNDLL") || text.find('/') != std::string_view::npos;
}

void ReportMissing(TOrdrex& engine, TRegistry& reg, TCustomOrdrex& category, const std::string& key,
                   const std::string& path, const std::string& reason, bool missingFile) {
  engine.AddProblem(category, reg.RootKey(), reason, key, "", path, path,
                    !engine.Paths().IsSystemFile(path), missingFile);
}

// The shared body of CheckClsidRef and CheckIdRef: the default value names a GUID registered
// under the prefix, or a class at the root.
void CheckReference(TOrdrex& engine, TRegistry& reg, const std::string& key,
                    TCustomOrdrex& category, std::string_view prefix, const char* emptyReason) {
  std::string id;
  if (!ReadDefaultPath(engine, reg, key, id)) return;
  const RootHandle root = reg.RootKey();
  if (id.empty()) {
    engine.AddProblem(category, root, emptyReason, key, "", "", "", true, false);
    return;
  }
  std::string registered;
  if (IsGuidString(id)) {
    registered = std::string(prefix) + id;
  } else if (id.find(' ') == std::string::npos) {
    registered = "\\" + id;
  } else {
    return;  // a display name, not a class name
  }
  if (!reg.KeyExists(registered)) {
    engine.AddProblem(category, root, kMissingId, key, "", id, "", true, false);
  }
}

}  // namespace

void CheckDefaultFile(TOrdrex& engine, TRegistry& reg, const std::string& key,
                      TCustomOrdrex& category) {
  std::string path;
  if (!ReadDefaultPath(engine, reg, key, path) || path.empty()) return;
  // A bare name is resolved by the COM loader along its own search path; it is not ours to
  // judge.
  if (IsBareFileName(path) || IsUncheckedCommand(path)) return;
  if (engine.Paths().FileFound(path)) return;
  ReportMissing(engine, reg, category, key, path, kFileNotFound, true);
}

void CheckDefaultPath(TOrdrex& engine, TRegistry& reg, const std::string& key,
                      TCustomOrdrex& category, bool missingFile, const std::string& reason) {
  std::string path;
  if (!ReadDefaultPath(engine, reg, key, path) || path.empty()) return;
  const PathChecks& paths = engine.Paths();
  if ((ExtractFileName(path).empty() || ExtractFileExt(path).empty()) && !paths.FileFound(path)) {
    // A resource number after a type library ("x.tlb\2") or a folder's trailing backslash.
    const bool bare = IsBareFileName(path);
    path = ExtractFilePath(path);
    if (!path.empty() && path.back() == '\\') path.pop_back();
    // A bare name without an extension has no folder left to test: it stays a bare name.
    if (bare && path.empty()) return;
  }
  if (IsBareFileName(path) || paths.FileFound(path)) return;
  ReportMissing(engine, reg, category, key, path, reason, missingFile);
}

void CheckHelpFolder(TOrdrex& engine, TRegistry& reg, const std::string& key,
                     TCustomOrdrex& category) {
  std::string path;
  if (!ReadDefaultPath(engine, reg, key, path) || path.empty()) return;
  // A folder has no resource number to cut: the folder itself is tested, never its parent,
  // which is nearly always there.
  if (path.size() > 1 && path.back() == '\\') path.pop_back();
  if (IsBareFileName(path) || engine.Paths().FileFound(path)) return;
  ReportMissing(engine, reg, category, key, path, kPathNotFound, false);
}

void CheckClsidRef(TOrdrex& engine, TRegistry& reg, const std::string& key,
                   TCustomOrdrex& category) {
  CheckReference(engine, reg, key, category, "\\CLSID\\", kEmpty);
}

void CheckIdRef(TOrdrex& engine, TRegistry& reg, const std::string& key, TCustomOrdrex& category,
                std::string_view prefix) {
  CheckReference(engine, reg, key, category, prefix, kMissingId);
}

void ScanClassIds(TOrdrex& engine, TRegistry& reg) {
  static constexpr const char* kFileKeys[] = {
      "\\InprocServer32", "\\LocalServer32",        "\\InprocServer",    "\\LocalServer",
      "\\DefaultIcon",    "\\Shell\\Open\\Command", "\\ToolboxBitmap32",
  };
  TCustomOrdrex& category = engine.RegIntegrity;
  const std::vector<std::string> names = engine.EnumKey(category, reg, "\\CLSID\\", true);
  const int count = static_cast<int>(names.size());
  for (int i = 0; i < count; ++i) {
    const std::string clsid = "\\CLSID\\" + names[static_cast<std::size_t>(i)];
    if (engine.StepProgress(i, count, reg.RootKey(), clsid)) return;
    // A class has a few of the ten subkeys looked for: one listing of its subkeys answers for
    // all the others, which would each be a lookup from the root.
    const std::vector<std::string> subkeys = SubkeysOf(reg, clsid);
    const auto has = [&](std::string_view sub) {
      const std::string_view first = sub.substr(1, sub.find('\\', 1) - 1);
      const bool listed = std::any_of(subkeys.begin(), subkeys.end(), [&](const std::string& name) {
        return SameText(name, first);
      });
      return listed && reg.KeyExists(std::string(clsid).append(sub));
    };
    for (const char* sub : kFileKeys) {
      if (has(sub)) CheckDefaultFile(engine, reg, clsid + sub, category);
    }
    if (has("\\CLSID")) CheckIdRef(engine, reg, clsid + "\\CLSID", category, "\\CLSID\\");
    if (has("\\ProgID")) CheckClsidRef(engine, reg, clsid + "\\ProgID", category);
    if (has("\\TypeLib")) CheckIdRef(engine, reg, clsid + "\\TypeLib", category, "\\TypeLib\\");
  }
  engine.SetStatus(category, kStateFinished);
}

void ScanInterfaces(TOrdrex& engine, TRegistry& reg) {
  TCustomOrdrex& category = engine.Interface;
  const std::vector<std::string> names = engine.EnumKey(category, reg, "\\Interface\\", true);
  const int count = static_cast<int>(names.size());
  for (int i = 0; i < count; ++i) {
    const std::string iface = "\\Interface\\" + names[static_cast<std::size_t>(i)];
    if (engine.StepProgress(i, count, reg.RootKey(), iface)) return;
    for (const char* sub : {"\\ProxyStubClsid", "\\ProxyStubClsid32"}) {
      if (reg.KeyExists(iface + sub)) CheckClsidRef(engine, reg, iface + sub, category);
    }
    if (reg.KeyExists(iface + "\\TypeLib")) {
      CheckIdRef(engine, reg, iface + "\\TypeLib", category, "\\TypeLib\\");
    }
  }
  engine.SetStatus(category, kStateFinished);
}

namespace {

// One version of a type library: its help folder, and the win32 file of every locale. Only
// "win32" entries are tested; win16 and win64 ones are not.
void CheckTypeLibVersion(TOrdrex& engine, TRegistry& reg, TCustomOrdrex& category,
                         const std::string& version) {
  const RootHandle root = reg.RootKey();
  engine.ReportKey(root, version);
  const std::vector<std::string> locales = SubkeysOf(reg, version);
  if (reg.KeyExists(version + "\\HELPDIR"))
    CheckHelpFolder(engine, reg, version + "\\HELPDIR", category);
  for (const std::string& locale : locales) {
    const std::string localeKey = version + "\\" + locale;
    engine.ReportKey(root, localeKey);
    if (reg.KeyExists(localeKey + "\\win32")) {
      CheckDefaultPath(engine, reg, localeKey + "\\win32", category, true, kFileNotFound);
    }
  }
}

}  // namespace

void ScanTypeLibraries(TOrdrex& engine, TRegistry& reg) {
  TCustomOrdrex& category = engine.ActiveX;
  const std::vector<std::string> names = engine.EnumKey(category, reg, "\\TypeLib\\", true);
  const int count = static_cast<int>(names.size());
  for (int i = 0; i < count; ++i) {
    const std::string library = "\\TypeLib\\" + names[static_cast<std::size_t>(i)];
    if (engine.StepProgress(i, count, reg.RootKey(), library)) return;
    for (const std::string& version : SubkeysOf(reg, library)) {
      CheckTypeLibVersion(engine, reg, category, library + "\\" + version);
    }
  }
  engine.SetStatus(category, kStateFinished);
}

}  // namespace ordrex::rules
