#include "app/cli/schedule_command.h"

#include <bit>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "app/cli/json_writer.h"
#include "app/cli/target_options.h"
#include "app/settings/user_locale.h"
#include "schedule/due_check.h"
#include "schedule/next_run.h"
#include "schedule/trigger_text.h"

namespace ordrex::cli {

namespace fs = std::filesystem;

namespace {

constexpr int kListedRuns = 5;
constexpr std::uint16_t kDefaultIdleMinutes = 10;

// The trigger types by their names on the command line, and the options each takes.
enum TypeBit : unsigned {
  kDaily = 1,
  kWeekly = 2,
  kMonthly = 4,
  kOnce = 8,
  kStartup = 16,
  kLogon = 32,
  kIdle = 64,
};
constexpr unsigned kCalendarTypes = kDaily | kWeekly | kMonthly | kOnce;

struct TypeName {
  const char* name;
  TypeBit bit;
  TASK_TRIGGER_TYPE type;
};
constexpr TypeName kTypes[] = {
    {"daily", kDaily, TASK_TIME_TRIGGER_DAILY},
    {"weekly", kWeekly, TASK_TIME_TRIGGER_WEEKLY},
    {"monthly", kMonthly, TASK_TIME_TRIGGER_MONTHLYDATE},
    {"once", kOnce, TASK_TIME_TRIGGER_ONCE},
    {"startup", kStartup, TASK_EVENT_TRIGGER_AT_SYSTEMSTART},
    {"logon", kLogon, TASK_EVENT_TRIGGER_AT_LOGON},
    {"idle", kIdle, TASK_EVENT_TRIGGER_ON_IDLE},
};

constexpr const char* kDayNames[] = {"sun", "mon", "tue", "wed", "thu", "fri", "sat"};
constexpr const char* kMonthNames[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                       "jul", "aug", "sep", "oct", "nov", "dec"};
constexpr const char* kWeekNames[] = {"first", "second", "third", "fourth", "last"};

// Bits for the names in a comma-separated list ("mon,wed"): bit n for names[n].
template <std::size_t N>
unsigned NameBits(const std::string& list, const char* const (&names)[N], const char* option) {
  unsigned bits = 0;
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(',', start);
    if (end == std::string::npos) end = list.size();
    std::string name = list.substr(start, end - start);
    for (char& c : name)
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::size_t index = 0;
    while (index < N && name != names[index])
      ++index;
    if (index == N) {
      throw std::invalid_argument(std::string(option) + ": unknown name '" + name + "' (use " +
                                  names[0] + ", " + names[1] + ", ... " + names[N - 1] + ")");
    }
    bits |= 1u << index;
    start = end + 1;
  }
  return bits;
}

LocalDateTime DateOption(const std::string& text, const char* option) {
  int year = 0, month = 0, day = 0;
  char rest = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &year, &month, &day, &rest) != 3 ||
      !IsValidDate(year, month, day) || year < 1601 || year > 9999) {
    throw std::invalid_argument(std::string(option) + " takes a date as YYYY-MM-DD, not '" + text +
                                "'");
  }
  return {year, month, day, 0, 0};
}

std::string IsoTime(const LocalDateTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:00", t.year, t.month, t.day, t.hour,
                t.minute);
  return text;
}

fs::path OwnPath(const CliContext& context) {
  if (!context.executable.empty()) return context.executable;
  std::error_code error;
  return fs::read_symlink("/proc/self/exe", error);
}

}  // namespace

