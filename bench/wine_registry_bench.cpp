// Loading and saving Wine registry files: a generated system.reg of about 50 MB is loaded and
// saved in a child process of its own (so its peak memory is that of the load and save alone),
// and, where wine is installed, `wine reg export HKLM` of a fresh prefix is timed next to our
// load and save of the same prefix.
// Targets: load and save at 100 MB/s or better; peak memory at most 3 times the file size.
//
//   wine_registry_bench [--size MB] [--prefix DIR]
//     --prefix: a wineboot-made prefix to compare with (default: one made in a temporary folder)
//   wine_registry_bench --generate FILE [--size MB]   only writes the generated file (to profile)
//   wine_registry_bench --load-save FILE              one measured load and save, figures only

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "platform/text.h"
#include "platform/wine/wine_registry_file.h"
#include "platform/wine/wine_value_codec.h"

namespace fs = std::filesystem;
using namespace ordrex;
using bench::Guid;
using bench::Mb;
using bench::Quote;
using bench::RunCapture;
using Seconds = std::chrono::duration<double>;

namespace {

double Now() {
  return Seconds(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double PeakMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// A system.reg shaped like Wine's: class registrations, software keys with every value form,
// wrapped binary data, the odd escape, a few links; written through the store so that it is in
// Wine's order and form.
void Generate(const fs::path& file, double targetMb) {
  ManualClock clock(std::chrono::system_clock::time_point(std::chrono::seconds(1700000000)));
  const auto store = WineRegistryFile::Parse(
      "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n", file,
      clock);
  unsigned n = 0;
  std::string text;
  // About 1,000 bytes of file per round; checked against the real size now and then.
  for (;;) {
    for (unsigned round = 0; round < 2000; ++round, ++n) {
      clock.SetNow(clock.Now() + std::chrono::seconds(1));
      const std::string clsid = "Software\\Classes\\CLSID\\" + Guid(n);
      store->CreateKey(clsid + "\\InprocServer32");
      store->SetValue(clsid, "",
                      RegValue{kRegSz, StringToRegData("Component " + std::to_string(n))});
      store->SetValue(clsid + "\\InprocServer32", "",
                      RegValue{kRegSz, StringToRegData("C:\\windows\\system32\\xcomp" +
                                                       std::to_string(n) + ".dll")});
      store->SetValue(clsid + "\\InprocServer32", "ThreadingModel",
                      RegValue{kRegSz, StringToRegData("Both")});
      const std::string product = "Software\\Vendor" + std::to_string(n % 97) + "\\Product " +
                                  std::to_string(n) + "\\Settings";
      store->CreateKey(product);
      store->SetValue(
          product, "InstallDir",
          RegValue{kRegExpandSz,
                   StringToRegData("%ProgramFiles%\\Vendor\\Caf\xC3\xA9 " + std::to_string(n))});
      store->SetValue(product, "Version", RegValue{kRegDword, Bytes{1, 2, 0, 0}});
      store->SetValue(
          product, "Files",
          RegValue{kRegMultiSz, Utf8ToUtf16LeBytes(std::string("a.dll\0b.dll\0\0", 13))});
      Bytes blob(90);
      for (std::size_t i = 0; i < blob.size(); ++i)
        blob[i] = static_cast<std::uint8_t>(i * n);
      store->SetValue(product, "State", RegValue{kRegBinary, blob});
      store->SetValue(product, "Quote", RegValue{kRegSz, StringToRegData("say \"hi\"\ttab")});
      if (n % 500 == 0) {
        store->CreateKey(product + "\\Link");
        store->FindKey(product + "\\Link")->Meta().link = true;
        store->SetValue(product + "\\Link", "SymbolicLinkValue",
                        RegValue{kRegLink, Utf8ToUtf16LeBytes("\\Registry\\Machine\\Software")});
      }
    }
    text = store->Serialize();
    if (Mb(text.size()) >= targetMb) break;
  }
  std::ofstream(file, std::ios::binary) << text;
}

struct Phase {
  double seconds = 0;
  double peakMb = 0;
};

// Runs in a child: load, serialize, save of `file`; prints one line of figures.
int LoadAndSave(const fs::path& file) {
  SystemClock& clock = SystemClock::Instance();
  const double size = Mb(fs::file_size(file));
  const double baseline = PeakMb();
  double t0 = Now();
  const auto store = WineRegistryFile::Load(file, clock);
  const double load = Now() - t0;
  const double afterLoad = PeakMb();
  if (!store->FullyUnderstood()) {
    std::cerr << store->Problems().front() << "\n";
    return 1;
  }
  // One changed key makes the whole file be written again.
  store->SetValue("", "OrdrexBench", RegValue{kRegDword, Bytes{1, 0, 0, 0}});
  AtomicFileWriter writer;
  t0 = Now();
  store->Save(writer);
  const double save = Now() - t0;
  const double afterSave = PeakMb();
  // The whole text as one string (what tests compare): measured last, since holding it
  // raises the peak by the size of the file, which a save never does.
  t0 = Now();
  const std::size_t serialized = store->Serialize().size();
  const double serialize = Now() - t0;
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("%.1f %.4f %.4f %.4f %.1f %.1f %.1f %zu %.3f %.3f %ld %.1f\n", size, load, serialize,
              save, baseline, afterLoad, afterSave, serialized,
              static_cast<double>(usage.ru_utime.tv_sec) + usage.ru_utime.tv_usec / 1e6,
              static_cast<double>(usage.ru_stime.tv_sec) + usage.ru_stime.tv_usec / 1e6,
              usage.ru_minflt, PeakMb());
  return 0;
}

struct Figures {
  double size, load, serialize, save, baseline, afterLoad, peak;
  std::size_t serialized;
  double user, system;
  long faults;
  double peakWithText;
};

bool MeasureInChild(const fs::path& self, const fs::path& file, const std::string& environment,
                    Figures& figures) {
  const std::string line =
      RunCapture(environment + " " + Quote(self) + " --load-save " + Quote(file));
  std::istringstream in(line);
  in >> figures.size >> figures.load >> figures.serialize >> figures.save >> figures.baseline >>
      figures.afterLoad >> figures.peak >> figures.serialized >> figures.user >> figures.system >>
      figures.faults >> figures.peakWithText;
  return static_cast<bool>(in);
}

void Report(const char* label, const Figures& f) {
  std::printf("%s\n", label);
  std::printf("  file            %8.1f MB\n", f.size);
  std::printf("  load            %8.3f s  %7.1f MB/s\n", f.load, f.size / f.load);
  std::printf("  serialize       %8.3f s  %7.1f MB/s\n", f.serialize, f.size / f.serialize);
  std::printf("  save (+fsync)   %8.3f s  %7.1f MB/s\n", f.save, f.size / f.save);
  std::printf("  CPU time        %8.3f s user, %.3f s system, %ld page faults\n", f.user, f.system,
              f.faults);
  std::printf(
      "  peak memory     %8.1f MB after load, %.1f MB after save (%.2fx the file; "
      "process start %.1f MB)\n",
      f.afterLoad, f.peak, f.peak / f.size, f.baseline);
  std::printf("                  %8.1f MB after serializing to one string as well\n",
              f.peakWithText);
}

bool WineInstalled() {
  return std::system("command -v wine >/dev/null 2>&1 && command -v wineboot >/dev/null 2>&1") == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--load-save") == 0) return LoadAndSave(argv[2]);
  double targetMb = 50;
  fs::path prefix;
  fs::path generateOnly;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--size") == 0) targetMb = std::atof(argv[i + 1]);
    if (std::strcmp(argv[i], "--prefix") == 0) prefix = argv[i + 1];
    if (std::strcmp(argv[i], "--generate") == 0) generateOnly = argv[i + 1];
  }
  if (!generateOnly.empty()) {
    Generate(generateOnly, targetMb);
    return 0;
  }
  const fs::path self = fs::read_symlink("/proc/self/exe");
  std::string folderName = (fs::temp_directory_path() / "ordrex-bench-XXXXXX").string();
  if (mkdtemp(folderName.data()) == nullptr) return 1;
  const fs::path folder = folderName;

  const fs::path generated = folder / "system.reg";
  double t0 = Now();
  Generate(generated, targetMb);
  std::printf("generated %s: %.1f MB in %.1f s\n\n", generated.c_str(),
              Mb(fs::file_size(generated)), Now() - t0);
  Figures figures{};
  if (MeasureInChild(self, generated, "", figures))
    Report("Our store, generated system.reg", figures);
  // This machine's page faults are slow; a heap on huge pages shows what the code itself costs.
  if (MeasureInChild(self, generated, "GLIBC_TUNABLES=glibc.malloc.hugetlb=1", figures)) {
    Report("Our store, generated system.reg, malloc on transparent huge pages", figures);
  }

  if (WineInstalled()) {
    const std::string wineEnv = "WINEDEBUG=-all DISPLAY= WAYLAND_DISPLAY= WINEPREFIX=";
    if (prefix.empty()) {
      prefix = folder / "prefix";
      t0 = Now();
      std::system((wineEnv + Quote(prefix) + " wineboot -i >/dev/null 2>&1; " + wineEnv +
                   Quote(prefix) + " wineserver -w")
                      .c_str());
      std::printf("\nmade a fresh prefix with wineboot in %.1f s\n", Now() - t0);
    }
    const fs::path exported = folder / "export.reg";
    t0 = Now();
    const int status =
        std::system((wineEnv + Quote(prefix) + " wine reg export HKLM " + Quote(exported) +
                     " /y >/dev/null 2>&1; " + wineEnv + Quote(prefix) + " wineserver -w")
                        .c_str());
    const double wineSeconds = Now() - t0;
    const fs::path ours = folder / "prefix-system.reg";
    fs::copy_file(prefix / "system.reg", ours);
    if (status == 0 && MeasureInChild(self, ours, "", figures)) {
      std::printf("\nFresh prefix, HKEY_LOCAL_MACHINE (system.reg %.1f MB)\n", figures.size);
      std::printf(
          "  wine reg export HKLM    %8.3f s (%.1f MB of UTF-16 written, wine started "
          "and stopped)\n",
          wineSeconds, Mb(fs::file_size(exported)));
      std::printf("  our load + save         %8.3f s (load %.3f s, save %.3f s)\n",
                  figures.load + figures.save, figures.load, figures.save);
    } else {
      std::printf("\nwine reg export failed (exit %d)\n", status);
    }
  } else {
    std::printf("\nwine is not installed: no comparison with wine reg export\n");
  }
  fs::remove_all(folder);
  return 0;
}
