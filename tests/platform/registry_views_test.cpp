// HKEY_CLASSES_ROOT as the merged view of the user's and the machine's Software\Classes, and
// the other views a target's roots are made of.

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/target.h"
#include "platform/text.h"

namespace ordrex {
namespace {

class ClassesView : public ::testing::Test {
 protected:
  void SetUp() override {
    Put(target_.Machine(), "Software\\Classes\\.both", "", "machine");
    Put(target_.Machine(), "Software\\Classes\\.both", "MachineOnly", "m");
    Put(target_.User(), "Software\\Classes\\.BOTH", "", "user");
    Put(target_.Machine(), "Software\\Classes\\.machine", "", "m");
    Put(target_.User(), "Software\\Classes\\.user", "", "u");
  }
  static void Put(RegistryStore& store, const std::string& key, const std::string& name,
                  const std::string& text) {
    store.CreateKey(key);
    store.SetValue(key, name, RegValue{kRegSz, StringToRegData(text)});
  }
  std::string Read(const std::string& key, const std::string& name = "") {
    const auto value = classes().QueryValue(key, name);
    return value ? RegDataToString(value->data) : "<none>";
  }
  RegistryStore& classes() { return *target_.Root(kClassesRoot); }

  MemoryTarget target_;
};

TEST_F(ClassesView, KeyInBothReadsTheUsersCopy) {
  EXPECT_EQ(Read(".both"), "user");
  // The user's key hides the machine's values as a whole.
  EXPECT_EQ(Read(".both", "MachineOnly"), "<none>");
  EXPECT_EQ(classes().ValueNames(".both"), std::vector<std::string>{""});
}

TEST_F(ClassesView, KeyInOneBranchIsSeen) {
  EXPECT_EQ(Read(".machine"), "m");
  EXPECT_EQ(Read(".user"), "u");
  EXPECT_TRUE(classes().KeyExists(".USER"));
  EXPECT_FALSE(classes().KeyExists(".none"));
}

TEST_F(ClassesView, EnumerationIsTheUnionWithoutDuplicates) {
  std::vector<std::string> names = classes().SubkeyNames("");
  ASSERT_EQ(names.size(), 3u);
  std::vector<std::string> folded;
  for (const auto& name : names)
    folded.push_back(FoldCase(name));
  std::sort(folded.begin(), folded.end());
  EXPECT_EQ(folded, (std::vector<std::string>{".both", ".machine", ".user"}));
}

TEST_F(ClassesView, WritesAndDeletesActOnTheVisibleCopy) {
  classes().SetValue(".both", "", RegValue{kRegSz, StringToRegData("changed")});
  EXPECT_EQ(RegDataToString(target_.User().QueryValue("Software\\Classes\\.both", "")->data),
            "changed");
  EXPECT_EQ(RegDataToString(target_.Machine().QueryValue("Software\\Classes\\.both", "")->data),
            "machine");

  EXPECT_TRUE(classes().DeleteKey(".both"));
  EXPECT_FALSE(target_.User().KeyExists("Software\\Classes\\.both"));
  // The machine's copy now shows through.
  EXPECT_EQ(Read(".both"), "machine");

  EXPECT_TRUE(classes().DeleteValue(".user", ""));
  EXPECT_FALSE(target_.User().QueryValue("Software\\Classes\\.user", "").has_value());
}

TEST_F(ClassesView, NewKeysGoToTheMachineUnlessOnlyTheUserHasTheParent) {
  classes().CreateKey(".new\\shell");
  EXPECT_TRUE(target_.Machine().KeyExists("Software\\Classes\\.new\\shell"));
  EXPECT_FALSE(target_.User().KeyExists("Software\\Classes\\.new"));
  classes().CreateKey(".user\\ShellNew");
  EXPECT_TRUE(target_.User().KeyExists("Software\\Classes\\.user\\ShellNew"));
  EXPECT_TRUE(classes().KeyExists(".user\\ShellNew"));
}

TEST_F(ClassesView, NeverDeletesItsOwnRoot) {
  EXPECT_FALSE(classes().DeleteKey(""));
  EXPECT_FALSE(classes().DeleteKey("\\"));
  EXPECT_TRUE(target_.Machine().KeyExists("Software\\Classes\\.machine"));
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
  EXPECT_EQ(target.Root(kDynData), nullptr);
  EXPECT_EQ(target.Root(kPerformanceData), nullptr);
}

}  // namespace
}  // namespace ordrex
