#pragma once
// The Wine prefixes of this machine that a user may want to clean, found where Wine, Proton
// (Steam), Lutris and Bottles keep them, for the window's target list. Only folders that open
// as prefixes are listed, each once however many ways lead to it.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/session/target_choice.h"

namespace ordrex {

struct FoundPrefix {
  std::filesystem::path folder;  // absolute, as found (not resolved)
  std::string label;             // "~/.wine (Wine)": the folder with the home as ~, its kind
};

// In this order: $WINEPREFIX, ~/.wine, ~/.local/share/wineprefixes/*, the Proton prefixes of
// the Steam folders and their extra libraries, ~/Games/* and ~/Games/*/prefix (Lutris), the
// bottles of Bottles (native and Flatpak). Folders that cannot be read are passed over.
std::vector<FoundPrefix> DiscoverPrefixes(const EnvironmentLookup& env);

// The library folders a Steam libraryfolders.vdf lists (its "path" entries, or the numbered
// entries of the older layout), absolute paths only. Text that is not such a file, or is too
// large or too deeply nested to be one, gives none.
std::vector<std::filesystem::path> SteamLibraryFolders(std::string_view vdf);

// The folder as the target list shows it: under the home folder as "~/...".
std::string ShortFolderName(const std::filesystem::path& folder, const EnvironmentLookup& env);

// The rows of the target list: the found prefixes, with the `current` target first when it is
// not one of them, and which row is the current target.
struct TargetChoices {
  std::vector<FoundPrefix> entries;
  std::size_t current = 0;
};
TargetChoices ChoicesAround(const std::filesystem::path& current, std::vector<FoundPrefix> found,
                            const EnvironmentLookup& env);

}  // namespace ordrex
