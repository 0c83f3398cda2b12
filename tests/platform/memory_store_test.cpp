// The in-memory registry store and the views a target's roots are made of.

#include "platform/memory_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "platform/target.h"
#include "platform/text.h"
#include "support/registry_dump.h"

namespace ordrex {
namespace {

using testsupport::Put;

RegValue Sz(const std::string& text) {
  return RegValue{kRegSz, StringToRegData(text)};
}

// Names match in any letter case, non-ASCII letters folding too, and keep the case and place
// they were created with. Large keys are looked up through an index that every removal must
// keep right, and a removal must never reorder the siblings left (saved files keep their order).
TEST(MemoryStore, LookupsAndOrderHoldAsLargeKeysGrowAndShrinkInAnyLetterCase) {
  MemoryStore store;
  store.CreateKey("k");
  std::vector<std::string> names;  // subkeys of "k" and values of "k" alike, in order
  // Created with Ä and Ж, looked up and removed with ä and ж.
  const auto name = [](int i, bool upper = true) {
    return (upper ? "N\xC3\x84" : "n\xC3\xA4") + std::to_string(i) +
           (upper ? "-\xD0\x96" : "-\xD0\xB6");
  };
  struct Step {
    bool add;
    int from, to, every;  // [from, to) in steps of `every`
    bool readWhole;       // the names listed after the step (which closes the gaps)
  };
  // Growth past the index's threshold, removals that leave gaps, names added among the gaps,
  // removals that leave fewer entries than gaps, removed names added again, the key emptied.
  const Step steps[] = {{true, 0, 40, 1, false},   {false, 0, 40, 3, false},
                        {true, 40, 300, 1, true},  {false, 40, 290, 2, false},
                        {false, 1, 290, 5, false}, {true, 0, 30, 3, true},
                        {false, 0, 300, 1, true}};
  for (const Step& step : steps) {
    for (int i = step.from; i < step.to; i += step.every) {
      const auto at = std::find(names.begin(), names.end(), name(i));
      if (step.add) {
        store.CreateKey("k\\" + name(i));
        store.SetValue("k", name(i), Sz(std::to_string(i)));
        if (at == names.end()) names.push_back(name(i));
      } else {
        // A second removal finds nothing.
        EXPECT_EQ(store.DeleteKey("K\\" + name(i, false)), at != names.end()) << i;
        EXPECT_EQ(store.DeleteValue("k", name(i, false)), at != names.end()) << i;
        EXPECT_FALSE(store.DeleteValue("k", name(i))) << i;
        if (at != names.end()) names.erase(at);
      }
    }
    // Looked up before the lists are read whole, while the gaps are still there.
    for (int i = 0; i < 300; ++i) {
      const bool kept = std::find(names.begin(), names.end(), name(i)) != names.end();
      ASSERT_EQ(store.KeyExists("k\\" + name(i, false)), kept) << i;
      ASSERT_EQ(store.QueryValue("K", name(i, false)),
                kept ? std::optional(Sz(std::to_string(i))) : std::nullopt)
          << i;
    }
    if (!step.readWhole) continue;
    EXPECT_EQ(store.SubkeyNames("k"), names);
    EXPECT_EQ(store.ValueNames("k"), names);
  }
  EXPECT_TRUE(names.empty());
  // Creating a name that exists in another case adds nothing; data replaced by longer or
  // shorter data, and of another type, keeps its place; a prefix of a name is no name.
  for (int i = 0; i < 20; ++i) {
    store.CreateKey("k\\" + name(i));
    store.SetValue("k", name(i), Sz(std::to_string(i)));
    names.push_back(name(i));
  }
  store.CreateKey("k\\" + name(4, false));
  store.SetValue("k", name(7), Sz("a much longer text than before"));
  store.SetValue("k", name(7, false), RegValue{kRegDword, {1, 2, 3, 4}});
  EXPECT_EQ(store.QueryValue("k", name(7)), (RegValue{kRegDword, {1, 2, 3, 4}}));
  EXPECT_EQ(store.SubkeyNames("k"), names);
  EXPECT_EQ(store.ValueNames("k"), names);
  EXPECT_FALSE(store.KeyExists("k\\" + name(12).substr(0, 6)));
  EXPECT_FALSE(store.QueryValue("k", name(12).substr(0, 6)).has_value());
}

TEST(MemoryStore, KeysThatDoNotExistAndPathsWithExtraSeparators) {
  MemoryStore store;
  EXPECT_TRUE(store.KeyExists(""));
  EXPECT_FALSE(store.DeleteValue("a", "x"));
  EXPECT_FALSE(store.DeleteKey("a"));
  EXPECT_FALSE(store.DeleteKey(""));  // never the root
  EXPECT_TRUE(store.SubkeyNames("a").empty());
  store.CreateKey("a\\\\b\\");
  EXPECT_TRUE(store.KeyExists("a\\b"));
  EXPECT_TRUE(store.DeleteKey("A"));
  EXPECT_FALSE(store.KeyExists("a\\b"));
}

class ClassesView : public ::testing::Test {
 protected:
  void SetUp() override {
    Put(target_.Machine(), "Software\\Classes\\.both", "", Sz("machine"));
    Put(target_.Machine(), "Software\\Classes\\.both", "MachineOnly", Sz("m"));
    Put(target_.User(), "Software\\Classes\\.BOTH", "", Sz("user"));
    Put(target_.Machine(), "Software\\Classes\\.machine", "", Sz("m"));
    Put(target_.User(), "Software\\Classes\\.user", "", Sz("u"));
  }
  std::string Read(const std::string& key, const std::string& name = "") {
    const auto value = classes().QueryValue(key, name);
    return value ? RegDataToString(value->data) : "<none>";
  }
  RegistryStore& classes() { return *target_.Root(kClassesRoot); }

