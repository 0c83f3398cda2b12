#include "system/file_copier.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace ordrex {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void Fail(const std::string& what, int error) {
  throw FileWriteError(what + " (" + std::strerror(error) + ")");
}

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const { return fd_; }
  int Release() {
    const int result = close(fd_);
    fd_ = -1;
    return result;
  }

 private:
  int fd_;
};

}  // namespace

bool FileCopier::TryReflink(int source, const fs::path& from, const fs::path& to) {
  const fs::path temp = to.parent_path() / ("." + to.filename().string() + ".clone.tmp");
  struct stat info {};
  if (fstat(source, &info) != 0) Fail("Cannot read " + from.string(), errno);
  Descriptor target(
      open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, info.st_mode & 0777));
  if (target.Get() < 0) Fail("Cannot write " + to.string(), errno);
  if (ioctl(target.Get(), FICLONE, source) != 0) {
    const int error = errno;
    target.Release();
    unlink(temp.c_str());
    // The file system (or this pair of files) cannot share blocks: copy the bytes instead.
    if (error == EOPNOTSUPP || error == ENOTTY || error == EXDEV || error == EINVAL ||
        error == ENOSYS || error == EPERM) {
      return false;
    }
    Fail("Cannot write " + to.string(), error);
  }
  if (fsync(target.Get()) != 0 || target.Release() != 0 || rename(temp.c_str(), to.c_str()) != 0) {
    const int error = errno;
    unlink(temp.c_str());
    Fail("Cannot write " + to.string(), error);
  }
  return true;
}

void FileCopier::Copy(const fs::path& from, const fs::path& to) {
  Descriptor source(open(from.c_str(), O_RDONLY | O_CLOEXEC));
  if (source.Get() < 0) Fail("Cannot read " + from.string(), errno);
  if (reflink_ && TryReflink(source.Get(), from, to)) return;
  writer_.WriteAtomically(to, [&](const std::function<void(std::string_view)>& write) {
    char buffer[1 << 16];
    for (;;) {
      const ssize_t got = read(source.Get(), buffer, sizeof buffer);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) Fail("Cannot read " + from.string(), errno);
      if (got == 0) break;
      write(std::string_view(buffer, static_cast<std::size_t>(got)));
    }
  });
}

}  // namespace ordrex
