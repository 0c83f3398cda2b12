// The CLI verbs run in this process: exact `info` and `scan` output, target errors, and repair.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include <fmt/format.h>
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "app/cli/cli_app.h"
#include "app/cli/json_writer.h"
#include "app/cli/scan_report.h"
#include "app/cli_fixture.h"
#include "platform/text.h"
#include "platform/wine/wine_prefix_target.h"
#include "support/fresh_prefix.h"
#include "support/process.h"
#include "support/registry_dump.h"
#include "support/temp_prefix.h"

namespace ordrex::cli {
namespace {

namespace fs = std::filesystem;
using ::testing::ContainsRegex;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::Not;
using testsupport::Sz;
using testsupport::TempPrefix;

// A locale of the test's own, for dates and times unlike the "C" ones ("09.03.2024",
// "16.00.00"), made by localedef from its own ASCII character map and found through LOCPATH.
constexpr const char* kDottedLocale = "xx_DOTTED";
bool MakeDottedLocale(const fs::path& folder) {
  fs::create_directories(folder);
  std::ofstream charmap(folder / "charmap");
  charmap << "<code_set_name> DOTTED-ASCII\n<escape_char> /\n<mb_cur_min> 1\n<mb_cur_max> 1\n"
             "CHARMAP\n";
  for (int c = 0; c < 128; ++c)
    charmap << fmt::format("<U{:04X}> /x{:02x}\n", c, c);
  charmap << "END CHARMAP\n";
  charmap.close();
  std::ofstream(folder / "source")
      << "LC_TIME\nd_fmt \"%d.%m.%Y\"\nt_fmt \"%H.%M.%S\"\nEND LC_TIME\n";
  // localedef complains about all the source leaves out, and (forced) makes it plain.
  testsupport::RunProcess({"localedef", "-c", "-i", (folder / "source").string(), "-f",
                           (folder / "charmap").string(), "--no-archive",
                           (folder / kDottedLocale).string()});
  if (!fs::exists(folder / kDottedLocale / "LC_TIME")) return false;
  setenv("LOCPATH", folder.c_str(), 1);
  return true;
}

CliRun RunCliWith(const std::vector<std::string>& args, Clock& clock,
                  std::map<std::string, std::string> environment, const std::string& input = "",
                  bool interactive = false) {
  std::ostringstream out;
  std::ostringstream err;
  std::istringstream in(input);
  CliContext context{out, err, in, clock, std::move(environment), interactive, nullptr, {}, {}, {}};
  const int code = RunCli(args, context);
  return {code, out.str(), err.str()};
}

// No settings of the user running the tests are read.
CliRun RunVerb(const std::vector<std::string>& args,
               std::map<std::string, std::string> environment = {{"HOME", "/nonexistent-home"}},
               bool interactive = false) {
  ManualClock clock;
  return RunCliWith(args, clock, std::move(environment), "", interactive);
}

TEST(InfoCommand, TextAndJsonShowWhatTheProgramSees) {
  const std::string p = kSample.string();
  const CliRun run = RunVerb({"info", "--prefix", p});
  EXPECT_EQ(run.exitCode, kExitOk);
  EXPECT_EQ(run.err, "");
  // "@" stands for the prefix; the key counts include the keys the files only imply.
  EXPECT_EQ(run.out, ReplaceAllText(R"(Target:             wine-prefix @
Windows:            Microsoft Windows 7, 6.1.7601 (NT)
Flags:              IsNT yes, IsWin9x no, IsWin2000OrLater yes
Computer:           SAMPLE, user sample
WindowsDir:         C:\windows\
SystemDir:          C:\windows\system32\
ProgramFilesDir:    C:\Program Files\
StartMenuDir:       C:\users\sample\AppData\Roaming\Microsoft\Windows\Start Menu\
CommonStartMenuDir: C:\ProgramData\Microsoft\Windows\Start Menu\
DesktopDir:         C:\users\sample\Desktop\
AppDataDir:         C:\users\sample\AppData\Roaming\
RecentDir:          C:\users\sample\AppData\Roaming\Microsoft\Windows\Recent\
HistoryDir:         C:\users\sample\AppData\Local\Microsoft\Windows\History\
Drives:
  C:  @/drive_c  (fixed)
Wineserver:         not running
Registry files:
  @/system.reg  108 keys
  @/user.reg  29 keys
  @/userdef.reg  3 keys
)",
                                    "@", p));

