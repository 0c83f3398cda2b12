// How the software, shortcut and system-file walks scale: a Wine prefix with 20,000 uninstall
// entries, 2,000 services, 5,000 fonts and a drive of 100,000 files is opened and scanned once.
// Targets: the scan takes at most three times as long as opening the prefix, and the process
// grows by at most three times the size of the registry files.
//
//   rules_bench [folder]   (default: a new folder under the temporary folder, removed after)

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <system_error>

#include <unistd.h>

#include "engine/ordrex.h"
#include "platform/wine/wine_prefix_target.h"

namespace fs = std::filesystem;
using namespace ordrex;

namespace {

constexpr int kUninstallEntries = 20000;
constexpr int kServices = 2000;
constexpr int kFonts = 5000;
constexpr int kFolders = 1000;
constexpr int kFilesPerFolder = 100;  // 100,000 files in all

const char* kKeyStamp = " 1700000000\n#time=1da1747c66d0000\n";

// Memory figures of this process in KiB (VmRSS now, VmHWM the peak so far).
long StatusKiB(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
  }
  return -1;
}

void Touch(const fs::path& file) {
  std::ofstream(file).put('x');
}

void WriteRegistry(const fs::path& prefix) {
  std::ofstream sys(prefix / "system.reg");
  sys << "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n";
  sys << "\n[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion]" << kKeyStamp
      << "\"CurrentVersion\"=\"6.1\"\n\"SystemRoot\"=\"C:\\\\windows\"\n";
  sys << "\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion]" << kKeyStamp
      << "\"ProgramFilesDir\"=\"C:\\\\Program Files\"\n";
  sys << "\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Shell Folders]"
      << kKeyStamp << "\"Common Start Menu\"=\"C:\\\\ProgramData\\\\Start Menu\"\n";
  sys << "\n[System\\\\CurrentControlSet\\\\Control\\\\Session Manager\\\\Environment]" << kKeyStamp
      << "\"PATH\"=str(2):\"%SystemRoot%\\\\system32;%SystemRoot%\"\n";
  for (int i = 0; i < kUninstallEntries; ++i) {
    // One entry in ten names a program that is gone.
    const std::string folder = i % 10 == 0 ? "Gone" : "App" + std::to_string(i % kFolders);
    sys << "\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Entry" << i << "]"
        << kKeyStamp << "\"DisplayName\"=\"Entry " << i
        << "\"\n\"UninstallString\"=\"\\\"C:\\\\Program Files\\\\" << folder
        << "\\\\uninst.exe\\\" /S\"\n";
  }
  for (int i = 0; i < kServices; ++i) {
    sys << "\n[System\\\\CurrentControlSet\\\\Services\\\\Svc" << i << "]" << kKeyStamp
        << "\"ImagePath\"=str(2):\"system32\\\\drivers\\\\svc" << (i % 250 == 0 ? i : i % 200)
        << ".sys\"\n\"Start\"=dword:00000003\n";
  }
  sys << "\n[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\Fonts]" << kKeyStamp;
  for (int i = 0; i < kFonts; ++i) {
    sys << "\"Font " << i << " (TrueType)\"=\"font" << (i % 1000 == 0 ? i : i % 500) << ".ttf\"\n";
  }
  std::ofstream user(prefix / "user.reg");
  user << "WINE REGISTRY Version 2\n;; All keys relative to "
          "REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win64\n";
  user << "\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Shell Folders]"
       << kKeyStamp;
  for (const char* name : {"AppData", "Desktop", "Recent", "Start Menu", "History"}) {
    user << "\"" << name << "\"=\"C:\\\\users\\\\bench\\\\" << name << "\"\n";
  }
  std::ofstream(prefix / "userdef.reg")
      << "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\User\\\\.Default\n\n"
         "#arch=win64\n";
}

