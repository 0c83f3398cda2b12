#pragma once
// Readers of the binary entries the shell keeps in its recently-used lists. The data comes
// straight from the registry and may be of any length and content: every read stays inside
// the span it is given, and a string that reaches the end of the data simply stops there.

#include <cstdint>
#include <span>
#include <string>

namespace ordrex {

// A LastVisitedMRU entry: the program's file name (UTF-16, ending with a zero unit) followed
// by the folder it last used (UTF-16).
struct LastVisitedEntry {
  std::string program;
  std::string folder;  // up to its first NUL
};
LastVisitedEntry ParseLastVisitedEntry(std::span<const std::uint8_t> data);

// A RecentDocs entry: the document's display name, the 8.3 name of its shortcut in the
// recent folder, and the shortcut's long file name (the one the rule uses).
struct RecentDocsEntry {
  std::string displayName;
  std::string shortName;
  std::string linkFileName;
};
RecentDocsEntry ParseRecentDocsEntry(std::span<const std::uint8_t> data);

}  // namespace ordrex
