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
  // Wine 8 registers two things it never supplies: the font "MS Serif" (serife.fon is in no
  // Wine font package) and the WPF font cache service (its program comes only with wine-mono).
  // They are stale in every prefix, so they are found; nothing else may be.
  const std::vector<std::string> wineOwn = {
      R"(\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Fonts\ | MS Serif | serife.fon | Font not found)",
      R"(\SYSTEM\CurrentControlSet\Services\FontCache3.0.0.0 | ImagePath | )"
      R"(C:\windows\Microsoft.Net\Framework\v3.0\wpf\presentationfontcache.exe | File not found)"};
  for (int index : mine) {
    const TCustomOrdrex& category = *engine.Category(index);
    std::vector<std::string> lines = Lines(category);
    std::erase_if(lines, [&](const std::string& line) {
      return std::find(wineOwn.begin(), wineOwn.end(), line) != wineOwn.end();
    });
    EXPECT_THAT(lines, IsEmpty()) << category.Title;
  }
}

}  // namespace
}  // namespace ordrex