  const CliRun json = RunVerb({"info", "--json"}, {{"WINEPREFIX", p}});
  EXPECT_EQ(json.exitCode, kExitOk);
  EXPECT_EQ(json.err, "");
  EXPECT_EQ(
      json.out,
      ReplaceAllText(
          R"({"target": "@", "kind": "wine-prefix", "version": "6.1.7601", "isNT": true, )"
          R"("windowsDir": "C:\\windows\\", "systemDir": "C:\\windows\\system32\\", )"
          R"("programFilesDir": "C:\\Program Files\\", "specialFolders": {)"
          R"("startMenu": "C:\\users\\sample\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\", )"
          R"("commonStartMenu": "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\", )"
          R"("desktop": "C:\\users\\sample\\Desktop\\", )"
          R"("appData": "C:\\users\\sample\\AppData\\Roaming\\", )"
          R"("recent": "C:\\users\\sample\\AppData\\Roaming\\Microsoft\\Windows\\Recent\\", )"
          R"("history": "C:\\users\\sample\\AppData\\Local\\Microsoft\\Windows\\History\\"}, )"
          R"("drives": [{"letter": "C", "hostPath": "@/drive_c", "fixed": true}], )"
          R"("wineserverPid": null, "registryFiles": [{"path": "@/system.reg", "keys": 108}, )"
          R"({"path": "@/user.reg", "keys": 29}, {"path": "@/userdef.reg", "keys": 3}]})"
          "\n",
          "@", p));
}

// Wine told to report Windows 98 (what winecfg writes), in a folder whose name JSON must escape.
TEST(InfoCommand, WindowsNinetyEightInAnOddlyNamedFolder) {
  testsupport::ScratchFolder scratch;
  const fs::path prefix = scratch.Path() / "we\"ird\\dir\tname";
  testsupport::CopyPrefix(kSample, prefix);
  std::ofstream(prefix / "user.reg", std::ios::app)
      << "\n[Software\\\\Wine] 1700000000\n\"Version\"=\"win98\"\n";
  const CliRun run = RunVerb({"info", "--prefix", prefix.string()});
  ASSERT_EQ(run.exitCode, kExitOk) << run.err;
  EXPECT_THAT(run.out,
              HasSubstr("Windows:            Microsoft Windows 98, 4.10.2222 (Windows 9x)\n"
                        "Flags:              IsNT no, IsWin9x yes, IsWin2000OrLater no\n"));
  EXPECT_THAT(run.out, HasSubstr("SystemDir:          C:\\windows\\system\\\n"));
  // A trailing separator names the same prefix.
  const CliRun json = RunVerb({"info", "--json", "--prefix", prefix.string() + "/"});
  const std::string escaped = scratch.Path().string() + "/we\\\"ird\\\\dir\\tname";
  EXPECT_THAT(json.out, HasSubstr("{\"target\": \"" + escaped +
                                  "\", \"kind\": \"wine-prefix\", "
                                  "\"version\": \"4.10.2222\", \"isNT\": false, "));
}

std::vector<std::string> Titles() {
  MemoryTarget target;
  TOrdrex engine(target);
  std::vector<std::string> titles;
  for (const TCustomOrdrex* category : engine.Categories())
    titles.push_back(category->Title);
  return titles;
}

// Whatever the verb, an unusable target or unknown category is one line on stderr and exit 2.
TEST(UsageErrors, AreOneLineAndExitTwo) {
  testsupport::ScratchFolder scratch;
  const std::string s = scratch.Path().string();
  testsupport::WriteAll(scratch.Path() / "plain-file", "x");
  fs::create_directories(scratch.Path() / "reg-folder" / "system.reg");
  testsupport::CopyPrefix(kSample, scratch.Path() / "regedit");
  testsupport::WriteAll(scratch.Path() / "regedit" / "user.reg",
                        "REGEDIT4\n\n[HKEY_CURRENT_USER\\Environment]\n");
  std::string categories = "unknown category \"Registry\"; the categories are:";
  for (const std::string& title : Titles())
    categories += (categories.ends_with(':') ? " \"" : ", \"") + title + "\"";
  const struct {
    std::vector<std::string> args;
    std::string err;
    std::map<std::string, std::string> environment = {};
  } cases[] = {
      {{"info", "--prefix", s + "/missing"}, "The Wine prefix " + s + "/missing does not exist."},
      // No --prefix, no WINEPREFIX: the home folder's .wine.
      {{"info"}, "The Wine prefix " + s + "/.wine does not exist.", {{"HOME", s}}},
      {{"info"}, "no Wine prefix given: use --prefix DIR or set WINEPREFIX"},
      {{"info", "--prefix", s}, s + " is not a Wine prefix: it has no system.reg."},
      {{"scan", "--prefix", s + "/plain-file"},
       "The Wine prefix " + s + "/plain-file is not a folder."},
      {{"scan", "--json", "--prefix", s + "/reg-folder"},
       "Cannot read " + s + "/reg-folder/system.reg: it is not a regular file"},
      {{"info", "--prefix", s + "/regedit"},
       s + "/regedit/user.reg:1: expected \"WINE REGISTRY Version 2\" as the first line, found "
           "\"REGEDIT4\"; this is not a Wine registry file."},
      {{"info", "--windows", s + "/missing"},
       "The Windows volume " + s + "/missing does not exist."},
      {{"scan", "--windows", s},
       s + " is not a Windows volume: it has no Windows\\System32\\config folder."},
      {{"info", "--user", "ann"}, "--user requires --windows"},
      {{"info", "--windows", "/mnt/windows", "--prefix", kSample.string()},
       "--prefix excludes --windows"},
      {{"scan", "--prefix", "/nonexistent", "--only", "Registry"}, categories},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.err);
    const CliRun run = RunVerb(c.args, c.environment);
    EXPECT_EQ(run.exitCode, kExitUsage);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "ordrex-cli: " + c.err + "\n");
  }
}

