#include "engine/path_checks.h"

#include <algorithm>
#include <array>
#include <exception>

#include "platform/text.h"

namespace ordrex {

namespace {

// Where a Windows system keeps these when it does not say otherwise. An empty folder would
// match every path as a prefix, so an unknown one must not stay empty.
constexpr const char* kDefaultWindowsDir = "C:\\windows\\";
constexpr const char* kDefaultProgramFilesDir = "C:\\Program Files\\";
constexpr const char* kCurrentVersionKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr int kPlatformNt = 2;
// Enough for the names a registry repeats most; starting over when full keeps the memory small
// on registries with hundreds of thousands of distinct paths.
constexpr std::size_t kMaxRememberedPaths = 1024;

// The variables a machine-wide value may be written with: they mean the same for every user.
constexpr std::array<const char*, 14> kSystemVariables = {"SystemRoot",
                                                          "windir",
                                                          "SystemDrive",
                                                          "ProgramFiles",
                                                          "ProgramFiles(x86)",
                                                          "ProgramW6432",
                                                          "CommonProgramFiles",
                                                          "CommonProgramFiles(x86)",
                                                          "CommonProgramW6432",
                                                          "ProgramData",
                                                          "ALLUSERSPROFILE",
                                                          "PUBLIC",
                                                          "ComSpec",
                                                          "DriverData"};

std::size_t CodePointCount(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t pos = 0; pos < text.size(); ++count)
    DecodeUtf8(text, pos);
  return count;
}

bool IsSystemVariable(std::string_view name) {
  return std::any_of(kSystemVariables.begin(), kSystemVariables.end(),
                     [&](const char* known) { return SameText(name, known); });
}

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

std::size_t NamePartStart(std::string_view text) {
  const std::size_t cut = text.find_last_of("\\:");
  return cut == std::string_view::npos ? 0 : cut + 1;
}

}  // namespace

std::string ExtractFilePath(std::string_view text) {
  return std::string(text.substr(0, NamePartStart(text)));
}

std::string ExtractFileName(std::string_view text) {
  return std::string(text.substr(NamePartStart(text)));
}

std::string ExtractFileExt(std::string_view text) {
  const std::size_t dot = text.rfind('.');
  if (dot == std::string_view::npos || dot < NamePartStart(text)) return {};
  return std::string(text.substr(dot));
}

std::string ChangeFileExt(std::string_view text, std::string_view ext) {
  const std::size_t dot = text.rfind('.');
  const std::size_t end =
      dot == std::string_view::npos || dot < NamePartStart(text) ? text.size() : dot;
  std::string out(text.substr(0, end));
  out.append(ext);
  return out;
}

bool IsBareFileName(std::string_view text) {
  return !text.empty() && NamePartStart(text) == 0;
}

std::string ExeOfCommand(std::string_view text) {
  const std::size_t pos = FindText(text, ".EXE");
  if (pos == std::string_view::npos) return {};
  return std::string(text.substr(0, pos + 4));
}

bool IsGuidString(std::string_view text) {
  if (text.size() != 38 || text.front() != '{' || text.back() != '}') return false;
  for (std::size_t i = 1; i < 37; ++i) {
    // Positions 10, 15, 20 and 25 counted from 1.
    const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
    if (dash ? text[i] != '-' : !IsHexDigit(text[i])) return false;
  }
  return true;
}

std::vector<std::string> SplitPathList(std::string_view text) {
  std::string rest;
  rest.reserve(text.size());
  for (char c : text) {
    if (c != '"') rest.push_back(c);
  }
  std::vector<std::string> pieces;
  std::size_t start = 0;
  for (std::size_t semi = rest.find(';'); semi != std::string::npos; semi = rest.find(';', start)) {
    pieces.push_back(rest.substr(start, semi - start));
    start = semi + 1;
  }
  if (start < rest.size()) pieces.push_back(rest.substr(start));
  return pieces;
}

std::string IncludeTrailingBackslash(std::string_view text) {
  std::string out(text);
  if (!out.empty() && out.back() != '\\') out.push_back('\\');
  return out;
}

