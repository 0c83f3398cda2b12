#include "app/settings/settings_io.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "app/settings/settings_store.h"
#include "engine/ordrex.h"
#include "engine/registry.h"

namespace ordrex {

namespace {

const std::string kFolderKey = std::string(kSettingsKey) + kFolderSubkey + "\\";
const std::string kRestoreSettingsKey = std::string(kSettingsKey) + kRestoreSubkey + "\\";

// A value of the wrong type counts as absent: a hand-edited or foreign settings file must not
// stop the program.
std::int32_t ReadIntegerOr(const TRegistry& reg, const char* name, std::int32_t fallback) {
  try {
    return reg.ValueExists(name) ? reg.ReadInteger(name) : fallback;
  } catch (const RegistryError&) {
    return fallback;
  }
}

bool ReadBoolOr(const TRegistry& reg, const char* name, bool fallback) {
  return ReadIntegerOr(reg, name, fallback ? 1 : 0) != 0;
}

std::string ReadStringOr(const TRegistry& reg, const char* name, const std::string& fallback) {
  try {
    return reg.ValueExists(name) ? reg.ReadString(name) : fallback;
  } catch (const RegistryError&) {
    return fallback;
  }
}

// "Data" from the open key. Process ids fit a DWORD, as window handles did; a QWORD is read too.
std::int64_t ReadWindowHandleValue(const TRegistry& reg) {
  const std::optional<RegValue> value = reg.ReadRawValue(kWindowHandleName);
  if (!value) return 0;
  const std::size_t size = value->type == kRegDword ? 4 : value->type == kRegQword ? 8 : 0;
  if (size == 0 || value->data.size() < size) return 0;
  std::uint64_t raw = 0;
  for (std::size_t i = size; i-- > 0;)
    raw = (raw << 8) | value->data[i];
  if (size == 4) return static_cast<std::int32_t>(static_cast<std::uint32_t>(raw));
  return static_cast<std::int64_t>(raw);
}

void WriteWindowHandleValue(TRegistry& reg, std::int64_t handle) {
  if (handle >= INT32_MIN && handle <= INT32_MAX) {
    reg.WriteInteger(kWindowHandleName, static_cast<std::int32_t>(handle));
    return;
  }
  RegValue value{kRegQword, {}};
  for (int i = 0; i < 8; ++i)
    value.data.push_back(static_cast<std::uint8_t>(static_cast<std::uint64_t>(handle) >> (8 * i)));
  reg.WriteRawValue(kWindowHandleName, std::move(value));
}

// Reads a switch, writing its default first when it is missing.
bool ReadSwitch(TRegistry& reg, const char* name) {
  if (!reg.ValueExists(name)) reg.WriteBool(name, false);
  return ReadBoolOr(reg, name, false);
}

}  // namespace

bool WriteDefaultSettings(RegistryRoots& roots) {
  TRegistry reg(roots, kCurrentUser);
  if (reg.KeyExists(kSettingsKey)) return false;
  if (!reg.OpenKey(kSettingsKey, true)) return false;
  const SettingsModel defaults;
  reg.WriteBool(kMakeBackupName, defaults.MakeBackup);
  reg.WriteInteger(kNumberBackupName, defaults.NumberBackup());
  // Empty: the user's default backup folder, wherever the environment puts it at the time.
  reg.WriteString(kBackupDirName, defaults.BackupDir);
  reg.WriteBool(kDosDriveName, defaults.DosDrive);
  reg.WriteBool(kWindowsDriveName, defaults.WindowsDrive);
  reg.WriteBool(kSpecifyFolderName, defaults.SpecifyFolder());
  reg.CloseKey();
  reg.OpenKey(kRestoreSettingsKey, true);
  return true;
}

std::int64_t ReadWindowHandle(RegistryRoots& roots) {
  TRegistry reg(roots, kCurrentUser);
  return reg.OpenKey(kSettingsKey, false) ? ReadWindowHandleValue(reg) : 0;
}

void LoadSettings(RegistryRoots& roots, SettingsModel& model, const Clock& clock) {
  TRegistry reg(roots, kCurrentUser);
  model.WindowHandle = 0;
  if (reg.OpenKey(kSettingsKey, false)) {
    model.WindowHandle = ReadWindowHandleValue(reg);
    model.MakeBackup = ReadBoolOr(reg, kMakeBackupName, true);
    model.SetNumberBackup(ReadIntegerOr(reg, kNumberBackupName, kDefaultNumberBackup));
    if (!reg.ValueExists(kBackupDirName)) reg.WriteString(kBackupDirName, "");
    model.BackupDir = ReadStringOr(reg, kBackupDirName, "");
    model.DosDrive = ReadSwitch(reg, kDosDriveName);
    model.WindowsDrive = ReadSwitch(reg, kWindowsDriveName);
    // In this order, each through its click rule: when both are stored on, the directory
    // search wins.
    model.SetAllFolder(ReadSwitch(reg, kAllFolderName));
    model.SetSpecifyFolder(ReadSwitch(reg, kSpecifyFolderName));
    model.LastTarget = ReadStringOr(reg, kLastTargetName, "");
    reg.CloseKey();
  }

  model.ClearSearchFolders();
  if (reg.OpenKey(kFolderKey, false)) {
    for (const std::string& name : reg.GetValueNames())
      model.AddSearchFolder(name);
    reg.CloseKey();
  }
  LoadRestoreList(roots, model.RestoreList, clock);
}

int ConvertLegacySelection(RegistryRoots& roots, TOrdrex& engine) {
  // Where each numbered value of an older version belongs; nullptr: dropped.
  const std::array<TCustomOrdrex*, 12> nine = {
      &engine.RegIntegrity, &engine.ActiveX, &engine.AppPath,         &engine.DeviceDriver,
      &engine.Font,         &engine.Help,    &engine.MicrosoftShared, &engine.Startup,
      &engine.Uninstall,    &engine.VxD,     &engine.MSDOS,           &engine.Windows};
  const std::array<TCustomOrdrex*, 12> nt = {
      &engine.RegIntegrity, &engine.ActiveX, &engine.AppPath,         &engine.DeviceDriver,
      &engine.Font,         &engine.Help,    &engine.MicrosoftShared, &engine.Startup,
      &engine.Uninstall,    &engine.MSDOS,   &engine.Windows,         nullptr};
  const auto& table = engine.Known().IsNT ? nt : nine;

  TRegistry reg(roots, kCurrentUser);
  if (!reg.OpenKey(kSettingsKey, false)) return 0;
  int found = 0;
  for (std::size_t n = 0; n < table.size(); ++n) {
    const std::string name = std::to_string(n);
    if (!reg.ValueExists(name)) continue;
    ++found;
    const bool checked = ReadBoolOr(reg, name.c_str(), true);
    reg.DeleteValue(name);
    if (table[n] != nullptr) reg.WriteBool(table[n]->Title, checked);
  }
  return found;
}

void LoadSelection(RegistryRoots& roots, SettingsModel& model, TOrdrex& engine) {
  TRegistry reg(roots, kCurrentUser);
  const bool open = reg.OpenKey(kSettingsKey, false);
  model.Selection.clear();
  for (TCustomOrdrex* category : engine.Categories()) {
    if (!category->Listed) continue;
    const bool checked = !open || ReadBoolOr(reg, category->Title.c_str(), true);
    model.Selection.push_back({category->Title, checked});
    category->Enabled = checked;
  }
}

void SaveSettings(RegistryRoots& roots, const SettingsModel& model) {
  TRegistry reg(roots, kCurrentUser);
  if (!reg.OpenKey(kSettingsKey, true)) {
    throw RegistryError("The settings key cannot be created");
  }
  WriteWindowHandleValue(reg, model.WindowHandle);
  for (const CategorySelection& entry : model.Selection)
    reg.WriteBool(entry.Title, entry.Checked);
  reg.WriteBool(kMakeBackupName, model.MakeBackup);
  reg.WriteInteger(kNumberBackupName, model.NumberBackup());
  reg.WriteString(kBackupDirName, model.BackupDir);
  reg.WriteBool(kDosDriveName, model.DosDrive);
  reg.WriteBool(kWindowsDriveName, model.WindowsDrive);
  reg.WriteBool(kAllFolderName, model.AllFolder());
  reg.WriteBool(kSpecifyFolderName, model.SpecifyFolder());
  // Written only once the window has opened a target, so the tool's own files stay as they were.
  if (!model.LastTarget.empty()) reg.WriteString(kLastTargetName, model.LastTarget);
  reg.CloseKey();

  reg.DeleteKey(kFolderKey);
  if (reg.OpenKey(kFolderKey, true)) {
    for (const std::string& folder : model.SearchFolders())
      reg.WriteString(folder, "");
    reg.CloseKey();
  }
  SaveRestoreList(roots, model.RestoreList);
}

}  // namespace ordrex
