// Restore points from the terminal and the two operations behind the window's buttons: take
// one, repair, and put the whole registry back with one command; clean them; restart a prefix.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "app/cli/cli_app.h"
#include "app/cli_fixture.h"
#include "app/session/restore_point_flows.h"
#include "app/settings/settings_io.h"
#include "engine/registry.h"
#include "platform/wine/wine_prefix_target.h"
#include "support/fresh_prefix.h"
#include "support/recording_runner.h"
#include "support/registry_dump.h"
#include "system/wine_restore_points.h"

namespace ordrex::cli {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;

using testsupport::RecordingRunner;

class RestorePointsCliTest : public PrefixCliTest {
 protected:
  CliRun Run(std::vector<std::string> args) {
    if (std::find(args.begin(), args.end(), "--prefix") == args.end() &&
        std::find(args.begin(), args.end(), "--windows") == args.end()) {
      args.insert(args.end(), {"--prefix", prefix_.string()});
    }
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in;
    CliContext context{out, err, in, clock_, environment_, false, &runner_, [this] { ++waits_; },
                       {},  {}};
    const int code = RunCli(args, context);
    return {code, out.str(), err.str()};
  }
  UserPaths Paths() const {
    return UserPaths(scratch_.Path() / "config" / "zentrix", scratch_.Path() / "data" / "zentrix");
  }
  // "RestorePt" as saved, or nothing.
  std::optional<std::int32_t> StoredPoint() {
    auto store = SettingsStore::Open(Paths());
    TRegistry reg(store->Roots(), kCurrentUser);
    if (!reg.OpenKey(kSettingsKey, false) || !reg.ValueExists(kRestorePointName)) return {};
    return reg.ReadInteger(kRestorePointName);
  }
  fs::path Marker() {
    ManualClock clock;
    return WinePrefixRestorePoints(prefix_, Paths().DataDir(), clock).Folder() / "clean.marker";
  }

