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
  const auto entries = ParseIgnoreFile("Key and case\r\n9\r\nnot a number\r\nabc\r\nodd\r\n");
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
  EXPECT_EQ(ParseIgnoreFile("a\n1\nb\n2").size(), 2u);
  EXPECT_EQ(ParseIgnoreFile("Caf\xE9\r\n4\r\n").at(0).Name, "Caf\xC3\xA9");
  EXPECT_TRUE(ParseIgnoreFile("").empty());
}

TEST(IgnoreFileFormatTest, GarbageNamesItsLine) {
  try {
    ParseIgnoreFile("a\r\n1\r\nb\0c\r\n2\r\n"s);
    FAIL() << "accepted a NUL byte";
  } catch (const IgnoreFileError& e) {
    EXPECT_EQ(e.Line(), 3);
  }
  EXPECT_THROW(ParseIgnoreFile("a\r\n1\x1B\r\n"), IgnoreFileError);
}

TEST(IgnoreFileFormatTest, WritesTwoCrLfLinesPerLiveEntry) {
  TIgnoreList list;
  const auto never = [](const std::string&) { return false; };
  list.Add("keep", kIgnoreKey | kIgnoreData, true, never);
  list.Add("gone", kIgnoreValue, false, never);
  list.Add("also", kIgnoreValue, false, never);
  list.Delete({1});
  EXPECT_EQ(FormatIgnoreFile(list), "keep\r\n13\r\nalso\r\n2\r\n");
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

TEST_F(IgnoreFileTest, ADamagedFileIsReportedAndKeptAside) {
  const std::string damaged = "fine\r\n1\r\n\x01\x02\x03\r\n";
  WriteAll(file_, damaged);
  TIgnoreList list;
  const auto result = LoadIgnoreList(list, file_, legacy_, writer_);
  EXPECT_EQ(list.RowCount(), 0);
  ASSERT_EQ(result.warnings.size(), 1u);
  EXPECT_NE(result.warnings[0].find(file_.string()), std::string::npos) << result.warnings[0];
  EXPECT_NE(result.warnings[0].find("line 3"), std::string::npos) << result.warnings[0];
  EXPECT_EQ(ReadAll(file_.string() + ".broken"), damaged);
  EXPECT_FALSE(std::filesystem::exists(file_));

  // A damaged list in the current folder is reported but left where it is.
  WriteAll(legacy_, damaged);
  const auto legacy = LoadIgnoreList(list, file_, legacy_, writer_);
  ASSERT_EQ(legacy.warnings.size(), 1u);
  EXPECT_EQ(ReadAll(legacy_), damaged);
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
