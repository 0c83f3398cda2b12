#pragma once
// The list of backups a repair made: one record per .reg file, oldest first, trimmed to the
// number the user keeps, remembered with the settings under "\Software\Zentrix\Restore\", and
// restored, deleted one by one or all at once on request. Each record also names the system
// the backup was taken from, so that restoring applies it there and nowhere else.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <locale>
#include <string>
#include <vector>

#include "backup/reg_apply.h"
#include "platform/clock.h"
#include "platform/target.h"

namespace ordrex {

struct TRestoreData {
  std::string FileName;   // absolute path of the .reg file
  std::int64_t Size = 0;  // bytes when the record was made or loaded; 0: the file was not there
  double Date = 0;        // date-time numbers (days since 30 December 1899, local time)
  double Time = 0;
  std::string TargetKind;      // Target::Kind() of the system it was taken from ("wine-prefix")
  std::string TargetLocation;  // Target::Location(): the prefix folder and so on
  std::string TargetUser;      // Target::UserChoice(): the profile of an offline volume
};

// The size column's texts.
inline constexpr const char* kFileNotFoundText = "File Not Found.";
inline constexpr const char* kFileCannotBeFoundText = "Selected file can't be found.";

// "1 Byte", "500 Bytes", "1.5 KB", "12.1 KB", "1 MB"; "ERROR" for 0 and below.
std::string FileSizeText(std::int64_t size, char decimalSeparator = '.');
// What the size column shows: kFileNotFoundText for size 0, else FileSizeText.
std::string SizeColumnText(const TRestoreData& record);
// The size of a file now; 0 when it cannot be opened.
std::int64_t MeasureFile(const std::filesystem::path& file);

// Date-time numbers, and the texts the list shows for them: the date in the locale's short
// date format (%x: "03/07/24" in the "C" locale, "07.03.2024" in German), the time in its
// time format (%X: "21:05:00", "09:05:00 PM" in American English).
double ToDateTime(std::chrono::system_clock::time_point when);
std::string DateText(double dateTime, const std::locale& locale);
std::string TimeText(double dateTime, const std::locale& locale);

class TRestoreList {
 public:
  int Count() const { return static_cast<int>(records_.size()); }
  const std::vector<TRestoreData>& Records() const { return records_; }
  TRestoreData& Items(int index) { return records_.at(static_cast<std::size_t>(index)); }
  const TRestoreData& Items(int index) const {
    return records_.at(static_cast<std::size_t>(index));
  }

  // A record for a backup just saved (its size measured now, date and time now), appended;
  // then rows go from the top, oldest first, while more than numberToKeep are listed. Their
  // files stay on disk.
  const TRestoreData& AddBackupRecord(const std::filesystem::path& fileName, const Target& source,
                                      int numberToKeep, const Clock& clock);
  void Append(TRestoreData record) { records_.push_back(std::move(record)); }

  // Deletes the backup's file (and the shortcut copies beside it) and its row. Failures to
  // delete files are not reported: the row goes all the same.
  void Delete(int index);
  // The same for every row.
  void DeleteAll();

 private:
  std::vector<TRestoreData> records_;
};

struct RestoreOutcome {
  bool restored = false;
  std::string message;       // why nothing was restored
  RegApplyCounts counts;     // what the file changed
  int shortcutsPutBack = 0;  // shortcut files copied back
  std::vector<std::string> shortcutsNotPutBack;
};

// Applies the record's .reg file to target (the system it was taken from) with the program's
// own reader, all or nothing, puts back the shortcut files it deleted, and saves the target.
// A record whose size is 0, or whose file is gone (its size then becomes 0), gives
// kFileCannotBeFoundText and changes nothing; so does a file that cannot be read or applied,
// or a target that must not be written now, each with its own message.
RestoreOutcome RestoreBackup(TRestoreData& record, Target& target);

// The list as the settings keep it: subkeys "00", "01", ... of "\Software\Zentrix\Restore\"
// with "Name", "Date" and "Time", and "Target_Kind", "Target_Location" and "Target_User". Loading
// measures every file again (0 when it is gone) and gives an unreadable date or time the current
// one; saving replaces what was stored.
void LoadRestoreList(RegistryRoots& settings, TRestoreList& list, const Clock& clock);
void SaveRestoreList(RegistryRoots& settings, const TRestoreList& list);

}  // namespace ordrex
