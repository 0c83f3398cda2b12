#pragma once
// What the scan benchmarks share: writing registry files in Wine's format and the drive of a
// prefix, the memory figures of this process, and one timed open-and-scan with its report.
// Targets of every scan benchmark: the scan takes at most three times as long as opening the
// prefix, and the process grows by at most three times the size of the registry files.

#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>

#include "engine/ordrex.h"
#include "platform/wine/wine_prefix_target.h"

namespace ordrex::bench {

namespace fs = std::filesystem;

inline double Mb(std::uintmax_t bytes) {
  return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

// A class id that differs for every n, for generated registries.
inline std::string Guid(unsigned n) {
  char text[64];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%04X-%012llX}", n * 2654435761u, n & 0xFFFF,
                (n >> 4) & 0xFFFF, (n * 7) & 0xFFFF, static_cast<unsigned long long>(n) * 97);
  return text;
}

// `path` quoted for the shell.
inline std::string Quote(const fs::path& path) {
  std::string quoted = "'";
  for (const char c : path.string())
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// What a shell command prints on its standard output.
inline std::string RunCapture(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[4096];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
    output += buffer;
  pclose(pipe);
  return output;
}

// A memory figure of this process in KiB ("VmRSS" now, "VmHWM" the peak so far), -1 if unknown.
inline long StatusKiB(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
  }
  return -1;
}

// The CPU time this process has used, in ms: on a shared machine a steadier figure than the
// wall-clock time, though it leaves out waiting for the disk.
inline double CpuMs() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Starts the peak (VmHWM) afresh at the present size, so that the memory spent writing the
// prefix does not count as the scan's. Without it the peak includes that.
inline void ResetPeakMemory() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

inline void Touch(const fs::path& file) {
  std::ofstream(file).put('x');
}

// Writes one registry file in Wine's format; key names and strings are given as Windows has
// them and escaped here.
class RegWriter {
 public:
  RegWriter(const fs::path& file, std::string_view relativeTo) : out_(file) {
    out_ << "WINE REGISTRY Version 2\n;; All keys relative to " << Escape(relativeTo)
         << "\n\n#arch=win64\n";
  }
  void Key(std::string_view path) {
    out_ << "\n[" << Escape(path) << "] 1700000000\n#time=1da1747c66d0000\n";
  }
  void Default(std::string_view data) { out_ << "@=\"" << Escape(data) << "\"\n"; }
  void String(std::string_view name, std::string_view data) {
    out_ << "\"" << Escape(name) << "\"=\"" << Escape(data) << "\"\n";
  }
  void Expand(std::string_view name, std::string_view data) {
    out_ << "\"" << Escape(name) << "\"=str(2):\"" << Escape(data) << "\"\n";
  }
  void Dword(std::string_view name, std::uint32_t value) {
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08x", value);
    out_ << "\"" << Escape(name) << "\"=dword:" << hex << "\n";
  }

 private:
  // Wine escapes a backslash and a quote in key names and string data alike.
  static std::string Escape(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (char c : text) {
      if (c == '\\' || c == '"') out += '\\';
      out += c;
    }
    return out;
  }

  std::ofstream out_;
};

