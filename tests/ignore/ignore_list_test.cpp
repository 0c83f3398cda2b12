// The ignore list: matching, adding, deleting and its file (the scan's use:
// user_settings_cli_test).

#include "ignore/ignore_list.h"

#include <gtest/gtest.h>

#include "ignore/ignore_file.h"
#include "support/fresh_prefix.h"

namespace ordrex {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using testsupport::ReadAll;
using testsupport::WriteAll;

// Answers every replace question the same way and remembers what was asked.
struct Answer {
  bool yes;
  std::vector<std::string> asked;
  TIgnoreList::ConfirmReplace Callback() {
    return [this](const std::string& question) {
      asked.push_back(question);
      return yes;
    };
  }
};

const TIgnoreList::ConfirmReplace kNeverAsked = [](const std::string& question) -> bool {
  ADD_FAILURE() << "unexpected question: " << question;
  return false;
};

TEST(IgnoreMatchingTest, WholeTextInItsScopesWithTheEntrysCaseRule) {
  TIgnoreList list;
  ASSERT_EQ(list.Add(R"(\CLSID\{ABC})", kIgnoreKey, false, kNeverAsked), IgnoreAddResult::Added);
  list.Add("Tool.exe", kIgnoreValue | kIgnoreData, true, kNeverAsked);
  EXPECT_FALSE(list.IsIgnored(R"(\CLSID)", IgnoreScope::Key));
  EXPECT_FALSE(list.IsIgnored(R"(\CLSID\{ABC})", IgnoreScope::Value));
  EXPECT_FALSE(list.IsIgnored(R"(\CLSID\{ABC})", IgnoreScope::Data));
  EXPECT_TRUE(list.IsIgnored("Tool.exe", IgnoreScope::Value));
  EXPECT_TRUE(list.IsIgnored("Tool.exe", IgnoreScope::Data));
  EXPECT_FALSE(list.IsIgnored("Tool.exe", IgnoreScope::Key));
  EXPECT_FALSE(list.IsIgnored("TOOL.EXE", IgnoreScope::Value));  // the entry keeps its case
  EXPECT_TRUE(list.IsIgnored(R"(\clsid\{abc})", IgnoreScope::Key));
  EXPECT_FALSE(list.IsIgnored("", IgnoreScope::Value));
}

TEST(IgnoreEditTest, AddRefusesEmptyTextNoScopeAndTextTheFileCannotKeep) {
  TIgnoreList list;
  EXPECT_EQ(list.Add("   ", kIgnoreKey, false, kNeverAsked), IgnoreAddResult::EmptyText);
  EXPECT_EQ(list.Add("x", kIgnoreCase, true, kNeverAsked), IgnoreAddResult::NoScope);
  const std::pair<const char*, const char*> unstorable[] = {
      {"two\nlines", "it holds a line break"},
      {"esc\x1B[0m", "it holds the control character U+001B"},
      {"del\x7F", "it holds the control character U+007F"},
      {"Caf\xE9", "it is not UTF-8 text"},
  };
  for (const auto& [text, fault] : unstorable) {
    EXPECT_EQ(IgnoreTextFault(text), fault) << text;
    EXPECT_EQ(list.Add(text, kIgnoreKey, false, kNeverAsked), IgnoreAddResult::BadText) << text;
  }
  EXPECT_TRUE(list.Records().empty());
  EXPECT_EQ(IgnoreTextFault("tab\tinside, \xEF\xBB\xBF and Caf\xC3\xA9"), "");
  EXPECT_EQ(list.Add("  padded\t", kIgnoreData, false, kNeverAsked), IgnoreAddResult::Added);
  EXPECT_EQ(list.Rows().at(0).Name, "padded");
}

TEST(IgnoreEditTest, AddingAListedTextAsksBeforeReplacing) {
  TIgnoreList list;
  list.Add("Alpha", kIgnoreKey, false, kNeverAsked);
  list.Add("Beta", kIgnoreKey, false, kNeverAsked);

  Answer no{false, {}};
  EXPECT_EQ(list.Add("BETA", kIgnoreData, true, no.Callback()), IgnoreAddResult::Declined);
  EXPECT_EQ(no.asked, std::vector<std::string>{"Replace BETA entry?"});
  EXPECT_EQ(list.Rows().at(1).Name, "Beta");

  Answer yes{true, {}};
  EXPECT_EQ(list.Add("BETA", kIgnoreData, true, yes.Callback()), IgnoreAddResult::Replaced);
  ASSERT_EQ(list.RowCount(), 2);
  const TIgnoreRec row = list.Rows().at(1);
  EXPECT_EQ(row.Name, "BETA");
  EXPECT_EQ(row.Index, 1);
  EXPECT_EQ(row.Flags(), kIgnoreData | kIgnoreCase);

  // Now case sensitive: a text in other letters is a new entry, asked nothing.
  EXPECT_EQ(list.Add("beta", kIgnoreKey, false, kNeverAsked), IgnoreAddResult::Added);
  EXPECT_EQ(list.RowCount(), 3);
}

TEST(IgnoreEditTest, DeletedEntriesStayMarkedAndAreNotWritten) {
  TIgnoreList list;
  list.Add("a", kIgnoreKey | kIgnoreData, true, kNeverAsked);
  for (const char* name : {"b", "c", "d"})
    list.Add(name, kIgnoreValue, false, kNeverAsked);
  EXPECT_EQ(list.Delete({1, 3, 3, 9}), 2);
  ASSERT_EQ(list.Records().size(), 4u);
  EXPECT_EQ(list.Records()[1].Index, -1);
  EXPECT_EQ(list.Records()[3].Index, -1);
  const auto rows = list.Rows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1].Name, "c");
  EXPECT_EQ(rows[1].Index, 1);
  EXPECT_FALSE(list.IsIgnored("b", IgnoreScope::Value));
  // Two CR LF lines per live entry: the text and the flags.
  EXPECT_EQ(FormatIgnoreFile(list), "a\r\n13\r\nc\r\n2\r\n");
}

