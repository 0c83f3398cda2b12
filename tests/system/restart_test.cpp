// Restarting a prefix: the commands it runs, what a failure says, and a real restart of a
// prefix made by wineboot that ends the running session and carries out a pending delete.

#include "system/wine_restart.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/wine/wineserver.h"
#include "support/fresh_prefix.h"
#include "support/process.h"
#include "support/recording_runner.h"

namespace ordrex {
namespace {

namespace fs = std::filesystem;
using testsupport::ReadAll;
using testsupport::ScratchFolder;
using testsupport::WriteAll;

using testsupport::RecordingRunner;

TEST(WinePrefixRestart, EndsTheSessionThenStartsItAsWineRestarts) {
  ScratchFolder folder;
  WriteAll(folder.Path() / "system.reg", "WINE REGISTRY Version 2\n");
  const std::string p = folder.Path().string();
  const struct {
    std::map<std::string, int> exitCodes;
    bool restarted;
    std::vector<std::string> commands;
    std::string reason;
  } cases[] = {
      {{{"wineserver -k", 1}},  // no session was running: nothing to end
       true,
       {"wineserver -k", "wineserver -w", "wineboot --restart"},
       ""},
      {{{"wineserver -w", 2}},
       false,
       {"wineserver -k", "wineserver -w"},
       "wineserver -w ended with 2."},
      {{{"wineboot --restart", -1}},
       false,
       {"wineserver -k", "wineserver -w", "wineboot --restart"},
       "wineboot --restart ended with -1."},
  };
  for (const auto& row : cases) {
    RecordingRunner runner;
    runner.exitCodes = row.exitCodes;
    WinePrefixRestart restart(folder.Path(), &runner);
    EXPECT_EQ(restart.RequestRestart(), row.restarted) << row.reason;
    EXPECT_EQ(runner.commands, row.commands);
    for (const auto& environment : runner.environments)
      EXPECT_EQ(environment.at("WINEPREFIX"), p);
    EXPECT_EQ(restart.LastFailureReason(), row.reason);
  }
  RecordingRunner runner;
  WinePrefixRestart notPrefix(folder.Path() / "nothing", &runner);
  EXPECT_FALSE(notPrefix.RequestRestart());
  EXPECT_TRUE(runner.commands.empty());
}

TEST(WinePrefixRestartReal, TheSessionEndsAndThePrefixStartsAgain) {
  for (const char* program : {"wineboot", "wineserver"})
    if (!testsupport::ProgramOnPath(program)) GTEST_SKIP() << testsupport::kWineMissing;
  ScratchFolder folder;
  const fs::path prefix = folder.Path() / "prefix";
  const auto wine = testsupport::WineEnvironment(prefix);
  const auto boot = testsupport::RunProcess({"wineboot", "-i"}, wine);
  testsupport::RunProcess({"wineserver", "-w"}, wine);
  ASSERT_EQ(boot.exitCode, 0) << boot.output;
  // A file Windows deletes at its next start, as installers leave them.
  WriteAll(prefix / "drive_c" / "gone.txt", "delete me at restart");
  WriteAll(prefix / "system.reg",
           ReadAll(prefix / "system.reg") +
               "\n[System\\\\CurrentControlSet\\\\Control\\\\Session Manager] 1700000000\n"
               "\"PendingFileRenameOperations\"=str(7):\"\\\\??\\\\C:\\\\gone.txt\\0\\0\"\n");

  ASSERT_EQ(testsupport::RunProcess({"wineserver", "-p"}, wine).exitCode, 0);
  std::optional<int> session;
  for (int i = 0; i < 100 && !session; ++i) {
    session = FindWineserverPid(prefix);
    if (!session) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ASSERT_TRUE(session);

  WinePrefixRestart restart(prefix);
  ASSERT_TRUE(restart.RequestRestart()) << restart.LastFailureReason();
  // That server is gone (its lock with it); a new session may be winding down meanwhile.
  EXPECT_NE(FindWineserverPid(prefix), session);
  testsupport::RunProcess({"wineserver", "-w"}, wine);
  EXPECT_FALSE(fs::exists(prefix / "drive_c" / "gone.txt"));
  EXPECT_EQ(ReadAll(prefix / "system.reg").find("PendingFileRenameOperations"), std::string::npos);
}

}  // namespace
}  // namespace ordrex
