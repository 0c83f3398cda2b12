#include "support/fresh_prefix.h"

#include <gtest/gtest.h>

#include <fstream>

namespace ordrex::testsupport {
namespace {

namespace fs = std::filesystem;

TEST(FreshWinePrefix, HasTheRegistryFilesAndNoServerLeftRunning) {
  const auto prefix = FreshWinePrefix();
  if (!prefix) GTEST_SKIP() << kWineMissing;
  for (const char* name : {"system.reg", "user.reg", "userdef.reg"}) {
    std::ifstream file(*prefix / name);
    std::string first;
    std::getline(file, first);
    EXPECT_EQ(first, "WINE REGISTRY Version 2") << name;
  }
  EXPECT_TRUE(fs::is_symlink(*prefix / "dosdevices" / "c:"));
  // A second call in the same process gives the same folder without making it again.
  EXPECT_EQ(FreshWinePrefix(), prefix);
}

TEST(PrefixCopy, CopiesLinksAsLinksAndLeavesOutSystemFilesWhenAsked) {
  ScratchFolder source;
  const fs::path from = source.Path() / "p";
  fs::create_directories(from / "dosdevices");
  fs::create_directories(from / "drive_c/windows/system32");
  fs::create_directories(from / "drive_c/users/me");
  std::ofstream(from / "system.reg") << "WINE REGISTRY Version 2\n";
  std::ofstream(from / "drive_c/windows/system32/kernel32.dll") << "MZ";
  fs::create_directory_symlink("../drive_c", from / "dosdevices/c:");
  fs::create_directory_symlink("/", from / "dosdevices/z:");
  fs::create_directory_symlink(source.Path(), from / "drive_c/users/me/Desktop");
  fs::permissions(from / "system.reg", fs::perms::owner_read | fs::perms::owner_write);

  fs::path copied;
  {
    PrefixCopy copy(from, PrefixCopyScope::kWithoutSystemFiles);
    copied = copy.Path();
    EXPECT_EQ(fs::read_symlink(copied / "dosdevices/c:"), "../drive_c");
    EXPECT_EQ(fs::read_symlink(copied / "dosdevices/z:"), "/");
    EXPECT_TRUE(fs::is_symlink(copied / "drive_c/users/me/Desktop"));
    EXPECT_TRUE(fs::is_directory(copied / "drive_c/windows/system32"));
    EXPECT_FALSE(fs::exists(copied / "drive_c/windows/system32/kernel32.dll"));
    EXPECT_EQ(fs::status(copied / "system.reg").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
  }
  EXPECT_FALSE(fs::exists(copied));
  // Removing the copy went through no link: what the links point at is still there.
  EXPECT_TRUE(fs::exists(from / "system.reg"));

  PrefixCopy whole(from);
  EXPECT_TRUE(fs::exists(whole.Path() / "drive_c/windows/system32/kernel32.dll"));
}

}  // namespace
}  // namespace ordrex::testsupport
