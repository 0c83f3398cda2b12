#pragma once
// The order values of the shell's recent lists after entries were deleted. A list names its
// entries "a", "b", ... in the string "MRUList", or 0, 1, ... in the binary "MRUListEx" (32-bit
// numbers, most recent first, closed by 0xFFFFFFFF). The kept entries are renamed to the first
// names in their old name order, so the list has no holes, and the order value is rewritten.

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "engine/repair/repair_frame.h"

namespace ordrex::repair {

// One value renamed while a list is closed up.
struct Rename {
  std::string from;
  std::string to;
};

struct LetterListPlan {
  std::string newList;          // the new "MRUList" text ("" when every letter went)
  std::vector<Rename> renames;  // in the order they must run (no-ops left out)
};
// "dbca" without "b" and "d" gives "ba" with c renamed to b. Letters are single characters
// (a character of any script counts as one).
LetterListPlan PlanLetterList(const std::string& list, const std::vector<std::string>& deleted);

struct NumberListPlan {
  std::vector<std::uint32_t> newList;  // without the end mark
  std::vector<Rename> renames;
  bool tooLong = false;  // more entries than a list may hold: nothing is changed
};
// The entries of "MRUListEx" data (the last 32-bit number is the end mark and is not an entry)
// without the deleted numbers, renumbered from 0.
NumberListPlan PlanNumberList(const Bytes& data, const std::set<std::uint32_t>& deleted);

// For the list key (below HKEY_CURRENT_USER), opened in scope.Reg(): backs up "MRUList" and
// every value it renames (under its old name; a new name the key did not have gets a line that
// deletes it again on restore), renames, and writes the new list (empty when every letter
// went). A key without a "MRUList" string has no order to mend.
// Closes the key.
void RepairMRUList(RepairScope& scope, const std::string& key,
                   const std::vector<std::string>& deletedLetters);
// The same for "MRUListEx"; the new list ends with the end mark (and is the end mark alone
// when no entry is left). Closes the key.
void RepairMRUListEx(RepairScope& scope, const std::string& key,
                     const std::set<std::uint32_t>& deletedIndexes);

}  // namespace ordrex::repair
