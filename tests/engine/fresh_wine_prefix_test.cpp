// A prefix just made by wineboot: the path checks know its folders, programs and environment,
// and the rules find nothing stale in it.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/path_checks.h"
#include "platform/text.h"
#include "platform/wine/wine_prefix_target.h"
#include "support/fresh_prefix.h"
#include "support/prefix_engine.h"

namespace ordrex {
namespace {

using ::testing::IsEmpty;
using namespace testsupport;

class FreshWinePrefixTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto prefix = FreshWinePrefix();
    if (!prefix) GTEST_SKIP() << kWineMissing;
    target_ = OpenWinePrefix(*prefix, SystemClock::Instance());
  }
  std::unique_ptr<WinePrefixTarget> target_;
};

TEST_F(FreshWinePrefixTest, PathChecksKnowItsFoldersAndPrograms) {
  const PathChecks paths(*target_);
  const KnownLocations& known = paths.Known();
  EXPECT_TRUE(SameText(known.SystemDir, R"(C:\windows\system32\)")) << known.SystemDir;
  EXPECT_TRUE(SameText(known.ProgramFilesDir, R"(C:\Program Files\)")) << known.ProgramFilesDir;
  EXPECT_TRUE(known.IsWin2000OrLater);
  for (const std::string* folder :
       {&known.StartMenuDir, &known.CommonStartMenuDir, &known.AppDataDir, &known.RecentDir}) {
    ASSERT_FALSE(folder->empty());
    EXPECT_TRUE(folder->ends_with('\\')) << *folder;
    EXPECT_TRUE(paths.IsFolder(*folder)) << *folder;
  }
  // Programs Wine installs are found by name along its PATH, and through its variables.
  EXPECT_TRUE(paths.FileFound("REGEDIT.EXE"));
  EXPECT_TRUE(paths.FileFound(R"(%windir%\system32\drivers)"));
  EXPECT_FALSE(paths.FileFound("no-such-program.exe"));
}

TEST_F(FreshWinePrefixTest, RulesFindNothingStale) {
  TOrdrex engine(*target_);
  // Every category the family lists, over the whole drive, not only the usual folders.
  engine.MSDOS.ScanWholeDrive = true;
  engine.Windows.ScanWholeDrive = true;
  RunScan(engine);
  EXPECT_EQ(engine.EndedEarly, "");
  // Wine 8 registers two things it never supplies: the font "MS Serif" (serife.fon is in no
  // Wine font package) and the WPF font cache service (its program comes only with wine-mono).
  // They are stale in every prefix, so they are found; nothing else may be.
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
