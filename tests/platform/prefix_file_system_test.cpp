#include "platform/wine/prefix_file_system.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

#include "support/fresh_prefix.h"

namespace ordrex {
namespace {

namespace fs = std::filesystem;
using testsupport::ScratchFolder;

void WriteText(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

const DirEntry* FindEntry(const std::vector<DirEntry>& entries, const std::string& name) {
  const auto hit = std::find_if(entries.begin(), entries.end(),
                                [&](const DirEntry& e) { return e.name == name; });
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
    WriteText(C("Program Files/Sample App/App.EXE"), "app");
    WriteText(C("windows/system32/kernel32.dll"), "dll");
    WriteText(C("users/sam/AppData/Roaming/notes.txt"), "notes");
    WriteText(outside_ / "keep.lnk", "shortcut outside");
    fs::create_symlink(outside_, C("users/sam/Desktop"));
    fs::create_symlink(C("windows/system32/kernel32.dll"), C("users/sam/kernel.lnk"));
    fs::create_symlink(scratch_.Path() / "nowhere", C("users/sam/dangling"));
    WriteText(prefix_ / "secret.txt", "beside the drive");
  }

  fs::path C(const std::string& relative) const { return prefix_ / "drive_c" / relative; }
  std::string ZPath(const fs::path& host) const { return "Z:" + host.string(); }

  ScratchFolder scratch_;
  fs::path prefix_;
  fs::path outside_;
};

TEST_F(PrefixFileSystemTest, DriveTableFromDosdevicesLinks) {
  PrefixFileSystem files(prefix_);
  const auto drives = files.Drives();
  ASSERT_EQ(drives.size(), 2u);  // com1 and the raw device c:: are no drives
  EXPECT_EQ(drives[0].letter, 'C');
  EXPECT_EQ(drives[0].hostPath, prefix_ / "drive_c");
  EXPECT_TRUE(drives[0].fixed);
  EXPECT_EQ(drives[1].letter, 'Z');
  EXPECT_EQ(drives[1].hostPath, fs::path("/"));
  EXPECT_FALSE(drives[1].fixed);  // the whole host is not the system's own drive
}

TEST_F(PrefixFileSystemTest, DriveOutsideThePrefixOrAtItsRootIsNotFixed) {
  fs::create_symlink(outside_, prefix_ / "dosdevices" / "d:");
  fs::create_symlink("..", prefix_ / "dosdevices" / "e:");  // would expose system.reg
  fs::create_symlink("../no-such-folder", prefix_ / "dosdevices" / "f:");
  PrefixFileSystem files(prefix_);
  const auto drives = files.Drives();
  ASSERT_EQ(drives.size(), 5u);
  for (const auto& drive : drives) {
    EXPECT_EQ(drive.fixed, drive.letter == 'C') << drive.letter;
  }
  EXPECT_FALSE(files.DeleteFile("E:\\system.reg"));
  EXPECT_TRUE(fs::exists(prefix_ / "drive_c"));
}

TEST_F(PrefixFileSystemTest, NamesMatchInAnyCase) {
  PrefixFileSystem files(prefix_);
  EXPECT_TRUE(files.IsFile("C:\\Program Files\\Sample App\\App.EXE"));
  EXPECT_TRUE(files.IsFile("c:\\PROGRAM FILES\\sample app\\app.exe"));
  EXPECT_TRUE(files.IsFile("C:/program files/Sample App/app.exe"));
  EXPECT_TRUE(files.IsFolder("C:\\WINDOWS\\System32"));
  EXPECT_TRUE(files.IsFolder("c:\\windows\\system32\\"));
  EXPECT_TRUE(files.IsFolder("C:\\"));
  EXPECT_TRUE(files.IsFolder("C:"));
  EXPECT_FALSE(files.IsFile("C:\\windows\\system32"));  // a folder is no file
  EXPECT_FALSE(files.IsFolder("C:\\windows\\system32\\kernel32.dll"));
  EXPECT_FALSE(files.IsFile("C:\\windows\\system32\\kernel32.dll\\"));
  EXPECT_FALSE(files.IsFile("C:\\windows\\system32\\user32.dll"));
  EXPECT_FALSE(files.IsFile("D:\\windows\\system32\\kernel32.dll"));  // no such drive
  EXPECT_FALSE(files.IsFile("C:\\windows\\system32\\*.dll"));
  EXPECT_FALSE(files.IsFile(""));
}

TEST_F(PrefixFileSystemTest, WindowsPathNormalisation) {
  PrefixFileSystem files(prefix_);
  EXPECT_TRUE(files.IsFile("C:\\windows\\.\\system32\\\\kernel32.dll"));
  EXPECT_TRUE(files.IsFile("C:\\windows\\temp\\..\\system32\\kernel32.dll"));
  EXPECT_TRUE(files.IsFile("C:windows\\system32\\kernel32.dll"));  // relative to the root
  // ".." stops at the drive root: nothing beside the drive folder can be reached.
  EXPECT_FALSE(files.IsFile("C:\\..\\secret.txt"));
  EXPECT_FALSE(files.IsFile("C:\\windows\\..\\..\\..\\secret.txt"));
}

TEST_F(PrefixFileSystemTest, ExtendedPrefixesAreStrippedAndSharesNeverFound) {
  PrefixFileSystem files(prefix_);
  EXPECT_TRUE(files.IsFile("\\\\?\\C:\\windows\\system32\\kernel32.dll"));
  EXPECT_TRUE(files.IsFile("\\??\\c:\\Windows\\System32\\KERNEL32.DLL"));
  EXPECT_FALSE(files.IsFile("\\\\?\\UNC\\server\\share\\kernel32.dll"));
  EXPECT_FALSE(files.IsFile("\\\\server\\share\\windows\\system32\\kernel32.dll"));
  EXPECT_FALSE(files.IsFile("\\\\.\\C:\\windows\\system32\\kernel32.dll"));
  EXPECT_FALSE(files.IsFile("//server/share/kernel32.dll"));
  // Without a drive letter a path names nothing we can find.
  EXPECT_FALSE(files.IsFile("\\windows\\system32\\kernel32.dll"));
  EXPECT_FALSE(files.IsFile("windows\\system32\\kernel32.dll"));
  EXPECT_FALSE(files.IsFile("kernel32.dll"));
}

TEST_F(PrefixFileSystemTest, LinksAreFollowedForLookupsButFlaggedInListings) {
  PrefixFileSystem files(prefix_);
  // A program opening a file through the link finds it, as under Wine ...
  EXPECT_TRUE(files.IsFile("C:\\users\\sam\\Desktop\\keep.lnk"));
  EXPECT_TRUE(files.IsFile("C:\\users\\sam\\kernel.lnk"));
  EXPECT_FALSE(files.IsFile("C:\\users\\sam\\dangling"));
  // ... but a walk must never enter a linked folder.
  const auto entries = files.List("C:\\Users\\Sam");
  ASSERT_TRUE(entries);
  const DirEntry* desktop = FindEntry(*entries, "Desktop");
  ASSERT_NE(desktop, nullptr);
  EXPECT_TRUE(desktop->linkedFolder);
  EXPECT_FALSE(desktop->folder);
  const DirEntry* appData = FindEntry(*entries, "AppData");
  ASSERT_NE(appData, nullptr);
  EXPECT_TRUE(appData->folder);
  EXPECT_FALSE(appData->linkedFolder);
  const DirEntry* fileLink = FindEntry(*entries, "kernel.lnk");
  ASSERT_NE(fileLink, nullptr);
  EXPECT_FALSE(fileLink->folder || fileLink->linkedFolder);
  EXPECT_EQ(FindEntry(*entries, "dangling"), nullptr);
  EXPECT_FALSE(files.List("C:\\users\\nobody"));
  EXPECT_FALSE(files.List("C:\\windows\\system32\\kernel32.dll"));
}

TEST_F(PrefixFileSystemTest, NothingIsDeletedThroughZOrThroughALinkLeadingOut) {
  PrefixFileSystem files(prefix_);
  const fs::path victim = scratch_.Path() / "victim.txt";
  WriteText(victim, "must stay");
  EXPECT_TRUE(files.IsFile(ZPath(victim)));
  EXPECT_FALSE(files.DeleteFile(ZPath(victim)));
  EXPECT_TRUE(fs::exists(victim));
  // z: reaches the prefix's own files too: still refused.
  EXPECT_FALSE(files.DeleteFile(ZPath(C("windows/system32/kernel32.dll"))));
  EXPECT_FALSE(files.DeleteFile("C:\\users\\sam\\Desktop\\keep.lnk"));
  EXPECT_TRUE(fs::exists(outside_ / "keep.lnk"));
  EXPECT_FALSE(files.DeleteFile("C:\\windows\\system32"));  // folders are never deleted
  EXPECT_TRUE(fs::exists(C("windows/system32/kernel32.dll")));
}

TEST_F(PrefixFileSystemTest, DeleteInsideTheDriveDropsTheCachedListing) {
  PrefixFileSystem files(prefix_);
  ASSERT_TRUE(files.IsFile("C:\\users\\sam\\AppData\\Roaming\\NOTES.TXT"));
  EXPECT_TRUE(files.DeleteFile("C:\\users\\sam\\AppData\\Roaming\\NOTES.TXT"));
  EXPECT_FALSE(fs::exists(C("users/sam/AppData/Roaming/notes.txt")));
  EXPECT_FALSE(files.IsFile("C:\\users\\sam\\AppData\\Roaming\\notes.txt"));
  EXPECT_FALSE(files.DeleteFile("C:\\users\\sam\\AppData\\Roaming\\notes.txt"));
  // A link to a file goes; the file it names stays.
  EXPECT_TRUE(files.DeleteFile("C:\\users\\sam\\kernel.lnk"));
  EXPECT_TRUE(fs::exists(C("windows/system32/kernel32.dll")));
}

TEST_F(PrefixFileSystemTest, ListingsAreCachedUntilTheProgramChangesTheFolder) {
  PrefixFileSystem files(prefix_);
  EXPECT_FALSE(files.IsFile("C:\\windows\\system32\\new.dll"));
  WriteText(C("windows/system32/new.dll"), "made behind the program's back");
  EXPECT_FALSE(files.IsFile("C:\\windows\\system32\\new.dll"));  // the cached listing
  files.DropCache();
  EXPECT_TRUE(files.IsFile("C:\\windows\\system32\\new.dll"));

  // A copy into the folder is seen at once.
  const fs::path source = scratch_.Path() / "backup.lnk";
  WriteText(source, "restored");
  EXPECT_FALSE(files.IsFile("C:\\windows\\system32\\restored.lnk"));
  EXPECT_TRUE(files.CopyIn(source, "C:\\Windows\\System32\\restored.lnk"));
  EXPECT_TRUE(files.IsFile("C:\\windows\\system32\\RESTORED.LNK"));
}

TEST_F(PrefixFileSystemTest, CopyOutAndBackIn) {
  PrefixFileSystem files(prefix_);
  const fs::path saved = scratch_.Path() / "saved.exe";
  ASSERT_TRUE(files.CopyOut("c:\\program files\\sample app\\app.exe", saved));
  std::ifstream in(saved);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "app");
  EXPECT_FALSE(files.CopyOut("C:\\program files\\missing.exe", saved));

