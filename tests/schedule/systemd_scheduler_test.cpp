// The work item kept as systemd user units: round trips through the files, what systemctl is
// asked, failures that leave the files as they were, and units that systemd itself accepts.

#include "schedule/systemd_task_scheduler.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "support/fresh_prefix.h"
#include "support/process.h"
#include "support/recording_runner.h"

namespace ordrex {
namespace {

namespace fs = std::filesystem;
using testsupport::ReadAll;
using testsupport::WriteAll;

TEST(TaskStatusText, KnownCodesHaveTheirTextsOthersTheirDigits) {
  const struct {
    std::uint32_t code;
    const char* text;
  } cases[] = {
      {0x00041300, "The task is ready to run at its next scheduled time."},
      {0x00041308, "Event triggers dont have set run times."},
      {0x80041309, "Trigger not found."},
      {0x80041315, "The Task Scheduler Service is not running."},
      {0x80070057, "The arguments are not valid."},
      {0x80004005, "80004005"},
      {0x00041309, "00041309"},
  };
  for (const auto& row : cases)
    EXPECT_EQ(TaskStatusText(row.code), row.text);
  EXPECT_EQ(StartFailureText(5), "00000005: Cannot start Task Scheduler");
  EXPECT_EQ(ConnectFailureText(0x80004005), "80004005: Cannot access Task Scheduler");
}

using testsupport::RecordingRunner;

class SystemdSchedulerTest : public testing::Test {
 protected:
  void SetUp() override {
    // Real programs, so that systemd-analyze finds what the service runs.
    for (const fs::path& program : {Executable(), Cli()}) {
      WriteAll(program, "#!/bin/sh\n");
      fs::permissions(program, fs::perms::owner_all);
    }
  }
  fs::path Folder() const { return scratch_.Path() / "config" / "systemd" / "user"; }
  fs::path Executable() const { return scratch_.Path() / "bin dir" / "ordrex"; }
  fs::path Cli() const { return scratch_.Path() / "bin dir" / "ordrex-cli"; }
  SystemdTaskScheduler Make(FileWriter* writer = nullptr) {
    return SystemdTaskScheduler(
        {Folder(), Executable().string(), Cli().string(), kPrefix, std::locale::classic(), writer},
        runner_, clock_);
  }
  // Every file of the unit folder with its bytes.
  std::map<std::string, std::string> Files() const {
    std::map<std::string, std::string> files;
    if (fs::exists(Folder()))
      for (const auto& entry : fs::directory_iterator(Folder()))
        files[entry.path().filename().string()] = ReadAll(entry.path());
    return files;
  }

