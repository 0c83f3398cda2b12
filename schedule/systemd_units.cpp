#include "schedule/systemd_units.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <numeric>
#include <set>

#include "schedule/next_run.h"
#include "schedule/task_scheduler.h"
#include "schedule/trigger_text.h"

namespace ordrex {

namespace {

constexpr const char* kDayAbbreviations[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::int64_t kMinutesPerDay = 1440;
constexpr int kFirstCalendarYear = 1970;
constexpr int kLastCalendarYear = 2199;
// The service manager runs the start-up timer this long after it starts, when a graphical
// session has had time to hand its display to the user's services.
constexpr const char* kStartupDelay = "1min";

std::string TwoDigits(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d", value);
  return text;
}

std::string Joined(const std::vector<std::string>& parts, const char* separator) {
  std::string text;
  for (const std::string& part : parts)
    text += (text.empty() ? "" : separator) + part;
  return text;
}

std::string WeekDays(std::uint16_t days) {
  std::vector<std::string> names;
  for (int i = 1; i <= 7; ++i)  // Monday first, as systemd normalises
    if ((days >> (i % 7)) & 1) names.emplace_back(kDayAbbreviations[i % 7]);
  return Joined(names, ",");
}

std::string Months(std::uint16_t months) {
  if ((months & kAllMonths) == kAllMonths) return "*";
  std::vector<std::string> numbers;
  for (int month = 1; month <= 12; ++month)
    if ((months >> (month - 1)) & 1) numbers.push_back(TwoDigits(month));
  return Joined(numbers, ",");
}

std::string MonthDays(std::uint32_t days) {
  std::vector<std::string> numbers;
  for (int day = 1; day <= 31; ++day)
    if ((days >> (day - 1)) & 1) numbers.push_back(TwoDigits(day));
  return Joined(numbers, ",");
}

// The days on which a run can start, as the date part of a calendar expression.
std::string DatePart(const TASK_TRIGGER& t) {
  switch (t.TriggerType) {
    case TASK_TIME_TRIGGER_ONCE:
      // Calendar expressions end with 2199; a later day is for the check to find.
      if (t.wBeginYear > kLastCalendarYear) return "*-*-*";
      return std::to_string(t.wBeginYear) + "-" + TwoDigits(t.wBeginMonth) + "-" +
             TwoDigits(t.wBeginDay);
    case TASK_TIME_TRIGGER_WEEKLY:
      return WeekDays(t.Type.Weekly.rgfDaysOfTheWeek) + " *-*-*";
    case TASK_TIME_TRIGGER_MONTHLYDATE:
      return "*-" + Months(t.Type.MonthlyDate.rgfMonths) + "-" +
             MonthDays(t.Type.MonthlyDate.rgfDays);
    case TASK_TIME_TRIGGER_MONTHLYDOW: {
      const MONTHLYDOW& rule = t.Type.MonthlyDOW;
      const std::string days = WeekDays(rule.rgfDaysOfTheWeek) + " *-" + Months(rule.rgfMonths);
      if (rule.wWhichWeek == TASK_LAST_WEEK) return days + "~07/1";  // the last seven days
      const int first = (rule.wWhichWeek - 1) * 7 + 1;
      return days + "-" + TwoDigits(first) + ".." + TwoDigits(first + 6);
    }
    default:  // daily: every N days from the begin date is for the check to sort out
      return "*-*-*";
  }
}

// Minutes of the day the local clock skips on some day of the year from `today` on, each with
// the minute of that day it jumps to (1440 or more when that is on the next day).
std::map<int, int> SkippedMinutes(const LocalDateTime& today) {
  const auto instant = [](std::int64_t day) {
    const LocalDateTime date = DateOfDayNumber(day);
    std::tm wall{};
    wall.tm_year = date.year - 1900;
    wall.tm_mon = date.month - 1;
    wall.tm_mday = date.day;
    wall.tm_isdst = -1;
    return std::mktime(&wall);
  };
  std::map<int, int> skipped;
  const std::int64_t first = DayNumber(today.year, today.month, today.day);
  for (std::int64_t day = first; day <= first + 366; ++day) {
    if (instant(day + 1) - instant(day) >= 86400) continue;
    for (std::int64_t scanned = day - 1; scanned <= day + 1; ++scanned) {
      for (int minute = 0; minute < kMinutesPerDay; ++minute) {
        const LocalDateTime time = AddMinutes(DateOfDayNumber(scanned), minute);
        const auto occurs = OccurringTime(time);
        if (!occurs || *occurs == time) continue;
        skipped[minute] = static_cast<int>(
            (DayNumber(occurs->year, occurs->month, occurs->day) - scanned) * kMinutesPerDay +
            occurs->hour * 60 + occurs->minute);
      }
    }
  }
  return skipped;
}

std::string HexRecord(const TASK_TRIGGER& trigger) {
  unsigned char bytes[kTriggerSize];
  std::memcpy(bytes, &trigger, kTriggerSize);
  std::string text;
  for (const unsigned char byte : bytes) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02x", byte);
    text += digits;
  }
  return text;
}

std::optional<TASK_TRIGGER> RecordOfHex(std::string_view text) {
  if (text.size() != 2 * kTriggerSize) return std::nullopt;
  unsigned char bytes[kTriggerSize];
  for (std::size_t i = 0; i < kTriggerSize; ++i) {
    unsigned value = 0;
    for (const char c : text.substr(2 * i, 2)) {
      const char* digits = "0123456789abcdef";
      const char* hit = c == '\0' ? nullptr : std::strchr(digits, c);
      if (hit == nullptr) return std::nullopt;
      value = value * 16 + static_cast<unsigned>(hit - digits);
    }
    bytes[i] = static_cast<unsigned char>(value);
  }
  TASK_TRIGGER trigger;
  std::memcpy(&trigger, bytes, kTriggerSize);
  if (trigger.cbTriggerSize != kTriggerSize) return std::nullopt;
  return trigger;
}

// A value in a unit file where systemd expands specifiers.
std::string EscapeSpecifiers(std::string_view text) {
  std::string escaped;
  for (const char c : text)
    escaped += c == '%' ? std::string("%%") : std::string(1, c);
  return escaped;
}

std::string UnescapeSpecifiers(std::string_view text) {
  std::string plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    plain += text[i];
    if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == '%') ++i;
  }
  return plain;
}

