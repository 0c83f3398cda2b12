// `ordrex-cli repair` and `ordrex-cli backups` on copies of the sample image: the round trip
// the README shows (scan, repair, scan again, restore) and the answers the verbs give.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <fmt/format.h>

#include "app/cli/cli_app.h"
#include "platform/wine/wine_prefix_target.h"
#include "support/fresh_prefix.h"
#include "support/process.h"
#include "support/registry_dump.h"

namespace ordrex::cli {
namespace {

namespace fs = std::filesystem;
using ::testing::ContainsRegex;
using ::testing::HasSubstr;
using ::testing::Not;

// A locale of the test's own, for dates and times unlike the "C" ones ("09.03.2024",
// "16.00.00"), made by localedef from its own ASCII character map and found through LOCPATH.
constexpr const char* kDottedLocale = "xx_DOTTED";
bool MakeDottedLocale(const fs::path& folder) {
  fs::create_directories(folder);
  std::ofstream charmap(folder / "charmap");
  charmap << "<code_set_name> DOTTED-ASCII\n<escape_char> /\n<mb_cur_min> 1\n<mb_cur_max> 1\n"
             "CHARMAP\n";
  for (int c = 0; c < 128; ++c)
    charmap << fmt::format("<U{:04X}> /x{:02x}\n", c, c);
  charmap << "END CHARMAP\n";
  charmap.close();
  std::ofstream(folder / "source") << R"(LC_TIME
d_fmt "%d.%m.%Y"
t_fmt "%H.%M.%S"
d_t_fmt "%d.%m.%Y %H.%M.%S"
abday "Su";"Mo";"Tu";"We";"Th";"Fr";"Sa"
day "Sunday";"Monday";"Tuesday";"Wednesday";"Thursday";"Friday";"Saturday"
abmon "Jan";"Feb";"Mar";"Apr";"May";"Jun";"Jul";"Aug";"Sep";"Oct";"Nov";"Dec"
mon "January";"February";"March";"April";"May";"June";"July";"August";"September";"October";"November";"December"
am_pm "";""
t_fmt_ampm ""
END LC_TIME
)";
  // localedef complains about the categories the source leaves out, and makes them plain.
  testsupport::RunProcess({"localedef", "-i", (folder / "source").string(), "-f",
                           (folder / "charmap").string(), "--no-archive",
                           (folder / kDottedLocale).string()});
  if (!fs::exists(folder / kDottedLocale / "LC_TIME")) return false;
  setenv("LOCPATH", folder.c_str(), 1);
  return true;
}

const fs::path kSample = fs::path(ORDREX_SOURCE_DIR) / "examples" / "sample-prefix";

struct CliRun {
  int exitCode;
  std::string out;
  std::string err;
};

// A copy of the sample and the user's own folders, all in one scratch folder.
class RepairCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    prefix_ = scratch_.Path() / "prefix";
    testsupport::CopyPrefix(kSample, prefix_);
    environment_ = {{"HOME", (scratch_.Path() / "home").string()},
                    {"XDG_CONFIG_HOME", (scratch_.Path() / "config").string()},
                    {"XDG_DATA_HOME", (scratch_.Path() / "data").string()}};
  }

  CliRun Run(std::vector<std::string> args, const std::string& input = "") {
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in(input);
    CliContext context{out, err, in, clock_, environment_, false};
    const int code = RunCli(args, context);
    return {code, out.str(), err.str()};
  }

  std::string Dump() {
    ManualClock clock;
    return testsupport::DumpRoots(*OpenWinePrefix(prefix_, clock), testsupport::DumpOrder::kSorted);
  }

  fs::path BackupDir() const { return scratch_.Path() / "data" / "zentrix" / "Backup"; }

  testsupport::ScratchFolder scratch_;
  fs::path prefix_;
  std::map<std::string, std::string> environment_;
  ManualClock clock_{std::chrono::system_clock::from_time_t(1710000000)};
};

TEST_F(RepairCliTest, RepairScanAgainAndRestoreTheBackup) {
  const std::string original = Dump();
  const CliRun repair = Run({"repair", "--prefix", prefix_.string(), "--yes"});
  ASSERT_EQ(repair.exitCode, kExitOk) << repair.err;
  EXPECT_THAT(repair.out, HasSubstr("Finding Solution: Finished"));
  EXPECT_THAT(repair.out, HasSubstr("Backup saved: " + BackupDir().string()));
  EXPECT_NE(Dump(), original);

  // Only what was not selected is found again.
  const CliRun again = Run({"scan", "--prefix", prefix_.string()});
  EXPECT_THAT(again.out, Not(HasSubstr("  [x] ")));
  EXPECT_THAT(again.out, HasSubstr("  [ ] "));

  const CliRun list = Run({"backups"});
  EXPECT_EQ(list.exitCode, kExitOk);
  EXPECT_THAT(list.out, HasSubstr("taken from " + prefix_.string()));
  const CliRun restore = Run({"backups", "restore", "1", "--yes"});
  ASSERT_EQ(restore.exitCode, kExitOk) << restore.err;
  EXPECT_THAT(restore.out, HasSubstr("Restored "));
  EXPECT_EQ(Dump(), original);
}

