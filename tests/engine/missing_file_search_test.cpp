#include "engine/missing_file_search.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "support/drive_fixture.h"

namespace ordrex {
namespace {

namespace fs = std::filesystem;
using testsupport::DriveFixture;
using testsupport::ScratchFolder;
using Paths = std::vector<std::string>;

class MissingFileSearchTest : public ::testing::Test {
 protected:
  // Where the search found the missing file of that name.
  const Paths& Found(const std::string& name) {
    const int index = drive_.Engine().ErrorFiles.IndexOf(name);
    EXPECT_GE(index, 0) << name;
    return drive_.Engine().ErrorFiles.Items(index).Locations;
  }
  DriveFixture drive_;
};

TEST_F(MissingFileSearchTest, EveryCopyIsRecordedWhateverItsCaseFolderByFolder) {
  drive_.File(R"(C:\b\FOO.dll)").File(R"(C:\a\foo.DLL)").File(R"(C:\a\bar.exe)");
  TOrdrex& engine = drive_.Engine();
  engine.AddErrorFile(R"(D:\gone\foo.dll)");
  engine.AddErrorFile(R"(D:\gone\none.dll)");
  EXPECT_TRUE(SearchMissingFiles(engine, Paths{R"(C:\b)", R"(C:\a\)", R"(C:\missing)"}));
  EXPECT_EQ(Found("FOO.DLL"), (Paths{R"(C:\b\FOO.dll)", R"(C:\a\foo.DLL)"}));
  EXPECT_TRUE(Found("NONE.DLL").empty());
}

TEST_F(MissingFileSearchTest, LinksToFoldersAreNeverFollowed) {
  ScratchFolder outside;
  testsupport::WriteAll(outside.Path() / "docs" / "foo.dll", "x");
  drive_.File(R"(C:\users\me\real\foo.dll)");
  drive_.Link(R"(C:\users\me\Documents)", outside.Path() / "docs");
  // A link back up the tree would make an endless walk if it were followed.
  drive_.Link(R"(C:\users\me\loop)", drive_.HostPath(R"(C:\users)"));
  drive_.Engine().AddErrorFile("foo.dll");
  EXPECT_TRUE(SearchMissingFiles(drive_.Engine(), R"(C:\users)"));
  EXPECT_EQ(Found("FOO.DLL"), (Paths{R"(C:\users\me\real\foo.dll)"}));
}

TEST_F(MissingFileSearchTest, CancellingStopsBeforeTheNextEntry) {
  TOrdrex& engine = drive_.Engine();
  for (int i = 0; i < 5; ++i) {
    drive_.File(R"(C:\many\f)" + std::to_string(i) + ".dll");
    engine.AddErrorFile("f" + std::to_string(i) + ".dll");
  }
  int asked = 0;
  EXPECT_FALSE(SearchMissingFiles(engine, R"(C:\many\)", [&] { return ++asked > 2; }));
  EXPECT_EQ(asked, 3);
  std::size_t recorded = 0;
  for (int i = 0; i < engine.ErrorFileCount(); ++i)
    recorded += engine.ErrorFiles.Items(i).Locations.size();
  EXPECT_EQ(recorded, 2u);
}

TEST_F(MissingFileSearchTest, ThePathShownIsThrottled) {
  for (int i = 0; i < 6; ++i)
    drive_.File(R"(C:\t\f)" + std::to_string(i) + ".txt");
  drive_.Clock().SetTick(10000);
  Paths shown;
  // 50 ms pass before each entry: a path is shown for the first entry and then once 101 ms
  // have passed since the last one shown, that is, every third entry.
  SearchMissingFiles(
      drive_.Engine(), R"(C:\t)",
      [&] {
        drive_.Clock().AdvanceTick(50);
        return false;
      },
      [&](const std::string& path) { shown.push_back(path); });
  ASSERT_EQ(shown.size(), 2u);
  for (const std::string& path : shown)
    EXPECT_TRUE(path.starts_with(R"(C:\t\f)")) << path;
}

TEST_F(MissingFileSearchTest, AnUnreadableFolderYieldsNothing) {
  if (::geteuid() == 0) GTEST_SKIP() << "folder permissions do not bind the superuser";
  drive_.File(R"(C:\locked\foo.dll)").File(R"(C:\open\foo.dll)");
  fs::permissions(drive_.HostPath(R"(C:\locked)"), fs::perms::none);
  drive_.Engine().AddErrorFile("foo.dll");
  EXPECT_TRUE(SearchMissingFiles(drive_.Engine(), "C:\\"));
  fs::permissions(drive_.HostPath(R"(C:\locked)"), fs::perms::owner_all);
  EXPECT_EQ(Found("FOO.DLL"), (Paths{R"(C:\open\foo.dll)"}));
}

TEST_F(MissingFileSearchTest, SearchFoldersFollowTheOptions) {
  fs::create_directories(drive_.Path() / "drive_d");
  fs::create_symlink("../drive_d", drive_.Path() / "dosdevices" / "d:");
  fs::create_symlink("/", drive_.Path() / "dosdevices" / "z:");
  // The drive table is read when the file system opens the prefix.
  PrefixFileSystem files(drive_.Path());
  drive_.Target().SetFiles(files);
  const Paths mine = {R"(E:\Data)", R"(C:\Apps)"};
  EXPECT_EQ(MissingFileSearchFolders(drive_.Engine(), true, mine, true), mine);
  // The whole host behind z: is no drive of the Windows system.
  EXPECT_EQ(MissingFileSearchFolders(drive_.Engine(), false, mine, true),
            (Paths{R"(C:\)", R"(D:\)"}));
  EXPECT_EQ(MissingFileSearchFolders(drive_.Engine(), false, mine, false), (Paths{R"(C:\)"}));
}

}  // namespace
}  // namespace ordrex
