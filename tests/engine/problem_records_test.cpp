#include <gtest/gtest.h>

#include "engine/ordrex.h"
#include "platform/clock.h"
#include "support/drive_fixture.h"

namespace ordrex {
namespace {

using testsupport::DriveFixture;

struct CountRecorder : EngineObserver {
  void CategoryCountChanged(TCustomOrdrex& category) override {
    counts.push_back(category.Title + "=" + std::to_string(category.Count()));
  }
  std::vector<std::string> counts;
};

struct Row {
  int index;
  int id;
  const char* title;
  const char* rootText;
  const char* severity;
  const char* caption;
  LinkMode mode;
};

// The categories of an NT-family system, in scan index order.
const Row kNtTable[] = {
    {1, 1, "Registry Integrity", R"(HKEY_CLASSES_ROOT\CLSID\)", "High", "Registry Integrity",
     LinkMode::Data},
    {2, 2, "ActiveX/COM", R"(HKEY_CLASSES_ROOT\TypeLib\)", "High", "ActiveX/COM", LinkMode::Data},
    {3, 3, "Interface", R"(HKEY_CLASSES_ROOT\Interface\)", "High", "Interface", LinkMode::Data},
    {4, 4, "System Extensions",
     R"(HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Drivers32\)", "High",
     "System Extensions", LinkMode::Data},
    {5, 5, "Old Software", R"(HKEY_LOCAL_MACHINE\SOFTWARE\)", "Low", "Old Software",
     LinkMode::Data},
    {6, 6, "Open With Application", "", "Medium", "Application", LinkMode::Data},
    {7, 7, "Application Path",
     R"(HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\)", "Medium",
     "Application Paths", LinkMode::Data},
    {8, 8, "File Associations", "HKEY_CLASSES_ROOT", "High", "File Associate", LinkMode::Data},
    {9, 9, "MRU Files", R"(HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\)",
     "Low", "MRU Files", LinkMode::Data},
    {10, 10, "Device Driver", R"(HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\)", "High",
     "Device Drivers", LinkMode::Data},
    {11, 11, "Windows Font",
     R"(HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Fonts\)", "Low",
     "Windows Fonts", LinkMode::Data},
    {12, 12, "Help Files", "HKEY_LOCAL_MACHINE", "Medium", "Help Files", LinkMode::Value},
    {13, 13, "Microsoft Shared",
     R"(HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDLLs\)", "Medium",
     "Microsoft Shared", LinkMode::Value},
    {14, 14, "Windows Startup",
     R"(HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Run\)", "Medium",
     "Windows Startup", LinkMode::Value},
    {15, 16, "Installer",
     R"(HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Installer\Folders\)", "Medium",
     "Installer", LinkMode::Value},
    {16, 15, "Uninstall Section",
     R"(HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\)", "Medium",
     "Uninstall Section", LinkMode::Data},
    {17, 17, "Start Menu",
     R"(HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\MenuOrder\Start Menu\)",
     "Medium", "Start Menu", LinkMode::Data},
    {18, 18, "System Event Log", R"(HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\Eventlog)",
     "High", "System Event Log", LinkMode::Data},
    {19, 19, "Context Menu", "HKEY_CLASSES_ROOT", "High", "Context Menu", LinkMode::Data},
    {20, 20, "VxD Integrity", R"(HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\VxD\)", "???",
     "Vxd Sections", LinkMode::Data},
    {21, 21, "History List",
     R"(HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\RecentDocs\)", "Low",
     "History List", LinkMode::Data},
    {22, 22, "MS-DOS Shortcut", "", "Medium", "MS-DOS Shortcut", LinkMode::Data},
    {23, 23, "Windows Shortcut", "", "Medium", "Windows Shortcut", LinkMode::Data},
};

class ProblemRecordsTest : public ::testing::Test {
 protected:
  TOrdrex& Engine() {
    if (!engine_) engine_ = std::make_unique<TOrdrex>(drive_.Target(), clock_);
    return *engine_;
  }
  void UseWin9x() {
    drive_.Profile().version.platformId = 1;
    drive_.Profile().version.major = 4;
  }

