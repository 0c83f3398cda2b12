// The path checks on a prefix that Wine itself made: the folders it reports, the programs it
// installs, and its own environment.

#include <gtest/gtest.h>

#include "engine/path_checks.h"
#include "platform/clock.h"
#include "platform/text.h"
#include "platform/wine/wine_prefix_target.h"
#include "support/fresh_prefix.h"

namespace ordrex {
namespace {

using testsupport::FreshWinePrefix;
using testsupport::kWineMissing;

TEST(PathChecksOnWine, KnownFoldersAndProgramsOfAFreshPrefix) {
  const auto prefix = FreshWinePrefix();
  if (!prefix) GTEST_SKIP() << kWineMissing;
  std::unique_ptr<WinePrefixTarget> target = OpenWinePrefix(*prefix, SystemClock::Instance());
  const PathChecks paths(*target);
  const KnownLocations& known = paths.Known();

  EXPECT_TRUE(SameText(known.WindowsDir, R"(C:\windows\)")) << known.WindowsDir;
  EXPECT_EQ(known.SystemRootDrive, R"(C:\)");
  EXPECT_TRUE(SameText(known.SystemDir, R"(C:\windows\system32\)")) << known.SystemDir;
  EXPECT_TRUE(SameText(known.ProgramFilesDir, R"(C:\Program Files\)")) << known.ProgramFilesDir;
  EXPECT_TRUE(known.IsNT);
  EXPECT_TRUE(known.IsWin2000OrLater);
  for (const std::string* folder :
       {&known.StartMenuDir, &known.CommonStartMenuDir, &known.AppDataDir, &known.RecentDir}) {
    ASSERT_FALSE(folder->empty());
    EXPECT_TRUE(folder->ends_with('\\')) << *folder;
    EXPECT_TRUE(paths.IsFolder(*folder)) << *folder;
  }

  // Programs Wine installs are found by name along its PATH, and through its variables.
  EXPECT_TRUE(paths.FileFound("notepad.exe"));
  EXPECT_TRUE(paths.FileFound("REGEDIT.EXE"));
  EXPECT_TRUE(paths.FileFound(R"(%SystemRoot%\system32\kernel32.dll)"));
  EXPECT_TRUE(paths.FileFound(R"(%windir%\system32\drivers)"));
  EXPECT_FALSE(paths.FileFound("no-such-program.exe"));
  EXPECT_TRUE(paths.IsSystemFile(R"(%SystemRoot%\system32\kernel32.dll)"));
  EXPECT_FALSE(paths.IsSystemFile(R"(C:\Program Files\App\app.dll)"));

  // A command line as Wine registers them.
  std::string command = R"("C:\windows\system32\notepad.exe" "%1")";
  paths.CleanPathValue(command);
  EXPECT_TRUE(SameText(command, R"(C:\windows\system32\notepad.exe)")) << command;

  // A found file written back for every user of the machine.
  const std::string collapsed = paths.CollapseEnvPath(known.WindowsDir + "system32\\x.dll", true);
  EXPECT_TRUE(collapsed.starts_with('%') && collapsed.ends_with(R"(%\system32\x.dll)"))
      << collapsed;
}

}  // namespace
}  // namespace ordrex
