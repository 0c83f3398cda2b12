// A prefix just made by wineboot is clean: the COM registration, file association, context
// menu and Open-With rules must find nothing there.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/wine/wine_prefix_target.h"
#include "support/fresh_prefix.h"
#include "support/rule_test_support.h"

namespace ordrex {
namespace {

using ::testing::IsEmpty;

TEST(FreshPrefixComShell, ReportsNothing) {
  const auto prefix = testsupport::FreshWinePrefix();
  if (!prefix) GTEST_SKIP() << testsupport::kWineMissing;
  std::unique_ptr<WinePrefixTarget> target = OpenWinePrefix(*prefix, SystemClock::Instance());
  TOrdrex engine(*target);
  const std::vector<TCustomOrdrex*> mine = {&engine.RegIntegrity, &engine.ActiveX,
                                            &engine.Interface,    &engine.FileAssociate,
                                            &engine.Popup,        &engine.Application};
  for (TCustomOrdrex* category : engine.Categories()) {
    category->Enabled = std::find(mine.begin(), mine.end(), category) != mine.end();
  }
  engine.Clear();
  engine.Stop(false);
  engine.Scan();
  engine.Stop(true);
  EXPECT_EQ(engine.EndedEarly, "");
  for (TCustomOrdrex* category : mine) {
    EXPECT_THAT(testsupport::Problems(*category), IsEmpty()) << category->Title;
    EXPECT_EQ(category->StatusText, "Finished") << category->Title;
  }
}

}  // namespace
}  // namespace ordrex