PathChecks::PathChecks(Target& target) : target_(target) {
  const SystemProfile& profile = target.Profile();

  known_.WindowsDir = IncludeTrailingBackslash(profile.windowsDir);
  if (known_.WindowsDir.empty()) known_.WindowsDir = kDefaultWindowsDir;
  known_.SystemRootDrive = known_.WindowsDir.substr(0, 3);

  try {
    TRegistry reg(target, kLocalMachine);
    if (reg.OpenKey(kCurrentVersionKey, false)) {
      const TRegDataType type = reg.GetDataType("ProgramFilesDir");
      if (type == rdString) {
        known_.ProgramFilesDir = IncludeTrailingBackslash(reg.ReadString("ProgramFilesDir"));
      } else if (type == rdExpandString) {
        // Only an expanded folder can be compared with the paths the rules meet.
        known_.ProgramFilesDir =
            IncludeTrailingBackslash(ExpandEnvPath(reg.ReadString("ProgramFilesDir")));
      }
    }
  } catch (const std::exception&) {
    // An unreadable key leaves the folder unknown; the default below stands in.
  }
  if (known_.ProgramFilesDir.empty()) {
    known_.ProgramFilesDir = IncludeTrailingBackslash(
        FindEnvironment("ProgramFiles", profile.environment).value_or(kDefaultProgramFilesDir));
  }

  known_.SystemDir = IncludeTrailingBackslash(profile.systemDir);
  known_.StartMenuDir = SpecialFolderPath(kCsidlStartMenu);
  known_.CommonStartMenuDir = SpecialFolderPath(kCsidlCommonStartMenu);
  known_.DesktopDir = SpecialFolderPath(kCsidlDesktopDirectory);
  known_.AppDataDir = SpecialFolderPath(kCsidlAppData);
  known_.RecentDir = SpecialFolderPath(kCsidlRecent);
  known_.HistoryDir = SpecialFolderPath(kCsidlHistory);

  known_.IsNT = profile.version.platformId == kPlatformNt;
  known_.IsWin9x = !known_.IsNT;
  known_.IsWin2000OrLater = known_.IsNT && profile.version.major >= 5;

  // The folders a bare name is looked for in. The environment is fixed for the life of the
  // target, so the list is built once. Sorted without duplicates: each folder is visited once,
  // and the answer does not depend on the order.
  const auto path = FindEnvironment("PATH", profile.environment);
  std::vector<std::string> folders =
      path ? Split(ExpandEnvPath(*path), ';') : std::vector<std::string>{};
  folders.push_back(known_.WindowsDir);
  folders.push_back(known_.SystemRootDrive);
  folders.push_back(known_.SystemDir);
  std::erase_if(folders, [](const std::string& folder) { return Trim(folder).empty(); });
  std::stable_sort(folders.begin(), folders.end(), [](const std::string& a, const std::string& b) {
    return CompareText(a, b) < 0;
  });
  folders.erase(
      std::unique(folders.begin(), folders.end(),
                  [](const std::string& a, const std::string& b) { return SameText(a, b); }),
      folders.end());
  searchFolders_ = std::move(folders);
  // "C:\windows" and "C:\windows\" name the same folder: a name is looked for there once.
  for (const std::string& folder : searchFolders_) {
    std::string prefix = IncludeTrailingBackslash(folder);
    const bool seen =
        std::any_of(searchPrefixes_.begin(), searchPrefixes_.end(),
                    [&](const std::string& known) { return SameText(known, prefix); });
    if (!seen) searchPrefixes_.push_back(std::move(prefix));
  }
}

// A path the target cannot look at counts as there: only what is known to be gone is reported.
bool PathChecks::IsFile(std::string_view path) const {
  if (path.empty()) return false;
  FileSystem& files = target_.Files();
  return files.IsFile(path) || files.IsBeyondReach(path);
}

bool PathChecks::IsFolder(std::string_view path) const {
  if (path.empty()) return false;
  FileSystem& files = target_.Files();
  return files.IsFolder(path) || files.IsBeyondReach(path);
}

std::string PathChecks::SpecialFolderPath(int csidl) const {
  const auto& folders = target_.Profile().specialFolders;
  const auto hit = folders.find(csidl);
  if (hit == folders.end()) return {};
  // Cut at a NUL as a fixed-size buffer would.
  return IncludeTrailingBackslash(std::string_view(hit->second).substr(0, hit->second.find('\0')));
}

std::string PathChecks::ExpandEnvPath(std::string_view text) const {
  return ExpandEnvironment(text, target_.Profile().environment);
}

bool PathChecks::FileExistsIn(std::string_view folder, std::string_view name) const {
  if (folder.empty() || name.empty()) return false;
  return IsFile(JoinPath(folder, name));
}

