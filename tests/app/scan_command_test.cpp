// `ordrex-cli scan` through string streams: the exact text and JSON it prints, and its exit
// codes.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "app/cli/cli_app.h"
#include "app/cli/scan_report.h"
#include "support/temp_prefix.h"

namespace ordrex::cli {
namespace {

using testsupport::Sz;
using testsupport::TempPrefix;

constexpr const char* kGuid = "{11111111-1111-1111-1111-111111111111}";

const char* const kTitles[] = {
    "Registry Integrity", "ActiveX/COM",           "Interface",        "System Extensions",
    "Old Software",       "Open With Application", "Application Path", "File Associations",
    "MRU Files",          "Device Driver",         "Windows Font",     "Help Files",
    "Microsoft Shared",   "Windows Startup",       "Installer",        "Uninstall Section",
    "Start Menu",         "System Event Log",      "Context Menu",     "VxD Integrity",
    "History List",       "MS-DOS Shortcut",       "Windows Shortcut"};

struct CliRun {
  int exit = -1;
  std::string out;
  std::string err;
};

CliRun RunScanCli(const std::vector<std::string>& args, bool interactive = false) {
  std::ostringstream out;
  std::ostringstream err;
  std::istringstream in;
  ManualClock clock;
  CliContext context{out, err, in, clock, {{"HOME", "/nonexistent-home"}}, interactive};
  CliRun run;
  run.exit = RunCli(args, context);
  run.out = out.str();
  run.err = err.str();
  return run;
}

// A prefix with one class whose server is gone and one whose type library is not registered.
void PlantClassProblems(TempPrefix& prefix) {
  prefix.File(R"(C:\windows\system32\msfoo.dll)");
  prefix
      .Machine(std::string(R"(Software\Classes\CLSID\)") + kGuid + R"(\InprocServer32)",
               {Sz("", R"("C:\Program Files\Gone\a.dll")"), Sz("ThreadingModel", "Both")})
      .Machine(std::string(R"(Software\Classes\CLSID\)") + kGuid + R"(\TypeLib)",
               {Sz("", "Gone.Library")});
}

TEST(ScanCommandTest, JsonFollowsTheContract) {
  TempPrefix prefix;
  PlantClassProblems(prefix);
  prefix.Open();
  const CliRun run = RunScanCli(
      {"scan", "--prefix", prefix.Path().string(), "--only", "Registry Integrity", "--json"});

  std::string expected = "{\"target\": \"" + prefix.Path().string() + "\", \"categories\": [";
  for (int i = 0; i < 23; ++i) {
    if (i > 0) expected += ", ";
    expected += "{\"index\": " + std::to_string(i + 1) + ", \"title\": \"" + kTitles[i] +
                "\", \"state\": \"" + (i == 0 ? "Finished" : "Skipped") +
                "\", \"count\": " + (i == 0 ? "2" : "0") + "}";
  }
  expected += "], \"problems\": [";
  expected +=
      std::string("{\"category\": \"Registry Integrity\", \"root\": \"HKEY_CLASSES_ROOT\", ") +
      "\"key\": \"\\\\CLSID\\\\" + kGuid + "\\\\InprocServer32\", \"value\": \"\", " +
      "\"data\": \"C:\\\\Program Files\\\\Gone\\\\a.dll\", \"reason\": \"File not found\", " +
      "\"selected\": true, \"missingFile\": true}, ";
  expected +=
      std::string("{\"category\": \"Registry Integrity\", \"root\": \"HKEY_CLASSES_ROOT\", ") +
      "\"key\": \"\\\\CLSID\\\\" + kGuid + "\\\\TypeLib\", \"value\": \"\", " +
      "\"data\": \"Gone.Library\", \"reason\": \"Missing ID\", \"selected\": true, " +
      "\"missingFile\": false}";
  expected += "], \"total\": 2, \"endedEarly\": null}\n";
  EXPECT_EQ(run.out, expected);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.exit, kExitProblemsFound);
}

TEST(ScanCommandTest, TextReportGroupsProblemsByCategory) {
  TempPrefix prefix;
  PlantClassProblems(prefix);
  prefix.Machine(R"(Software\Classes\.xyz)", {Sz("", "xyzfile")});
  prefix.Open();
  const CliRun run = RunScanCli({"scan", "--prefix", prefix.Path().string(), "--only",
                                 "registry integrity", "--only", "File Associations"});
  const std::string clsid = std::string("HKEY_CLASSES_ROOT\\CLSID\\") + kGuid;
  EXPECT_EQ(run.out, "Scanned " + prefix.Path().string() +
                         "\n"
                         "\n"
                         "Registry Integrity: 2 problems (severity High)\n"
                         "  [x] " +
                         clsid +
                         "\\InprocServer32  (Default)\n"
                         "      File not found: C:\\Program Files\\Gone\\a.dll\n"
                         "  [x] " +
                         clsid +
                         "\\TypeLib  (Default)\n"
                         "      Missing ID: Gone.Library\n"
                         "\n"
                         "File Associations: 1 problem (severity High)\n"
                         "  [x] HKEY_CLASSES_ROOT\\.xyz  (Default)\n"
                         "      Not associated: xyzfile\n"
                         "\n"
                         "Found 3 problems in 2 categories ([x]: selected for repair).\n");
  EXPECT_EQ(run.exit, kExitProblemsFound);
}

TEST(ScanCommandTest, TerminalShowsEachCategoryMoving) {
  TempPrefix prefix;
  PlantClassProblems(prefix);
  prefix.Open();
  const CliRun run = RunScanCli({"scan", "--prefix", prefix.Path().string(), "--only", "Interface",
                                 "--only", "Registry Integrity"},
                                true);
  const std::string header = "Scanning " + prefix.Path().string() + "\n";
  EXPECT_EQ(run.out.substr(0, header.size()), header);
  EXPECT_THAT(run.out, ::testing::HasSubstr("Registry Integrity: Scanning\n"
                                            "Registry Integrity: Finished, 2 problems\n"
                                            "Interface: Scanning\n"
                                            "Interface: Finished, 0 problems\n"
                                            "\nRegistry Integrity: 2 problems (severity High)\n"));
}

TEST(ScanCommandTest, CleanTargetExitsZero) {
  TempPrefix prefix;
  prefix.Open();
  const CliRun run =
      RunScanCli({"scan", "--prefix", prefix.Path().string(), "--only", "Interface"});
  EXPECT_EQ(run.out, "Scanned " + prefix.Path().string() + "\n\nNo problems found.\n");
  EXPECT_EQ(run.exit, kExitOk);
}

TEST(ScanCommandTest, UsageAndTargetErrors) {
  const CliRun unknown = RunScanCli({"scan", "--prefix", "/nonexistent", "--only", "Registry"});
  EXPECT_EQ(unknown.exit, kExitUsage);
  EXPECT_EQ(unknown.out, "");
  std::string expected = "ordrex-cli: unknown category \"Registry\"; the categories are:";
  for (int i = 0; i < 23; ++i)
    expected += std::string(i == 0 ? " " : ", ") + "\"" + kTitles[i] + "\"";
  EXPECT_EQ(unknown.err, expected + "\n");

  const CliRun missing = RunScanCli({"scan", "--prefix", "/nonexistent/prefix", "--json"});
  EXPECT_EQ(missing.exit, kExitUsage);
  EXPECT_EQ(missing.out, "");
  EXPECT_EQ(std::count(missing.err.begin(), missing.err.end(), '\n'), 1) << missing.err;
  EXPECT_THAT(missing.err, ::testing::StartsWith("ordrex-cli: "));
}

TEST(ScanCommandTest, CorruptRegistryFileIsATargetError) {
  TempPrefix prefix;
  prefix.Open();
  std::ofstream(prefix.Path() / "system.reg") << "not a registry file\n";
  const CliRun run = RunScanCli({"scan", "--prefix", prefix.Path().string()});
  EXPECT_EQ(run.exit, kExitUsage);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
}

TEST(LiveScanViewTest, LocationLineIsRewrittenAndClearedBeforeStateLines) {
  std::ostringstream out;
  LiveScanView view(out);
  view.ShowLocation("HKEY_CLASSES_ROOT\\CLSID\\{1}");
  view.ShowLocation("HKEY_CLASSES_ROOT\\CLSID\\{2}");
  MemoryTarget target;
  TOrdrex engine(target);
  engine.RegIntegrity.StatusText = "Finished";
  view.CategoryStatusChanged(engine.RegIntegrity);
  view.CategoryStatusChanged(engine.RegIntegrity);  // the same state is drawn once
  view.ShowLocation(std::string(150, 'x'));
  view.ShowLocation("");
  EXPECT_EQ(out.str(),
            "\r\033[KHKEY_CLASSES_ROOT\\CLSID\\{1}\r\033[KHKEY_CLASSES_ROOT\\CLSID\\{2}"
            "\r\033[KRegistry Integrity: Finished, 0 problems\n"
            "\r\033[K..." +
                std::string(97, 'x') + "\r\033[K");
}

}  // namespace
}  // namespace ordrex::cli
