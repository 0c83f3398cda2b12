#pragma once
// Pieces the category repairs share: backing up before a change, correcting a path inside a
// string value, removing items from a ";" list, and the path form a driver's ImagePath takes.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/records.h"
#include "engine/repair/repair_frame.h"

namespace ordrex::repair {

// "[HKEY_LOCAL_MACHINE\SOFTWARE\...]": the key line of a backup section.
std::string KeyLine(RootHandle root, std::string_view key);
// Appends an empty line and the key line unless the last key line of the backup already is
// that one, so that the value lines that follow land under the right key.
void EnsureKeyLine(TBackupLines& lines, RootHandle root, std::string_view key);
// Before a repair creates a value under the last key line: `"name"=-`, so that applying the
// backup removes it again (unless the backup already holds the value's earlier state).
void RecordCreatedValue(TBackupLines& lines, std::string_view name);

// Appends the value's line(s) for the key open in reg, under the last key line of the lines.
// True when the backup holds the value (now or from earlier in the run), or when there is no
// such value; false when it exists but could not be read, in which case the caller must leave
// the value alone.
bool BackupValue(TRegistry& reg, std::string_view name, TBackupLines& lines);
// The key's whole tree (without the values the backup holds already). False when the path
// names a root (nothing may ever touch a whole root); true, writing nothing, when the key does
// not exist.
bool BackupKey(RepairScope& scope, RootHandle root, std::string_view key);
// The key's tree, then the key deleted. Repaired also when it was gone already.
StepResult BackupAndDeleteKey(RepairScope& scope, RootHandle root, std::string_view key);
// The key's tree, then one string value corrected to the found file (WriteFix).
StepResult BackupKeyAndFix(RepairScope& scope, RootHandle root, std::string_view key,
                           std::string_view name, std::string_view oldText,
                           std::string_view newText);
// With a found file: the problem's key backed up whole and valueName's path corrected to it.
// Without: keyToDelete (the problem's key, or the registration it belongs to) backed up and
// deleted.
StepResult CorrectOrDeleteKey(RepairScope& scope, const TFixingList& problem,
                              std::string_view valueName, std::string_view keyToDelete);
// For the key open in scope.Reg(), whose key line the backup already has: the value's line,
// then the value deleted. Repaired also when it was gone already.
StepResult BackupAndDeleteOpenValue(RepairScope& scope, std::string_view name);
// Opens the key in scope.Reg() and backs up and deletes one value of it in a section of its own
// (key line, value, empty line).
StepResult BackupAndDeleteValue(RepairScope& scope, RootHandle root, std::string_view key,
                                std::string_view name);
// Opens key on root in the category's accessor and starts its backup section (the key line,
// written only when the key opened).
void OpenSection(RepairScope& scope, RootHandle root, const std::string& key);
// Closes the key and ends the section with an empty line.
void CloseSection(RepairScope& scope, bool cancelled);
// A repair of values of one key: the key opened and its line written first, every selected
// problem's value backed up and deleted, an empty line at the end.
RepairPlan DeleteValuesPlan(RootHandle root, const std::string& key);

// Key line, the value, an empty line, from an accessor of its own.
void ExportSingleValue(RepairScope& scope, RootHandle root, std::string_view key,
                       std::string_view name);

// A key path taken apart at its last backslash.
struct KeySplit {
  std::string parent;  // without the last component and its backslash
  std::string last;
};
KeySplit SplitLastComponent(std::string_view key);
// The key exists and has no subkeys (and, with noValues, no values either).
bool IsBareKey(RepairScope& scope, RootHandle root, std::string_view key, bool noValues);

// The key path with its leading backslash (from the root, whatever key is open).
std::string AbsoluteKey(std::string_view key);

// Whether a found path written under root may use per-user environment variables: a value of
// the machine (HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT) must not depend on who runs a program.
bool SystemWideRoot(RootHandle root);

// Corrects one string value: every occurrence of oldText (case ignored) becomes newText; an
// expandable string gets newText in %VARIABLE% form. A value that is missing or not text is
// left alone (Skipped); a value that does not hold oldText, or a refused write, is a failure.
StepResult WriteFix(RepairScope& scope, RootHandle root, std::string_view key,
                    std::string_view name, std::string_view oldText, std::string_view newText);

// The ";" list without every item equal to `item` (case ignored; blanks around an item and
// quotes are not part of it). Other items, empty ones included, stay as they were. Sets
// removed to the number of items taken out.
std::string RemoveListItems(std::string_view list, std::string_view item, int& removed);
// The list edit on a value of the key open in scope.Reg(): removes the item, deletes the value
// when nothing is left, else writes it back with its own type. A value without that item is
// left alone (Skipped); a refused write is a failure whose diagnostic failureText makes from
// the edited text.
StepResult EditListValue(RepairScope& scope, std::string_view name, std::string_view item,
                         const std::function<std::string(const std::string& edited)>& failureText);

// How a found driver file is written into a service's ImagePath: kernel and file-system
// drivers (service type 1 or 2) take the loader's forms ("SYSTEM32\...", "\SYSTEMROOT\...",
// "\??\C:\..."); every other service takes the plain path.
std::string DeviceDriverPathForm(std::string_view path, std::string_view windowsDir,
                                 bool kernelOrFileSystemDriver);

// The chosen found location when the missing file was found, else nullptr.
inline const std::string* SolutionOf(const TFixingList& problem) {
  return problem.SolutionCount() > 0 ? problem.Solution() : nullptr;
}

}  // namespace ordrex::repair
