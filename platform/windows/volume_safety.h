#pragma once
// Whether the files of a Windows volume may be written from here. Windows keeps a hibernated
// session (and "fast start-up", which hibernates the kernel at shutdown) in hiberfil.sys and
// writes its own copy of the registry back when it resumes: anything changed meanwhile is lost
// or corrupts the hives. A volume mounted read-only cannot take a write at all.

#include <filesystem>
#include <string>
#include <vector>

namespace ordrex {

// Non-empty when hiberfil.sys on the volume holds a session Windows will resume: its first four
// bytes are "HIBR" or "hibr" ("wake" or zeros: nothing to resume). Says how to end it.
std::string HibernationBlocker(const std::filesystem::path& volume);

// Non-empty when one of the folders lies on a file system mounted read-only, or cannot be
// written for another reason; names the folder and says what to do.
std::string ReadOnlyBlocker(const std::filesystem::path& volume,
                            const std::vector<std::filesystem::path>& folders);

}  // namespace ordrex
