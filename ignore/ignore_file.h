#pragma once
// The ignore list's file: plain text, CR LF line ends, two lines per entry (the text, then the
// flags as a decimal number: Key 1 + Value 2 + Data 4 + CaseSensitive 8). An odd last line is
// ignored; a flags line that is not a number counts as -1, all four flags.

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "ignore/ignore_list.h"
#include "platform/atomic_file.h"

namespace ordrex {

// A fault at a line of the file, or of the whole file (line 0). what() reads "line N: <reason>"
// (no line for faults of the whole file).
class IgnoreFileError : public std::runtime_error {
 public:
  IgnoreFileError(int line, const std::string& reason);
  int Line() const { return line_; }
  const std::string& Reason() const { return reason_; }

 private:
  int line_;
  std::string reason_;
};

struct IgnoreFileContents {
  std::vector<TIgnoreRec> entries;  // Index numbered from 0
  // Entries left out because one of their lines holds what no entry can (IgnoreTextFault),
  // each with that line; the other entries do not suffer for them.
  std::vector<IgnoreFileError> skipped;
};

// The entries of a file's bytes. Accepts CR LF, LF or CR line ends, a UTF-8 byte-order mark,
// UTF-16LE with its byte-order mark, and 8-bit Windows-1252 text (as older versions wrote
// it). Throws IgnoreFileError for a file that is not a text file at all (a NUL character, a
// broken UTF-16 text).
IgnoreFileContents ParseIgnoreFile(std::string_view bytes);
// The flags line's number; -1 when it is not a decimal 32-bit integer.
int ParseIgnoreFlags(std::string_view line);
// The file's bytes for the live entries (UTF-8). A byte-order mark starts the file only when the
// first Name starts with U+FEFF: a reader drops one mark, and then finds the Name whole.
std::string FormatIgnoreFile(const TIgnoreList& list);

struct IgnoreLoadResult {
  // Where the entries came from; empty when no file was read.
  std::filesystem::path source;
  // Messages for the user (a damaged file, entries left out, a failed copy to the per-user
  // place).
  std::vector<std::string> warnings;
  // The file exists but could not be read: it must not be replaced by a save.
  bool keepFile = false;
};

// Reads `file` into the list. When it does not exist but `legacyFile` (an "ignore.lst" in
// the current folder, where older versions kept it) does, that one is read once and saved as
// `file` at once. An entry that no entry can be is left out with a warning naming its line. A
// `file` that is not a text file is renamed with ".broken" and the list starts empty; such a
// legacy file is left where it is. Never throws.
IgnoreLoadResult LoadIgnoreList(TIgnoreList& list, const std::filesystem::path& file,
                                const std::filesystem::path& legacyFile, FileWriter& writer);

// Writes the live entries to `file` atomically, creating its folder. Writes nothing when the
// record list is empty (nothing was ever loaded or added), so a file is never emptied by a
// run that did not know it; when entries existed and all were deleted, writes an empty file.
// Returns whether it wrote. Throws FileWriteError (or std::runtime_error) saying why.
bool SaveIgnoreList(const TIgnoreList& list, const std::filesystem::path& file, FileWriter& writer);

}  // namespace ordrex
