// What a repair costs next to the scan that found its problems: the prefix of scan_prefix.h is
// opened and scanned, and every problem found is repaired as `ordrex-cli repair` repairs it
// (missing files searched, categories repaired, backup saved, registry files written); once
// with a backup and once without, each time on the registry files as first written.
// Target: each repair takes at most three times as long as the scan.
//
//   repair_bench [folder]   (default: a new folder under the temporary folder, removed after)
//
// The registry files as first written are kept beside them (*.orig) and put back before every
// repair and at the end, so a kept folder can be repaired again and again.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "backup/backup_file.h"
#include "backup/repair_run.h"
#include "bench/bench_support.h"
#include "bench/scan_prefix.h"

namespace fs = std::filesystem;
using namespace ordrex;
using namespace ordrex::bench;

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kBackupFolder = "ordrex-backups";

double MsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

void RestoreRegistryFiles(const fs::path& prefix) {
  for (const char* name : {"system.reg", "user.reg", "userdef.reg"}) {
    const fs::path file = prefix / name;
    const fs::path original = prefix / (std::string(name) + ".orig");
    if (fs::exists(original)) {
      fs::copy_file(original, file, fs::copy_options::overwrite_existing);
    } else {
      fs::copy_file(file, original);
    }
  }
}

// Where the run's time went, from the rows it reports: the search row, then one row per
// category.
struct RepairTimes {
  Clock::time_point start;
  Clock::time_point searched;
  Clock::time_point repaired;  // the last category's end
  Clock::time_point end;
  double backupMs = 0;
  std::vector<std::pair<std::string, double>> categories;
};

// One open, scan and repair; prints its figures. True when the repair met its target.
bool ScanAndRepair(const fs::path& prefix, bool makeBackup) {
  RestoreRegistryFiles(prefix);
  const fs::path backups = prefix / kBackupFolder;
  fs::remove_all(backups);
  ScannedPrefix run = OpenAndScan(prefix, [](TOrdrex&) {});
  TOrdrex& engine = *run.engine;
  int problems = 0;
  for (TCustomOrdrex* category : engine.Categories())
    problems += category->Count();

  RepairTimes times;
  Clock::time_point rowStart;
  std::string row;
  RepairRunEvents events;
  events.AddRow = [&](const std::string& location, const std::string&) {
    row = location;
    rowStart = Clock::now();
  };
  events.SetLastRowStatus = [&](const std::string&) {
    const auto now = Clock::now();
    if (row == kFindingSolutionRow) {
      times.searched = now;
    } else {
      times.categories.emplace_back(row, MsBetween(rowStart, now));
    }
    times.repaired = now;
  };
  RepairOptions options;
  options.makeBackup = makeBackup;
  options.backupDir = backups;
  options.saveBackup = [&](const TBackupLines& lines, const fs::path& folder,
                           std::chrono::system_clock::time_point when) {
    const auto start = Clock::now();
    fs::path saved = SaveBackupFile(lines, folder, when);
    times.backupMs = MsBetween(start, Clock::now());
    return saved;
  };
  RepairRun repair(engine, options, events);
  const double cpuStart = CpuMs();
  times.start = Clock::now();
  const RepairRunResult result = repair.Run();
  times.end = Clock::now();
  const double repairCpuMs = CpuMs() - cpuStart;
  const long peakKiB = StatusKiB("VmHWM");

  const double repairMs = MsBetween(times.start, times.end);
  const double ratio = repairMs / run.scanMs;
  std::printf("\n%s\n", makeBackup ? "repair with a backup" : "repair without a backup");
  std::printf("load             %.1f ms\n", run.loadMs);
  std::printf("scan             %.1f ms (CPU %.1f ms), %d problems\n", run.scanMs, run.scanCpuMs,
              problems);
  std::printf("repair           %.1f ms (CPU %.1f ms; %.2fx scan, CPU %.2fx; target <= 3x)\n",
              repairMs, repairCpuMs, ratio, repairCpuMs / run.scanCpuMs);
  std::printf("                 %d repaired, %d failed%s%s\n", result.repairedCount,
              result.failedCount, result.error.empty() ? "" : ": ", result.error.c_str());
  std::printf("  search for missing files: %.1f ms\n", MsBetween(times.start, times.searched));
  for (const auto& [title, ms] : times.categories)
    std::printf("  %s: %.1f ms\n", title.c_str(), ms);
  if (makeBackup) {
    std::printf("  backup save: %.1f ms, %.2f MiB\n", times.backupMs,
                result.backupFile
                    ? static_cast<double>(fs::file_size(*result.backupFile)) / (1024.0 * 1024.0)
                    : 0.0);
  }
  std::printf("  registry save: %.1f ms\n", MsBetween(times.repaired, times.end) - times.backupMs);
  std::printf("peak RSS         %.2f MiB (open, scan and repair)\n", peakKiB / 1024.0);
  std::fflush(stdout);
  return ratio <= 3.0 && result.error.empty();
}

}  // namespace

int main(int argc, char** argv) {
  const BenchPrefix prefix(argc, argv, "repair-bench", scan_prefix::WriteScanPrefix);
  const bool withBackup = ScanAndRepair(prefix.Path(), true);
  const bool withoutBackup = ScanAndRepair(prefix.Path(), false);
  // A kept folder is left as first written, for the scan benchmark too.
  RestoreRegistryFiles(prefix.Path());
  fs::remove_all(prefix.Path() / kBackupFolder);
  const bool met = withBackup && withoutBackup;
  std::printf("%s\n", met ? "targets met" : "TARGETS MISSED");
  return met ? 0 : 1;
}