  DriveFixture drive_;
  ManualClock clock_;
  std::unique_ptr<TOrdrex> engine_;
};

TEST_F(ProblemRecordsTest, TheTwentyThreeCategoriesByScanIndex) {
  TOrdrex& engine = Engine();
  ASSERT_EQ(engine.Categories().size(), 23u);
  for (const Row& row : kNtTable) {
    SCOPED_TRACE(row.title);
    TCustomOrdrex* category = engine.Category(row.index);
    ASSERT_NE(category, nullptr);
    EXPECT_EQ(category, engine.Categories()[static_cast<std::size_t>(row.index - 1)]);
    EXPECT_EQ(category->Index, row.index);
    EXPECT_EQ(category->CategoryId, row.id);
    EXPECT_EQ(category->Title, row.title);
    EXPECT_EQ(category->RootText, row.rootText);
    EXPECT_EQ(category->SeverityText(), row.severity);
    EXPECT_EQ(category->ListCaption, row.caption);
    EXPECT_EQ(category->Mode, row.mode);
    EXPECT_EQ(category->Count(), 0);
  }
  EXPECT_EQ(engine.Category(0), nullptr);
  EXPECT_EQ(engine.Category(24), nullptr);
  EXPECT_EQ(engine.Category(15), &engine.Installer);
  EXPECT_EQ(engine.Category(16), &engine.Uninstall);
  EXPECT_TRUE(engine.Stopped);
}

TEST_F(ProblemRecordsTest, CategoriesWithoutRowsOnTheNtFamily) {
  TOrdrex& engine = Engine();
  for (TCustomOrdrex* category : engine.Categories()) {
    const bool hidden = category == &engine.SystemExtensions || category == &engine.VxD;
    EXPECT_EQ(category->Listed, !hidden) << category->Title;
    EXPECT_EQ(category->Enabled, !hidden) << category->Title;
  }
}

TEST_F(ProblemRecordsTest, TheWin9xFamilyHasOtherDriverAndFontKeys) {
  UseWin9x();
  TOrdrex& engine = Engine();
  EXPECT_EQ(engine.DeviceDriver.RootText,
            R"(HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\InstalledFiles\)");
  EXPECT_EQ(engine.DeviceDriver.Mode, LinkMode::Value);
  EXPECT_EQ(engine.Font.RootText,
            R"(HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Fonts\)");
  EXPECT_TRUE(engine.VxD.Listed);
  EXPECT_TRUE(engine.VxD.Enabled);
  EXPECT_FALSE(engine.SystemExtensions.Listed);
  EXPECT_FALSE(engine.SystemExtensions.Enabled);
}

TEST_F(ProblemRecordsTest, StartMenuPrefersTheSecondMenuOrderKey) {
  drive_.CreateKey(
      kCurrentUser,
      R"(\Software\Microsoft\Windows\CurrentVersion\Explorer\MenuOrder\Start Menu2\Programs)");
  TOrdrex& engine = Engine();
  EXPECT_EQ(engine.Startmenu.BaseKey,
            R"(\Software\Microsoft\Windows\CurrentVersion\Explorer\MenuOrder\Start Menu2\)");
  EXPECT_EQ(
      engine.Startmenu.RootText,
      R"(HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\MenuOrder\Start Menu2\)");
  EXPECT_EQ(engine.Startmenu.Registry.RootKey(), kCurrentUser);
  EXPECT_EQ(engine.EventLog.Registry.RootKey(), kLocalMachine);
}

TEST_F(ProblemRecordsTest, OneMissingFileNameForTwoProblemsSharesTheFoundLocations) {
  TOrdrex& engine = Engine();
  engine.AddProblem(engine.RegIntegrity, kClassesRoot, "File not found", R"(\CLSID\{A})", "",
                    R"(c:\a\FOO.dll)", R"(c:\a\FOO.dll)", true, true);
  engine.AddProblem(engine.Uninstall, kLocalMachine, "File not found", R"(\Uninstall\Foo)",
                    "UninstallString", R"(D:\b\foo.DLL)", R"(D:\b\foo.DLL)", true, true);
  ASSERT_EQ(engine.ErrorFileCount(), 1);
  EXPECT_EQ(engine.ErrorFiles.Items(0).FileName, "FOO.DLL");

  EXPECT_TRUE(engine.RecordFoundLocation(R"(C:\x\)", "foo.dll"));
  EXPECT_TRUE(engine.RecordFoundLocation(R"(C:\y)", "Foo.Dll"));
  EXPECT_FALSE(engine.RecordFoundLocation(R"(C:\y\)", "bar.dll"));
  engine.LinkAll();

  const TFixingList& first = engine.RegIntegrity.Items(0);
  const TFixingList& second = engine.Uninstall.Items(0);
  ASSERT_EQ(first.SolutionCount(), 2);
  EXPECT_EQ(first.Solutions, second.Solutions);  // one list, not copies
  EXPECT_EQ(*first.Solutions, (std::vector<std::string>{R"(C:\x\foo.dll)", R"(C:\y\Foo.Dll)"}));
  ASSERT_NE(first.Solution(), nullptr);
  EXPECT_EQ(*first.Solution(), R"(C:\x\foo.dll)");
}

TEST_F(ProblemRecordsTest, IgnoredProblemsLeaveNoTrace) {
  TOrdrex& engine = Engine();
  CountRecorder recorder;
  engine.Observer = &recorder;
  int problems = 0;
  engine.OnProblem = [&](TOrdrex&) { ++problems; };
  std::vector<std::pair<std::string, IgnoreScope>> asked;
  engine.IsIgnored = [&](std::string_view text, IgnoreScope scope) {
    asked.emplace_back(std::string(text), scope);
    return scope == IgnoreScope::Value && text == "Ignored";
  };
  engine.AddProblem(engine.Startup, kLocalMachine, "File not found", R"(\Run\)", "Ignored",
                    R"(C:\gone\a.exe)", R"(C:\gone\a.exe)", true, true);
  EXPECT_EQ(engine.Startup.Count(), 0);
  EXPECT_EQ(engine.ErrorFileCount(), 0);
  EXPECT_TRUE(recorder.counts.empty());
  EXPECT_EQ(problems, 0);
  EXPECT_EQ(asked, (std::vector<std::pair<std::string, IgnoreScope>>{
                       {R"(\Run\)", IgnoreScope::Key}, {"Ignored", IgnoreScope::Value}}));

  engine.AddProblem(engine.Startup, kLocalMachine, "File not found", R"(\Run\)", "Kept",
                    R"(C:\gone\b.exe)", R"(C:\gone\b.exe)", false, true);
  EXPECT_EQ(engine.Startup.Count(), 1);
  EXPECT_EQ(recorder.counts, (std::vector<std::string>{"Windows Startup=1"}));
  EXPECT_EQ(problems, 1);
  const TFixingList& item = engine.Startup.Items(0);
  EXPECT_EQ(item.RootKey, kLocalMachine);
  EXPECT_EQ(item.Key, R"(\Run\)");
  EXPECT_EQ(item.Value, "Kept");
  EXPECT_EQ(item.Data, R"(C:\gone\b.exe)");
  EXPECT_EQ(item.Reason, "File not found");
  EXPECT_FALSE(item.Selected);
  EXPECT_TRUE(item.MissingFile);
  EXPECT_EQ(item.SolutionIndex, 0);
  EXPECT_EQ(item.SolutionCount(), 0);
}

TEST_F(ProblemRecordsTest, MissingFileNamesComeFromTheFilePathOnly) {
  TOrdrex& engine = Engine();
  engine.AddProblem(engine.OldSoftware, kLocalMachine, "Deleted Software", R"(\SOFTWARE\Old)", " ",
                    "", "", true, true);
  engine.AddProblem(engine.Installer, kLocalMachine, "Path not found", R"(\Folders\)",
                    R"(C:\gone\)", "", R"(C:\gone\x.dll)", true, false);
  EXPECT_EQ(engine.ErrorFileCount(), 0);
  engine.AddErrorFile(R"(C:\dir\)");
  engine.AddErrorFile("D:name.exe");
  EXPECT_EQ(engine.ErrorFileCount(), 1);
  EXPECT_EQ(engine.ErrorFiles.Items(0).FileName, "NAME.EXE");
}

TEST_F(ProblemRecordsTest, LinkModesChooseTheFieldThatNamesTheFile) {
  TOrdrex& engine = Engine();
  // Help files are listed by value name; the data names the folder or another file.
  engine.AddProblem(engine.Help, kLocalMachine, "File not found",
                    R"(\SOFTWARE\Microsoft\Windows\Help)", "APP.HLP", R"(C:\Help\other.hlp)",
                    "APP.HLP", true, true);
  // Only the program of an uninstall command was tested.
  engine.AddProblem(engine.Uninstall, kLocalMachine, "File not found", R"(\Uninstall\App)",
                    "UninstallString", R"(C:\App\unins000.exe /SILENT)", R"(C:\App\unins000.exe)",
                    true, true);
  engine.Uninstall.Items(0).MissingPath = R"(C:\App\unins000.exe)";
  engine.AddErrorFile("other.hlp");
  engine.RecordFoundLocation(R"(C:\Found\)", "app.hlp");
  engine.RecordFoundLocation(R"(C:\Found\)", "other.hlp");
  engine.RecordFoundLocation(R"(C:\Found\)", "UNINS000.EXE");
  engine.LinkAll();
  ASSERT_EQ(engine.Help.Items(0).SolutionCount(), 1);
  EXPECT_EQ(*engine.Help.Items(0).Solution(), R"(C:\Found\app.hlp)");
  ASSERT_EQ(engine.Uninstall.Items(0).SolutionCount(), 1);
  EXPECT_EQ(*engine.Uninstall.Items(0).Solution(), R"(C:\Found\UNINS000.EXE)");
}

TEST_F(ProblemRecordsTest, LinkingAgainDropsALinkThatNoLongerMatches) {
  TOrdrex& engine = Engine();
  engine.AddProblem(engine.AppPath, kLocalMachine, "File not found", R"(\App Paths\a.exe)", "",
                    R"(C:\a\a.exe)", R"(C:\a\a.exe)", true, true);
  engine.RecordFoundLocation(R"(C:\b\)", "a.exe");
  engine.LinkAll();
  ASSERT_EQ(engine.AppPath.Items(0).SolutionCount(), 1);
  engine.AppPath.Cancelled = true;
  engine.ErrorFiles.Clear();
  engine.LinkAll();
  EXPECT_EQ(engine.AppPath.Items(0).Solutions, nullptr);
  EXPECT_FALSE(engine.AppPath.Cancelled);
}

TEST_F(ProblemRecordsTest, ClearKeepsTheProblemsOfDisabledCategoriesWithoutTheirLinks) {
  TOrdrex& engine = Engine();
  for (TCustomOrdrex* category : {static_cast<TCustomOrdrex*>(&engine.AppPath),
                                  static_cast<TCustomOrdrex*>(&engine.Uninstall)}) {
    engine.AddProblem(*category, kLocalMachine, "File not found", R"(\K)", "v", R"(C:\a\a.exe)",
                      R"(C:\a\a.exe)", true, true);
  }
  engine.RecordFoundLocation(R"(C:\b\)", "a.exe");
  engine.LinkAll();
  engine.Stop(true);
  EXPECT_TRUE(engine.Uninstall.Cancelled);
  engine.Uninstall.Enabled = false;

  engine.Clear();
  EXPECT_EQ(engine.ErrorFileCount(), 0);
  EXPECT_EQ(engine.AppPath.Count(), 0);
  EXPECT_FALSE(engine.AppPath.Cancelled);
  ASSERT_EQ(engine.Uninstall.Count(), 1);
  EXPECT_EQ(engine.Uninstall.Items(0).Solutions, nullptr);
  EXPECT_EQ(engine.Uninstall.Items(0).SolutionCount(), 0);
  EXPECT_TRUE(engine.Uninstall.Cancelled);  // a disabled category is left alone
}

TEST_F(ProblemRecordsTest, StopMarksOnlyEnabledCategoriesCancelled) {
  TOrdrex& engine = Engine();
  engine.Stop(false);
  EXPECT_FALSE(engine.Stopped);
  EXPECT_TRUE(engine.RegIntegrity.Cancelled);
  EXPECT_FALSE(engine.SystemExtensions.Cancelled);
}

}  // namespace
}  // namespace ordrex
