#pragma once
// The bytes of Windows shortcut files (.lnk shell links, .pif files) and of the recent lists
// that name them, for tests: nothing on Linux writes them, so a test lays them out itself.

#include <cstdint>
#include <string>
#include <vector>

#include "support/fresh_prefix.h"

namespace ordrex::testsupport {

using ByteVector = std::vector<std::uint8_t>;

// An ID list naming a path: My Computer, the volume ("C:\"), then one item per component.
// Items carry their name in the 8-bit field and, when longName is set, in the extension block
// the shell adds for long names.
ByteVector PathIdList(const std::string& drive, const std::vector<std::string>& components,
                      bool longNames = true);

struct ShellLinkParts {
  std::string localBasePath;  // link information; empty: none
  std::string commonPathSuffix;
  ByteVector idList;         // link target IDs without the size field; empty: none
  std::string relativePath;  // string data; empty: none
};
ByteVector ShellLink(const ShellLinkParts& parts);

// The common case: a link whose link information names a local path (base + suffix).
inline ByteVector ShellLinkTo(const std::string& localPath, const std::string& suffix = "") {
  return ShellLink({localPath, suffix, {}, ""});
}
// A link with only link target IDs.
inline ByteVector ShellLinkWithIds(const ByteVector& idList) {
  return ShellLink({"", "", idList, ""});
}
// A link with only a relative path.
inline ByteVector ShellLinkRelative(const std::string& relativePath) {
  return ShellLink({"", "", {}, relativePath});
}

// A .PIF file: the program field (63 bytes at offset 36) holds program, the rest is zeros.
inline ByteVector PifFile(const std::string& program, std::size_t size = 545) {
  ByteVector bytes(size, 0);
  for (std::size_t i = 0; i < program.size() && 36 + i < size; ++i)
    bytes[36 + i] = static_cast<std::uint8_t>(program[i]);
  return bytes;
}

// A RecentDocs value as the shell writes it: the document's display name (UTF-16), the 14
// bytes of an item header, the 8.3 name of its shortcut, 20 bytes of extension header and the
// shortcut's long name (UTF-16).
ByteVector RecentDocsValue(const std::string& display, const std::string& shortName,
                           const std::string& linkName);
// A LastVisitedMRU value: program name and folder, both UTF-16 with their zero units.
ByteVector LastVisitedValue(const std::string& program, const std::string& folder);

inline void WriteBytes(const std::string& hostPath, const ByteVector& bytes) {
  WriteAll(hostPath, std::string(bytes.begin(), bytes.end()));
}

}  // namespace ordrex::testsupport
