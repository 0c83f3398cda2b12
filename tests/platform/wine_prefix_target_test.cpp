#include "platform/wine/wine_prefix_target.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "platform/text.h"
#include "platform/wine/wineserver.h"
#include "support/fresh_prefix.h"

namespace ordrex {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::ThrowsMessage;
using testsupport::PrefixCopy;
using testsupport::PrefixCopyScope;
using testsupport::ReadAll;
using testsupport::ScratchFolder;
using testsupport::WriteAll;

constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

fs::path SamplePrefix() {
  return fs::path(ORDREX_SOURCE_DIR) / "examples" / "sample-prefix";
}

std::string ReadSz(RegistryStore* store, const std::string& key, const std::string& name) {
  const auto value = store ? store->QueryValue(key, name) : std::nullopt;
  return value ? RegDataToString(value->data) : "<missing>";
}

std::string Env(const Target& target, const std::string& name) {
  return FindEnvironment(name, target.Profile().environment).value_or("<unset>");
}

// A copy of the sample prefix, to change.
class SampleCopy : public ::testing::Test {
 protected:
  void SetUp() override { testsupport::CopyPrefix(SamplePrefix(), prefix_); }
  ScratchFolder scratch_;
  const fs::path prefix_ = scratch_.Path() / "prefix";
  ManualClock clock_{std::chrono::system_clock::from_time_t(1800000000)};
};

// A damaged system.reg, or a missing user.reg, makes the whole prefix read-only and says why.
TEST_F(SampleCopy, DamagedOrMissingFileMakesThePrefixReadOnly) {
  std::string text = ReadAll(prefix_ / "system.reg");
  const std::string good = "\"Content Type\"=\"text/plain\"";
  ASSERT_NE(text.find(good), std::string::npos);
  text.replace(text.find(good), good.size(), "\"Content Type\"=hex:zz");
  WriteAll(prefix_ / "system.reg", text);
  auto target = OpenWinePrefix(prefix_, clock_);
  EXPECT_THAT(target->WriteBlocker(), HasSubstr((prefix_ / "system.reg").string()));
  EXPECT_THAT(target->WriteBlocker(), HasSubstr("read-only"));
  ASSERT_FALSE(target->Warnings().empty());
  EXPECT_THAT(target->Warnings().front(), HasSubstr("system.reg:"));
  EXPECT_THROW(target->Root(kCurrentUser)->SetValue("Environment", "X", {kRegSz, {}}),
               RegistryError);
  target->Save();
  EXPECT_EQ(ReadAll(prefix_ / "system.reg"), text);

  fs::copy_file(SamplePrefix() / "system.reg", prefix_ / "system.reg",
                fs::copy_options::overwrite_existing);
  fs::remove(prefix_ / "user.reg");
  target = OpenWinePrefix(prefix_, clock_);
  EXPECT_THAT(target->WriteBlocker(), HasSubstr("user.reg is missing"));
  ASSERT_NE(target->Root(kCurrentUser), nullptr);
  EXPECT_FALSE(target->Root(kCurrentUser)->KeyExists("Environment"));
  EXPECT_THROW(target->Root(kCurrentUser)->CreateKey("Software"), RegistryError);
  EXPECT_THROW(target->Root(kLocalMachine)->CreateKey("Software\\New"), RegistryError);
  EXPECT_EQ(target->RegistryFiles().size(), 2u);
}

// What the info command does not show of the sample: its user, views and special folders.
TEST(WinePrefixTargetSample, UserViewsAndFolders) {
  ManualClock clock;
  auto target = OpenWinePrefix(SamplePrefix(), clock);
  EXPECT_EQ(target->WriteBlocker(), "");
  EXPECT_TRUE(target->Warnings().empty());
  EXPECT_EQ(target->UserSid(), "S-1-5-21-0-0-0-1000");
  EXPECT_EQ(ReadSz(target->Root(kUsers), ".DEFAULT\\Control Panel\\International", "Locale"),
            "00000409");
  EXPECT_EQ(
      ReadSz(target->Root(kUsers), "S-1-5-21-0-0-0-1000\\Volatile Environment", "USERPROFILE"),
      "C:\\users\\sample");
  ASSERT_EQ(target->Profile().specialFolders.size(), 6u);
  for (const auto& [csidl, folder] : target->Profile().specialFolders) {
    EXPECT_TRUE(target->Files().IsFolder(folder)) << csidl << " " << folder;
  }
}

TEST_F(SampleCopy, SaveWritesOnlyTheChangedFile) {
  const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
  fs::last_write_time(prefix_ / "system.reg", old);
  fs::last_write_time(prefix_ / "user.reg", old);
  {
    auto target = OpenWinePrefix(prefix_, clock_);
    target->Save();  // nothing changed: nothing written
    EXPECT_EQ(fs::last_write_time(prefix_ / "user.reg"), old);
    target->Root(kCurrentUser)->DeleteValue(kRun, "SampleHelper");
    target->Save();
  }
  EXPECT_EQ(fs::last_write_time(prefix_ / "system.reg"), old);
  auto again = OpenWinePrefix(prefix_, clock_);
  EXPECT_FALSE(again->Root(kCurrentUser)->QueryValue(kRun, "SampleHelper"));
  EXPECT_EQ(ReadSz(again->Root(kCurrentUser), "Volatile Environment", "USERNAME"), "sample");
}

TEST_F(SampleCopy, FileChangedSinceItWasReadIsNotOverwritten) {
  auto target = OpenWinePrefix(prefix_, clock_);
  target->Root(kLocalMachine)->DeleteKey("Software\\Sample Vendor");
  target->Root(kCurrentUser)->DeleteKey("Software\\Sample Vendor");
  // Wine ran and exited meanwhile, saving user.reg with its own changes.
  const std::string wines = ReadAll(prefix_ / "user.reg") + "\n[Software\\\\Wine] 1800000000\n";
  WriteAll(prefix_ / "user.reg", wines);
  const std::string system = ReadAll(prefix_ / "system.reg");
  EXPECT_THAT([&] { target->Save(); },
              ThrowsMessage<RegistryError>(
                  HasSubstr((prefix_ / "user.reg").string() + " was changed by another")));
  // Refused as a whole: not even the unchanged system.reg was written.
  EXPECT_EQ(ReadAll(prefix_ / "user.reg"), wines);
  EXPECT_EQ(ReadAll(prefix_ / "system.reg"), system);
}

// What Wine itself would tell a program, compared with Wine's own answer.
TEST(WinePrefixTargetFresh, EnvironmentAndFoldersMatchWine) {
  const auto fresh = testsupport::FreshWinePrefix();
  if (!fresh) GTEST_SKIP() << testsupport::kWineMissing;
  ManualClock clock;
  auto target = OpenWinePrefix(*fresh, clock);
  EXPECT_EQ(target->WriteBlocker(), "");
  const SystemProfile& profile = target->Profile();
  const std::string home = Env(*target, "USERPROFILE");
  EXPECT_EQ(home, "C:\\users\\" + profile.userName);
  EXPECT_EQ(profile.specialFolders.at(kCsidlAppData), home + "\\AppData\\Roaming");
  EXPECT_EQ(profile.specialFolders.at(kCsidlDesktopDirectory), home + "\\Desktop");
  EXPECT_EQ(profile.specialFolders.at(kCsidlCommonStartMenu),
            "C:\\ProgramData\\Microsoft\\Windows\\Start Menu");
  EXPECT_EQ(profile.specialFolders.at(kCsidlHistory),
            home + "\\AppData\\Local\\Microsoft\\Windows\\History");
  // Wine serves its fonts from its own data folder, not from the prefix.
  if (fs::exists("/usr/share/wine/fonts/coure.fon")) {
    EXPECT_FALSE(fs::exists(*fresh / "drive_c" / "windows" / "Fonts" / "coure.fon"));
    EXPECT_TRUE(target->Files().IsFile("C:\\windows\\Fonts\\coure.fon"));
  }

  // Wine's answer, from a copy (running Wine rewrites the prefix's files).
  PrefixCopy copy(*fresh);
  auto env = testsupport::WineEnvironment(copy.Path());
  env.insert(env.end(), {{"TEMP", ""}, {"TMP", ""}});
  const auto result = testsupport::RunProcess({"wine", "cmd", "/c", "set"}, env);
  ASSERT_EQ(result.exitCode, 0) << result.output;
  std::map<std::string, std::string> wine;
  std::istringstream lines(result.output);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto eq = line.find('=');
    if (eq != std::string::npos && eq > 0)
      wine[UpperCase(line.substr(0, eq))] = line.substr(eq + 1);
  }
  const std::string names =
      "SystemRoot windir SystemDrive ProgramFiles ProgramData ALLUSERSPROFILE PUBLIC USERPROFILE "
      "APPDATA LOCALAPPDATA CommonProgramFiles ProgramFiles(x86) ProgramW6432 COMPUTERNAME "
      "USERNAME ComSpec PATH PATHEXT TEMP TMP OS winsysdir HOMEPATH";
  for (const std::string& name : Split(names, ' ')) {
    ASSERT_TRUE(wine.count(UpperCase(name))) << name << " not set by Wine:\n" << result.output;
    EXPECT_EQ(Env(*target, name), wine[UpperCase(name)]) << name;
  }
}

