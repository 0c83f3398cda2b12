#pragma once
// The program's settings while it runs: what the options page, the search directory list, the
// select list and the restore list show. Plain data with the rules that tie the options
// together, so the command-line tool and the window bind to the same object. Reading and
// writing it lives in settings_io.h.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/settings/user_paths.h"
#include "backup/backup_list.h"

namespace ordrex {

class TOrdrex;

// Value names under HKEY_CURRENT_USER\Software\Zentrix.
inline constexpr const char* kMakeBackupName = "Make_Backup";
inline constexpr const char* kNumberBackupName = "Number_Backup";
inline constexpr const char* kBackupDirName = "Backup_Dir";
inline constexpr const char* kDosDriveName = "Dos_Drive";
inline constexpr const char* kWindowsDriveName = "Windows_Drive";
inline constexpr const char* kAllFolderName = "All_Folder";
inline constexpr const char* kSpecifyFolderName = "Specify_Folder";
inline constexpr const char* kWindowHandleName = "Data";
inline constexpr const char* kLastTargetName = "Last_Target";
inline constexpr const char* kFolderSubkey = "Folder";
inline constexpr const char* kRestoreSubkey = "Restore";

inline constexpr int kDefaultNumberBackup = 10;
inline constexpr int kMinNumberBackup = 1;
inline constexpr int kMaxNumberBackup = 999;

// The check mark of one row of the select list.
struct CategorySelection {
  std::string Title;
  bool Checked = true;
};

class SettingsModel {
 public:
  // "Make_Backup"; the option "Don't Make Backup" shows it inverted.
  bool MakeBackup = true;
  bool DontMakeBackup() const { return !MakeBackup; }

  // "Number_Backup", always within 1..999.
  int NumberBackup() const { return numberBackup_; }
  void SetNumberBackup(int count);

  // "Backup_Dir" as stored; empty means the default backup folder.
  std::string BackupDir;
  // The folder backups go to: BackupDir, or the user's default folder when it is empty or
  // not an absolute path.
  std::filesystem::path EffectiveBackupDir(const UserPaths& paths) const;

  // "Dos_Drive" and "Windows_Drive": the shortcut categories walk the whole system drive.
  bool DosDrive = false;
  bool WindowsDrive = false;

  // "All_Folder" and "Specify_Folder": where a repair searches for missing files. At most one
  // is on; turning one on turns the other off, as the two check boxes do.
  bool AllFolder() const { return allFolder_; }
  bool SpecifyFolder() const { return specifyFolder_; }
  void SetAllFolder(bool on);
  void SetSpecifyFolder(bool on);

  // The search directories ("Folder" subkey), each ending in "\".
  const std::vector<std::string>& SearchFolders() const { return searchFolders_; }
  // Appends "\" when missing; false (nothing added) for an empty text or one that is listed
  // already, compared without regard to case.
  bool AddSearchFolder(std::string_view folder);
  // Removes the listed folder that equals `folder` in the same way; false when none does.
  bool RemoveSearchFolder(std::string_view folder);
  void ClearSearchFolders() { searchFolders_.clear(); }
  void SetSearchFolders(std::vector<std::string> folders) { searchFolders_ = std::move(folders); }

  // One entry per listed category, in the engine's order; filled by LoadSelection.
  std::vector<CategorySelection> Selection;
  // The entry for a category title (compared without regard to case), or nullptr.
  CategorySelection* FindSelection(std::string_view title);
  const CategorySelection* FindSelection(std::string_view title) const;

  // "Last_Target": the prefix folder the window last worked on, empty when none. The window
  // opens it again when started without one; the command-line tool keeps it as it is.
  std::string LastTarget;

  // The backups made so far, oldest first ("Restore" subkey).
  TRestoreList RestoreList;

  // "Data": the process id of the window that runs for this user, 0 when none does. Kept as
  // loaded, so that a command-line run saving its settings while the window runs leaves the
  // window reachable; only the window itself sets and clears it.
  std::int64_t WindowHandle = 0;

  // Puts the options the engine reads into it: the whole-drive switches of the two shortcut
  // categories and the Enabled flag of every listed category.
  void ApplyTo(TOrdrex& engine) const;
  // The reverse for the category switches: the Enabled flag of every listed category becomes
  // its selection, as the user left it.
  void TakeSelectionFrom(TOrdrex& engine);

 private:
  int numberBackup_ = kDefaultNumberBackup;
  bool allFolder_ = false;
  bool specifyFolder_ = false;
  std::vector<std::string> searchFolders_;
};

// A search directory as the list holds it: ending in one "\".
std::string NormalizeSearchFolder(std::string_view folder);

}  // namespace ordrex