  RecordingRunner runner_;
  int waits_ = 0;
};

TEST_F(RestorePointsCliTest, TakeOneRepairAndPutTheWholeRegistryBack) {
  EXPECT_EQ(Run({"restore-points"}).out,
            "There are no restore points of " + prefix_.string() + ".\n");
  const std::string original = Dump();
  const CliRun created = Run({"restore-points", "create", "clean state"});
  ASSERT_EQ(created.exitCode, kExitOk) << created.err;
  EXPECT_EQ(created.out, "Restore point created. It is number 1 of 'restore-points list'.\n");
  EXPECT_TRUE(fs::exists(Marker()));
  EXPECT_EQ(StoredPoint(), 1);

  const CliRun repair = Run({"repair", "--yes", "--restore-point"});
  ASSERT_EQ(repair.exitCode, kExitOk) << repair.err;
  EXPECT_THAT(repair.out,
              HasSubstr("Restore point 2 holds the registry as it was before the repair.\n"));
  EXPECT_EQ(StoredPoint(), 2);
  const std::string repaired = Dump();
  ASSERT_NE(repaired, original);

  const CliRun applied = Run({"restore-points", "apply", "1", "--yes"});
  ASSERT_EQ(applied.exitCode, kExitOk) << applied.err;
  EXPECT_EQ(applied.out,
            "Applied restore point 1. The registry as it was before is restore point 3.\n");
  EXPECT_EQ(Dump(), original);
  ASSERT_EQ(Run({"restore-points", "apply", "3", "--yes"}).exitCode, kExitOk);
  EXPECT_EQ(Dump(), repaired);

  EXPECT_THAT(Run({"restore-points", "list"}).out,
              MatchesRegex("#   Time                 State     Name\n"
                           "1   2024-03-.. ..:..:..  complete  clean state\n"
                           "2   2024-03-.. ..:..:..  complete  Before a repair\n"
                           "3   .*complete  Before restore point 1 was applied\n"
                           "4   .*complete  Before restore point 3 was applied\n"));
  EXPECT_THAT(Run({"restore-points", "list", "--json"}).out,
              HasSubstr("\"restorePoints\": [{\"number\": 1, \"sequence\": 1, \"name\": \"clean "
                        "state\", \"time\": 1710000000, \"complete\": true}, "));

  const CliRun asked = Run({"restore-points", "clean"});
  EXPECT_EQ(asked.out, "Remove the 4 restore points of " + prefix_.string() +
                           "? [y/N] \nNothing was changed.\n");
  EXPECT_EQ(Run({"restore-points", "clean", "--yes"}).out, "Removed 4 restore points.\n");
  EXPECT_FALSE(fs::exists(Marker()));
  EXPECT_THAT(Run({"restore-points"}).out, HasSubstr("There are no restore points"));
  EXPECT_EQ(Dump(), repaired);
}

TEST_F(RestorePointsCliTest, RefusalsAreOneLineAndExitTwo) {
  const struct {
    std::vector<std::string> args;
    std::string says;
  } cases[] = {
      {{"restore-points", "apply"}, "needs the number of a restore point"},
      {{"restore-points", "apply", "9"}, "there is no restore point 9; the prefix has none"},
      {{"restore-points", "apply", "x1"}, "there is no restore point x1"},
      {{"restore-points", "create"}, "needs a name"},
      {{"restore-points", "drop"}, "is not an action"},
      {{"restore-points", "list", "1"}, "takes nothing more"},
      {{"restore-points", "create", "x", "--json"}, "--json goes with"},
      {{"repair", "--yes", "--restore-point", "--prefix", "/nonexistent"}, "does not exist"},
      {{"restore-points", "--windows", "/mnt"}, "of Wine prefixes only"},
  };
  for (const auto& row : cases) {
    const CliRun run = Run(row.args);
    EXPECT_EQ(run.exitCode, kExitUsage) << row.says;
    EXPECT_THAT(run.err, HasSubstr(row.says));
  }
  // Where no point can be made, the repair writes nothing.
  const std::string original = Dump();
  testsupport::WriteAll(RestorePointsRoot(Paths().DataDir()), "in the way");
  const CliRun repair = Run({"repair", "--yes", "--restore-point"});
  EXPECT_EQ(repair.exitCode, kExitUsage);
  EXPECT_EQ(repair.err,
            "ordrex-cli: no restore point could be taken (Error: 5); nothing was repaired.\n");
  EXPECT_EQ(Dump(), original);
  const CliRun create = Run({"restore-points", "create", "x"});
  EXPECT_EQ(create.err, "ordrex-cli: Error: 5\nordrex-cli: The folder " +
                            (RestorePointsRoot(Paths().DataDir()) / "").string() +
                            fs::path(Marker()).parent_path().filename().string() +
                            " cannot be written.\n");
}

TEST_F(RestorePointsCliTest, RestartCountsDownThenRestartsThePrefix) {
  const CliRun run = Run({"restart", "--delay", "2"});
  EXPECT_EQ(run.exitCode, kExitOk) << run.err;
  EXPECT_EQ(run.out,
            "System will be restart in 2 second(s)\nSystem will be restart in 1 second(s)\n"
            "Restarted the Wine session of " +
                prefix_.string() + ".\n");
  EXPECT_EQ(waits_, 2);
  EXPECT_EQ(runner_.commands,
            (std::vector<std::string>{"wineserver -k", "wineserver -w", "wineboot --restart"}));
  runner_.exitCodes["wineboot"] = 1;
  const CliRun failed = Run({"restart"});
  EXPECT_EQ(failed.exitCode, kExitUsage);
  EXPECT_EQ(failed.out, "");
  EXPECT_EQ(failed.err,
            "ordrex-cli: Restart failed. Please restart manually.\n"
            "ordrex-cli: wineboot --restart ended with 1.\n");
}

// The operations as the window's buttons run them, with their texts in order.
class RestorePointFlowsTest : public RestorePointsCliTest {
 protected:
  void SetUp() override {
    RestorePointsCliTest::SetUp();
    store_ = SettingsStore::Open(Paths());
    WriteDefaultSettings(store_->Roots());
  }
  RestorePointEvents Recording() {
    RestorePointEvents events;
    events.Status = [this](const std::string& text) { shown_.push_back("status: " + text); };
    events.Inform = [this](const std::string& text) { shown_.push_back("box: " + text); };
    events.AskRestart = [this](const std::string& text) {
      shown_.push_back("ask: " + text);
      return true;
    };
    events.Warn = [this](const std::string& text) { shown_.push_back("warning: " + text); };
    return events;
  }
  std::unique_ptr<SettingsStore> store_;
  std::vector<std::string> shown_;
};

TEST_F(RestorePointFlowsTest, CreateTellsEachStepAndRemembersThePoint) {
  WinePrefixRestorePoints points(prefix_, Paths().DataDir(), clock_);
  RestorePointFlows flows(points, *store_, Marker());
  EXPECT_FALSE(flows.CleanOffered());
  EXPECT_EQ(flows.Create("mine", Recording()), kRestoreSuccess);
  EXPECT_EQ(shown_, (std::vector<std::string>{"status: Creating restore point...",
                                              "status: Restore point created.",
                                              "box: Restore point created."}));
  EXPECT_TRUE(flows.CleanOffered());
  EXPECT_EQ(StoredPoint(), 1);

  // The end fails (the point's record cannot be rewritten): the point stays begun, 0 is kept.
  FaultInjectingFileWriter writer;
  writer.FailAfter(4, FaultInjectingFileWriter::Fault::kWhileWriting);
  FileCopier copier(writer, /*reflink=*/false);
  WinePrefixRestorePoints failing(prefix_, Paths().DataDir(), clock_, &copier, &writer);
  RestorePointFlows endless(failing, *store_, Marker());
  shown_.clear();
  EXPECT_EQ(endless.Create("unended", Recording()), kRestoreInternalError);
  EXPECT_EQ(shown_, (std::vector<std::string>{"status: Creating restore point...",
                                              "status: Restore point created.",
                                              "status: Error: An internal error occurred.",
                                              "box: Error: An internal error occurred."}));
  EXPECT_EQ(StoredPoint(), 0);
  EXPECT_FALSE(points.List().back().complete);

  // Clean: every point goes, the clean is no longer offered, and the restart is offered.
  shown_.clear();
  EXPECT_TRUE(flows.Clean(Recording()));
  EXPECT_EQ(shown_, (std::vector<std::string>{"status: " + std::string(kCleaningRestoreText),
                                              "status: " + std::string(kRestorePointDeletedText),
                                              "ask: " + std::string(kRestorePointDeletedText)}));
  EXPECT_TRUE(points.List().empty());
  EXPECT_FALSE(flows.CleanOffered());
}

TEST_F(RestorePointFlowsTest, AFailedBeginShowsItsTextAndChangesNothing) {
  for (const bool inTheWay : {false, true}) {
    testsupport::ScratchFolder notPrefix;
    if (inTheWay) testsupport::WriteAll(RestorePointsRoot(Paths().DataDir()), "in the way");
    WinePrefixRestorePoints points(inTheWay ? prefix_ : notPrefix.Path(), Paths().DataDir(),
                                   clock_);
    RestorePointFlows flows(points, *store_, Marker());
    shown_.clear();
    const std::string text =
        inTheWay ? "Error: 5" : "Error: " + RestoreStatusText(kRestoreDisabled);
    EXPECT_NE(flows.Create("refused", Recording()), kRestoreSuccess);
    EXPECT_EQ(shown_, (std::vector<std::string>{"status: " + text, "box: " + text}));
    EXPECT_FALSE(fs::exists(Marker()));
    EXPECT_EQ(StoredPoint(), std::nullopt);
  }
  EXPECT_EQ(RestoreStatusText(kRestoreDisabled), "System Restore is disabled.");
  EXPECT_EQ(RestoreStatusText(1460), "The call timed out.");
  EXPECT_EQ(RestoreStatusText(4), "4");
}

}  // namespace
}  // namespace ordrex::cli
