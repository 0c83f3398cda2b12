// The walk of the system drive for shortcut files, the .PIF program field and shell link
// targets, on small prefixes written by each test.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <algorithm>

#include <filesystem>
#include <random>

#include "engine/shortcut_targets.h"
#include "platform/text.h"
#include "support/rules_scan.h"

namespace ordrex {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;
using namespace testsupport;

// A .PIF file: the program field (63 bytes at offset 36) holds program, the rest is zeros.
ByteVector Pif(const std::string& program, std::size_t size = 545) {
  ByteVector bytes(size, 0);
  for (std::size_t i = 0; i < program.size() && 36 + i < size; ++i)
    bytes[36 + i] = program[i];
  return bytes;
}

// The target's files, except that some folders cannot be listed and some files not read, as
// happens with folders of other users on a real system (root can read anything here).
class RefusingFiles : public FileSystem {
 public:
  RefusingFiles(FileSystem& inner, std::string refusedFolder, std::string refusedFile)
      : inner_(inner), folder_(std::move(refusedFolder)), file_(std::move(refusedFile)) {}
  bool IsFile(std::string_view p) override { return inner_.IsFile(p); }
  bool IsFolder(std::string_view p) override { return inner_.IsFolder(p); }
  std::optional<std::vector<DirEntry>> List(std::string_view folder) override {
    if (SameFolder(folder, folder_)) return std::nullopt;
    return inner_.List(folder);
  }
  std::optional<Bytes> ReadFile(std::string_view p, std::size_t max) override {
    if (SameFolder(p, file_)) return std::nullopt;
    lastRead_ = max;
    return inner_.ReadFile(p, max);
  }
  std::optional<std::filesystem::path> HostPath(std::string_view p) override {
    return inner_.HostPath(p);
  }
  bool DeleteFile(std::string_view p) override { return inner_.DeleteFile(p); }
  bool CopyOut(std::string_view p, const std::filesystem::path& d) override {
    return inner_.CopyOut(p, d);
  }
  bool CopyIn(const std::filesystem::path& s, std::string_view p) override {
    return inner_.CopyIn(s, p);
  }
  std::vector<DriveInfo> Drives() override { return inner_.Drives(); }
  std::size_t lastRead_ = 0;

 private:
  static bool SameFolder(std::string_view a, std::string_view b) {
    std::string x(a), y(b);
    if (!x.empty() && x.back() == '\\') x.pop_back();
    if (!y.empty() && y.back() == '\\') y.pop_back();
    return !y.empty() && SameText(x, y);
  }
  FileSystem& inner_;
  std::string folder_;
  std::string file_;
};

// A target whose files are replaced; everything else is the prefix's.
class TargetWithFiles : public Target {
 public:
  TargetWithFiles(Target& inner, FileSystem& files) : inner_(inner), files_(files) {}
  RegistryStore* Root(RootHandle root) override { return inner_.Root(root); }
  std::string Kind() const override { return inner_.Kind(); }
  std::string Location() const override { return inner_.Location(); }
  FileSystem& Files() override { return files_; }
  const SystemProfile& Profile() const override { return inner_.Profile(); }
  ShortcutReader& Shortcuts() override { return inner_.Shortcuts(); }
  std::string WriteBlocker() const override { return inner_.WriteBlocker(); }
  void Save() override { inner_.Save(); }

