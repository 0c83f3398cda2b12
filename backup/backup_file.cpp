#include "backup/backup_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <stdexcept>

#include "backup/reg_format.h"
#include "platform/text.h"

namespace ordrex {

namespace {

std::runtime_error FileError(const std::string& what, const std::filesystem::path& path,
                             int error) {
  return std::runtime_error(what + " " + path.string() + ": " + std::strerror(error));
}

// Writes a new file in full, then moves it to the first free name, so that neither a failure
// halfway nor a race with another save leaves a partial file or replaces one.
class ExclusiveWriter {
 public:
  explicit ExclusiveWriter(const std::filesystem::path& folder) : folder_(folder) {}
  ~ExclusiveWriter() {
    if (!temp_.empty()) ::unlink(temp_.c_str());
  }

  void Write(const Bytes& bytes) {
    std::string pattern = (folder_ / ".backup-XXXXXX").string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) throw FileError("Cannot create a file in", folder_, errno);
    temp_ = pattern;
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        const int error = n < 0 ? errno : EIO;
        ::close(fd);
        throw FileError("Cannot write", temp_, error);
      }
      done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) throw FileError("Cannot write", temp_, errno);
  }

  // Claims the name with an exclusive create, then renames the full file over the claim.
  // false when the name is taken.
  bool MoveTo(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
      if (errno == EEXIST) return false;
      throw FileError("Cannot save", path, errno);
    }
    ::close(fd);
    if (::rename(temp_.c_str(), path.c_str()) != 0) {
      const int error = errno;
      ::unlink(path.c_str());
      throw FileError("Cannot save", path, error);
    }
    temp_.clear();
    return true;
  }

 private:
  std::filesystem::path folder_;
  std::filesystem::path temp_;
};

}  // namespace

std::string BackupFileStem(std::chrono::system_clock::time_point when) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
  std::tm local{};
  localtime_r(&seconds, &local);
  int hour = local.tm_hour % 12;
  if (hour == 0) hour = 12;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%02d-%02d-%04d(%02d-%02d%s)", local.tm_mon + 1,
                local.tm_mday, local.tm_year + 1900, hour, local.tm_min,
                local.tm_hour < 12 ? "AM" : "PM");
  return buffer;
}

std::string BackupFileName(std::chrono::system_clock::time_point when) {
  return BackupFileName(BackupFileStem(when), 1);
}

std::string BackupFileName(const std::string& stem, int copy) {
  return copy == 1 ? stem + ".reg" : stem + " (" + std::to_string(copy) + ").reg";
}

Bytes EncodeBackupFile(const TBackupLines& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  if (lines.empty() || lines.front() != kVersion5Header) return Bytes(text.begin(), text.end());
  Bytes bytes{0xFF, 0xFE};
  const Bytes units = Utf8ToUtf16LeBytes(text);
  bytes.insert(bytes.end(), units.begin(), units.end());
  return bytes;
}

std::filesystem::path SaveBackupFile(const TBackupLines& lines, const std::filesystem::path& folder,
                                     std::chrono::system_clock::time_point when) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(folder, error);
  if (error) throw std::runtime_error("Cannot use the backup folder " + folder.string());
  std::filesystem::create_directories(absolute, error);
  if (error) {
    throw std::runtime_error("Cannot create the backup folder " + absolute.string() + ": " +
                             error.message());
  }
  ExclusiveWriter writer(absolute);
  writer.Write(EncodeBackupFile(lines));
  const std::string stem = BackupFileStem(when);
  for (int copy = 1;; ++copy) {
    const std::filesystem::path path = absolute / BackupFileName(stem, copy);
    if (writer.MoveTo(path)) return path;
  }
}

}  // namespace ordrex