std::string_view Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// section -> key -> values in file order
using UnitFile = std::map<std::string, std::multimap<std::string, std::string>>;

UnitFile ParseUnitFile(std::string_view text) {
  UnitFile file;
  std::string section;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = Trimmed(text.substr(start, end - start));
    start = end + 1;
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    if (line.front() == '[' && line.back() == ']') {
      section = line.substr(1, line.size() - 2);
      continue;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    file[section].emplace(std::string(Trimmed(line.substr(0, equals))),
                          std::string(Trimmed(line.substr(equals + 1))));
  }
  return file;
}

const std::string* LastValue(const UnitFile& file, const std::string& section,
                             const std::string& key) {
  const auto found = file.find(section);
  if (found == file.end()) return nullptr;
  const auto [first, last] = found->second.equal_range(key);
  return first == last ? nullptr : &std::prev(last)->second;
}

SchedulerError Damaged(const std::string& source, const std::string& what) {
  return SchedulerError("The schedule in " + source + " is damaged (" + what +
                        "). Delete the schedule or correct the file, then try again.");
}

std::uint32_t NumberValue(const UnitFile& file, const std::string& key, std::uint32_t limit,
                          const std::string& source) {
  const std::string* text = LastValue(file, "X-Ordrex", key);
  if (text == nullptr) throw Damaged(source, key + " is missing");
  try {
    std::size_t used = 0;
    const unsigned long long value = std::stoull(*text, &used, 0);
    if (used == text->size() && value <= limit) return static_cast<std::uint32_t>(value);
  } catch (const std::exception&) {
  }
  throw Damaged(source, key + " is not a number up to " + std::to_string(limit));
}

}  // namespace

std::vector<std::string> CalendarExpressions(const TASK_TRIGGER& t, const LocalDateTime& today) {
  if (t.TriggerType == TASK_EVENT_TRIGGER_ON_IDLE) return {"*-*-* *:*:00"};
  if (!TriggerCanRun(t)) return {};
  if (t.TriggerType == TASK_TIME_TRIGGER_ONCE && t.wBeginYear < kFirstCalendarYear) return {};

  const std::int64_t start = t.wStartHour * 60 + t.wStartMinute;
  const bool repeats = t.MinutesInterval > 0 && t.MinutesDuration > 0;
  const std::int64_t interval = repeats ? t.MinutesInterval : 1;
  const std::int64_t runs = repeats ? (t.MinutesDuration + interval - 1) / interval : 1;
  bool spills = false;  // some run is on a later day than the one it belongs to
  std::set<int> minutes;
  // The minutes of the day repeat after at most a day's worth of steps.
  for (std::int64_t k = 0; k < std::min<std::int64_t>(runs, kMinutesPerDay + 1); ++k) {
    const std::int64_t minute = start + k * interval;
    spills = spills || minute >= kMinutesPerDay;
    minutes.insert(static_cast<int>(minute % kMinutesPerDay));
  }
  // A run set for a minute the clock skips happens when the clock jumps; that may be any day.
  const std::map<int, int> skipped = SkippedMinutes(today);
  for (const int minute : std::set<int>(minutes)) {
    const auto jump = skipped.find(minute);
    if (jump == skipped.end()) continue;
    spills = spills || jump->second >= kMinutesPerDay;
    minutes.insert(jump->second % static_cast<int>(kMinutesPerDay));
  }

  std::map<int, std::set<int>> minutesOfHour;
  for (const int minute : minutes)
    minutesOfHour[minute / 60].insert(minute % 60);
  std::map<std::set<int>, std::vector<std::string>> hoursOfMinutes;
  for (const auto& [hour, ofHour] : minutesOfHour)
    hoursOfMinutes[ofHour].push_back(TwoDigits(hour));
  const std::string date = spills ? "*-*-*" : DatePart(t);
  std::vector<std::string> expressions;
  for (const auto& [ofHour, hours] : hoursOfMinutes) {
    std::vector<std::string> minuteTexts;
    for (const int minute : ofHour)
      minuteTexts.push_back(TwoDigits(minute));
    expressions.push_back(date + " " + Joined(hours, ",") + ":" + Joined(minuteTexts, ",") + ":00");
  }
  return expressions;
}

