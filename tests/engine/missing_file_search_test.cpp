#include "engine/missing_file_search.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/clock.h"
#include "support/drive_fixture.h"

namespace ordrex {
namespace {

using testsupport::DriveFixture;
using testsupport::ScratchFolder;

class MissingFileSearchTest : public ::testing::Test {
 protected:
  TOrdrex& Engine() {
    if (!engine_) engine_ = std::make_unique<TOrdrex>(drive_.Target(), clock_);
    return *engine_;
  }
  const std::vector<std::string>& Found(const std::string& name) {
    const int index = Engine().ErrorFiles.IndexOf(name);
    EXPECT_GE(index, 0) << name;
    return Engine().ErrorFiles.Items(index).Locations;
  }

  DriveFixture drive_;
  ManualClock clock_;
  std::unique_ptr<TOrdrex> engine_;
};

TEST_F(MissingFileSearchTest, EveryCopyIsRecordedWhateverItsCase) {
  drive_.File(R"(C:\Apps\Old\FOO.dll)").File(R"(C:\Backup\foo.DLL)").File(R"(C:\Apps\bar.exe)");
  TOrdrex& engine = Engine();
  engine.AddErrorFile(R"(D:\gone\foo.dll)");
  engine.AddErrorFile(R"(D:\gone\none.dll)");
  EXPECT_TRUE(SearchMissingFiles(engine, "C:\\"));

  std::vector<std::string> found = Found("FOO.DLL");
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<std::string>{R"(C:\Apps\Old\FOO.dll)", R"(C:\Backup\foo.DLL)"}));
  EXPECT_TRUE(Found("NONE.DLL").empty());
}

TEST_F(MissingFileSearchTest, LinksToFoldersAreNeverFollowed) {
  ScratchFolder outside;
  std::filesystem::create_directories(outside.Path() / "docs");
  std::ofstream(outside.Path() / "docs" / "foo.dll").put('x');
  drive_.File(R"(C:\users\me\real\foo.dll)");
  drive_.Link(R"(C:\users\me\Documents)", outside.Path() / "docs");
  // A link back up the tree would make an endless walk if it were followed.
  drive_.Link(R"(C:\users\me\loop)", drive_.HostPath(R"(C:\users)"));
  TOrdrex& engine = Engine();
  engine.AddErrorFile("foo.dll");
  EXPECT_TRUE(SearchMissingFiles(engine, R"(C:\users)"));
  EXPECT_EQ(Found("FOO.DLL"), (std::vector<std::string>{R"(C:\users\me\real\foo.dll)"}));
}

TEST_F(MissingFileSearchTest, CancellingStopsBeforeTheNextEntry) {
  for (int i = 0; i < 5; ++i)
    drive_.File(R"(C:\many\f)" + std::to_string(i) + ".dll");
  TOrdrex& engine = Engine();
  for (int i = 0; i < 5; ++i)
    engine.AddErrorFile("f" + std::to_string(i) + ".dll");
  int asked = 0;
  const bool done = SearchMissingFiles(engine, R"(C:\many\)", [&] { return ++asked > 2; });
  EXPECT_FALSE(done);
  EXPECT_EQ(asked, 3);
  int recorded = 0;
  for (int i = 0; i < engine.ErrorFileCount(); ++i) {
    recorded += static_cast<int>(engine.ErrorFiles.Items(i).Locations.size());
  }
  EXPECT_EQ(recorded, 2);
}

TEST_F(MissingFileSearchTest, ThePathShownIsThrottled) {
  for (int i = 0; i < 6; ++i)
    drive_.File(R"(C:\t\f)" + std::to_string(i) + ".txt");
  TOrdrex& engine = Engine();
  clock_.SetTick(10000);
  std::vector<std::string> shown;
  // 50 ms pass before each entry: a path is shown for the first entry and then once 101 ms
  // have passed since the last one shown, that is, every third entry.
  SearchMissingFiles(
      engine, R"(C:\t)",
      [&] {
        clock_.AdvanceTick(50);
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
  std::filesystem::permissions(drive_.HostPath(R"(C:\locked)"), std::filesystem::perms::none);
  TOrdrex& engine = Engine();
  engine.AddErrorFile("foo.dll");
  EXPECT_TRUE(SearchMissingFiles(engine, "C:\\"));
  std::filesystem::permissions(drive_.HostPath(R"(C:\locked)"), std::filesystem::perms::owner_all);
  EXPECT_EQ(Found("FOO.DLL"), (std::vector<std::string>{R"(C:\open\foo.dll)"}));
}

TEST_F(MissingFileSearchTest, SearchFoldersFollowTheOptions) {
  std::filesystem::create_directories(drive_.PrefixPath() / "drive_d");
  std::filesystem::create_symlink("../drive_d", drive_.PrefixPath() / "dosdevices" / "d:");
  std::filesystem::create_symlink("/", drive_.PrefixPath() / "dosdevices" / "z:");
  // The drive table is read when the file system opens the prefix.
  PrefixFileSystem files(drive_.PrefixPath());
  drive_.Target().SetFiles(files);
  TOrdrex& engine = Engine();
  const std::vector<std::string> mine = {R"(E:\Data)", R"(C:\Apps)"};
  EXPECT_EQ(MissingFileSearchFolders(engine, true, mine, true), mine);
  // The whole host behind z: is no drive of the Windows system.
  EXPECT_EQ(MissingFileSearchFolders(engine, false, mine, true),
            (std::vector<std::string>{R"(C:\)", R"(D:\)"}));
  EXPECT_EQ(MissingFileSearchFolders(engine, false, mine, false),
            (std::vector<std::string>{R"(C:\)"}));
}

TEST_F(MissingFileSearchTest, SeveralFoldersAreSearchedInOrder) {
  drive_.File(R"(C:\b\foo.dll)").File(R"(C:\a\foo.dll)");
  TOrdrex& engine = Engine();
  engine.AddErrorFile("foo.dll");
  EXPECT_TRUE(
      SearchMissingFiles(engine, std::vector<std::string>{R"(C:\b)", R"(C:\a\)", R"(C:\missing)"}));
  EXPECT_EQ(Found("FOO.DLL"), (std::vector<std::string>{R"(C:\b\foo.dll)", R"(C:\a\foo.dll)"}));
}

}  // namespace
}  // namespace ordrex
