// Whole repair runs on written prefixes, and the restore that gives back every key and value.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "backup/backup_file.h"
#include "backup/repair_run.h"
#include "backup/shortcut_copies.h"
#include "platform/wine/wine_prefix_target.h"
#include "support/fresh_prefix.h"
#include "support/prefix_engine.h"
#include "support/registry_dump.h"

namespace ordrex {
namespace {

namespace fs = std::filesystem;
using namespace testsupport;
using ::testing::HasSubstr;

const std::string kCurrentVersion = R"(Software\Microsoft\Windows\CurrentVersion\)";
const std::string kExplorer = kCurrentVersion + R"(Explorer\)";

// Problems of every category NT scans, some in files the search finds elsewhere on the drive.
class RepairRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const KnownLocations known = KnownOf(prefix_);
    ASSERT_FALSE(known.DesktopDir.empty());
    ASSERT_FALSE(known.RecentDir.empty());
    win_ = known.WindowsDir;
    desktopPif_ = known.DesktopDir + "gone.pif";
    dosPif_ = win_ + "oldgame.pif";
    const std::string g = "{6A1E0C42-5B7D-4C1E-9A3F-2D8E4B7C9F01}";
    const std::string h = "{6A1E0C42-5B7D-4C1E-9A3F-2D8E4B7C9F02}";
    prefix_.File(R"(C:\Moved\moved.dll)")
        .File(R"(C:\Moved\tray.exe)")
        .File(R"(C:\Apps\foo.exe)")
        .Folder(R"(C:\Apps)")
        // COM: one server moved (found by the search), one gone, a library and an interface.
        .Machine(R"(Software\Classes\CLSID\)" + g + R"(\InprocServer32)",
                 {ExpandSz("", R"(C:\Old\moved.dll)"), Sz("ThreadingModel", "Apartment")})
        .Machine(R"(Software\Classes\CLSID\)" + h + R"(\LocalServer32)",
                 {Sz("", R"(C:\Gone\server.exe /automation)")})
        .Machine(R"(Software\Classes\TypeLib\)" + g + R"(\1.0\0\win32)",
                 {Sz("", R"(C:\Gone\lib.tlb)")})
        // Sound until the repair removes the library it names.
        .Machine(R"(Software\Classes\CLSID\)" + g + R"(\TypeLib)", {Sz("", g)})
        .Machine(R"(Software\Classes\Interface\)" + g + R"(\ProxyStubClsid32)",
                 {Sz("", "{6A1E0C42-5B7D-4C1E-9A3F-2D8E4B7C9F99}")})
        // Shell: an extension without class, an Open With program, a context-menu handler.
        .Machine(R"(Software\Classes\.zzq)", {Sz("", "zzqfile")})
        .Machine(R"(Software\Classes\Applications\gone.exe\shell\open\command)",
                 {Sz("", R"("C:\Gone\gone.exe" "%1")")})
        .Machine(R"(Software\Classes\txtfile\shellex\ContextMenuHandlers\Gone)",
                 {Sz("", "{6A1E0C42-5B7D-4C1E-9A3F-2D8E4B7C9F98}")})
        .Machine(R"(Software\Classes\txtfile\shellex\ContextMenuHandlers\Kept)", {Sz("", g)})
        // Software.
        .Machine(kCurrentVersion + R"(App Paths\foo.exe)",
                 {Sz("", R"(C:\Apps\foo.exe)"), Sz("Path", R"(C:\Apps;C:\GonePath)")})
        .Machine(kCurrentVersion + R"(Uninstall\GoneApp)",
                 {Sz("UninstallString", R"(C:\Gone\unins000.exe /SILENT)"),
                  Sz("DisplayName", "Gone App"), Dword("NoModify", 1)})
        .Machine(kCurrentVersion + "SharedDLLs", {Dword(R"(C:\Gone\shared.dll)", 2)})
        .Machine(kCurrentVersion + R"(Installer\Folders)", {Sz(R"(C:\GoneFolder\)", "")})
        // Found copies are linked by the entry's name: a label is never pointed at a program.
        .User(kCurrentVersion + "Run", {ExpandSz("tray.exe", R"(C:\Old\tray.exe -quiet)"),
                                        Sz("Agent", R"(C:\Old\tray.exe)")})
        .User(R"(Software\EmptyVendor)")
        // Recent lists and the Start menu order.
        .User(kExplorer + "RunMRU",
              {Sz("a", R"(C:\Gone\tool.exe\1)"), Sz("b", "notepad\\1"), Sz("MRUList", "ab")})
        .User(kExplorer + R"(RecentDocs\.txt)",
              {Binary("0", RecentDocsValue("doc", "DOC~1.LNK", "doc.txt.lnk")),
               Binary("MRUListEx", {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF})})
        .User(kExplorer + R"(MenuOrder\Start Menu2\Programs\Old Game)", {Binary("Order", {1})})
        // System files.
        .Machine(R"(System\CurrentControlSet\Services\gonesvc)",
                 {ExpandSz("ImagePath", R"(C:\Gone\gonesvc.exe)"), Dword("Type", 16),
                  MultiSz("DependOnService", {"RpcSs", "Tcpip"})})
        .Machine(R"(Software\Microsoft\Windows NT\CurrentVersion\Fonts)",
                 {Sz("Lost (TrueType)", "lost.ttf")})
        .Machine(R"(Software\Microsoft\Windows\Help)", {Sz("gone.hlp", R"(C:\GoneHelp)")})
        .Machine(R"(System\CurrentControlSet\Services\Eventlog\Application\GoneSrc)",
                 {Sz("EventMessageFile", R"(C:\Gone\msg.dll)"), Dword("TypesSupported", 7)});
    PutFile(prefix_, dosPif_, PifFile(R"(C:\GAMES\OLD.EXE)"));
    PutFile(prefix_, desktopPif_, ShellLinkTo(R"(C:\Gone\desk.exe)"));
    target_ = prefix_.Open();
    original_ = Dump(*target_);
  }