 private:
  Target& inner_;
  FileSystem& files_;
};

void EnableOnly(TOrdrex& engine, std::initializer_list<int> enabled) {
  for (TCustomOrdrex* category : engine.Categories()) {
    category->Enabled = std::find(enabled.begin(), enabled.end(), category->Index) != enabled.end();
  }
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
  PutFile(prefix_, win + "old.pif", Pif(R"(C:\GAMES\OLD.EXE)"));
  // A name found beside the .PIF file is meant relative to it.
  PutFile(prefix_, win + R"(pifs\game.pif)", Pif("GAME.EXE"));
  prefix_.File(win + R"(pifs\GAME.EXE)");
  // Shorter than the field: the field is what the file has.
  PutFile(prefix_, win + "short.pif", Pif(R"(C:\X.EXE)", 36 + 6));
  // An empty field names nothing.
  PutFile(prefix_, win + "empty.pif", Pif(""));
  PutFile(prefix_, win + "blank.pif", Pif("      "));
  // Shell links are not what this walk examines.
  PutFile(prefix_, win + "gone.lnk", ShellLinkTo(R"(C:\Gone\x.exe)"));
  // Outside the usual folders of MS-DOS Shortcut.
  PutFile(prefix_, R"(C:\Elsewhere\far.pif)", Pif(R"(C:\GAMES\FAR.EXE)"));
  PutFile(prefix_, known_.DesktopDir + "desk.pif", Pif(R"(C:\GAMES\DESK.EXE)"));

  OpenedPrefix opened = OpenWithOnly(prefix_, {kDosShortcutIndex, kWindowsShortcutIndex});
  RunScan(*opened.engine);
  EXPECT_THAT(
      Lines(opened.engine->MSDOS),
      UnorderedElementsAre(win + R"(old.pif | Target | C:\GAMES\OLD.EXE | Target not found)",
                           win + R"(short.pif | Target | C:\X.E | Target not found)"));
  EXPECT_THAT(Lines(opened.engine->Windows),
              ElementsAre(known_.DesktopDir +
                          R"(desk.pif | Target | C:\GAMES\DESK.EXE | Target not found)"));
  ASSERT_EQ(opened.engine->MSDOS.Count(), 2);
  EXPECT_FALSE(opened.engine->MSDOS.Items(0).Selected);
  EXPECT_EQ(opened.engine->MSDOS.Items(0).RootKey, 0u);
  EXPECT_TRUE(opened.engine->Windows.Items(0).Selected);
  EXPECT_EQ(opened.engine->MSDOS.StatusText, "Finished");
}

TEST_F(ShortcutScanTest, WholeDriveAndOneCategoryOnly) {
  PutFile(prefix_, R"(C:\Elsewhere\far.pif)", Pif(R"(C:\GAMES\FAR.EXE)"));
  PutFile(prefix_, known_.WindowsDir + "old.pif", Pif(R"(C:\GAMES\OLD.EXE)"));
  OpenedPrefix opened = OpenWithOnly(prefix_, {kWindowsShortcutIndex});
  opened.engine->Windows.ScanWholeDrive = true;
  RunScan(*opened.engine);
  EXPECT_EQ(opened.engine->MSDOS.Count(), 0);
  EXPECT_THAT(Lines(opened.engine->Windows),
              UnorderedElementsAre(
                  R"(C:\Elsewhere\far.pif | Target | C:\GAMES\FAR.EXE | Target not found)",
                  known_.WindowsDir + R"(old.pif | Target | C:\GAMES\OLD.EXE | Target not found)"));
}

TEST_F(ShortcutScanTest, NeverEntersLinkedFoldersAndSurvivesUnreadableOnes) {
  testsupport::ScratchFolder outside;
  WriteBytes((outside.Path() / "outside.pif").string(), Pif(R"(C:\GAMES\OUT.EXE)"));
  PutFile(prefix_, known_.WindowsDir + R"(a-locked\in.pif)", Pif(R"(C:\GAMES\LOCKED.EXE)"));
  PutFile(prefix_, known_.WindowsDir + R"(b-open\unreadable.pif)", Pif(R"(C:\GAMES\U.EXE)"));
  PutFile(prefix_, known_.WindowsDir + R"(c-after\after.pif)", Pif(R"(C:\GAMES\AFTER.EXE)"));
  std::filesystem::create_directory_symlink(outside.Path(),
                                            prefix_.HostPath(known_.WindowsDir + "linked"));
  std::unique_ptr<Target> target = prefix_.Open();
  RefusingFiles files(target->Files(), known_.WindowsDir + "a-locked",
                      known_.WindowsDir + R"(b-open\unreadable.pif)");
  TargetWithFiles wrapped(*target, files);
  TOrdrex engine(wrapped);
  EnableOnly(engine, {kDosShortcutIndex});
  RunScan(engine);
  EXPECT_THAT(Lines(engine.MSDOS),
              ElementsAre(known_.WindowsDir +
                          R"(c-after\after.pif | Target | C:\GAMES\AFTER.EXE | Target not found)"));
  // Only the header up to the end of the program field is read.
  EXPECT_EQ(files.lastRead_, 99u);
}

TEST_F(ShortcutScanTest, StopsAfterTheEntryDuringWhichItWasStopped) {
  for (const char* name : {"a.pif", "b.pif", "c.pif"}) {
    PutFile(prefix_, known_.WindowsDir + name, Pif(R"(C:\GAMES\GONE.EXE)"));
  }
  OpenedPrefix opened = OpenWithOnly(prefix_, {kDosShortcutIndex, kWindowsShortcutIndex});
  opened.engine->OnProblem = [](TOrdrex& engine) { engine.Stop(true); };
  RunScan(*opened.engine);
  EXPECT_EQ(opened.engine->MSDOS.Count(), 1);
  EXPECT_EQ(opened.engine->Windows.StatusText, "Finished");
}

TEST_F(ShortcutScanTest, MalformedFilesNeverStopTheWalk) {
  std::mt19937 random(7);
  for (int i = 0; i < 40; ++i) {
    ByteVector junk(random() % 300);
    for (auto& b : junk)
      b = static_cast<std::uint8_t>(random());
    PutFile(prefix_, known_.DesktopDir + "junk" + std::to_string(i) + ".pif", junk);
  }
  PutFile(prefix_, known_.DesktopDir + "zz-last.pif", Pif(R"(C:\GAMES\LAST.EXE)"));
  OpenedPrefix opened = OpenWithOnly(prefix_, {kDosShortcutIndex, kWindowsShortcutIndex});
  opened.engine->MSDOS.ScanWholeDrive = true;
  RunScan(*opened.engine);
  EXPECT_THAT(Lines(opened.engine->Windows),
              Contains(known_.DesktopDir +
                       R"(zz-last.pif | Target | C:\GAMES\LAST.EXE | Target not found)"));
  EXPECT_EQ(opened.engine->MSDOS.Count(), opened.engine->Windows.Count());
}

TEST_F(ShortcutScanTest, ShellLinkTargetsAsStored) {
  const std::string dir = R"(C:\Links\)";
  prefix_.File(dir + "tool.exe");
  PutFile(prefix_, dir + "local.lnk", ShellLinkTo(R"(C:\Gone\app.exe)"));
  PutFile(prefix_, dir + "relative.lnk", ShellLinkRelative("tool.exe"));
  PutFile(prefix_, dir + "long.lnk", ShellLinkTo("C:\\" + std::string(270, 'x') + ".exe"));
  PutFile(prefix_, dir + "prog.pif", Pif("tool.exe"));
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

}  // namespace
}  // namespace ordrex