// The three registry files of a prefix with the folders every scan reads (Windows and program
// folders, the special folders of the user "bench"). The caller adds its own keys through the
// writers before they are closed.
struct PrefixWriter {
  explicit PrefixWriter(const fs::path& prefix)
      : machine(prefix / "system.reg", "REGISTRY\\Machine"),
        user(prefix / "user.reg", "REGISTRY\\User\\S-1-5-21-0-0-0-1000") {
    RegWriter(prefix / "userdef.reg", "REGISTRY\\User\\.Default");
    machine.Key("Software\\Microsoft\\Windows NT\\CurrentVersion");
    machine.String("CurrentVersion", "6.1");
    machine.String("SystemRoot", "C:\\windows");
    machine.Key("Software\\Microsoft\\Windows\\CurrentVersion");
    machine.String("ProgramFilesDir", "C:\\Program Files");
    machine.Key("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
    machine.String("Common Start Menu", "C:\\ProgramData\\Start Menu");
    machine.Key("System\\CurrentControlSet\\Control\\Session Manager\\Environment");
    machine.Expand("PATH", "%SystemRoot%\\system32;%SystemRoot%");
    user.Key("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
    for (const char* name : kUserFolders) {
      user.String(name, std::string("C:\\users\\bench\\") + name);
    }

    const fs::path c = prefix / "drive_c";
    fs::create_directories(prefix / "dosdevices");
    fs::create_directory_symlink("../drive_c", prefix / "dosdevices" / "c:");
    fs::create_directories(c / "windows" / "system32");
    for (const char* name : kUserFolders) {
      fs::create_directories(c / "users" / "bench" / name);
    }
  }

  static constexpr const char* kUserFolders[] = {"AppData", "Desktop", "Recent", "Start Menu",
                                                 "History"};
  RegWriter machine;
  RegWriter user;
};

inline std::uintmax_t RegistryBytes(const fs::path& prefix) {
  std::uintmax_t total = 0;
  for (const char* name : {"system.reg", "user.reg", "userdef.reg"}) {
    total += fs::file_size(prefix / name);
  }
  return total;
}

// The prefix a benchmark works on: `bench [folder]`. Without a folder, a new one under the
// temporary folder that is removed afterwards. A folder that already holds a prefix (from an
// earlier run of the same benchmark, kept for profiling) is scanned as it is.
class BenchPrefix {
 public:
  BenchPrefix(int argc, char** argv, const char* name,
              const std::function<void(const fs::path&)>& write)
      : own_(argc < 2),
        path_(own_ ? fs::temp_directory_path() /
                         (std::string("ordrex-") + name + "-" + std::to_string(::getpid()))
                   : fs::path(argv[1])) {
    if (!own_ && fs::exists(path_ / "system.reg")) {
      std::printf("scanning the prefix already in %s\n", path_.c_str());
      return;
    }
    fs::create_directories(path_);
    write(path_);
  }
  ~BenchPrefix() {
    if (!own_) return;
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  BenchPrefix(const BenchPrefix&) = delete;
  BenchPrefix& operator=(const BenchPrefix&) = delete;

  const fs::path& Path() const { return path_; }

 private:
  bool own_;
  fs::path path_;
};

// A target opened and scanned once with no pauses, and what that took.
struct ScannedPrefix {
  std::unique_ptr<Target> target;
  std::unique_ptr<TOrdrex> engine;
  double loadMs = 0;
  double scanMs = 0;
  double scanCpuMs = 0;
  long baseKiB = 0;      // the process before the load
  long loadPeakKiB = 0;  // the peak by the end of the load
};

using TargetOpener = std::function<std::unique_ptr<Target>()>;

// Starts the peak memory afresh, then opens and scans. configure chooses the categories.
inline ScannedPrefix OpenAndScan(const TargetOpener& open,
                                 const std::function<void(TOrdrex&)>& configure) {
  ScannedPrefix run;
  ResetPeakMemory();
  run.baseKiB = StatusKiB("VmRSS");
  const auto start = std::chrono::steady_clock::now();
  run.target = open();
  const auto loaded = std::chrono::steady_clock::now();
  run.loadPeakKiB = StatusKiB("VmHWM");
  const double cpuLoaded = CpuMs();
  run.engine = std::make_unique<TOrdrex>(*run.target);
  configure(*run.engine);
  run.engine->Clear();
  run.engine->Stop(false);
  run.engine->Scan();
  run.engine->Stop(true);
  const auto scanned = std::chrono::steady_clock::now();
  run.scanCpuMs = CpuMs() - cpuLoaded;
  run.loadMs = std::chrono::duration<double, std::milli>(loaded - start).count();
  run.scanMs = std::chrono::duration<double, std::milli>(scanned - loaded).count();
  return run;
}

inline ScannedPrefix OpenAndScan(const fs::path& prefix,
                                 const std::function<void(TOrdrex&)>& configure) {
  return OpenAndScan([&prefix] { return OpenWinePrefix(prefix, SystemClock::Instance()); },
                     configure);
}

// Opens the target, scans it once and prints the figures against the targets, for registry
// files of `registryBytes` in all. configure chooses the categories; report prints the problem
// counts. Returns 0 when both targets are met, 1 otherwise.
inline int TimeScan(const TargetOpener& open, std::uintmax_t registryBytes,
                    const std::function<void(TOrdrex&)>& configure,
                    const std::function<void(TOrdrex&)>& report) {
  const ScannedPrefix run = OpenAndScan(open, configure);
  const long peakKiB = StatusKiB("VmHWM");

  const double growthMiB = static_cast<double>(peakKiB - run.baseKiB) / 1024.0;
  const double registryMiB = static_cast<double>(registryBytes) / (1024.0 * 1024.0);
  const double scanRatio = run.scanMs / run.loadMs;
  const double memoryRatio = growthMiB / registryMiB;
  std::printf("registry files   %.2f MiB\n", registryMiB);
  std::printf("load             %.1f ms\n", run.loadMs);
  std::printf("scan             %.1f ms (%.2fx load; target <= 3x)\n", run.scanMs, scanRatio);
  std::printf("memory growth    %.2f MiB (%.2fx registry; target <= 3x), peak RSS %.2f MiB\n",
              growthMiB, memoryRatio, peakKiB / 1024.0);
  std::printf("                 %.2f MiB of it by the end of the load\n",
              static_cast<double>(run.loadPeakKiB - run.baseKiB) / 1024.0);
  TOrdrex& engine = *run.engine;
  if (!engine.EndedEarly.empty()) std::printf("scan ended early: %s\n", engine.EndedEarly.c_str());
  report(engine);
  const bool met = scanRatio <= 3.0 && memoryRatio <= 3.0 && engine.EndedEarly.empty();
  std::printf("%s\n", met ? "targets met" : "TARGETS MISSED");
  return met ? 0 : 1;
}

inline int TimeScan(const fs::path& prefix, const std::function<void(TOrdrex&)>& configure,
                    const std::function<void(TOrdrex&)>& report) {
  return TimeScan([&prefix] { return OpenWinePrefix(prefix, SystemClock::Instance()); },
                  RegistryBytes(prefix), configure, report);
}

}  // namespace ordrex::bench
