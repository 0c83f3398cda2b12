#pragma once
// The line that describes a trigger in the schedule list, in the words a desktop scheduler
// uses ("At 10:00 every Monday of every week, starting 07/12/26"), with the date and the time
// written the way `locale` writes them.

#include <locale>
#include <string>
#include <vector>

#include "schedule/task_trigger.h"

namespace ordrex {

// `idleMinutes` is the work item's idle wait, which only the idle trigger mentions.
std::string TriggerText(const TASK_TRIGGER& trigger, unsigned idleMinutes,
                        const std::locale& locale);

// One line per trigger of `item`, in trigger order.
std::vector<std::string> ReadTriggerTexts(const WorkItem& item, const std::locale& locale);

}  // namespace ordrex