  static constexpr const char* kPrefix = "/home/u/Wine 100% \"$HOME\"";
  testsupport::ScratchFolder scratch_;
  RecordingRunner runner_;
  ManualClock clock_{std::chrono::system_clock::from_time_t(1796641200)};  // 2026-12-07 11:00 UTC
};

TASK_TRIGGER Typed(TASK_TRIGGER_TYPE type) {
  TASK_TRIGGER t = DefaultTrigger({2026, 12, 7, 9, 30});
  t.TriggerType = type;
  return t;
}

// The triggers of every kind, with fields that only a lossless store keeps.
std::vector<TASK_TRIGGER> EveryKind() {
  TASK_TRIGGER daily = Typed(TASK_TIME_TRIGGER_DAILY);
  daily.Type.Daily.DaysInterval = 3;
  daily.MinutesInterval = 45;
  daily.MinutesDuration = 1500;
  TASK_TRIGGER weekly = Typed(TASK_TIME_TRIGGER_WEEKLY);
  weekly.Type.Weekly = {2, TASK_MONDAY | TASK_SUNDAY};
  weekly.rgFlags = TASK_TRIGGER_FLAG_HAS_END_DATE;
  TASK_TRIGGER dates = Typed(TASK_TIME_TRIGGER_MONTHLYDATE);
  dates.Type.MonthlyDate = {1u | 1u << 30, TASK_FEBRUARY | TASK_DECEMBER};
  TASK_TRIGGER lastFriday = Typed(TASK_TIME_TRIGGER_MONTHLYDOW);
  lastFriday.Type.MonthlyDOW = {TASK_LAST_WEEK, TASK_FRIDAY, kAllMonths};
  TASK_TRIGGER secondTuesday = lastFriday;
  secondTuesday.Type.MonthlyDOW = {TASK_SECOND_WEEK, TASK_TUESDAY, TASK_MAY};
  TASK_TRIGGER unused = Typed(TASK_TIME_TRIGGER_ONCE);
  unused.Reserved2 = 7;      // kept, though nothing reads it
  unused.wBeginYear = 2300;  // beyond calendar expressions
  return {daily,
          weekly,
          dates,
          lastFriday,
          secondTuesday,
          unused,
          Typed(TASK_EVENT_TRIGGER_ON_IDLE),
          Typed(TASK_EVENT_TRIGGER_AT_SYSTEMSTART),
          Typed(TASK_EVENT_TRIGGER_AT_LOGON)};
}

// Each kind stored into its own trigger; the first is the one creation added.
void StoreEveryKind(SystemdTaskScheduler& scheduler, std::uint16_t idleMinutes) {
  const std::vector<TASK_TRIGGER> kinds = EveryKind();
  for (std::size_t i = 0; i < kinds.size(); ++i) {
    if (i > 0) {
      ASSERT_TRUE(scheduler.AddTrigger());
    }
    scheduler.StoreTrigger(kinds[i], idleMinutes);
  }
}

void ExpectSameTriggers(SystemdTaskScheduler& scheduler,
                        const std::vector<TASK_TRIGGER>& expected) {
  ASSERT_EQ(scheduler.TriggerCount(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const auto fetched = scheduler.FetchTrigger(i);
    ASSERT_TRUE(fetched);
    EXPECT_EQ(std::memcmp(&*fetched, &expected[i], sizeof(TASK_TRIGGER)), 0) << "trigger " << i;
  }
}

TEST_F(SystemdSchedulerTest, AddEditRemoveAndDeleteGoThroughTheFiles) {
  SystemdTaskScheduler scheduler = Make();
  EXPECT_EQ(scheduler.StartTaskScheduler(), 0u);
  EXPECT_EQ(scheduler.FindProgramTask(), "");
  ASSERT_TRUE(scheduler.CreateProgramTask());
  EXPECT_EQ(scheduler.TaskName(), "Zentrix Ordrex");
  EXPECT_EQ(runner_.commands,
            (std::vector<std::string>{"systemctl --user show --property=Version",
                                      "systemctl --user daemon-reload",
                                      "systemctl --user enable --now zentrix-ordrex.timer"}));
  EXPECT_EQ(scheduler.Notice(), "");

  const std::vector<TASK_TRIGGER> kinds = EveryKind();
  StoreEveryKind(scheduler, 25);
  EXPECT_EQ(runner_.commands.back(), "systemctl --user enable zentrix-ordrex-startup.timer");
  EXPECT_EQ(Files().size(), 3u);

  SystemdTaskScheduler reread = Make();
  EXPECT_EQ(reread.FindProgramTask(), "Zentrix Ordrex");
  ExpectSameTriggers(reread, kinds);
  EXPECT_EQ(reread.IdleMinutes(), 25);
  EXPECT_EQ(reread.SavedPrefix(), kPrefix);
  EXPECT_EQ(reread.ReadTriggerTexts()[3],
            "At 10:30 on the last Friday of every month, starting 12/07/26");

  // Removing the middle one keeps the others in order; without start-up triggers the start-up
  // timer is disabled and goes.
  reread.RemoveTrigger(1);
  reread.RemoveTrigger(7);
  reread.RemoveTrigger(6);
  runner_.commands.clear();
  reread.RemoveTrigger(99);  // no such trigger: nothing happens
  EXPECT_TRUE(runner_.commands.empty());
  SystemdTaskScheduler third = Make();
  third.FindProgramTask();
  ExpectSameTriggers(third, {kinds[0], kinds[2], kinds[3], kinds[4], kinds[5], kinds[6]});
  EXPECT_FALSE(fs::exists(Folder() / "zentrix-ordrex-startup.timer"));

  runner_.commands.clear();
  third.DeleteProgramTask();
  EXPECT_EQ(runner_.commands,
            (std::vector<std::string>{"systemctl --user disable --now zentrix-ordrex.timer",
                                      "systemctl --user daemon-reload"}));
  EXPECT_TRUE(Files().empty());
  EXPECT_EQ(third.TaskName(), "");
  EXPECT_FALSE(third.AddTrigger());
}

TEST_F(SystemdSchedulerTest, AUnitOfThatNameRunningAnotherProgramIsLeftAlone) {
  const std::string foreign = "[Service]\nExecStart=/usr/bin/other --flag\n";
  WriteAll(Folder() / "zentrix-ordrex.service", foreign);
  SystemdTaskScheduler scheduler = Make();
  EXPECT_EQ(scheduler.FindProgramTask(), "");
  EXPECT_FALSE(scheduler.CreateProgramTask());
  EXPECT_EQ(scheduler.TaskName(), "");
  EXPECT_FALSE(scheduler.AddTrigger());
  EXPECT_EQ(Files(), (std::map<std::string, std::string>{{"zentrix-ordrex.service", foreign}}));
  EXPECT_TRUE(runner_.commands.empty());
}

TEST_F(SystemdSchedulerTest, FailuresLeaveTheFilesAsTheyWere) {
  {
    SystemdTaskScheduler scheduler = Make();
    ASSERT_TRUE(scheduler.CreateProgramTask());
    scheduler.StoreTrigger(EveryKind()[1], 10);
  }
  const auto before = Files();

  // The second of the new files cannot be written: the first is not put in place either.
  FaultInjectingFileWriter writer;
  writer.FailAfter(1, FaultInjectingFileWriter::Fault::kWhileWriting);
  SystemdTaskScheduler failing = Make(&writer);
  ASSERT_EQ(failing.FindProgramTask(), "Zentrix Ordrex");
  failing.FetchTrigger(0);
  EXPECT_THROW(failing.StoreTrigger(EveryKind()[8], 10), SchedulerError);
  EXPECT_EQ(Files(), before);
  ExpectSameTriggers(failing, {EveryKind()[1]});

  // A damaged record is reported, not read as some other trigger.
  std::string damaged = before.at("zentrix-ordrex.service");
  damaged.replace(damaged.find("Trigger=") + 20, 2, "zz");
  WriteAll(Folder() / "zentrix-ordrex.service", damaged);
  SystemdTaskScheduler reading = Make();
  try {
    reading.FindProgramTask();
    ADD_FAILURE() << "a damaged record was read";
  } catch (const SchedulerError& e) {
    EXPECT_NE(std::string(e.what()).find("trigger 1 cannot be read"), std::string::npos)
        << e.what();
  }
  EXPECT_EQ(ReadAll(Folder() / "zentrix-ordrex.service"), damaged);

  // The unit folder cannot be made: a file is in the way.
  testsupport::ScratchFolder other;
  WriteAll(other.Path() / "systemd", "not a folder");
  SystemdTaskScheduler blocked(
      {other.Path() / "systemd" / "user", Executable().string(), Cli().string(), kPrefix}, runner_,
      clock_);
  EXPECT_THROW(blocked.CreateProgramTask(), SchedulerError);
  EXPECT_EQ(ReadAll(other.Path() / "systemd"), "not a folder");
}

TEST_F(SystemdSchedulerTest, WithoutAUserManagerTheUnitsAreWrittenAndTheUserIsTold) {
  runner_.exitCodes = {{"systemctl --user show --property=Version", 1}};
  SystemdTaskScheduler scheduler = Make();
  EXPECT_EQ(scheduler.StartTaskScheduler(), 0u);
  EXPECT_NE(scheduler.Notice().find("systemctl --user enable --now zentrix-ordrex.timer"),
            std::string::npos);
  runner_.exitCodes = {{"systemctl --user daemon-reload", 1}};
  ASSERT_TRUE(scheduler.CreateProgramTask());
  EXPECT_NE(scheduler.Notice().find("\"systemctl --user daemon-reload\" ended with 1"),
            std::string::npos);
  EXPECT_EQ(runner_.commands.back(), "systemctl --user daemon-reload");
  EXPECT_EQ(Files().size(), 2u);
}

TEST_F(SystemdSchedulerTest, SystemdAcceptsTheUnits) {
  if (!testsupport::ProgramOnPath("systemd-analyze")) GTEST_SKIP() << "systemd-analyze is missing";
  SystemdTaskScheduler scheduler = Make();
  ASSERT_TRUE(scheduler.CreateProgramTask());
  StoreEveryKind(scheduler, 5);
  fs::create_directories(scratch_.Path() / "run");
  fs::permissions(scratch_.Path() / "run", fs::perms::owner_all);
  std::vector<std::string> verify = {"systemd-analyze", "verify", "--user"};
  for (const auto& [name, text] : Files())
    verify.push_back((Folder() / name).string());
  const auto result =
      testsupport::RunProcess(verify, {{"XDG_RUNTIME_DIR", (scratch_.Path() / "run").string()},
                                       {"XDG_CONFIG_HOME", (scratch_.Path() / "config").string()}});
  if (result.output.find("Failed to") == 0 && result.exitCode != 0)
    GTEST_SKIP() << "systemd-analyze cannot run here: " << result.output;
  EXPECT_EQ(result.exitCode, 0) << result.output;
  EXPECT_EQ(result.output, "");
}

}  // namespace
}  // namespace ordrex