std::string QuoteExecWord(std::string_view word) {
  std::string text;
  bool quote = word.empty();
  for (const char c : word) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '\\':
        text += "\\\\";
        break;
      case '"':
        text += "\\\"";
        break;
      case '\'':
        text += "\\'";
        break;
      case '%':
        text += "%%";
        break;
      case '$':
        text += "$$";
        break;
      case '\n':
        text += "\\n";
        break;
      case '\t':
        text += "\\t";
        break;
      default:
        if (byte < 0x20 || byte == 0x7F) {
          char escape[5];
          std::snprintf(escape, sizeof escape, "\\x%02x", byte);
          text += escape;
        } else {
          text += c;
        }
    }
    quote = quote || c == ' ' || c == ';' || byte < 0x20 || byte == 0x7F;
  }
  return quote ? "\"" + text + "\"" : text;
}

std::vector<std::string> SplitExecLine(std::string_view line) {
  std::vector<std::string> words;
  std::size_t i = 0;
  const auto fail = [&] {
    return SchedulerError("cannot read the command line: " + std::string(line));
  };
  while (true) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
      ++i;
    if (i == line.size()) return words;
    std::string word;
    char quote = 0;
    if (line[i] == '"' || line[i] == '\'') quote = line[i++];
    for (; i < line.size(); ++i) {
      const char c = line[i];
      if (quote != 0 ? c == quote : (c == ' ' || c == '\t')) break;
      if ((c == '%' || c == '$') && i + 1 < line.size() && line[i + 1] == c) {
        word += c;  // a doubled sign; a single one (a specifier or variable) stays as written
        ++i;
      } else if (c == '\\') {
        if (++i == line.size()) throw fail();
        switch (line[i]) {
          case 'n':
            word += '\n';
            break;
          case 't':
            word += '\t';
            break;
          case 'x': {
            if (i + 2 >= line.size()) throw fail();
            word += static_cast<char>(std::stoi(std::string(line.substr(i + 1, 2)), nullptr, 16));
            i += 2;
            break;
          }
          default:
            word += line[i];
        }
      } else {
        word += c;
      }
    }
    if (quote != 0) {
      if (i == line.size()) throw fail();
      ++i;  // the closing quote
    }
    words.push_back(std::move(word));
  }
}

