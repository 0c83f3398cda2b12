// Loading hive files: generated SOFTWARE hives of growing size (to 100 MB by default) are each
// loaded in a child process of its own, read-only and writable, so that its peak memory is that
// of the load alone. The hives are written by the tests' hive image writer in Windows' layout
// (sorted subkey lists under index roots, segmented large data); libhivex itself would take
// hours to fill one this large.
// A writable load also times a repair: 1,000 COM classes deleted (the largest key's subkeys)
// and the hive committed to a new file.
// Then the largest hive is scanned as the SOFTWARE hive of an offline Windows volume (with small
// SYSTEM, DEFAULT and user hives), every category enabled, in a child process of its own.
// Targets (as for Wine's files): peak memory at most 3 times the hive's size; the volume's scan
// at most 3 times as long as its load, its memory at most 3 times the hives' size.
//
//   hive_store_bench [--size MB] [FOLDER]   FOLDER keeps the generated hives for later runs
//   hive_store_bench --load FILE [--writable]   one measured load, figures only
//   hive_store_bench --scan-volume FOLDER   one measured open and scan of a volume

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "platform/hive/hive_store.h"
#include "platform/text.h"
#include "platform/windows/windows_volume_target.h"
#include "support/hive_image.h"

namespace fs = std::filesystem;
using namespace ordrex;
using bench::Guid;
using bench::Mb;
using bench::Quote;
using bench::RunCapture;

