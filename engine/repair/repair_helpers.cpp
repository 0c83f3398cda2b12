#include "engine/repair/repair_helpers.h"

#include "backup/reg_writer.h"
#include "engine/repair/backup_ledger.h"
#include "platform/registry_store.h"
#include "platform/text.h"

namespace ordrex::repair {

// (Lines are built piece by piece here: g++ 12 at -O3 warns wrongly about "[" + string.)
std::string KeyLine(RootHandle root, std::string_view key) {
  std::string line(1, '[');
  line += RootKeyName(root);
  line += key;
  line += ']';
  return line;
}

void EnsureKeyLine(TBackupLines& lines, RootHandle root, std::string_view key) {
  const std::string wanted = KeyLine(root, key);
  // Value lines start with a quote or "@", continuations with blanks: a line that starts
  // with "[" is a key line.
  for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
    if (it->starts_with("[")) {
      if (*it == wanted) return;
      break;
    }
  }
  lines.emplace_back();
  lines.push_back(wanted);
}

void RecordCreatedValue(TBackupLines& lines, std::string_view name) {
  BackupLedger& ledger = LedgerOf(lines);
  if (ledger.Holds(ledger.CurrentLocation(), name)) return;
  std::string line = name.empty() ? "@=-" : "\"";
  if (!name.empty()) line += EscapeRegName(name) + "\"=-";
  lines.push_back(std::move(line));
  ledger.Sync(lines);
}

bool BackupValue(TRegistry& reg, std::string_view name, TBackupLines& lines) {
  if (!reg.ValueExists(name)) return true;
  BackupLedger& ledger = LedgerOf(lines);
  if (ledger.Holds(ledger.CurrentLocation(), name)) return true;
  const std::size_t before = lines.size();
  ExportRegistryValue(reg, name, lines);
  ledger.Sync(lines);
  return lines.size() > before;
}

bool BackupKey(RepairScope& scope, RootHandle root, std::string_view key) {
  if (SplitKeyPath(key).empty()) return false;
  TRegistry probe(scope.Engine().GetTarget(), root);
  // A key that is gone (an earlier problem took it with its parent) has nothing to keep; a
  // bare key line would only make a restore create it.
  if (!probe.KeyExists(AbsoluteKey(key))) return true;
  TBackupLines& lines = scope.Lines();
  BackupLedger& ledger = LedgerOf(lines);
  const std::size_t from = lines.size();
  if (!ExportRegistryKey(scope.Engine().GetTarget(), root, key, lines)) return false;
  ledger.DropHeld(lines, from);
  return true;
}

StepResult BackupAndDeleteKey(RepairScope& scope, RootHandle root, std::string_view key) {
  if (!BackupKey(scope, root, key)) {
    scope.Fail(scope.Category().Title + " repair refused on " + std::string(key) +
               ": the path names a whole root key");
    return StepResult::Failed;
  }
  TRegistry& reg = scope.Reg();
  reg.SetRootKey(root);
  const std::string absolute = AbsoluteKey(key);
  if (!reg.KeyExists(absolute)) return StepResult::Repaired;
  if (!reg.DeleteKey(absolute)) {
    scope.Fail(scope.Category().Title + " repair error on " + std::string(key) +
               ": the key could not be deleted");
    return StepResult::Failed;
  }
  return StepResult::Repaired;
}

