// The engine's categories and problem records, and the schedule, stops and reports of a scan.

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/ordrex.h"
#include "platform/text.h"
#include "support/drive_fixture.h"
#include "support/prefix_engine.h"

namespace ordrex {
namespace {

using testsupport::DriveFixture;
using testsupport::RunScan;
using Texts = std::vector<std::string>;

// What a window would see: every state change, every pause and every new count.
struct Recorder : EngineObserver {
  void CategoryStatusChanged(TCustomOrdrex& category) override {
    events.push_back(category.Title + ":" + category.StatusText);
  }
  void PauseAfterStateChange(TCustomOrdrex& category) override {
    pauses.push_back(category.Title + ":" + category.StatusText);
  }
  Texts StatesOf(const std::string& title) const {
    Texts states;
    for (const std::string& event : events) {
      if (event.starts_with(title + ":")) states.push_back(event.substr(title.size() + 1));
    }
    return states;
  }
  // Titles in the order they first showed "Scanning".
  Texts ScanningOrder() const {
    Texts titles;
    for (const std::string& event : events) {
      const std::string title = event.substr(0, event.size() - 9);
      if (event.ends_with(":Scanning") && std::ranges::find(titles, title) == titles.end())
        titles.push_back(title);
    }
    return titles;
  }
  void CategoryCountChanged(TCustomOrdrex& category) override {
    counts.push_back(category.Title + "=" + std::to_string(category.Count()));
  }
  Texts events, pauses, counts;
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
  EXPECT_EQ(*first.Solution(), R"(C:\x\foo.dll)");
}

TEST(ProblemRecords, IgnoredProblemsLeaveNoTrace) {
  DriveFixture drive;
  TOrdrex& engine = drive.Engine();
  Recorder recorder;
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
                       {R"(\Run\)", IgnoreScope::Key},
                       {R"(HKEY_LOCAL_MACHINE\Run\)", IgnoreScope::Key},
                       {"Ignored", IgnoreScope::Value}}));

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

class ScanDriverTest : public ::testing::Test {
 protected:
  // Built on first use; time passes between names, so every location report is delivered.
  TOrdrex& Engine() {
    TOrdrex& engine = drive_.Engine();
    if (engine.Observer != &recorder_) {
      engine.Observer = &recorder_;
      engine.OnStatus = [this](const std::string& text) { statuses_.push_back(text); };
      engine.OnProgress = [this](int position, int total) {
        progress_.emplace_back(position, total);
        drive_.Clock().AdvanceTick(200);
      };
    }
    return engine;
  }
  void EnableOnly(std::initializer_list<TCustomOrdrex*> enabled) {
    for (TCustomOrdrex* category : Engine().Categories()) {
      category->Enabled = std::find(enabled.begin(), enabled.end(), category) != enabled.end();
    }
  }
  // A class whose server is missing: {00000000-0000-0000-0000-00000000000<last>}.
  void AddMissingClass(char last) {
    const std::string guid = std::string("{00000000-0000-0000-0000-00000000000") + last + "}";
    drive_.SetString(kLocalMachine, R"(\SOFTWARE\Classes\CLSID\)" + guid + R"(\InprocServer32)", "",
                     R"(D:\Gone\)" + guid + ".dll");
  }

  DriveFixture drive_;
  Recorder recorder_;
  Texts statuses_;
  std::vector<std::pair<int, int>> progress_;
};