namespace {

RegValue Sz(const std::string& text) {
  return RegValue{kRegSz, StringToRegData(text)};
}

// One round of a SOFTWARE hive's usual content: a COM class, an uninstall entry, a vendor's
// settings, an installer component; now and then a large binary value.
void AddRound(MemoryStore& store, unsigned n) {
  const std::string clsid = "Classes\\CLSID\\" + Guid(n);
  store.CreateKey(clsid + "\\InprocServer32");
  store.SetValue(clsid, "", Sz("Component " + std::to_string(n)));
  store.SetValue(clsid + "\\InprocServer32", "",
                 Sz("C:\\Windows\\System32\\comp" + std::to_string(n) + ".dll"));
  store.SetValue(clsid + "\\InprocServer32", "ThreadingModel", Sz("Both"));
  const std::string uninstall =
      "Microsoft\\Windows\\CurrentVersion\\Uninstall\\App " + std::to_string(n);
  store.CreateKey(uninstall);
  store.SetValue(uninstall, "DisplayName", Sz("Application n\xC2\xBA " + std::to_string(n)));
  store.SetValue(uninstall, "InstallLocation",
                 Sz("C:\\Program Files\\Vendor " + std::to_string(n % 400)));
  store.SetValue(uninstall, "EstimatedSize", RegValue{kRegDword, {0x10, 0x27, 0, 0}});
  const std::string settings =
      "Vendor " + std::to_string(n % 400) + "\\Product " + std::to_string(n) + "\\Settings";
  store.CreateKey(settings);
  store.SetValue(
      settings, "Path",
      RegValue{kRegExpandSz, StringToRegData("%ProgramFiles%\\Vendor\\" + std::to_string(n))});
  Bytes blob(n % 500 == 0 ? 20000 : 120);
  for (std::size_t i = 0; i < blob.size(); ++i)
    blob[i] = static_cast<std::uint8_t>(i * n);
  store.SetValue(settings, "State", RegValue{kRegBinary, blob});
  store.SetValue(settings, "Files",
                 RegValue{kRegMultiSz, Utf8ToUtf16LeBytes(std::string("a.dll\0b.dll\0\0", 13))});
  const std::string component =
      "Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Components\\" +
      std::to_string(n * 2654435761u % 1000) + "\\C" + std::to_string(n);
  store.CreateKey(component);
  store.SetValue(component, "00004109" + std::to_string(n), Sz("C:\\Program Files\\x.dll"));
}

void WriteHive(const fs::path& file, const MemoryStore& store) {
  std::ofstream(file, std::ios::binary) << testsupport::HiveImage(store.Root());
}

// A hive of about `targetMb` (the size of a small sample scaled up).
void Generate(const fs::path& file, double targetMb) {
  MemoryStore sample;
  constexpr unsigned kSampleRounds = 2000;
  for (unsigned n = 0; n < kSampleRounds; ++n)
    AddRound(sample, n);
  const double perRound =
      static_cast<double>(testsupport::HiveImage(sample.Root()).size()) / kSampleRounds;
  const auto rounds = static_cast<unsigned>(targetMb * 1024 * 1024 / perRound);
  MemoryStore store;
  for (unsigned n = 0; n < rounds; ++n)
    AddRound(store, n);
  WriteHive(file, store);
}

// In a child: one load, then one line: seconds, KiB before, peak KiB, keys, values, and for a
// writable load the seconds a repair takes: deleting 1,000 COM classes and committing.
int Load(const fs::path& file, bool writable) {
  bench::ResetPeakMemory();
  const long before = bench::StatusKiB("VmRSS");
  const auto start = std::chrono::steady_clock::now();
  std::unique_ptr<HiveStore> store;
  try {
    store = HiveStore::Open(file, writable);
  } catch (const TargetError& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const long peak = bench::StatusKiB("VmHWM");
  std::size_t keys = 0, values = 0;
  std::vector<const KeyNode*> pending{&store->Root()};
  while (!pending.empty()) {
    const KeyNode* key = pending.back();
    pending.pop_back();
    ++keys;
    values += key->Values().size();
    for (const auto& child : key->Children())
      pending.push_back(child.get());
  }
  double repair = 0;
  if (writable) {
    const auto repairStart = std::chrono::steady_clock::now();
    const std::vector<std::string> classes = store->SubkeyNames("Classes\\CLSID");
    for (std::size_t i = 0; i < classes.size() && i < 20000; i += 20)
      DeleteKeyTree(*store, "Classes\\CLSID\\" + classes[i]);
    const fs::path committed = file.string() + ".new";
    store->CommitTo(committed);
    fs::remove(committed);
    repair = std::chrono::duration<double>(std::chrono::steady_clock::now() - repairStart).count();
  }
  std::printf("%.4f %ld %ld %zu %zu %.4f\n", seconds, before, peak, keys, values, repair);
  return 0;
}

// A volume whose SOFTWARE is `software` (linked, not copied) and whose other hives hold what
// opening one needs: the control set, the system folders, one user "bench".
fs::path WriteVolume(const fs::path& folder, const fs::path& software) {
  const fs::path volume = folder / "volume";
  const fs::path config = volume / "Windows" / "System32" / "config";
  fs::create_directories(config);
  fs::create_directories(volume / "Users" / "bench");
  fs::create_directories(volume / "Program Files");
  std::error_code ignored;
  fs::remove(config / "SOFTWARE", ignored);
  fs::create_hard_link(software, config / "SOFTWARE", ignored);
  if (ignored) fs::copy_file(software, config / "SOFTWARE");
  MemoryStore system;
  system.CreateKey("Select");
  system.SetValue("Select", "Current", RegValue{kRegDword, {1, 0, 0, 0}});
  const std::string environment = "ControlSet001\\Control\\Session Manager\\Environment";
  system.CreateKey(environment);
  system.SetValue(environment, "windir", RegValue{kRegExpandSz, StringToRegData("%SystemRoot%")});
  WriteHive(config / "SYSTEM", system);
  WriteHive(config / "DEFAULT", MemoryStore{});
  MemoryStore user;
  user.CreateKey("Software\\Microsoft\\Windows\\CurrentVersion\\Run");
  WriteHive(volume / "Users" / "bench" / "NTUSER.DAT", user);
  return volume;
}

std::uintmax_t HiveBytes(const fs::path& volume) {
  std::uintmax_t total = 0;
  for (const auto& entry : fs::recursive_directory_iterator(volume)) {
    const std::string name = entry.path().filename().string();
    if (name == "SOFTWARE" || name == "SYSTEM" || name == "DEFAULT" || name == "NTUSER.DAT")
      total += entry.file_size();
  }
  return total;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "--load") == 0) {
    return Load(argv[2], argc == 4 && std::strcmp(argv[3], "--writable") == 0);
  }
  if (argc == 3 && std::strcmp(argv[1], "--scan-volume") == 0) {
    const fs::path volume = argv[2];
    return bench::TimeScan(
        [&volume] { return OpenWindowsVolume(volume, "", SystemClock::Instance()); },
        HiveBytes(volume), [](TOrdrex&) {},
        [](TOrdrex& engine) {
          int problems = 0;
          for (TCustomOrdrex* category : engine.Categories())
            problems += category->Count();
          std::printf("problems         %d\n", problems);
        });
  }
  double targetMb = 100;
  fs::path folder;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--size") == 0 && i + 1 < argc) {
      targetMb = std::atof(argv[++i]);
    } else {
      folder = argv[i];
    }
  }
  const bool own = folder.empty();
  if (own) folder = fs::temp_directory_path() / ("ordrex-hive-bench-" + std::to_string(getpid()));
  fs::create_directories(folder);

  bool met = true;
  std::printf("%8s %9s %9s %9s %8s %9s %7s %8s\n", "hive MB", "keys", "values", "mode", "load s",
              "peak MB", "x hive", "repair s");
  for (const double size : {targetMb / 10, targetMb / 3, targetMb}) {
    const fs::path hive = folder / ("SOFTWARE-" + std::to_string(static_cast<int>(size)));
    if (!fs::exists(hive)) Generate(hive, size);
    const double hiveMb = Mb(fs::file_size(hive));
    for (const bool writable : {false, true}) {
      std::istringstream line(RunCapture(Quote(fs::read_symlink("/proc/self/exe")) + " --load " +
                                         Quote(hive) + (writable ? " --writable" : "")));
      double seconds = 0;
      long before = 0, peak = 0;
      std::size_t keys = 0, values = 0;
      double repair = 0;
      if (!(line >> seconds >> before >> peak >> keys >> values >> repair)) {
        std::printf("loading %s failed\n", hive.c_str());
        return 1;
      }
      const double growthMb = static_cast<double>(peak - before) / 1024.0;
      met = met && growthMb <= 3 * hiveMb;
      std::printf("%8.1f %9zu %9zu %9s %8.3f %9.1f %7.2f", hiveMb, keys, values,
                  writable ? "writable" : "read-only", seconds, growthMb, growthMb / hiveMb);
      if (writable) std::printf(" %8.3f", repair);
      std::printf("\n");
    }
  }
  const fs::path largest = folder / ("SOFTWARE-" + std::to_string(static_cast<int>(targetMb)));
  std::printf("\nscan of a volume with the %.1f MB hive as its SOFTWARE:\n",
              Mb(fs::file_size(largest)));
  std::fflush(stdout);
  const std::string scan = Quote(fs::read_symlink("/proc/self/exe")) + " --scan-volume " +
                           Quote(WriteVolume(folder, largest));
  met = std::system(scan.c_str()) == 0 && met;
  if (own) fs::remove_all(folder);
  std::printf("%s\n", met ? "targets met" : "TARGETS MISSED");
  return met ? 0 : 1;
}