TEST(IgnoreFileFormatTest, FlagsLinesAndLineEnds) {
  const auto entries =
      ParseIgnoreFile("Key and case\r\n9\r\nnot a number\r\nabc\r\nodd\r\n").entries;
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].Name, "Key and case");
  EXPECT_EQ(entries[0].Flags(), kIgnoreKey | kIgnoreCase);
  EXPECT_EQ(entries[1].Flags(), 15);  // "abc" reads as -1: every flag
  EXPECT_EQ(entries[1].Index, 1);

  for (const auto& [text, flags] :
       {std::pair{" 6 ", 6}, {"-1", -1}, {"4x", -1}, {"99999999999", -1}, {"", -1}})
    EXPECT_EQ(ParseIgnoreFlags(text), flags) << text;

  // Files edited on Linux, without a final line end, or in the old 8-bit code page.
  EXPECT_EQ(ParseIgnoreFile("a\n1\nb\n2").entries.size(), 2u);
  EXPECT_EQ(ParseIgnoreFile("Caf\xE9\r\n4\r\n").entries.at(0).Name, "Caf\xC3\xA9");
  EXPECT_EQ(ParseIgnoreFile("\xEF\xBB\xBF" + std::string("bom\r\n4\r\n")).entries.at(0).Name,
            "bom");

  // An entry with a control character is left out with its line; the others stay.
  const auto contents = ParseIgnoreFile("a\r\n1\r\nb\x01\r\n2\r\nc\r\n4\x1B\r\nd\tx\r\n4\r\n");
  ASSERT_EQ(contents.entries.size(), 2u);
  EXPECT_EQ(contents.entries[1].Name, "d\tx");
  ASSERT_EQ(contents.skipped.size(), 2u);
  EXPECT_EQ(contents.skipped[0].what(),
            std::string("line 3: it holds the control character U+0001"));
  EXPECT_EQ(contents.skipped[1].Line(), 6);

  // Whatever Add takes comes back from the file as it was, a leading U+FEFF included.
  TIgnoreList odd;
  const auto never = [](const std::string&) { return false; };
  for (const char* name : {"\xEF\xBB\xBFlead", "\xEF\xBB\xBF", "tab\tinside", "Caf\xC3\xA9"})
    ASSERT_EQ(odd.Add(name, kIgnoreData, false, never), IgnoreAddResult::Added) << name;
  const auto back = ParseIgnoreFile(FormatIgnoreFile(odd));
  ASSERT_EQ(back.entries.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i)
    EXPECT_EQ(back.entries[i].Name, odd.Rows()[i].Name);
}

