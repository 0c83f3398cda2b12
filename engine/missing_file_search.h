#pragma once
// The search of the disk for files a scan found missing. Every file met whose name is on the
// engine's missing-file list adds its full path to that name's found locations, so that a
// repair can point the registry entry at the found copy instead of deleting it.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ordrex.h"

namespace ordrex {

// Asked before each entry; true ends the search.
using SearchCancelled = std::function<bool()>;
// The full path of the entry being examined, at most once per kReportIntervalMs.
using SearchProgress = std::function<void(const std::string& path)>;

// Searches folder and everything below it. Links to folders and mounts of other file systems
// are never entered, so the search stays on the folder's drive and cannot loop; a folder that
// cannot be listed yields nothing. Returns false when cancelled.
bool SearchMissingFiles(TOrdrex& engine, std::string_view folder,
                        const SearchCancelled& cancelled = {}, const SearchProgress& progress = {});
// The same over several folders, in order, with one shared progress throttle.
bool SearchMissingFiles(TOrdrex& engine, const std::vector<std::string>& folders,
                        const SearchCancelled& cancelled = {}, const SearchProgress& progress = {});

// Where a repair run searches: the user's own folders when that option is on, else every fixed
// drive of the target (in letter order) when that option is on, else the system root drive.
std::vector<std::string> MissingFileSearchFolders(const TOrdrex& engine, bool specifyFolders,
                                                  const std::vector<std::string>& userFolders,
                                                  bool allDrives);

}  // namespace ordrex