CLI::App* ScheduleCommand::Register(CLI::App& app) {
  verb_ = app.add_subcommand("schedule", "Show or change when Ordrex scans on its own");
  verb_->add_option("action", action_, "list (the default), add, remove N, or due")
      ->check(CLI::IsMember({"list", "add", "remove", "due"}));
  verb_->add_option("N", number_, "The trigger's number as `schedule list` shows it");
  verb_->add_flag("--json", json_, "list: print JSON");
  verb_->add_flag("--all", all_, "remove: remove the whole schedule");
  verb_->add_option("--type", add_.type, "add: the kind of trigger")
      ->check(CLI::IsMember({"daily", "weekly", "monthly", "once", "startup", "logon", "idle"}));
  verb_->add_option("--time", add_.time, "add: start time")->type_name("HH:MM");
  verb_->add_option("--date", add_.date, "add: start date (once: the day)")
      ->type_name("YYYY-MM-DD");
  verb_->add_option("--end", add_.end, "add: last day")->type_name("YYYY-MM-DD");
  verb_->add_option("--every", add_.every, "add: every N days or weeks")
      ->check(CLI::Range(1, 9999));
  verb_->add_option("--days", add_.days, "add: week days, as mon,wed,...")->type_name("DAYS");
  verb_->add_option("--months", add_.months, "add: months, as jan,feb,...")->type_name("MONTHS");
  CLI::Option* day =
      verb_->add_option("--day", add_.day, "add: day of the month")->check(CLI::Range(1, 31));
  CLI::Option* week = verb_->add_option("--week", add_.week, "add: which week day of the month")
                          ->check(CLI::IsMember({"first", "second", "third", "fourth", "last"}));
  day->excludes(week);
  verb_->add_option("--repeat-minutes", add_.repeatMinutes, "add: repeat every M minutes")
      ->check(CLI::Range(1, 9999 * 60));
  verb_->add_option("--repeat-for", add_.repeatFor, "add: repeat for D minutes")
      ->check(CLI::Range(1, 9999 * 60 + 59));
  verb_->add_option("--idle-minutes", add_.idleMinutes, "add: idle minutes before the scan")
      ->check(CLI::Range(1, 99));
  verb_->add_option("--prefix", add_.prefix, "The Wine prefix the scheduled scan reads")
      ->type_name("DIR");
  return verb_;
}

int ScheduleCommand::Fail(const std::string& message) {
  context_.err << "ordrex-cli: " << message << "\n";
  return kExitUsage;
}

int ScheduleCommand::Run() {
  static const char* const kAddOptions[] = {
      "--type", "--time", "--date",           "--end",        "--every",       "--days", "--months",
      "--day",  "--week", "--repeat-minutes", "--repeat-for", "--idle-minutes"};
  if (action_ != "add") {
    for (const char* option : kAddOptions)
      if (verb_->count(option) > 0) return Fail(std::string(option) + " goes with 'schedule add'");
  }
  if (action_ != "remove" && (!number_.empty() || all_))
    return Fail("'schedule " + action_ + "' takes no trigger number");
  if (json_ && action_ != "list") return Fail("--json goes with 'schedule list'");
  if (action_ == "list") return List();
  if (action_ == "add") return Add();
  if (action_ == "remove") return Remove();
  return Due();
}

SystemdSchedulerSetup ScheduleCommand::Setup() const {
  SystemdSchedulerSetup setup;
  setup.unitFolder = UserUnitFolder(context_.environment);
  const fs::path self = OwnPath(context_);
  setup.cliExecutable = self.string();
  setup.executable = (self.parent_path() / "ordrex").string();
  if (!add_.prefix.empty()) setup.prefix = fs::absolute(add_.prefix).lexically_normal().string();
  setup.locale = UserTimeLocale(context_.environment);
  return setup;
}

int ScheduleCommand::List() {
  SpawningProcessRunner spawning;
  SystemdTaskScheduler scheduler(
      Setup(), context_.processes != nullptr ? *context_.processes : spawning, context_.clock);
  try {
    scheduler.FindProgramTask();
  } catch (const SchedulerError& e) {
    return Fail(e.what());
  }
  const std::vector<std::string> texts = scheduler.ReadTriggerTexts();
  const LocalDateTime now = LocalTimeAt(std::chrono::system_clock::to_time_t(context_.clock.Now()));
  JsonWriter json(context_.out);
  if (json_) json.BeginArray();
  if (!json_ && texts.empty()) context_.out << "No scan is scheduled.\n";
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const TASK_TRIGGER trigger = *scheduler.FetchTrigger(i);
    const std::vector<LocalDateTime> next = NextRunTimes(trigger, now, kListedRuns);
    if (json_) {
      json.BeginObject().Key("index").Number(static_cast<std::int64_t>(i + 1));
      json.Key("text").String(texts[i]).Key("next").BeginArray();
      for (const LocalDateTime& time : next)
        json.String(IsoTime(time));
      json.EndArray().EndObject();
      continue;
    }
    context_.out << (i + 1) << ". " << texts[i] << "\n";
    if (!TriggerCanRun(trigger)) continue;  // runs on an event, not at set times
    std::string runs;
    for (const LocalDateTime& time : next) {
      std::string iso = IsoTime(time);
      runs += (runs.empty() ? "" : ", ") + iso.replace(10, 1, " ").substr(0, 16);
    }
    context_.out << "   Next runs: " << (runs.empty() ? "none" : runs) << "\n";
  }
  if (json_) {
    json.EndArray();
    context_.out << "\n";
  }
  return kExitOk;
}