// Wine keeps the registry in its server while one runs and writes it back later: our changes
// would be lost, so every save is refused, and reads are warned about.
TEST(WinePrefixTargetFresh, RunningWineserverBlocksWrites) {
  const auto fresh = testsupport::FreshWinePrefix();
  if (!fresh) GTEST_SKIP() << testsupport::kWineMissing;
  PrefixCopy copy(*fresh, PrefixCopyScope::kWithoutSystemFiles);
  ManualClock clock;
  const std::string before = ReadAll(copy.Path() / "user.reg");

  auto opened = OpenWinePrefix(copy.Path(), clock);
  ASSERT_EQ(opened->WriteBlocker(), "");
  opened->Root(kCurrentUser)->CreateKey("Software\\Ordrex Test");

  const auto start =
      testsupport::RunProcess({"wineserver", "-p"}, testsupport::WineEnvironment(copy.Path()));
  ASSERT_EQ(start.exitCode, 0) << start.output;
  std::optional<int> pid;
  for (int i = 0; i < 100 && !pid; ++i) {
    pid = FindWineserverPid(copy.Path());
    if (!pid) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ASSERT_TRUE(pid) << "wineserver -p did not start";
  const std::string message = WineRunningMessage(*pid);

  // Opened before the server started: the save is refused all the same.
  EXPECT_EQ(opened->WriteBlocker(), message);
  EXPECT_THAT([&] { opened->Save(); }, ThrowsMessage<RegistryError>(message));
  EXPECT_EQ(ReadAll(copy.Path() / "user.reg"), before);

  // Opened while it runs: readable, with a warning, and no write gets through.
  auto during = OpenWinePrefix(copy.Path(), clock);
  EXPECT_EQ(during->WriteBlocker(), message);
  ASSERT_EQ(during->Warnings().size(), 1u);
  EXPECT_THAT(during->Warnings()[0], HasSubstr("changes Wine has not yet saved"));
  EXPECT_EQ(during->WineserverPid(), pid);
  EXPECT_TRUE(during->Root(kLocalMachine)->KeyExists("Software\\Microsoft"));
  EXPECT_THROW(during->Root(kCurrentUser)->CreateKey("Software\\Other"), RegistryError);
  EXPECT_FALSE(during->Root(kCurrentUser)->KeyExists("Software\\Other"));

  testsupport::StopWineserver(copy.Path());
  EXPECT_FALSE(FindWineserverPid(copy.Path()));
  // Once Wine has stopped (and written its files), a prefix opened afresh can be saved.
  EXPECT_EQ(OpenWinePrefix(copy.Path(), clock)->WriteBlocker(), "");
}

}  // namespace
}  // namespace ordrex
