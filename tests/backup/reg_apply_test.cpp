#include "backup/reg_apply.h"

#include <gtest/gtest.h>

#include "engine/registry.h"
#include "platform/text.h"
#include "support/registry_dump.h"

namespace ordrex {
namespace {

using testsupport::DumpRoots;

// A target with something in it to change, delete, or leave alone.
void Fill(MemoryTarget& target) {
  TRegistry reg(target, kCurrentUser);
  ASSERT_TRUE(reg.OpenKey("\\Old\\Sub\\Deep", true));
  reg.WriteString("deep", "1");
  ASSERT_TRUE(reg.OpenKey("\\Old", false));
  reg.WriteInteger("n", 7);
  ASSERT_TRUE(reg.OpenKey("\\Keep", true));
  reg.WriteString("x", "old x");
  reg.WriteString("y", "old y");
}

TEST(RegApply, CreatesKeysSetsAndDeletes) {
  MemoryTarget target;
  Fill(target);
  const RegApplyCounts counts = ApplyRegFile(
      "REGEDIT4\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\New\\Empty]\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\New\\Deep]\r\n"
      "\"s\"=\"text\"\r\n"
      "[HKEY_CURRENT_USER\\Keep]\r\n"
      "\"x\"=-\r\n"
      "\"y\"=dword:00000002\r\n"
      "\"missing\"=-\r\n"
      "[-HKEY_CURRENT_USER\\Old]\r\n"
      "[-HKEY_CURRENT_USER\\Never\\There]\r\n"
      "[HKEY_CLASSES_ROOT\\.txt]\r\n"
      "@=\"txtfile\"\r\n",
      target);
  EXPECT_EQ(counts.keysSelected, 4);
  EXPECT_EQ(counts.keysDeleted, 1);
  EXPECT_EQ(counts.valuesSet, 3);
  EXPECT_EQ(counts.valuesDeleted, 1);

  EXPECT_TRUE(target.Machine().KeyExists("Software\\New\\Empty"));
  EXPECT_EQ(target.Machine().QueryValue("Software\\New\\Deep", "s"),
            (RegValue{kRegSz, StringToRegData("text")}));
  EXPECT_FALSE(target.User().QueryValue("Keep", "x").has_value());
  EXPECT_EQ(target.User().QueryValue("Keep", "y"), (RegValue{kRegDword, {2, 0, 0, 0}}));
  EXPECT_FALSE(target.User().KeyExists("Old"));
  // New classes land in the machine's branch.
  EXPECT_EQ(target.Machine().QueryValue("Software\\Classes\\.txt", ""),
            (RegValue{kRegSz, StringToRegData("txtfile")}));
}

// The whole file is read and its roots checked before anything changes.
TEST(RegApply, MalformedFileOrMissingRootChangesNothing) {
  const struct {
    const char* file;
    const char* error;
  } cases[] = {
      {"REGEDIT4\n[HKCU\\Keep]\n\"x\"=\"new\"\n[-HKCU\\Old]\n\"a\"=hex:0\n", "Line 5: "},
      {"REGEDIT4\n[HKCU\\Keep]\n\"x\"=\"new\"\n\n[HKEY_DYN_DATA\\x]\n",
       "Line 5: HKEY_DYN_DATA does not exist on this system"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    MemoryTarget target;
    Fill(target);
    const std::string before = DumpRoots(target);
    try {
      ApplyRegFile(c.file, target);
      ADD_FAILURE() << "accepted";
    } catch (const RegFileError& error) {
      EXPECT_EQ(std::string(error.what()).rfind(c.error, 0), 0u) << error.what();
    }
    EXPECT_EQ(DumpRoots(target), before);
  }
}

class BlockableStore : public MemoryStore {
 public:
  std::string WriteBlocker() const override { return blocker; }
  std::string blocker;
};

class TwoRoots : public RegistryRoots {
 public:
  RegistryStore* Root(RootHandle root) override {
    if (root == kLocalMachine) return &machine;
    if (root == kCurrentUser) return &user;
    return nullptr;
  }
  BlockableStore machine;
  BlockableStore user;
};

TEST(RegApply, StoreThatRefusesWritesStopsTheWholeFile) {
  TwoRoots roots;
  roots.user.CreateKey("Keep");
  roots.machine.blocker = "Wine is running on this prefix; close its programs first";
  const std::string before = DumpRoots(roots);
  try {
    ApplyRegFile("REGEDIT4\n[HKCU\\Keep]\n\"x\"=\"new\"\n[HKLM\\Software]\n", roots);
    FAIL() << "accepted";
  } catch (const RegistryError& error) {
    EXPECT_STREQ(error.what(), "Wine is running on this prefix; close its programs first");
  }
  EXPECT_EQ(DumpRoots(roots), before);
}

TEST(RegApply, FailureHalfwayTakesEveryChangeBack) {
  MemoryTarget target;
  Fill(target);
  TRegistry reg(target, kLocalMachine);
  ASSERT_TRUE(reg.OpenKey("\\Software", true));
  const std::string before = DumpRoots(target, testsupport::DumpOrder::kSorted);
  // HKEY_USERS has only the mounted users; a key beside them cannot be created, which is only
  // found out when the change is made.
  const std::string file =
      "Windows Registry Editor Version 5.00\r\n"
      "[HKEY_CURRENT_USER\\Keep]\r\n"
      "\"x\"=\"changed\"\r\n"
      "\"y\"=-\r\n"
      "\"new\"=hex(7):61,00,00,00,00,00\r\n"
      "[-HKEY_CURRENT_USER\\Old]\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\A\\B\\C]\r\n"
      "@=\"v\"\r\n"
      "[HKEY_USERS\\S-1-5-99\\Software]\r\n";
  try {
    ApplyRegDocument(ParseRegFile(file), target);
    FAIL() << "accepted";
  } catch (const RegistryError& error) {
    EXPECT_NE(std::string(error.what()).find("Line 9: "), std::string::npos) << error.what();
    EXPECT_NE(std::string(error.what()).find("nothing was changed"), std::string::npos);
  }
  EXPECT_EQ(DumpRoots(target, testsupport::DumpOrder::kSorted), before);
}

}  // namespace
}  // namespace ordrex
