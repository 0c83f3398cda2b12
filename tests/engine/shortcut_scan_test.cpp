// The walk of the system drive for shortcut files, the .PIF program field and shell link
// targets, on small prefixes written by each test.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "engine/shortcut_targets.h"
#include "platform/text.h"
#include "support/drive_fixture.h"
#include "support/prefix_engine.h"

namespace ordrex {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;
using namespace testsupport;

// What the walk reports of a .PIF file whose program is gone: MS-DOS Shortcut does not
// pre-select it, Windows Shortcut does.
std::string Gone(const std::string& pif, const std::string& program, bool selected) {
  return pif + " | Target | " + program + " | Target not found | " +
         (selected ? "selected" : "unselected") + " | missing";
}

class ShortcutScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    known_ = KnownOf(prefix_);
    ASSERT_FALSE(known_.WindowsDir.empty());
    ASSERT_FALSE(known_.DesktopDir.empty());
  }
  TempPrefix prefix_;
  KnownLocations known_;
};

TEST_F(ShortcutScanTest, ProgramFieldsOfPifFilesInTheUsualFolders) {
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
  EXPECT_EQ(scan.Engine().MSDOS.StatusText, "Finished");
}

TEST_F(ShortcutScanTest, WholeDriveAndOneCategoryOnly) {
  prefix_.File(R"(C:\Elsewhere\far.pif)", PifFile(R"(C:\GAMES\FAR.EXE)"))
      .File(known_.WindowsDir + "old.pif", PifFile(R"(C:\GAMES\OLD.EXE)"));
  PrefixEngine scan(prefix_);
  scan.Engine().Windows.ScanWholeDrive = true;
  scan.ScanOnly({&scan.Engine().Windows});
  EXPECT_EQ(scan.Engine().MSDOS.Count(), 0);
  EXPECT_THAT(
      Problems(scan.Engine().Windows),
      UnorderedElementsAre(Gone(R"(C:\Elsewhere\far.pif)", R"(C:\GAMES\FAR.EXE)", true),
                           Gone(known_.WindowsDir + "old.pif", R"(C:\GAMES\OLD.EXE)", true)));
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

TEST_F(ShortcutScanTest, MalformedFilesNeverStopTheWalk) {
  std::mt19937 random(7);
  for (int i = 0; i < 40; ++i) {
    ByteVector junk(random() % 300);
    for (auto& b : junk)
      b = static_cast<std::uint8_t>(random());
    prefix_.File(known_.DesktopDir + "junk" + std::to_string(i) + ".pif", junk);
  }
  prefix_.File(known_.DesktopDir + "zz-last.pif", PifFile(R"(C:\GAMES\LAST.EXE)"));
  PrefixEngine scan(prefix_);
  scan.Engine().MSDOS.ScanWholeDrive = true;
  scan.ScanOnly({&scan.Engine().MSDOS, &scan.Engine().Windows});
  EXPECT_THAT(Problems(scan.Engine().Windows),
              Contains(Gone(known_.DesktopDir + "zz-last.pif", R"(C:\GAMES\LAST.EXE)", true)));
  EXPECT_EQ(scan.Engine().MSDOS.Count(), scan.Engine().Windows.Count());
}

TEST_F(ShortcutScanTest, ShellLinkTargetsAsStored) {
  const std::string dir = R"(C:\Links\)";
  prefix_.File(dir + "tool.exe")
      .File(dir + "local.lnk", ShellLinkTo(R"(C:\Gone\app.exe)"))
      .File(dir + "relative.lnk", ShellLinkRelative("tool.exe"))
      .File(dir + "long.lnk", ShellLinkTo("C:\\" + std::string(270, 'x') + ".exe"))
      .File(dir + "prog.pif", PifFile("tool.exe"));
  std::unique_ptr<Target> target = prefix_.Open();
  PathChecks paths(*target);
  EXPECT_EQ(ResolveShortcutTarget(paths, dir + "local.lnk"), R"(C:\Gone\app.exe)");
  // A relative target found beside the shortcut is joined to its folder.
  EXPECT_EQ(ResolveShortcutTarget(paths, dir + "relative.lnk"), dir + "tool.exe");
  EXPECT_EQ(ResolveShortcutTarget(paths, dir + "prog.pif"), dir + "tool.exe");
  // Too long to be a target: refused, not cut to some other path.
  bool refused = false;
  EXPECT_EQ(ResolveShortcutTarget(paths, dir + "long.lnk", &refused), "");
  EXPECT_TRUE(refused);
  EXPECT_EQ(ResolveShortcutTarget(paths, dir + "missing.lnk", &refused), "");
  EXPECT_FALSE(refused);
}

// The drive's files, except one folder that cannot be listed and one file that cannot be read,
// as happens with folders of other users on a real system (the tests may run as root, who can
// read anything).
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

TEST(ShortcutWalk, NeverEntersLinkedFoldersAndSurvivesUnreadableOnes) {
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
}

}  // namespace
}  // namespace ordrex
