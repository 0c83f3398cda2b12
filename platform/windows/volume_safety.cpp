#include "platform/windows/volume_safety.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <array>
#include <fstream>

#include "platform/windows/volume_layout.h"

namespace ordrex {

namespace fs = std::filesystem;

std::string HibernationBlocker(const fs::path& volume) {
  const auto file = FindOnVolume(volume, {"hiberfil.sys"});
  if (!file) return {};
  std::ifstream in(*file, std::ios::binary);
  std::array<char, 4> magic{};
  if (!in.read(magic.data(), magic.size())) return {};
  const std::string_view signature(magic.data(), magic.size());
  if (signature != "HIBR" && signature != "hibr") return {};
  return "Windows on " + volume.string() +
         " was hibernated or shut down with fast start-up (hiberfil.sys is in use), and would "
         "overwrite any change when it resumes. Boot Windows and shut it down fully (hold Shift "
         "while choosing Shut down, or turn fast start-up off), then try again.";
}

std::string ReadOnlyBlocker(const fs::path& volume, const std::vector<fs::path>& folders) {
  for (const fs::path& folder : folders) {
    struct statvfs info {};
    const bool readOnlyMount = ::statvfs(folder.c_str(), &info) == 0 && (info.f_flag & ST_RDONLY);
    if (readOnlyMount || ::access(folder.c_str(), W_OK) != 0) {
      return "The Windows volume " + volume.string() + " cannot be written (" + folder.string() +
             (readOnlyMount ? " is on a read-only mount" : " is not writable") +
             "). Mount it read-write to repair it (ntfs-3g mounts a volume read-only while "
             "Windows is hibernated or was not shut down fully).";
    }
  }
  return {};
}

}  // namespace ordrex
