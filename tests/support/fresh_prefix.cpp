#include "support/fresh_prefix.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <mutex>
#include <stdexcept>
#include <system_error>

namespace ordrex::testsupport {

namespace fs = std::filesystem;

namespace {

// The prefix lives beside the test binary, so every test process of one build tree finds it
// and a clean build starts afresh.
fs::path FixtureFolder() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) throw std::runtime_error("cannot locate the test binary: " + ec.message());
  return exe.parent_path();
}

bool Usable(const fs::path& prefix) {
  for (const char* name : {"system.reg", "user.reg", "userdef.reg"}) {
    std::error_code ec;
    if (!fs::is_regular_file(prefix / name, ec) || fs::file_size(prefix / name, ec) == 0) {
      return false;
    }
  }
  return true;
}

// Serialises the making of the prefix between test processes: the others wait on the lock
// and then find the finished prefix.
class FileLock {
 public:
  explicit FileLock(const fs::path& path) {
    fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) throw std::runtime_error("cannot open " + path.string());
    while (flock(fd_, LOCK_EX) != 0) {
      if (errno != EINTR) throw std::runtime_error("cannot lock " + path.string());
    }
  }
  ~FileLock() { close(fd_); }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  int fd_ = -1;
};

fs::path MakeFreshPrefix() {
  const fs::path folder = FixtureFolder();
  const fs::path prefix = folder / "fresh-prefix";
  const fs::path ready = folder / "fresh-prefix.ready";
  if (fs::exists(ready) && Usable(prefix)) return prefix;

  FileLock lock(folder / "fresh-prefix.lock");
  if (fs::exists(ready) && Usable(prefix)) return prefix;

  // A half-made prefix from an interrupted run is thrown away.
  StopWineserver(prefix);
  fs::remove(ready);
  fs::remove_all(prefix);
  fs::create_directories(prefix);
  const ProcessResult boot = RunProcess({"wineboot", "-i"}, WineEnvironment(prefix));
  StopWineserver(prefix);
  if (boot.exitCode != 0 || !Usable(prefix)) {
    throw std::runtime_error("wineboot could not make a prefix in " + prefix.string() + " (exit " +
                             std::to_string(boot.exitCode) + "): " + boot.output);
  }
  std::ofstream(ready) << "made by wineboot -i\n";
  return prefix;
}

}  // namespace

EnvironmentChanges WineEnvironment(const fs::path& prefix) {
  return {{"WINEPREFIX", prefix.string()},
          {"WINEDEBUG", "-all"},
          {"DISPLAY", ""},
          {"WAYLAND_DISPLAY", ""}};
}

void StopWineserver(const fs::path& prefix) {
  std::error_code ec;
  if (!fs::is_directory(prefix, ec)) return;
  RunProcess({"wineserver", "-k"}, WineEnvironment(prefix));
  RunProcess({"wineserver", "-w"}, WineEnvironment(prefix));
}

std::optional<fs::path> FreshWinePrefix() {
  if (!ProgramOnPath("wineboot") || !ProgramOnPath("wineserver") || !ProgramOnPath("wine")) {
    return std::nullopt;
  }
  static std::once_flag once;
  static fs::path prefix;
  std::call_once(once, [] { prefix = MakeFreshPrefix(); });
  return prefix;
}

namespace {

bool IsSystemFileFolder(const fs::path& relative) {
  const fs::path parent = relative.parent_path();
  return parent == fs::path("drive_c/windows/system32") ||
         parent == fs::path("drive_c/windows/syswow64");
}

void CopyTree(const fs::path& from, const fs::path& to, const fs::path& relative,
              PrefixCopyScope scope) {
  fs::create_directory(to / relative, from / relative);
  for (const fs::directory_entry& entry : fs::directory_iterator(from / relative)) {
    const fs::path child = relative / entry.path().filename();
    const fs::file_status status = entry.symlink_status();
    if (fs::is_symlink(status)) {
      fs::copy_symlink(entry.path(), to / child);
    } else if (fs::is_directory(status)) {
      CopyTree(from, to, child, scope);
    } else if (fs::is_regular_file(status)) {
      if (scope == PrefixCopyScope::kWithoutSystemFiles && IsSystemFileFolder(child)) continue;
      fs::copy_file(entry.path(), to / child);
    }
  }
}

}  // namespace

void CopyPrefix(const fs::path& from, const fs::path& to, PrefixCopyScope scope) {
  CopyTree(from, to, fs::path(), scope);
}

ScratchFolder::ScratchFolder() {
  std::string name = (fs::temp_directory_path() / "ordrex-test-XXXXXX").string();
  if (mkdtemp(name.data()) == nullptr) throw std::runtime_error("cannot make a temporary folder");
  path_ = name;
}

ScratchFolder::~ScratchFolder() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

PrefixCopy::PrefixCopy(const fs::path& from, PrefixCopyScope scope)
    : path_(scratch_.Path() / "prefix") {
  CopyPrefix(from, path_, scope);
}

PrefixCopy::~PrefixCopy() {
  StopWineserver(path_);
}

std::string ReadAll(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::filesystem::path& file, const std::string& bytes) {
  std::filesystem::create_directories(file.parent_path());
  if (!(std::ofstream(file, std::ios::binary) << bytes)) {
    throw std::runtime_error("cannot write " + file.string());
  }
}

}  // namespace ordrex::testsupport
