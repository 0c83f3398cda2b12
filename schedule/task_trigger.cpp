#include "schedule/task_trigger.h"

#include <filesystem>

namespace ordrex {

namespace {

std::size_t Utf16Length(std::string_view utf8) {
  std::size_t units = 0;
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte & 0xC0) == 0x80) continue;  // continuation byte
    units += byte >= 0xF0 ? 2 : 1;        // beyond the basic plane: a surrogate pair
  }
  return units;
}

}  // namespace

TASK_TRIGGER DefaultTrigger(const LocalDateTime& now) {
  TASK_TRIGGER trigger{};
  trigger.cbTriggerSize = kTriggerSize;
  trigger.wBeginYear = static_cast<std::uint16_t>(now.year);
  trigger.wBeginMonth = static_cast<std::uint16_t>(now.month);
  trigger.wBeginDay = static_cast<std::uint16_t>(now.day);
  const bool leapDay = now.month == 2 && now.day == 29;
  trigger.wEndYear = static_cast<std::uint16_t>(now.year + 1);
  trigger.wEndMonth = static_cast<std::uint16_t>(now.month);
  trigger.wEndDay = static_cast<std::uint16_t>(leapDay ? 28 : now.day);
  trigger.wStartHour = static_cast<std::uint16_t>(now.hour == 23 ? 0 : now.hour + 1);
  trigger.wStartMinute = static_cast<std::uint16_t>(now.minute);
  trigger.TriggerType = TASK_TIME_TRIGGER_ONCE;
  return trigger;
}

void CheckSchedulerString(std::string_view text, std::string_view what) {
  const std::size_t length = Utf16Length(text);
  if (length <= kMaxSchedulerStringLength) return;
  throw SchedulerStringTooLong("The " + std::string(what) + " is " + std::to_string(length) +
                               " characters long; the scheduler keeps at most " +
                               std::to_string(kMaxSchedulerStringLength) + ".");
}

WorkItem ProgramWorkItem(const std::string& executable, const LocalDateTime& now) {
  WorkItem item;
  item.Name = "Zentrix Ordrex";
  item.ApplicationName = executable;
  item.WorkingDirectory = std::filesystem::path(executable).parent_path().string();
  item.Parameters = "/auto";
  item.Flags = kProgramTaskFlags;
  CheckSchedulerString(item.ApplicationName, "program path");
  CheckSchedulerString(item.WorkingDirectory, "program folder");
  item.Triggers.push_back(DefaultTrigger(now));
  return item;
}

}  // namespace ordrex