TEST(JsonWriter, EscapesEverythingJsonForbids) {
  EXPECT_EQ(JsonQuote("a\"b\\c/d"), R"("a\"b\\c/d")");
  EXPECT_EQ(JsonQuote("\n\r\t\b\f"), R"("\n\r\t\b\f")");
  EXPECT_EQ(JsonQuote(std::string("\x01\x1f\x7f", 3)), R"("\u0001\u001f\u007f")");
  EXPECT_EQ(JsonQuote(std::string("nul\0x", 5)), R"("nul\u0000x")");
  EXPECT_EQ(JsonQuote("\xC3\xBC \xE2\x82\xAC"), "\"\xC3\xBC \xE2\x82\xAC\"");
  // Not UTF-8 (a Latin-1 byte, a cut sequence): each bad byte replaced, never passed through.
  EXPECT_EQ(JsonQuote("caf\xE9"), R"("caf\ufffd")");
  EXPECT_EQ(JsonQuote("x\xE2\x82"), R"("x\ufffd\ufffd")");
}

constexpr const char* kGuid = "{11111111-1111-1111-1111-111111111111}";

// A prefix with one class whose server is gone and one whose type library is not registered.
void PlantClassProblems(TempPrefix& prefix) {
  prefix.File(R"(C:\windows\system32\msfoo.dll)");
  prefix
      .Machine(std::string(R"(Software\Classes\CLSID\)") + kGuid + R"(\InprocServer32)",
               {Sz("", R"("C:\Program Files\Gone\a.dll")"), Sz("ThreadingModel", "Both")})
      .Machine(std::string(R"(Software\Classes\CLSID\)") + kGuid + R"(\TypeLib)",
               {Sz("", "Gone.Library")});
}