TEST_F(RepairCliTest, NoAnswerIsNoAndNothingChanges) {
  const std::string original = Dump();
  const CliRun repair = Run({"repair", "--prefix", prefix_.string()}, "");
  EXPECT_EQ(repair.exitCode, kExitOk);
  EXPECT_THAT(repair.out, HasSubstr("[y/N]"));
  EXPECT_THAT(repair.out, HasSubstr("Nothing was changed."));
  EXPECT_EQ(Dump(), original);
  EXPECT_FALSE(fs::exists(BackupDir()));
  const CliRun declined = Run({"repair", "--prefix", prefix_.string()}, "n\n");
  EXPECT_THAT(declined.out, HasSubstr("Nothing was changed."));
  EXPECT_EQ(Dump(), original);
}

TEST_F(RepairCliTest, JsonAddsTheBackupAndTheCount) {
  const CliRun repair = Run({"repair", "--prefix", prefix_.string(), "--yes", "--json"});
  ASSERT_EQ(repair.exitCode, kExitOk) << repair.err;
  EXPECT_THAT(repair.out, HasSubstr("\"backup\": \"" + BackupDir().string()));
  EXPECT_TRUE(repair.out.starts_with("{\"target\": "));
  const std::size_t count = repair.out.find("\"repaired\": ");
  ASSERT_NE(count, std::string::npos);
  EXPECT_GT(std::stoi(repair.out.substr(count + 12)), 0);
  // Nothing else on standard output: one JSON object.
  EXPECT_EQ(repair.out.find('\n'), repair.out.size() - 1);

  const CliRun noBackup =
      Run({"repair", "--prefix", prefix_.string(), "--yes", "--json", "--no-backup"});
  EXPECT_THAT(noBackup.out, HasSubstr("\"backup\": null"));
}

TEST_F(RepairCliTest, BackupsListDeleteAndClear) {
  EXPECT_THAT(Run({"backups", "list"}).out, HasSubstr("The backup list is empty."));
  ASSERT_EQ(Run({"repair", "--prefix", prefix_.string(), "--yes"}).exitCode, kExitOk);
  clock_.SetNow(clock_.Now() + std::chrono::minutes(2));
  ASSERT_EQ(Run({"repair", "--prefix", prefix_.string(), "--yes", "--no-backup"}).exitCode,
            kExitOk);
  const CliRun list = Run({"backups", "list"});
  EXPECT_THAT(list.out, HasSubstr("\n1   "));
  EXPECT_THAT(list.out, Not(HasSubstr("\n2   ")));
  // Dates and times in the user's formats: "C" when none is set, or the one set is unknown.
  const std::string cFormats = "[0-9]{2}/[0-9]{2}/24  [0-9]{2}:[0-9]{2}:[0-9]{2}  /";
  EXPECT_THAT(list.out, ContainsRegex(cFormats));
  environment_["LANG"] = "xx_NOWHERE.UTF-8";
  EXPECT_THAT(Run({"backups"}).out, ContainsRegex(cFormats));
  if (MakeDottedLocale(scratch_.Path() / "locales")) {
    environment_["LC_TIME"] = kDottedLocale;
    const CliRun dotted = Run({"backups"});
    EXPECT_THAT(dotted.out,
                ContainsRegex("[0-9]{2}\\.[0-9]{2}\\.2024  [0-9]{2}\\.[0-9]{2}\\.[0-9]{2}  /"));
    environment_["LC_ALL"] = "C";
    EXPECT_THAT(Run({"backups"}).out, ContainsRegex(cFormats));
    unsetenv("LOCPATH");
  } else {
    ADD_FAILURE() << "localedef could not make the test locale";
  }

  const CliRun wrong = Run({"backups", "restore", "3", "--yes"});
  EXPECT_EQ(wrong.exitCode, kExitUsage);
  EXPECT_THAT(wrong.err, HasSubstr("there is no backup 3"));
  EXPECT_EQ(Run({"backups", "restore"}).exitCode, kExitUsage);

  // A backup file deleted behind the list's back cannot be restored, and says so.
  for (const auto& entry : fs::directory_iterator(BackupDir())) {
    if (entry.path().extension() == ".reg") fs::remove(entry.path());
  }
  const CliRun gone = Run({"backups", "restore", "1", "--yes"});
  EXPECT_EQ(gone.exitCode, kExitUsage);
  EXPECT_THAT(gone.err, HasSubstr("Selected file can't be found."));
  EXPECT_THAT(Run({"backups"}).out, HasSubstr("File Not Found."));

  const CliRun deleted = Run({"backups", "delete", "1"});
  EXPECT_EQ(deleted.exitCode, kExitOk);
  EXPECT_THAT(Run({"backups"}).out, HasSubstr("The backup list is empty."));
  EXPECT_EQ(Run({"backups", "clear"}).exitCode, kExitOk);
}

}  // namespace
}  // namespace ordrex::cli
