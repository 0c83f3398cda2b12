#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "engine/ordrex.h"
#include "platform/clock.h"
#include "platform/text.h"
#include "support/drive_fixture.h"

namespace ordrex {
namespace {

using testsupport::DriveFixture;

constexpr const char* kClsidKey = R"(\SOFTWARE\Classes\CLSID\)";

// What a window would see: every state change, every pause, every pump.
struct Recorder : EngineObserver {
  void CategoryStatusChanged(TCustomOrdrex& category) override {
    events.push_back(category.Title + ":" + category.StatusText);
  }
  void PumpMessages() override { ++pumps; }
  void PauseAfterStateChange(TCustomOrdrex& category) override {
    pauses.push_back(category.Title + ":" + category.StatusText);
  }
  // The states one category went through.
  std::vector<std::string> StatesOf(const std::string& title) const {
    std::vector<std::string> states;
    for (const std::string& event : events) {
      if (event.starts_with(title + ":")) states.push_back(event.substr(title.size() + 1));
    }
    return states;
  }
  // Titles in the order they first showed "Scanning".
  std::vector<std::string> ScanningOrder() const {
    std::vector<std::string> titles;
    for (const std::string& event : events) {
      if (!event.ends_with(":Scanning")) continue;
      std::string title = event.substr(0, event.size() - 9);
      if (std::find(titles.begin(), titles.end(), title) == titles.end()) titles.push_back(title);
    }
    return titles;
  }

  std::vector<std::string> events;
  std::vector<std::string> pauses;
  int pumps = 0;
};

class ScanDriverTest : public ::testing::Test {
 protected:
  TOrdrex& Engine() {
    if (!engine_) {
      engine_ = std::make_unique<TOrdrex>(drive_.Target(), clock_);
      engine_->Observer = &recorder_;
      engine_->OnStatus = [this](const std::string& text) { statuses_.push_back(text); };
      engine_->OnProgress = [this](int position, int total) {
        progress_.emplace_back(position, total);
        // Time passes between names, so every location report is delivered.
        clock_.AdvanceTick(200);
      };
    }
    return *engine_;
  }
  void EnableOnly(std::initializer_list<TCustomOrdrex*> enabled) {
    for (TCustomOrdrex* category : Engine().Categories()) {
      category->Enabled = std::find(enabled.begin(), enabled.end(), category) != enabled.end();
    }
  }
  void AddMissingClass(const std::string& guid) {
    drive_.SetString(kLocalMachine, kClsidKey + guid + R"(\InprocServer32)", "",
                     R"(D:\Gone\)" + guid + ".dll");
  }
  void RunScan() {
    TOrdrex& engine = Engine();
    engine.Clear();
    engine.Stop(false);
    engine.Scan();
    engine.Stop(true);
  }
  void UseWin9x() {
    drive_.Profile().version.platformId = 1;
    drive_.Profile().version.major = 4;
  }

