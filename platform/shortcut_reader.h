#pragma once
// Reads the stored target of a Windows shortcut (.lnk) file without resolving it.

#include <filesystem>
#include <string>

namespace ordrex {

class ShortcutReader {
 public:
  virtual ~ShortcutReader() = default;
  // The target path stored in the shortcut, or empty when the file cannot be loaded or is not
  // a shortcut.
  virtual std::string ReadTarget(const std::filesystem::path& hostFile) = 0;
};

}  // namespace ordrex
