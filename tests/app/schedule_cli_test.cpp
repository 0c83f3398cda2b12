// `ordrex-cli schedule`: what list, add, remove and due print and answer, the units they leave,
// and bad input that changes nothing.

#include <gtest/gtest.h>

#include <sstream>

#include "app/cli/cli_app.h"
#include "schedule/systemd_units.h"
#include "support/recording_runner.h"
#include "tests/app/cli_fixture.h"

namespace ordrex::cli {
namespace {

namespace fs = std::filesystem;
using testsupport::ReadAll;
using testsupport::WriteAll;

using testsupport::RecordingRunner;

class ScheduleCliTest : public PrefixCliTest {
 protected:
  void SetUp() override {
    PrefixCliTest::SetUp();
    if (const char* tz = std::getenv("TZ")) savedZone_ = tz;
    setenv("TZ", "UTC0", 1);
    tzset();
    clock_.SetNow(std::chrono::system_clock::from_time_t(1796636400));  // Mon 2026-12-07 09:40
  }
  void TearDown() override {
    if (savedZone_) {
      setenv("TZ", savedZone_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

  CliRun Run(const std::vector<std::string>& args,
             const std::map<std::string, std::string>& extra = {}) {
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in;
    std::map<std::string, std::string> environment = environment_;
    environment.insert(extra.begin(), extra.end());
    CliContext context{
        out, err, in, clock_, environment, false, &runner_, {}, Bin() / "ordrex-cli", [this] {
          return idleSince_;
        }};
    const int code = RunCli(args, context);
    return {code, out.str(), err.str()};
  }
  CliRun Add(std::vector<std::string> args) {
    args.insert(args.begin(), {"schedule", "add"});
    args.insert(args.end(), {"--prefix", prefix_.string()});
    return Run(args);
  }
  fs::path Bin() const { return scratch_.Path() / "bin"; }
  fs::path Units() const { return scratch_.Path() / "config" / "systemd" / "user"; }
  // What `schedule due` answers when the timer fired at `instant` (seconds since 1970).
  int DueAt(std::int64_t instant, const std::map<std::string, std::string>& extra = {}) {
    std::map<std::string, std::string> fired = {
        {"TRIGGER_TIMER_REALTIME_USEC", std::to_string(instant * 1000000)}};
    fired.insert(extra.begin(), extra.end());
    return Run({"schedule", "due"}, fired).exitCode;
  }

  RecordingRunner runner_;
  std::optional<std::chrono::system_clock::time_point> idleSince_;
  std::optional<std::string> savedZone_;
};

TEST_F(ScheduleCliTest, AddListAndRemove) {
  EXPECT_EQ(Run({"schedule", "list"}).out, "No scan is scheduled.\n");
  const CliRun first = Add({"--type", "weekly", "--days", "mon,fri", "--time", "10:30"});
  EXPECT_EQ(first.exitCode, 0) << first.err;
  EXPECT_EQ(first.out,
            "Added trigger 1: At 10:30 every Monday and Friday of every week, starting 12/07/26\n");
  EXPECT_EQ(runner_.commands,
            (std::vector<std::string>{"systemctl --user show --property=Version",
                                      "systemctl --user daemon-reload",
                                      "systemctl --user enable --now zentrix-ordrex.timer"}));
  EXPECT_EQ(
      Add({"--type", "monthly", "--week", "last", "--days", "fri", "--months", "jan,dec", "--time",
           "02:30", "--repeat-minutes", "30", "--repeat-for", "90", "--end", "2027-06-30"})
          .exitCode,
      0);
  EXPECT_EQ(Add({"--type", "logon"}).exitCode, 0);
  EXPECT_EQ(Add({"--type", "idle", "--idle-minutes", "5"}).out,
            "Added trigger 4: When the computer has been idle for 5 minutes\n");

  EXPECT_EQ(
      Run({"schedule", "list"}).out,
      "1. At 10:30 every Monday and Friday of every week, starting 12/07/26\n"
      "   Next runs: 2026-12-07 10:30, 2026-12-11 10:30, 2026-12-14 10:30, 2026-12-18 10:30, "
      "2026-12-21 10:30\n"
      "2. Every 30 minutes from 02:30 for 1 hour 30 minutes on the last Friday of January and "
      "December, starting 12/07/26, ending 06/30/27\n"
      "   Next runs: 2026-12-25 02:30, 2026-12-25 03:00, 2026-12-25 03:30, 2027-01-29 02:30, "
      "2027-01-29 03:00\n"
      "3. At logon\n"
      "4. When the computer has been idle for 5 minutes\n");
  EXPECT_EQ(
      Run({"schedule", "list", "--json"}).out,
      "[{\"index\": 1, \"text\": \"At 10:30 every Monday and Friday of every week, starting "
      "12/07/26\", \"next\": [\"2026-12-07T10:30:00\", \"2026-12-11T10:30:00\", "
      "\"2026-12-14T10:30:00\", \"2026-12-18T10:30:00\", \"2026-12-21T10:30:00\"]}, "
      "{\"index\": 2, \"text\": \"Every 30 minutes from 02:30 for 1 hour 30 minutes on the "
      "last Friday of January and December, starting 12/07/26, ending 06/30/27\", \"next\": "
      "[\"2026-12-25T02:30:00\", \"2026-12-25T03:00:00\", \"2026-12-25T03:30:00\", "
      "\"2027-01-29T02:30:00\", \"2027-01-29T03:00:00\"]}, {\"index\": 3, \"text\": \"At "
      "logon\", \"next\": []}, {\"index\": 4, \"text\": \"When the computer has been idle for "
      "5 minutes\", \"next\": []}]\n");
  const std::string service = ReadAll(Units() / kServiceUnitName);
  EXPECT_NE(service.find("ExecCondition=" + (Bin() / "ordrex-cli").string() + " schedule due\n"),
            std::string::npos);
  EXPECT_NE(service.find("ExecStart=" + (Bin() / "ordrex").string() + " /auto --prefix " +
                         prefix_.string() + "\n"),
            std::string::npos);

  EXPECT_EQ(Run({"schedule", "remove", "2"}).out, "Removed trigger 2.\n");
  const std::string list = Run({"schedule", "list"}).out;
  EXPECT_EQ(list.substr(list.find("\n2.") + 1),
            "2. At logon\n3. When the computer has been idle for 5 minutes\n");
  EXPECT_EQ(Run({"schedule", "remove", "--all"}).out, "Removed the schedule.\n");
  EXPECT_FALSE(fs::exists(Units() / kServiceUnitName));
  EXPECT_FALSE(fs::exists(Units() / kTimerUnitName));
}

TEST_F(ScheduleCliTest, BadInputIsOneLineAndChangesNothing) {
  const struct {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{"add", "--type", "weekly", "--days", "mon,funday"},
       "ordrex-cli: --days: unknown name 'funday' (use sun, mon, ... sat)\n"},
      {{"add", "--type", "monthly", "--day", "32"},
       "ordrex-cli: --day: Value 32 not in range 1 to 31\n"},
      {{"add", "--type", "daily", "--repeat-minutes", "30", "--repeat-for", "30"},
       "ordrex-cli: The duration must be greater than the repetition interval.\n"},
      {{"add", "--type", "daily", "--repeat-minutes", "30"},
       "ordrex-cli: --repeat-minutes and --repeat-for go together\n"},
      {{"add", "--type", "monthly", "--every", "2"},
       "ordrex-cli: --every does not go with --type monthly\n"},
      {{"add", "--type", "monthly", "--days", "mon"},
       "ordrex-cli: --days of a monthly trigger needs --week\n"},
      {{"add", "--type", "daily", "--time", "24:00"},
       "ordrex-cli: --time takes HH:MM (00:00 to 23:59), not '24:00'\n"},
      {{"add", "--type", "daily", "--date", "2026-02-30"},
       "ordrex-cli: --date takes a date as YYYY-MM-DD, not '2026-02-30'\n"},
      {{"add", "--type", "daily", "--date", "2026-12-10", "--end", "2026-12-09"},
       "ordrex-cli: The end date must not be before the start date.\n"},
      {{"add"}, "ordrex-cli: 'schedule add' needs --type\n"},
      {{"list", "--type", "daily"}, "ordrex-cli: --type goes with 'schedule add'\n"},
      {{"remove", "1"}, "ordrex-cli: no scan is scheduled\n"},
  };
  for (const auto& row : cases) {
    std::vector<std::string> args = row.args;
    args.insert(args.begin(), "schedule");
    const CliRun run = Run(args);
    EXPECT_EQ(run.exitCode, kExitUsage) << row.err;
    EXPECT_EQ(run.err, row.err);
    EXPECT_FALSE(fs::exists(Units()));
  }
  EXPECT_TRUE(runner_.commands.empty());

  ASSERT_EQ(Add({"--type", "daily"}).exitCode, 0);
  const std::string before = ReadAll(Units() / kServiceUnitName);
  EXPECT_EQ(Run({"schedule", "remove", "1"}).err,
            "ordrex-cli: trigger 1 is the schedule's only trigger; remove the whole schedule with "
            "'schedule remove --all'\n");
  EXPECT_EQ(Run({"schedule", "remove", "3"}).err,
            "ordrex-cli: there is no trigger 3; the schedule has triggers 1 to 1\n");
  EXPECT_EQ(ReadAll(Units() / kServiceUnitName), before);
}

TEST_F(ScheduleCliTest, DueAnswersForEachKindOfTrigger) {
  EXPECT_EQ(DueAt(1797244200), kExitProblemsFound);  // no schedule
  ASSERT_EQ(Add({"--type", "weekly", "--days", "mon", "--time", "10:30"}).exitCode, 0);
  EXPECT_EQ(DueAt(1797244200), kExitOk);       // Monday 2026-12-14 10:30
  EXPECT_EQ(DueAt(1797244200 + 59), kExitOk);  // still that minute
  EXPECT_EQ(DueAt(1797244200 + 60), kExitProblemsFound);
  EXPECT_EQ(DueAt(1797244200 + 86400), kExitProblemsFound);                  // Tuesday
  EXPECT_EQ(DueAt(1797244200 - 7 * 86400 - 7 * 86400), kExitProblemsFound);  // before the start
  // Without the timer's moment, the clock's.
  clock_.SetNow(std::chrono::system_clock::from_time_t(1797244200));
  EXPECT_EQ(Run({"schedule", "due"}).exitCode, kExitOk);

  const std::map<std::string, std::string> startup = {{"TRIGGER_UNIT", kStartupTimerUnitName}};
  EXPECT_EQ(DueAt(1797244200, startup),
            kExitProblemsFound);  // a start-up run is not a calendar one
  ASSERT_EQ(Add({"--type", "logon"}).exitCode, 0);
  EXPECT_EQ(DueAt(1797244200 + 3600, startup), kExitOk);

  ASSERT_EQ(Add({"--type", "idle", "--idle-minutes", "5"}).exitCode, 0);
  const std::int64_t noon = 1797249600;
  for (const auto& [idleSeconds, answer] : std::vector<std::pair<int, int>>{
           {299, kExitProblemsFound}, {300, kExitOk}, {359, kExitOk}, {360, kExitProblemsFound}}) {
    idleSince_ = std::chrono::system_clock::from_time_t(noon - idleSeconds);
    EXPECT_EQ(DueAt(noon), answer) << idleSeconds;
  }
  idleSince_.reset();  // in use
  EXPECT_EQ(DueAt(noon), kExitProblemsFound);

  std::string damaged = ReadAll(Units() / kServiceUnitName);
  damaged.replace(damaged.find("IdleMinutes=5"), 13, "IdleMinutes=x");
  WriteAll(Units() / kServiceUnitName, damaged);
  const CliRun run = Run({"schedule", "due"});
  EXPECT_EQ(run.exitCode, kExitUsage);
  EXPECT_NE(run.err.find("IdleMinutes is not a number"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace ordrex::cli
