// The recently-used lists, the Start menu order, and the parsers of the lists' binary entries.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/mru_parsers.h"
#include "support/prefix_engine.h"

namespace ordrex {
namespace {

using ::testing::ElementsAre;
using namespace testsupport;

const std::string kExplorer = R"(Software\Microsoft\Windows\CurrentVersion\Explorer\)";
const std::string kUserExplorer =
    R"(HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\)";

TEST(MruFilesRule, LastVisitedOpenSaveAndRunLists) {
  TempPrefix prefix;
  prefix.Folder(R"(C:\Here)")
      .Folder(R"(C:\Docs)")
      .File(R"(C:\Tools\app.exe)")
      .User(kExplorer + R"(ComDlg32\LastVisitedMRU)",
            {Binary("a", LastVisitedValue("notepad.exe", R"(C:\Old\Docs)")),
             Binary("b", LastVisitedValue("app.exe", R"(C:\Here)")),
             Binary("cc", LastVisitedValue("app.exe", R"(C:\Gone)")), Sz("MRUList", "ab")})
      .User(kExplorer + R"(ComDlg32\OpenSaveMRU\txt)")
      .User(kExplorer + R"(ComDlg32\OpenSaveMRU\doc)",
            {Sz("a", R"(C:\Docs\letter.doc)"), Sz("b", R"(C:\Docs)"), Sz("MRUList", "ab")})
      .User(kExplorer + R"(ComDlg32\OpenSaveMRU)", {Sz("a", R"(C:\Gone\direct.txt)")})
      // The dialog ends each entry with "\1"; only that closing mark is dropped.
      .User(kExplorer + "RunMRU",
            {Sz("a", R"(C:\Tools\app.exe /x\1)"), Sz("b", R"(regedit\1)"),
             Sz("c", R"(C:\Gone\tool.exe\1)"), Sz("d", R"(C:\x\1dir\run.exe\1)"), Dword("e", 5),
             Sz("f", R"(C:\windows\gone.exe\1)"), Sz("MRUList", "abcdef")});
  PrefixEngine scan(prefix);
  scan.ScanOnly({&scan.Engine().MRUFiles});
  EXPECT_THAT(
      Problems(scan.Engine().MRUFiles, kUserExplorer),
      ElementsAre(
          R"(ComDlg32\LastVisitedMRU | a | C:\Old\Docs | Missing folder | selected | -)",
          R"(ComDlg32\OpenSaveMRU\doc | a | C:\Docs\letter.doc | File not found | selected | missing)",
          // A folder is no file: the dialogs list files.
          R"(ComDlg32\OpenSaveMRU\doc | b | C:\Docs | File not found | selected | missing)",
          R"(ComDlg32\OpenSaveMRU\txt |  |  | Empty List | selected | -)",
          R"(ComDlg32\OpenSaveMRU | a | C:\Gone\direct.txt | File not found | selected | missing)",
          R"(RunMRU | c | C:\Gone\tool.exe | File not found | selected | missing)",
          // "\1" occurs earlier: the text is tested as it stands.
          R"(RunMRU | d | C:\x\1dir\run.exe\1 | File not found | selected | missing)",
          R"(RunMRU | f | C:\windows\gone.exe | File not found | unselected | missing)"));
}

TEST(HistoryListRule, FollowsTheShortcutsOfTheRecentFolder) {
  TempPrefix prefix;
  const KnownLocations known = KnownOf(prefix);
  prefix.File(R"(C:\Here\ok.txt)")
      .File(known.RecentDir + "letter.txt.lnk", ShellLinkTo(R"(C:\Docs\gone.txt)"))
      .File(known.RecentDir + "ok.txt.lnk", ShellLinkTo(R"(C:\Here\ok.txt)"))
      .File(known.RecentDir + "broken.lnk", ByteVector{'n', 'o', 't', ' ', 'a', ' ', 'l'});
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
  PrefixEngine scan(prefix);
  scan.ScanOnly({&scan.Engine().Hist});
  const std::string missing = " | Missing file/folder | selected | missing";
  EXPECT_THAT(
      Problems(scan.Engine().Hist, kUserExplorer + "RecentDocs\\"),
      ElementsAre(R"(.doc | 5 | C:\Docs\gone.txt)" + missing,
                  ".txt |  |  | Empty List | selected | -", R"( | 0 | C:\Docs\gone.txt)" + missing,
                  " | 2 | " + known.RecentDir + "vanished.lnk" + missing,
                  // A file in the recent folder that is no shortcut names nothing.
                  " | 3 | " + missing,
                  // Data too short to name a shortcut.
                  " | 4 | " + missing));
}

TEST(StartMenuAndHistoryListRules, FoldersGoneFromBothMenusAndNoRecentFolder) {
  TempPrefix prefix;
  prefix
      .Machine(kExplorer + "Shell Folders",
               {Sz("Common Start Menu", R"(C:\ProgramData\Microsoft\Windows\Start Menu)")})
      // A variable the profile does not define leaves the folder unknown.
      .User(kExplorer + "User Shell Folders", {Sz("Recent", R"(%NoSuchFolder%\Recent)")})
      .User(kExplorer + "RecentDocs",
            {Binary("0", RecentDocsValue("doc", "DOC~1.LNK", "letter.txt.lnk"))})
      .User(kExplorer + R"(RecentDocs\.txt)");
  const KnownLocations known = KnownOf(prefix);
  ASSERT_TRUE(known.RecentDir.empty());
  prefix.Folder(known.StartMenuDir + "Programs")
      .Folder(known.CommonStartMenuDir + R"(Programs\Accessories)");
  const std::string base = kExplorer + R"(MenuOrder\Start Menu2\)";
  prefix.User(base + "Gone Top", {Binary("Order", ByteVector{1})})
      .User(base + R"(Programs\Accessories)", {Binary("Order", ByteVector{1})})
      .User(base + R"(Programs\Old Game\Sub)", {Binary("Order", ByteVector{1})});
  PrefixEngine scan(prefix);
  scan.ScanOnly({&scan.Engine().Startmenu, &scan.Engine().Hist});
  EXPECT_EQ(scan.Engine().Hist.Count(), 0);
  EXPECT_EQ(scan.Engine().Startmenu.BaseKey, "\\" + base);
  EXPECT_THAT(Problems(scan.Engine().Startmenu, kUserExplorer + R"(MenuOrder\Start Menu2\)"),
              ElementsAre("Gone Top |  |  | No longer exists | selected | -",
                          R"(Programs\Old Game |  |  | No longer exists | selected | -)"));
}

void AddUtf16(ByteVector& out, const std::string& ascii, bool terminate = true) {
  for (char c : ascii)
    out.insert(out.end(), {static_cast<std::uint8_t>(c), 0});
  if (terminate) out.insert(out.end(), {0, 0});
}

TEST(ParseLastVisitedEntry, ProgramAndFolderEvenWhenShortOddOrUnterminated) {
  const auto parse = [](const ByteVector& data) {
    const LastVisitedEntry entry = ParseLastVisitedEntry(data);
    return entry.program + "|" + entry.folder;
  };
  ByteVector data = LastVisitedValue("notepad.exe", R"(C:\Old\Docs)");
  AddUtf16(data, "junk after");  // the folder ends at its first NUL
  EXPECT_EQ(parse(data), R"(notepad.exe|C:\Old\Docs)");
  data.clear();
  AddUtf16(data, "app.exe");
  AddUtf16(data, R"(C:\Folder)", false);  // no closing zero unit
  data.push_back('X');                    // odd last byte: no unit
  EXPECT_EQ(parse(data), R"(app.exe|C:\Folder)");
  EXPECT_EQ(parse(ByteVector{'a'}), "|");
  data.clear();
  AddUtf16(data, "only-a-program", false);
  EXPECT_EQ(parse(data), "only-a-program|");
}

// The short name is read in 8 bits (as the History List test has it) or else in UTF-16.
TEST(ParseRecentDocsEntry, ShortNameInEitherFormAndDataCutAnywhere) {
  ByteVector data;
  AddUtf16(data, "report.doc");
  data.insert(data.end(), 14, 0x11);  // item header bytes (none zero)
  // Read as 8 bits this is "R" (then a zero byte): not a .LNK name, so UTF-16 is tried.
  AddUtf16(data, "REPORT~1.LNK");
  data.insert(data.end(), 20, 0x22);
  AddUtf16(data, "report.doc.lnk");
  RecentDocsEntry entry = ParseRecentDocsEntry(data);
  EXPECT_EQ(entry.displayName, "report.doc");
  EXPECT_EQ(entry.shortName, "REPORT~1.LNK");
  EXPECT_EQ(entry.linkFileName, "report.doc.lnk");

  const ByteVector whole = RecentDocsValue("a.txt", "A~1.LNK", "a.txt.lnk");
  for (std::size_t size = 0; size <= whole.size(); ++size) {
    const ByteVector cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
    const RecentDocsEntry part = ParseRecentDocsEntry(cut);
    // Whatever is cut off, the link name is a prefix of the real one (or empty).
    EXPECT_EQ(std::string("a.txt.lnk").rfind(part.linkFileName, 0), 0u) << size;
    if (size < 4) {
      EXPECT_EQ(part.displayName + part.linkFileName, "") << size;
    }
  }
  // Without the closing zero unit and with an odd last byte.
  ByteVector odd(whole.begin(), whole.end() - 4);
  odd.push_back('k');
  EXPECT_EQ(ParseRecentDocsEntry(odd).linkFileName, "a.txt.lnk");
}

}  // namespace
}  // namespace ordrex
