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
  return fs::read_symlink("/proc/self/exe").parent_path();
}

bool Usable(const fs::path& prefix) {
  std::error_code ec;
  for (const char* name : {"system.reg", "user.reg", "userdef.reg"})
    if (!fs::is_regular_file(prefix / name, ec) || fs::file_size(prefix / name, ec) == 0)
      return false;
  return true;
}

// Serialises the making of the prefix between test processes: the others wait on the lock
// and then find the finished prefix.
struct FileLock {
  explicit FileLock(const fs::path& path)
      : fd(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644)) {
    if (fd < 0) throw std::runtime_error("cannot open " + path.string());
    while (flock(fd, LOCK_EX) != 0)
      if (errno != EINTR) throw std::runtime_error("cannot lock " + path.string());
  }
  ~FileLock() { close(fd); }
  const int fd;
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
  for (const char* program : {"wineboot", "wineserver", "wine"})
    if (!ProgramOnPath(program)) return std::nullopt;
  static std::once_flag once;
  static fs::path prefix;
  std::call_once(once, [] { prefix = MakeFreshPrefix(); });
  return prefix;
}

void CopyPrefix(const fs::path& from, const fs::path& to, PrefixCopyScope scope) {
  fs::create_directory(to, from);
  // Links are not followed: a prefix links to the whole host (dosdevices/z:).
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(from)) {
    const fs::path relative = entry.path().lexically_relative(from);
    const fs::file_status status = entry.symlink_status();
    const fs::path folder = relative.parent_path();
    const bool systemFile =
        folder == "drive_c/windows/system32" || folder == "drive_c/windows/syswow64";
    if (fs::is_symlink(status)) {
      fs::copy_symlink(entry.path(), to / relative);
    } else if (fs::is_directory(status)) {
      fs::create_directory(to / relative, entry.path());
    } else if (fs::is_regular_file(status) &&
               !(systemFile && scope == PrefixCopyScope::kWithoutSystemFiles)) {
      fs::copy_file(entry.path(), to / relative);
    }
  }
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
  if (!(std::ofstream(file, std::ios::binary) << bytes))
    throw std::runtime_error("cannot write " + file.string());
}

}  // namespace ordrex::testsupport