namespace {

// What a correction of one string value would do.
struct FixPlan {
  StepResult verdict = StepResult::Skipped;  // Skipped: nothing to change; Repaired: done
                                             // already; Failed: the value lost the path
  bool change = false;                       // the value holds the path: write `text`
  TRegDataType kind = rdUnknown;
  std::string current;
  std::string text;
};

FixPlan PlanFix(RepairScope& scope, const TRegistry& reg, RootHandle root, std::string_view name,
                std::string_view oldText, std::string_view newText) {
  FixPlan plan;
  plan.kind = reg.GetDataType(name);
  if (!reg.ValueExists(name) || (plan.kind != rdString && plan.kind != rdExpandString)) {
    return plan;
  }
  plan.current = reg.ReadString(name);
  const std::string written =
      plan.kind == rdString ? std::string(newText)
                            : scope.Engine().Paths().CollapseEnvPath(newText, SystemWideRoot(root));
  // The same entry reached twice (through HKEY_CLASSES_ROOT and the classes branch it shows):
  // the first correction stands.
  if (FindText(plan.current, written) != std::string::npos) {
    plan.verdict = StepResult::Repaired;
    return plan;
  }
  if (FindText(plan.current, oldText) == std::string::npos) {
    plan.verdict = StepResult::Failed;
    return plan;
  }
  plan.change = true;
  plan.text = ReplaceAllText(plan.current, oldText, written);
  return plan;
}

StepResult FailFix(RepairScope& scope, std::string_view key, std::string_view name,
                   const std::string& current) {
  scope.Fail("WriteFix error on " + std::string(key) + ", Value: " + std::string(name) +
             ", Data: " + current + " ");
  return StepResult::Failed;
}

// Opens the key in an accessor of its own and plans the correction; a read that fails is the
// correction's failure.
StepResult InspectFix(RepairScope& scope, TRegistry& reg, RootHandle root, std::string_view key,
                      std::string_view name, std::string_view oldText, std::string_view newText,
                      FixPlan& plan) {
  if (!reg.OpenKey(key, false)) return StepResult::Skipped;
  try {
    plan = PlanFix(scope, reg, root, name, oldText, newText);
  } catch (const std::exception&) {
    return FailFix(scope, key, name, plan.current);
  }
  if (plan.verdict == StepResult::Failed) return FailFix(scope, key, name, plan.current);
  return plan.verdict;
}

// Writes a planned change through the accessor that planned it (its key still open).
StepResult ApplyFix(RepairScope& scope, TRegistry& reg, std::string_view key, std::string_view name,
                    const FixPlan& plan) {
  try {
    if (plan.kind == rdString) {
      reg.WriteString(name, plan.text);
    } else {
      reg.WriteExpandString(name, plan.text);
    }
  } catch (const std::exception&) {
    return FailFix(scope, key, name, plan.current);
  }
  return StepResult::Repaired;
}

}  // namespace

StepResult BackupKeyAndFix(RepairScope& scope, RootHandle root, std::string_view key,
                           std::string_view name, std::string_view oldText,
                           std::string_view newText) {
  // Nothing to change means nothing to back up: a backup taken of an entry corrected already
  // (through another path to the same key) would give back the corrected text on restore.
  TRegistry reg(scope.Engine().GetTarget(), root);
  FixPlan plan;
  const StepResult inspected = InspectFix(scope, reg, root, key, name, oldText, newText, plan);
  if (!plan.change) return inspected;
  if (!BackupKey(scope, root, key)) {
    scope.Fail(scope.Category().Title + " repair refused on " + std::string(key) +
               ": the path names a whole root key");
    return StepResult::Failed;
  }
  return ApplyFix(scope, reg, key, name, plan);
}

StepResult CorrectOrDeleteKey(RepairScope& scope, const TFixingList& problem,
                              std::string_view valueName, std::string_view keyToDelete) {
  if (const std::string* solution = SolutionOf(problem)) {
    return BackupKeyAndFix(scope, problem.RootKey, problem.Key, valueName, problem.TestedPath(),
                           *solution);
  }
  return BackupAndDeleteKey(scope, problem.RootKey, keyToDelete);
}

StepResult BackupAndDeleteOpenValue(RepairScope& scope, std::string_view name) {
  TRegistry& reg = scope.Reg();
  if (!reg.HasCurrentKey() || !reg.ValueExists(name)) return StepResult::Repaired;
  if (!BackupValue(reg, name, scope.Lines())) {
    scope.Fail(scope.Category().Title + " repair error on " + reg.CurrentPath() +
               ", Value: " + std::string(name) + ": the value could not be backed up");
    return StepResult::Failed;
  }
  if (!reg.DeleteValue(name)) {
    scope.Fail(scope.Category().Title + " repair error on " + reg.CurrentPath() +
               ", Value: " + std::string(name) + ": the value could not be deleted");
    return StepResult::Failed;
  }
  return StepResult::Repaired;
}

StepResult BackupAndDeleteValue(RepairScope& scope, RootHandle root, std::string_view key,
                                std::string_view name) {
  TRegistry& reg = scope.Reg();
  reg.SetRootKey(root);
  if (!reg.OpenKey(AbsoluteKey(key), false) || !reg.ValueExists(name)) {
    reg.CloseKey();
    return StepResult::Repaired;
  }
  scope.Lines().push_back(KeyLine(root, AbsoluteKey(key)));
  const StepResult result = BackupAndDeleteOpenValue(scope, name);
  scope.Lines().emplace_back();
  reg.CloseKey();
  return result;
}

void OpenSection(RepairScope& scope, RootHandle root, const std::string& key) {
  TRegistry& reg = scope.Reg();
  reg.SetRootKey(root);
  if (reg.OpenKey(key, false)) scope.Lines().push_back(KeyLine(root, key));
}

void CloseSection(RepairScope& scope, bool) {
  scope.Reg().CloseKey();
  scope.Lines().emplace_back();
}

