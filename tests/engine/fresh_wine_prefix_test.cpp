// Nothing stale in a prefix just made by wineboot: the path checks know its folders and programs.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/wine/wine_prefix_target.h"
#include "support/fresh_prefix.h"
#include "support/prefix_engine.h"

namespace ordrex {
namespace {

using ::testing::IsEmpty;
using namespace testsupport;

TEST(FreshWinePrefix, RulesFindNothingStale) {
  const auto prefix = FreshWinePrefix();
  if (!prefix) GTEST_SKIP() << kWineMissing;
  const auto target = OpenWinePrefix(*prefix, SystemClock::Instance());
  TOrdrex engine(*target);
  // Every category the family lists, over the whole drive, not only the usual folders.
  engine.MSDOS.ScanWholeDrive = true;
  engine.Windows.ScanWholeDrive = true;
  RunScan(engine);
  EXPECT_EQ(engine.EndedEarly, "");
  // Wine 8 registers two things it never supplies, stale in every prefix: the font "MS Serif"
  // (in no Wine font package) and the WPF font cache service (only with wine-mono).
  const auto wineOwn = [](const std::string& line) {
    return line.find(R"(\Fonts\ | MS Serif | serife.fon | Font not found)") != line.npos ||
           line.find(R"(\Services\FontCache3.0.0.0 | ImagePath | )"
                     R"(C:\windows\Microsoft.Net\Framework\v3.0\wpf\presentationfontcache.exe)"
                     " | File not found") != line.npos;
  };
  for (TCustomOrdrex* category : engine.Categories()) {
    std::vector<std::string> lines = Problems(*category);
    std::erase_if(lines, wineOwn);
    EXPECT_THAT(lines, IsEmpty()) << category->Title;
    if (category->Listed) {
      EXPECT_EQ(category->StatusText, kStateFinished) << category->Title;
    }
  }
}

}  // namespace
}  // namespace ordrex