  static std::string Dump(Target& target) { return DumpRoots(target, DumpOrder::kSorted); }
  std::unique_ptr<Target> Reopen() { return OpenWinePrefix(prefix_.Path(), clock_); }

  // A scan of every category, with every problem selected.
  void ScanAll(TOrdrex& engine) {
    RunScan(engine);
    for (TCustomOrdrex* category : engine.Categories()) {
      for (const auto& problem : category->Problems())
        problem->Selected = true;
    }
  }

  RepairOptions Options() {
    RepairOptions options;
    options.backupDir = scratch_.Path() / "Backup";
    options.restoreList = &list_;
    return options;
  }

  TempPrefix prefix_;
  ScratchFolder scratch_;
  ManualClock clock_;
  std::unique_ptr<Target> target_;
  std::string original_;
  std::string win_;
  std::string dosPif_;
  std::string desktopPif_;
  TRestoreList list_;
};

TEST_F(RepairRunTest, RepairThenRestoreGivesBackEveryKeyAndValue) {
  TOrdrex engine(*target_, clock_);
  ScanAll(engine);
  for (TCustomOrdrex* category : engine.Categories()) {
    if (category->Enabled && category->Listed && category != &engine.SystemExtensions) {
      EXPECT_GT(category->Count(), 0) << category->Title << " has no problem to repair";
    }
  }
  RepairRun run(engine, Options());
  const RepairRunResult result = run.Run();
  ASSERT_EQ(result.error, "");
  EXPECT_TRUE(result.registrySaved);
  EXPECT_EQ(result.failedCount, 0);
  ASSERT_TRUE(result.backupFile.has_value());
  ASSERT_EQ(list_.Count(), 1);
  EXPECT_EQ(list_.Items(0).FileName, result.backupFile->string());
  EXPECT_EQ(list_.Items(0).TargetLocation, prefix_.Path().string());

  // What reached the files: the moved files are pointed at, everything else is gone.
  std::unique_ptr<Target> repaired = Reopen();
  TRegistry reg(*repaired, kClassesRoot);
  ASSERT_TRUE(
      reg.OpenKey(R"(\CLSID\{6A1E0C42-5B7D-4C1E-9A3F-2D8E4B7C9F01}\InprocServer32)", false));
  EXPECT_EQ(reg.ReadString(""), R"(C:\Moved\moved.dll)");
  reg.SetRootKey(kCurrentUser);
  ASSERT_TRUE(reg.OpenKey(R"(\Software\Microsoft\Windows\CurrentVersion\Run)", false));
  EXPECT_EQ(reg.ReadString("tray.exe"), R"(C:\Moved\tray.exe -quiet)");
  EXPECT_FALSE(reg.ValueExists("Agent"));
  EXPECT_FALSE(reg.KeyExists(R"(\Software\EmptyVendor)"));
  EXPECT_FALSE(fs::exists(prefix_.HostPath(dosPif_)));
  EXPECT_FALSE(fs::exists(prefix_.HostPath(desktopPif_)));
  // A second scan finds only what the repair itself made stale, and the run counted it.
  EXPECT_EQ(result.followUpCount, 1);
  TOrdrex again(*repaired, clock_);
  RunScan(again);
  for (TCustomOrdrex* category : again.Categories()) {
    EXPECT_EQ(category->Count(), category == &again.RegIntegrity ? 1 : 0) << category->Title;
  }

  RestoreOutcome outcome = RestoreBackup(list_.Items(0), *repaired);
  ASSERT_TRUE(outcome.restored) << outcome.message;
  EXPECT_EQ(outcome.shortcutsPutBack, 2);
  EXPECT_EQ(Dump(*Reopen()), original_) << ReadAll(*result.backupFile);
  EXPECT_TRUE(fs::exists(prefix_.HostPath(dosPif_)));
  EXPECT_TRUE(fs::exists(prefix_.HostPath(desktopPif_)));
}

