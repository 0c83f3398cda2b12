#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "ignore/ignore_file.h"
#include "support/fresh_prefix.h"

namespace ordrex {
namespace {

using namespace std::string_literals;

using testsupport::ReadAll;
using testsupport::ScratchFolder;
using testsupport::WriteAll;

TEST(IgnoreFileFormatTest, FlagsLinesAndLineEnds) {
  const auto entries =
      ParseIgnoreFile("Key and case\r\n9\r\nnot a number\r\nabc\r\nodd\r\n").entries;
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].Name, "Key and case");
  EXPECT_TRUE(entries[0].Key);
  EXPECT_FALSE(entries[0].Value);
  EXPECT_FALSE(entries[0].Data);
  EXPECT_TRUE(entries[0].CaseSensitive);
  EXPECT_EQ(entries[1].Flags(), 15);  // "abc" reads as -1: every flag
  EXPECT_EQ(entries[1].Index, 1);

  EXPECT_EQ(ParseIgnoreFlags(" 6 "), 6);
  EXPECT_EQ(ParseIgnoreFlags("-1"), -1);
  EXPECT_EQ(ParseIgnoreFlags("4x"), -1);
  EXPECT_EQ(ParseIgnoreFlags("99999999999"), -1);
  EXPECT_EQ(ParseIgnoreFlags(""), -1);

  // Files edited on Linux, without a final line end, or in the old 8-bit code page.
  EXPECT_EQ(ParseIgnoreFile("a\n1\nb\n2").entries.size(), 2u);
  EXPECT_EQ(ParseIgnoreFile("Caf\xE9\r\n4\r\n").entries.at(0).Name, "Caf\xC3\xA9");
  EXPECT_EQ(ParseIgnoreFile("\xEF\xBB\xBF" "bom\r\n4\r\n").entries.at(0).Name, "bom");
  EXPECT_TRUE(ParseIgnoreFile("").entries.empty());
}

TEST(IgnoreFileFormatTest, AnEntryWithAControlCharacterIsSkippedWithItsLine) {
  const auto contents = ParseIgnoreFile("a\r\n1\r\nb\x01\r\n2\r\nc\r\n4\x1B\r\nd\tx\r\n4\r\n");
  ASSERT_EQ(contents.entries.size(), 2u);
  EXPECT_EQ(contents.entries[1].Name, "d\tx");
  EXPECT_EQ(contents.entries[1].Index, 1);
  ASSERT_EQ(contents.skipped.size(), 2u);
  EXPECT_EQ(contents.skipped[0].what(),
            std::string("line 3: it holds the control character U+0001"));
  EXPECT_EQ(contents.skipped[1].Line(), 6);

  // A NUL character: not a text file at all.
  try {
    ParseIgnoreFile("a\r\n1\r\nb\0c\r\n2\r\n"s);
    FAIL() << "accepted a NUL byte";
  } catch (const IgnoreFileError& e) {
    EXPECT_EQ(e.Line(), 3);
  }
}

TEST(IgnoreFileFormatTest, WritesTwoCrLfLinesPerLiveEntry) {
  TIgnoreList list;
  const auto never = [](const std::string&) { return false; };
  list.Add("keep", kIgnoreKey | kIgnoreData, true, never);
  list.Add("gone", kIgnoreValue, false, never);
  list.Add("also", kIgnoreValue, false, never);
  list.Delete({1});
  EXPECT_EQ(FormatIgnoreFile(list), "keep\r\n13\r\nalso\r\n2\r\n");

  // Whatever Add takes comes back from the file as it was, a leading U+FEFF included.
  TIgnoreList odd;
  for (const char* name : {"\xEF\xBB\xBFlead", "\xEF\xBB\xBF", "tab\tinside", "Caf\xC3\xA9"})
    ASSERT_EQ(odd.Add(name, kIgnoreData, false, never), IgnoreAddResult::Added) << name;
  const auto back = ParseIgnoreFile(FormatIgnoreFile(odd));
  ASSERT_EQ(back.entries.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i)
    EXPECT_EQ(back.entries[i].Name, odd.Rows()[i].Name);
}

class IgnoreFileTest : public ::testing::Test {
 protected:
  ScratchFolder scratch_;
  std::filesystem::path file_ = scratch_.Path() / "config" / "ignore.lst";
  std::filesystem::path legacy_ = scratch_.Path() / "cwd" / "ignore.lst";
  AtomicFileWriter writer_;
};

