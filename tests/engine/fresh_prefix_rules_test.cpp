// A prefix just made by wineboot has nothing stale in it: the software, recent-list,
// shortcut and system-file rules must find nothing there.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <algorithm>

#include "engine/ordrex.h"
#include "platform/wine/wine_prefix_target.h"
#include "support/fresh_prefix.h"
#include "support/rules_scan.h"

namespace ordrex {
namespace {

using ::testing::IsEmpty;
using namespace testsupport;

TEST(FreshPrefixRules, ReportNothing) {
  const auto prefix = FreshWinePrefix();
  if (!prefix) GTEST_SKIP() << kWineMissing;
  std::unique_ptr<WinePrefixTarget> target = OpenWinePrefix(*prefix, SystemClock::Instance());
  TOrdrex engine(*target);
  const std::vector<int> mine = {
      kOldSoftwareIndex, kAppPathIndex,   kMruIndex,         kDeviceDriverIndex,
      kFontIndex,        kHelpIndex,      kSharedIndex,      kStartupIndex,
      kInstallerIndex,   kUninstallIndex, kStartMenuIndex,   kEventLogIndex,
      kVxdIndex,         kHistoryIndex,   kDosShortcutIndex, kWindowsShortcutIndex};
  for (TCustomOrdrex* category : engine.Categories()) {
    category->Enabled = std::find(mine.begin(), mine.end(), category->Index) != mine.end();
  }
  // The whole drive, not only the usual folders.
  engine.MSDOS.ScanWholeDrive = true;
  engine.Windows.ScanWholeDrive = true;
  RunScan(engine);
  EXPECT_EQ(engine.EndedEarly, "");
  for (int index : mine) {
    const TCustomOrdrex& category = *engine.Category(index);
    EXPECT_THAT(Lines(category), IsEmpty()) << category.Title;
  }
}

}  // namespace
}  // namespace ordrex
