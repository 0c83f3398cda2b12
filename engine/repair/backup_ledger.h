#pragma once
// What a run's backup lines already hold. A restore applies the lines in order, so the first
// line of a value must be its state before the run: once a value is in the backup, a later
// backup (of the same value, or of a key tree around it, after an earlier problem changed it)
// must not record it again, or the restore would end on the changed state.

#include <cstddef>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "engine/categories.h"

namespace ordrex::repair {

// A key line's location in a comparable form: components folded, single backslashes.
std::string NormalizedLocation(std::string_view location);

// The start of one line of a backup.
struct BackupLineHead {
  enum class Kind { Other, Key, Value };
  Kind kind = Kind::Other;
  std::string text;  // the key's location, or the value's name (unescaped)
};
BackupLineHead ParseBackupLine(std::string_view line);

class BackupLedger {
 public:
  // Brings the ledger up to date with lines (re-reading them when they are not the ones it
  // has read).
  void Sync(const TBackupLines& lines);
  // The location of the last key line, normalized.
  const std::string& CurrentLocation() const { return current_; }
  bool Holds(const std::string& location, std::string_view name) const;
  // Removes from lines, from index `from` on, the value lines (and their continuation lines) of
  // values the ledger held before they were appended, then takes in what is left.
  void DropHeld(TBackupLines& lines, std::size_t from);

 private:
  void Take(std::string_view line);

  const TBackupLines* lines_ = nullptr;
  std::size_t read_ = 0;
  std::string lastLine_;
  std::string current_;
  std::set<std::pair<std::string, std::string>> held_;
};

// The ledger of the lines a repair run appends to, kept in step with them. One thread runs
// repairs; the ledger is only a cache of what the lines say.
BackupLedger& LedgerOf(const TBackupLines& lines);

}  // namespace ordrex::repair