class IgnoreFileTest : public ::testing::Test {
 protected:
  testsupport::ScratchFolder scratch_;
  fs::path file_ = scratch_.Path() / "config" / "ignore.lst";
  fs::path legacy_ = scratch_.Path() / "cwd" / "ignore.lst";
  AtomicFileWriter writer_;
};

// A file is never emptied by a run that did not know it, but a list emptied by the user is.
TEST_F(IgnoreFileTest, SavesWhatWasLoadedOrChangedOnly) {
  TIgnoreList none;
  EXPECT_FALSE(SaveIgnoreList(none, file_, writer_));
  EXPECT_FALSE(fs::exists(file_));

  // A file with only an odd line loads nothing, and is left as it was.
  WriteAll(file_, "half an entry\r\n");
  TIgnoreList odd;
  LoadIgnoreList(odd, file_, legacy_, writer_);
  EXPECT_FALSE(SaveIgnoreList(odd, file_, writer_));
  EXPECT_EQ(ReadAll(file_), "half an entry\r\n");

  WriteAll(file_, "one\r\n1\r\ntwo\r\n2\r\n");
  TIgnoreList list;
  EXPECT_TRUE(LoadIgnoreList(list, file_, legacy_, writer_).warnings.empty());
  ASSERT_EQ(list.RowCount(), 2);
  list.Delete({0, 1});
  EXPECT_TRUE(SaveIgnoreList(list, file_, writer_));
  EXPECT_EQ(ReadAll(file_), "");
}

TEST_F(IgnoreFileTest, TheCurrentFoldersListIsTakenOverOnce) {
  WriteAll(legacy_, "old entry\r\n4\r\n");
  TIgnoreList first;
  const auto result = LoadIgnoreList(first, file_, legacy_, writer_);
  EXPECT_EQ(result.source, legacy_);
  EXPECT_EQ(ReadAll(file_), "old entry\r\n4\r\n");
  EXPECT_TRUE(fs::exists(legacy_));  // another program's copy stays

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
  EXPECT_NE(result.warnings[0].find("line 3"), std::string::npos) << result.warnings[0];
  EXPECT_FALSE(fs::exists(file_.string() + ".broken"));

  const std::string damaged = "fine\r\n1\r\n\0\x01\r\n"s;
  WriteAll(file_, damaged);
  const auto binary = LoadIgnoreList(list, file_, legacy_, writer_);
  ASSERT_EQ(binary.warnings.size(), 1u);  // its text: see the CLI test of a damaged file
  EXPECT_EQ(ReadAll(file_.string() + ".broken"), damaged);
  EXPECT_FALSE(fs::exists(file_));

  // A damaged list in the current folder is reported but left where it is.
  WriteAll(legacy_, damaged);
  const auto legacy = LoadIgnoreList(list, file_, legacy_, writer_);
  ASSERT_EQ(legacy.warnings.size(), 1u);
  EXPECT_EQ(ReadAll(legacy_), damaged);
  EXPECT_FALSE(fs::exists(file_));
}

}  // namespace
}  // namespace ordrex
