#pragma once
// Does the file or folder a registry string names still exist? The well-known folders of the
// target, the clean-up that turns a registry string into a plain path, the found-test with its
// search order, and the small tests the rules share. Everything is computed from one target;
// nothing here writes to the registry.

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/registry.h"
#include "platform/target.h"

namespace ordrex {

// Folders end with a backslash unless empty. Computed once per target.
struct KnownLocations {
  std::string WindowsDir;
  std::string SystemRootDrive;
  std::string ProgramFilesDir;
  std::string SystemDir;
  std::string StartMenuDir;
  std::string CommonStartMenuDir;
  std::string DesktopDir;
  std::string AppDataDir;
  std::string RecentDir;
  std::string HistoryDir;
  bool IsNT = true;
  bool IsWin9x = false;
  bool IsWin2000OrLater = true;
};

// Splitting rules shared by every rule: the folder part keeps its last "\" or ":"; the file
// name part is what follows; the extension starts at the last "." after them (dot included).
std::string ExtractFilePath(std::string_view text);
std::string ExtractFileName(std::string_view text);
std::string ExtractFileExt(std::string_view text);
std::string ChangeFileExt(std::string_view text, std::string_view ext);

bool IsBareFileName(std::string_view text);
// The text up to and including the first ".EXE" (any case), or empty.
std::string ExeOfCommand(std::string_view text);
bool IsGuidString(std::string_view text);
// Quotes removed, pieces at ";", empty pieces kept, a last empty piece dropped.
std::vector<std::string> SplitPathList(std::string_view text);
// Appends a backslash unless the text is empty or already ends with one.
std::string IncludeTrailingBackslash(std::string_view text);

class PathChecks {
 public:
  explicit PathChecks(Target& target);

  const KnownLocations& Known() const { return known_; }
  Target& GetTarget() const { return target_; }

  // Primitive tests: the text as it stands (no expansion, no search). A path the target
  // cannot look at (FileSystem::IsBeyondReach) counts as present.
  bool IsFile(std::string_view path) const;
  bool IsFolder(std::string_view path) const;

  std::string SpecialFolderPath(int csidl) const;
  std::string ExpandEnvPath(std::string_view text) const;
  bool FileExistsIn(std::string_view folder, std::string_view name) const;
  bool FileFound(std::string_view name) const;
  void CutArguments(std::string& text, char delimiter, bool useFileName) const;
  void CleanPathValue(std::string& text) const;
  // String types only: the cleaned text. False (and empty text) for any other type or a
  // missing value. The accessor must have the key open.
  bool ReadStringValue(const TRegistry& reg, std::string_view name, std::string& text) const;
  bool IsSystemFile(std::string_view path) const;

  // NAME=value lines of the target's environment, optionally expanded.
  std::vector<std::string> GetEnvironmentList(bool expand) const;
  // Replaces the longest environment value (of 4 characters or more) that starts the path by
  // %NAME%. With systemOnly, per-user variables are never used (a machine-wide value must not
  // depend on who runs the program).
  std::string CollapseEnvPath(std::string_view path, bool systemOnly = false) const;

  // The folders the search path of a bare file name visits.
  const std::vector<std::string>& SearchFolders() const { return searchFolders_; }

  // Between these two, FileFound remembers its answers by the exact text asked. A scan asks
  // about the same text more than once (while cleaning a value and again while judging it;
  // thousands of keys name the same server), and a bare name costs a look into every search
  // folder. Nothing in a scan changes the disk; repairs and restores, which delete and copy
  // files, run outside a scan and so always ask the disk. Both calls forget every answer.
  void BeginScan();
  void EndScan();

 private:
  Target& target_;
  KnownLocations known_;
  std::vector<std::string> searchFolders_;
  // The search folders each ending with a backslash, each folder once: what a bare name is
  // appended to.
  std::vector<std::string> searchPrefixes_;

  // FileFound as the disk answers it now.
  bool LookUpFile(std::string_view name) const;

  bool remembering_ = false;
  // Looked up by string_view, so that a hit costs no copy of the text.
  struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const {
      return std::hash<std::string_view>{}(text);
    }
  };
  mutable std::unordered_map<std::string, bool, TextHash, std::equal_to<>> found_;
};

}  // namespace ordrex