void PathChecks::BeginScan() {
  found_.clear();
  remembering_ = true;
}

void PathChecks::EndScan() {
  remembering_ = false;
  found_.clear();
}

bool PathChecks::FileFound(std::string_view name) const {
  if (!remembering_) return LookUpFile(name);
  if (const auto hit = found_.find(name); hit != found_.end()) return hit->second;
  const bool found = LookUpFile(name);
  if (found_.size() >= kMaxRememberedPaths) found_.clear();
  found_.emplace(std::string(name), found);
  return found;
}

bool PathChecks::LookUpFile(std::string_view name) const {
  const bool hasFolder = NamePartStart(name) > 0;
  const bool hasName = NamePartStart(name) < name.size();
  if (hasFolder && hasName) {
    if (IsFile(name)) return true;
    const std::string expanded = ExpandEnvPath(name);
    // Most paths hold no variable: the disk need not be asked the same thing twice.
    if (expanded == name) return IsFolder(name);
    return IsFile(expanded) || IsFolder(name) || IsFolder(expanded);
  }
  if (hasFolder) return IsFolder(name);
  if (name.empty()) return false;
  std::string path;
  return std::any_of(searchPrefixes_.begin(), searchPrefixes_.end(),
                     [&](const std::string& prefix) {
                       path.assign(prefix).append(name);
                       return IsFile(path);
                     });
}

void PathChecks::CutArguments(std::string& text, char delimiter, bool useFileName) const {
  std::string piece = delimiter == '/' ? text : ExtractFileExt(text);
  if (piece.empty() && useFileName) piece = ExtractFileName(text);
  const std::size_t at = piece.find(delimiter);
  if (!piece.empty() && at != std::string::npos) {
    // The piece ends the text: drop everything from its first delimiter on.
    text.erase(text.size() - (piece.size() - at));
    text = TrimRight(text);
  }
  if (delimiter != ' ' || FileFound(text)) return;
  // Arguments without a telltale extension ("app.exe /min logs.txt"): the longest leading part
  // that ends at a blank and names an existing file is the path.
  for (std::size_t pos = text.size(); pos-- > 0;) {
    if (text[pos] != ' ') continue;
    const std::string candidate = text.substr(0, pos);
    if (!ExtractFileExt(candidate).empty() && FileFound(candidate)) {
      text = candidate;
      return;
    }
  }
}

void PathChecks::CleanPathValue(std::string& text) const {
  if (text.empty()) return;
  std::erase(text, '"');
  CutArguments(text, ',', false);
  CutArguments(text, ' ', false);
}

bool PathChecks::ReadStringValue(const TRegistry& reg, std::string_view name,
                                 std::string& text) const {
  text.clear();
  const TRegDataType type = reg.GetDataType(name);
  if (type != rdString && type != rdExpandString) return false;
  text = reg.ReadString(name);
  CleanPathValue(text);
  return true;
}

bool PathChecks::IsSystemFile(std::string_view path) const {
  const std::string folder = ExtractFilePath(ExpandEnvPath(WithoutLongPathPrefix(path)));
  if (!known_.WindowsDir.empty() && StartsWithText(folder, known_.WindowsDir)) return true;
  const std::string name = ExtractFileName(path);
  return CodePointCount(name) > 2 && StartsWithText(name, "ms");
}

std::vector<std::string> PathChecks::GetEnvironmentList(bool expand) const {
  std::vector<std::string> lines;
  for (const EnvVar& var : target_.Profile().environment) {
    std::string line = var.name + "=" + var.value;
    lines.push_back(expand ? ExpandEnvPath(line) : std::move(line));
  }
  return lines;
}

std::string PathChecks::CollapseEnvPath(std::string_view path, bool systemOnly) const {
  const EnvVar* best = nullptr;
  for (const EnvVar& var : target_.Profile().environment) {
    if (var.name.empty() || var.value.empty()) continue;
    if (systemOnly && !IsSystemVariable(var.name)) continue;
    if (!path.starts_with(var.value)) continue;
    if (best == nullptr || var.value.size() > best->value.size()) best = &var;
  }
  // A short value (a bare drive such as "C:") would turn up inside unrelated names.
  if (best == nullptr || CodePointCount(best->value) < 4) return std::string(path);
  return ReplaceAllText(path, best->value, "%" + best->name + "%");
}

}  // namespace ordrex
