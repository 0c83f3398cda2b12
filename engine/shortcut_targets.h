#pragma once
// Shortcut files on disk: the program a .PIF file starts, the stored target of a shell link,
// and the walk of a drive that checks both.

#include <cstddef>
#include <string>
#include <string_view>

#include "engine/path_checks.h"

namespace ordrex {

class TOrdrex;

// The program path field of a program information file: 63 bytes at offset 36.
inline constexpr std::size_t kPifProgramOffset = 36;
inline constexpr std::size_t kPifProgramLength = 63;
// The longest target a shortcut may name (the shell's MAX_PATH, without its NUL).
inline constexpr std::size_t kMaxShortcutTarget = 260;

// The program a .PIF file starts, or empty when the file cannot be read or the field is empty.
// A relative name that is found beside the .PIF file comes back joined to that folder.
std::string ReadPifProgram(const PathChecks& paths, std::string_view pifPath);

// The target a shortcut file names, as stored (nothing is searched for or resolved); a .PIF
// file gives its program. Empty when the file cannot be loaded or is not a shortcut. A target
// longer than kMaxShortcutTarget is refused (empty, with refused set): cutting it would name
// another path.
std::string ResolveShortcutTarget(const PathChecks& paths, std::string_view path,
                                  bool* refused = nullptr);

// Checks the shortcut files below folder for the "MS-DOS Shortcut" and "Windows Shortcut"
// categories, depth first; never enters linked folders; stops after the entry during which
// the engine was stopped.
void WalkShortcutFolder(TOrdrex& engine, std::string_view folder);

}  // namespace ordrex