// The older family's device walk reads the installed-files list, not the services.
class ScanScheduleTest : public ScanDriverTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ScanScheduleTest, EveryCategoryMovesThroughItsStatesInTheFamilysOrder) {
  const bool win9x = GetParam();
  if (win9x) drive_.UseWin9x();
  drive_.SetString(kLocalMachine, R"(\System\CurrentControlSet\Control\InstalledFiles)", "OLD.VXD",
                   R"(C:\windows\system\old.vxd)");
  drive_.CreateKey(kLocalMachine, R"(\SYSTEM\CurrentControlSet\Services\SomeService)");
  TOrdrex& engine = Engine();
  RunScan(engine);
  EXPECT_EQ(engine.EndedEarly, "");
  EXPECT_EQ(engine.DeviceDriver.Mode, win9x ? LinkMode::Value : LinkMode::Data);
  // Categories scanned in parts wait between them: "Waiting 2", "Waiting 3".
  for (TCustomOrdrex* category : engine.Categories()) {
    const std::string& title = category->Title;
    const int parts = title == "File Associations" ? 3
                      : title == "Open With Application" || title == "Old Software" ||
                              title == "MRU Files" || title == "Windows Startup"
                          ? 2
                          : 1;
    Texts expected = {"Waiting", "Scanning"};
    for (int part = 2; part <= parts; ++part)
      expected.insert(expected.end(), {"Waiting " + std::to_string(part), "Scanning"});
    expected.push_back("Finished");
    EXPECT_EQ(recorder_.StatesOf(title), category->Listed ? expected : Texts{}) << title;
  }
  Texts order = {
      "MS-DOS Shortcut",       "Windows Shortcut",   "File Associations", "Context Menu",
      "Open With Application", "Registry Integrity", "Interface",         "ActiveX/COM",
      "Old Software",          "MRU Files",          "Start Menu",        "History List",
      "Windows Startup",       "Application Path",   "Installer",         "Microsoft Shared",
      "Uninstall Section",     "Help Files",         "Windows Font",      "Device Driver",
      "System Event Log"};
  if (win9x) {  // the fonts come before the installer, and the virtual devices last
    std::rotate(order.begin() + 14, order.begin() + 18, order.begin() + 19);
    order.push_back("VxD Integrity");
  }
  EXPECT_EQ(recorder_.ScanningOrder(), order);
  // A pause follows every change but "Waiting" and History List's "Finished" (at the end).
  Texts paused;
  std::copy_if(recorder_.events.begin(), recorder_.events.end(), std::back_inserter(paused),
               [](const std::string& event) {
                 return !event.ends_with(":Waiting") && event != "History List:Finished";
               });
  EXPECT_EQ(recorder_.pauses, paused);
  const auto shown = [&](const std::string& text) {
    return std::any_of(statuses_.begin(), statuses_.end(),
                       [&](const std::string& status) { return ContainsText(status, text); });
  };
  EXPECT_EQ(shown("InstalledFiles"), win9x);
  EXPECT_EQ(shown("SomeService"), !win9x);
}

INSTANTIATE_TEST_SUITE_P(NtAndWin9x, ScanScheduleTest, ::testing::Bool());

TEST_F(ScanDriverTest, StopDuringAWalkFinishesEveryEnabledCategory) {
  for (char c = 'A'; c <= 'E'; ++c)
    AddMissingClass(c);
  TOrdrex& engine = Engine();
  EnableOnly({&engine.RegIntegrity, &engine.Interface, &engine.Startup, &engine.Hist});
  engine.OnProgress = [&](int position, int total) {
    drive_.Clock().AdvanceTick(200);
    if (engine.RegIntegrity.StatusText == kStateScanning && position == 2) {
      EXPECT_EQ(total, 5);
      engine.Stop(true);
    }
  };
  engine.Clear();
  engine.Stop(false);
  engine.Scan();

  // Before anything is scanned, each category with a row shows "Waiting", or "Skipped" when off.
  Texts first;
  for (TCustomOrdrex* category : engine.Categories()) {
    if (category->Listed)
      first.push_back(category->Title + (category->Enabled ? ":Waiting" : ":Skipped"));
  }
  ASSERT_GT(recorder_.events.size(), first.size());
  EXPECT_EQ(Texts(recorder_.events.begin(), recorder_.events.begin() + first.size()), first);
  // The second class was still examined; the third was not.
  EXPECT_EQ(engine.RegIntegrity.Count(), 2);
  EXPECT_EQ(engine.EndedEarly, kEndedByUser);
  EXPECT_NE(std::find(statuses_.begin(), statuses_.end(),
                      R"(HKEY_CLASSES_ROOT\CLSID\{00000000-0000-0000-0000-00000000000A})"),
            statuses_.end());
  EXPECT_EQ(statuses_.back(), "");
  for (TCustomOrdrex* category : engine.Categories()) {
    if (category->Enabled) {
      EXPECT_EQ(category->StatusText, kStateFinished) << category->Title;
    }
  }
  // Never reached: straight from "Waiting" to "Finished".
  EXPECT_EQ(recorder_.StatesOf("Interface"), (Texts{"Waiting", "Finished"}));
  EXPECT_EQ(engine.AppPath.StatusText, kStateSkipped);
}

