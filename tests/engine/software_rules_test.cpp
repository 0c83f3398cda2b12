// Application paths, uninstall entries, startup programs, shared libraries, installer folders
// and empty vendor keys, on small prefixes written by each test.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/prefix_engine.h"

namespace ordrex {
namespace {

using ::testing::ElementsAre;
using namespace testsupport;

const std::string kVersion = R"(Software\Microsoft\Windows\CurrentVersion\)";
const std::string kMachineVersion =
    R"(HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\)";

TEST(AppPathRule, ProgramsAndFolderLists) {
  TempPrefix prefix;
  prefix.File(R"(C:\Apps\foo.exe)").Folder(R"(C:\Tools)").File(R"(C:\windows\system32\onpath.exe)");
  const std::string appPaths = kVersion + R"(App Paths\)";
  prefix
      // Present program; one folder of the list is gone.
      .Machine(appPaths + "foo.exe",
               {Sz("", R"(C:\Apps\foo.exe)"), Sz("Path", R"(C:\Apps;D:\Gone)")})
      // A bare name without folders is not looked for along the search path.
      .Machine(appPaths + "onpath.exe", {Sz("", "onpath.exe")})
      // A bare name is present when its application folder exists, file or not.
      .Machine(appPaths + "tool.exe", {Sz("", "tool.exe"), Sz("Path", R"(C:\Tools)")})
      // Without a string default nothing is examined, not even the folders.
      .Machine(appPaths + "nodefault.exe", {Dword("", 1), Sz("Path", R"(C:\Nowhere)")})
      // An empty piece is reported; a trailing ";" is not a piece.
      .Machine(appPaths + "pieces.exe",
               {Sz("", R"("C:\Apps\foo.exe" -x)"), Sz("Path", R"(C:\Apps;;)")})
      // A missing program inside the Windows folder is reported but not pre-selected.
      .Machine(appPaths + "sys.exe", {Sz("", R"(C:\windows\gone.exe)")})
      // An empty piece stands for the search path, which finds the bare name: both stay.
      .Machine(appPaths + "viasearch.exe", {Sz("", "onpath.exe"), Sz("Path", R"(;C:\Gone)")});
  PrefixEngine scan(prefix);
  scan.ScanOnly({&scan.Engine().AppPath});
  EXPECT_THAT(
      Problems(scan.Engine().AppPath, kMachineVersion + R"(App Paths\)"),
      ElementsAre(R"(foo.exe | Path | D:\Gone | Path not found | selected | -)",
                  "onpath.exe |  | onpath.exe | File not found | selected | missing",
                  "pieces.exe | Path |  | Path not found | selected | -",
                  R"(sys.exe |  | C:\windows\gone.exe | File not found | unselected | missing)",
                  R"(viasearch.exe | Path | C:\Gone | Path not found | selected | -)"));
}

TEST(UninstallRule, TestsTheProgramAndKeepsTheCommand) {
  const std::string key = kVersion + R"(Uninstall\)";
  TempPrefix prefix;
  prefix.File(R"(C:\windows\system32\msiexec.exe)")
      .Machine(key + "Cut", {Sz("UninstallString", R"(C:\Program Files\App\unins000.exe /SILENT)")})
      // The clean-up keeps the arguments here (the last word has an extension of its own).
      .Machine(key + "Whole",
               {Sz("UninstallString",
                   R"("C:\Program Files\App\uninstall.exe" /log C:\Program Files\App\log.txt)")})
      .Machine(key + "Msi",
               {Sz("UninstallString", "MsiExec.exe /X{12345678-1234-1234-1234-123456789012}")})
      .Machine(key + "NoExe", {Sz("UninstallString", R"(C:\Gone\setup.com /u)")})
      .Machine(key + "Rundll", {Sz("UninstallString", R"(rundll32.exe C:\Gone\x.exe,Remove)")})
      .Machine(key + "NotString", {Dword("UninstallString", 7)});
  PrefixEngine scan(prefix);
  scan.ScanOnly({&scan.Engine().Uninstall});
  const TCustomOrdrex& cat = scan.Engine().Uninstall;
  EXPECT_THAT(
      Problems(cat, kMachineVersion + R"(Uninstall\)"),
      ElementsAre(
          R"(Cut | UninstallString | C:\Program Files\App\unins000.exe | File not found | selected | missing)",
          R"(Whole | UninstallString | C:\Program Files\App\uninstall.exe /log C:\Program Files\App\log.txt | File not found | selected | missing)"));
  ASSERT_EQ(cat.Count(), 2);
  EXPECT_EQ(cat.Items(1).MissingPath, R"(C:\Program Files\App\uninstall.exe)");
  EXPECT_GE(scan.Engine().ErrorFiles.IndexOf("UNINSTALL.EXE"), 0);
  EXPECT_EQ(scan.Engine().ErrorFiles.IndexOf("LOG.TXT"), -1);
}

// Startup programs of both roots, shared library counts and installer folders: lists of
// values, each naming a file or folder.
TEST(ValueListRules, StartupSharedLibrariesAndInstallerFolders) {
  const std::string run = kVersion + "Run";
  TempPrefix prefix;
  prefix.File(R"(C:\Tools\agent.exe)")
      .File(R"(C:\App\here.dll)")
      .Folder(R"(C:\Program Files\App)")
      .User(run, {Sz("agent", R"(C:\Tools\agent.exe /background)"),
                  Sz("gone", R"(C:\Gone\user.exe /x)"), Sz("empty", "")})
      .Machine(run, {Sz("machine", R"("C:\Gone\machine.exe")"),
                     Sz("host", R"(rundll32.exe C:\Gone\x.dll,Start)")})
      .Machine(kVersion + "SharedDLLs",
               {Dword(R"(C:\windows\system32\gone.dll)", 1), Dword(R"(C:\App\gone.dll)", 2),
                Dword(R"(C:\App\here.dll)", 1)})
      .Machine(kVersion + R"(Installer\Folders)",
               {Sz(R"(C:\Program Files\App\)", ""), Sz(R"(C:\Program Files\Gone\)", "")});
  PrefixEngine scan(prefix);
  TOrdrex& engine = scan.Engine();
  scan.ScanOnly({&engine.Startup, &engine.MicrosoftShared, &engine.Installer});
  const std::string key = R"(\SOFTWARE\Microsoft\Windows\CurrentVersion\Run\ | )";
  EXPECT_THAT(
      Problems(engine.Startup),
      ElementsAre("HKEY_CURRENT_USER" + key +
                      R"(gone | C:\Gone\user.exe | File not found | selected | missing)",
                  "HKEY_LOCAL_MACHINE" + key +
                      R"(machine | C:\Gone\machine.exe | File not found | selected | missing)"));
  // Sorted by name; only the counts of system files are pre-selected.
  EXPECT_THAT(
      Problems(engine.MicrosoftShared, kMachineVersion + R"(SharedDLLs\ | )"),
      ElementsAre(R"(C:\App\gone.dll |  | File not found | unselected | missing)",
                  R"(C:\windows\system32\gone.dll |  | File not found | selected | missing)"));
  EXPECT_GE(engine.ErrorFiles.IndexOf("GONE.DLL"), 0);
  EXPECT_THAT(
      Problems(engine.Installer, kMachineVersion),
      ElementsAre(
          R"(Installer\Folders\ | C:\Program Files\Gone\ |  | Path not found | selected | -)"));
  EXPECT_EQ(engine.Startup.StatusText, "Finished");
}

TEST(OldSoftwareRule, EmptyVendorKeysOnBothRootsButNeverSecure) {
  TempPrefix prefix;
  prefix.User(R"(Software\OldVendor)")
      .User(R"(Software\Secure)")
      .User(R"(Software\Busy)", {Sz("x", "y")})
      .Machine(R"(Software\OldVendor)")
      // Keys of Windows itself, empty on many systems.
      .Machine(R"(Software\Policies)")
      .Machine(R"(Software\Registered Applications)")
      .Machine(R"(Software\Parent\Child)");
  PrefixEngine scan(prefix);
  scan.ScanOnly({&scan.Engine().OldSoftware});
  // The single blank value marks the whole key.
  EXPECT_THAT(
      Problems(scan.Engine().OldSoftware),
      ElementsAre(
          R"(HKEY_CURRENT_USER\SOFTWARE\OldVendor |   |  | Deleted Software | selected | missing)",
          R"(HKEY_LOCAL_MACHINE\SOFTWARE\OldVendor |   |  | Deleted Software | selected | missing)"));
  EXPECT_EQ(scan.Engine().ErrorFileCount(), 0);
}

}  // namespace
}  // namespace ordrex
