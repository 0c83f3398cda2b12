// `ordrex-cli repair` and `ordrex-cli backups` on copies of the sample image: the round trip
// the README shows (scan, repair, scan again, restore) and the answers the verbs give.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "app/cli/cli_app.h"
#include "platform/wine/wine_prefix_target.h"
#include "support/fresh_prefix.h"
#include "support/registry_dump.h"

namespace ordrex::cli {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

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
  // Nothing else on standard output: one JSON object, closed by the follow-up count.
  EXPECT_TRUE(repair.out.ends_with(", \"followUp\": 0}\n")) << repair.out;
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
