#include "platform/wine/wine_profile.h"

#include <gtest/gtest.h>

#include <tuple>

#include "platform/memory_store.h"
#include "platform/text.h"

namespace ordrex {
namespace {

constexpr const char* kSid = "S-1-5-21-0-0-0-1000";
constexpr const char* kEnvironment =
    "System\\CurrentControlSet\\Control\\Session Manager\\Environment";
constexpr const char* kNtVersion = "Software\\Microsoft\\Windows NT\\CurrentVersion";
constexpr const char* kUserShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr const char* kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

void Put(MemoryStore& store, const std::string& key, const std::string& name,
         const std::string& text, std::uint32_t type = kRegSz) {
  store.CreateKey(key);
  store.SetValue(key, name, RegValue{type, StringToRegData(text)});
}
void PutExpand(MemoryStore& store, const std::string& key, const std::string& name,
               const std::string& text) {
  Put(store, key, name, text, kRegExpandSz);
}

std::string Env(const SystemProfile& profile, const std::string& name) {
  return FindEnvironment(name, profile.environment).value_or("<unset>");
}

// The keys a Wine 8 prefix holds for its environment, reduced to what the tests look at.
class WineProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Put(machine_, kNtVersion, "SystemRoot", "C:\\windows");
    Put(machine_, kNtVersion, "CurrentVersion", "6.1");
    Put(machine_, kNtVersion, "CurrentBuildNumber", "7601");
    Put(machine_, kNtVersion, "ProductName", "Microsoft Windows 7");
    Put(machine_, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir",
        "C:\\Program Files");
    const std::string profiles = std::string(kNtVersion) + "\\ProfileList";
    PutExpand(machine_, profiles, "ProgramData", "%SystemDrive%\\ProgramData");
    PutExpand(machine_, profiles, "Public", "C:\\users\\Public");
    Put(machine_, profiles + "\\" + kSid, "ProfileImagePath", "C:\\users\\sam");
    Put(machine_, "System\\CurrentControlSet\\Control\\ComputerName\\ComputerName", "ComputerName",
        "BOX");
    PutExpand(machine_, kEnvironment, "PATH", "%SystemRoot%\\system32;%SystemRoot%");
    PutExpand(machine_, kEnvironment, "TEMP", "%SystemRoot%\\temp");
    PutExpand(machine_, kEnvironment, "windir", "%SystemRoot%");
    Put(machine_, kEnvironment, "OS", "Windows_NT");
    Put(user_, "Environment", "TEMP", "C:\\users\\sam\\Temp");
    Put(user_, "Volatile Environment", "USERNAME", "sam");
    Put(user_, "Volatile Environment", "APPDATA", "C:\\users\\sam\\AppData\\Roaming");
  }

  SystemProfile Build() { return BuildWineProfile(machine_, &user_, kSid); }

  MemoryStore machine_;
  MemoryStore user_;
};

// Wine's own answer for each variable is compared on a real prefix (wine_prefix_target_test);
// here what a real prefix does not show.
TEST_F(WineProfileTest, EnvironmentOfAWineProcess) {
  const SystemProfile profile = Build();
  EXPECT_EQ(Env(profile, "ProgramData"), "C:\\ProgramData");  // expanded with SystemDrive
  EXPECT_EQ(Env(profile, "TEMP"), "C:\\users\\sam\\Temp");    // the user's key wins
  EXPECT_EQ(profile.computerName, "BOX");
  EXPECT_EQ(profile.userName, "sam");
  // Not from the Linux side.
  EXPECT_FALSE(FindEnvironment("HOME", profile.environment));
  // Sorted by name, as a process's environment block is.
  for (std::size_t i = 1; i < profile.environment.size(); ++i) {
    EXPECT_LT(CompareText(profile.environment[i - 1].name, profile.environment[i].name), 0);
  }
}

TEST_F(WineProfileTest, PlainStringsOfAKeyComeBeforeItsExpandableOnes) {
  // The expandable value is listed first but refers to a plain one of the same key.
  PutExpand(machine_, kEnvironment, "APPHOME", "%APPROOT%\\bin");
  Put(machine_, kEnvironment, "APPROOT", "D:\\App");
  // The user's expandable values see the system's and their own plain ones.
  PutExpand(user_, "Environment", "TOOLS", "%APPROOT%\\%MINE%");
  Put(user_, "Environment", "MINE", "tools");
  PutExpand(user_, "Environment", "LATER", "%NOT_DEFINED%\\x");
  const SystemProfile profile = Build();
  EXPECT_EQ(Env(profile, "APPHOME"), "D:\\App\\bin");
  EXPECT_EQ(Env(profile, "TOOLS"), "D:\\App\\tools");
  EXPECT_EQ(Env(profile, "LATER"), "%NOT_DEFINED%\\x");  // unknown names stay as written
  EXPECT_EQ(ExpandEnvironment("%systemroot%\\%Unknown%\\%windir%", profile.environment),
            "C:\\windows\\%Unknown%\\C:\\windows");
}

