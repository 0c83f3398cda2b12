#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

namespace ordrex {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void Fail(const fs::path& target, const std::string& what, int error) {
  throw FileWriteError("Cannot write " + target.string() + ": " + what + " (" +
                       std::strerror(error) + ")");
}

// A closed-on-scope descriptor of the temporary file that also removes the file unless the
// write went through.
class TempFile {
 public:
  TempFile(const fs::path& folder, const fs::path& target) {
    std::random_device seed;
    std::mt19937_64 random(seed());
    // (Built piece by piece: g++ 12 at -O3 warns wrongly about "." + string.)
    std::string stem(1, '.');
    stem += target.filename().string();
    stem += '.';
    for (int attempt = 0; attempt < 100; ++attempt) {
      char suffix[17];
      std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random()));
      path_ = folder / (stem + suffix + ".tmp");
      // 0666 and the process umask, like any new file; an existing target's mode is applied
      // afterwards.
      fd_ = open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd_ >= 0 || errno != EEXIST) break;
    }
    if (fd_ < 0) Fail(target, "cannot create a temporary file in " + folder.string(), errno);
  }
  ~TempFile() {
    if (fd_ >= 0) close(fd_);
    if (!kept_) unlink(path_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  int Fd() const { return fd_; }
  const fs::path& Path() const { return path_; }
  int Close() {
    const int result = close(fd_);
    fd_ = -1;
    return result;
  }
  void Keep() { kept_ = true; }

 private:
  fs::path path_;
  int fd_ = -1;
  bool kept_ = false;
};

void WriteAll(int fd, std::string_view bytes, const fs::path& target) {
  while (!bytes.empty()) {
    const ssize_t done = write(fd, bytes.data(), bytes.size());
    if (done < 0) {
      if (errno == EINTR) continue;
      Fail(target, "writing failed", errno);
    }
    bytes.remove_prefix(static_cast<std::size_t>(done));
  }
}

// The rename must reach the disk too, or a crash could bring the old name back.
void SyncFolder(const fs::path& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

void FileWriter::WriteAtomically(const fs::path& path, std::string_view bytes) {
  // Two pieces, so that a failure "while writing" can be placed between them.
  WriteAtomically(path, [bytes](const std::function<void(std::string_view)>& write) {
    write(bytes.substr(0, bytes.size() / 2));
    write(bytes.substr(bytes.size() / 2));
  });
}

void AtomicFileWriter::WriteAtomically(const fs::path& path, const Producer& produce) {
  fs::path target = path;
  std::error_code ec;
  if (fs::is_symlink(fs::symlink_status(path, ec))) {
    const fs::path resolved = fs::weakly_canonical(path, ec);
    if (ec) Fail(path, "cannot follow the symbolic link", ec.value());
    target = resolved;
  }
  fs::path folder = target.parent_path();
  if (folder.empty()) folder = ".";

  struct stat old {};
  const bool existed = stat(target.c_str(), &old) == 0;
  if (existed && !S_ISREG(old.st_mode)) Fail(target, "it is not a regular file", EINVAL);

  TempFile temp(folder, target);
  Reached(Stage::kTempCreated, target);
  if (existed) {
    if (fchmod(temp.Fd(), old.st_mode & 07777) != 0) Fail(target, "cannot set the mode", errno);
    // Keeping the owner only works for root; for anyone else the file is theirs already.
    if (fchown(temp.Fd(), old.st_uid, old.st_gid) != 0 && geteuid() == 0) {
      Fail(target, "cannot keep the owner", errno);
    }
  }
  bool first = true;
  produce([&](std::string_view piece) {
    WriteAll(temp.Fd(), piece, target);
    if (first) Reached(Stage::kHalfWritten, target);
    first = false;
  });
  if (fsync(temp.Fd()) != 0) Fail(target, "flushing to disk failed", errno);
  if (temp.Close() != 0) Fail(target, "closing failed", errno);
  Reached(Stage::kFlushed, target);
  if (rename(temp.Path().c_str(), target.c_str()) != 0) Fail(target, "renaming failed", errno);
  temp.Keep();
  SyncFolder(folder);
}

void FaultInjectingFileWriter::FailAfter(int successfulWrites, Fault fault) {
  successesLeft_ = successfulWrites;
  fault_ = fault;
}

void FaultInjectingFileWriter::WriteAtomically(const fs::path& path, const Producer& produce) {
  ++attempts_;
  AtomicFileWriter::WriteAtomically(path, produce);
  written_.push_back(path);
  if (successesLeft_ > 0) --successesLeft_;
}

void FaultInjectingFileWriter::Reached(Stage stage, const fs::path& target) {
  if (fault_ == Fault::kNone || successesLeft_ != 0) return;
  if ((fault_ == Fault::kWhileWriting && stage == Stage::kHalfWritten) ||
      (fault_ == Fault::kBeforeRename && stage == Stage::kFlushed)) {
    throw FileWriteError("Cannot write " + target.string() + ": injected failure");
  }
}

}  // namespace ordrex
