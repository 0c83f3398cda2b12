// The recently-used lists and the Start menu order, on small prefixes written by each test.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/rules_scan.h"

namespace ordrex {
namespace {

using ::testing::ElementsAre;
using namespace testsupport;

const std::string kExplorer = R"(Software\Microsoft\Windows\CurrentVersion\Explorer\)";
const std::string kExplorerKey = "\\" + kExplorer;

TEST(MruFilesRule, LastVisitedAndOpenSaveLists) {
  TempPrefix prefix;
  prefix.Folder(R"(C:\Here)")
      .Folder(R"(C:\Docs)")
      .User(kExplorer + R"(ComDlg32\LastVisitedMRU)",
            {Binary("a", LastVisitedValue("notepad.exe", R"(C:\Old\Docs)")),
             Binary("b", LastVisitedValue("app.exe", R"(C:\Here)")),
             Binary("cc", LastVisitedValue("app.exe", R"(C:\Gone)")), Sz("MRUList", "ab")})
      .User(kExplorer + R"(ComDlg32\OpenSaveMRU\txt)")
      .User(kExplorer + R"(ComDlg32\OpenSaveMRU\doc)",
            {Sz("a", R"(C:\Docs\letter.doc)"), Sz("b", R"(C:\Docs)"), Sz("MRUList", "ab")})
      .User(kExplorer + R"(ComDlg32\OpenSaveMRU)", {Sz("a", R"(C:\Gone\direct.txt)")});
  OpenedPrefix opened = OpenWithOnly(prefix, {kMruIndex});
  RunScan(*opened.engine);
  const std::string dlg = kExplorerKey + "ComDlg32\\";
  EXPECT_THAT(Lines(opened.engine->MRUFiles),
              ElementsAre(dlg + R"(LastVisitedMRU | a | C:\Old\Docs | Missing folder)",
                          dlg + R"(OpenSaveMRU\doc | a | C:\Docs\letter.doc | File not found)",
                          // A folder is no file: the dialogs list files.
                          dlg + R"(OpenSaveMRU\doc | b | C:\Docs | File not found)",
                          dlg + R"(OpenSaveMRU\txt |  |  | Empty List)",
                          dlg + R"(OpenSaveMRU | a | C:\Gone\direct.txt | File not found)"));
}

TEST(MruFilesRule, RunListDropsOnlyTheClosingMark) {
  TempPrefix prefix;
  prefix.File(R"(C:\Tools\app.exe)")
      .User(kExplorer + "RunMRU",
            {Sz("a", R"(C:\Tools\app.exe /x\1)"), Sz("b", R"(regedit\1)"),
             Sz("c", R"(C:\Gone\tool.exe\1)"), Sz("d", R"(C:\x\1dir\run.exe\1)"), Dword("e", 5),
             Sz("MRUList", "abcde")});
  OpenedPrefix opened = OpenWithOnly(prefix, {kMruIndex});
  RunScan(*opened.engine);
  const std::string run = kExplorerKey + "RunMRU";
  EXPECT_THAT(Lines(opened.engine->MRUFiles),
              ElementsAre(run + R"( | c | C:\Gone\tool.exe | File not found)",
                          // "\1" occurs earlier: the text is tested as it stands.
                          run + R"( | d | C:\x\1dir\run.exe\1 | File not found)"));
}

TEST(HistoryListRule, FollowsTheShortcutsOfTheRecentFolder) {
  TempPrefix prefix;
  const KnownLocations known = KnownOf(prefix);
  ASSERT_FALSE(known.RecentDir.empty());
  prefix.File(R"(C:\Here\ok.txt)");
  PutFile(prefix, known.RecentDir + "letter.txt.lnk", ShellLinkTo(R"(C:\Docs\gone.txt)"));
  PutFile(prefix, known.RecentDir + "ok.txt.lnk", ShellLinkTo(R"(C:\Here\ok.txt)"));
  PutFile(prefix, known.RecentDir + "broken.lnk", ByteVector{'n', 'o', 't', ' ', 'a', ' ', 'l'});
  const auto entry = [](const std::string& link) {
    return RecentDocsValue("doc", "DOC~1.LNK", link);
  };
  prefix
      .User(kExplorer + "RecentDocs",
            {Binary("0", entry("letter.txt.lnk")), Binary("1", entry("ok.txt.lnk")),
             Binary("2", entry("vanished.lnk")), Binary("3", entry("broken.lnk")),
             Binary("4", ByteVector{1, 2}), Binary("+1", entry("vanished.lnk")),
             Binary(" 1", entry("vanished.lnk")), Binary("$10", entry("vanished.lnk")),
             Binary("MRUListEx", ByteVector{0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF})})
      .User(kExplorer + R"(RecentDocs\.txt)")
      .User(kExplorer + R"(RecentDocs\.doc)", {Binary("5", entry("letter.txt.lnk"))});
  OpenedPrefix opened = OpenWithOnly(prefix, {kHistoryIndex});
  RunScan(*opened.engine);
  const std::string recent = kExplorerKey + "RecentDocs\\";
  EXPECT_THAT(
      Lines(opened.engine->Hist),
      ElementsAre(recent + R"(.doc | 5 | C:\Docs\gone.txt | Missing file/folder)",
                  recent + ".txt |  |  | Empty List",
                  recent + R"( | 0 | C:\Docs\gone.txt | Missing file/folder)",
                  recent + " | 2 | " + known.RecentDir + "vanished.lnk | Missing file/folder",
                  // A file in the recent folder that is no shortcut names nothing.
                  recent + " | 3 |  | Missing file/folder",
                  // Data too short to name a shortcut.
                  recent + " | 4 |  | Missing file/folder"));
}

TEST(HistoryListRule, ReportsNothingWithoutARecentFolder) {
  TempPrefix prefix;
  // A variable the profile does not define leaves the folder unknown.
  prefix.User(kExplorer + "User Shell Folders", {Sz("Recent", R"(%NoSuchFolder%\Recent)")})
      .User(kExplorer + "RecentDocs",
            {Binary("0", RecentDocsValue("doc", "DOC~1.LNK", "letter.txt.lnk"))})
      .User(kExplorer + R"(RecentDocs\.txt)");
  ASSERT_TRUE(KnownOf(prefix).RecentDir.empty());
  OpenedPrefix opened = OpenWithOnly(prefix, {kHistoryIndex});
  RunScan(*opened.engine);
  EXPECT_EQ(opened.engine->Hist.Count(), 0);
}

TEST(StartMenuRule, ReportsTheFullKeyOfFoldersGoneFromBothMenus) {
  TempPrefix prefix;
  prefix.Machine(kExplorer + "Shell Folders",
                 {Sz("Common Start Menu", R"(C:\ProgramData\Microsoft\Windows\Start Menu)")});
  const KnownLocations known = KnownOf(prefix);
  ASSERT_FALSE(known.StartMenuDir.empty());
  ASSERT_FALSE(known.CommonStartMenuDir.empty());
  prefix.Folder(known.StartMenuDir + "Programs")
      .Folder(known.CommonStartMenuDir + R"(Programs\Accessories)");
  const std::string base = kExplorer + R"(MenuOrder\Start Menu2\)";
  prefix.User(base + "Gone Top", {Binary("Order", ByteVector{1})})
      .User(base + R"(Programs\Accessories)", {Binary("Order", ByteVector{1})})
      .User(base + R"(Programs\Old Game\Sub)", {Binary("Order", ByteVector{1})});
  OpenedPrefix opened = OpenWithOnly(prefix, {kStartMenuIndex});
  RunScan(*opened.engine);
  const TStartmenuScan& cat = opened.engine->Startmenu;
  EXPECT_EQ(cat.BaseKey, "\\" + base);
  EXPECT_THAT(Lines(cat),
              ElementsAre("\\" + base + "Gone Top |  |  | No longer exists",
                          "\\" + base + R"(Programs\Old Game |  |  | No longer exists)"));
  ASSERT_EQ(cat.Count(), 2);
  EXPECT_EQ(cat.Items(0).RootKey, kCurrentUser);
}

}  // namespace
}  // namespace ordrex
