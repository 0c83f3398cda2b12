#pragma once
// Files the program could not make sense of are set aside, never overwritten: the user may
// want to repair them by hand, and the next save must not destroy what is left of them.

#include <filesystem>
#include <optional>
#include <string>

namespace ordrex {

// Renames `file` to "<file>.broken" (or "<file>.broken.2", ".3" ... when that name is taken).
// Returns the new name, or nothing when the rename failed.
std::optional<std::filesystem::path> KeepDamagedFile(const std::filesystem::path& file);

// The file name in double quotes, as messages about a damaged or unreadable file show it.
std::string QuotedFileName(const std::filesystem::path& file);

}  // namespace ordrex
