// Repairs of the recent lists: entries deleted, the rest renamed so the order value has no
// holes, and backups that give back every value as it was, renamed ones included.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/repair/mru_order.h"
#include "support/prefix_engine.h"

namespace ordrex {
namespace {

using namespace testsupport;
using repair::PlanLetterList;
using repair::PlanNumberList;
using ::testing::Contains;
using ::testing::ElementsAre;

const std::string kExplorer = R"(\Software\Microsoft\Windows\CurrentVersion\Explorer\)";

Bytes Numbers(std::initializer_list<std::uint32_t> numbers) {
  Bytes out;
  for (std::uint32_t n : numbers) {
    for (int shift = 0; shift < 32; shift += 8)
      out.push_back(static_cast<std::uint8_t>(n >> shift));
  }
  return out;
}

// The plans on lists the repairs below do not meet.
TEST(MruListPlan, EmptiedRepeatedAndShortLists) {
  EXPECT_EQ(PlanLetterList("ab", {"a", "b"}).newList, "");
  // A letter listed twice keeps its first place.
  EXPECT_EQ(PlanLetterList("cac", {}).newList, "ba");
  // The last number is the end mark, whatever it holds; a short list has no entries.
  EXPECT_THAT(PlanNumberList(Numbers({5, 7}), {}).newList, ElementsAre(0u));
  EXPECT_TRUE(PlanNumberList(Numbers({5}), {}).newList.empty());
}

TEST(RepairMruFiles, DeletedLettersCloseUpTheListAndFoundFilesCorrectTheirEntry) {
  TempPrefix prefix;
  const std::string run = kExplorer + "RunMRU";
  const std::string open = kExplorer + R"(ComDlg32\OpenSaveMRU)";
  prefix.File(R"(C:\New\tool.exe)")
      .User(run.substr(1),
            {Sz("a", R"(C:\A\a.exe)"), Sz("b", R"(C:\Gone\b.exe)"),
             Sz("c", R"(C:\Old\tool.exe /x)"), Sz("d", R"(C:\Gone\d.exe)"), Sz("MRUList", "dbca")})
      .User(open.substr(1) + R"(\txt)", {Sz("x", R"(C:\X\x.txt)"), Sz("y", R"(C:\Gone\y.txt)"),
                                         Sz("z", R"(C:\Z\z.txt)"), Sz("MRUList", "zyx")})
      .User(open.substr(1) + R"(\doc)",
            {Sz("a", R"(C:\Gone\a.doc)"), Sz("b", R"(C:\Gone\b.doc)"), Sz("MRUList", "ab")});
  PrefixEngine bench(prefix);
  TOrdrex& engine = bench.Engine();
  bench.Problem(engine.MRUFiles, kCurrentUser, run, "b", R"(C:\Gone\b.exe)");
  bench.Problem(engine.MRUFiles, kCurrentUser, run, "c", R"(C:\Old\tool.exe)",
                R"(C:\New\tool.exe)");
  bench.Problem(engine.MRUFiles, kCurrentUser, run, "d", R"(C:\Gone\d.exe)");
  bench.Problem(engine.MRUFiles, kCurrentUser, open + R"(\txt)", "y", R"(C:\Gone\y.txt)");
  bench.Problem(engine.MRUFiles, kCurrentUser, open + R"(\doc)", "a", R"(C:\Gone\a.doc)");
  bench.Problem(engine.MRUFiles, kCurrentUser, open + R"(\doc)", "b", R"(C:\Gone\b.doc)");
  const TBackupLines lines = bench.Repair({&engine.MRUFiles});

  // "c" is corrected, then renamed to "b"; every letter of one list went: it is empty, not
  // stale.
  EXPECT_THAT(bench.Tree(kCurrentUser, run),
              ElementsAre(R"(a=C:\A\a.exe  b=C:\New\tool.exe /x  MRUList=ba)"));
  EXPECT_THAT(bench.Tree(kCurrentUser, open),
              ElementsAre("doc: MRUList=", R"(txt: a=C:\X\x.txt  b=C:\Z\z.txt  MRUList=ba)"));
  EXPECT_EQ(engine.MRUFiles.RepairedCount, 6);
  EXPECT_EQ(engine.MRUFiles.RepairFailures, 0);
  // The renamed value is backed up under its old name and with the text it had before the
  // correction; its rename must not record the corrected text again, or the restore would end
  // on it. New names are removed on restore.
  EXPECT_THAT(lines, Contains(R"("c"="C:\\Old\\tool.exe /x")"));
  EXPECT_TRUE(bench.RestoredBy(lines));
}

TEST(RepairHistoryList, NumbersAreRenumberedAndTheEndMarkIsWritten) {
  TempPrefix prefix;
  const std::string docs = kExplorer + "RecentDocs";
  prefix
      .User(docs.substr(1) + R"(\.txt)",
            {Binary("0", {0x10}), Binary("1", {0x11}), Binary("2", {0x12}), Binary("3", {0x13}),
             Binary("MRUListEx", Numbers({3, 1, 0, 2, 0xFFFFFFFF}))})
      .User(docs.substr(1) + R"(\.gone)")
      .User(docs.substr(1) + R"(\.doc)", {Binary("5", {1}), Sz("NotANumber", "x"),
                                          Binary("MRUListEx", Numbers({5, 0xFFFFFFFF}))});
  PrefixEngine bench(prefix);
  TOrdrex& engine = bench.Engine();
  bench.Problem(engine.Hist, kCurrentUser, docs + R"(\.txt)", "1", R"(C:\Gone\one.txt)");
  // A found file cannot be written into binary data: the entry goes like one without.
  bench.Problem(engine.Hist, kCurrentUser, docs + R"(\.txt)", "3", R"(C:\Gone\three.txt)",
                R"(C:\Found\three.txt)");
  bench.Problem(engine.Hist, kCurrentUser, docs + R"(\.gone)", "", "");
  bench.Problem(engine.Hist, kCurrentUser, docs + R"(\.doc)", "5", R"(C:\Gone\five.doc)");
  // Not an entry of the list: left alone.
  bench.Problem(engine.Hist, kCurrentUser, docs + R"(\.doc)", "NotANumber", "x");
  const TBackupLines lines = bench.Repair({&engine.Hist});

  // An empty list goes with its key; a list whose every entry went keeps its end mark.
  EXPECT_THAT(bench.Tree(kCurrentUser, docs),
              ElementsAre(".doc: MRUListEx=hex:ff,ff,ff,ff  NotANumber=x",
                          ".txt: 0=hex:10  1=hex:12  MRUListEx=hex:00,00,00,00,01,00,00,00,"
                          "ff,ff,ff,ff"));
  EXPECT_EQ(engine.Hist.RepairedCount, 4);
  EXPECT_TRUE(bench.RestoredBy(lines));
}

TEST(RepairStartMenu, DeletesTheMenuOrderKeyWithItsTree) {
  TempPrefix prefix;
  const std::string base = kExplorer + R"(MenuOrder\Start Menu2\)";
  prefix.User(base.substr(1) + R"(Programs\Old Game)", {Binary("Order", {1, 2, 3})})
      .User(base.substr(1) + R"(Programs\Old Game\Sub)", {Binary("Order", {4})})
      .User(base.substr(1) + R"(Programs\Kept)", {Binary("Order", {5})});
  PrefixEngine bench(prefix);
  TOrdrex& engine = bench.Engine();
  bench.Problem(engine.Startmenu, kCurrentUser, engine.Startmenu.BaseKey + R"(Programs\Old Game)",
                "", "");
  const TBackupLines lines = bench.Repair({&engine.Startmenu});
  EXPECT_THAT(bench.Tree(kCurrentUser, base), ElementsAre(R"(Programs\Kept: Order=hex:05)"));
  EXPECT_TRUE(bench.RestoredBy(lines));
}

}  // namespace
}  // namespace ordrex
