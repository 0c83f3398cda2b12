#include "platform/drive_folders.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/fresh_prefix.h"

namespace ordrex {
namespace {

namespace fs = std::filesystem;
using testsupport::ScratchFolder;

// Host folders of a drive table with a drive mounted inside another, a drive whose folder is
// gone and a link into a drive; "Z:" is the whole host only where a row adds it.
TEST(DriveFolders, HostFolderBecomesTheWindowsFolderOfTheNearestDrive) {
  ScratchFolder scratch;
  const fs::path c = scratch.Path() / "drive_c";
  fs::create_directories(c / "Program Files" / "mnt");
  fs::create_directories(c / "users" / "back\\slash");
  fs::create_directories(scratch.Path() / "elsewhere");
  fs::create_symlink(c / "Program Files", scratch.Path() / "link");
  const std::vector<DriveInfo> drives = {{'C', c, true},
                                         {'D', c / "Program Files" / "mnt", false},
                                         {'E', scratch.Path() / "gone", false}};
  std::vector<DriveInfo> withWholeHost = drives;
  withWholeHost.push_back({'Z', "/", false});
  const struct {
    fs::path host;
    bool wholeHost;
    std::optional<std::string> windows;
  } rows[] = {
      {c / "Program Files", false, "C:\\Program Files\\"},
      {c / "Program Files/", false, "C:\\Program Files\\"},
      {c / "users" / ".." / "Program Files", false, "C:\\Program Files\\"},
      {c, false, "C:\\"},
      {scratch.Path() / "link", false, "C:\\Program Files\\"},
      {c / "Program Files" / "mnt", false, "D:\\"},
      {c / "users" / "back\\slash", false, std::nullopt},
      {scratch.Path() / "elsewhere", false, std::nullopt},
      {scratch.Path() / "gone", false, std::nullopt},
      {c / "users", true, "C:\\users\\"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(WindowsFolderOnDrives(row.wholeHost ? withWholeHost : drives, row.host), row.windows)
        << row.host;
  }
  const std::string elsewhere = fs::canonical(scratch.Path() / "elsewhere").string();
  std::string expected = "Z:" + elsewhere + "\\";
  std::replace(expected.begin(), expected.end(), '/', '\\');
  EXPECT_EQ(WindowsFolderOnDrives(withWholeHost, scratch.Path() / "elsewhere"), expected);
  EXPECT_EQ(DriveHostFolder(drives, 'd'), c / "Program Files" / "mnt");
  EXPECT_EQ(DriveHostFolder(drives, 'F'), fs::path());
}

}  // namespace
}  // namespace ordrex