UnitTexts RenderUnits(const ScheduledRun& run, const std::string& cliExecutable,
                      const LocalDateTime& today) {
  const WorkItem& item = run.item;
  std::vector<std::string> command = {item.ApplicationName};
  for (const std::string& word : SplitExecLine(item.Parameters))
    command.push_back(word);
  if (!run.prefix.empty()) {
    command.push_back("--prefix");
    command.push_back(run.prefix);
  }
  std::vector<std::string> quoted;
  for (const std::string& word : command)
    quoted.push_back(QuoteExecWord(word));

  UnitTexts texts;
  texts.service =
      "# Ordrex's scheduled scan. Ordrex writes this file again whenever the schedule changes in\n"
      "# its window or with \"ordrex-cli schedule\".\n"
      "[Unit]\n"
      "Description=" +
      EscapeSpecifiers(item.Name) +
      "\n"
      "After=graphical-session.target\n";
  if ((item.Flags & 0x40) != 0) texts.service += "ConditionACPower=true\n";  // not on batteries
  texts.service +=
      "\n[Service]\n"
      "Type=exec\n"
      // `schedule due` reads the schedule where the service manager found this file.
      "Environment=XDG_CONFIG_HOME=%E\n"
      "WorkingDirectory=" +
      EscapeSpecifiers(item.WorkingDirectory) +
      "\n"
      "ExecCondition=" +
      QuoteExecWord(cliExecutable) +
      " schedule due\n"
      "ExecStart=" +
      Joined(quoted, " ") +
      "\n"
      "\n[X-Ordrex]\n";
  char flags[16];
  std::snprintf(flags, sizeof flags, "0x%04X", static_cast<unsigned>(item.Flags));
  texts.service += std::string("Flags=") + flags + "\n" +
                   "IdleMinutes=" + std::to_string(item.IdleMinutes) + "\n" +
                   "IdleDeadlineMinutes=" + std::to_string(item.IdleDeadlineMinutes) + "\n";

  std::string calendar;
  bool atStartup = false;
  for (const TASK_TRIGGER& trigger : item.Triggers) {
    texts.service += "# " + TriggerText(trigger, item.IdleMinutes, std::locale::classic()) + "\n" +
                     "Trigger=" + HexRecord(trigger) + "\n";
    atStartup = atStartup || trigger.TriggerType == TASK_EVENT_TRIGGER_AT_SYSTEMSTART ||
                trigger.TriggerType == TASK_EVENT_TRIGGER_AT_LOGON;
    for (const std::string& expression : CalendarExpressions(trigger, today))
      if (calendar.find("OnCalendar=" + expression + "\n") == std::string::npos)
        calendar += "OnCalendar=" + expression + "\n";
  }
  const std::string header =
      "# When Ordrex's scheduled scan runs; written by Ordrex.\n[Unit]\n"
      "Description=" +
      EscapeSpecifiers(item.Name) + " schedule\n\n[Timer]\n";
  const std::string install = "\n[Install]\nWantedBy=timers.target\n";
  if (!calendar.empty())
    texts.timer = header + "Unit=" + kServiceUnitName + "\nAccuracySec=1s\n" + calendar + install;
  if (atStartup) {
    texts.startupTimer =
        header + "Unit=" + kServiceUnitName + "\nOnStartupSec=" + kStartupDelay + "\n" + install;
  }
  return texts;
}

std::vector<std::string> ServiceCommand(std::string_view serviceText, const std::string& source) {
  const UnitFile file = ParseUnitFile(serviceText);
  const std::string* line = LastValue(file, "Service", "ExecStart");
  if (line == nullptr) throw Damaged(source, "it runs no program");
  try {
    std::vector<std::string> command = SplitExecLine(*line);
    if (command.empty()) throw Damaged(source, "it runs no program");
    return command;
  } catch (const SchedulerError& e) {
    throw Damaged(source, e.what());
  }
}

ScheduledRun ReadServiceUnit(std::string_view serviceText, const std::string& source) {
  const std::vector<std::string> command = ServiceCommand(serviceText, source);
  const UnitFile file = ParseUnitFile(serviceText);
  if (!file.contains("X-Ordrex")) throw Damaged(source, "the [X-Ordrex] section is missing");
  ScheduledRun run;
  WorkItem& item = run.item;
  const std::string* name = LastValue(file, "Unit", "Description");
  item.Name = name == nullptr ? "" : UnescapeSpecifiers(*name);
  item.ApplicationName = command.front();
  const std::string* folder = LastValue(file, "Service", "WorkingDirectory");
  item.WorkingDirectory = folder == nullptr ? "" : UnescapeSpecifiers(*folder);
  std::vector<std::string> parameters;
  for (std::size_t i = 1; i < command.size(); ++i) {
    if (command[i] == "--prefix" && i + 1 < command.size()) {
      run.prefix = command[++i];
    } else {
      parameters.push_back(QuoteExecWord(command[i]));
    }
  }
  item.Parameters = Joined(parameters, " ");
  item.Flags = NumberValue(file, "Flags", 0xFFFFFFFF, source);
  item.IdleMinutes = static_cast<std::uint16_t>(NumberValue(file, "IdleMinutes", 0xFFFF, source));
  item.IdleDeadlineMinutes =
      static_cast<std::uint16_t>(NumberValue(file, "IdleDeadlineMinutes", 0xFFFF, source));
  const auto [first, last] = file.at("X-Ordrex").equal_range("Trigger");
  for (auto record = first; record != last; ++record) {
    const auto trigger = RecordOfHex(record->second);
    if (!trigger) {
      throw Damaged(source,
                    "trigger " + std::to_string(item.Triggers.size() + 1) + " cannot be read");
    }
    item.Triggers.push_back(*trigger);
  }
  if (item.Triggers.empty()) throw Damaged(source, "it has no trigger");
  return run;
}

}  // namespace ordrex