TEST_F(ScanDriverTest, LocationReportsNeedAtLeast101MillisecondsAndProgressAnswersTheStop) {
  TOrdrex& engine = Engine();
  ManualClock& clock = drive_.Clock();
  clock.SetTick(1000);
  engine.ReportKey(kLocalMachine, R"(\A)");
  clock.SetTick(1100);
  engine.ReportKey(kLocalMachine, R"(\B)");  // 100 ms after \A: suppressed
  clock.SetTick(1101);
  engine.ReportKey(kCurrentUser, R"(\C)");  // 101 ms after \A
  clock.SetTick(1201);
  engine.ReportKey(0, R"(C:\D)");  // 100 ms after \C: suppressed
  clock.SetTick(1202);
  engine.ReportKey(0, R"(C:\E)");
  EXPECT_EQ(engine.LastTick, 1202u);
  // A tick count that wrapped around always reports.
  engine.LastTick = 0xFFFFFFF0u;
  clock.SetTick(5);
  engine.ReportKey(kLocalMachine, R"(\F)");
  EXPECT_FALSE(ReportDue(0xFFFFFF00u, 0xFFFFFF64u));
  // A step reports its key and progress, and answers with the stop flag as it was before.
  engine.Stop(false);
  clock.SetTick(500);
  engine.OnProgress = [&](int position, int total) {
    progress_.emplace_back(position, total);
    engine.Stop(true);
  };
  EXPECT_FALSE(engine.StepProgress(0, 3, kClassesRoot, R"(\CLSID\x)"));
  EXPECT_TRUE(engine.StepProgress(1, 3, kClassesRoot, R"(\CLSID\y)"));
  EXPECT_EQ(progress_, (std::vector<std::pair<int, int>>{{1, 3}, {2, 3}}));
  EXPECT_EQ(statuses_, (Texts{R"(HKEY_LOCAL_MACHINE\A)", R"(HKEY_CURRENT_USER\C)", R"(C:\E)",
                              R"(HKEY_LOCAL_MACHINE\F)", R"(HKEY_CLASSES_ROOT\CLSID\x)"}));
}

// A machine branch with one key whose values cannot be read, as a damaged hive gives it.
class DamagedTarget : public MemoryTarget {
 public:
  explicit DamagedTarget(std::string badKey) : damaged_(std::move(badKey)) {}
  RegistryStore* Root(RootHandle root) override {
    return root == kLocalMachine ? &damaged_ : MemoryTarget::Root(root);
  }

 private:
  struct DamagedStore : MemoryStore {
    explicit DamagedStore(std::string badKey) : badKey(std::move(badKey)) {}
    std::optional<RegValue> QueryValue(std::string_view path,
                                       std::string_view name) const override {
      if (SameText(path, badKey)) throw RegistryError("The key " + badKey + " is damaged");
      return MemoryStore::QueryValue(path, name);
    }
    std::string badKey;
  } damaged_;
};

TEST(ScanDriverFailure, AnUnreadableKeyEndsTheScanEarlyWithTheReason) {
  const std::string badKey = R"(SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\broken.exe)";
  DamagedTarget target(badKey);
  {
    TRegistry reg(target, kLocalMachine);
    ASSERT_TRUE(reg.OpenKey("\\" + badKey, true));
    // The user's classes are read through the merged view, not the damaged branch.
    reg.SetRootKey(kCurrentUser);
    ASSERT_TRUE(reg.OpenKey(
        R"(\Software\Classes\CLSID\{00000000-0000-0000-0000-00000000000A}\InprocServer32)", true));
    reg.WriteString("", R"(D:\Gone\a.dll)");
  }
  ManualClock clock;
  TOrdrex engine(target, clock);
  Recorder recorder;
  engine.Observer = &recorder;
  Texts statuses;
  engine.OnStatus = [&](const std::string& text) { statuses.push_back(text); };
  engine.Clear();
  engine.Stop(false);
  ASSERT_NO_THROW(engine.Scan());

  EXPECT_EQ(engine.EndedEarly,
            std::string(kEndedByErrorPrefix) + "The key " + badKey + " is damaged");
  EXPECT_EQ(engine.RegIntegrity.Count(), 1);  // found before the failure, and kept
  ASSERT_FALSE(statuses.empty());
  EXPECT_EQ(statuses.back(), "");
  for (TCustomOrdrex* category : engine.Categories()) {
    if (category->Listed) {
      EXPECT_EQ(category->StatusText, kStateFinished) << category->Title;
    }
  }
  // The stages after the failing one never ran.
  EXPECT_EQ(recorder.StatesOf("Uninstall Section"), (Texts{"Waiting", "Finished"}));

  // The next scan starts afresh.
  engine.Clear();
  engine.Stop(false);
  engine.AppPath.Enabled = false;
  engine.Scan();
  EXPECT_EQ(engine.EndedEarly, "");
  EXPECT_EQ(engine.RegIntegrity.Count(), 1);
}

}  // namespace
}  // namespace ordrex
