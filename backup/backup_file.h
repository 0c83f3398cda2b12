#pragma once
// Backup files on disk: their dated names and how the lines of a run are saved.

#include <chrono>
#include <filesystem>
#include <string>

#include "engine/categories.h"
#include "platform/registry_types.h"

namespace ordrex {

// "03-07-2024(09-05PM)": month, day, year, hour on the 12-hour clock (12 after midnight and
// after noon), minutes, AM or PM, in local time.
std::string BackupFileStem(std::chrono::system_clock::time_point when);
// The stem plus ".reg".
std::string BackupFileName(std::chrono::system_clock::time_point when);
// The name of the copy'th backup made within the same minute: the first is the stem plus
// ".reg", later ones put " (2)", " (3)" ... before ".reg".
std::string BackupFileName(const std::string& stem, int copy);

// The file's bytes: CR LF after every line. Under the "Windows Registry Editor Version 5.00"
// header the text is UTF-16LE with a byte-order mark, as the registry editor itself saves it
// (only then do editors read hex(2) and hex(7) as UTF-16); "REGEDIT4" files stay 8-bit.
Bytes EncodeBackupFile(const TBackupLines& lines);

// Saves the lines in folder (created with its parents when missing) under the dated name of
// when. An existing file is never replaced: " (2)", " (3)" ... go before ".reg". The file
// appears whole or not at all. Returns the absolute path. Throws std::runtime_error saying why.
std::filesystem::path SaveBackupFile(const TBackupLines& lines, const std::filesystem::path& folder,
                                     std::chrono::system_clock::time_point when);

}  // namespace ordrex
