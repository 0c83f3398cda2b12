#pragma once
// Applies a .reg file to a target's registry: the whole file is read first, every root it
// names must exist and be writable, and a change that fails halfway is undone, so a file is
// applied entirely or not at all.

#include <string_view>

#include "backup/reg_reader.h"
#include "platform/target.h"

namespace ordrex {

struct RegApplyCounts {
  int keysSelected = 0;
  int keysDeleted = 0;
  int valuesSet = 0;
  int valuesDeleted = 0;
};

// Throws RegFileError for a root the target does not have, RegistryError when a store refuses
// writes (with its reason) or a change fails; the registry is then as it was.
RegApplyCounts ApplyRegDocument(const RegDocument& document, RegistryRoots& roots);
// Parses and applies; a malformed file (RegFileError) changes nothing.
RegApplyCounts ApplyRegFile(std::string_view bytes, RegistryRoots& roots);

}  // namespace ordrex
