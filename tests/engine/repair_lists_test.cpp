// Repairs of the recent lists: entries deleted, the rest renamed so the order value has no
// holes, and backups that give back every value as it was, renamed ones included.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/repair/mru_order.h"
#include "support/repair_bench.h"

namespace ordrex {
namespace {

using namespace testsupport;
using repair::PlanLetterList;
using repair::PlanNumberList;

const std::string kExplorer = R"(Software\Microsoft\Windows\CurrentVersion\Explorer\)";

Bytes Numbers(std::initializer_list<std::uint32_t> numbers) {
  Bytes out;
  for (std::uint32_t n : numbers) {
    for (int shift = 0; shift < 32; shift += 8)
      out.push_back(static_cast<std::uint8_t>(n >> shift));
  }
  return out;
}

TEST(MruListPlan, LettersAndNumbers) {
  const repair::LetterListPlan letters = PlanLetterList("dbca", {"b", "d"});
  EXPECT_EQ(letters.newList, "ba");
  ASSERT_EQ(letters.renames.size(), 1u);
  EXPECT_EQ(letters.renames[0].from, "c");
  EXPECT_EQ(letters.renames[0].to, "b");
  EXPECT_EQ(PlanLetterList("ab", {"a", "b"}).newList, "");
  // A letter listed twice keeps its first place.
  EXPECT_EQ(PlanLetterList("cac", {}).newList, "ba");

  const repair::NumberListPlan numbers = PlanNumberList(Numbers({3, 1, 0, 2, 0xFFFFFFFF}), {1, 3});
  EXPECT_THAT(numbers.newList, ::testing::ElementsAre(0u, 1u));
  ASSERT_EQ(numbers.renames.size(), 1u);
  EXPECT_EQ(numbers.renames[0].from, "2");
  EXPECT_EQ(numbers.renames[0].to, "1");
  // The last number is the end mark, whatever it holds; a short list has no entries.
  EXPECT_THAT(PlanNumberList(Numbers({5, 7}), {}).newList, ::testing::ElementsAre(0u));
  EXPECT_TRUE(PlanNumberList(Numbers({5}), {}).newList.empty());
}

TEST(RepairMruFiles, DeletedLettersCloseUpTheListAndTheBackupGivesThemBack) {
  RepairBench bench;
  const std::string run = kExplorer + "RunMRU";
  bench.prefix.User(
      run, {Sz("a", R"(C:\A\a.exe)"), Sz("b", R"(C:\Gone\b.exe)"), Sz("c", R"(C:\C\c.exe)"),
            Sz("d", R"(C:\Gone\d.exe)"), Sz("MRUList", "dbca")});
  bench.Open();
  const std::string before = bench.Dump();
  TOrdrex& engine = bench.Engine();
  const std::string key = "\\" + run;
  bench.Problem(engine.MRUFiles, kCurrentUser, key, "b", R"(C:\Gone\b.exe)");
  bench.Problem(engine.MRUFiles, kCurrentUser, key, "d", R"(C:\Gone\d.exe)");
  const TBackupLines lines = bench.Repair(engine.MRUFiles);

  EXPECT_EQ(bench.Text(kCurrentUser, key, "MRUList"), "ba");
  EXPECT_EQ(bench.Text(kCurrentUser, key, "a"), R"(C:\A\a.exe)");
  EXPECT_EQ(bench.Text(kCurrentUser, key, "b"), R"(C:\C\c.exe)");
  EXPECT_FALSE(bench.HasValue(kCurrentUser, key, "c"));
  EXPECT_FALSE(bench.HasValue(kCurrentUser, key, "d"));
  EXPECT_EQ(engine.MRUFiles.RepairedCount, 2);
  EXPECT_EQ(engine.MRUFiles.RepairFailures, 0);
  // The renamed value is backed up under its old name.
  EXPECT_THAT(lines, ::testing::Contains(R"("c"="C:\\C\\c.exe")"));
  bench.ApplyBackup(lines);
  EXPECT_EQ(bench.Dump(), before) << Joined(lines);
}

TEST(RepairMruFiles, NewNamesAreRemovedOnRestoreAndAnEmptyListStays) {
  RepairBench bench;
  const std::string open = kExplorer + R"(ComDlg32\OpenSaveMRU\txt)";
  const std::string all = kExplorer + R"(ComDlg32\OpenSaveMRU\doc)";
  bench.prefix
      .User(open, {Sz("x", R"(C:\X\x.txt)"), Sz("y", R"(C:\Gone\y.txt)"), Sz("z", R"(C:\Z\z.txt)"),
                   Sz("MRUList", "zyx")})
      .User(all, {Sz("a", R"(C:\Gone\a.doc)"), Sz("b", R"(C:\Gone\b.doc)"), Sz("MRUList", "ab")});
  bench.Open();
  const std::string before = bench.Dump();
  TOrdrex& engine = bench.Engine();
  bench.Problem(engine.MRUFiles, kCurrentUser, "\\" + open, "y", R"(C:\Gone\y.txt)");
  bench.Problem(engine.MRUFiles, kCurrentUser, "\\" + all, "a", R"(C:\Gone\a.doc)");
  bench.Problem(engine.MRUFiles, kCurrentUser, "\\" + all, "b", R"(C:\Gone\b.doc)");
  const TBackupLines lines = bench.Repair(engine.MRUFiles);

  EXPECT_EQ(bench.Text(kCurrentUser, "\\" + open, "MRUList"), "ba");
  EXPECT_EQ(bench.Text(kCurrentUser, "\\" + open, "a"), R"(C:\X\x.txt)");
  EXPECT_EQ(bench.Text(kCurrentUser, "\\" + open, "b"), R"(C:\Z\z.txt)");
  EXPECT_FALSE(bench.HasValue(kCurrentUser, "\\" + open, "x"));
  // Every letter went: the list is empty, not stale.
  EXPECT_EQ(bench.Text(kCurrentUser, "\\" + all, "MRUList"), "");
  bench.ApplyBackup(lines);
  EXPECT_EQ(bench.Dump(), before) << Joined(lines);
}

TEST(RepairMruFiles, AFoundFileCorrectsTheEntryEvenWhenItIsRenamedLater) {
  RepairBench bench;
  const std::string run = kExplorer + "RunMRU";
  bench.prefix.File(R"(C:\New\tool.exe)")
      .User(run,
            {Sz("a", R"(C:\Gone\a.exe)"), Sz("b", R"(C:\Old\tool.exe /x)"), Sz("MRUList", "ba")});
  bench.Open();
  const std::string before = bench.Dump();
  TOrdrex& engine = bench.Engine();
  const std::string key = "\\" + run;
  bench.Problem(engine.MRUFiles, kCurrentUser, key, "b", R"(C:\Old\tool.exe)",
                R"(C:\New\tool.exe)");
  bench.Problem(engine.MRUFiles, kCurrentUser, key, "a", R"(C:\Gone\a.exe)");
  const TBackupLines lines = bench.Repair(engine.MRUFiles);

  EXPECT_EQ(bench.Text(kCurrentUser, key, "a"), R"(C:\New\tool.exe /x)");
  EXPECT_EQ(bench.Text(kCurrentUser, key, "MRUList"), "a");
  // The corrected value was backed up before it changed; its rename must not record the
  // corrected text again, or the restore would end on it.
  bench.ApplyBackup(lines);
  EXPECT_EQ(bench.Dump(), before) << Joined(lines);
}

TEST(RepairHistoryList, NumbersAreRenumberedAndTheEndMarkIsWritten) {
  RepairBench bench;
  const std::string docs = kExplorer + R"(RecentDocs\.txt)";
  bench.prefix.User(
      docs, {Binary("0", {0x10}), Binary("1", {0x11}), Binary("2", {0x12}), Binary("3", {0x13}),
             Binary("MRUListEx", Numbers({3, 1, 0, 2, 0xFFFFFFFF}))});
  bench.Open();
  const std::string before = bench.Dump();
  TOrdrex& engine = bench.Engine();
  const std::string key = "\\" + docs;
  bench.Problem(engine.Hist, kCurrentUser, key, "1", R"(C:\Gone\one.txt)");
  // A found file cannot be written into binary data: the entry goes like one without.
  bench.Problem(engine.Hist, kCurrentUser, key, "3", R"(C:\Gone\three.txt)",
                R"(C:\Found\three.txt)");
  const TBackupLines lines = bench.Repair(engine.Hist);

  EXPECT_EQ(bench.Raw(kCurrentUser, key, "0")->data, Bytes{0x10});
  EXPECT_EQ(bench.Raw(kCurrentUser, key, "1")->data, Bytes{0x12});
  EXPECT_FALSE(bench.HasValue(kCurrentUser, key, "2"));
  EXPECT_FALSE(bench.HasValue(kCurrentUser, key, "3"));
  const auto list = bench.Raw(kCurrentUser, key, "MRUListEx");
  ASSERT_TRUE(list.has_value());
  EXPECT_EQ(list->type, kRegBinary);
  EXPECT_EQ(list->data, Numbers({0, 1, 0xFFFFFFFF}));
  bench.ApplyBackup(lines);
  EXPECT_EQ(bench.Dump(), before) << Joined(lines);
}

TEST(RepairHistoryList, EmptyListsAndEveryEntryGone) {
  RepairBench bench;
  const std::string empty = kExplorer + R"(RecentDocs\.gone)";
  const std::string docs = kExplorer + R"(RecentDocs\.doc)";
  bench.prefix.User(empty).User(
      docs,
      {Binary("5", {1}), Binary("MRUListEx", Numbers({5, 0xFFFFFFFF})), Sz("NotANumber", "x")});
  bench.Open();
  const std::string before = bench.Dump();
  TOrdrex& engine = bench.Engine();
  bench.Problem(engine.Hist, kCurrentUser, "\\" + empty, "", "");
  bench.Problem(engine.Hist, kCurrentUser, "\\" + docs, "5", R"(C:\Gone\five.doc)");
  // Not an entry of the list: left alone.
  bench.Problem(engine.Hist, kCurrentUser, "\\" + docs, "NotANumber", "x");
  const TBackupLines lines = bench.Repair(engine.Hist);

  EXPECT_FALSE(bench.HasKey(kCurrentUser, "\\" + empty));
  EXPECT_EQ(bench.Raw(kCurrentUser, "\\" + docs, "MRUListEx")->data, Numbers({0xFFFFFFFF}));
  EXPECT_TRUE(bench.HasValue(kCurrentUser, "\\" + docs, "NotANumber"));
  EXPECT_EQ(engine.Hist.RepairedCount, 2);
  bench.ApplyBackup(lines);
  EXPECT_EQ(bench.Dump(), before) << Joined(lines);
}

TEST(RepairStartMenu, DeletesTheMenuOrderKeyWithItsTree) {
  RepairBench bench;
  const std::string base = kExplorer + R"(MenuOrder\Start Menu2\)";
  bench.prefix.User(base + R"(Programs\Old Game)", {Binary("Order", {1, 2, 3})})
      .User(base + R"(Programs\Old Game\Sub)", {Binary("Order", {4})})
      .User(base + R"(Programs\Kept)", {Binary("Order", {5})});
  bench.Open();
  const std::string before = bench.Dump();
  TOrdrex& engine = bench.Engine();
  bench.Problem(engine.Startmenu, kCurrentUser, engine.Startmenu.BaseKey + R"(Programs\Old Game)",
                "", "");
  const TBackupLines lines = bench.Repair(engine.Startmenu);
  EXPECT_FALSE(bench.HasKey(kCurrentUser, "\\" + base + R"(Programs\Old Game)"));
  EXPECT_TRUE(bench.HasKey(kCurrentUser, "\\" + base + R"(Programs\Kept)"));
  bench.ApplyBackup(lines);
  EXPECT_EQ(bench.Dump(), before) << Joined(lines);
}

}  // namespace
}  // namespace ordrex