  DriveFixture drive_;
  ManualClock clock_;
  Recorder recorder_;
  std::vector<std::string> statuses_;
  std::vector<std::pair<int, int>> progress_;
  std::unique_ptr<TOrdrex> engine_;
};

TEST_F(ScanDriverTest, OnlyRegistryIntegrityEnabled) {
  AddMissingClass("{00000000-0000-0000-0000-00000000000A}");
  TOrdrex& engine = Engine();
  EnableOnly({&engine.RegIntegrity});
  RunScan();

  std::vector<std::string> expected;
  for (TCustomOrdrex* category : engine.Categories()) {
    // System Extensions and (on this NT system) VxD Integrity have no row and show nothing.
    if (category == &engine.SystemExtensions || category == &engine.VxD) continue;
    expected.push_back(category->Title +
                       (category == &engine.RegIntegrity ? ":Waiting" : ":Skipped"));
  }
  expected.push_back("Registry Integrity:Scanning");
  expected.push_back("Registry Integrity:Finished");
  EXPECT_EQ(recorder_.events, expected);
  EXPECT_EQ(recorder_.pauses, (std::vector<std::string>{"Registry Integrity:Scanning",
                                                        "Registry Integrity:Finished"}));
  EXPECT_EQ(engine.RegIntegrity.Count(), 1);
  EXPECT_EQ(engine.EndedEarly, "");
  ASSERT_FALSE(statuses_.empty());
  EXPECT_EQ(statuses_.back(), "");
  EXPECT_NE(std::find(statuses_.begin(), statuses_.end(),
                      R"(HKEY_CLASSES_ROOT\CLSID\{00000000-0000-0000-0000-00000000000A})"),
            statuses_.end());
}

TEST_F(ScanDriverTest, EveryCategoryMovesThroughItsStatesInScheduleOrder) {
  TOrdrex& engine = Engine();
  RunScan();
  EXPECT_EQ(engine.EndedEarly, "");
  const std::vector<std::string> single = {"Waiting", "Scanning", "Finished"};
  const std::vector<std::string> twoParts = {"Waiting", "Scanning", "Waiting 2", "Scanning",
                                             "Finished"};
  EXPECT_EQ(recorder_.StatesOf("File Associations"),
            (std::vector<std::string>{"Waiting", "Scanning", "Waiting 2", "Scanning", "Waiting 3",
                                      "Scanning", "Finished"}));
  for (const char* title :
       {"Open With Application", "Old Software", "MRU Files", "Windows Startup"}) {
    EXPECT_EQ(recorder_.StatesOf(title), twoParts) << title;
  }
  for (const char* title :
       {"Registry Integrity", "ActiveX/COM", "Interface", "Application Path", "Device Driver",
        "Windows Font", "Help Files", "Microsoft Shared", "Installer", "Uninstall Section",
        "Start Menu", "System Event Log", "Context Menu", "History List", "MS-DOS Shortcut",
        "Windows Shortcut"}) {
    EXPECT_EQ(recorder_.StatesOf(title), single) << title;
  }
  EXPECT_TRUE(recorder_.StatesOf("VxD Integrity").empty());
  EXPECT_TRUE(recorder_.StatesOf("System Extensions").empty());
  // The NT family reads its fonts after the help files, and has no virtual devices.
  EXPECT_EQ(
      recorder_.ScanningOrder(),
      (std::vector<std::string>{
          "MS-DOS Shortcut",       "Windows Shortcut",   "File Associations", "Context Menu",
          "Open With Application", "Registry Integrity", "Interface",         "ActiveX/COM",
          "Old Software",          "MRU Files",          "Start Menu",        "History List",
          "Windows Startup",       "Application Path",   "Installer",         "Microsoft Shared",
          "Uninstall Section",     "Help Files",         "Windows Font",      "Device Driver",
          "System Event Log"}));
  // History List turned "Finished" only at the end, without a pause.
  EXPECT_EQ(std::count(recorder_.pauses.begin(), recorder_.pauses.end(), "History List:Finished"),
            0);
}

TEST_F(ScanDriverTest, TheWin9xFamilyRunsItsOwnStages) {
  UseWin9x();
  drive_.SetString(kLocalMachine, R"(\System\CurrentControlSet\Control\InstalledFiles)", "OLD.VXD",
                   R"(C:\windows\system\old.vxd)");
  drive_.CreateKey(kLocalMachine, R"(\SYSTEM\CurrentControlSet\Services\SomeService)");
  TOrdrex& engine = Engine();
  RunScan();
  EXPECT_EQ(engine.EndedEarly, "");
  EXPECT_EQ(recorder_.ScanningOrder(),
            (std::vector<std::string>{
                "MS-DOS Shortcut",       "Windows Shortcut",   "File Associations", "Context Menu",
                "Open With Application", "Registry Integrity", "Interface",         "ActiveX/COM",
                "Old Software",          "MRU Files",          "Start Menu",        "History List",
                "Windows Startup",       "Application Path",   "Windows Font",      "Installer",
                "Microsoft Shared",      "Uninstall Section",  "Help Files",        "Device Driver",
                "System Event Log",      "VxD Integrity"}));
  EXPECT_EQ(recorder_.StatesOf("VxD Integrity"),
            (std::vector<std::string>{"Waiting", "Scanning", "Finished"}));
  // The device walk read the installed-files list, not the services.
  const auto shown = [&](const std::string& text) {
    return std::any_of(statuses_.begin(), statuses_.end(),
                       [&](const std::string& status) { return ContainsText(status, text); });
  };
  EXPECT_TRUE(shown("InstalledFiles"));
  EXPECT_FALSE(shown("SomeService"));
}

TEST_F(ScanDriverTest, StopDuringAWalkFinishesEveryEnabledCategory) {
  for (char c = 'A'; c <= 'E'; ++c) {
    AddMissingClass(std::string("{00000000-0000-0000-0000-00000000000") + c + "}");
  }
  TOrdrex& engine = Engine();
  EnableOnly({&engine.RegIntegrity, &engine.Interface, &engine.Startup, &engine.Hist});
  engine.OnProgress = [&](int position, int total) {
    clock_.AdvanceTick(200);
    if (engine.RegIntegrity.StatusText == kStateScanning && position == 2) {
      EXPECT_EQ(total, 5);
      engine.Stop(true);
    }
  };
  engine.Clear();
  engine.Stop(false);
  engine.Scan();

  // The second class was still examined; the third was not.
  EXPECT_EQ(engine.RegIntegrity.Count(), 2);
  EXPECT_EQ(engine.EndedEarly, kEndedByUser);
  EXPECT_EQ(statuses_.back(), "");
  for (TCustomOrdrex* category :
       {static_cast<TCustomOrdrex*>(&engine.RegIntegrity),
        static_cast<TCustomOrdrex*>(&engine.Interface),
        static_cast<TCustomOrdrex*>(&engine.Startup), static_cast<TCustomOrdrex*>(&engine.Hist)}) {
    EXPECT_EQ(category->StatusText, kStateFinished) << category->Title;
  }
  // Never reached: straight from "Waiting" to "Finished".
  EXPECT_EQ(recorder_.StatesOf("Interface"), (std::vector<std::string>{"Waiting", "Finished"}));
  EXPECT_EQ(engine.AppPath.StatusText, kStateSkipped);
}

TEST_F(ScanDriverTest, LocationReportsNeedAtLeast101Milliseconds) {
  TOrdrex& engine = Engine();
  clock_.SetTick(1000);
  engine.ReportKey(kLocalMachine, R"(\A)");
  clock_.SetTick(1100);
  engine.ReportKey(kLocalMachine, R"(\B)");  // 100 ms after \A: suppressed
  clock_.SetTick(1101);
  engine.ReportKey(kCurrentUser, R"(\C)");  // 101 ms after \A
  clock_.SetTick(1201);
  engine.ReportKey(0, R"(C:\D)");  // 100 ms after \C: suppressed
  clock_.SetTick(1202);
  engine.ReportKey(0, R"(C:\E)");
  EXPECT_EQ(statuses_, (std::vector<std::string>{R"(HKEY_LOCAL_MACHINE\A)",
                                                 R"(HKEY_CURRENT_USER\C)", R"(C:\E)"}));
  EXPECT_EQ(engine.LastTick, 1202u);
}

TEST_F(ScanDriverTest, ATickCountThatWrappedAroundAlwaysReports) {
  TOrdrex& engine = Engine();
  engine.LastTick = 0xFFFFFFF0u;
  clock_.SetTick(5);
  engine.ReportKey(kLocalMachine, R"(\A)");
  EXPECT_EQ(statuses_, (std::vector<std::string>{R"(HKEY_LOCAL_MACHINE\A)"}));
  EXPECT_TRUE(ReportDue(0xFFFFFFF0u, 5));
  EXPECT_FALSE(ReportDue(0xFFFFFF00u, 0xFFFFFF64u));
}

TEST_F(ScanDriverTest, StepProgressReportsAndAnswersWithTheStopFlagAsItWas) {
  TOrdrex& engine = Engine();
  engine.Stop(false);
  clock_.SetTick(500);
  engine.OnProgress = [&](int position, int total) {
    progress_.emplace_back(position, total);
    engine.Stop(true);
  };
  EXPECT_FALSE(engine.StepProgress(0, 3, kClassesRoot, R"(\CLSID\x)"));
  EXPECT_TRUE(engine.StepProgress(1, 3, kClassesRoot, R"(\CLSID\y)"));
  EXPECT_EQ(progress_, (std::vector<std::pair<int, int>>{{1, 3}, {2, 3}}));
  EXPECT_EQ(statuses_, (std::vector<std::string>{R"(HKEY_CLASSES_ROOT\CLSID\x)"}));
}

TEST_F(ScanDriverTest, EnumKeyOfADisabledCategoryDoesNothing) {
  drive_.CreateKey(kLocalMachine, R"(\SOFTWARE\Vendor\Beta)");
  drive_.CreateKey(kLocalMachine, R"(\SOFTWARE\Vendor\alpha)");
  TOrdrex& engine = Engine();
  engine.ResetStates();
  recorder_.events.clear();
  TRegistry reg(drive_.Target(), kLocalMachine);
  engine.OldSoftware.Enabled = false;
  clock_.SetTick(777);
  EXPECT_TRUE(engine.EnumKey(engine.OldSoftware, reg, R"(\SOFTWARE\Vendor)", true).empty());
  EXPECT_TRUE(progress_.empty());
  EXPECT_TRUE(recorder_.events.empty());
  EXPECT_TRUE(recorder_.pauses.empty());
  EXPECT_EQ(engine.LastTick, 0u);

  engine.OldSoftware.Enabled = true;
  EXPECT_EQ(engine.EnumKey(engine.OldSoftware, reg, R"(\SOFTWARE\Vendor)", true),
            (std::vector<std::string>{"alpha", "Beta"}));
  EXPECT_EQ(progress_, (std::vector<std::pair<int, int>>{{0, 0}}));
  EXPECT_EQ(recorder_.events, (std::vector<std::string>{"Old Software:Scanning"}));
  EXPECT_EQ(engine.LastTick, 777u);
  EXPECT_FALSE(reg.HasCurrentKey());  // subkey lists close the key

  EXPECT_TRUE(engine.EnumKey(engine.OldSoftware, reg, R"(\SOFTWARE\Missing)", false).empty());
}

TEST_F(ScanDriverTest, EnumKeyOfValuesLeavesTheKeyOpen) {
  drive_.SetString(kLocalMachine, R"(\SOFTWARE\Run)", "b", "x");
  drive_.SetString(kLocalMachine, R"(\SOFTWARE\Run)", "A", "y");
  TOrdrex& engine = Engine();
  TRegistry reg(drive_.Target(), kLocalMachine);
  EXPECT_EQ(engine.EnumKey(engine.Startup, reg, R"(\SOFTWARE\Run\)", false),
            (std::vector<std::string>{"A", "b"}));
  ASSERT_TRUE(reg.HasCurrentKey());
  EXPECT_EQ(reg.ReadString("A"), "y");
}

// A registry branch with one key that cannot be read, as a damaged hive gives it.
class UnreadableKeyStore : public RegistryStore {
 public:
  UnreadableKeyStore(RegistryStore& inner, std::string badKey)
      : inner_(inner), badKey_(std::move(badKey)) {}
  bool KeyExists(std::string_view path) const override { return inner_.KeyExists(path); }
  void CreateKey(std::string_view path) override { inner_.CreateKey(path); }
  bool DeleteKey(std::string_view path) override { return inner_.DeleteKey(path); }
  std::vector<std::string> SubkeyNames(std::string_view path) const override {
    Check(path);
    return inner_.SubkeyNames(path);
  }
  std::vector<std::string> ValueNames(std::string_view path) const override {
    Check(path);
    return inner_.ValueNames(path);
  }
  std::optional<RegValue> QueryValue(std::string_view path, std::string_view name) const override {
    Check(path);
    return inner_.QueryValue(path, name);
  }
  void SetValue(std::string_view path, std::string_view name, RegValue value) override {
    inner_.SetValue(path, name, std::move(value));
  }
  bool DeleteValue(std::string_view path, std::string_view name) override {
    return inner_.DeleteValue(path, name);
  }

