#pragma once
// Small pieces every detection rule shares: the walk over a key's names with its progress
// steps, location texts, and recording a problem whose missing file is only part of its data.

#include <functional>
#include <string>
#include <string_view>

#include "engine/ordrex.h"
#include "engine/registry.h"

namespace ordrex::rules {

enum class NameKind { Subkeys, Values };

// Lists the subkeys or values of path for the category (nothing when it is disabled) and calls
// visit for each name after its progress step. A subkey's location is path + name, a value's
// path + ": " + name. For values the key stays open while visit runs. Returns false when the
// scan was stopped, so the caller leaves at once.
bool ForEachName(TOrdrex& engine, TCustomOrdrex& category, TRegistry& reg, std::string_view path,
                 NameKind kind, const std::function<void(const std::string& name)>& visit);

// "key: name", the location text of one value.
std::string ValueLocation(std::string_view key, std::string_view name);

// Records a missing-file problem whose data holds more than the path that was tested (a whole
// command, a ";" list): the tested path becomes the problem's MissingPath and its file name
// enters the missing-file list, so a search and a later correction act on that part only.
void AddPartProblem(TOrdrex& engine, TCustomOrdrex& category, RootHandle root,
                    const std::string& reason, const std::string& key, const std::string& value,
                    const std::string& data, const std::string& missingPath, bool selected);

// Value names of the shell's "a", "b", ... lists are one character long.
bool IsSingleCharName(std::string_view name);
// "C:\..." : a drive letter and ":\" at positions 2 and 3.
bool StartsWithDrive(std::string_view text);

}  // namespace ordrex::rules
