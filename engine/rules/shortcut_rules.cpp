// Shortcut files of the system root drive whose target is gone.

#include <initializer_list>
#include <optional>
#include <string>

#include "engine/rules/rules.h"
#include "engine/shortcut_targets.h"
#include "platform/text.h"

namespace ordrex {
namespace {

constexpr const char* kTargetNotFound = "Target not found";

// A relative target that exists beside the shortcut file is meant relative to it.
std::string FixRelativeTarget(const PathChecks& paths, std::string_view shortcutPath,
                              std::string target) {
  if (target.empty() || target.front() == '\\' || paths.FileFound(target)) return target;
  const std::string beside = IncludeTrailingBackslash(ExtractFilePath(shortcutPath)) + target;
  return paths.FileFound(beside) ? beside : target;
}

bool StartsWithAny(std::string_view path, std::initializer_list<const std::string*> folders) {
  for (const std::string* folder : folders) {
    // A folder the target does not have is nobody's usual place.
    if (!folder->empty() && StartsWithText(WithoutLongPathPrefix(path), *folder)) return true;
  }
  return false;
}

}  // namespace

std::string ReadPifProgram(const PathChecks& paths, std::string_view pifPath) {
  const std::optional<Bytes> head =
      paths.GetTarget().Files().ReadFile(pifPath, kPifProgramOffset + kPifProgramLength);
  if (!head || head->size() <= kPifProgramOffset) return {};
  const std::size_t end = std::min(head->size(), kPifProgramOffset + kPifProgramLength);
  std::string field;
  for (std::size_t i = kPifProgramOffset; i < end; ++i) {
    const auto byte = (*head)[i];
    field.push_back(byte == 0 ? ' ' : static_cast<char>(byte));
  }
  field = TrimRight(field);
  // The field is in the 8-bit code page of the system that wrote it.
  if (!IsValidUtf8(field)) field = Cp1252ToUtf8(field);
  return FixRelativeTarget(paths, pifPath, std::move(field));
}

std::string ResolveShortcutTarget(const PathChecks& paths, std::string_view path, bool* refused) {
  if (refused != nullptr) *refused = false;
  if (UpperCase(ExtractFileExt(path)) == ".PIF") return ReadPifProgram(paths, path);
  Target& target = paths.GetTarget();
  const std::optional<std::filesystem::path> host = target.Files().HostPath(path);
  if (!host) return {};
  std::string stored = target.Shortcuts().ReadTarget(*host);
  if (Utf8ToUtf16(stored).size() > kMaxShortcutTarget) {
    if (refused != nullptr) *refused = true;
    return {};
  }
  return FixRelativeTarget(paths, path, std::move(stored));
}

void WalkShortcutFolder(TOrdrex& engine, std::string_view folder) {
  engine.ReportKey(0, std::string(folder));
  const std::string base = IncludeTrailingBackslash(folder);
  const PathChecks& paths = engine.Paths();
  const KnownLocations& known = engine.Known();
  const std::optional<std::vector<DirEntry>> entries = paths.GetTarget().Files().List(base);
  if (!entries) return;  // an unreadable folder simply has nothing to show
  for (const DirEntry& entry : *entries) {
    const std::string path = base + entry.name;
    if (entry.folder && !entry.linkedFolder) WalkShortcutFolder(engine, path);
    // Most entries of a drive are other files: the cheap test on the name comes first.
    if (entry.folder || entry.linkedFolder || !EndsWithText(entry.name, ".PIF")) {
      if (engine.Stopped) return;
      continue;
    }
    const bool dosSkips = !engine.MSDOS.Enabled ||
                          (!engine.MSDOS.ScanWholeDrive &&
                           !StartsWithAny(path, {&known.WindowsDir, &known.ProgramFilesDir}));
    const bool windowsSkips =
        !engine.Windows.Enabled ||
        (!engine.Windows.ScanWholeDrive &&
         !StartsWithAny(path, {&known.StartMenuDir, &known.DesktopDir, &known.AppDataDir}));
    if (!(dosSkips && windowsSkips)) {
      engine.ReportKey(0, path);
      // For a .PIF file the shell's target is the program it starts: read it once for both.
      const std::string program = ReadPifProgram(paths, path);
      // An empty field names nothing that could be missing.
      if (!program.empty() && !paths.FileFound(program)) {
        if (!dosSkips) {
          engine.AddProblem(engine.MSDOS, 0, kTargetNotFound, path, "Target", program, program,
                            false, true);
        }
        if (!windowsSkips) {
          engine.AddProblem(engine.Windows, 0, kTargetNotFound, path, "Target", program, program,
                            true, true);
        }
      }
    }
    if (engine.Stopped) return;
  }
}

namespace rules {

void ScanShortcuts(TOrdrex& engine) {
  if (!engine.MSDOS.Enabled && !engine.Windows.Enabled) return;
  WalkShortcutFolder(engine, engine.Known().SystemRootDrive);
}

}  // namespace rules
}  // namespace ordrex
