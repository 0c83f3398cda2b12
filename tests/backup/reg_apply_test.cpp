#include "backup/reg_apply.h"

#include <gtest/gtest.h>

#include "engine/registry.h"
#include "platform/text.h"
#include "support/registry_dump.h"

namespace ordrex {
namespace {

using testsupport::DumpRoots;
using testsupport::U16;

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

// A file as people write them: comments, a trailing backslash, short lower-case hex, tabs.
TEST(RegApply, CreatesKeysSetsAndDeletes) {
  MemoryTarget target;
  Fill(target);
  const Bytes file =
      U16(u"\uFEFFWindows Registry Editor Version 5.00\r\n"
          u"\r\n"
          u"; a comment\r\n"
          u"[HKEY_LOCAL_MACHINE\\Software\\New\\Empty\\]\r\n"
          u"[HKEY_LOCAL_MACHINE\\Software\\New\\Deep]\r\n"
          u"\"s\"=\"text\"\r\n"
          u"\"short dw\"=dword:1A\r\n"
          u"\"bin\"=hex:00,01,fe,FF\r\n"
          u"\"wrapped\"=hex(b):01,02,\\\r\n"
          u"  03,04,\\\r\n"
          u"\t05\r\n"
          u"\"caf\u00E9\"=\"\u20AC \U0001F600\"\r\n"
          u"[HKEY_CURRENT_USER\\Keep]\r\n"
          u"\"x\"=-\r\n"
          u"\"y\"=dword:00000002\r\n"
          u"\"missing\"=-\r\n"
          u"[-HKEY_CURRENT_USER\\Old]\r\n"
          u"[-HKEY_CURRENT_USER\\Never\\There]\r\n"
          u"[HKEY_CLASSES_ROOT\\.txt]\r\n"
          u"@=\"txtfile\"\r\n");
  const RegApplyCounts counts = ApplyRegFile(std::string(file.begin(), file.end()), target);
  EXPECT_EQ(counts.keysSelected, 4);
  EXPECT_EQ(counts.keysDeleted, 1);
  EXPECT_EQ(counts.valuesSet, 7);
  EXPECT_EQ(counts.valuesDeleted, 1);

  const RegistryStore& machine = target.Machine();
  EXPECT_TRUE(machine.KeyExists("Software\\New\\Empty"));
  const std::string deep = "Software\\New\\Deep";
  EXPECT_EQ(machine.QueryValue(deep, "s"), (RegValue{kRegSz, StringToRegData("text")}));
  EXPECT_EQ(machine.QueryValue(deep, "short dw"), (RegValue{kRegDword, {0x1A, 0, 0, 0}}));
  EXPECT_EQ(machine.QueryValue(deep, "bin"), (RegValue{kRegBinary, {0x00, 0x01, 0xFE, 0xFF}}));
  EXPECT_EQ(machine.QueryValue(deep, "wrapped"), (RegValue{kRegQword, {1, 2, 3, 4, 5}}));
  EXPECT_EQ(machine.QueryValue(deep, "caf\xC3\xA9"),
            (RegValue{kRegSz, U16(std::u16string(u"\u20AC \xD83D\xDE00\0", 5))}));
  EXPECT_FALSE(target.User().QueryValue("Keep", "x").has_value());
  EXPECT_EQ(target.User().QueryValue("Keep", "y"), (RegValue{kRegDword, {2, 0, 0, 0}}));
  EXPECT_FALSE(target.User().KeyExists("Old"));
  // New classes land in the machine's branch.
  EXPECT_EQ(machine.QueryValue("Software\\Classes\\.txt", ""),
            (RegValue{kRegSz, StringToRegData("txtfile")}));
}

// A file is checked whole before any change; a change failing halfway undoes those before it.
TEST(RegApply, AFileThatFailsChangesNothing) {
  const struct {
    const char* file;
    const char* error;
  } cases[] = {
      {"REGEDIT4\n[HKCU\\Keep]\n\"x\"=\"new\"\n[-HKCU\\Old]\n\"a\"=hex:0\n",
       "Line 5: a value cannot follow a key deletion: expected a key line \"[...]\""},
      {"REGEDIT4\n[HKCU\\Keep]\n\"x\"=\"new\"\n\n[HKEY_DYN_DATA\\x]\n",
       "Line 5: HKEY_DYN_DATA does not exist on this system"},
      // HKEY_USERS has only the mounted users: a key beside them cannot be created, which is
      // only found out when the change is made.
      {"Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\Keep]\r\n\"x\"=\"changed\"\r\n"
       "\"y\"=-\r\n\"new\"=hex(7):61,00,00,00,00,00\r\n[-HKEY_CURRENT_USER\\Old]\r\n"
       "[HKEY_LOCAL_MACHINE\\Software\\A\\B\\C]\r\n@=\"v\"\r\n[HKEY_USERS\\S-1-5-99\\Software]\r\n",
       "Line 9: Keys cannot be created at the top of HKEY_USERS; nothing was changed"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    MemoryTarget target;
    Fill(target);
    const std::string before = DumpRoots(target, testsupport::DumpOrder::kSorted);
    try {
      ApplyRegFile(c.file, target);
      ADD_FAILURE() << "accepted";
    } catch (const RegistryError& error) {
      EXPECT_EQ(std::string(error.what()), c.error);
    }
    EXPECT_EQ(DumpRoots(target, testsupport::DumpOrder::kSorted), before);
  }
}

}  // namespace
}  // namespace ordrex