TEST_F(WineProfileTest, UserPathExtendsTheSystemPathAndUserValuesAreMarked) {
  PutExpand(user_, "Environment", "Path", "%USERPROFILE%\\bin");
  Put(user_, "Environment", "EMPTY", "");
  const SystemProfile profile = Build();
  EXPECT_EQ(Env(profile, "PATH"), "C:\\windows\\system32;C:\\windows;C:\\users\\sam\\bin");
  EXPECT_FALSE(FindEnvironment("EMPTY", profile.environment));
  for (const auto& var : profile.environment) {
    const bool user = SameText(var.name, "PATH") || SameText(var.name, "TEMP") ||
                      SameText(var.name, "USERNAME") || SameText(var.name, "APPDATA") ||
                      SameText(var.name, "USERPROFILE") || SameText(var.name, "LOCALAPPDATA");
    EXPECT_EQ(var.perUser, user) << var.name;
  }
}

TEST_F(WineProfileTest, SpecialFoldersPreferUserShellFoldersAndExpandThem) {
  PutExpand(user_, kUserShellFolders, "Desktop", "%USERPROFILE%\\Desktop");
  Put(user_, kShellFolders, "Desktop", "C:\\stale\\Desktop");
  Put(user_, kShellFolders, "Recent", "C:\\users\\sam\\Recent\\");  // only the old copy
  PutExpand(user_, kUserShellFolders, "AppData", "%APPDATA%");
  PutExpand(machine_, kUserShellFolders, "Common Start Menu",
            "%ProgramData%\\Microsoft\\Windows\\Start Menu");
  PutExpand(user_, kUserShellFolders, "History", "%NOWHERE%\\History");
  const SystemProfile profile = Build();
  const auto& folders = profile.specialFolders;
  EXPECT_EQ(folders.at(kCsidlDesktopDirectory), "C:\\users\\sam\\Desktop");
  EXPECT_EQ(folders.at(kCsidlRecent), "C:\\users\\sam\\Recent");
  EXPECT_EQ(folders.at(kCsidlAppData), "C:\\users\\sam\\AppData\\Roaming");
  EXPECT_EQ(folders.at(kCsidlCommonStartMenu), "C:\\ProgramData\\Microsoft\\Windows\\Start Menu");
  // No key at all: where Windows puts it for the profile.
  EXPECT_EQ(folders.at(kCsidlStartMenu),
            "C:\\users\\sam\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu");
  // A reference that cannot be expanded names no folder.
  EXPECT_EQ(folders.count(kCsidlHistory), 0u);
  // No user branch: no user folders, nor the user's variables.
  const SystemProfile machineOnly = BuildWineProfile(machine_, nullptr, kSid);
  EXPECT_EQ(machineOnly.specialFolders.count(kCsidlDesktopDirectory), 0u);
  EXPECT_EQ(machineOnly.specialFolders.count(kCsidlCommonStartMenu), 1u);
  EXPECT_FALSE(FindEnvironment("USERPROFILE", machineOnly.environment));
}

TEST_F(WineProfileTest, VersionFromTheRegistryUnlessWineIsToldOtherwise) {
  // Windows 10 keeps "6.3" in CurrentVersion for old programs.
  Put(machine_, kNtVersion, "CurrentVersion", "6.3");
  machine_.SetValue(kNtVersion, "CurrentMajorVersionNumber", RegValue{kRegDword, {10, 0, 0, 0}});
  machine_.SetValue(kNtVersion, "CurrentMinorVersionNumber", RegValue{kRegDword, {0, 0, 0, 0}});
  Put(machine_, kNtVersion, "CurrentBuildNumber", "19045");
  const OsVersion version = Build().version;
  EXPECT_EQ(std::tuple(version.major, version.minor, version.build), std::tuple(10, 0, 19045));

  // Wine's own setting wins (win98 is shown by the info command's tests).
  Put(user_, "Software\\Wine", "Version", "WinXP");
  const OsVersion xp = Build().version;
  EXPECT_EQ(std::pair(xp.major, xp.minor), std::pair(5, 1));
}

TEST(WineProfileEmpty, DefaultsWhenTheRegistrySaysNothing) {
  MemoryStore machine;
  const SystemProfile profile = BuildWineProfile(machine, nullptr, kSid);
  EXPECT_EQ(profile.windowsDir, "C:\\windows");
  EXPECT_EQ(profile.systemDir, "C:\\windows\\system32");
  EXPECT_EQ(std::pair(profile.version.platformId, profile.version.major), std::pair(2, 6));

  // An old Windows 9x registry: only the VersionNumber of the 9x key.
  Put(machine, "Software\\Microsoft\\Windows\\CurrentVersion", "VersionNumber", "4.10.2222");
  const OsVersion version = BuildWineProfile(machine, nullptr, kSid).version;
  EXPECT_EQ(std::pair(version.platformId, version.build), std::pair(1, 2222));
}

}  // namespace
}  // namespace ordrex
