// The user's settings: where they live, how they are read, saved and converted, and their file.

#include <gtest/gtest.h>

#include <fstream>

#include "app/settings/settings_io.h"
#include "app/settings/settings_store.h"
#include "engine/ordrex.h"
#include "engine/registry.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "support/fresh_prefix.h"

namespace ordrex {
namespace {

using testsupport::ReadAll;
using testsupport::ScratchFolder;
using testsupport::WriteAll;

class SettingsIoTest : public ::testing::Test {
 protected:
  TRegistry& Key() {
    if (!reg_.HasCurrentKey()) reg_.OpenKey(kSettingsKey, true);
    return reg_;
  }
  SettingsModel Loaded() {
    SettingsModel model;
    LoadSettings(store_->Roots(), model);
    return model;
  }

  std::unique_ptr<SettingsStore> store_ = SettingsStore::InMemory();
  TRegistry reg_{store_->Roots()};
};

TEST_F(SettingsIoTest, MissingOrMistypedValuesReadAsTheirDefaults) {
  Key().WriteString("Make_Backup", "no");
  Key().WriteInteger("Dos_Drive", 1);
  Key().WriteString("Windows_Drive", "1");
  Key().WriteInteger("Backup_Dir", 5);
  Key().WriteInteger("Last_Target", 7);
  SettingsModel model = Loaded();
  EXPECT_TRUE(model.MakeBackup);
  EXPECT_EQ(model.NumberBackup(), 10);
  EXPECT_EQ(model.BackupDir, "");
  EXPECT_EQ(model.LastTarget, "");
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
  EXPECT_FALSE(Loaded().MakeBackup);
}

// "Data" names the running window: a run that saves its settings meanwhile keeps it as it was.
TEST_F(SettingsIoTest, WindowHandleSurvivesALoadAndSave) {
  const std::int64_t large = std::int64_t{1} << 40;
  const struct {
    std::int64_t stored;
    bool asQword;
    std::int64_t read;
  } rows[] = {{4321, false, 4321}, {large, true, large}, {-1, false, -1}, {7, true, 7}};
  for (const auto& row : rows) {
    if (row.asQword) {
      Bytes data;
      for (int i = 0; i < 8; ++i)
        data.push_back(static_cast<std::uint8_t>(static_cast<std::uint64_t>(row.stored) >> 8 * i));
      Key().WriteRawValue("Data", {kRegQword, data});
    } else {
      Key().WriteInteger("Data", static_cast<std::int32_t>(row.stored));
    }
    EXPECT_EQ(ReadWindowHandle(store_->Roots()), row.read) << row.stored;
    SaveSettings(store_->Roots(), Loaded());
    EXPECT_EQ(Loaded().WindowHandle, row.read) << row.stored;
  }
  Key().WriteString("Data", "12");
  EXPECT_EQ(Loaded().WindowHandle, 0);
  EXPECT_TRUE(Key().DeleteValue("Data"));
  EXPECT_EQ(ReadWindowHandle(store_->Roots()), 0);
}

// Both search switches stored read as the directory search only; removed folders leave the key.
TEST_F(SettingsIoTest, SearchSwitchesAndFolders) {
  Key().WriteBool("All_Folder", true);
  Key().WriteBool("Specify_Folder", true);
  SettingsModel model = Loaded();
  EXPECT_TRUE(model.SpecifyFolder());
  EXPECT_FALSE(model.AllFolder());
  model.SetAllFolder(true);
  EXPECT_FALSE(model.SpecifyFolder());

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

TEST_F(SettingsIoTest, ThreeBackupsAreSavedAsNumberedKeysAndLoadBackInOrder) {
  ScratchFolder scratch;
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
    EXPECT_EQ(record.Size, i == 2 ? 0 : 100 * (i + 1));  // the last one's file is gone
  }
}

// Older versions stored the selection as values "0".."11" in the order the family lists its
// categories; each moves to its category's name, once. NT lists no VxD Integrity: its value goes.
TEST(LegacySelection, EveryNumberedValueMovesToItsCategory) {
  std::vector<std::string> titles = {"Registry Integrity", "ActiveX/COM",     "Application Path",
                                     "Device Driver",      "Windows Font",    "Help Files",
                                     "Microsoft Shared",   "Windows Startup", "Uninstall Section",
                                     "VxD Integrity",      "MS-DOS Shortcut", "Windows Shortcut"};
  for (const bool win9x : {true, false}) {
    SCOPED_TRACE(win9x ? "9x" : "NT");
    MemoryTarget target;
    if (win9x) {
      target.MutableProfile().version.platformId = 1;
      target.MutableProfile().version.major = 4;
    } else {
      titles.erase(titles.begin() + 9);
      titles.push_back("");
    }
    ManualClock clock;
    TOrdrex engine(target, clock);
    const auto store = SettingsStore::InMemory();
    TRegistry key(store->Roots());
    ASSERT_TRUE(key.OpenKey(kSettingsKey, true));
    // Alternate the stored marks so a value landing on the wrong name shows.
    for (int n = 0; n < 12; ++n)
      key.WriteBool(std::to_string(n), n % 2 == 0);
    EXPECT_EQ(ConvertLegacySelection(store->Roots(), engine), 12);
    for (int n = 0; n < 12; ++n) {
      const std::string& title = titles[static_cast<std::size_t>(n)];
      EXPECT_FALSE(key.ValueExists(std::to_string(n))) << n;
      if (!title.empty()) {
        EXPECT_TRUE(key.ValueExists(title)) << title;
        EXPECT_EQ(key.ReadBool(title), n % 2 == 0) << title;
      }
    }
    EXPECT_EQ(key.ValueExists("VxD Integrity"), win9x);
    EXPECT_EQ(ConvertLegacySelection(store->Roots(), engine), 0);  // done once
  }
}

TEST_F(SettingsIoTest, SelectionOfListedCategoriesOnly) {
  MemoryTarget target;  // NT: VxD Integrity and System Extensions are not listed
  ManualClock clock;
  TOrdrex engine(target, clock);
  Key().WriteBool("Windows Font", false);
  Key().WriteString("Help Files", "0");  // wrong type: checked, as when absent
  Key().WriteBool("VxD Integrity", true);
  SettingsModel model;
  LoadSelection(store_->Roots(), model, engine);

  EXPECT_FALSE(engine.Font.Enabled);
  EXPECT_TRUE(engine.Help.Enabled);
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

class SettingsStoreTest : public ::testing::Test {
 protected:
  ScratchFolder scratch_;
  UserPaths paths_{scratch_.Path() / "config" / "zentrix", scratch_.Path() / "data" / "zentrix"};
};

TEST(UserPathsTest, FollowTheXdgFoldersAndFallBackToHome) {
  const auto xdg = UserPaths::FromEnvironment(
      {{"XDG_CONFIG_HOME", "/c"}, {"XDG_DATA_HOME", "/d"}, {"HOME", "/h"}});
  EXPECT_EQ(xdg.ConfigDir(), "/c/zentrix");
  EXPECT_EQ(xdg.DefaultBackupDir(), "/d/zentrix/Backup/");

  // Empty and relative XDG values do not count.
  const auto home = UserPaths::FromEnvironment(
      {{"XDG_CONFIG_HOME", ""}, {"XDG_DATA_HOME", "rel"}, {"HOME", "/h"}});
  EXPECT_EQ(home.ConfigDir(), "/h/.config/zentrix");
  EXPECT_EQ(home.DataDir(), "/h/.local/share/zentrix");

  // Backups never go to the current folder: a relative or Windows folder means the default.
  SettingsModel model;
  for (const char* folder : {"", "Backup", R"(C:\Program Files\Zentrix\Backup\)"}) {
    model.BackupDir = folder;
    EXPECT_EQ(model.EffectiveBackupDir(xdg), "/d/zentrix/Backup/") << folder;
  }
  model.BackupDir = "/srv/backup";
  EXPECT_EQ(model.EffectiveBackupDir(xdg), "/srv/backup");
}

TEST_F(SettingsStoreTest, DefaultsAndThenEveryOptionSurviveARestartButNotAFailedSave) {
  {
    auto store = SettingsStore::Open(paths_);
    EXPECT_TRUE(WriteDefaultSettings(store->Roots()));
    EXPECT_FALSE(WriteDefaultSettings(store->Roots()));  // only once
    SettingsModel model;
    LoadSettings(store->Roots(), model);
    store->Save();
  }
  FaultInjectingFileWriter writer;
  {
    auto store = SettingsStore::Open(paths_, &writer);
    TRegistry reg(store->Roots());
    ASSERT_TRUE(reg.OpenKey(kSettingsKey, false));
    EXPECT_EQ(reg.ReadInteger("Make_Backup"), 1);
    EXPECT_EQ(reg.ReadInteger("Number_Backup"), 10);
    EXPECT_EQ(reg.GetDataType("Backup_Dir"), rdString);
    for (const char* name : {"Dos_Drive", "Windows_Drive", "All_Folder", "Specify_Folder"}) {
      EXPECT_EQ(reg.GetRegType(name), kRegDword) << name;
      EXPECT_EQ(reg.ReadInteger(name), 0) << name;
    }
    EXPECT_TRUE(reg.KeyExists("\\Software\\Zentrix\\Restore"));
    EXPECT_FALSE(reg.ValueExists("Last_Target"));  // until the window has opened a target

    SettingsModel saved;
    saved.MakeBackup = false;
    saved.SetNumberBackup(25);
    saved.BackupDir = "/srv/backups/zentrix";
    saved.LastTarget = "/home/u/Games/Ünreal";
    saved.DosDrive = true;
    saved.SetSpecifyFolder(true);
    saved.AddSearchFolder(R"(C:\Program Files)");
    saved.AddSearchFolder(R"(D:\Tools\)");
    saved.AddSearchFolder("E:\\Daten Ü\\");
    reg.WriteInteger("Data", 0x1234);  // the window handle of a running program
    SaveSettings(store->Roots(), saved);
    // A failed save leaves the old file whole.
    const std::string before = ReadAll(paths_.SettingsFile());
    writer.FailAfter(0, FaultInjectingFileWriter::Fault::kWhileWriting);
    EXPECT_THROW(store->Save(), FileWriteError);
    EXPECT_EQ(ReadAll(paths_.SettingsFile()), before);
    writer.FailAfter(-1, FaultInjectingFileWriter::Fault::kNone);
    store->Save();
  }
  auto store = SettingsStore::Open(paths_);
  ASSERT_TRUE(store->Warnings().empty()) << store->Warnings().front();
  SettingsModel loaded;
  LoadSettings(store->Roots(), loaded);
  EXPECT_FALSE(loaded.MakeBackup);
  EXPECT_EQ(loaded.NumberBackup(), 25);
  EXPECT_EQ(loaded.BackupDir, "/srv/backups/zentrix");
  EXPECT_EQ(loaded.LastTarget, "/home/u/Games/Ünreal");
  EXPECT_TRUE(loaded.DosDrive);
  EXPECT_TRUE(loaded.SpecifyFolder());
  EXPECT_EQ(loaded.SearchFolders(),
            (std::vector<std::string>{R"(C:\Program Files\)", R"(D:\Tools\)", "E:\\Daten Ü\\"}));
  TRegistry again(store->Roots());
  ASSERT_TRUE(again.OpenKey(kSettingsKey, false));
  EXPECT_EQ(again.ReadInteger("Data"), 0);
}

// A damaged file is reported, kept aside (never over an earlier copy) and not taken over.
TEST_F(SettingsStoreTest, DamagedFilesAreReportedKeptAsideAndNotOverwritten) {
  const std::string head =
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Zentrix]\r\n"
      "\"Make_Backup\"=dword:00000000\r\n";
  const struct {
    std::string text;
    std::string fault;
    const char* keptAs;
  } cases[] = {
      {head + "\"Number_Backup\"=dword:zz\r\n",
       "line 5: expected 1 to 8 hex digits after \"dword:\"", ".broken"},
      {head + "\r\n[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n",
       "line 6: only keys below HKEY_CURRENT_USER\\Software\\Zentrix belong in the settings file",
       ".broken.2"},
  };
  const std::string file = paths_.SettingsFile().string();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keptAs);
    WriteAll(file, c.text);
    auto store = SettingsStore::Open(paths_);
    const std::string kept = file + c.keptAs;
    EXPECT_EQ(store->Warnings(),
              std::vector<std::string>{"The settings file \"" + file + "\" is damaged (" + c.fault +
                                       "). The program goes on with the default settings; the "
                                       "damaged file was kept as \"" +
                                       kept + "\"."});
    EXPECT_EQ(ReadAll(kept), c.text);
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_FALSE(TRegistry(store->Roots()).KeyExists(kSettingsKey));
    EXPECT_TRUE(WriteDefaultSettings(store->Roots()));
    store->Save();
  }
  EXPECT_EQ(ReadAll(file + ".broken"), cases[0].text);
}

}  // namespace
}  // namespace ordrex
