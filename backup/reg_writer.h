#pragma once
// Writes registry keys and values as lines of the registry editor's import format. The lines
// of one repair run are collected in memory and saved as one backup file (backup_file.h).
//
// Every value comes back as itself when the file is applied again: its own type number and
// its exact data bytes. Strings that the quoted form cannot carry exactly (line breaks, data
// after the terminator, a missing terminator) are written as hex(1):. Under the 5.00 header
// hex(1), hex(2) and hex(7) hold the registry's UTF-16LE bytes, under REGEDIT4 one 8-bit byte
// per character (UTF-8), which cannot carry an odd trailing byte. The first of the lines (the
// header) decides which form is written.

#include <string>
#include <string_view>

#include "engine/categories.h"
#include "engine/registry.h"

namespace ordrex {

// "Windows Registry Editor Version 5.00" from Windows 2000 on, else "REGEDIT4".
std::string BackupHeader(bool win2000OrLater);

// A value name between the quotes: backslashes doubled, double quotes escaped; a line break
// or NUL (which would break the line) as \r, \n, \0.
std::string EscapeRegName(std::string_view name);
// A string between the quotes: backslashes doubled, double quotes escaped.
std::string EscapeRegString(std::string_view text);

// Appends "<head><bytes>" as comma-separated upper-case hex, wrapped once a line passes 75
// characters (a backslash ends the line, the next starts with two spaces). unitSize 2 keeps
// the two bytes of a UTF-16 character on one line.
void AppendByteList(std::string head, const Bytes& bytes, std::size_t unitSize,
                    TBackupLines& lines);

// The value line(s) for one value of the key open in reg. Nothing for a value that does not
// exist (the default value included) or cannot be read.
void ExportRegistryValue(TRegistry& reg, std::string_view name, TBackupLines& lines);
// An empty line, the key line, its values, then every subkey's tree. path has no leading
// backslash; it is taken from reg's root. Refuses (returns false, writes nothing) a tree that
// reaches deeper than kMaxKeyDepth below the root: no reader would take such a file back.
bool ExportKeyTree(TRegistry& reg, std::string_view path, TBackupLines& lines);
// The tree of the key at path under root. Refuses (returns false, writes nothing) a path that
// names the root itself ("" or "\") and a tree that ExportKeyTree refuses.
bool ExportRegistryKey(RegistryRoots& roots, RootHandle root, std::string_view path,
                       TBackupLines& lines);

}  // namespace ordrex
