#include "engine/mru_parsers.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/shell_link_bytes.h"

namespace ordrex {
namespace {

using testsupport::ByteVector;
using testsupport::LastVisitedValue;
using testsupport::RecentDocsValue;

void AddUtf16(ByteVector& out, const std::string& ascii, bool terminate = true) {
  for (char c : ascii)
    out.insert(out.end(), {static_cast<std::uint8_t>(c), 0});
  if (terminate) out.insert(out.end(), {0, 0});
}

TEST(ParseLastVisitedEntry, ProgramAndFolderEvenWhenShortOddOrUnterminated) {
  ByteVector data = LastVisitedValue("notepad.exe", R"(C:\Old\Docs)");
  AddUtf16(data, "junk after");  // the folder ends at its first NUL
  LastVisitedEntry entry = ParseLastVisitedEntry(data);
  EXPECT_EQ(entry.program, "notepad.exe");
  EXPECT_EQ(entry.folder, R"(C:\Old\Docs)");

  data.clear();
  AddUtf16(data, "app.exe");
  AddUtf16(data, R"(C:\Folder)", false);  // no closing zero unit
  data.push_back('X');                    // odd last byte: no unit
  entry = ParseLastVisitedEntry(data);
  EXPECT_EQ(entry.program, "app.exe");
  EXPECT_EQ(entry.folder, R"(C:\Folder)");

  entry = ParseLastVisitedEntry(ByteVector{'a'});
  EXPECT_EQ(entry.program + entry.folder, "");
  data.clear();
  AddUtf16(data, "only-a-program", false);
  entry = ParseLastVisitedEntry(data);
  EXPECT_EQ(entry.program, "only-a-program");
  EXPECT_EQ(entry.folder, "");
}

TEST(ParseRecentDocsEntry, ReadsTheLinkFileNameWithTheShortNameInEitherForm) {
  RecentDocsEntry entry =
      ParseRecentDocsEntry(RecentDocsValue("letter.txt", "LETTER~1.LNK", "letter.txt.lnk"));
  EXPECT_EQ(entry.displayName, "letter.txt");
  EXPECT_EQ(entry.shortName, "LETTER~1.LNK");
  EXPECT_EQ(entry.linkFileName, "letter.txt.lnk");

  ByteVector data;
  AddUtf16(data, "report.doc");
  data.insert(data.end(), 14, 0x11);  // item header bytes (none zero)
  // Read as 8 bits this is "R" (then a zero byte): not a .LNK name, so UTF-16 is tried.
  AddUtf16(data, "REPORT~1.LNK");
  data.insert(data.end(), 20, 0x22);
  AddUtf16(data, "report.doc.lnk");
  entry = ParseRecentDocsEntry(data);
  EXPECT_EQ(entry.shortName, "REPORT~1.LNK");
  EXPECT_EQ(entry.linkFileName, "report.doc.lnk");
}

TEST(ParseRecentDocsEntry, ShortOrTruncatedDataStopsAtItsEnd) {
  const ByteVector whole = RecentDocsValue("a.txt", "A~1.LNK", "a.txt.lnk");
  for (std::size_t size = 0; size <= whole.size(); ++size) {
    const ByteVector cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
    const RecentDocsEntry entry = ParseRecentDocsEntry(cut);
    // Whatever is cut off, the link name is a prefix of the real one (or empty).
    EXPECT_EQ(std::string("a.txt.lnk").rfind(entry.linkFileName, 0), 0u) << size;
    if (size < 4) {
      EXPECT_EQ(entry.displayName + entry.linkFileName, "") << size;
    }
  }
  // Without the closing zero unit and with an odd last byte.
  ByteVector odd(whole.begin(), whole.end() - 4);
  odd.push_back('k');
  EXPECT_EQ(ParseRecentDocsEntry(odd).linkFileName, "a.txt.lnk");
}

TEST(MruParsers, RandomDataNeverReadsOutside) {
  std::mt19937 random(12345);
  for (int round = 0; round < 3000; ++round) {
    ByteVector data(random() % 200);
    for (auto& byte : data)
      byte = static_cast<std::uint8_t>(random() % 4 == 0 ? 0 : random());
    // Run under the sanitizer build, an out-of-bounds read fails here.
    const RecentDocsEntry recent = ParseRecentDocsEntry(data);
    const LastVisitedEntry visited = ParseLastVisitedEntry(data);
    EXPECT_LE(recent.linkFileName.size(), data.size() * 3);
    EXPECT_LE(visited.folder.size(), data.size() * 3);
  }
}

}  // namespace
}  // namespace ordrex