void WriteDrive(const fs::path& prefix) {
  const fs::path c = prefix / "drive_c";
  fs::create_directories(prefix / "dosdevices");
  fs::create_directory_symlink("../drive_c", prefix / "dosdevices" / "c:");
  for (const char* name : {"AppData", "Desktop", "Recent", "Start Menu", "History"}) {
    fs::create_directories(c / "users" / "bench" / name);
  }
  const fs::path drivers = c / "windows" / "system32" / "drivers";
  const fs::path fonts = c / "windows" / "Fonts";
  fs::create_directories(drivers);
  fs::create_directories(fonts);
  for (int i = 0; i < 200; ++i)
    Touch(drivers / ("svc" + std::to_string(i) + ".sys"));
  for (int i = 0; i < 500; ++i)
    Touch(fonts / ("font" + std::to_string(i) + ".ttf"));
  for (int f = 0; f < kFolders; ++f) {
    const fs::path folder = c / "Program Files" / ("App" + std::to_string(f));
    fs::create_directories(folder);
    Touch(folder / "uninst.exe");
    for (int i = 1; i < kFilesPerFolder; ++i) {
      // One program information file per folder, naming a program that is gone.
      if (i == 1) {
        std::string pif(99, '\0');
        pif.replace(36, 15, "C:\\GONE\\OLD.EXE");
        std::ofstream(folder / "old.pif", std::ios::binary) << pif;
        continue;
      }
      Touch(folder / ("file" + std::to_string(i) + ".dat"));
    }
  }
}

std::uintmax_t RegistryBytes(const fs::path& prefix) {
  std::uintmax_t total = 0;
  for (const char* name : {"system.reg", "user.reg", "userdef.reg"}) {
    total += fs::file_size(prefix / name);
  }
  return total;
}

}  // namespace

int main(int argc, char** argv) {
  const bool own = argc < 2;
  const fs::path prefix =
      own ? fs::temp_directory_path() / ("ordrex-rules-bench-" + std::to_string(::getpid()))
          : fs::path(argv[1]);
  fs::create_directories(prefix);
  WriteRegistry(prefix);
  WriteDrive(prefix);
  const std::uintmax_t registryBytes = RegistryBytes(prefix);

  const long baseKiB = StatusKiB("VmRSS");
  const auto start = std::chrono::steady_clock::now();
  std::unique_ptr<WinePrefixTarget> target = OpenWinePrefix(prefix, SystemClock::Instance());
  const auto loaded = std::chrono::steady_clock::now();
  TOrdrex engine(*target);
  engine.SystemExtensions.Enabled = false;
  engine.VxD.Enabled = false;
  engine.Clear();
  engine.Stop(false);
  engine.Scan();
  engine.Stop(true);
  const auto scanned = std::chrono::steady_clock::now();
  const long peakKiB = StatusKiB("VmHWM");

  const double loadMs = std::chrono::duration<double, std::milli>(loaded - start).count();
  const double scanMs = std::chrono::duration<double, std::milli>(scanned - loaded).count();
  const double growthMiB = static_cast<double>(peakKiB - baseKiB) / 1024.0;
  const double registryMiB = static_cast<double>(registryBytes) / (1024.0 * 1024.0);
  std::printf("registry files   %.2f MiB\n", registryMiB);
  std::printf("load             %.1f ms\n", loadMs);
  std::printf("scan             %.1f ms (%.2fx load; target <= 3x)\n", scanMs, scanMs / loadMs);
  std::printf("memory growth    %.2f MiB (%.2fx registry; target <= 3x), peak RSS %.2f MiB\n",
              growthMiB, growthMiB / registryMiB, peakKiB / 1024.0);
  std::printf("problems         uninstall %d, services %d, fonts %d, MS-DOS shortcuts %d\n",
              engine.Uninstall.Count(), engine.DeviceDriver.Count(), engine.Font.Count(),
              engine.MSDOS.Count());
  target.reset();
  if (own) {
    std::error_code ignored;
    fs::remove_all(prefix, ignored);
  }
  return 0;
}
