#include <gtest/gtest.h>

#include "engine/ordrex.h"
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

// The scan index orders the lists, the clearing, the linking and the repair.
TEST(ProblemRecords, TheTwentyThreeCategoriesByScanIndex) {
  const std::vector<std::string> titles = {
      "Registry Integrity", "ActiveX/COM",           "Interface",        "System Extensions",
      "Old Software",       "Open With Application", "Application Path", "File Associations",
      "MRU Files",          "Device Driver",         "Windows Font",     "Help Files",
      "Microsoft Shared",   "Windows Startup",       "Installer",        "Uninstall Section",
      "Start Menu",         "System Event Log",      "Context Menu",     "VxD Integrity",
      "History List",       "MS-DOS Shortcut",       "Windows Shortcut"};
  DriveFixture drive;
  TOrdrex& engine = drive.Engine();
  ASSERT_EQ(engine.Categories().size(), titles.size());
  for (int index = 1; index <= 23; ++index) {
    TCustomOrdrex* category = engine.Category(index);
    ASSERT_NE(category, nullptr) << index;
    SCOPED_TRACE(category->Title);
    EXPECT_EQ(category, engine.Categories()[static_cast<std::size_t>(index - 1)]);
    EXPECT_EQ(category->Index, index);
    EXPECT_EQ(category->Title, titles[static_cast<std::size_t>(index - 1)]);
    // System Extensions, and on the NT family VxD Integrity, have no rows and are never on.
    const bool hidden = category == &engine.SystemExtensions || category == &engine.VxD;
    EXPECT_EQ(category->Listed, !hidden);
    EXPECT_EQ(category->Enabled, !hidden);
  }
  EXPECT_EQ(engine.Category(0), nullptr);
  EXPECT_EQ(engine.Category(24), nullptr);
  EXPECT_TRUE(engine.Stopped);
}

// Found locations are kept once per missing file name and linked to each problem through the
// field that names its file.
TEST(ProblemRecords, OneMissingFileNameSharesItsFoundLocationsAndLinksByTheNamingField) {
  DriveFixture drive;
  TOrdrex& engine = drive.Engine();
  engine.AddProblem(engine.RegIntegrity, kClassesRoot, "File not found", R"(\CLSID\{A})", "",
                    R"(c:\a\FOO.dll)", R"(c:\a\FOO.dll)", true, true);
  engine.AddProblem(engine.Uninstall, kLocalMachine, "File not found", R"(\Uninstall\Foo)",
                    "UninstallString", R"(D:\b\foo.DLL)", R"(D:\b\foo.DLL)", true, true);
  // The name comes from the file path only: not from a folder, nor from a path problem's data.
  engine.AddProblem(engine.Installer, kLocalMachine, "Path not found", R"(\Folders\)",
                    R"(C:\gone\)", "", R"(C:\gone\x.dll)", true, false);
  engine.AddErrorFile(R"(C:\dir\)");
  ASSERT_EQ(engine.ErrorFileCount(), 1);
  EXPECT_EQ(engine.ErrorFiles.Items(0).FileName, "FOO.DLL");
  engine.AddErrorFile("D:name.exe");
  EXPECT_EQ(engine.ErrorFiles.Items(1).FileName, "NAME.EXE");
  // Help files are listed by value name; the data names the folder or another file.
  engine.AddProblem(engine.Help, kLocalMachine, "File not found",
                    R"(\SOFTWARE\Microsoft\Windows\Help)", "APP.HLP", R"(C:\Help\other.hlp)",
                    "APP.HLP", true, true);
  // Only the program of an uninstall command was tested.
  engine.AddProblem(engine.Uninstall, kLocalMachine, "File not found", R"(\Uninstall\App)",
                    "UninstallString", R"(C:\App\unins000.exe /SILENT)", R"(C:\App\unins000.exe)",
                    true, true);
  engine.Uninstall.Items(1).MissingPath = R"(C:\App\unins000.exe)";
  engine.AddErrorFile("other.hlp");

  EXPECT_TRUE(engine.RecordFoundLocation(R"(C:\x\)", "foo.dll"));
  EXPECT_TRUE(engine.RecordFoundLocation(R"(C:\y)", "Foo.Dll"));
  EXPECT_FALSE(engine.RecordFoundLocation(R"(C:\y\)", "bar.dll"));
  for (const char* name : {"app.hlp", "other.hlp", "UNINS000.EXE"})
    EXPECT_TRUE(engine.RecordFoundLocation(R"(C:\Found\)", name)) << name;
  engine.LinkAll();
  ASSERT_EQ(engine.Help.Items(0).SolutionCount(), 1);
  EXPECT_EQ(*engine.Help.Items(0).Solution(), R"(C:\Found\app.hlp)");
  ASSERT_EQ(engine.Uninstall.Items(1).SolutionCount(), 1);
  EXPECT_EQ(*engine.Uninstall.Items(1).Solution(), R"(C:\Found\UNINS000.EXE)");

  const TFixingList& first = engine.RegIntegrity.Items(0);
  const TFixingList& second = engine.Uninstall.Items(0);
  ASSERT_EQ(first.SolutionCount(), 2);
  EXPECT_EQ(first.Solutions, second.Solutions);  // one list, not copies
  EXPECT_EQ(*first.Solutions, (std::vector<std::string>{R"(C:\x\foo.dll)", R"(C:\y\Foo.Dll)"}));
  ASSERT_NE(first.Solution(), nullptr);
  EXPECT_EQ(*first.Solution(), R"(C:\x\foo.dll)");
}

TEST(ProblemRecords, IgnoredProblemsLeaveNoTrace) {
  DriveFixture drive;
  TOrdrex& engine = drive.Engine();
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
  EXPECT_EQ(engine.Startup.Items(0).Value, "Kept");
  EXPECT_EQ(engine.ErrorFileCount(), 1);
}

TEST(ProblemRecords, ClearKeepsTheProblemsOfDisabledCategoriesWithoutTheirLinks) {
  DriveFixture drive;
  TOrdrex& engine = drive.Engine();
  for (TCustomOrdrex* category :
       std::initializer_list<TCustomOrdrex*>{&engine.AppPath, &engine.Uninstall}) {
    engine.AddProblem(*category, kLocalMachine, "File not found", R"(\K)", "v", R"(C:\a\a.exe)",
                      R"(C:\a\a.exe)", true, true);
  }
  engine.RecordFoundLocation(R"(C:\b\)", "a.exe");
  engine.LinkAll();
  ASSERT_EQ(engine.AppPath.Items(0).SolutionCount(), 1);
  // Linking again drops a link that no longer matches, and the cancelled mark.
  engine.AppPath.Cancelled = true;
  engine.ErrorFiles.Clear();
  engine.LinkAll();
  EXPECT_EQ(engine.AppPath.Items(0).Solutions, nullptr);
  EXPECT_FALSE(engine.AppPath.Cancelled);
  engine.AddErrorFile(R"(C:\a\a.exe)");
  ASSERT_TRUE(engine.RecordFoundLocation(R"(C:\b\)", "a.exe"));
  engine.LinkAll();
  ASSERT_EQ(engine.Uninstall.Items(0).SolutionCount(), 1);
  // A stop marks the enabled categories cancelled, and only them.
  engine.Stop(true);
  EXPECT_TRUE(engine.Uninstall.Cancelled);
  EXPECT_FALSE(engine.SystemExtensions.Cancelled);
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

}  // namespace
}  // namespace ordrex
