#pragma once
// Reads a file-system path out of a shell item ID list (the "link target IDs" of a shortcut):
// a volume item such as "C:\" followed by one item per folder and file. Only what a path is
// made of is understood; a list naming anything else (a control panel item, a network
// place) gives an empty path. Every read is bounds-checked against the data given.

#include <cstdint>
#include <span>
#include <string>

namespace ordrex {

std::string PathFromShellItemList(std::span<const std::uint8_t> idList);

}  // namespace ordrex
