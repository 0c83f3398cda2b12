#pragma once
// The window's pages. The numbers are the ones the wizard remembers (the last work page) and the
// ones the rules about pages compare, so they are kept even where a page is not built yet.

namespace ordrex::gui {

enum class Page : int {
  Contact = 0,
  Options = 2,
  Restore = 3,
  OptSched = 4,
  Select = 5,
  Scan = 6,
  Result = 7,
  Repair = 8,
  Detail = 9,
  EditSched = 10,
  SchedDaily = 11,
  SchedWeekly = 12,
  SchedMonthly = 13,
  SchedOnce = 14,
  SchedIdle = 15,
  Dir = 16,
  Ignore = 17,
};

// Pages 5 to 9 are the scan wizard; the Scan button returns to the last of them that was shown.
constexpr bool IsWorkPage(Page page) {
  return static_cast<int>(page) >= static_cast<int>(Page::Select) &&
         static_cast<int>(page) <= static_cast<int>(Page::Detail);
}

// What the Options button shows, as the options pages leave it: 0 the options page, 1 the
// scheduled task list, 2 the schedule editor, 3 the search directories, 4 the ignore list.
constexpr Page OptionsSubPageTarget(int subPage) {
  constexpr Page kPages[] = {Page::Options, Page::OptSched, Page::EditSched, Page::Dir,
                             Page::Ignore};
  return subPage >= 0 && subPage < 5 ? kPages[subPage] : Page::Options;
}

// The object name of each page's widget, as tests and screenshots find it.
const char* PageObjectName(Page page);

}  // namespace ordrex::gui
