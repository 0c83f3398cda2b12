#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>

#include "app/cli/cli_context.h"
#include "schedule/systemd_task_scheduler.h"

namespace ordrex::cli {

// `ordrex-cli schedule`: the scheduled scan's triggers (list, add, remove), and `due`, which
// the scheduled run's service asks whether now is a run time.
class ScheduleCommand {
 public:
  explicit ScheduleCommand(CliContext& context) : context_(context) {}
  CLI::App* Register(CLI::App& app);
  int Run();

 private:
  // The options of `add`, as given.
  struct AddOptions {
    std::string type, time, date, end, days, months, week, prefix;
    std::optional<int> every, day, repeatMinutes, repeatFor, idleMinutes;
  };

  int List();
  int Add();
  int Remove();
  int Due();
  // The trigger `add` describes; throws std::invalid_argument with the message for the user.
  TASK_TRIGGER TriggerOfOptions(std::uint16_t& idleMinutes) const;
  SystemdSchedulerSetup Setup() const;
  // Prints `message` as the command's one line of failure and gives the usage exit code.
  int Fail(const std::string& message);

  CliContext& context_;
  CLI::App* verb_ = nullptr;
  std::string action_ = "list";
  std::string number_;
  bool json_ = false;
  bool all_ = false;
  AddOptions add_;
};

}  // namespace ordrex::cli