  WriteText(saved, "newer app");
  // An existing name in another case is the file that gets replaced.
  ASSERT_TRUE(files.CopyIn(saved, "C:\\Program Files\\Sample App\\app.exe"));
  std::ifstream back(C("Program Files/Sample App/App.EXE"));
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(back), {}), "newer app");
  EXPECT_FALSE(fs::exists(C("Program Files/Sample App/app.exe")));

  EXPECT_FALSE(files.CopyIn(saved, ZPath(scratch_.Path() / "via-z.exe")));
  EXPECT_FALSE(fs::exists(scratch_.Path() / "via-z.exe"));
  EXPECT_FALSE(files.CopyIn(saved, "C:\\users\\sam\\Desktop\\new.lnk"));
  EXPECT_FALSE(fs::exists(outside_ / "new.lnk"));
  EXPECT_FALSE(files.CopyIn(saved, "C:\\no such folder\\x.exe"));
}

TEST_F(PrefixFileSystemTest, ReadFileAndHostPath) {
  PrefixFileSystem files(prefix_);
  const auto all = files.ReadFile("C:\\users\\sam\\AppData\\Roaming\\notes.txt", 100);
  ASSERT_TRUE(all);
  EXPECT_EQ(std::string(all->begin(), all->end()), "notes");
  const auto part = files.ReadFile("C:\\users\\sam\\AppData\\Roaming\\notes.txt", 2);
  ASSERT_TRUE(part);
  EXPECT_EQ(part->size(), 2u);
  EXPECT_FALSE(files.ReadFile("C:\\windows", 10));
  EXPECT_EQ(files.HostPath("c:\\program files\\SAMPLE APP\\app.exe"),
            C("Program Files/Sample App/App.EXE"));
  EXPECT_FALSE(files.HostPath("C:\\program files\\missing.exe"));
}