RepairPlan DeleteValuesPlan(RootHandle root, const std::string& key) {
  RepairPlan plan;
  plan.root = root;
  plan.prepare = [root, key](RepairScope& scope) { OpenSection(scope, root, key); };
  plan.step = [](RepairScope& scope, const TFixingList& problem) {
    return BackupAndDeleteOpenValue(scope, problem.Value);
  };
  plan.close = CloseSection;
  return plan;
}

void ExportSingleValue(RepairScope& scope, RootHandle root, std::string_view key,
                       std::string_view name) {
  TRegistry reg(scope.Engine().GetTarget(), root);
  TBackupLines& lines = scope.Lines();
  if (!reg.OpenKey(key, false)) return;
  lines.push_back(KeyLine(root, key));
  BackupValue(reg, name, lines);
  lines.emplace_back();
}

std::string AbsoluteKey(std::string_view key) {
  if (key.starts_with("\\")) return std::string(key);
  std::string absolute(1, '\\');
  absolute += key;
  return absolute;
}

KeySplit SplitLastComponent(std::string_view key) {
  const std::size_t cut = key.find_last_of('\\');
  if (cut == std::string_view::npos) return {"", std::string(key)};
  return {std::string(key.substr(0, cut)), std::string(key.substr(cut + 1))};
}

bool IsBareKey(RepairScope& scope, RootHandle root, std::string_view key, bool noValues) {
  TRegistry reg(scope.Engine().GetTarget(), root);
  if (!reg.OpenKey(AbsoluteKey(key), false)) return false;
  return reg.GetKeyNames().empty() && (!noValues || reg.GetValueNames().empty());
}

bool SystemWideRoot(RootHandle root) {
  return root == kLocalMachine || root == kClassesRoot;
}

StepResult WriteFix(RepairScope& scope, RootHandle root, std::string_view key,
                    std::string_view name, std::string_view oldText, std::string_view newText) {
  TRegistry reg(scope.Engine().GetTarget(), root);
  FixPlan plan;
  const StepResult inspected = InspectFix(scope, reg, root, key, name, oldText, newText, plan);
  if (!plan.change) return inspected;
  return ApplyFix(scope, reg, key, name, plan);
}

namespace {

// An item as it names a path: without the blanks around it and without quotes.
std::string ItemText(std::string_view item) {
  std::string text(item);
  std::erase(text, '"');
  return Trim(text);
}

}  // namespace

std::string RemoveListItems(std::string_view list, std::string_view item, int& removed) {
  removed = 0;
  const std::string wanted = ItemText(item);
  std::string out;
  bool first = true;
  for (const std::string& piece : Split(list, ';')) {
    if (SameText(ItemText(piece), wanted)) {
      ++removed;
      continue;
    }
    if (!first) out.push_back(';');
    out += piece;
    first = false;
  }
  return out;
}

StepResult EditListValue(RepairScope& scope, std::string_view name, std::string_view item,
                         const std::function<std::string(const std::string& edited)>& failureText) {
  TRegistry& reg = scope.Reg();
  const TRegDataType kind = reg.GetDataType(name);
  if (kind != rdString && kind != rdExpandString) return StepResult::Skipped;
  std::string edited;
  try {
    int removed = 0;
    edited = RemoveListItems(reg.ReadString(name), item, removed);
    // Gone already (a twin problem of the same list took it): nothing left to do.
    if (removed == 0) return StepResult::Skipped;
    if (edited.empty() || edited == ";") {
      if (!reg.DeleteValue(name)) throw RegistryError("the value could not be deleted");
    } else if (kind == rdExpandString) {
      reg.WriteExpandString(name, edited);
    } else {
      reg.WriteString(name, edited);
    }
  } catch (const std::exception&) {
    scope.Fail(failureText(edited));
    return StepResult::Failed;
  }
  return StepResult::Repaired;
}

std::string DeviceDriverPathForm(std::string_view path, std::string_view windowsDir,
                                 bool kernelOrFileSystemDriver) {
  if (!kernelOrFileSystemDriver) return std::string(path);
  const std::string system32 = std::string(windowsDir) + "System32\\";
  if (!windowsDir.empty() && StartsWithText(path, system32)) {
    return ReplaceAllText(path, system32, "SYSTEM32\\");
  }
  if (!windowsDir.empty() && StartsWithText(path, windowsDir)) {
    return ReplaceAllText(path, windowsDir, "\\SYSTEMROOT\\");
  }
  if (path.find("\\??\\") == std::string_view::npos) return "\\??\\" + std::string(path);
  return std::string(path);
}

}  // namespace ordrex::repair
