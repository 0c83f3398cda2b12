#include "platform/wine/wineserver.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "support/fresh_prefix.h"

namespace ordrex {
namespace {

namespace fs = std::filesystem;
using testsupport::ScratchFolder;

std::string ServerLeaf(const fs::path& prefix) {
  struct stat info {};
  EXPECT_EQ(stat(prefix.c_str(), &info), 0);
  char leaf[64];
  std::snprintf(leaf, sizeof leaf, "server-%llx-%llx", static_cast<unsigned long long>(info.st_dev),
                static_cast<unsigned long long>(info.st_ino));
  return leaf;
}

// Sets TMPDIR for one test and puts the old value back.
struct TmpdirOverride {
  explicit TmpdirOverride(const fs::path& dir) { setenv("TMPDIR", dir.c_str(), 1); }
  ~TmpdirOverride() { old ? setenv("TMPDIR", old->c_str(), 1) : unsetenv("TMPDIR"); }
  const std::optional<std::string> old =
      std::getenv("TMPDIR") ? std::optional<std::string>(std::getenv("TMPDIR")) : std::nullopt;
};

// A child process that holds a POSIX write lock on `lock` the way a wineserver does, until it
// is killed.
struct LockHolder {
  explicit LockHolder(const fs::path& lock) {
    int ready[2];
    if (pipe(ready) != 0) throw std::runtime_error("pipe");
    if ((pid = fork()) == 0) {
      const int fd = open(lock.c_str(), O_RDWR | O_CREAT, 0600);
      struct flock hold {};  // the whole file, from its start
      hold.l_type = F_WRLCK;
      if (fd < 0 || fcntl(fd, F_SETLK, &hold) != 0 || write(ready[1], "1", 1) != 1) _exit(1);
      for (;;)
        pause();
    }
    close(ready[1]);
    char byte = 0;
    const bool locked = read(ready[0], &byte, 1) == 1;  // else the child has exited
    close(ready[0]);
    if (!locked) {
      waitpid(pid, nullptr, 0);
      throw std::runtime_error("the child could not take the lock");
    }
  }
  ~LockHolder() {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  pid_t pid = -1;
};

// A running wineserver holds a lock in its server folder, named after the prefix folder;
// what a crashed one leaves proves nothing. Debian's builds keep the folder below $TMPDIR (in
// a folder named in the prefix's "wineserver" file), upstream Wine below /tmp.
TEST(Wineserver, IsFoundByTheLockInEitherFolder) {
  ScratchFolder scratch;
  const fs::path prefix = scratch.Path() / "prefix";
  EXPECT_TRUE(WineserverFolders(prefix).empty());
  fs::create_directory(prefix);
  const std::string leaf = ServerLeaf(prefix);
  const fs::path root = fs::path("/tmp") / (".wine-" + std::to_string(getuid()));
  const fs::path upstream = root / leaf;
  EXPECT_EQ(WineserverFolders(prefix), std::vector<fs::path>{upstream});

  TmpdirOverride tmpdir(scratch.Path());
  std::ofstream(prefix / "wineserver") << "../../etc\n";  // only a plain folder name is believed
  EXPECT_EQ(WineserverFolders(prefix), std::vector<fs::path>{upstream});
  std::ofstream(prefix / "wineserver") << "wine-AbC123\n";
  const fs::path debian = scratch.Path() / "wine-AbC123" / leaf;
  EXPECT_EQ(WineserverFolders(prefix),
            (std::vector<fs::path>{debian, fs::path("/tmp/wine-AbC123") / leaf, upstream}));

  fs::create_directories(debian);
  std::ofstream(debian / "socket");
  std::ofstream(debian / "lock");
  EXPECT_EQ(FindWineserverPid(prefix), std::nullopt);
  {
    LockHolder holder(debian / "lock");
    EXPECT_EQ(FindWineserverPid(prefix), holder.pid);
    EXPECT_EQ(WineRunningMessage(holder.pid),
              "Wine is running in this prefix (wineserver pid " + std::to_string(holder.pid) +
                  "). Close its programs or run 'wineserver -k', then try again.");
  }
  EXPECT_EQ(FindWineserverPid(prefix), std::nullopt);

  const bool madeRoot = !fs::exists(root);
  if (madeRoot) fs::create_directory(root);
  fs::permissions(root, fs::perms::owner_all);
  fs::create_directory(upstream);
  {
    LockHolder holder(upstream / "lock");
    EXPECT_EQ(FindWineserverPid(prefix), holder.pid);
  }
  EXPECT_EQ(FindWineserverPid(prefix), std::nullopt);
  fs::remove_all(upstream);
  if (madeRoot) fs::remove(root);
}

}  // namespace
}  // namespace ordrex
