// Settings and ignore list across separate ordrex-cli runs sharing only XDG_CONFIG_HOME.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/fresh_prefix.h"
#include "support/process.h"
#include "support/temp_prefix.h"

namespace ordrex {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using namespace std::string_literals;
using testsupport::ProcessResult;
using testsupport::RunProcess;
using testsupport::ScratchFolder;
using testsupport::Sz;
using testsupport::TempPrefix;

constexpr const char* kGuid = "{22222222-2222-2222-2222-222222222222}";

class UserSettingsCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    prefix_
        .Machine(std::string(R"(Software\Classes\CLSID\)") + kGuid + R"(\InprocServer32)",
                 {Sz("", R"(C:\Program Files\Gone\a.dll)")})
        .Machine(std::string(R"(Software\Classes\CLSID\)") + kGuid + R"(\TypeLib)",
                 {Sz("", "Gone.Library")});
    prefix_.Open();
  }

  ProcessResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), ORDREX_CLI_PATH);
    return RunProcess(args, {{"HOME", home_.Path().string()},
                             {"XDG_CONFIG_HOME", (home_.Path() / "config").string()},
                             {"XDG_DATA_HOME", (home_.Path() / "data").string()}});
  }
  ProcessResult Scan(const std::vector<std::string>& extra = {"--only", "Registry Integrity"}) {
    std::vector<std::string> args = {"scan", "--prefix", prefix_.Path().string()};
    args.insert(args.end(), extra.begin(), extra.end());
    return Cli(args);
  }
  std::filesystem::path ConfigFile(const std::string& name) const {
    return home_.Path() / "config" / "zentrix" / name;
  }

  ScratchFolder home_;
  TempPrefix prefix_;
  const std::string clsid_ = std::string(R"(\CLSID\)") + kGuid;
};

TEST_F(UserSettingsCliTest, AnIgnoreEntryHidesExactlyItsProblemFromTheNextScan) {
  const ProcessResult before = Scan();
  ASSERT_EQ(before.exitCode, 1) << before.output;
  EXPECT_THAT(before.output, HasSubstr("Registry Integrity: 2 problems"));

  // Key scope, letters in other case: hides the TypeLib key only.
  const ProcessResult add = Cli({"ignore", "add", clsid_ + R"(\TYPELIB)", "--key"});
  ASSERT_EQ(add.exitCode, 0) << add.output;
  const ProcessResult after = Scan();
  EXPECT_EQ(after.exitCode, 1) << after.output;
  EXPECT_THAT(after.output, HasSubstr("Registry Integrity: 1 problem "));
  EXPECT_THAT(after.output, HasSubstr(R"(\InprocServer32)"));
  EXPECT_THAT(after.output, Not(HasSubstr(R"(\TypeLib)")));

  // A case-sensitive entry in other letters and a key entry that is only a prefix hide nothing.
  ASSERT_EQ(Cli({"ignore", "add", clsid_ + R"(\inprocserver32)", "--key", "--case"}).exitCode, 0);
  ASSERT_EQ(Cli({"ignore", "add", clsid_, "--key", "--value", "--data"}).exitCode, 0);
  EXPECT_THAT(Scan().output, HasSubstr(R"(\InprocServer32)"));

  // Data scope: the missing file's path.
  ASSERT_EQ(Cli({"ignore", "add", R"(c:\program files\gone\A.DLL)", "--data"}).exitCode, 0);
  const ProcessResult clean = Scan();
  EXPECT_EQ(clean.exitCode, 0) << clean.output;

  const ProcessResult list = Cli({"ignore", "list"});
  EXPECT_THAT(list.output, HasSubstr("1    Yes   No    No    No     " + clsid_ + R"(\TYPELIB)"));
  EXPECT_THAT(list.output,
              HasSubstr(R"(4    No    No    Yes   No     c:\program files\gone\A.DLL)"));
  ASSERT_EQ(Cli({"ignore", "remove", "1", "4"}).exitCode, 0);
  EXPECT_THAT(Scan().output, HasSubstr("Registry Integrity: 2 problems"));
}

TEST_F(UserSettingsCliTest, AddingAListedTextAsksAndKeepsTheEntryWithoutAYes) {
  ASSERT_EQ(Cli({"ignore", "add", "Gone.Library", "--data"}).exitCode, 0);
  // Standard input is empty: no answer is no.
  const ProcessResult declined = Cli({"ignore", "add", "gone.library", "--value"});
  EXPECT_EQ(declined.exitCode, 2);
  EXPECT_THAT(declined.output, HasSubstr("Replace gone.library entry?"));
  const ProcessResult replaced = Cli({"ignore", "add", "gone.library", "--value", "--yes"});
  EXPECT_EQ(replaced.exitCode, 0) << replaced.output;
  EXPECT_EQ(testsupport::ReadAll(ConfigFile("ignore.lst")), "gone.library\r\n2\r\n");
  EXPECT_EQ(Cli({"ignore", "remove", "2"}).exitCode, 2);
}

TEST_F(UserSettingsCliTest, TheStoredSelectionDecidesWhatAScanCovers) {
  ASSERT_EQ(Cli({"settings", "set", "registry integrity", "off"}).exitCode, 0);
  ASSERT_EQ(Cli({"settings", "set", "Number_Backup", "7"}).exitCode, 0);
  const ProcessResult show = Cli({"settings", "show"});
  EXPECT_THAT(show.output, HasSubstr("Number_Backup   7\n"));
  EXPECT_THAT(show.output, HasSubstr("  Registry Integrity      false\n"));

  const ProcessResult all = Scan({"--json"});
  EXPECT_THAT(all.output, HasSubstr("\"title\": \"Registry Integrity\", \"state\": \"Skipped\""));
  EXPECT_THAT(all.output, Not(HasSubstr(R"(\\TypeLib)")));
  // --only chooses for one run and changes nothing stored.
  EXPECT_THAT(Scan().output, HasSubstr("Registry Integrity: 2 problems"));
  EXPECT_THAT(Cli({"settings"}).output, HasSubstr("  Registry Integrity      false\n"));
}

// What becomes of the damaged files: see the settings and ignore list tests.
TEST_F(UserSettingsCliTest, DamagedSettingsAndIgnoreFilesAreReported) {
  testsupport::WriteAll(
      ConfigFile("settings.reg"),
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Zentrix]\r\n"
      "\"Number_Backup\"=dword:00000007\r\n\"Make_Backup\"=dword:\r\n");
  const ProcessResult show = Cli({"settings"});
  EXPECT_EQ(show.exitCode, 0) << show.output;
  EXPECT_THAT(show.output, HasSubstr(ConfigFile("settings.reg").string()));
  EXPECT_THAT(show.output, HasSubstr("line 5"));
  EXPECT_THAT(show.output, HasSubstr("Number_Backup   10\n"));

  testsupport::WriteAll(ConfigFile("ignore.lst"), "ok\r\n1\r\nbad\0line\r\n2\r\n"s);
  const ProcessResult scan = Scan();
  EXPECT_EQ(scan.exitCode, 1);
  EXPECT_THAT(scan.output, HasSubstr(ConfigFile("ignore.lst").string()));
  EXPECT_THAT(scan.output, HasSubstr("line 3"));
}

}  // namespace
}  // namespace ordrex
