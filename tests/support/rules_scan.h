#pragma once
// Running detection rules on a small real prefix written by the test.

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "engine/ordrex.h"
#include "support/shell_link_bytes.h"
#include "support/temp_prefix.h"

namespace ordrex::testsupport {

// Scan indexes of the categories these tests look at.
enum CategoryIndex {
  kOldSoftwareIndex = 5,
  kAppPathIndex = 7,
  kMruIndex = 9,
  kDeviceDriverIndex = 10,
  kFontIndex = 11,
  kHelpIndex = 12,
  kSharedIndex = 13,
  kStartupIndex = 14,
  kInstallerIndex = 15,
  kUninstallIndex = 16,
  kStartMenuIndex = 17,
  kEventLogIndex = 18,
  kVxdIndex = 20,
  kHistoryIndex = 21,
  kDosShortcutIndex = 22,
  kWindowsShortcutIndex = 23,
};

struct OpenedPrefix {
  std::unique_ptr<Target> target;
  std::unique_ptr<TOrdrex> engine;
};

// Opens the prefix with only the given categories enabled.
OpenedPrefix OpenWithOnly(TempPrefix& prefix, std::initializer_list<int> enabled);
// The well-known folders the prefix's registry gives (opens it once).
KnownLocations KnownOf(TempPrefix& prefix);
// Clear, then a whole scan as the window runs it.
void RunScan(TOrdrex& engine);
// Writes a file with the given bytes at a Windows path on drive C (folders made as needed).
void PutFile(TempPrefix& prefix, const std::string& windowsPath, const ByteVector& bytes);

// "key | value | data | reason" of each problem, for readable comparisons.
std::vector<std::string> Lines(const TCustomOrdrex& category);
std::string Line(const TFixingList& problem);

}  // namespace ordrex::testsupport
