// The rules of programs, value lists and system files, on small prefixes written by each test.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/prefix_engine.h"

namespace ordrex {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using namespace testsupport;

const std::string kVersion = R"(Software\Microsoft\Windows\CurrentVersion\)";
const std::string kMachineVersion =
    R"(HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\)";

// Of an uninstall command only the program is tested; the command is kept.
TEST(SoftwareRules, AppPathsUninstallEntriesAndEmptyVendors) {
  const std::string key = kVersion + R"(Uninstall\)";
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
  prefix.User(R"(Software\OldVendor)")
      .User(R"(Software\Secure)")
      .User(R"(Software\Busy)", {Sz("x", "y")})
      .Machine(R"(Software\OldVendor)")
      // Keys of Windows itself, empty on many systems.
      .Machine(R"(Software\Policies)")
      .Machine(R"(Software\Registered Applications)")
      .Machine(R"(Software\Parent\Child)");
  PrefixEngine scan(prefix);
  scan.ScanOnly({&scan.Engine().AppPath, &scan.Engine().Uninstall, &scan.Engine().OldSoftware});
  EXPECT_THAT(
      Problems(scan.Engine().AppPath, kMachineVersion + R"(App Paths\)"),
      ElementsAre(R"(foo.exe | Path | D:\Gone | Path not found | selected | -)",
                  "onpath.exe |  | onpath.exe | File not found | selected | missing",
                  "pieces.exe | Path |  | Path not found | selected | -",
                  R"(sys.exe |  | C:\windows\gone.exe | File not found | unselected | missing)",
                  R"(viasearch.exe | Path | C:\Gone | Path not found | selected | -)"));
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
  // The single blank value marks the whole key.
  EXPECT_THAT(
      Problems(scan.Engine().OldSoftware),
      ElementsAre(
          R"(HKEY_CURRENT_USER\SOFTWARE\OldVendor |   |  | Deleted Software | selected | missing)",
          R"(HKEY_LOCAL_MACHINE\SOFTWARE\OldVendor |   |  | Deleted Software | selected | missing)"));
  // A deleted vendor is no missing file to search for.
  EXPECT_EQ(scan.Engine().ErrorFileCount(), 4);
}

TEST(ValueListRules, StartupSharedLibrariesInstallerFoldersHelpFilesAndFonts) {
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
  prefix.File(R"(C:\Help\foo.hlp)")
      .File(R"(C:\Help\bar.hlp)")
      .Machine(R"(Software\Microsoft\Windows\Help)",
               {Sz("foo.hlp", R"(C:\Help)"), Sz("gone.hlp", R"(C:\Help)"),
                Sz("odd.hlp", "Folder:somewhere")})
      // Compiled help is found through an older .hlp file of the same name.
      .Machine(R"(Software\Microsoft\Windows\Html Help)",
               {Sz("bar.chm", R"(C:\Help\)"), Sz("lost.chm", R"(C:\Help\)")});
  prefix.File(KnownOf(prefix).WindowsDir + R"(Fonts\ordrexsans.ttf)")
      .File(R"(C:\MyFonts\else.ttf)")
      .Machine(R"(Software\Microsoft\Windows NT\CurrentVersion\Fonts)",
               {Sz("Ordrex Sans (TrueType)", "ordrexsans.ttf"),
                Sz("Gone Sans (TrueType)", "gonesans.ttf"),
                // Installed outside the fonts folder: tested where it is.
                Sz("Else (TrueType)", R"(C:\MyFonts\else.ttf)"),
                Sz("Lost (TrueType)", R"(C:\MyFonts\lost.ttf)")});
  PrefixEngine scan(prefix);
  TOrdrex& engine = scan.Engine();
  scan.ScanOnly(
      {&engine.Startup, &engine.MicrosoftShared, &engine.Installer, &engine.Help, &engine.Font});
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
  EXPECT_THAT(
      Problems(engine.Help, R"(HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\)"),
      ElementsAre(R"(Help\ | gone.hlp | C:\Help | File not found | selected | missing)",
                  R"(Html Help\ | lost.chm | C:\Help\ | File not found | selected | missing)"));
  // A missing font is no missing file to search for.
  EXPECT_THAT(
      Problems(engine.Font,
               R"(HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Fonts\ | )"),
      ElementsAre("Gone Sans (TrueType) | gonesans.ttf | Font not found | selected | -",
                  R"(Lost (TrueType) | C:\MyFonts\lost.ttf | Font not found | selected | -)"));
  EXPECT_GE(engine.ErrorFiles.IndexOf("GONE.HLP"), 0);
  EXPECT_GE(engine.ErrorFiles.IndexOf("LOST.CHM"), 0);
  EXPECT_EQ(engine.ErrorFiles.IndexOf("GONESANS.TTF"), -1);
}

TEST(ServiceRules, DriverImagePathsAndEventLogListsButNoListsOfTheOlderFamily) {
  TempPrefix prefix;
  const std::string win = KnownOf(prefix).WindowsDir;
  prefix.File(win + R"(System32\drivers\foo.sys)")
      .File(win + R"(System32\drivers\bar.sys)")
      .File(win + R"(System32\svchost.exe)")
      .File(R"(C:\x\baz.sys)")
      .File(R"(C:\Program Files\Svc\svc.exe)")
      .File(R"(C:\Svc\my-service.exe)");
  const std::string services = R"(System\CurrentControlSet\Services\)";
  const auto service = [&](const std::string& name, const std::string& image) {
    prefix.Machine(services + name, {ExpandSz("ImagePath", image), Dword("Start", 3)});
  };
  service("a-foo", R"(system32\drivers\foo.sys)");
  service("b-bar", R"(\SystemRoot\System32\drivers\bar.sys)");
  service("c-baz", R"(\??\C:\x\baz.sys)");
  service("d-svc", R"(C:\Program Files\Svc\svc)");
  service("e-my", R"(C:\Svc\my-service)");
  service("f-host", R"(%SystemRoot%\System32\svchost.exe -k netsvcs)");
  service("g-gone", R"(system32\drivers\gone.sys)");
  service("h-gone", R"(C:\Svc\gone-svc /run)");
  prefix.Machine(services + "j-noimage", {Dword("Start", 3)});
  // The lists of the older family are not read on the NT family.
  prefix.Machine(services + R"(VxD\Gone)", {Sz("StaticVxD", R"(C:\gone.vxd)")})
      .Machine(R"(System\CurrentControlSet\Control\InstalledFiles)", {Sz("gone.dll", "")});
  prefix.File(win + R"(System32\a.dll)").File(R"(C:\Apps\present.dll)");
  const std::string log = R"(System\CurrentControlSet\Services\Eventlog\)";
  prefix
      .Machine(log + R"(Application\Src)",
               {ExpandSz("EventMessageFile",
                         R"(%SystemRoot%\System32\a.dll;%SystemRoot%\System32\gone.dll)"),
                Dword("TypesSupported", 7)})
      .Machine(
          log + R"(System\Src2)",
          {Sz("CategoryMessageFile", R"(C:\Apps\gone.dll)"), Sz("Bare", "bare.dll"),
           ExpandSz("Relative", R"(relative\x.dll)"), Sz("Present", R"(C:\Apps\present.dll)")});
  PrefixEngine scan(prefix);
  scan.ScanOnly({&scan.Engine().DeviceDriver, &scan.Engine().VxD, &scan.Engine().EventLog});
  // The data is the text before the rewrites.
  EXPECT_THAT(
      Problems(scan.Engine().DeviceDriver,
               R"(HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\)"),
      ElementsAre(
          R"(g-gone | ImagePath | system32\drivers\gone.sys | File not found | selected | missing)",
          R"(h-gone | ImagePath | C:\Svc\gone-svc | File not found | selected | missing)"));
  EXPECT_THAT(Problems(scan.Engine().VxD), IsEmpty());
  const TCustomOrdrex& cat = scan.Engine().EventLog;
  // A missing part inside the Windows folder is not pre-selected.
  EXPECT_THAT(
      Problems(cat, R"(HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\Eventlog\)"),
      ElementsAre(
          R"(Application\Src | EventMessageFile | %SystemRoot%\System32\a.dll;%SystemRoot%\System32\gone.dll | File not found | unselected | missing)",
          R"(System\Src2 | CategoryMessageFile | C:\Apps\gone.dll | File not found | selected | missing)"));
  ASSERT_EQ(cat.Count(), 2);
  EXPECT_EQ(cat.Items(0).MissingPath, R"(%SystemRoot%\System32\gone.dll)");
  EXPECT_GE(scan.Engine().ErrorFiles.IndexOf("GONE.DLL"), 0);
  EXPECT_EQ(scan.Engine().ErrorFiles.IndexOf("A.DLL"), -1);
}

// The older Windows family keeps its drivers in other lists.
TEST(OlderFamilyRules, InstalledFilesFontsAndStaticDevices) {
  TempPrefix prefix;
  prefix.Machine(R"(Software\Wine)", {Sz("Version", "win98")});
  const KnownLocations known = KnownOf(prefix);
  prefix.File(known.SystemDir + "foo.sys")
      .File(known.WindowsDir + R"(System32\Drivers\bar.dll)")
      .File(known.WindowsDir + "here.vxd")
      .Machine(R"(System\CurrentControlSet\Control\InstalledFiles)",
               {Sz("foo.sys", ""), Sz("bar.dll", ""), Sz("gone.dll", ""), Sz("gone.vxd", "")})
      .Machine(R"(System\CurrentControlSet\Services\VxD\Gone)",
               {Sz("StaticVxD", known.WindowsDir + "gone.vxd")})
      .Machine(R"(System\CurrentControlSet\Services\VxD\Here)",
               {Sz("StaticVxD", known.WindowsDir + "here.vxd")})
      .Machine(R"(System\CurrentControlSet\Services\VxD\VMM)", {Sz("StaticVxD", "*vmm")})
      .Machine(R"(System\CurrentControlSet\Services\Gone)", {Sz("ImagePath", R"(C:\gone.sys)")})
      .Machine(R"(Software\Microsoft\Windows\CurrentVersion\Fonts)", {Sz("Old", "old.fon")});
  PrefixEngine scan(prefix);
  TOrdrex& engine = scan.Engine();
  scan.ScanOnly({&engine.DeviceDriver, &engine.VxD, &engine.Font});
  EXPECT_THAT(
      Problems(engine.DeviceDriver),
      ElementsAre(
          R"(HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\InstalledFiles\ | gone.dll |  | File not found | selected | -)"));
  EXPECT_THAT(
      Problems(engine.VxD),
      ElementsAre(
          R"(HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\VxD\Gone | StaticVxD | )" +
          known.WindowsDir + "gone.vxd | File not found | selected | missing"));
  EXPECT_THAT(
      Problems(engine.Font),
      ElementsAre(
          R"(HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Fonts\ | Old | old.fon | Font not found | selected | -)"));
}

}  // namespace
}  // namespace ordrex
