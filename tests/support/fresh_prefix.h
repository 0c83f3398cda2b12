#pragma once
// A real Wine prefix for tests, made by wineboot once per build tree and shared by every test
// process (ctest runs each test in its own process, several at once). Tests read it in place
// and change only copies of it (PrefixCopy).

#include <filesystem>
#include <optional>
#include <string>

#include "support/process.h"

namespace ordrex::testsupport {

inline constexpr const char* kWineMissing = "wine is not installed (wineboot, wineserver)";

// A prefix made by `wineboot -i` with no wineserver left running for it; nullopt when wine is
// not installed. Throws std::runtime_error when wine is installed but cannot make the prefix.
// The prefix must not be changed: it is shared by every test of the run.
std::optional<std::filesystem::path> FreshWinePrefix();

// The environment for running Wine's programs on `prefix` quietly and without a display.
EnvironmentChanges WineEnvironment(const std::filesystem::path& prefix);

// Stops any wineserver serving `prefix` and waits until it has written its files.
void StopWineserver(const std::filesystem::path& prefix);

enum class PrefixCopyScope {
  kWhole,               // everything: Wine can run on the copy
  kWithoutSystemFiles,  // no files in windows/system32 and syswow64 (630 MB): Wine cannot run
};

// Copies a prefix folder; symbolic links are copied as links, modes are kept.
void CopyPrefix(const std::filesystem::path& from, const std::filesystem::path& to,
                PrefixCopyScope scope = PrefixCopyScope::kWhole);

// A new empty folder under the system's temporary folder, removed with its contents at the end.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// A file's bytes ("" when it cannot be read).
std::string ReadAll(const std::filesystem::path& file);
// Writes the bytes as the whole file, creating its folders first; throws when it cannot.
void WriteAll(const std::filesystem::path& file, const std::string& bytes);

// A private copy of a prefix (as `<scratch>/prefix`) for a test that changes it. Any wineserver
// the test started on it is stopped before the copy is removed.
class PrefixCopy {
 public:
  explicit PrefixCopy(const std::filesystem::path& from,
                      PrefixCopyScope scope = PrefixCopyScope::kWhole);
  ~PrefixCopy();
  const std::filesystem::path& Path() const { return path_; }

 private:
  ScratchFolder scratch_;
  std::filesystem::path path_;
};

}  // namespace ordrex::testsupport
