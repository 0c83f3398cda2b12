// How the software, shortcut and system-file walks scale: a Wine prefix with 20,000 uninstall
// entries, 2,000 services, 5,000 fonts and a drive of 100,000 files is opened and scanned once.
// Targets: the scan takes at most three times as long as opening the prefix, and the process
// grows by at most three times the size of the registry files.
//
//   rules_bench [folder]   (default: a new folder under the temporary folder, removed after)

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/bench_support.h"

namespace fs = std::filesystem;
using namespace ordrex;
using namespace ordrex::bench;

namespace {

constexpr int kUninstallEntries = 20000;
constexpr int kServices = 2000;
constexpr int kFonts = 5000;
constexpr int kFolders = 1000;
constexpr int kFilesPerFolder = 100;  // 100,000 files in all

void WriteRegistry(PrefixWriter& prefix) {
  RegWriter& sys = prefix.machine;
  for (int i = 0; i < kUninstallEntries; ++i) {
    // One entry in ten names a program that is gone.
    const std::string folder = i % 10 == 0 ? "Gone" : "App" + std::to_string(i % kFolders);
    sys.Key("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Entry" + std::to_string(i));
    sys.String("DisplayName", "Entry " + std::to_string(i));
    sys.String("UninstallString", "\"C:\\Program Files\\" + folder + "\\uninst.exe\" /S");
  }
  for (int i = 0; i < kServices; ++i) {
    sys.Key("System\\CurrentControlSet\\Services\\Svc" + std::to_string(i));
    sys.Expand("ImagePath",
               "system32\\drivers\\svc" + std::to_string(i % 250 == 0 ? i : i % 200) + ".sys");
    sys.Dword("Start", 3);
  }
  sys.Key("Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts");
  for (int i = 0; i < kFonts; ++i) {
    sys.String("Font " + std::to_string(i) + " (TrueType)",
               "font" + std::to_string(i % 1000 == 0 ? i : i % 500) + ".ttf");
  }
}

void WriteDrive(const fs::path& prefix) {
  const fs::path c = prefix / "drive_c";
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

}  // namespace

int main(int argc, char** argv) {
  const BenchPrefix prefix(argc, argv, "rules-bench", [](const fs::path& folder) {
    {
      PrefixWriter writer(folder);
      WriteRegistry(writer);
    }
    WriteDrive(folder);
  });
  return TimeScan(
      prefix.Path(),
      [](TOrdrex& engine) {
        engine.SystemExtensions.Enabled = false;
        engine.VxD.Enabled = false;
      },
      [](TOrdrex& engine) {
        std::printf("problems         uninstall %d, services %d, fonts %d, MS-DOS shortcuts %d\n",
                    engine.Uninstall.Count(), engine.DeviceDriver.Count(), engine.Font.Count(),
                    engine.MSDOS.Count());
      });
}
