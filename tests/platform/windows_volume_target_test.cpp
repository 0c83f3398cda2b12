#include "platform/windows/windows_volume_target.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>

#include "platform/hive/hive_store.h"
#include "platform/text.h"
#include "support/hive_builder.h"
#include "support/temp_volume.h"

namespace ordrex {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testsupport::TempVolume;

constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string ReadSz(RegistryStore* store, const std::string& key, const std::string& name = "") {
  const auto value = store ? store->QueryValue(key, name) : std::nullopt;
  return value ? RegDataToString(value->data) : "<missing>";
}

class VolumeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testsupport::HivexregeditAvailable()) GTEST_SKIP() << testsupport::kHivexregeditMissing;
    volume_ = std::make_unique<TempVolume>();
  }
  std::unique_ptr<WindowsVolumeTarget> Open(const std::string& user = "") {
    return OpenWindowsVolume(volume_->Path(), user, clock_);
  }
  std::string OpenError(const std::string& user = "") {
    try {
      Open(user);
    } catch (const TargetError& e) {
      return e.what();
    }
    return "<opened>";
  }

  std::unique_ptr<TempVolume> volume_;
  ManualClock clock_{std::chrono::system_clock::from_time_t(1800000000)};
};

// The roots of a Windows 10 volume as Windows itself would show them.
TEST_F(VolumeTest, RootsProfileAndFilesAreWindowsOwn) {
  auto target = Open();
  EXPECT_EQ(target->Kind(), "windows-volume");
  EXPECT_EQ(target->Location(), volume_->Path().string());
  EXPECT_EQ(target->UserChoice(), "ann");
  EXPECT_EQ(target->WriteBlocker(), "");
  EXPECT_THAT(target->Warnings(), ElementsAre());

  // The version and the folders: see the command-line test of info.
  const SystemProfile& profile = target->Profile();
  EXPECT_EQ(FindEnvironment("USERPROFILE", profile.environment).value_or(""), "C:\\Users\\ann");
  EXPECT_EQ(FindEnvironment("TEMP", profile.environment).value_or(""),
            "C:\\Users\\ann\\AppData\\Local\\Temp");

  // Select\Current is 2: ControlSet002 is CurrentControlSet.
  RegistryStore* machine = target->Root(kLocalMachine);
  EXPECT_THAT(machine->SubkeyNames(""), ElementsAre("SOFTWARE", "SYSTEM"));
  EXPECT_THAT(machine->SubkeyNames("system"),
              ElementsAre("ControlSet001", "ControlSet002", "Select", "CurrentControlSet"));
  EXPECT_EQ(ReadSz(machine, "System\\CurrentControlSet\\Control\\ComputerName\\ComputerName",
                   "ComputerName"),
            "OFFICE-PC");
  EXPECT_FALSE(machine->DeleteKey("SYSTEM\\CurrentControlSet"));
  EXPECT_EQ(ReadSz(target->Root(kCurrentUser), kRun, "UserHere"), "C:\\Windows\\notepad.exe");
  // HKEY_CLASSES_ROOT: UsrClass.dat over SOFTWARE\Classes; HKCU\Software\Classes is the hive.
  EXPECT_EQ(ReadSz(target->Root(kClassesRoot), ".ann"), "AnnFile");
  EXPECT_EQ(ReadSz(target->Root(kCurrentUser), "Software\\Classes\\.ann"), "AnnFile");
  EXPECT_THAT(target->Root(kCurrentUser)->SubkeyNames("Software"),
              ElementsAre("Microsoft", "Classes"));
  EXPECT_THAT(target->Root(kUsers)->SubkeyNames(""),
              ElementsAre(".DEFAULT", "S-1-5-21-7-8-9-1001"));

  FileSystem& files = target->Files();
  EXPECT_TRUE(files.IsFile("c:\\windows\\NOTEPAD.EXE"));
  EXPECT_FALSE(files.IsFile("C:\\Program Files\\Gone\\gone.exe"));
  EXPECT_FALSE(files.IsBeyondReach("C:\\Program Files\\Gone\\gone.exe"));
  EXPECT_TRUE(files.IsBeyondReach("D:\\Games\\game.exe"));
  EXPECT_TRUE(files.IsBeyondReach("\\\\server\\share\\tool.exe"));
  ASSERT_EQ(files.Drives().size(), 1u);
  EXPECT_EQ(files.Drives()[0].letter, 'C');
  EXPECT_TRUE(files.Drives()[0].fixed);
}

// --user, else the only profile, else the one whose NTUSER.DAT changed last; the template and
// shared profiles are nobody's.
TEST_F(VolumeTest, ChoosesTheUser) {
  EXPECT_EQ(Open()->ChosenProfile().name, "ann");
  volume_->AddUser("bob", "S-1-5-21-7-8-9-1002");
  const auto now = fs::file_time_type::clock::now();
  fs::last_write_time(volume_->UserHive("ann"), now - std::chrono::hours(2));
  fs::last_write_time(volume_->UserHive("bob"), now - std::chrono::hours(1));
  auto target = Open();
  EXPECT_EQ(target->ChosenProfile().name, "bob");
  EXPECT_EQ(ReadSz(target->Root(kCurrentUser), kRun, "UserGone"), "C:\\Users\\bob\\gone.exe");
  std::vector<std::string> names;
  for (const auto& profile : target->Profiles())
    names.push_back(profile.name + " " + profile.sid);
  EXPECT_THAT(names, ElementsAre("ann S-1-5-21-7-8-9-1001", "bob S-1-5-21-7-8-9-1002"));

  fs::last_write_time(volume_->UserHive("ann"), now);
  EXPECT_EQ(Open()->ChosenProfile().name, "ann");
  EXPECT_EQ(Open("BOB")->ChosenProfile().name, "bob");
  EXPECT_EQ(Open("S-1-5-21-7-8-9-1002")->ChosenProfile().name, "bob");
  EXPECT_EQ(OpenError("carl"),
            "There is no user carl on " + volume_->Path().string() + "; its users are ann, bob.");
}