TASK_TRIGGER ScheduleCommand::TriggerOfOptions(std::uint16_t& idleMinutes) const {
  const TypeName* type = nullptr;
  for (const TypeName& candidate : kTypes)
    if (add_.type == candidate.name) type = &candidate;
  if (type == nullptr) throw std::invalid_argument("'schedule add' needs --type");

  // Which types each option describes; the others would drop it without a word.
  static const struct {
    const char* option;
    unsigned types;
  } kOptionTypes[] = {
      {"--time", kCalendarTypes},
      {"--date", kCalendarTypes},
      {"--end", kDaily | kWeekly | kMonthly},
      {"--every", kDaily | kWeekly},
      {"--days", kWeekly | kMonthly},
      {"--months", kMonthly},
      {"--day", kMonthly},
      {"--week", kMonthly},
      {"--repeat-minutes", kCalendarTypes},
      {"--repeat-for", kCalendarTypes},
      {"--idle-minutes", kIdle},
  };
  for (const auto& [option, types] : kOptionTypes) {
    if (verb_->count(option) > 0 && (types & type->bit) == 0)
      throw std::invalid_argument(std::string(option) + " does not go with --type " + add_.type);
  }

  const LocalDateTime now = LocalTimeAt(std::chrono::system_clock::to_time_t(context_.clock.Now()));
  TASK_TRIGGER t = DefaultTrigger(now);
  t.TriggerType = type->type;
  if (!add_.date.empty()) {
    const LocalDateTime begin = DateOption(add_.date, "--date");
    t.wBeginYear = static_cast<std::uint16_t>(begin.year);
    t.wBeginMonth = static_cast<std::uint16_t>(begin.month);
    t.wBeginDay = static_cast<std::uint16_t>(begin.day);
  }
  if (!add_.end.empty()) {
    const LocalDateTime end = DateOption(add_.end, "--end");
    if (DayNumber(end.year, end.month, end.day) <
        DayNumber(t.wBeginYear, t.wBeginMonth, t.wBeginDay))
      throw std::invalid_argument("The end date must not be before the start date.");
    t.wEndYear = static_cast<std::uint16_t>(end.year);
    t.wEndMonth = static_cast<std::uint16_t>(end.month);
    t.wEndDay = static_cast<std::uint16_t>(end.day);
    t.rgFlags |= TASK_TRIGGER_FLAG_HAS_END_DATE;
  }
  if (!add_.time.empty()) {
    int hour = -1, minute = -1;
    char rest = 0;
    if (std::sscanf(add_.time.c_str(), "%2d:%2d%c", &hour, &minute, &rest) != 2 || hour < 0 ||
        hour > 23 || minute < 0 || minute > 59) {
      throw std::invalid_argument("--time takes HH:MM (00:00 to 23:59), not '" + add_.time + "'");
    }
    t.wStartHour = static_cast<std::uint16_t>(hour);
    t.wStartMinute = static_cast<std::uint16_t>(minute);
  }
  if (add_.repeatMinutes.has_value() != add_.repeatFor.has_value())
    throw std::invalid_argument("--repeat-minutes and --repeat-for go together");
  if (add_.repeatMinutes) {
    if (*add_.repeatFor <= *add_.repeatMinutes)
      throw std::invalid_argument("The duration must be greater than the repetition interval.");
    t.MinutesInterval = static_cast<std::uint32_t>(*add_.repeatMinutes);
    t.MinutesDuration = static_cast<std::uint32_t>(*add_.repeatFor);
  }

  const std::int64_t begin = DayNumber(t.wBeginYear, t.wBeginMonth, t.wBeginDay);
  const auto beginDay = static_cast<std::uint16_t>(1u << WeekDay(begin));
  const auto days = static_cast<std::uint16_t>(
      add_.days.empty() ? beginDay : NameBits(add_.days, kDayNames, "--days"));
  const auto every = static_cast<std::uint16_t>(add_.every.value_or(1));
  switch (type->bit) {
    case kDaily:
      t.Type.Daily.DaysInterval = every;
      break;
    case kWeekly:
      t.Type.Weekly = {every, days};
      break;
    case kMonthly: {
      const auto months = static_cast<std::uint16_t>(
          add_.months.empty() ? kAllMonths : NameBits(add_.months, kMonthNames, "--months"));
      if (!add_.week.empty()) {
        t.TriggerType = TASK_TIME_TRIGGER_MONTHLYDOW;
        const auto week = static_cast<std::uint16_t>(
            std::countr_zero(NameBits(add_.week, kWeekNames, "--week")) + TASK_FIRST_WEEK);
        t.Type.MonthlyDOW = {week, days, months};
      } else if (!add_.days.empty()) {
        throw std::invalid_argument("--days of a monthly trigger needs --week");
      } else {
        t.Type.MonthlyDate = {1u << (add_.day.value_or(t.wBeginDay) - 1), months};
      }
      break;
    }
    case kIdle:
      idleMinutes = static_cast<std::uint16_t>(add_.idleMinutes.value_or(kDefaultIdleMinutes));
      break;
    default:
      break;
  }
  return t;
}

