#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "app/settings/settings_io.h"
#include "app/settings/settings_store.h"
#include "engine/registry.h"
#include "platform/atomic_file.h"
#include "support/fresh_prefix.h"

namespace ordrex {
namespace {

using testsupport::ReadAll;
using testsupport::ScratchFolder;
using testsupport::WriteAll;

class SettingsStoreTest : public ::testing::Test {
 protected:
  ScratchFolder scratch_;
  UserPaths paths_{scratch_.Path() / "config" / "zentrix", scratch_.Path() / "data" / "zentrix"};
};

TEST(UserPathsTest, FollowsTheXdgFoldersAndFallsBackToHome) {
  const auto xdg = UserPaths::FromEnvironment(
      {{"XDG_CONFIG_HOME", "/c"}, {"XDG_DATA_HOME", "/d"}, {"HOME", "/h"}});
  EXPECT_EQ(xdg.ConfigDir(), "/c/zentrix");
  EXPECT_EQ(xdg.SettingsFile().parent_path(), xdg.IgnoreFile().parent_path());
  EXPECT_EQ(xdg.DefaultBackupDir(), "/d/zentrix/Backup/");

  // Empty and relative XDG values do not count.
  const auto home = UserPaths::FromEnvironment(
      {{"XDG_CONFIG_HOME", ""}, {"XDG_DATA_HOME", "rel"}, {"HOME", "/h"}});
  EXPECT_EQ(home.ConfigDir(), "/h/.config/zentrix");
  EXPECT_EQ(home.DataDir(), "/h/.local/share/zentrix");
}

TEST(SettingsModelTest, BackupsNeverGoToTheCurrentFolder) {
  const UserPaths paths("/c/zentrix", "/d/zentrix");
  SettingsModel model;
  EXPECT_EQ(model.EffectiveBackupDir(paths), "/d/zentrix/Backup/");
  model.BackupDir = "Backup";
  EXPECT_EQ(model.EffectiveBackupDir(paths), "/d/zentrix/Backup/");
  model.BackupDir = R"(C:\Program Files\Zentrix\Backup\)";
  EXPECT_EQ(model.EffectiveBackupDir(paths), "/d/zentrix/Backup/");
  model.BackupDir = "/srv/backup";
  EXPECT_EQ(model.EffectiveBackupDir(paths), "/srv/backup");
}

TEST_F(SettingsStoreTest, FirstStartWritesTheDefaultsAndTheyComeBackAfterARestart) {
  {
    auto store = SettingsStore::Open(paths_);
    EXPECT_TRUE(store->Warnings().empty());
    EXPECT_TRUE(WriteDefaultSettings(store->Roots()));
    EXPECT_FALSE(WriteDefaultSettings(store->Roots()));  // only once
    SettingsModel model;
    LoadSettings(store->Roots(), model);
    store->Save();
  }
  auto store = SettingsStore::Open(paths_);
  EXPECT_TRUE(store->Warnings().empty());
  TRegistry reg(store->Roots());
  ASSERT_TRUE(reg.OpenKey(kSettingsKey, false));
  EXPECT_EQ(reg.ReadInteger("Make_Backup"), 1);
  EXPECT_EQ(reg.ReadInteger("Number_Backup"), 10);
  EXPECT_EQ(reg.ReadString("Backup_Dir"), "");
  EXPECT_EQ(reg.GetDataType("Backup_Dir"), rdString);
  for (const char* name : {"Dos_Drive", "Windows_Drive", "All_Folder", "Specify_Folder"}) {
    EXPECT_EQ(reg.GetRegType(name), kRegDword) << name;
    EXPECT_EQ(reg.ReadInteger(name), 0) << name;
  }
  EXPECT_TRUE(reg.KeyExists("\\Software\\Zentrix\\Restore"));
}

TEST_F(SettingsStoreTest, EveryOptionSurvivesARestart) {
  SettingsModel saved;
  saved.MakeBackup = false;
  saved.SetNumberBackup(25);
  saved.BackupDir = "/srv/backups/zentrix";
  saved.DosDrive = true;
  saved.SetSpecifyFolder(true);
  saved.AddSearchFolder(R"(C:\Program Files)");
  saved.AddSearchFolder(R"(D:\Tools\)");
  saved.AddSearchFolder("E:\\Daten Ü\\");
  {
    auto store = SettingsStore::Open(paths_);
    WriteDefaultSettings(store->Roots());
    SaveSettings(store->Roots(), saved);
    store->Save();
  }
  auto store = SettingsStore::Open(paths_);
  ASSERT_TRUE(store->Warnings().empty()) << store->Warnings().front();
  SettingsModel loaded;
  LoadSettings(store->Roots(), loaded);
  EXPECT_FALSE(loaded.MakeBackup);
  EXPECT_TRUE(loaded.DontMakeBackup());
  EXPECT_EQ(loaded.NumberBackup(), 25);
  EXPECT_EQ(loaded.BackupDir, "/srv/backups/zentrix");
  EXPECT_TRUE(loaded.DosDrive);
  EXPECT_FALSE(loaded.WindowsDrive);
  EXPECT_TRUE(loaded.SpecifyFolder());
  EXPECT_FALSE(loaded.AllFolder());
  EXPECT_EQ(loaded.SearchFolders(),
            (std::vector<std::string>{R"(C:\Program Files\)", R"(D:\Tools\)", "E:\\Daten Ü\\"}));
}

TEST_F(SettingsStoreTest, ADamagedFileIsReportedKeptAsideAndNotOverwritten) {
  const std::string damaged =
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Zentrix]\r\n"
      "\"Make_Backup\"=dword:00000000\r\n\"Number_Backup\"=dword:zz\r\n";
  WriteAll(paths_.SettingsFile(), damaged);