// A backup that cannot be written leaves registry files, shortcuts and restore list as they were.
TEST_F(RepairRunTest, ABackupThatCannotBeWrittenChangesNothing) {
  const std::string systemBefore = ReadAll(prefix_.Path() / "system.reg");
  const std::string userBefore = ReadAll(prefix_.Path() / "user.reg");
  // A folder below a regular file can never be made, whoever runs the test.
  const fs::path blocker = scratch_.Path() / "not-a-folder";
  std::ofstream(blocker) << "x";
  for (const bool folderFails : {true, false}) {
    SCOPED_TRACE(folderFails ? "folder" : "save");
    TOrdrex engine(*target_, clock_);
    ScanAll(engine);
    RepairOptions options = Options();
    if (folderFails) {
      options.backupDir = blocker / "Backup";
    } else {
      options.saveBackup = [](const TBackupLines&, const fs::path&,
                              std::chrono::system_clock::time_point) -> fs::path {
        throw std::runtime_error("No space left on device");
      };
    }
    const RepairRunResult result = RepairRun(engine, options).Run();
    EXPECT_THAT(result.error, HasSubstr(folderFails ? "cannot be written" : "No space left"));
    EXPECT_THAT(result.error,
                HasSubstr(folderFails ? "Nothing was repaired" : "The registry was not changed"));
    EXPECT_FALSE(result.registrySaved);
    if (folderFails) {
      EXPECT_FALSE(result.repaired);
      EXPECT_FALSE(result.backupFile.has_value());
      EXPECT_EQ(Dump(*target_), original_);  // not even in memory
    }
    EXPECT_EQ(ReadAll(prefix_.Path() / "system.reg"), systemBefore);
    EXPECT_EQ(ReadAll(prefix_.Path() / "user.reg"), userBefore);
    // The shortcut files a repair deletes are there, or back.
    EXPECT_TRUE(fs::exists(prefix_.HostPath(dosPif_)));
    EXPECT_TRUE(fs::exists(prefix_.HostPath(desktopPif_)));
    EXPECT_EQ(list_.Count(), 0);
  }
}

TEST_F(RepairRunTest, AStopDuringTheSearchRepairsNothing) {
  TOrdrex engine(*target_, clock_);
  ScanAll(engine);
  std::vector<std::string> rows;
  RepairRunEvents events;
  RepairRun* running = nullptr;
  events.AddRow = [&](const std::string& location, const std::string&) {
    rows.push_back(location);
    if (location == kFindingSolutionRow) running->Cancel();
  };
  events.SetLastRowStatus = [&](const std::string& status) { rows.back() += ": " + status; };
  RepairRun run(engine, Options(), events);
  running = &run;
  const RepairRunResult result = run.Run();
  EXPECT_THAT(rows, ::testing::ElementsAre("Finding Solution: Cancelled"));
  EXPECT_FALSE(result.repaired);
  EXPECT_FALSE(fs::exists(scratch_.Path() / "Backup"));
  EXPECT_EQ(Dump(*target_), original_);
  EXPECT_EQ(run.State(), RepairState::Done);
}

}  // namespace
}  // namespace ordrex
