#include "platform/wine/wineserver.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace ordrex {

namespace fs = std::filesystem;

namespace {

// Debian's wine keeps the name of its temporary folder ("wine-XXXXXX") in PREFIX/wineserver.
std::string DebianServerRoot(const fs::path& prefix) {
  std::ifstream file(prefix / "wineserver");
  std::string name;
  if (!file || !std::getline(file, name)) return {};
  while (!name.empty() && (name.back() == '\r' || name.back() == ' '))
    name.pop_back();
  // Only a plain folder name is believed; anything else is not what wine writes there.
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) {
    return {};
  }
  return name;
}

void AddOnce(std::vector<fs::path>& list, const fs::path& path) {
  for (const fs::path& existing : list) {
    if (existing == path) return;
  }
  list.push_back(path);
}

}  // namespace

std::vector<fs::path> WineserverFolders(const fs::path& prefix) {
  std::vector<fs::path> folders;
  struct stat info {};
  if (stat(prefix.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return folders;
  char leaf[64];
  std::snprintf(leaf, sizeof leaf, "server-%llx-%llx", static_cast<unsigned long long>(info.st_dev),
                static_cast<unsigned long long>(info.st_ino));

  const std::string debianRoot = DebianServerRoot(prefix);
  if (!debianRoot.empty()) {
    const char* tmpdir = std::getenv("TMPDIR");
    if (tmpdir != nullptr && *tmpdir != '\0')
      AddOnce(folders, fs::path(tmpdir) / debianRoot / leaf);
    AddOnce(folders, fs::path("/tmp") / debianRoot / leaf);
  }
  // Upstream wine uses the folder of the user running it, who must own the prefix.
  for (const unsigned uid : {static_cast<unsigned>(getuid()), static_cast<unsigned>(info.st_uid)}) {
    AddOnce(folders, fs::path("/tmp") / (".wine-" + std::to_string(uid)) / leaf);
  }
  return folders;
}

std::optional<int> FindWineserverPid(const fs::path& prefix) {
  for (const fs::path& folder : WineserverFolders(prefix)) {
    const int fd = open((folder / "lock").c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) continue;
    struct flock query {};
    query.l_type = F_WRLCK;
    query.l_whence = SEEK_SET;
    query.l_start = 0;
    query.l_len = 0;
    const int result = fcntl(fd, F_GETLK, &query);
    close(fd);
    if (result == 0 && query.l_type != F_UNLCK) return static_cast<int>(query.l_pid);
  }
  return std::nullopt;
}

std::string WineRunningMessage(int pid) {
  return "Wine is running in this prefix (wineserver pid " + std::to_string(pid) +
         "). Close its programs or run 'wineserver -k', then try again.";
}

}  // namespace ordrex