int ScheduleCommand::Add() {
  SpawningProcessRunner spawning;
  SystemdTaskScheduler scheduler(
      Setup(), context_.processes != nullptr ? *context_.processes : spawning, context_.clock);
  try {
    scheduler.FindProgramTask();
    std::uint16_t idleMinutes = scheduler.IdleMinutes();
    const TASK_TRIGGER trigger = TriggerOfOptions(idleMinutes);
    scheduler.StartTaskScheduler();
    // One work item serves every target: it scans the one named last.
    if (add_.prefix.empty())
      scheduler.SetPrefix(scheduler.SavedPrefix().empty() ? PrefixFolder({}, context_).string()
                                                          : scheduler.SavedPrefix());
    if (!scheduler.AddProgramTrigger(trigger, idleMinutes)) {
      return Fail((UserUnitFolder(context_.environment) / kServiceUnitName).string() +
                  " runs another program; Ordrex leaves it alone");
    }
  } catch (const std::invalid_argument& e) {
    return Fail(e.what());
  } catch (const SchedulerError& e) {
    return Fail(e.what());
  }
  const std::size_t count = scheduler.TriggerCount();
  context_.out << "Added trigger " << count << ": " << scheduler.ReadTriggerTexts().back() << "\n";
  if (!scheduler.Notice().empty())
    context_.err << "ordrex-cli: warning: " << scheduler.Notice() << "\n";
  return kExitOk;
}

int ScheduleCommand::Remove() {
  if (all_ != number_.empty()) return Fail("'schedule remove' takes a trigger number or --all");
  SpawningProcessRunner spawning;
  SystemdTaskScheduler scheduler(
      Setup(), context_.processes != nullptr ? *context_.processes : spawning, context_.clock);
  try {
    if (scheduler.FindProgramTask().empty()) return Fail("no scan is scheduled");
    if (add_.prefix.empty()) scheduler.SetPrefix(scheduler.SavedPrefix());
    if (all_) {
      scheduler.DeleteProgramTask();
      context_.out << "Removed the schedule.\n";
    } else {
      const std::size_t count = scheduler.TriggerCount();
      std::size_t index = 0;
      if (number_.find_first_not_of("0123456789") != std::string::npos || number_.size() > 6 ||
          (index = std::stoul(number_)) < 1 || index > count) {
        return Fail("there is no trigger " + number_ + "; the schedule has triggers 1 to " +
                    std::to_string(count));
      }
      if (count == 1) {
        return Fail(
            "trigger 1 is the schedule's only trigger; remove the whole schedule with "
            "'schedule remove --all'");
      }
      scheduler.RemoveTrigger(index - 1);
      context_.out << "Removed trigger " << index << ".\n";
    }
  } catch (const SchedulerError& e) {
    return Fail(e.what());
  }
  if (!scheduler.Notice().empty())
    context_.err << "ordrex-cli: warning: " << scheduler.Notice() << "\n";
  return kExitOk;
}

int ScheduleCommand::Due() {
  const fs::path service = UserUnitFolder(context_.environment) / kServiceUnitName;
  std::error_code error;
  if (!fs::exists(service, error)) return kExitProblemsFound;
  ScheduledRun run;
  try {
    std::ifstream in(service, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    run = ReadServiceUnit(text.str(), service.string());
  } catch (const SchedulerError& e) {
    return Fail(e.what());
  }
  DueQuestion question;
  question.now = context_.clock.Now();
  // The service manager says when the timer fired; the check may start a moment later.
  if (const auto fired = context_.Env("TRIGGER_TIMER_REALTIME_USEC");
      fired && fired->size() <= 18 && fired->find_first_not_of("0123456789") == std::string::npos) {
    question.now = TimePoint(std::chrono::duration_cast<TimePoint::duration>(
        std::chrono::microseconds(std::stoll(*fired))));
  }
  question.atStartup = context_.Env("TRIGGER_UNIT") == kStartupTimerUnitName;
  for (const TASK_TRIGGER& trigger : run.item.Triggers) {
    if (trigger.TriggerType != TASK_EVENT_TRIGGER_ON_IDLE) continue;
    question.idleSince = context_.idleSince ? context_.idleSince() : LogindIdleSince();
    break;
  }
  return IsDue(run.item, question) ? kExitOk : kExitProblemsFound;
}

}  // namespace ordrex::cli
