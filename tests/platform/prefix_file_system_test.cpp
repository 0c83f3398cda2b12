#include "platform/wine/prefix_file_system.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/fresh_prefix.h"

namespace ordrex {
namespace {

namespace fs = std::filesystem;
using testsupport::ReadAll;
using testsupport::ScratchFolder;
using testsupport::WriteAll;

const DirEntry* FindEntry(const std::vector<DirEntry>& entries, const std::string& name) {
  const auto hit = std::ranges::find(entries, name, &DirEntry::name);
  return hit == entries.end() ? nullptr : &*hit;
}

// A prefix laid out as wineboot lays it out: c: inside, z: the whole host, a serial port, and a
// user folder linked to a folder outside the prefix (Wine links them to the Unix home).
class PrefixFileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    prefix_ = scratch_.Path() / "prefix";
    outside_ = scratch_.Path() / "home";
    fs::create_directories(prefix_ / "dosdevices");
    fs::create_directories(outside_);
    fs::create_symlink("../drive_c", prefix_ / "dosdevices" / "c:");
    fs::create_symlink("/", prefix_ / "dosdevices" / "z:");
    fs::create_symlink("/dev/ttyS0", prefix_ / "dosdevices" / "com1");
    fs::create_symlink("/dev/sda1", prefix_ / "dosdevices" / "c::");
    WriteAll(C("Program Files/Sample App/App.EXE"), "app");
    WriteAll(C("windows/system32/kernel32.dll"), "dll");
    WriteAll(C("users/sam/AppData/Roaming/notes.txt"), "notes");
    WriteAll(outside_ / "keep.lnk", "shortcut outside");
    fs::create_symlink(outside_, C("users/sam/Desktop"));
    fs::create_symlink(C("windows/system32/kernel32.dll"), C("users/sam/kernel.lnk"));
    fs::create_symlink(scratch_.Path() / "nowhere", C("users/sam/dangling"));
    WriteAll(prefix_ / "secret.txt", "beside the drive");
  }

  fs::path C(const std::string& relative) const { return prefix_ / "drive_c" / relative; }
  std::string ZPath(const fs::path& host) const { return "Z:" + host.string(); }

  ScratchFolder scratch_;
  fs::path prefix_;
  fs::path outside_;
};

TEST_F(PrefixFileSystemTest, DriveTableFromDosdevicesLinks) {
  fs::create_symlink(outside_, prefix_ / "dosdevices" / "d:");
  fs::create_symlink("..", prefix_ / "dosdevices" / "e:");  // would expose system.reg
  fs::create_symlink("../no-such-folder", prefix_ / "dosdevices" / "f:");
  PrefixFileSystem files(prefix_);
  std::string letters;
  for (const auto& drive : files.Drives()) {
    letters += drive.letter;
    // Only the drive inside the prefix is the system's own: not the whole host (z:) either.
    EXPECT_EQ(drive.fixed, drive.letter == 'C') << drive.letter;
  }
  EXPECT_EQ(letters, "CDEFZ");  // com1 and the raw device c:: are no drives
  EXPECT_EQ(files.Drives().front().hostPath, prefix_ / "drive_c");
  EXPECT_EQ(files.Drives().back().hostPath, fs::path("/"));
  EXPECT_FALSE(files.DeleteFile("E:\\system.reg"));
  EXPECT_TRUE(fs::exists(prefix_ / "drive_c"));
}

// Letters in any case, either separator, "." and "..", extended prefixes and links to files
// and folders are understood as Windows and Wine understand them.
TEST_F(PrefixFileSystemTest, WindowsPathsNameFilesAndFolders) {
  enum Kind { kNothing, kFile, kFolder };
  const struct {
    const char* path;
    Kind kind;
  } cases[] = {
      {"C:\\Program Files\\Sample App\\App.EXE", kFile},
      {"c:\\PROGRAM FILES\\sample app\\app.exe", kFile},
      {"C:/program files/Sample App/app.exe", kFile},
      {"C:\\WINDOWS\\System32", kFolder},
      {"c:\\windows\\system32\\", kFolder},
      {"C:\\", kFolder},
      {"C:", kFolder},
      {"C:\\windows\\system32\\kernel32.dll\\", kNothing},
      {"D:\\windows\\system32\\kernel32.dll", kNothing},  // no such drive
      {"C:\\windows\\system32\\*.dll", kNothing},
      {"", kNothing},
      {"C:\\windows\\.\\system32\\\\kernel32.dll", kFile},
      {"C:\\windows\\temp\\..\\system32\\kernel32.dll", kFile},
      {"C:windows\\system32\\kernel32.dll", kFile},  // relative to the root
      // ".." stops at the drive root: nothing beside the drive folder can be reached.
      {"C:\\..\\secret.txt", kNothing},
      {"C:\\windows\\..\\..\\..\\secret.txt", kNothing},
      {"\\\\?\\C:\\windows\\system32\\kernel32.dll", kFile},
      {"\\??\\c:\\Windows\\System32\\KERNEL32.DLL", kFile},
      {"\\\\?\\UNC\\server\\share\\kernel32.dll", kNothing},
      {"\\\\server\\share\\windows\\system32\\kernel32.dll", kNothing},
      {"\\\\.\\C:\\windows\\system32\\kernel32.dll", kNothing},
      // Without a drive letter a path names nothing we can find.
      {"\\windows\\system32\\kernel32.dll", kNothing},
      {"C:\\users\\sam\\Desktop\\keep.lnk", kFile},
      {"C:\\users\\sam\\Desktop", kFolder},
      {"C:\\users\\sam\\kernel.lnk", kFile},
      {"C:\\users\\sam\\dangling", kNothing},
  };
  PrefixFileSystem files(prefix_);
  for (const auto& c : cases) {
    EXPECT_EQ(files.IsFile(c.path), c.kind == kFile) << c.path;
    EXPECT_EQ(files.IsFolder(c.path), c.kind == kFolder) << c.path;
  }
}

