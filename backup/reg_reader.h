#pragma once
// Reads files in the registry editor's import format ("REGEDIT4" and "Windows Registry Editor
// Version 5.00"; 8-bit or UTF-16LE with a byte-order mark; CR LF or LF) into a list of
// operations. The reader is strict: anything it cannot read exactly is an error naming the
// line and what was expected, so that a damaged backup is never half applied.

#include <string>
#include <string_view>
#include <vector>

#include "backup/reg_format.h"
#include "platform/registry_types.h"

namespace ordrex {

// A malformed file. what() reads "Line N: <reason>".
class RegFileError : public RegistryError {
 public:
  RegFileError(int line, const std::string& reason);
  int Line() const { return line_; }
  const std::string& Reason() const { return reason_; }

 private:
  int line_;
  std::string reason_;
};

struct RegOperation {
  enum class Kind {
    SelectKey,    // [KEY]: create the key if needed; the following values belong to it
    DeleteKey,    // [-KEY]: delete the key and everything below it
    SetValue,     // "name"=data
    DeleteValue,  // "name"=-
  };
  Kind kind = Kind::SelectKey;
  int line = 0;         // where the operation starts in the file
  RootHandle root = 0;  // of the key line (value operations repeat their key's root/path)
  std::string path;     // below the root, components joined by single backslashes
  std::string name;     // value name; empty for the default value
  RegValue value;       // SetValue only
};

struct RegDocument {
  RegFileKind kind = RegFileKind::Version5;
  std::vector<RegOperation> operations;
};

// Parses a whole file. Throws RegFileError.
RegDocument ParseRegFile(std::string_view bytes);

}  // namespace ordrex