// The "categories" array of the JSON report when only the category at `ran` (from 1) ran.
std::string CategoriesJson(int ran, int count) {
  std::string out = "\"categories\": [";
  int i = 0;
  for (const std::string& title : Titles()) {
    ++i;
    out += std::string(i > 1 ? ", " : "") + "{\"index\": " + std::to_string(i) + ", \"title\": \"" +
           title + "\", \"state\": \"" + (i == ran ? "Finished" : "Skipped") +
           "\", \"count\": " + std::to_string(i == ran ? count : 0) + "}";
  }
  return out + "]";
}

TEST(ScanCommandTest, TextJsonProgressAndExitCodes) {
  TempPrefix prefix;
  PlantClassProblems(prefix);
  prefix.Machine(R"(Software\Classes\.xyz)", {Sz("", "xyzfile")});
  prefix.Open();
  const std::string p = prefix.Path().string();
  const CliRun run = RunVerb(
      {"scan", "--prefix", p, "--only", "registry integrity", "--only", "File Associations"});
  EXPECT_EQ(run.out, ReplaceAllText(R"(Scanned @

Registry Integrity: 2 problems (severity High)
  [x] HKEY_CLASSES_ROOT\CLSID\{11111111-1111-1111-1111-111111111111}\InprocServer32  (Default)
      File not found: C:\Program Files\Gone\a.dll
  [x] HKEY_CLASSES_ROOT\CLSID\{11111111-1111-1111-1111-111111111111}\TypeLib  (Default)
      Missing ID: Gone.Library

File Associations: 1 problem (severity High)
  [x] HKEY_CLASSES_ROOT\.xyz  (Default)
      Not associated: xyzfile

Found 3 problems in 2 categories ([x]: selected for repair).
)",
                                    "@", p));
  EXPECT_EQ(run.exitCode, kExitProblemsFound);

  // The problem objects are checked on the sample image's scan, the rest on the clean scan.
  const CliRun json = RunVerb({"scan", "--prefix", p, "--only", "Registry Integrity", "--json"});
  EXPECT_THAT(json.out, HasSubstr(CategoriesJson(1, 2) + ", \"problems\": [{\"category\": "));
  EXPECT_TRUE(json.out.ends_with("}], \"total\": 2, \"endedEarly\": null}\n")) << json.out;
  EXPECT_EQ(json.exitCode, kExitProblemsFound);

  const CliRun live =
      RunVerb({"scan", "--prefix", p, "--only", "Interface", "--only", "Registry Integrity"},
              {{"HOME", "/nonexistent-home"}}, true);
  EXPECT_TRUE(live.out.starts_with("Scanning " + p + "\n")) << live.out;
  EXPECT_THAT(live.out, HasSubstr("Registry Integrity: Scanning\n"
                                  "Registry Integrity: Finished, 2 problems\n"
                                  "Interface: Scanning\n"
                                  "Interface: Finished, 0 problems\n"
                                  "\nRegistry Integrity: 2 problems (severity High)\n"));

  const CliRun clean = RunVerb({"scan", "--prefix", p, "--only", "Interface"});
  EXPECT_EQ(clean.out, "Scanned " + p + "\n\nNo problems found.\n");
  EXPECT_EQ(clean.exitCode, kExitOk);
  const CliRun cleanJson = RunVerb({"scan", "--prefix", p, "--only", "Interface", "--json"});
  EXPECT_EQ(cleanJson.out, "{\"target\": \"" + p + "\", " + CategoriesJson(3, 0) +
                               ", \"problems\": [], \"total\": 0, \"endedEarly\": null}\n");
  EXPECT_EQ(cleanJson.exitCode, kExitOk);
}

struct Planted {
  const char* category;
  const char* root;  // nullptr: a machine class, seen under HKEY_CLASSES_ROOT and HKLM alike
  std::string key;   // under HKEY_CLASSES_ROOT when root is nullptr
  const char* data;
  const char* reason;
  bool selected = true;
  const char* value = "";
};