TEST_F(IgnoreFileTest, DeletingEveryEntryWritesAnEmptyFile) {
  WriteAll(file_, "one\r\n1\r\ntwo\r\n2\r\n");
  TIgnoreList list;
  const auto result = LoadIgnoreList(list, file_, legacy_, writer_);
  EXPECT_EQ(result.source, file_);
  EXPECT_TRUE(result.warnings.empty());
  ASSERT_EQ(list.RowCount(), 2);
  list.Delete({0, 1});
  EXPECT_TRUE(SaveIgnoreList(list, file_, writer_));
  EXPECT_TRUE(std::filesystem::exists(file_));
  EXPECT_EQ(ReadAll(file_), "");
}

TEST_F(IgnoreFileTest, NothingEverLoadedOrAddedWritesNothing) {
  TIgnoreList none;
  EXPECT_FALSE(SaveIgnoreList(none, file_, writer_));
  EXPECT_FALSE(std::filesystem::exists(file_));

  // A file with only an odd line loads nothing, and is left as it was.
  WriteAll(file_, "half an entry\r\n");
  TIgnoreList list;
  LoadIgnoreList(list, file_, legacy_, writer_);
  EXPECT_FALSE(SaveIgnoreList(list, file_, writer_));
  EXPECT_EQ(ReadAll(file_), "half an entry\r\n");
}

TEST_F(IgnoreFileTest, TheCurrentFoldersListIsTakenOverOnce) {
  WriteAll(legacy_, "old entry\r\n4\r\n");
  TIgnoreList first;
  const auto result = LoadIgnoreList(first, file_, legacy_, writer_);
  EXPECT_EQ(result.source, legacy_);
  EXPECT_EQ(ReadAll(file_), "old entry\r\n4\r\n");
  EXPECT_TRUE(std::filesystem::exists(legacy_));  // another program's copy stays

  WriteAll(legacy_, "changed\r\n4\r\n");
  TIgnoreList second;
  EXPECT_EQ(LoadIgnoreList(second, file_, legacy_, writer_).source, file_);
  ASSERT_EQ(second.RowCount(), 1);
  EXPECT_EQ(second.Rows()[0].Name, "old entry");
}

TEST_F(IgnoreFileTest, ABadEntryIsLeftOutAndAFileThatIsNotTextIsKeptAside) {
  WriteAll(file_, "fine\r\n1\r\n\x01\x02\x03\r\n2\r\nalso fine\r\n4\r\n");
  TIgnoreList list;
  const auto result = LoadIgnoreList(list, file_, legacy_, writer_);
  ASSERT_EQ(list.RowCount(), 2);
  EXPECT_EQ(list.Rows()[1].Name, "also fine");
  ASSERT_EQ(result.warnings.size(), 1u);
  EXPECT_NE(result.warnings[0].find(file_.string()), std::string::npos) << result.warnings[0];
  EXPECT_NE(result.warnings[0].find("line 3"), std::string::npos) << result.warnings[0];
  EXPECT_FALSE(std::filesystem::exists(file_.string() + ".broken"));

  const std::string binary = "fine\r\n1\r\n\0\x01\r\n"s;
  WriteAll(file_, binary);
  TIgnoreList none;
  const auto damaged = LoadIgnoreList(none, file_, legacy_, writer_);
  EXPECT_EQ(none.RowCount(), 0);
  ASSERT_EQ(damaged.warnings.size(), 1u);
  EXPECT_NE(damaged.warnings[0].find("line 3"), std::string::npos) << damaged.warnings[0];
  EXPECT_EQ(ReadAll(file_.string() + ".broken"), binary);
  EXPECT_FALSE(std::filesystem::exists(file_));

  // Such a list in the current folder is reported but left where it is.
  WriteAll(legacy_, binary);
  const auto legacy = LoadIgnoreList(none, file_, legacy_, writer_);
  ASSERT_EQ(legacy.warnings.size(), 1u);
  EXPECT_EQ(ReadAll(legacy_), binary);
  EXPECT_FALSE(std::filesystem::exists(file_));
}

TEST_F(IgnoreFileTest, AFailedSaveLeavesTheOldFile) {
  WriteAll(file_, "one\r\n1\r\n");
  TIgnoreList list;
  LoadIgnoreList(list, file_, legacy_, writer_);
  list.Add("two", kIgnoreKey, false, nullptr);
  FaultInjectingFileWriter failing;
  failing.FailAfter(0, FaultInjectingFileWriter::Fault::kBeforeRename);
  EXPECT_THROW(SaveIgnoreList(list, file_, failing), FileWriteError);
  EXPECT_EQ(ReadAll(file_), "one\r\n1\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(file_.parent_path()),
                          std::filesystem::directory_iterator()),
            1);
}

}  // namespace
}  // namespace ordrex
