// Repairs of single categories on small prefixes: what each deletes or corrects, that its
// backup gives back exactly what was there, and that nothing outside the problem is touched.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/repair/repair_helpers.h"
#include "support/repair_bench.h"

namespace ordrex {
namespace {

using namespace testsupport;
using ::testing::Contains;
using ::testing::HasSubstr;

const std::string kClasses = R"(Software\Classes\)";

TEST(RepairListEdit, RemovesWholeItemsOnly) {
  int removed = 0;
  EXPECT_EQ(repair::RemoveListItems(R"(C:\A;C:\B;C:\C)", R"(C:\b)", removed), R"(C:\A;C:\C)");
  EXPECT_EQ(removed, 1);
  EXPECT_EQ(repair::RemoveListItems(R"(C:\A;C:\B;C:\C)", R"(C:\A)", removed), R"(C:\B;C:\C)");
  // Never a piece of another item.
  EXPECT_EQ(repair::RemoveListItems(R"(C:\Apps2;C:\Apps)", R"(C:\Apps)", removed), R"(C:\Apps2)");
  EXPECT_EQ(repair::RemoveListItems(R"(C:\Apps2;x)", R"(C:\Apps)", removed), R"(C:\Apps2;x)");
  EXPECT_EQ(removed, 0);
  // Blanks around an item and quotes are not part of it; the empty item is one of its own.
  EXPECT_EQ(repair::RemoveListItems(R"( "C:\A" ;C:\B)", R"(C:\A)", removed), R"(C:\B)");
  EXPECT_EQ(repair::RemoveListItems(R"(C:\A;;C:\B)", "", removed), R"(C:\A;C:\B)");
  EXPECT_EQ(repair::RemoveListItems(R"(C:\A)", R"(c:\a)", removed), "");
}

TEST(RepairDriverPathForm, LoaderFormsOnlyForKernelAndFileSystemDrivers) {
  const std::string win = R"(C:\windows\)";
  EXPECT_EQ(repair::DeviceDriverPathForm(R"(C:\windows\System32\drivers\a.sys)", win, true),
            R"(SYSTEM32\drivers\a.sys)");
  EXPECT_EQ(repair::DeviceDriverPathForm(R"(C:\WINDOWS\inf\b.sys)", win, true),
            R"(\SYSTEMROOT\inf\b.sys)");
  EXPECT_EQ(repair::DeviceDriverPathForm(R"(D:\x\c.sys)", win, true), R"(\??\D:\x\c.sys)");
  EXPECT_EQ(repair::DeviceDriverPathForm(R"(\??\D:\x\c.sys)", win, true), R"(\??\D:\x\c.sys)");
  EXPECT_EQ(repair::DeviceDriverPathForm(R"(D:\x\svc.exe)", win, false), R"(D:\x\svc.exe)");
  EXPECT_EQ(repair::DeviceDriverPathForm(R"(C:\windows\System32\svc.exe)", win, false),
            R"(C:\windows\System32\svc.exe)");
}

TEST(RepairComRegistrations, CorrectOrDeleteAndTheLibraryKeyGoesWhole) {
  RepairBench bench;
  const std::string g = "{11111111-2222-3333-4444-555555555555}";
  const std::string h = "{99999999-2222-3333-4444-555555555555}";
  bench.prefix
      .Machine(kClasses + R"(CLSID\)" + g + R"(\InprocServer32)",
               {ExpandSz("", R"(C:\Old\x.dll)"), Sz("ThreadingModel", "Both")})
      .Machine(kClasses + R"(CLSID\)" + h + R"(\LocalServer32)", {Sz("", R"(C:\Gone\y.exe)")})
      .Machine(kClasses + R"(TypeLib\)" + g + R"(\1.0)", {Sz("", "Lib")})
      .Machine(kClasses + R"(TypeLib\)" + g + R"(\1.0\0\win32)", {Sz("", R"(C:\Old\x.tlb)")})
      .Machine(kClasses + R"(TypeLib\)" + g + R"(\1.0\HELPDIR)", {Sz("", R"(C:\Gone\)")})
      .Machine(kClasses + R"(TypeLib\)" + h + R"(\1.0\0\win32)", {Sz("", R"(C:\ok.tlb)")})
      .Machine(kClasses + R"(TypeLib\odd\1.0\0\win32)", {Sz("", R"(C:\Gone\odd.tlb)")})
      .Machine(kClasses + R"(Interface\)" + g + R"(\ProxyStubClsid32)", {Sz("", h + "x")});
  bench.Open();
  const std::string before = bench.Dump();
  TOrdrex& engine = bench.Engine();
  bench.Problem(engine.RegIntegrity, kClassesRoot, R"(\CLSID\)" + g + R"(\InprocServer32)", "",
                R"(C:\Old\x.dll)", R"(C:\Program Files\App\x.dll)");
  bench.Problem(engine.RegIntegrity, kClassesRoot, R"(\CLSID\)" + h + R"(\LocalServer32)", "",
                R"(C:\Gone\y.exe)");
  // First corrected, then the whole library deleted for its help folder: the backup must keep
  // the entry as it was before the correction.
  bench.Problem(engine.ActiveX, kClassesRoot, R"(\TypeLib\)" + g + R"(\1.0\0\win32)", "",
                R"(C:\Old\x.tlb)", R"(C:\New\x.tlb)");
  bench.Problem(engine.ActiveX, kClassesRoot, R"(\TypeLib\)" + g + R"(\1.0\HELPDIR)", "",
                R"(C:\Gone)");
  bench.Problem(engine.ActiveX, kClassesRoot, R"(\TypeLib\odd\1.0\0\win32)", "",
                R"(C:\Gone\odd.tlb)");
  bench.Problem(engine.Interface, kClassesRoot, R"(\Interface\)" + g + R"(\ProxyStubClsid32)", "",
                h + "x");
  TBackupLines lines{"Windows Registry Editor Version 5.00"};
  engine.RegIntegrity.Repair(lines);
  engine.ActiveX.Repair(lines);
  engine.Interface.Repair(lines);

  EXPECT_EQ(bench.Text(kClassesRoot, R"(\CLSID\)" + g + R"(\InprocServer32)", ""),
            R"(%ProgramFiles%\App\x.dll)");
  EXPECT_EQ(bench.Text(kClassesRoot, R"(\CLSID\)" + g + R"(\InprocServer32)", "ThreadingModel"),
            "Both");
  EXPECT_FALSE(bench.HasKey(kClassesRoot, R"(\CLSID\)" + h + R"(\LocalServer32)"));
  EXPECT_TRUE(bench.HasKey(kClassesRoot, R"(\CLSID\)" + h));
  EXPECT_FALSE(bench.HasKey(kClassesRoot, R"(\TypeLib\)" + g));
  EXPECT_TRUE(bench.HasKey(kClassesRoot, R"(\TypeLib\)" + h + R"(\1.0\0\win32)"));
  // Without "}" only the problem key goes.
  EXPECT_FALSE(bench.HasKey(kClassesRoot, R"(\TypeLib\odd\1.0\0\win32)"));
  EXPECT_TRUE(bench.HasKey(kClassesRoot, R"(\TypeLib\odd\1.0\0)"));
  EXPECT_FALSE(bench.HasKey(kClassesRoot, R"(\Interface\)" + g + R"(\ProxyStubClsid32)"));
  EXPECT_EQ(engine.ActiveX.RepairedCount, 3);
  bench.ApplyBackup(lines);
  EXPECT_EQ(bench.Dump(), before) << Joined(lines);
}

TEST(RepairOpenWith, VerbsCommandsAndTheShellKey) {
  RepairBench bench;
  const std::string apps = kClasses + R"(Applications\)";
  bench.prefix.File(R"(C:\New\moved.exe)")
      .Machine(apps + R"(gone.exe\shell\open\command)", {Sz("", R"("C:\Gone\gone.exe" "%1")")})
      .Machine(apps + R"(gone.exe\shell\edit\command)", {Sz("", R"(C:\Apps\edit.exe)")})
      .Machine(apps + R"(moved.exe\shell\open\command)", {Sz("", R"(C:\Old\moved.exe "%1")")})
      .Machine(apps + R"(empty.exe\shell)", {Sz("Note", "x")})
      .Machine(apps + R"(empty.exe)", {Sz("FriendlyAppName", "Empty")})
      .Machine(apps + R"(shellapp.exe\shell\run\command)", {Sz("", "")})
      .Machine(apps + R"(shellapp.exe\DefaultIcon)", {Sz("", "x")});
  bench.Open();
  const std::string before = bench.Dump();
  TOrdrex& engine = bench.Engine();
  int events = 0;
  engine.OnRepairStart = [&](TCustomOrdrex&) { ++events; };
  engine.OnRepairEnd = [&](TCustomOrdrex&) { ++events; };
  const std::string key = "\\" + apps;
  bench.Problem(engine.Application, kLocalMachine, key + R"(gone.exe\shell\open\command)", "",
                R"(C:\Gone\gone.exe)");
  bench.Problem(engine.Application, kLocalMachine, key + R"(moved.exe\shell\open\command)", "",
                R"(C:\Old\moved.exe)", R"(C:\New\moved.exe)");
  bench.Problem(engine.Application, kLocalMachine, key + R"(empty.exe\shell)", "", "");
  bench.Problem(engine.Application, kLocalMachine, key + "shellapp.exe", "", "");
  const TBackupLines lines = bench.Repair(engine.Application);

  EXPECT_EQ(events, 0);  // no row for this category
  EXPECT_FALSE(bench.HasKey(kLocalMachine, key + R"(gone.exe\shell\open)"));
  EXPECT_TRUE(bench.HasKey(kLocalMachine, key + R"(gone.exe\shell\edit\command)"));
  EXPECT_EQ(bench.Text(kLocalMachine, key + R"(moved.exe\shell\open\command)", ""),
            R"(C:\New\moved.exe "%1")");
  EXPECT_FALSE(bench.HasKey(kLocalMachine, key + R"(empty.exe\shell)"));
  EXPECT_EQ(bench.Text(kLocalMachine, key + "empty.exe", "NoOpenWith"), "");
  // "\shellapp.exe" holds "\shell" but is no shell key: deleted, and nothing marked.
  EXPECT_FALSE(bench.HasKey(kLocalMachine, key + "shellapp.exe"));
  EXPECT_FALSE(bench.HasValue(kLocalMachine, key.substr(0, key.size() - 1), "NoOpenWith"));
  EXPECT_THAT(lines, Contains(R"("NoOpenWith"=-)"));
  bench.ApplyBackup(lines);
  EXPECT_EQ(bench.Dump(), before) << Joined(lines);
}

TEST(RepairFileAssociations, AProgidEntryGoesAloneAndACommandIsCorrected) {
  RepairBench bench;
  const std::string exts = R"(Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.abc)";
  bench.prefix.File(R"(C:\New\viewer.exe)")
      .User(exts + R"(\OpenWithProgids)", {Binary("gone.class", {}), Binary("abcfile", {})})
      .Machine(kClasses + R"(abcfile\shell\open\command)", {Sz("", R"("C:\Old\viewer.exe" "%1")")})
      .Machine(kClasses + R"(xyzfile\shell\open\command)", {Sz("", R"(C:\Gone\xyz.exe "%1")")});
  bench.Open();
  const std::string before = bench.Dump();
  TOrdrex& engine = bench.Engine();
  bench.Problem(engine.FileAssociate, kCurrentUser, "\\" + exts + R"(\OpenWithProgids)",
                "gone.class", "");
  bench.Problem(engine.FileAssociate, kClassesRoot, R"(\abcfile\shell\open\command)", "",
                R"(C:\Old\viewer.exe)", R"(C:\New\viewer.exe)");
  bench.Problem(engine.FileAssociate, kClassesRoot, R"(\xyzfile\shell\open\command)", "",
                R"(C:\Gone\xyz.exe)");
  const TBackupLines lines = bench.Repair(engine.FileAssociate);

  EXPECT_FALSE(bench.HasValue(kCurrentUser, "\\" + exts + R"(\OpenWithProgids)", "gone.class"));
  EXPECT_TRUE(bench.HasValue(kCurrentUser, "\\" + exts + R"(\OpenWithProgids)", "abcfile"));
  EXPECT_EQ(bench.Text(kClassesRoot, R"(\abcfile\shell\open\command)", ""),
            R"("C:\New\viewer.exe" "%1")");
  EXPECT_FALSE(bench.HasKey(kClassesRoot, R"(\xyzfile\shell\open\command)"));
  EXPECT_TRUE(bench.HasKey(kClassesRoot, R"(\xyzfile\shell\open)"));
  bench.ApplyBackup(lines);
  EXPECT_EQ(bench.Dump(), before) << Joined(lines);
}

TEST(RepairSoftware, PathListsSharedCountsStartupAndEmptyVendors) {
  RepairBench bench;
  const std::string appPaths = R"(Software\Microsoft\Windows\CurrentVersion\App Paths\)";
  const std::string shared = R"(Software\Microsoft\Windows\CurrentVersion\SharedDLLs)";
  const std::string run = R"(Software\Microsoft\Windows\CurrentVersion\Run)";
  bench.prefix
      .Machine(appPaths + "foo.exe",
               {Sz("", R"(C:\Apps\foo.exe)"), Sz("Path", R"(C:\Apps2;C:\Apps;D:\Gone)")})
      .Machine(shared, {Dword(R"(C:\Gone\a.dll)", 3), Dword(R"(C:\Gone\b.dll)", 2),
                        Dword(R"(C:\Found\b.dll)", 5)})
      .Machine(run, {Sz("Agent", R"(C:\Gone\agent.exe)")})
      .User(run, {Sz("Tray", R"(C:\Gone\tray.exe)")})
      .Machine(R"(Software\OldVendor)");
  bench.Open();
  const std::string before = bench.Dump();
  TOrdrex& engine = bench.Engine();
  const std::string fooKey = "\\" + appPaths + "foo.exe";
  bench.Problem(engine.AppPath, kLocalMachine, fooKey, "Path", R"(C:\Apps)");
  bench.Problem(engine.AppPath, kLocalMachine, fooKey, "Path", R"(D:\Gone)");
  const std::string sharedKey = "\\" + shared + "\\";
  bench.Problem(engine.MicrosoftShared, kLocalMachine, sharedKey, R"(C:\Gone\a.dll)", "",
                R"(C:\Found\a.dll)", R"(C:\Gone\a.dll)");
  bench.Problem(engine.MicrosoftShared, kLocalMachine, sharedKey, R"(C:\Gone\b.dll)", "",
                R"(C:\Found\b.dll)", R"(C:\Gone\b.dll)");
  bench.Problem(engine.Startup, kCurrentUser, "\\" + run + "\\", "Tray", R"(C:\Gone\tray.exe)");
  bench.Problem(engine.Startup, kLocalMachine, "\\" + run + "\\", "Agent", R"(C:\Gone\agent.exe)");
  bench.Problem(engine.OldSoftware, kLocalMachine, R"(\SOFTWARE\OldVendor)", " ", "");
  TBackupLines lines{"Windows Registry Editor Version 5.00"};
  for (TCustomOrdrex* category : {static_cast<TCustomOrdrex*>(&engine.AppPath),
                                  static_cast<TCustomOrdrex*>(&engine.MicrosoftShared),
                                  static_cast<TCustomOrdrex*>(&engine.Startup),
                                  static_cast<TCustomOrdrex*>(&engine.OldSoftware)}) {
    category->Repair(lines);
  }

  EXPECT_EQ(bench.Text(kLocalMachine, fooKey, "Path"), R"(C:\Apps2)");
  const auto count = [&](const std::string& name) {
    const auto value = bench.Raw(kLocalMachine, sharedKey, name);
    return value ? static_cast<int>(value->data.at(0)) : -1;
  };
  EXPECT_EQ(count(R"(C:\Found\a.dll)"), 3);
  EXPECT_EQ(count(R"(C:\Found\b.dll)"), 7);  // its own count plus the moved one
  EXPECT_EQ(count(R"(C:\Gone\a.dll)"), -1);
  EXPECT_EQ(count(R"(C:\Gone\b.dll)"), -1);
  EXPECT_FALSE(bench.HasValue(kCurrentUser, "\\" + run, "Tray"));
  EXPECT_FALSE(bench.HasValue(kLocalMachine, "\\" + run, "Agent"));
  EXPECT_FALSE(bench.HasKey(kLocalMachine, R"(\SOFTWARE\OldVendor)"));
  // Each change of root starts a section of its own.
  EXPECT_THAT(
      Joined(lines),
      HasSubstr("\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\]"
                "\n\"Tray\"="));
  bench.ApplyBackup(lines);
  EXPECT_EQ(bench.Dump(), before) << Joined(lines);
}

TEST(RepairSystemFiles, DriversHelpFontsAndEventLogLists) {
  RepairBench bench;
  const std::string services = R"(System\CurrentControlSet\Services\)";
  const std::string log = R"(System\CurrentControlSet\Services\Eventlog\Application\Src)";
  const std::string fonts = R"(Software\Microsoft\Windows NT\CurrentVersion\Fonts)";
  const std::string help = R"(Software\Microsoft\Windows\Help)";
  bench.prefix
      .Machine(services + "kdrv",
               {ExpandSz("ImagePath", R"(\??\C:\Old\kdrv.sys)"), Dword("Type", 1)})
      .Machine(services + "usvc",
               {ExpandSz("ImagePath", R"(C:\Old\usvc.exe -k x)"), Dword("Type", 16)})
      .Machine(services + "gone", {ExpandSz("ImagePath", R"(C:\Gone\gone.sys)"), Dword("Type", 1)})
      .Machine(log, {ExpandSz("EventMessageFile",
                              R"(%SystemRoot%\System32\a.dll;%SystemRoot%\System32\gone.dll)"),
                     Sz("CategoryMessageFile", R"(C:\Gone\cat.dll)"), Dword("TypesSupported", 7)})
      .Machine(fonts, {Sz("Lost (TrueType)", "lost.ttf"), Sz("Kept (TrueType)", "kept.ttf")})
      .Machine(help, {Sz("app.hlp", R"(C:\OldHelp)"), Sz("gone.hlp", R"(C:\Gone)")});
  bench.Open();
  const std::string before = bench.Dump();
  TOrdrex& engine = bench.Engine();
  const std::string svcKey = R"(\SYSTEM\CurrentControlSet\Services\)";
  bench.Problem(engine.DeviceDriver, kLocalMachine, svcKey + "kdrv", "ImagePath",
                R"(\??\C:\Old\kdrv.sys)", R"(C:\windows\System32\drivers\kdrv.sys)");
  bench.Problem(engine.DeviceDriver, kLocalMachine, svcKey + "usvc", "ImagePath",
                R"(C:\Old\usvc.exe)", R"(C:\Apps\usvc.exe)");
  bench.Problem(engine.DeviceDriver, kLocalMachine, svcKey + "gone", "ImagePath",
                R"(C:\Gone\gone.sys)");
  const std::string logKey = "\\" + log;
  bench
      .Problem(engine.EventLog, kLocalMachine, logKey, "EventMessageFile",
               R"(%SystemRoot%\System32\a.dll;%SystemRoot%\System32\gone.dll)")
      .MissingPath = R"(%SystemRoot%\System32\gone.dll)";
  bench.Problem(engine.EventLog, kLocalMachine, logKey, "CategoryMessageFile",
                R"(C:\Gone\cat.dll)");
  const std::string fontsKey = R"(\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Fonts\)";
  bench.Problem(engine.Font, kLocalMachine, fontsKey, "Lost (TrueType)", "lost.ttf");
  const std::string helpKey = R"(\SOFTWARE\Microsoft\Windows\Help\)";
  bench.Problem(engine.Help, kLocalMachine, helpKey, "app.hlp", R"(C:\OldHelp)",
                R"(C:\NewHelp\app.hlp)", "app.hlp");
  bench.Problem(engine.Help, kLocalMachine, helpKey, "gone.hlp", R"(C:\Gone)");
  TBackupLines lines{"Windows Registry Editor Version 5.00"};
  for (TCustomOrdrex* category :
       {static_cast<TCustomOrdrex*>(&engine.DeviceDriver),
        static_cast<TCustomOrdrex*>(&engine.Font), static_cast<TCustomOrdrex*>(&engine.Help),
        static_cast<TCustomOrdrex*>(&engine.EventLog)}) {
    category->Repair(lines);
  }

  EXPECT_EQ(bench.Text(kLocalMachine, svcKey + "kdrv", "ImagePath"),
            R"(SYSTEM32\drivers\kdrv.sys)");
  // A service program takes the plain path.
  EXPECT_EQ(bench.Text(kLocalMachine, svcKey + "usvc", "ImagePath"), R"(C:\Apps\usvc.exe -k x)");
  EXPECT_FALSE(bench.HasKey(kLocalMachine, svcKey + "gone"));
  // Only the missing part leaves the list; a single file leaves with its value.
  EXPECT_EQ(bench.Text(kLocalMachine, logKey, "EventMessageFile"),
            R"(%SystemRoot%\System32\a.dll)");
  EXPECT_FALSE(bench.HasValue(kLocalMachine, logKey, "CategoryMessageFile"));
  EXPECT_FALSE(bench.HasValue(kLocalMachine, fontsKey, "Lost (TrueType)"));
  EXPECT_TRUE(bench.HasValue(kLocalMachine, fontsKey, "Kept (TrueType)"));
  EXPECT_EQ(bench.Text(kLocalMachine, helpKey, "app.hlp"), R"(C:\NewHelp)");
  EXPECT_FALSE(bench.HasValue(kLocalMachine, helpKey, "gone.hlp"));
  bench.ApplyBackup(lines);
  EXPECT_EQ(bench.Dump(), before) << Joined(lines);
}

TEST(RepairFrame, AFailureIsCountedAndTheRunGoesOn) {
  RepairBench bench;
  const std::string g = "{11111111-2222-3333-4444-555555555555}";
  const std::string h = "{99999999-2222-3333-4444-555555555555}";
  bench.prefix
      .Machine(kClasses + R"(CLSID\)" + g + R"(\InprocServer32)", {Sz("", R"(C:\Changed\x.dll)")})
      .Machine(kClasses + R"(CLSID\)" + h + R"(\InprocServer32)", {Sz("", R"(C:\Gone\y.dll)")})
      .Machine(R"(Software\Vendor)");
  bench.Open();
  TOrdrex& engine = bench.Engine();
  std::vector<std::string> shown;
  engine.OnRepairError = [&](const std::string& text) { shown.push_back(text); };
  // The value no longer holds the path the scan saw: the correction fails, the key stays.
  bench.Problem(engine.RegIntegrity, kClassesRoot, R"(\CLSID\)" + g + R"(\InprocServer32)", "",
                R"(C:\Old\x.dll)", R"(C:\New\x.dll)");
  bench.Problem(engine.RegIntegrity, kClassesRoot, R"(\CLSID\)" + h + R"(\InprocServer32)", "",
                R"(C:\Gone\y.dll)");
  bench.Problem(engine.RegIntegrity, kClassesRoot, "\\", "", "");  // never the whole root
  bench.Problem(engine.RegIntegrity, kClassesRoot, R"(\CLSID\unselected)", "", "").Selected = false;
  bench.Repair(engine.RegIntegrity);
  EXPECT_EQ(engine.RegIntegrity.RepairFailures, 2);
  EXPECT_EQ(engine.RegIntegrity.RepairedCount, 1);
  EXPECT_EQ(bench.Text(kClassesRoot, R"(\CLSID\)" + g + R"(\InprocServer32)", ""),
            R"(C:\Changed\x.dll)");
  EXPECT_FALSE(bench.HasKey(kClassesRoot, R"(\CLSID\)" + h + R"(\InprocServer32)"));
  EXPECT_TRUE(bench.HasKey(kClassesRoot, R"(\CLSID)"));
  // The diagnostic texts stay hidden while the switch is off.
  EXPECT_TRUE(shown.empty());
  engine.ShowRepairErrors = true;
  bench.Repair(engine.RegIntegrity);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_THAT(shown[0], HasSubstr("WriteFix error on"));
}

TEST(RepairFrame, EventsAndSectionsWithoutSelectedProblems) {
  RepairBench bench;
  bench.prefix.Machine(R"(Software\Microsoft\Windows\CurrentVersion\Installer\Folders)",
                       {Sz(R"(C:\Gone\)", "")});
  bench.Open();
  TOrdrex& engine = bench.Engine();
  std::vector<std::string> events;
  engine.OnRepairStart = [&](TCustomOrdrex& c) { events.push_back("start " + c.Title); };
  engine.OnRepairEnd = [&](TCustomOrdrex& c) { events.push_back("end " + c.Title); };
  bench
      .Problem(engine.Installer, kLocalMachine,
               R"(\SOFTWARE\Microsoft\Windows\CurrentVersion\Installer\Folders\)", R"(C:\Gone\)",
               "")
      .Selected = false;
  const TBackupLines lines = bench.Repair(engine.Installer);
  EXPECT_THAT(events, ::testing::ElementsAre("start Installer", "end Installer"));
  EXPECT_THAT(
      lines,
      ::testing::ElementsAre(
          "Windows Registry Editor Version 5.00",
          R"([HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Installer\Folders\])",
          ""));
  // A category without problems does nothing at all.
  events.clear();
  EXPECT_EQ(bench.Repair(engine.Font).size(), 1u);
  EXPECT_TRUE(events.empty());
}

}  // namespace
}  // namespace ordrex