  auto store = SettingsStore::Open(paths_);
  ASSERT_EQ(store->Warnings().size(), 1u);
  const std::string& warning = store->Warnings().front();
  EXPECT_NE(warning.find(paths_.SettingsFile().string()), std::string::npos) << warning;
  EXPECT_NE(warning.find("line 5"), std::string::npos) << warning;
  EXPECT_NE(warning.find(".broken"), std::string::npos) << warning;
  const auto broken = std::filesystem::path(paths_.SettingsFile().string() + ".broken");
  EXPECT_EQ(ReadAll(broken), damaged);
  EXPECT_FALSE(std::filesystem::exists(paths_.SettingsFile()));

  // Nothing of the damaged file was taken over: the program starts from the defaults.
  EXPECT_TRUE(WriteDefaultSettings(store->Roots()));
  SettingsModel model;
  LoadSettings(store->Roots(), model);
  EXPECT_TRUE(model.MakeBackup);
  store->Save();
  EXPECT_EQ(ReadAll(broken), damaged);

  // A second damaged file does not replace the first one kept.
  WriteAll(paths_.SettingsFile(), "garbage");
  auto again = SettingsStore::Open(paths_);
  ASSERT_EQ(again->Warnings().size(), 1u);
  EXPECT_NE(again->Warnings().front().find("line 1"), std::string::npos);
  EXPECT_EQ(ReadAll(broken), damaged);
  EXPECT_EQ(ReadAll(paths_.SettingsFile().string() + ".broken.2"), "garbage");
}

TEST_F(SettingsStoreTest, KeysOutsideTheSettingsKeyMakeTheFileDamaged) {
  WriteAll(paths_.SettingsFile(),
           "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Zentrix]\r\n"
           "\"Make_Backup\"=dword:00000000\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n");
  auto store = SettingsStore::Open(paths_);
  ASSERT_EQ(store->Warnings().size(), 1u);
  EXPECT_NE(store->Warnings().front().find("line 6"), std::string::npos)
      << store->Warnings().front();
  TRegistry reg(store->Roots());
  EXPECT_FALSE(reg.KeyExists(kSettingsKey));
}

TEST_F(SettingsStoreTest, AFailedSaveLeavesTheOldFileWhole) {
  FaultInjectingFileWriter writer;
  {
    auto store = SettingsStore::Open(paths_, &writer);
    WriteDefaultSettings(store->Roots());
    store->Save();
  }
  const std::string before = ReadAll(paths_.SettingsFile());
  auto store = SettingsStore::Open(paths_, &writer);
  SettingsModel model;
  LoadSettings(store->Roots(), model);
  model.MakeBackup = false;
  SaveSettings(store->Roots(), model);
  writer.FailAfter(0, FaultInjectingFileWriter::Fault::kWhileWriting);
  EXPECT_THROW(store->Save(), FileWriteError);
  EXPECT_EQ(ReadAll(paths_.SettingsFile()), before);
}

}  // namespace
}  // namespace ordrex