// What is not a usable volume is one sentence naming the folder or file (@: the volume).
TEST_F(VolumeTest, BadInputNamesTheFile) {
  const struct {
    std::function<void(const TempVolume&)> damage;
    std::string error;
    std::string user = "";
  } cases[] = {
      {[](const TempVolume& v) { fs::resize_file(v.System(), 6000); },
       "@/Windows/System32/config/SYSTEM: damaged hive: the file is cut off (6000 bytes of "},
      {[](const TempVolume& v) { testsupport::WriteAll(v.UserHive(), std::string(8192, 'x')); },
       "@/Users/ann/NTUSER.DAT: not a registry hive file"},
      {[](const TempVolume& v) { fs::remove(v.UserHive()); },
       "No user profile with an NTUSER.DAT was found on @ (in Users or in the ProfileList key)."},
      {[](const TempVolume& v) { fs::remove(v.UserHive()); },
       "@/Users/ann/NTUSER.DAT is missing: the user's registry hive cannot be read.", "ann"},
      {[](const TempVolume& v) { fs::remove(v.Software()); },
       "@/Windows/System32/config/SOFTWARE is missing, so @ is not a usable Windows volume."},
      {[](const TempVolume& v) { fs::remove_all(v.Config()); },
       "@ is not a Windows volume: it has no Windows\\System32\\config folder."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    volume_ = std::make_unique<TempVolume>();
    c.damage(*volume_);
    EXPECT_THAT(OpenError(c.user),
                HasSubstr(ReplaceAllText(c.error, "@", volume_->Path().string())));
  }
}

// Writing is refused while Windows may still hold changes of its own; reading goes on.
TEST_F(VolumeTest, RefusesWritesWhileWindowsHoldsTheVolume) {
  const fs::path hiberfil = volume_->Path() / "hiberfil.sys";
  for (const std::string& idle : {std::string("wake"), std::string(4, '\0')}) {
    testsupport::WriteAll(hiberfil, idle + std::string(4092, '\0'));
    EXPECT_EQ(Open()->WriteBlocker(), "");
  }
  for (const char* resume : {"HIBR", "hibr"}) {
    testsupport::WriteAll(hiberfil, std::string(resume) + std::string(4092, '\0'));
    auto target = Open();
    EXPECT_THAT(target->WriteBlocker(), HasSubstr("Boot Windows and shut it down fully"));
    EXPECT_FALSE(target->WriteState().hibernation.empty());
  }
  fs::remove(hiberfil);

  testsupport::SetHiveSequences(volume_->UserHive(), 5, 4);
  auto target = Open();
  EXPECT_THAT(target->WriteBlocker(), HasSubstr(volume_->UserHive().string()));
  EXPECT_THAT(target->WriteBlocker(), HasSubstr("shut it down fully"));
  ASSERT_EQ(target->Warnings().size(), 1u);
  EXPECT_THAT(target->Warnings()[0], HasSubstr("shown as last flushed"));
  EXPECT_EQ(ReadSz(target->Root(kCurrentUser), kRun, "UserHere"), "C:\\Windows\\notepad.exe");
  ASSERT_TRUE(target->Root(kLocalMachine)->DeleteValue(kRun, "Gone"));
  const std::string before = testsupport::ReadAll(volume_->Software());
  EXPECT_THROW(target->Save(), RegistryError);
  EXPECT_EQ(testsupport::ReadAll(volume_->Software()), before);
}

// Every changed hive is committed before any is replaced: a hive that cannot be committed
// leaves all of them as they were, with no temporary file behind.
TEST_F(VolumeTest, SaveReplacesAllHivesOrNone) {
  auto target = Open();
  ASSERT_TRUE(target->Root(kLocalMachine)->DeleteValue(kRun, "Gone"));
  ASSERT_TRUE(target->Root(kClassesRoot)->DeleteKey(".ann"));
  const fs::path classesFolder = volume_->ClassesHive().parent_path();
  const fs::path moved = volume_->Path() / "moved-away";
  fs::rename(classesFolder, moved);
  const std::string before = testsupport::ReadAll(volume_->Software());
  EXPECT_THROW(target->Save(), RegistryError);
  EXPECT_EQ(testsupport::ReadAll(volume_->Software()), before);
  for (const auto& entry : fs::directory_iterator(volume_->Config()))
    EXPECT_FALSE(entry.path().filename().string().starts_with(".ordrex-")) << entry.path();

  fs::rename(moved, classesFolder);
  fs::permissions(volume_->Software(), fs::perms::owner_read | fs::perms::owner_write);
  target->Save();
  EXPECT_EQ(fs::status(volume_->Software()).permissions(),
            fs::perms::owner_read | fs::perms::owner_write);
  auto again = Open();
  EXPECT_EQ(ReadSz(again->Root(kLocalMachine), kRun, "Gone"), "<missing>");
  EXPECT_EQ(ReadSz(again->Root(kLocalMachine), kRun, "Here"), "C:\\Program Files\\App\\app.exe");
  EXPECT_FALSE(again->Root(kClassesRoot)->KeyExists(".ann"));
}

}  // namespace
}  // namespace ordrex