const std::string kSampleGuid = "{6A1E0C42-5B7D-4C1E-9A3F-2D8E4B7C9F";
const char* const kHkcr = "HKEY_CLASSES_ROOT";
const char* const kViewerExe = R"(C:\Program Files\Removed Viewer\viewer.exe)";
const char* const kViewerDll = R"(C:\Program Files\Removed Viewer\viewer.dll)";
const std::string kFileExts = R"(\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\)";
const Planted kPlanted[] = {
    {"Registry Integrity", kHkcr, R"(\CLSID\)" + kSampleGuid + R"(11}\InprocServer32)", kViewerDll,
     "File not found"},
    {"Registry Integrity", kHkcr, R"(\CLSID\)" + kSampleGuid + R"(11}\ProgID)",
     "RemovedViewer.Component.1", "Missing ID"},
    {"Registry Integrity", kHkcr, R"(\CLSID\)" + kSampleGuid + R"(11}\TypeLib)",
     "{6A1E0C42-5B7D-4C1E-9A3F-2D8E4B7C9F19}", "Missing ID"},
    // In the Windows folder: reported, not selected.
    {"Registry Integrity", kHkcr, R"(\CLSID\)" + kSampleGuid + R"(12}\LocalServer32)",
     R"(C:\windows\system32\oldtoolbar.exe)", "File not found", false},
    {"Registry Integrity", kHkcr, R"(\CLSID\)" + kSampleGuid + R"(12}\ProgID)", "", "Empty"},
    {"Open With Application", nullptr, R"(\Applications\blankapp.exe)", "", "Empty"},
    {"Open With Application", nullptr, R"(\Applications\oldedit.exe\shell)", "", "Data empty"},
    {"Open With Application", nullptr, R"(\Applications\viewer.exe\shell\open\command)", kViewerExe,
     "File not found"},
    {"Interface", kHkcr, R"(\Interface\)" + kSampleGuid + R"(13}\ProxyStubClsid32)",
     "{6A1E0C42-5B7D-4C1E-9A3F-2D8E4B7C9F1A}", "Missing ID"},
    {"Interface", kHkcr, R"(\Interface\)" + kSampleGuid + R"(13}\TypeLib)",
     "{6A1E0C42-5B7D-4C1E-9A3F-2D8E4B7C9F19}", "Missing ID"},
    {"Interface", kHkcr, R"(\Interface\)" + kSampleGuid + R"(14}\ProxyStubClsid)", "", "Empty"},
    {"File Associations", kHkcr, R"(\.rvw)", "RemovedViewer.Document", "Not associated"},
    {"File Associations", nullptr, R"(\.smpl)", "", "Data empty"},
    {"File Associations", nullptr, R"(\viewerdoc\shell\open\command)", kViewerExe,
     "File not found"},
    {"File Associations", nullptr, R"(\viewerdoc\DefaultIcon)", kViewerExe, "File not found"},
    {"File Associations", "HKEY_CURRENT_USER", kFileExts + ".rvd", "", "Not associated"},
    {"File Associations", "HKEY_CURRENT_USER", kFileExts + R"(.rvx\OpenWithProgids)", "",
     "Not associated", true, "RemovedViewer.Document"},
    {"Context Menu", kHkcr, R"(\samplefolder\shellex\ContextMenuHandlers)", "", "Empty"},
    {"Context Menu", kHkcr, R"(\viewerdoc\shellex\ContextMenuHandlers\RemovedShellExt)",
     "{6A1E0C42-5B7D-4C1E-9A3F-2D8E4B7C9F17}", "ID not found"},
    {"Context Menu", kHkcr, R"(\viewerdoc\shellex\ContextMenuHandlers\)" + kSampleGuid + "16}",
     "Removed Viewer Menu", "ID not found"},
};

