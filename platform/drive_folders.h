#pragma once
// Folders of this machine seen through a target's drive table: which Windows folder a host
// folder is on the target, and where a drive of the target lies here. Folder choosers show the
// host's folders and store what the target's programs would see.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace ordrex {

// The Windows folder ("C:\Program Files\", always ending in "\") that `hostFolder` is on the
// target: through the drive whose folder holds it most closely, links resolved on both sides.
// Nothing when no drive holds it, or when a name on the way cannot be written in a Windows path.
std::optional<std::string> WindowsFolderOnDrives(const std::vector<DriveInfo>& drives,
                                                 const std::filesystem::path& hostFolder);

// Where the drive with `letter` (either case) lies on this machine; empty when there is none.
std::filesystem::path DriveHostFolder(const std::vector<DriveInfo>& drives, char letter);

}  // namespace ordrex
