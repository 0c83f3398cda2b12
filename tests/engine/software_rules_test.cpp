// Application paths, uninstall entries, startup programs, shared libraries, installer folders
// and empty vendor keys, on small prefixes written by each test.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/rules_scan.h"

namespace ordrex {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using namespace testsupport;

const std::string kAppPaths = R"(Software\Microsoft\Windows\CurrentVersion\App Paths\)";
const std::string kAppPathsKey = R"(\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\)";

TEST(AppPathRule, FolderListCases) {
  TempPrefix prefix;
  prefix.File(R"(C:\Apps\foo.exe)").Folder(R"(C:\Tools)").File(R"(C:\windows\system32\onpath.exe)");
  prefix
      // Present program; one folder of the list is gone.
      .Machine(kAppPaths + "foo.exe",
               {Sz("", R"(C:\Apps\foo.exe)"), Sz("Path", R"(C:\Apps;D:\Gone)")})
      // A bare name without folders is not looked for along the search path.
      .Machine(kAppPaths + "onpath.exe", {Sz("", "onpath.exe")})
      // A bare name is present when its application folder exists, file or not.
      .Machine(kAppPaths + "tool.exe", {Sz("", "tool.exe"), Sz("Path", R"(C:\Tools)")})
      // Without a string default nothing is examined, not even the folders.
      .Machine(kAppPaths + "nodefault.exe", {Dword("", 1), Sz("Path", R"(C:\Nowhere)")})
      // An empty piece is reported; a trailing ";" is not a piece.
      .Machine(kAppPaths + "pieces.exe",
               {Sz("", R"("C:\Apps\foo.exe" -x)"), Sz("Path", R"(C:\Apps;;)")})
      // A missing program inside the Windows folder is reported but not pre-selected.
      .Machine(kAppPaths + "sys.exe", {Sz("", R"(C:\windows\gone.exe)")})
      // An empty piece stands for the search path, which finds the bare name: both stay.
      .Machine(kAppPaths + "viasearch.exe", {Sz("", "onpath.exe"), Sz("Path", R"(;C:\Gone)")});
  OpenedPrefix opened = OpenWithOnly(prefix, {kAppPathIndex});
  RunScan(*opened.engine);
  const TCustomOrdrex& cat = opened.engine->AppPath;
  EXPECT_THAT(Lines(cat),
              ElementsAre(kAppPathsKey + "foo.exe | Path | D:\\Gone | Path not found",
                          kAppPathsKey + "onpath.exe |  | onpath.exe | File not found",
                          kAppPathsKey + "pieces.exe | Path |  | Path not found",
                          kAppPathsKey + R"(sys.exe |  | C:\windows\gone.exe | File not found)",
                          kAppPathsKey + R"(viasearch.exe | Path | C:\Gone | Path not found)"));
  ASSERT_EQ(cat.Count(), 5);
  EXPECT_FALSE(cat.Items(0).MissingFile);
  EXPECT_TRUE(cat.Items(1).MissingFile);
  EXPECT_TRUE(cat.Items(1).Selected);
  EXPECT_FALSE(cat.Items(3).Selected);
  EXPECT_EQ(cat.Items(0).RootKey, kLocalMachine);
}

TEST(UninstallRule, TestsTheProgramAndKeepsTheCommand) {
  const std::string key = R"(Software\Microsoft\Windows\CurrentVersion\Uninstall\)";
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
  OpenedPrefix opened = OpenWithOnly(prefix, {kUninstallIndex});
  RunScan(*opened.engine);
  const TCustomOrdrex& cat = opened.engine->Uninstall;
  const std::string k = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  EXPECT_THAT(
      Lines(cat),
      ElementsAre(
          k + R"(Cut | UninstallString | C:\Program Files\App\unins000.exe | File not found)",
          k + R"(Whole | UninstallString | C:\Program Files\App\uninstall.exe /log C:\Program Files\App\log.txt | File not found)"));
  ASSERT_EQ(cat.Count(), 2);
  EXPECT_EQ(cat.Items(1).MissingPath, R"(C:\Program Files\App\uninstall.exe)");
  EXPECT_EQ(cat.Items(1).TestedPath(), R"(C:\Program Files\App\uninstall.exe)");
  const TErrorFiles& missing = opened.engine->ErrorFiles;
  EXPECT_GE(missing.IndexOf("UNINSTALL.EXE"), 0);
  EXPECT_EQ(missing.IndexOf("LOG.TXT"), -1);
}

TEST(UninstallRule, StoppingEndsTheWalkAtTheNextEntry) {
  const std::string key = R"(Software\Microsoft\Windows\CurrentVersion\Uninstall\)";
  TempPrefix prefix;
  for (const char* name : {"A", "B", "C"}) {
    prefix.Machine(key + name, {Sz("UninstallString", std::string(R"(C:\Gone\)") + name + ".exe")});
  }
  OpenedPrefix opened = OpenWithOnly(prefix, {kUninstallIndex});
  opened.engine->OnProblem = [](TOrdrex& engine) { engine.Stop(true); };
  RunScan(*opened.engine);
  EXPECT_EQ(opened.engine->Uninstall.Count(), 1);
}

TEST(StartupRule, ChecksTheRunKeyOfBothRoots) {
  const std::string run = R"(Software\Microsoft\Windows\CurrentVersion\Run)";
  TempPrefix prefix;
  prefix.File(R"(C:\Tools\agent.exe)")
      .User(run, {Sz("agent", R"(C:\Tools\agent.exe /background)"),
                  Sz("gone", R"(C:\Gone\user.exe /x)"), Sz("empty", "")})
      .Machine(run, {Sz("machine", R"("C:\Gone\machine.exe")"),
                     Sz("host", R"(rundll32.exe C:\Gone\x.dll,Start)")});
  OpenedPrefix opened = OpenWithOnly(prefix, {kStartupIndex});
  RunScan(*opened.engine);
  const TCustomOrdrex& cat = opened.engine->Startup;
  const std::string k = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\";
  EXPECT_THAT(Lines(cat), ElementsAre(k + R"( | gone | C:\Gone\user.exe | File not found)",
                                      k + R"( | machine | C:\Gone\machine.exe | File not found)"));
  ASSERT_EQ(cat.Count(), 2);
  EXPECT_EQ(cat.Items(0).RootKey, kCurrentUser);
  EXPECT_EQ(cat.Items(1).RootKey, kLocalMachine);
  EXPECT_EQ(cat.StatusText, "Finished");
}

TEST(SharedDllsRule, PreSelectsOnlySystemFiles) {
  TempPrefix prefix;
  prefix.File(R"(C:\App\here.dll)")
      .Machine(R"(Software\Microsoft\Windows\CurrentVersion\SharedDLLs)",
               {Dword(R"(C:\windows\system32\gone.dll)", 1), Dword(R"(C:\App\gone.dll)", 2),
                Dword(R"(C:\App\here.dll)", 1)});
  OpenedPrefix opened = OpenWithOnly(prefix, {kSharedIndex});
  RunScan(*opened.engine);
  const TCustomOrdrex& cat = opened.engine->MicrosoftShared;
  ASSERT_EQ(cat.Count(), 2);
  // Sorted by name: C:\App\gone.dll first.
  EXPECT_EQ(cat.Items(0).Value, R"(C:\App\gone.dll)");
  EXPECT_FALSE(cat.Items(0).Selected);
  EXPECT_EQ(cat.Items(1).Value, R"(C:\windows\system32\gone.dll)");
  EXPECT_TRUE(cat.Items(1).Selected);
  EXPECT_EQ(cat.Items(1).Data, "");
  EXPECT_GE(opened.engine->ErrorFiles.IndexOf("GONE.DLL"), 0);
}

TEST(InstallerRule, ReportsFoldersThatAreGone) {
  TempPrefix prefix;
  prefix.Folder(R"(C:\Program Files\App)")
      .Machine(R"(Software\Microsoft\Windows\CurrentVersion\Installer\Folders)",
               {Sz(R"(C:\Program Files\App\)", ""), Sz(R"(C:\Program Files\Gone\)", "")});
  OpenedPrefix opened = OpenWithOnly(prefix, {kInstallerIndex});
  RunScan(*opened.engine);
  EXPECT_THAT(
      Lines(opened.engine->Installer),
      ElementsAre(
          R"(\SOFTWARE\Microsoft\Windows\CurrentVersion\Installer\Folders\ | C:\Program Files\Gone\ |  | Path not found)"));
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
  OpenedPrefix opened = OpenWithOnly(prefix, {kOldSoftwareIndex});
  RunScan(*opened.engine);
  const TCustomOrdrex& cat = opened.engine->OldSoftware;
  EXPECT_THAT(Lines(cat), ElementsAre(R"(\SOFTWARE\OldVendor |   |  | Deleted Software)",
                                      R"(\SOFTWARE\OldVendor |   |  | Deleted Software)"));
  ASSERT_EQ(cat.Count(), 2);
  EXPECT_EQ(cat.Items(0).RootKey, kCurrentUser);
  EXPECT_EQ(cat.Items(1).RootKey, kLocalMachine);
  EXPECT_EQ(cat.Items(0).Value, " ");
  EXPECT_EQ(opened.engine->ErrorFileCount(), 0);
}

}  // namespace
}  // namespace ordrex