 private:
  void Check(std::string_view path) const {
    if (SameText(path, badKey_)) throw RegistryError("The key " + badKey_ + " is damaged");
  }
  RegistryStore& inner_;
  std::string badKey_;
};

class DamagedTarget : public MemoryTarget {
 public:
  explicit DamagedTarget(std::string badKey) : damaged_(Machine(), std::move(badKey)) {}
  RegistryStore* Root(RootHandle root) override {
    return root == kLocalMachine ? &damaged_ : MemoryTarget::Root(root);
  }

 private:
  UnreadableKeyStore damaged_;
};

TEST(ScanDriverFailure, AnUnreadableKeyEndsTheScanEarlyWithTheReason) {
  const std::string badKey = R"(SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\broken.exe)";
  DamagedTarget target(badKey);
  {
    TRegistry reg(target, kLocalMachine);
    ASSERT_TRUE(reg.OpenKey("\\" + badKey, true));
    ASSERT_TRUE(reg.OpenKey(
        R"(\SOFTWARE\Classes\CLSID\{00000000-0000-0000-0000-00000000000A}\InprocServer32)", true));
    reg.WriteString("", R"(D:\Gone\a.dll)");
  }
  ManualClock clock;
  TOrdrex engine(target, clock);
  Recorder recorder;
  engine.Observer = &recorder;
  std::vector<std::string> statuses;
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
  EXPECT_EQ(recorder.StatesOf("Uninstall Section"),
            (std::vector<std::string>{"Waiting", "Finished"}));

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
