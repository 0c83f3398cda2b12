#pragma once
// Reads the target stored in a Windows shell link (.lnk) with liblnk.

#include "platform/shortcut_reader.h"

namespace ordrex {

class LnkShortcutReader : public ShortcutReader {
 public:
  // The stored target, without resolving it: the local path of the link information, else
  // its network path, else the environment-variable form, else the path the link target IDs
  // spell, else the relative path. Empty when the file cannot be loaded or is no shortcut.
  std::string ReadTarget(const std::filesystem::path& hostFile) override;
};

}  // namespace ordrex