  MemoryTarget target_;
};

TEST_F(ClassesView, ReadsTheUsersCopyFirstAndListsBothBranchesOnce) {
  EXPECT_EQ(Read(".both"), "user");
  // The user's key hides the machine's values as a whole.
  EXPECT_EQ(Read(".both", "MachineOnly"), "<none>");
  EXPECT_EQ(classes().ValueNames(".both"), std::vector<std::string>{""});
  EXPECT_EQ(Read(".machine"), "m");
  EXPECT_EQ(Read(".user"), "u");
  EXPECT_TRUE(classes().KeyExists(".USER"));
  EXPECT_FALSE(classes().KeyExists(".none"));
  std::vector<std::string> folded;
  for (const auto& name : classes().SubkeyNames(""))
    folded.push_back(FoldCase(name));
  std::sort(folded.begin(), folded.end());
  EXPECT_EQ(folded, (std::vector<std::string>{".both", ".machine", ".user"}));
}

TEST_F(ClassesView, WritesAndDeletesActOnTheVisibleCopy) {
  classes().SetValue(".both", "", Sz("changed"));
  EXPECT_EQ(target_.User().QueryValue("Software\\Classes\\.both", ""), Sz("changed"));
  EXPECT_EQ(target_.Machine().QueryValue("Software\\Classes\\.both", ""), Sz("machine"));

  EXPECT_TRUE(classes().DeleteKey(".both"));
  EXPECT_FALSE(target_.User().KeyExists("Software\\Classes\\.both"));
  EXPECT_EQ(Read(".both"), "machine");  // the machine's copy now shows through

  EXPECT_TRUE(classes().DeleteValue(".user", ""));
  EXPECT_FALSE(target_.User().QueryValue("Software\\Classes\\.user", "").has_value());
  EXPECT_FALSE(classes().DeleteKey(""));  // never its own root
  EXPECT_FALSE(classes().DeleteKey("\\"));
  EXPECT_TRUE(target_.Machine().KeyExists("Software\\Classes\\.machine"));
}

TEST_F(ClassesView, NewKeysGoToTheMachineUnlessOnlyTheUserHasTheParent) {
  classes().CreateKey(".new\\shell");
  EXPECT_TRUE(target_.Machine().KeyExists("Software\\Classes\\.new\\shell"));
  EXPECT_FALSE(target_.User().KeyExists("Software\\Classes\\.new"));
  classes().CreateKey(".user\\ShellNew");
  EXPECT_TRUE(target_.User().KeyExists("Software\\Classes\\.user\\ShellNew"));
  EXPECT_TRUE(classes().KeyExists(".user\\ShellNew"));
}

TEST(TargetRoots, UsersAndCurrentConfigAreViewsOfTheBranches) {
  MemoryTarget target;
  RegistryStore& users = *target.Root(kUsers);
  EXPECT_EQ(users.SubkeyNames(""), (std::vector<std::string>{".DEFAULT", "S-1-5-21-0-0-0-1000"}));
  users.CreateKey("S-1-5-21-0-0-0-1000\\Software\\X");
  EXPECT_TRUE(target.User().KeyExists("Software\\X"));
  users.CreateKey(".default\\Y");
  EXPECT_TRUE(target.UserDefault().KeyExists("Y"));
  EXPECT_THROW(users.CreateKey("S-1-5-99\\Z"), RegistryError);
  EXPECT_FALSE(users.DeleteKey(".DEFAULT"));  // a mounted branch is a root of its own
  EXPECT_TRUE(target.Root(kUsers)->KeyExists(".DEFAULT"));

  target.Root(kCurrentConfig)->CreateKey("Software\\Fonts");
  EXPECT_TRUE(target.Machine().KeyExists(
      "System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts"));
  EXPECT_EQ(target.Root(kPerformanceData), nullptr);
}

}  // namespace
}  // namespace ordrex