// A walk must never enter a linked folder, though lookups go through it.
TEST_F(PrefixFileSystemTest, LinkedFoldersAreFlaggedInListings) {
  PrefixFileSystem files(prefix_);
  const auto entries = files.List("C:\\Users\\Sam");
  ASSERT_TRUE(entries);
  for (const auto& [name, folder, linked] : {std::tuple{"Desktop", false, true},
                                             {"AppData", true, false},
                                             {"kernel.lnk", false, false}}) {
    const DirEntry* entry = FindEntry(*entries, name);
    ASSERT_NE(entry, nullptr) << name;
    EXPECT_EQ(entry->folder, folder) << name;
    EXPECT_EQ(entry->linkedFolder, linked) << name;
  }
  EXPECT_EQ(FindEntry(*entries, "dangling"), nullptr);
  EXPECT_FALSE(files.List("C:\\users\\nobody"));
  EXPECT_FALSE(files.List("C:\\windows\\system32\\kernel32.dll"));
}

TEST_F(PrefixFileSystemTest, ChangesOnlyInsideTheDriveAndKeepsItsCachedListingsRight) {
  PrefixFileSystem files(prefix_);
  const fs::path victim = scratch_.Path() / "victim.txt";
  WriteAll(victim, "must stay");
  EXPECT_TRUE(files.IsFile(ZPath(victim)));
  EXPECT_FALSE(files.DeleteFile(ZPath(victim)));
  EXPECT_TRUE(fs::exists(victim));
  // z: reaches the prefix's own files too: still refused.
  EXPECT_FALSE(files.DeleteFile(ZPath(C("windows/system32/kernel32.dll"))));
  EXPECT_FALSE(files.DeleteFile("C:\\users\\sam\\Desktop\\keep.lnk"));
  EXPECT_TRUE(fs::exists(outside_ / "keep.lnk"));
  EXPECT_FALSE(files.DeleteFile("C:\\windows\\system32"));  // folders are never deleted
  EXPECT_TRUE(fs::exists(C("windows/system32/kernel32.dll")));

  // Inside the drive the file goes, and from the cached listing too.
  ASSERT_TRUE(files.IsFile("C:\\users\\sam\\AppData\\Roaming\\NOTES.TXT"));
  EXPECT_TRUE(files.DeleteFile("C:\\users\\sam\\AppData\\Roaming\\NOTES.TXT"));
  EXPECT_FALSE(fs::exists(C("users/sam/AppData/Roaming/notes.txt")));
  EXPECT_FALSE(files.IsFile("C:\\users\\sam\\AppData\\Roaming\\notes.txt"));
  EXPECT_FALSE(files.DeleteFile("C:\\users\\sam\\AppData\\Roaming\\notes.txt"));
  // A link to a file goes; the file it names stays.
  EXPECT_TRUE(files.DeleteFile("C:\\users\\sam\\kernel.lnk"));
  EXPECT_TRUE(fs::exists(C("windows/system32/kernel32.dll")));

  // Listings are cached until the program changes the folder.
  EXPECT_FALSE(files.IsFile("C:\\windows\\system32\\new.dll"));
  WriteAll(C("windows/system32/new.dll"), "made behind the program's back");
  EXPECT_FALSE(files.IsFile("C:\\windows\\system32\\new.dll"));  // the cached listing
  files.DropCache();
  EXPECT_TRUE(files.IsFile("C:\\windows\\system32\\new.dll"));

  // A copy into the folder is seen at once.
  const fs::path source = scratch_.Path() / "backup.lnk";
  WriteAll(source, "restored");
  EXPECT_FALSE(files.IsFile("C:\\windows\\system32\\restored.lnk"));
  EXPECT_TRUE(files.CopyIn(source, "C:\\Windows\\System32\\restored.lnk"));
  EXPECT_TRUE(files.IsFile("C:\\windows\\system32\\RESTORED.LNK"));
}

