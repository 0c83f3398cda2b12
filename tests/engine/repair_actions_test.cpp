// Repairs of single categories on small prefixes: what each changes, nothing else, and backups
// that give back exactly what was there.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/repair/mru_order.h"
#include "engine/repair/repair_helpers.h"
#include "support/prefix_engine.h"

namespace ordrex {
namespace {

using namespace testsupport;
using repair::PlanLetterList;
using repair::PlanNumberList;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

const std::string kClasses = R"(Software\Classes\)";

const std::string kExplorer = R"(\Software\Microsoft\Windows\CurrentVersion\Explorer\)";

Bytes Numbers(std::initializer_list<std::uint32_t> numbers) {
  Bytes out;
  for (std::uint32_t n : numbers) {
    for (int shift = 0; shift < 32; shift += 8)
      out.push_back(static_cast<std::uint8_t>(n >> shift));
  }
  return out;
}

TEST(RepairHelpers, ListItemsDriverPathFormsAndRecentListPlans) {
  // Whole items only, never a piece of another; blanks around an item and quotes are not part
  // of it; the empty item is one of its own.
  const struct {
    const char *list, *item, *left;
    int removed;
  } lists[] = {{R"(C:\A;C:\B;C:\C)", R"(C:\b)", R"(C:\A;C:\C)", 1},
               {R"(C:\Apps2;C:\Apps)", R"(C:\Apps)", R"(C:\Apps2)", 1},
               {R"(C:\Apps2;x)", R"(C:\Apps)", R"(C:\Apps2;x)", 0},
               {R"( "C:\A" ;C:\B)", R"(C:\A)", R"(C:\B)", 1},
               {R"(C:\A;;C:\B)", "", R"(C:\A;C:\B)", 1},
               {R"(C:\A)", R"(c:\a)", "", 1}};
  for (const auto& c : lists) {
    int removed = -1;
    EXPECT_EQ(repair::RemoveListItems(c.list, c.item, removed), c.left) << c.list;
    EXPECT_EQ(removed, c.removed) << c.list;
  }
  // The loader's forms only for kernel and file-system drivers (see also the repair below).
  const struct {
    const char* path;
    bool kernel;
    const char* form;
  } drivers[] = {{R"(C:\WINDOWS\inf\b.sys)", true, R"(\SYSTEMROOT\inf\b.sys)"},
                 {R"(D:\x\c.sys)", true, R"(\??\D:\x\c.sys)"},
                 {R"(\??\D:\x\c.sys)", true, R"(\??\D:\x\c.sys)"},
                 {R"(C:\windows\System32\svc.exe)", false, R"(C:\windows\System32\svc.exe)"}};
  for (const auto& d : drivers)
    EXPECT_EQ(repair::DeviceDriverPathForm(d.path, R"(C:\windows\)", d.kernel), d.form) << d.path;
  // Emptied, a letter listed twice (keeps its first place); the last number is the end mark
  // whatever it holds, so a short list has no entries.
  EXPECT_EQ(PlanLetterList("ab", {"a", "b"}).newList, "");
  EXPECT_EQ(PlanLetterList("cac", {}).newList, "ba");
  EXPECT_THAT(PlanNumberList(Numbers({5, 7}), {}).newList, ElementsAre(0u));
  EXPECT_TRUE(PlanNumberList(Numbers({5}), {}).newList.empty());
}

TEST(RepairComRegistrations, CorrectOrDeleteAndTheLibraryKeyGoesWhole) {
  TempPrefix prefix;
  const std::string g = "{11111111-2222-3333-4444-555555555555}";
  const std::string h = "{99999999-2222-3333-4444-555555555555}";
  prefix
      .Machine(kClasses + R"(CLSID\)" + g + R"(\InprocServer32)",
               {ExpandSz("", R"(C:\Old\x.dll)"), Sz("ThreadingModel", "Both")})
      .Machine(kClasses + R"(CLSID\)" + h + R"(\LocalServer32)", {Sz("", R"(C:\Gone\y.exe)")})
      .Machine(kClasses + R"(TypeLib\)" + g + R"(\1.0)", {Sz("", "Lib")})
      .Machine(kClasses + R"(TypeLib\)" + g + R"(\1.0\0\win32)", {Sz("", R"(C:\Old\x.tlb)")})
      .Machine(kClasses + R"(TypeLib\)" + g + R"(\1.0\HELPDIR)", {Sz("", R"(C:\Gone\)")})
      .Machine(kClasses + R"(TypeLib\)" + h + R"(\1.0\0\win32)", {Sz("", R"(C:\ok.tlb)")})
      .Machine(kClasses + R"(TypeLib\odd\1.0\0\win32)", {Sz("", R"(C:\Gone\odd.tlb)")})
      .Machine(kClasses + R"(Interface\)" + g + R"(\ProxyStubClsid32)", {Sz("", h + "x")});
  PrefixEngine bench(prefix);
  TOrdrex& engine = bench.Engine();
  bench.Problem(engine.RegIntegrity, kClassesRoot, R"(\CLSID\)" + g + R"(\InprocServer32)", "",
                R"(C:\Old\x.dll)", R"(C:\Program Files\App\x.dll)");
  bench.Problem(engine.RegIntegrity, kClassesRoot, R"(\CLSID\)" + h + R"(\LocalServer32)", "",
                R"(C:\Gone\y.exe)");
  // Corrected, then deleted with its library: the backup keeps the entry as it was.
  bench.Problem(engine.ActiveX, kClassesRoot, R"(\TypeLib\)" + g + R"(\1.0\0\win32)", "",
                R"(C:\Old\x.tlb)", R"(C:\New\x.tlb)");
  bench.Problem(engine.ActiveX, kClassesRoot, R"(\TypeLib\)" + g + R"(\1.0\HELPDIR)", "",
                R"(C:\Gone)");
  bench.Problem(engine.ActiveX, kClassesRoot, R"(\TypeLib\odd\1.0\0\win32)", "",
                R"(C:\Gone\odd.tlb)");
  bench.Problem(engine.Interface, kClassesRoot, R"(\Interface\)" + g + R"(\ProxyStubClsid32)", "",
                h + "x");
  const TBackupLines lines =
      bench.Repair({&engine.RegIntegrity, &engine.ActiveX, &engine.Interface});

  EXPECT_THAT(
      bench.Tree(kClassesRoot, R"(\CLSID)"),
      ElementsAre(g + R"(\InprocServer32: @=%ProgramFiles%\App\x.dll  ThreadingModel=Both)", h));
  // Without "}" only the problem key goes.
  EXPECT_THAT(bench.Tree(kClassesRoot, R"(\TypeLib)"),
              ElementsAre(R"(odd\1.0\0)", h + R"(\1.0\0\win32: @=C:\ok.tlb)"));
  EXPECT_THAT(bench.Tree(kClassesRoot, R"(\Interface)"), ElementsAre(g));
  EXPECT_EQ(engine.ActiveX.RepairedCount, 3);
  EXPECT_TRUE(bench.RestoredBy(lines));
}

TEST(RepairOpenWithAndFileAssociations, VerbsCommandsShellKeysAndProgidEntries) {
  TempPrefix prefix;
  const std::string apps = kClasses + R"(Applications\)";
  const std::string exts = R"(Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.abc)";
  prefix.File(R"(C:\New\moved.exe)")
      .File(R"(C:\New\viewer.exe)")
      .Machine(apps + R"(gone.exe\shell\open\command)", {Sz("", R"("C:\Gone\gone.exe" "%1")")})
      .Machine(apps + R"(gone.exe\shell\edit\command)", {Sz("", R"(C:\Apps\edit.exe)")})
      .Machine(apps + R"(moved.exe\shell\open\command)", {Sz("", R"(C:\Old\moved.exe "%1")")})
      .Machine(apps + R"(empty.exe\shell)", {Sz("Note", "x")})
      .Machine(apps + R"(empty.exe)", {Sz("FriendlyAppName", "Empty")})
      .Machine(apps + R"(shellapp.exe\shell\run\command)", {Sz("", "")})
      .Machine(apps + R"(shellapp.exe\DefaultIcon)", {Sz("", "x")})
      .User(exts + R"(\OpenWithProgids)", {Binary("gone.class", {}), Binary("abcfile", {})})
      .Machine(kClasses + R"(abcfile\shell\open\command)", {Sz("", R"("C:\Old\viewer.exe" "%1")")})
      .Machine(kClasses + R"(xyzfile\shell\open\command)", {Sz("", R"(C:\Gone\xyz.exe "%1")")});
  PrefixEngine bench(prefix);
  TOrdrex& engine = bench.Engine();
  std::vector<std::string> events;
  engine.OnRepairStart = [&](TCustomOrdrex& c) { events.push_back(c.Title); };
  engine.OnRepairEnd = [&](TCustomOrdrex& c) { events.push_back(c.Title); };
  const std::string key = "\\" + apps;
  bench.Problem(engine.Application, kLocalMachine, key + R"(gone.exe\shell\open\command)", "",
                R"(C:\Gone\gone.exe)");
  bench.Problem(engine.Application, kLocalMachine, key + R"(moved.exe\shell\open\command)", "",
                R"(C:\Old\moved.exe)", R"(C:\New\moved.exe)");
  bench.Problem(engine.Application, kLocalMachine, key + R"(empty.exe\shell)", "", "");
  bench.Problem(engine.Application, kLocalMachine, key + "shellapp.exe", "", "");
  // A ProgID entry goes alone; a command is corrected or deleted.
  bench.Problem(engine.FileAssociate, kCurrentUser, "\\" + exts + R"(\OpenWithProgids)",
                "gone.class", "");
  bench.Problem(engine.FileAssociate, kClassesRoot, R"(\abcfile\shell\open\command)", "",
                R"(C:\Old\viewer.exe)", R"(C:\New\viewer.exe)");
  bench.Problem(engine.FileAssociate, kClassesRoot, R"(\xyzfile\shell\open\command)", "",
                R"(C:\Gone\xyz.exe)");
  const TBackupLines lines = bench.Repair({&engine.Application, &engine.FileAssociate});

  // Open With has no row to report to.
  EXPECT_THAT(events, ElementsAre("File Associations", "File Associations"));
  // An application without verbs is marked; "\shellapp.exe" holds "\shell" but is no shell key:
  // deleted, and nothing marked.
  EXPECT_THAT(bench.Tree(kLocalMachine, key),
              ElementsAre("empty.exe: FriendlyAppName=Empty  NoOpenWith=",
                          R"(gone.exe\shell\edit\command: @=C:\Apps\edit.exe)",
                          R"(moved.exe\shell\open\command: @=C:\New\moved.exe "%1")"));
  EXPECT_THAT(lines, Contains(R"("NoOpenWith"=-)"));
  EXPECT_THAT(bench.Tree(kCurrentUser, "\\" + exts), ElementsAre("OpenWithProgids: abcfile=hex:"));
  EXPECT_THAT(bench.Tree(kClassesRoot, R"(\abcfile)"),
              ElementsAre(R"(shell\open\command: @="C:\New\viewer.exe" "%1")"));
  EXPECT_THAT(bench.Tree(kClassesRoot, R"(\xyzfile)"), ElementsAre(R"(shell\open)"));
  EXPECT_TRUE(bench.RestoredBy(lines));
}

TEST(RepairSoftwareAndSystemFiles, ListsCountsAndValuesChangeOnlyWhereTheProblemIs) {
  TempPrefix prefix;
  const std::string appPaths = R"(Software\Microsoft\Windows\CurrentVersion\App Paths\)";
  const std::string shared = R"(Software\Microsoft\Windows\CurrentVersion\SharedDLLs)";
  const std::string run = R"(Software\Microsoft\Windows\CurrentVersion\Run)";
  const std::string services = R"(System\CurrentControlSet\Services\)";
  const std::string log = R"(System\CurrentControlSet\Services\Eventlog\Application\Src)";
  const std::string fonts = R"(Software\Microsoft\Windows NT\CurrentVersion\Fonts)";
  const std::string help = R"(Software\Microsoft\Windows\Help)";
  prefix
      .Machine(appPaths + "foo.exe",
               {Sz("", R"(C:\Apps\foo.exe)"), Sz("Path", R"(C:\Apps2;C:\Apps;D:\Gone)")})
      .Machine(shared, {Dword(R"(C:\Gone\a.dll)", 3), Dword(R"(C:\Gone\b.dll)", 2),
                        Dword(R"(C:\Found\b.dll)", 5)})
      .Machine(run, {Sz("Agent", R"(C:\Gone\agent.exe)")})
      .User(run, {Sz("Tray", R"(C:\Gone\tray.exe)")})
      .Machine(R"(Software\OldVendor)")
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
  PrefixEngine bench(prefix);
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
  const TBackupLines lines =
      bench.Repair({&engine.AppPath, &engine.MicrosoftShared, &engine.Startup, &engine.OldSoftware,
                    &engine.DeviceDriver, &engine.Font, &engine.Help, &engine.EventLog});
  EXPECT_THAT(bench.Tree(kLocalMachine, fooKey),
              ElementsAre(R"(@=C:\Apps\foo.exe  Path=C:\Apps2)"));
  // A moved file's count is added to the count of the file where it was found.
  EXPECT_THAT(bench.Tree(kLocalMachine, sharedKey),
              ElementsAre(R"(C:\Found\a.dll=dword:3  C:\Found\b.dll=dword:7)"));
  EXPECT_THAT(bench.Tree(kCurrentUser, "\\" + run), IsEmpty());
  EXPECT_THAT(bench.Tree(kLocalMachine, "\\" + run), IsEmpty());
  EXPECT_THAT(bench.Tree(kLocalMachine, R"(\SOFTWARE\OldVendor)"), ElementsAre("(none)"));
  // Each change of root starts a section of its own.
  EXPECT_THAT(
      Joined(lines),
      HasSubstr("\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\]"
                "\n\"Tray\"="));
  // A kernel driver takes the loader's form, a service program the plain path; only the
  // missing part leaves a list, and a single file leaves with its value.
  EXPECT_THAT(
      bench.Tree(kLocalMachine, svcKey),
      ElementsAre(
          R"(Eventlog\Application\Src: EventMessageFile=%SystemRoot%\System32\a.dll  TypesSupported=dword:7)",
          R"(kdrv: ImagePath=SYSTEM32\drivers\kdrv.sys  Type=dword:1)",
          R"(usvc: ImagePath=C:\Apps\usvc.exe -k x  Type=dword:16)"));
  EXPECT_THAT(bench.Tree(kLocalMachine, fontsKey), ElementsAre("Kept (TrueType)=kept.ttf"));
  EXPECT_THAT(bench.Tree(kLocalMachine, helpKey), ElementsAre(R"(app.hlp=C:\NewHelp)"));
  EXPECT_TRUE(bench.RestoredBy(lines));
}

TEST(RepairFrame, FailuresAreCountedAndUnselectedProblemsLeaveAnEmptySection) {
  TempPrefix prefix;
  const std::string g = "{11111111-2222-3333-4444-555555555555}";
  const std::string h = "{99999999-2222-3333-4444-555555555555}";
  const std::string folders = R"(SOFTWARE\Microsoft\Windows\CurrentVersion\Installer\Folders)";
  prefix.Machine(kClasses + R"(CLSID\)" + g + R"(\InprocServer32)", {Sz("", R"(C:\Changed\x.dll)")})
      .Machine(kClasses + R"(CLSID\)" + h + R"(\InprocServer32)", {Sz("", R"(C:\Gone\y.dll)")})
      .Machine(folders, {Sz(R"(C:\Gone\)", "")});
  PrefixEngine bench(prefix);
  TOrdrex& engine = bench.Engine();
  std::vector<std::string> shown, events;
  engine.OnRepairError = [&](const std::string& text) { shown.push_back(text); };
  engine.OnRepairStart = [&](TCustomOrdrex& c) { events.push_back("start " + c.Title); };
  engine.OnRepairEnd = [&](TCustomOrdrex& c) { events.push_back("end " + c.Title); };
  // The value no longer holds the path the scan saw: the correction fails, the key stays.
  bench.Problem(engine.RegIntegrity, kClassesRoot, R"(\CLSID\)" + g + R"(\InprocServer32)", "",
                R"(C:\Old\x.dll)", R"(C:\New\x.dll)");
  bench.Problem(engine.RegIntegrity, kClassesRoot, R"(\CLSID\)" + h + R"(\InprocServer32)", "",
                R"(C:\Gone\y.dll)");
  bench.Problem(engine.RegIntegrity, kClassesRoot, "\\", "", "");  // never the whole root
  bench.Problem(engine.RegIntegrity, kClassesRoot, R"(\CLSID\unselected)", "", "").Selected = false;
  bench.Repair({&engine.RegIntegrity});
  EXPECT_EQ(engine.RegIntegrity.RepairFailures, 2);
  EXPECT_EQ(engine.RegIntegrity.RepairedCount, 1);
  EXPECT_THAT(bench.Tree(kClassesRoot, R"(\CLSID)"),
              ElementsAre(g + R"(\InprocServer32: @=C:\Changed\x.dll)", h));
  // The diagnostic texts stay hidden while the switch is off.
  EXPECT_TRUE(shown.empty());
  engine.ShowRepairErrors = true;
  bench.Repair({&engine.RegIntegrity});
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_THAT(shown[0], HasSubstr("WriteFix error on"));

  events.clear();
  bench.Problem(engine.Installer, kLocalMachine, "\\" + folders + "\\", R"(C:\Gone\)", "")
      .Selected = false;
  EXPECT_THAT(bench.Repair({&engine.Installer}),
              ElementsAre("Windows Registry Editor Version 5.00",
                          "[HKEY_LOCAL_MACHINE\\" + folders + "\\]", ""));
  EXPECT_THAT(events, ElementsAre("start Installer", "end Installer"));
  // A category without problems does nothing at all.
  events.clear();
  EXPECT_EQ(bench.Repair({&engine.Font}).size(), 1u);
  EXPECT_TRUE(events.empty());
}

TEST(RepairMruFiles, DeletedLettersCloseUpTheListAndFoundFilesCorrectTheirEntry) {
  TempPrefix prefix;
  const std::string run = kExplorer + "RunMRU";
  const std::string open = kExplorer + R"(ComDlg32\OpenSaveMRU)";
  prefix.File(R"(C:\New\tool.exe)")
      .User(run.substr(1),
            {Sz("a", R"(C:\A\a.exe)"), Sz("b", R"(C:\Gone\b.exe)"),
             Sz("c", R"(C:\Old\tool.exe /x)"), Sz("d", R"(C:\Gone\d.exe)"), Sz("MRUList", "dbca")})
      .User(open.substr(1) + R"(\txt)", {Sz("x", R"(C:\X\x.txt)"), Sz("y", R"(C:\Gone\y.txt)"),
                                         Sz("z", R"(C:\Z\z.txt)"), Sz("MRUList", "zyx")})
      .User(open.substr(1) + R"(\doc)",
            {Sz("a", R"(C:\Gone\a.doc)"), Sz("b", R"(C:\Gone\b.doc)"), Sz("MRUList", "ab")});
  PrefixEngine bench(prefix);
  TOrdrex& engine = bench.Engine();
  bench.Problem(engine.MRUFiles, kCurrentUser, run, "b", R"(C:\Gone\b.exe)");
  bench.Problem(engine.MRUFiles, kCurrentUser, run, "c", R"(C:\Old\tool.exe)",
                R"(C:\New\tool.exe)");
  bench.Problem(engine.MRUFiles, kCurrentUser, run, "d", R"(C:\Gone\d.exe)");
  bench.Problem(engine.MRUFiles, kCurrentUser, open + R"(\txt)", "y", R"(C:\Gone\y.txt)");
  bench.Problem(engine.MRUFiles, kCurrentUser, open + R"(\doc)", "a", R"(C:\Gone\a.doc)");
  bench.Problem(engine.MRUFiles, kCurrentUser, open + R"(\doc)", "b", R"(C:\Gone\b.doc)");
  const TBackupLines lines = bench.Repair({&engine.MRUFiles});

  // "c" is corrected, then renamed to "b"; a list whose every letter went is empty, not stale.
  EXPECT_THAT(bench.Tree(kCurrentUser, run),
              ElementsAre(R"(a=C:\A\a.exe  b=C:\New\tool.exe /x  MRUList=ba)"));
  EXPECT_THAT(bench.Tree(kCurrentUser, open),
              ElementsAre("doc: MRUList=", R"(txt: a=C:\X\x.txt  b=C:\Z\z.txt  MRUList=ba)"));
  EXPECT_EQ(engine.MRUFiles.RepairedCount, 6);
  EXPECT_EQ(engine.MRUFiles.RepairFailures, 0);
  // Backed up under its old name with the text from before the correction (not recorded again
  // by the rename, or the restore would end on it); new names are removed on restore.
  EXPECT_THAT(lines, Contains(R"("c"="C:\\Old\\tool.exe /x")"));
  EXPECT_TRUE(bench.RestoredBy(lines));
}

TEST(RepairHistoryAndStartMenu, NumbersAreRenumberedTheEndMarkWrittenAndMenuTreesDeleted) {
  TempPrefix prefix;
  const std::string docs = kExplorer + "RecentDocs";
  const std::string menu = kExplorer + R"(MenuOrder\Start Menu2\)";
  prefix
      .User(docs.substr(1) + R"(\.txt)",
            {Binary("0", {0x10}), Binary("1", {0x11}), Binary("2", {0x12}), Binary("3", {0x13}),
             Binary("MRUListEx", Numbers({3, 1, 0, 2, 0xFFFFFFFF}))})
      .User(docs.substr(1) + R"(\.gone)")
      .User(docs.substr(1) + R"(\.doc)", {Binary("5", {1}), Sz("NotANumber", "x"),
                                          Binary("MRUListEx", Numbers({5, 0xFFFFFFFF}))})
      .User(menu.substr(1) + R"(Programs\Old Game)", {Binary("Order", {1, 2, 3})})
      .User(menu.substr(1) + R"(Programs\Old Game\Sub)", {Binary("Order", {4})})
      .User(menu.substr(1) + R"(Programs\Kept)", {Binary("Order", {5})});
  PrefixEngine bench(prefix);
  TOrdrex& engine = bench.Engine();
  // A menu order key goes with its tree.
  bench.Problem(engine.Startmenu, kCurrentUser, engine.Startmenu.BaseKey + R"(Programs\Old Game)",
                "", "");
  bench.Problem(engine.Hist, kCurrentUser, docs + R"(\.txt)", "1", R"(C:\Gone\one.txt)");
  // A found file cannot be written into binary data: the entry goes like one without.
  bench.Problem(engine.Hist, kCurrentUser, docs + R"(\.txt)", "3", R"(C:\Gone\three.txt)",
                R"(C:\Found\three.txt)");
  bench.Problem(engine.Hist, kCurrentUser, docs + R"(\.gone)", "", "");
  bench.Problem(engine.Hist, kCurrentUser, docs + R"(\.doc)", "5", R"(C:\Gone\five.doc)");
  // Not an entry of the list: left alone.
  bench.Problem(engine.Hist, kCurrentUser, docs + R"(\.doc)", "NotANumber", "x");
  const TBackupLines lines = bench.Repair({&engine.Hist, &engine.Startmenu});

  // An empty list goes with its key; a list whose every entry went keeps its end mark.
  EXPECT_THAT(bench.Tree(kCurrentUser, docs),
              ElementsAre(".doc: MRUListEx=hex:ff,ff,ff,ff  NotANumber=x",
                          ".txt: 0=hex:10  1=hex:12  MRUListEx=hex:00,00,00,00,01,00,00,00,"
                          "ff,ff,ff,ff"));
  EXPECT_EQ(engine.Hist.RepairedCount, 4);
  EXPECT_THAT(bench.Tree(kCurrentUser, menu), ElementsAre(R"(Programs\Kept: Order=hex:05)"));
  EXPECT_TRUE(bench.RestoredBy(lines));
}

}  // namespace
}  // namespace ordrex
