#include <gtest/gtest.h>

#include "app/settings/settings_io.h"
#include "app/settings/settings_store.h"
#include "engine/ordrex.h"
#include "engine/registry.h"
#include "platform/clock.h"
#include "support/fresh_prefix.h"

#include <fstream>

namespace ordrex {
namespace {

class SettingsIoTest : public ::testing::Test {
 protected:
  TRegistry& Key() {
    if (!reg_.HasCurrentKey()) reg_.OpenKey(kSettingsKey, true);
    return reg_;
  }
  TOrdrex& Engine(bool win9x = false) {
    if (!engine_) {
      if (win9x) {
        target_.MutableProfile().version.platformId = 1;
        target_.MutableProfile().version.major = 4;
      }
      engine_ = std::make_unique<TOrdrex>(target_, clock_);
    }
    return *engine_;
  }
  SettingsModel Loaded() {
    SettingsModel model;
    LoadSettings(store_->Roots(), model);
    return model;
  }

  std::unique_ptr<SettingsStore> store_ = SettingsStore::InMemory();
  TRegistry reg_{store_->Roots()};
  MemoryTarget target_;
  ManualClock clock_;
  std::unique_ptr<TOrdrex> engine_;
};

TEST_F(SettingsIoTest, MissingOrMistypedValuesReadAsTheirDefaults) {
  Key().WriteString("Make_Backup", "no");
  Key().WriteInteger("Dos_Drive", 1);
  Key().WriteString("Windows_Drive", "1");
  Key().WriteInteger("Backup_Dir", 5);
  SettingsModel model = Loaded();
  EXPECT_TRUE(model.MakeBackup);
  EXPECT_EQ(model.NumberBackup(), 10);
  EXPECT_EQ(model.BackupDir, "");
  EXPECT_TRUE(model.DosDrive);
  EXPECT_FALSE(model.WindowsDrive);
  // The missing switches were written with their defaults; present ones were left alone.
  EXPECT_EQ(Key().ReadInteger("All_Folder"), 0);
  EXPECT_EQ(Key().ReadInteger("Specify_Folder"), 0);
  EXPECT_EQ(Key().GetRegType("Windows_Drive"), kRegSz);

  Key().WriteInteger("Number_Backup", 0);
  EXPECT_EQ(Loaded().NumberBackup(), 1);
  Key().WriteInteger("Number_Backup", 5000);
  EXPECT_EQ(Loaded().NumberBackup(), 999);
  Key().WriteInteger("Make_Backup", 0);
  EXPECT_TRUE(Loaded().DontMakeBackup());
}

TEST_F(SettingsIoTest, BothSearchSwitchesStoredOnLoadAsDirectorySearchOnly) {
  Key().WriteBool("All_Folder", true);
  Key().WriteBool("Specify_Folder", true);
  SettingsModel model = Loaded();
  EXPECT_TRUE(model.SpecifyFolder());
  EXPECT_FALSE(model.AllFolder());

  model.SetAllFolder(true);
  EXPECT_FALSE(model.SpecifyFolder());
  model.SetAllFolder(false);
  EXPECT_FALSE(model.AllFolder());
  EXPECT_FALSE(model.SpecifyFolder());
}

TEST_F(SettingsIoTest, SearchFoldersRemovedFromTheListLeaveTheKeyToo) {
  SettingsModel model;
  EXPECT_TRUE(model.AddSearchFolder(R"(C:\One)"));
  EXPECT_TRUE(model.AddSearchFolder(R"(C:\Two\)"));
  EXPECT_FALSE(model.AddSearchFolder(R"(c:\one\)"));  // same folder
  EXPECT_FALSE(model.AddSearchFolder("  "));
  SaveSettings(store_->Roots(), model);
  EXPECT_TRUE(model.RemoveSearchFolder(R"(C:\ONE)"));
  EXPECT_FALSE(model.RemoveSearchFolder(R"(C:\Three)"));
  SaveSettings(store_->Roots(), model);

  TRegistry folder(store_->Roots());
  ASSERT_TRUE(folder.OpenKey(R"(\Software\Zentrix\Folder\)", false));
  EXPECT_EQ(folder.GetValueNames(), std::vector<std::string>{R"(C:\Two\)"});
  EXPECT_EQ(folder.ReadString(R"(C:\Two\)"), "");
  EXPECT_EQ(Loaded().SearchFolders(), std::vector<std::string>{R"(C:\Two\)"});
}

TEST_F(SettingsIoTest, SaveWritesEveryOptionAndClearsTheWindowHandle) {
  Key().WriteInteger("Data", 0x1234);
  SettingsModel model;
  model.WindowsDrive = true;
  model.SetAllFolder(true);
  SaveSettings(store_->Roots(), model);
  EXPECT_EQ(Key().ReadInteger("Data"), 0);
  EXPECT_EQ(Key().ReadInteger("Make_Backup"), 1);
  EXPECT_EQ(Key().ReadInteger("Number_Backup"), 10);
  EXPECT_EQ(Key().ReadInteger("Windows_Drive"), 1);
  EXPECT_EQ(Key().ReadInteger("All_Folder"), 1);
  EXPECT_EQ(Key().ReadInteger("Specify_Folder"), 0);
}

TEST_F(SettingsIoTest, ThreeBackupsAreSavedAsNumberedKeysAndLoadBackInOrder) {
  testsupport::ScratchFolder scratch;
  SettingsModel model;
  const std::vector<std::string> names = {"c.reg", "a.reg", "b.reg"};  // not sorted by name
  for (std::size_t i = 0; i < names.size(); ++i) {
    const auto file = scratch.Path() / names[i];
    std::ofstream(file, std::ios::binary) << std::string(100 * (i + 1), 'x');
    TRestoreData record;
    record.FileName = file.string();
    record.Date = 45000.25 + static_cast<double>(i);
    record.Time = record.Date;
    model.RestoreList.Append(record);
  }
  // A longer list stored before is replaced, not merged.
  for (const char* old : {"00", "01", "02", "03"}) {
    TRegistry stale(store_->Roots());
    stale.OpenKey(std::string(R"(\Software\Zentrix\Restore\)") + old, true);
    stale.WriteString("Name", "/old.reg");
  }
  SaveSettings(store_->Roots(), model);

  TRegistry restore(store_->Roots());
  ASSERT_TRUE(restore.OpenKey(R"(\Software\Zentrix\Restore\)", false));
  EXPECT_EQ(restore.GetKeyNames(), (std::vector<std::string>{"00", "01", "02"}));
  ASSERT_TRUE(restore.OpenKey(R"(\Software\Zentrix\Restore\01)", false));
  EXPECT_EQ(restore.ReadString("Name"), (scratch.Path() / "a.reg").string());
  EXPECT_EQ(restore.GetDataType("Date"), rdBinary);

  std::filesystem::remove(scratch.Path() / "b.reg");
  const SettingsModel loaded = Loaded();
  ASSERT_EQ(loaded.RestoreList.Count(), 3);
  for (int i = 0; i < 3; ++i) {
    const TRestoreData& record = loaded.RestoreList.Items(i);
    EXPECT_EQ(record.FileName, (scratch.Path() / names[static_cast<std::size_t>(i)]).string());
    EXPECT_DOUBLE_EQ(record.Date, 45000.25 + i);
    EXPECT_DOUBLE_EQ(record.Time, 45000.25 + i);
  }
  EXPECT_EQ(loaded.RestoreList.Items(0).Size, 100);
  EXPECT_EQ(loaded.RestoreList.Items(1).Size, 200);
  EXPECT_EQ(loaded.RestoreList.Items(2).Size, 0);  // its file is gone
}

struct LegacyCase {
  bool win9x;
  std::vector<std::string> titles;  // index n: where value "n" goes; "" = dropped
};

class LegacySelectionTest : public SettingsIoTest,
                            public ::testing::WithParamInterface<LegacyCase> {};

TEST_P(LegacySelectionTest, EveryNumberedValueMovesToItsCategory) {
  const LegacyCase& param = GetParam();
  TOrdrex& engine = Engine(param.win9x);
  // Alternate the stored marks so a value landing on the wrong name shows.
  for (int n = 0; n < 12; ++n)
    Key().WriteBool(std::to_string(n), n % 2 == 0);
  EXPECT_EQ(ConvertLegacySelection(store_->Roots(), engine), 12);

  for (int n = 0; n < 12; ++n) {
    const std::string& title = param.titles[static_cast<std::size_t>(n)];
    EXPECT_FALSE(Key().ValueExists(std::to_string(n))) << n;
    if (!title.empty()) {
      ASSERT_TRUE(Key().ValueExists(title)) << title;
      EXPECT_EQ(Key().ReadBool(title), n % 2 == 0) << title;
    }
  }
  if (!param.win9x) {
    EXPECT_FALSE(Key().ValueExists("VxD Integrity"));
  }
  EXPECT_EQ(ConvertLegacySelection(store_->Roots(), engine), 0);  // done once
}

const std::vector<std::string> kCommonTitles = {
    "Registry Integrity", "ActiveX/COM",     "Application Path",
    "Device Driver",      "Windows Font",    "Help Files",
    "Microsoft Shared",   "Windows Startup", "Uninstall Section"};

std::vector<std::string> Titles(std::vector<std::string> tail) {
  std::vector<std::string> all = kCommonTitles;
  all.insert(all.end(), tail.begin(), tail.end());
  return all;
}

INSTANTIATE_TEST_SUITE_P(
    Families, LegacySelectionTest,
    ::testing::Values(LegacyCase{true,
                                 Titles({"VxD Integrity", "MS-DOS Shortcut", "Windows Shortcut"})},
                      LegacyCase{false, Titles({"MS-DOS Shortcut", "Windows Shortcut", ""})}));

TEST_F(SettingsIoTest, SelectionOfListedCategoriesOnly) {
  TOrdrex& engine = Engine();  // NT: VxD Integrity and System Extensions are not listed
  Key().WriteBool("Windows Font", false);
  Key().WriteString("Help Files", "0");  // wrong type: checked, as when absent
  Key().WriteBool("VxD Integrity", true);
  SettingsModel model;
  LoadSelection(store_->Roots(), model, engine);

  EXPECT_FALSE(engine.Font.Enabled);
  EXPECT_TRUE(engine.Help.Enabled);
  EXPECT_TRUE(engine.RegIntegrity.Enabled);
  EXPECT_FALSE(engine.VxD.Enabled);
  EXPECT_EQ(model.FindSelection("VxD Integrity"), nullptr);
  EXPECT_EQ(model.FindSelection("System Extensions"), nullptr);
  ASSERT_NE(model.FindSelection("windows font"), nullptr);
  EXPECT_FALSE(model.FindSelection("windows font")->Checked);
  EXPECT_EQ(model.Selection.size(), 21u);

  model.FindSelection("Installer")->Checked = false;
  SaveSettings(store_->Roots(), model);
  EXPECT_FALSE(Key().ReadBool("Installer"));
  EXPECT_FALSE(Key().ValueExists("System Extensions"));
  EXPECT_EQ(Key().GetRegType("Help Files"), kRegDword);
  EXPECT_TRUE(Key().ReadBool("VxD Integrity"));  // untouched

  model.DosDrive = true;
  model.ApplyTo(engine);
  EXPECT_FALSE(engine.Installer.Enabled);
  EXPECT_TRUE(engine.MSDOS.ScanWholeDrive);
  EXPECT_FALSE(engine.Windows.ScanWholeDrive);
}

}  // namespace
}  // namespace ordrex