TEST_F(PrefixFileSystemTest, CopyOutReadAndCopyBackIn) {
  PrefixFileSystem files(prefix_);
  const fs::path saved = scratch_.Path() / "saved.exe";
  ASSERT_TRUE(files.CopyOut("c:\\program files\\sample app\\app.exe", saved));
  EXPECT_EQ(ReadAll(saved), "app");
  EXPECT_FALSE(files.CopyOut("C:\\program files\\missing.exe", saved));

  WriteAll(saved, "newer app");
  // An existing name in another case is the file that gets replaced.
  ASSERT_TRUE(files.CopyIn(saved, "C:\\Program Files\\Sample App\\app.exe"));
  EXPECT_EQ(ReadAll(C("Program Files/Sample App/App.EXE")), "newer app");
  EXPECT_FALSE(fs::exists(C("Program Files/Sample App/app.exe")));

  EXPECT_FALSE(files.CopyIn(saved, ZPath(scratch_.Path() / "via-z.exe")));
  EXPECT_FALSE(fs::exists(scratch_.Path() / "via-z.exe"));
  EXPECT_FALSE(files.CopyIn(saved, "C:\\users\\sam\\Desktop\\new.lnk"));
  EXPECT_FALSE(fs::exists(outside_ / "new.lnk"));
  EXPECT_FALSE(files.CopyIn(saved, "C:\\no such folder\\x.exe"));

  const std::string notes = "C:\\users\\sam\\AppData\\Roaming\\notes.txt";
  EXPECT_EQ(files.ReadFile(notes, 100), (std::optional(Bytes{'n', 'o', 't', 'e', 's'})));
  EXPECT_EQ(files.ReadFile(notes, 2), (std::optional(Bytes{'n', 'o'})));
  EXPECT_FALSE(files.ReadFile("C:\\windows", 10));
  EXPECT_EQ(files.HostPath("c:\\program files\\SAMPLE APP\\app.exe"),
            C("Program Files/Sample App/App.EXE"));
  EXPECT_FALSE(files.HostPath("C:\\program files\\missing.exe"));
}

TEST_F(PrefixFileSystemTest, OverlayServesFilesThePrefixDoesNotHold) {
  const fs::path fonts = scratch_.Path() / "wine-fonts";
  WriteAll(fonts / "Tahoma.ttf", "font");
  fs::create_directories(C("windows/Fonts"));
  PrefixFileSystem files(prefix_, {{"C:\\windows\\Fonts", fonts}});
  EXPECT_TRUE(files.IsFile("C:\\Windows\\fonts\\tahoma.TTF"));
  EXPECT_TRUE(files.ReadFile("C:\\windows\\Fonts\\Tahoma.ttf", 10));
  EXPECT_EQ(files.HostPath("C:\\windows\\Fonts\\tahoma.ttf"), fonts / "Tahoma.ttf");
  EXPECT_FALSE(files.IsFile("C:\\windows\\tahoma.ttf"));  // only below the overlaid folder
  // The overlay is Wine's installation: never listed, never changed.
  const auto listed = files.List("C:\\windows\\Fonts");
  ASSERT_TRUE(listed);
  EXPECT_TRUE(listed->empty());
  EXPECT_FALSE(files.DeleteFile("C:\\windows\\Fonts\\tahoma.ttf"));
  EXPECT_TRUE(fs::exists(fonts / "Tahoma.ttf"));
  // A copy in the prefix wins over the overlay.
  WriteAll(C("windows/Fonts/tahoma.ttf"), "own copy");
  files.DropCache();
  EXPECT_EQ(files.HostPath("C:\\windows\\Fonts\\Tahoma.ttf"), C("windows/Fonts/tahoma.ttf"));
}

// The real layout wineboot makes, which the fixture copies: z: the whole host, the user's
// Desktop linked to the home folder (listed, flagged, never walked).
TEST(PrefixFileSystemFreshPrefix, SeesWinesLayout) {
  const auto prefix = testsupport::FreshWinePrefix();
  if (!prefix) GTEST_SKIP() << testsupport::kWineMissing;
  PrefixFileSystem files(*prefix);
  const auto drives = files.Drives();
  ASSERT_GE(drives.size(), 2u);
  EXPECT_TRUE(drives.front().letter == 'C' && drives.front().fixed);
  EXPECT_TRUE(drives.back().letter == 'Z' && !drives.back().fixed);
  int linkedDesktops = 0;
  const auto users = files.List("C:\\users");
  ASSERT_TRUE(users);
  for (const auto& user : *users) {
    const auto entries = files.List("C:\\users\\" + user.name);
    const DirEntry* desktop = entries ? FindEntry(*entries, "Desktop") : nullptr;
    if (desktop != nullptr && fs::is_symlink(*prefix / "drive_c/users" / user.name / "Desktop")) {
      EXPECT_TRUE(desktop->linkedFolder && !desktop->folder);
      ++linkedDesktops;
    }
  }
  EXPECT_GT(linkedDesktops, 0);
}

}  // namespace
}  // namespace ordrex
