// The walks of the drive for shortcut files and for missing files by name.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/missing_file_search.h"
#include "engine/shortcut_targets.h"
#include "platform/text.h"
#include "support/drive_fixture.h"
#include "support/prefix_engine.h"

namespace ordrex {
namespace {

using ::testing::ElementsAre;
using ::testing::StartsWith;
using ::testing::UnorderedElementsAre;
using namespace testsupport;
namespace fs = std::filesystem;
using Paths = std::vector<std::string>;

// A .PIF file whose program is gone: pre-selected by Windows Shortcut, not by MS-DOS Shortcut.
std::string Gone(const std::string& pif, const std::string& program, bool selected) {
  return pif + " | Target | " + program + " | Target not found | " +
         (selected ? "selected" : "unselected") + " | missing";
}

class ShortcutScanTest : public ::testing::Test {
 protected:
  TempPrefix prefix_;
  KnownLocations known_ = KnownOf(prefix_);
};

TEST_F(ShortcutScanTest, ProgramFieldsOfPifFilesInTheUsualFoldersOrTheWholeDrive) {
  const std::string win = known_.WindowsDir;
  prefix_
      .File(win + "old.pif", PifFile(R"(C:\GAMES\OLD.EXE)"))
      // A name found beside the .PIF file is meant relative to it.
      .File(win + R"(pifs\game.pif)", PifFile("GAME.EXE"))
      .File(win + R"(pifs\GAME.EXE)")
      // Shorter than the field: the field is what the file has.
      .File(win + "short.pif", PifFile(R"(C:\X.EXE)", 36 + 6))
      // An empty field names nothing.
      .File(win + "empty.pif", PifFile(""))
      .File(win + "blank.pif", PifFile("      "))
      // Shell links are not what this walk examines.
      .File(win + "gone.lnk", ShellLinkTo(R"(C:\Gone\x.exe)"))
      // Outside the usual folders of MS-DOS Shortcut.
      .File(R"(C:\Elsewhere\far.pif)", PifFile(R"(C:\GAMES\FAR.EXE)"))
      .File(known_.DesktopDir + "desk.pif", PifFile(R"(C:\GAMES\DESK.EXE)"));
  PrefixEngine scan(prefix_);
  scan.ScanOnly({&scan.Engine().MSDOS, &scan.Engine().Windows});
  EXPECT_THAT(Problems(scan.Engine().MSDOS),
              UnorderedElementsAre(Gone(win + "old.pif", R"(C:\GAMES\OLD.EXE)", false),
                                   Gone(win + "short.pif", R"(C:\X.E)", false)));
  EXPECT_THAT(Problems(scan.Engine().Windows),
              ElementsAre(Gone(known_.DesktopDir + "desk.pif", R"(C:\GAMES\DESK.EXE)", true)));
  // Over the whole drive, with Windows Shortcut alone.
  PrefixEngine whole(prefix_);
  whole.Engine().Windows.ScanWholeDrive = true;
  whole.ScanOnly({&whole.Engine().Windows});
  EXPECT_EQ(whole.Engine().MSDOS.Count(), 0);
  EXPECT_THAT(
      Problems(whole.Engine().Windows),
      UnorderedElementsAre(Gone(R"(C:\Elsewhere\far.pif)", R"(C:\GAMES\FAR.EXE)", true),
                           Gone(win + "old.pif", R"(C:\GAMES\OLD.EXE)", true),
                           Gone(win + "short.pif", R"(C:\X.E)", true),
                           Gone(known_.DesktopDir + "desk.pif", R"(C:\GAMES\DESK.EXE)", true)));
}

TEST_F(ShortcutScanTest, StopsAfterTheEntryDuringWhichItWasStopped) {
  for (const char* name : {"a.pif", "b.pif", "c.pif"})
    prefix_.File(known_.WindowsDir + name, PifFile(R"(C:\GAMES\GONE.EXE)"));
  PrefixEngine scan(prefix_);
  scan.Engine().OnProblem = [](TOrdrex& engine) { engine.Stop(true); };
  scan.ScanOnly({&scan.Engine().MSDOS, &scan.Engine().Windows});
  EXPECT_EQ(scan.Engine().MSDOS.Count(), 1);
  EXPECT_EQ(scan.Engine().Windows.StatusText, "Finished");
}

TEST_F(ShortcutScanTest, ShellLinkTargetsAsStored) {
  const std::string dir = R"(C:\Links\)";
  prefix_.File(dir + "tool.exe")
      .File(dir + "relative.lnk", ShellLinkRelative("tool.exe"))
      .File(dir + "long.lnk", ShellLinkTo("C:\\" + std::string(270, 'x') + ".exe"));
  std::unique_ptr<Target> target = prefix_.Open();
  PathChecks paths(*target);
  // A relative target found beside the shortcut is joined to its folder.
  EXPECT_EQ(ResolveShortcutTarget(paths, dir + "relative.lnk"), dir + "tool.exe");
  // Too long to be a target: refused, not cut to some other path.
  bool refused = false;
  EXPECT_EQ(ResolveShortcutTarget(paths, dir + "long.lnk", &refused), "");
  EXPECT_TRUE(refused);
  EXPECT_EQ(ResolveShortcutTarget(paths, dir + "missing.lnk", &refused), "");
  EXPECT_FALSE(refused);
}

// One folder that cannot be listed and one file that cannot be read (the tests may run as root).
class RefusingFiles : public PrefixFileSystem {
 public:
  using PrefixFileSystem::PrefixFileSystem;
  std::optional<std::vector<DirEntry>> List(std::string_view folder) override {
    if (SameText(IncludeTrailingBackslash(folder), R"(C:\windows\a-locked\)")) return std::nullopt;
    return PrefixFileSystem::List(folder);
  }
  std::optional<Bytes> ReadFile(std::string_view path, std::size_t maxBytes) override {
    if (SameText(path, R"(C:\windows\b-open\unreadable.pif)")) return std::nullopt;
    lastRead = maxBytes;
    return PrefixFileSystem::ReadFile(path, maxBytes);
  }
  std::size_t lastRead = 0;
};

TEST(DriveWalks, NeverEnterLinkedFoldersAndSurviveUnreadableOnes) {
  ScratchFolder outside;
  WriteBytes((outside.Path() / "outside.pif").string(), PifFile(R"(C:\GAMES\OUT.EXE)"));
  DriveFixture drive;
  drive.File(R"(C:\windows\a-locked\in.pif)", PifFile(R"(C:\GAMES\LOCKED.EXE)"))
      .File(R"(C:\windows\b-open\unreadable.pif)", PifFile(R"(C:\GAMES\U.EXE)"))
      .File(R"(C:\windows\c-after\after.pif)", PifFile(R"(C:\GAMES\AFTER.EXE)"))
      .Link(R"(C:\windows\linked)", outside.Path());
  RefusingFiles files(drive.Path());
  drive.Target().SetFiles(files);
  TOrdrex engine(drive.Target());
  for (TCustomOrdrex* category : engine.Categories())
    category->Enabled = category == &engine.MSDOS;
  RunScan(engine);
  EXPECT_THAT(Problems(engine.MSDOS),
              ElementsAre(Gone(R"(C:\windows\c-after\after.pif)", R"(C:\GAMES\AFTER.EXE)", false)));
  // Only the header up to the end of the program field is read.
  EXPECT_EQ(files.lastRead, 99u);
  // The search for missing files finds nothing in the folder it cannot list.
  engine.AddErrorFile("in.pif");
  engine.AddErrorFile("after.pif");
  EXPECT_TRUE(SearchMissingFiles(engine, "C:\\"));
  EXPECT_TRUE(engine.ErrorFiles.Items(engine.ErrorFiles.IndexOf("IN.PIF")).Locations.empty());
  EXPECT_EQ(engine.ErrorFiles.Items(engine.ErrorFiles.IndexOf("AFTER.PIF")).Locations,
            (Paths{R"(C:\windows\c-after\after.pif)"}));
}

// The search of the drive for missing files by name.
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

TEST_F(MissingFileSearchTest, EveryCopyIsRecordedWhateverItsCaseButLinksAreNeverFollowed) {
  drive_.File(R"(C:\b\FOO.dll)").File(R"(C:\a\foo.DLL)").File(R"(C:\a\bar.exe)");
  ScratchFolder outside;
  testsupport::WriteAll(outside.Path() / "docs" / "foo.dll", "x");
  drive_.File(R"(C:\users\me\real\foo.dll)");
  drive_.Link(R"(C:\users\me\Documents)", outside.Path() / "docs");
  // A link back up the tree would make an endless walk if it were followed.
  drive_.Link(R"(C:\users\me\loop)", drive_.HostPath(R"(C:\users)"));
  TOrdrex& engine = drive_.Engine();
  engine.AddErrorFile(R"(D:\gone\foo.dll)");
  engine.AddErrorFile(R"(D:\gone\none.dll)");
  // Folder by folder, in the order given.
  EXPECT_TRUE(SearchMissingFiles(engine, Paths{R"(C:\b)", R"(C:\a\)", R"(C:\missing)"}));
  EXPECT_TRUE(SearchMissingFiles(engine, R"(C:\users)"));
  EXPECT_EQ(Found("FOO.DLL"),
            (Paths{R"(C:\b\FOO.dll)", R"(C:\a\foo.DLL)", R"(C:\users\me\real\foo.dll)"}));
  EXPECT_TRUE(Found("NONE.DLL").empty());
}

TEST_F(MissingFileSearchTest, CancellingStopsBeforeTheNextEntryAndThePathShownIsThrottled) {
  TOrdrex& engine = drive_.Engine();
  for (int i = 0; i < 6; ++i) {
    drive_.File(R"(C:\many\f)" + std::to_string(i) + ".dll");
    engine.AddErrorFile("f" + std::to_string(i) + ".dll");
  }
  drive_.Clock().SetTick(10000);
  int asked = 0;
  Paths shown;
  // 50 ms before each entry: a path is shown first, then once 101 ms have passed (every third).
  const auto cancel = [&] {
    drive_.Clock().AdvanceTick(50);
    return ++asked > 5;
  };
  EXPECT_FALSE(SearchMissingFiles(engine, R"(C:\many\)", cancel,
                                  [&](const std::string& path) { shown.push_back(path); }));
  EXPECT_EQ(asked, 6);
  std::size_t recorded = 0;
  for (int i = 0; i < engine.ErrorFileCount(); ++i)
    recorded += engine.ErrorFiles.Items(i).Locations.size();
  EXPECT_EQ(recorded, 5u);
  EXPECT_THAT(shown, ElementsAre(StartsWith(R"(C:\many\f)"), StartsWith(R"(C:\many\f)")));
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
