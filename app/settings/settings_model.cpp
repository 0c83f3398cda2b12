#include "app/settings/settings_model.h"

#include <algorithm>

#include "engine/ordrex.h"
#include "platform/text.h"

namespace ordrex {

std::string NormalizeSearchFolder(std::string_view folder) {
  std::string text = Trim(folder);
  if (!text.empty() && text.back() != '\\') text += '\\';
  return text;
}

void SettingsModel::SetNumberBackup(int count) {
  numberBackup_ = std::clamp(count, kMinNumberBackup, kMaxNumberBackup);
}

std::filesystem::path SettingsModel::EffectiveBackupDir(const UserPaths& paths) const {
  // A relative folder (or a Windows path from an older version's settings) would land in
  // whatever folder is current: backups go to the default folder instead.
  const std::filesystem::path folder(Trim(BackupDir));
  if (folder.empty() || !folder.is_absolute()) return paths.DefaultBackupDir();
  return folder;
}

void SettingsModel::SetAllFolder(bool on) {
  allFolder_ = on;
  if (on) specifyFolder_ = false;
}

void SettingsModel::SetSpecifyFolder(bool on) {
  specifyFolder_ = on;
  if (on) allFolder_ = false;
}

namespace {

// "C:\Data" and "c:\data\" name the same search directory.
auto SameFolderAs(const std::string& wanted) {
  return [wanted](const std::string& listed) { return SameText(listed, wanted); };
}

}  // namespace

bool SettingsModel::AddSearchFolder(std::string_view folder) {
  const std::string text = NormalizeSearchFolder(folder);
  if (text.empty()) return false;
  if (std::any_of(searchFolders_.begin(), searchFolders_.end(), SameFolderAs(text))) return false;
  searchFolders_.push_back(text);
  return true;
}

bool SettingsModel::RemoveSearchFolder(std::string_view folder) {
  const std::string text = NormalizeSearchFolder(folder);
  const auto hit = std::find_if(searchFolders_.begin(), searchFolders_.end(), SameFolderAs(text));
  if (hit == searchFolders_.end()) return false;
  searchFolders_.erase(hit);
  return true;
}

CategorySelection* SettingsModel::FindSelection(std::string_view title) {
  for (CategorySelection& entry : Selection) {
    if (SameText(entry.Title, title)) return &entry;
  }
  return nullptr;
}

const CategorySelection* SettingsModel::FindSelection(std::string_view title) const {
  return const_cast<SettingsModel*>(this)->FindSelection(title);
}

void SettingsModel::ApplyTo(TOrdrex& engine) const {
  engine.MSDOS.ScanWholeDrive = DosDrive;
  engine.Windows.ScanWholeDrive = WindowsDrive;
  for (TCustomOrdrex* category : engine.Categories()) {
    if (!category->Listed) continue;
    if (const CategorySelection* entry = FindSelection(category->Title)) {
      category->Enabled = entry->Checked;
    }
  }
}

void SettingsModel::TakeSelectionFrom(TOrdrex& engine) {
  for (TCustomOrdrex* category : engine.Categories()) {
    if (!category->Listed) continue;
    if (CategorySelection* entry = FindSelection(category->Title))
      entry->Checked = category->Enabled;
  }
}

}  // namespace ordrex