// The sample's planted class, interface and shell problems as exact JSON, and nothing else there.
TEST(ScanSampleImage, JsonShowsEveryPlantedComAndShellProblem) {
  const CliRun run = RunVerb({"scan", "--json", "--prefix", kSample.string()});
  ASSERT_EQ(run.exitCode, kExitProblemsFound) << run.err;
  const std::string& json = run.out;
  EXPECT_TRUE(
      json.starts_with("{\"target\": " + JsonQuote(kSample.string()) + ", \"categories\": ["));
  std::map<std::string, int> perCategory;
  for (const Planted& p : kPlanted) {
    std::vector<std::pair<std::string, std::string>> where = {{p.root ? p.root : kHkcr, p.key}};
    if (!p.root) where.emplace_back("HKEY_LOCAL_MACHINE", R"(\SOFTWARE\Classes)" + p.key);
    for (const auto& [root, key] : where) {
      EXPECT_THAT(
          json,
          HasSubstr("{\"category\": " + JsonQuote(p.category) + ", \"root\": " + JsonQuote(root) +
                    ", \"key\": " + JsonQuote(key) + ", \"value\": " + JsonQuote(p.value) +
                    ", \"data\": " + JsonQuote(p.data) + ", \"reason\": " + JsonQuote(p.reason) +
                    ", \"selected\": " + (p.selected ? "true" : "false") + ", \"missingFile\": " +
                    (p.reason == std::string("File not found") ? "true" : "false") + "}"));
      ++perCategory[p.category];
    }
  }
  // Nothing else in these categories, and each walked to its end.
  const std::pair<int, const char*> categories[] = {{1, "Registry Integrity"},
                                                    {3, "Interface"},
                                                    {6, "Open With Application"},
                                                    {8, "File Associations"},
                                                    {19, "Context Menu"}};
  for (const auto& [index, title] : categories) {
    EXPECT_THAT(json, HasSubstr("{\"index\": " + std::to_string(index) + ", \"title\": " +
                                JsonQuote(title) + ", \"state\": \"Finished\", \"count\": " +
                                std::to_string(perCategory[title]) + "}"));
  }
  EXPECT_THAT(json, HasSubstr("\"endedEarly\": null}"));
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

class RepairCliTest : public PrefixCliTest {
 protected:
  CliRun Run(const std::vector<std::string>& args, const std::string& input = "") {
    return RunCliWith(args, clock_, environment_, input);
  }

  fs::path BackupDir() const { return scratch_.Path() / "data" / "zentrix" / "Backup"; }
};

// The round trip the README shows, after a first run that is not confirmed.
TEST_F(RepairCliTest, RepairScanAgainAndRestoreTheBackup) {
  const std::string original = Dump();
  const CliRun unanswered = Run({"repair", "--prefix", prefix_.string()}, "");
  EXPECT_EQ(unanswered.exitCode, kExitOk);
  EXPECT_THAT(unanswered.out, HasSubstr("[y/N]"));
  EXPECT_THAT(unanswered.out, HasSubstr("Nothing was changed."));
  EXPECT_EQ(Dump(), original);
  EXPECT_FALSE(fs::exists(BackupDir()));
  EXPECT_THAT(Run({"backups", "list"}).out, HasSubstr("The backup list is empty."));

  const CliRun repair = Run({"repair", "--prefix", prefix_.string(), "--yes"});
  ASSERT_EQ(repair.exitCode, kExitOk) << repair.err;
  EXPECT_THAT(repair.out, HasSubstr("Finding Solution: Finished"));
  EXPECT_THAT(repair.out, HasSubstr("Backup saved: " + BackupDir().string()));
  EXPECT_NE(Dump(), original);

  // Only what was not selected is found again.
  const CliRun again = Run({"scan", "--prefix", prefix_.string()});
  EXPECT_THAT(again.out, Not(HasSubstr("  [x] ")));
  EXPECT_THAT(again.out, HasSubstr("  [ ] "));

  const CliRun list = Run({"backups"});
  EXPECT_THAT(list.out, HasSubstr("\n1   "));
  EXPECT_THAT(list.out, HasSubstr("taken from " + prefix_.string()));
  // Dates and times in the user's formats: "C" when none is set, or the one set is unknown.
  const std::string cFormats = "[0-9]{2}/[0-9]{2}/24  [0-9]{2}:[0-9]{2}:[0-9]{2}  /";
  EXPECT_THAT(list.out, ContainsRegex(cFormats));
  environment_["LANG"] = "xx_NOWHERE.UTF-8";
  EXPECT_THAT(Run({"backups"}).out, ContainsRegex(cFormats));
  if (MakeDottedLocale(scratch_.Path() / "locales")) {
#if defined(__SANITIZE_ADDRESS__)
    // glibc's newlocale keeps its copy of LOCPATH for good: not ours to free.
    __lsan::ScopedDisabler lsanOff;
#endif
    environment_["LC_TIME"] = kDottedLocale;
    EXPECT_THAT(Run({"backups"}).out,
                ContainsRegex("[0-9]{2}\\.[0-9]{2}\\.2024  [0-9]{2}\\.[0-9]{2}\\.[0-9]{2}  /"));
    environment_["LC_ALL"] = "C";
    EXPECT_THAT(Run({"backups"}).out, ContainsRegex(cFormats));
    unsetenv("LOCPATH");
  } else {
    ADD_FAILURE() << "localedef could not make the test locale";
  }
  const CliRun wrong = Run({"backups", "restore", "3", "--yes"});
  EXPECT_EQ(wrong.exitCode, kExitUsage);
  EXPECT_THAT(wrong.err, HasSubstr("there is no backup 3"));
  EXPECT_EQ(Run({"backups", "restore"}).exitCode, kExitUsage);
  const CliRun restore = Run({"backups", "restore", "1", "--yes"});
  ASSERT_EQ(restore.exitCode, kExitOk) << restore.err;
  EXPECT_THAT(restore.out, HasSubstr("Restored "));
  EXPECT_EQ(Dump(), original);

  // A backup file deleted behind the list's back cannot be restored, and says so.
  for (const auto& entry : fs::directory_iterator(BackupDir())) {
    if (entry.path().extension() == ".reg") fs::remove(entry.path());
  }
  const CliRun gone = Run({"backups", "restore", "1", "--yes"});
  EXPECT_EQ(gone.exitCode, kExitUsage);
  EXPECT_THAT(gone.err, HasSubstr("Selected file can't be found."));
  EXPECT_THAT(Run({"backups"}).out, HasSubstr("File Not Found."));
  EXPECT_EQ(Run({"backups", "delete", "1"}).exitCode, kExitOk);
  EXPECT_THAT(Run({"backups"}).out, HasSubstr("The backup list is empty."));
  EXPECT_EQ(Run({"backups", "clear"}).exitCode, kExitOk);
}

// One JSON object on standard output; without a backup the repair is made all the same.
TEST_F(RepairCliTest, JsonAddsTheBackupAndTheCount) {
  const std::string original = Dump();
  for (const bool backup : {false, true}) {
    if (backup) testsupport::CopyPrefix(kSample, scratch_.Path() / "again");
    const fs::path prefix = backup ? scratch_.Path() / "again" : prefix_;
    std::vector<std::string> args = {"repair", "--prefix", prefix.string(), "--yes", "--json"};
    if (!backup) args.push_back("--no-backup");
    const CliRun repair = Run(args);
    ASSERT_EQ(repair.exitCode, kExitOk) << repair.err;
    // One line: the object, the count of repairs made, and what the follow-up scan found.
    EXPECT_THAT(repair.out, MatchesRegex("\\{\"target\": [^\n]*, \"followUp\": 0\\}\n"));
    EXPECT_THAT(repair.out, ContainsRegex("\"repaired\": [1-9]"));
    EXPECT_THAT(repair.out, HasSubstr(backup ? "\"backup\": \"" + BackupDir().string()
                                             : std::string("\"backup\": null")));
    EXPECT_EQ(fs::exists(BackupDir()), backup);
    if (!backup) {
      EXPECT_THAT(Run({"backups"}).out, HasSubstr("The backup list is empty."));
    }
  }
  EXPECT_NE(Dump(), original);
}

}  // namespace
}  // namespace ordrex::cli