TEST_F(PrefixFileSystemTest, OverlayServesFilesThePrefixDoesNotHold) {
  const fs::path fonts = scratch_.Path() / "wine-fonts";
  WriteText(fonts / "Tahoma.ttf", "font");
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
  WriteText(C("windows/Fonts/tahoma.ttf"), "own copy");
  files.DropCache();
  EXPECT_EQ(files.HostPath("C:\\windows\\Fonts\\Tahoma.ttf"), C("windows/Fonts/tahoma.ttf"));
}

// The real layout wineboot makes: user folders linked to the home folder, z: the whole host.
TEST(PrefixFileSystemFreshPrefix, SeesWinesLayout) {
  const auto prefix = testsupport::FreshWinePrefix();
  if (!prefix) GTEST_SKIP() << testsupport::kWineMissing;
  PrefixFileSystem files(*prefix);
  EXPECT_TRUE(files.IsFile("C:\\WINDOWS\\SYSTEM32\\Kernel32.dll"));
  EXPECT_TRUE(files.IsFile("c:\\windows\\notepad.exe"));
  const auto drives = files.Drives();
  ASSERT_GE(drives.size(), 2u);
  EXPECT_TRUE(drives.front().letter == 'C' && drives.front().fixed);
  EXPECT_TRUE(drives.back().letter == 'Z' && !drives.back().fixed);

  // wineboot links the user's Desktop to the home folder: listed, flagged, not walked.
  const auto users = files.List("C:\\users");
  ASSERT_TRUE(users);
  bool sawDesktop = false;
  for (const auto& user : *users) {
    if (user.name == "Public" || !user.folder) continue;
    const auto entries = files.List("C:\\users\\" + user.name);
    ASSERT_TRUE(entries);
    if (const DirEntry* desktop = FindEntry(*entries, "Desktop")) {
      if (fs::is_symlink(*prefix / "drive_c" / "users" / user.name / "Desktop")) {
        EXPECT_TRUE(desktop->linkedFolder);
        EXPECT_FALSE(desktop->folder);
        sawDesktop = true;
      }
    }
  }
  EXPECT_TRUE(sawDesktop);
}

}  // namespace
}  // namespace ordrex
