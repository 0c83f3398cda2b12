// Loading hive files: generated SOFTWARE hives of growing size (to 100 MB by default) are each
// loaded in a child process of its own, read-only and writable, so that its peak memory is that
// of the load alone. The hives are written by the tests' hive image writer in Windows' layout
// (sorted subkey lists under index roots, segmented large data); libhivex itself would take
// hours to fill one this large.
// A writable load also times a repair: 1,000 COM classes deleted (the largest key's subkeys)
// and the hive committed to a new file.
// Targets (as for Wine's files): peak memory at most 3 times the hive's size.
//
//   hive_store_bench [--size MB] [FOLDER]   FOLDER keeps the generated hives for later runs
//   hive_store_bench --load FILE [--writable]   one measured load, figures only

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "platform/hive/hive_store.h"
#include "platform/text.h"
#include "support/hive_image.h"

namespace fs = std::filesystem;
using namespace ordrex;

namespace {

double Mb(std::uintmax_t bytes) {
  return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

std::string Guid(unsigned n) {
  char text[64];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%04X-%012llX}", n * 2654435761u, n & 0xFFFF,
                (n >> 4) & 0xFFFF, (n * 7) & 0xFFFF, static_cast<unsigned long long>(n) * 97);
  return text;
}

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
  std::ofstream(file, std::ios::binary) << testsupport::HiveImage(store.Root());
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

std::string Quote(const fs::path& path) {
  std::string quoted = "'";
  for (const char c : path.string())
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string RunCapture(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[4096];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
    output += buffer;
  pclose(pipe);
  return output;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "--load") == 0) {
    return Load(argv[2], argc == 4 && std::strcmp(argv[3], "--writable") == 0);
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
  if (own) fs::remove_all(folder);
  std::printf("%s\n", met ? "targets met" : "TARGETS MISSED");
  return met ? 0 : 1;
}
