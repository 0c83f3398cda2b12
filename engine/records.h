#pragma once
// One problem found by a scan, and the list of file names a scan found missing together with
// the places a later search found files of those names.

#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/registry_types.h"

namespace ordrex {

class TFixingList {
 public:
  TFixingList(RootHandle rootKey, std::string key, std::string value, std::string data,
              std::string reason, bool selected, bool missingFile)
      : RootKey(rootKey),
        Key(std::move(key)),
        Value(std::move(value)),
        Data(std::move(data)),
        MissingFile(missingFile),
        Selected(selected),
        Reason(std::move(reason)) {}

  RootHandle RootKey;
  std::string Key;    // key path with its leading backslash; a shortcut's full file path
  std::string Value;  // value name; empty for the default value or a whole-key problem
  std::string Data;   // what was read (a path, a command), or the problem's subject
  bool MissingFile;
  int SolutionIndex = 0;
  bool Selected;
  std::string Reason;
  // The found locations of the missing file; borrowed from the engine's missing-file list.
  const std::vector<std::string>* Solutions = nullptr;
  // The path that was tested and found missing, where it is only a part of Data (the program
  // of an uninstall command, one entry of a ";" list). Linking and correcting act on it.
  std::string MissingPath;

  int SolutionCount() const {
    return Solutions == nullptr ? 0 : static_cast<int>(Solutions->size());
  }
  // The chosen found location, or nullptr.
  const std::string* Solution() const;
  // The text a correction replaces: MissingPath when set, else Data.
  const std::string& TestedPath() const { return MissingPath.empty() ? Data : MissingPath; }
};

struct TErrorFile {
  std::string FileName;                // upper case, bare name
  std::vector<std::string> Locations;  // full paths where a file of that name was found
};

class TErrorFiles {
 public:
  // -1 when the name is already listed; otherwise the new entry's index.
  int Add(std::string_view name);
  int IndexOf(std::string_view name) const;
  int Count() const { return static_cast<int>(items_.size()); }
  TErrorFile& Items(int index) { return items_.at(static_cast<std::size_t>(index)); }
  const TErrorFile& Items(int index) const { return items_.at(static_cast<std::size_t>(index)); }
  void Clear();

 private:
  // A deque keeps every entry (and so every borrowed Locations list) at its address.
  std::deque<TErrorFile> items_;
  std::unordered_map<std::string, std::size_t> index_;  // folded name -> position
};

// The bare file name of a path: the text after the last backslash or colon.
std::string BareFileName(std::string_view path);

}  // namespace ordrex
