#include <gtest/gtest.h>

#include "ignore/ignore_list.h"

namespace ordrex {
namespace {

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

TEST(IgnoreMatchingTest, WholeTextWithTheEntrysCaseRule) {
  TIgnoreList list;
  ASSERT_EQ(list.Add(R"(\CLSID\{ABC})", kIgnoreKey, false, kNeverAsked), IgnoreAddResult::Added);
  EXPECT_TRUE(list.IsIgnored(R"(\clsid\{abc})", IgnoreScope::Key));
  EXPECT_FALSE(list.IsIgnored(R"(\CLSID\{ABC}\InprocServer32)", IgnoreScope::Key));
  EXPECT_FALSE(list.IsIgnored(R"(\CLSID)", IgnoreScope::Key));
  EXPECT_FALSE(list.IsIgnored(R"(\CLSID\{ABC})", IgnoreScope::Value));
  EXPECT_FALSE(list.IsIgnored(R"(\CLSID\{ABC})", IgnoreScope::Data));

  TIgnoreList exact;
  exact.Add("Tool.exe", kIgnoreValue | kIgnoreData, true, kNeverAsked);
  EXPECT_TRUE(exact.IsIgnored("Tool.exe", IgnoreScope::Value));
  EXPECT_TRUE(exact.IsIgnored("Tool.exe", IgnoreScope::Data));
  EXPECT_FALSE(exact.IsIgnored("tool.exe", IgnoreScope::Value));
  EXPECT_FALSE(exact.IsIgnored("Tool.exe", IgnoreScope::Key));
  EXPECT_FALSE(exact.IsIgnored("", IgnoreScope::Value));
}

TEST(IgnoreMatchingTest, TheFirstMatchingRowDecides) {
  TIgnoreList list;
  list.AppendLoaded(TIgnoreRec::FromFlags(0, "same", kIgnoreValue));
  list.AppendLoaded(TIgnoreRec::FromFlags(0, "SAME", kIgnoreKey));
  int mask = -1;
  EXPECT_EQ(list.FindIgnoreEntry("Same", &mask), 0);
  EXPECT_EQ(mask, kIgnoreValue);
  EXPECT_FALSE(list.IsIgnored("Same", IgnoreScope::Key));
  EXPECT_EQ(list.FindIgnoreEntry("other", &mask), -1);
  EXPECT_EQ(mask, 0);

  list.Delete({0});
  EXPECT_EQ(list.FindIgnoreEntry("Same", &mask), 0);  // the second is now the first row
  EXPECT_TRUE(list.IsIgnored("Same", IgnoreScope::Key));
}

TEST(IgnoreEditTest, AddRefusesEmptyTextNoScopeAndTextTheFileCannotKeep) {
  TIgnoreList list;
  EXPECT_EQ(list.Add("   ", kIgnoreKey, false, kNeverAsked), IgnoreAddResult::EmptyText);
  EXPECT_EQ(list.Add("x", 0, true, kNeverAsked), IgnoreAddResult::NoScope);
  EXPECT_EQ(list.Add("x", kIgnoreCase, true, kNeverAsked), IgnoreAddResult::NoScope);
  const std::pair<const char*, const char*> unstorable[] = {
      {"two\nlines", "it holds a line break"},
      {"two\rlines", "it holds a line break"},
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

TEST(IgnoreEditTest, EditChangesTheRowAndARowWithoutScopeIsAddedAgain) {
  TIgnoreList list;
  list.AppendLoaded(TIgnoreRec::FromFlags(0, "first", kIgnoreKey));
  list.AppendLoaded(TIgnoreRec::FromFlags(0, "hand made", 0));
  EXPECT_EQ(list.Edit(0, "First", kIgnoreValue, true, kNeverAsked), IgnoreAddResult::Replaced);
  EXPECT_EQ(list.Rows().at(0).Flags(), kIgnoreValue | kIgnoreCase);
  EXPECT_EQ(list.Edit(0, "", kIgnoreValue, true, kNeverAsked), IgnoreAddResult::EmptyText);
  EXPECT_EQ(list.Edit(0, "a\nb", kIgnoreValue, true, kNeverAsked), IgnoreAddResult::BadText);
  EXPECT_EQ(list.Edit(5, "x", kIgnoreValue, true, kNeverAsked), IgnoreAddResult::NoSuchRow);

  // The row without scope opens as a new entry; its own text matches itself.
  Answer yes{true, {}};
  EXPECT_EQ(list.Edit(1, "hand made", kIgnoreData, false, yes.Callback()),
            IgnoreAddResult::Replaced);
  EXPECT_EQ(yes.asked, std::vector<std::string>{"Replace hand made entry?"});
  EXPECT_EQ(list.RowCount(), 2);
  EXPECT_EQ(list.Rows().at(1).ScopeMask(), kIgnoreData);
}

TEST(IgnoreEditTest, DeletedEntriesStayMarkedInTheRecordList) {
  TIgnoreList list;
  for (const char* name : {"a", "b", "c", "d"})
    list.Add(name, kIgnoreKey, false, kNeverAsked);
  EXPECT_EQ(list.Delete({1, 3, 3, 9}), 2);
  ASSERT_EQ(list.Records().size(), 4u);
  EXPECT_EQ(list.Records()[1].Index, -1);
  EXPECT_EQ(list.Records()[3].Index, -1);
  const auto rows = list.Rows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].Name, "a");
  EXPECT_EQ(rows[1].Name, "c");
  EXPECT_EQ(rows[1].Index, 1);
  EXPECT_FALSE(list.IsIgnored("b", IgnoreScope::Key));
}

}  // namespace
}  // namespace ordrex
