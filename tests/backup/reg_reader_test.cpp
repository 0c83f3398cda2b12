#include "backup/reg_reader.h"

#include <gtest/gtest.h>

#include <functional>

#include "app/settings/settings_store.h"
#include "backup/reg_apply.h"
#include "platform/text.h"
#include "platform/wine/wine_registry_file.h"
#include "support/fresh_prefix.h"
#include "support/registry_dump.h"

namespace ordrex {
namespace {

using Kind = RegOperation::Kind;
using testsupport::U16;
using namespace std::string_literals;

std::string Utf16File(std::string_view utf8) {
  const Bytes units = Utf8ToUtf16LeBytes(utf8);
  return std::string("\xFF\xFE") + std::string(units.begin(), units.end());
}

const RegOperation& ValueOp(const RegDocument& doc, std::string_view name) {
  for (const RegOperation& op : doc.operations) {
    if (op.kind == Kind::SetValue && op.name == name) return op;
  }
  throw std::runtime_error("no value " + std::string(name));
}

TEST(RegReader, ReadsEveryValueTypeOfAVersion5FileByteExact) {
  const std::string text =
      "Windows Registry Editor Version 5.00\r\n"
      "\r\n"
      "; a comment\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Test\\]\r\n"
      "@=\"C:\\\\Program Files\\\\x.exe\"\r\n"
      "\"quote \\\"and\\\\ slash\"=\"say \\\"hi\\\"\"\r\n"
      "\"dw\"=dword:000000ff\r\n"
      "\"short dw\"=dword:1A\r\n"
      "\"bin\"=hex:00,01,fe,FF\r\n"
      "\"empty bin\"=hex:\r\n"
      "\"none\"=hex(0):\r\n"
      "\"exp\"=hex(2):25,00,41,00,25,00,00,00\r\n"
      "\"multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
      "\"qword\"=hex(b):01,02,03,04,05,06,07,08\r\n"
      "\"odd type\"=hex(ffff0012):5c,00\r\n"
      "\"wrapped\"=hex:01,02,\\\r\n"
      "  03,04,\\\r\n"
      "\t05\r\n"
      "\"gone\"=-\r\n"
      "\"caf\xC3\xA9\"=\"\xE2\x82\xAC \xF0\x9F\x98\x80\"\r\n"
      "[-HKEY_CURRENT_USER\\Old]\r\n";
  const RegDocument doc = ParseRegFile(Utf16File(text));
  EXPECT_EQ(doc.kind, RegFileKind::Version5);
  ASSERT_EQ(doc.operations.size(), 16u);

  const RegOperation& key = doc.operations[0];
  EXPECT_EQ(key.kind, Kind::SelectKey);
  EXPECT_EQ(key.root, kLocalMachine);
  EXPECT_EQ(key.path, "Software\\Test");
  EXPECT_EQ(key.line, 4);

  EXPECT_EQ(ValueOp(doc, "").value,
            (RegValue{kRegSz, StringToRegData("C:\\Program Files\\x.exe")}));
  EXPECT_EQ(ValueOp(doc, "quote \"and\\ slash").value,
            (RegValue{kRegSz, StringToRegData("say \"hi\"")}));
  EXPECT_EQ(ValueOp(doc, "dw").value, (RegValue{kRegDword, {0xFF, 0, 0, 0}}));
  EXPECT_EQ(ValueOp(doc, "short dw").value, (RegValue{kRegDword, {0x1A, 0, 0, 0}}));
  EXPECT_EQ(ValueOp(doc, "bin").value, (RegValue{kRegBinary, {0x00, 0x01, 0xFE, 0xFF}}));
  EXPECT_EQ(ValueOp(doc, "empty bin").value, (RegValue{kRegBinary, {}}));
  EXPECT_EQ(ValueOp(doc, "none").value, (RegValue{kRegNone, {}}));
  EXPECT_EQ(ValueOp(doc, "exp").value, (RegValue{kRegExpandSz, U16(std::u16string(u"%A%\0", 4))}));
  EXPECT_EQ(ValueOp(doc, "multi").value,
            (RegValue{kRegMultiSz, U16(std::u16string(u"a\0b\0\0", 5))}));
  EXPECT_EQ(ValueOp(doc, "qword").value, (RegValue{kRegQword, {1, 2, 3, 4, 5, 6, 7, 8}}));
  EXPECT_EQ(ValueOp(doc, "odd type").value, (RegValue{0xFFFF0012u, {0x5C, 0x00}}));
  EXPECT_EQ(ValueOp(doc, "wrapped").value, (RegValue{kRegBinary, {1, 2, 3, 4, 5}}));
  EXPECT_EQ(ValueOp(doc, "caf\xC3\xA9").value,
            (RegValue{kRegSz, U16(std::u16string(u"\u20AC \xD83D\xDE00\0", 5))}));

  const RegOperation& gone = doc.operations[13];
  EXPECT_EQ(gone.kind, Kind::DeleteValue);
  EXPECT_EQ(gone.name, "gone");
  EXPECT_EQ(gone.path, "Software\\Test");
  EXPECT_EQ(gone.line, 19);
  const RegOperation& old = doc.operations[15];
  EXPECT_EQ(old.kind, Kind::DeleteKey);
  EXPECT_EQ(old.root, kCurrentUser);
  EXPECT_EQ(old.path, "Old");
  EXPECT_EQ(old.line, 21);
}

TEST(RegReader, Regedit4HoldsStringHexDataAsEightBitCharacters) {
  // LF line ends, no final line end, 8-bit text.
  const std::string text =
      "REGEDIT4\n"
      "[HKCU\\Env]\n"
      "\"Path\"=hex(2):25,53,79,73,25,5c,61,00\n"
      "\"List\"=hex(7):61,00,c3,a9,00,00\n"
      "\"Latin1\"=hex(2):e9,00\n"
      "\"Text\"=hex(1):41,0d,0a,00\n"
      "\"Raw\"=hex(6):41,00\n"
      // U+1F600 as two 3-byte surrogate sequences in a key name, a value name and data.
      "[HKCU\\Env\xED\xA0\xBD\xED\xB8\x80]\n"
      "\"\xED\xA0\xBD\xED\xB8\x80\"=\"\xED\xA0\xBD\xED\xB8\x80\"\n"
      "\"s\"=\"\xC3\xA9t\xC3\xA9\"";
  const RegDocument doc = ParseRegFile(text);
  EXPECT_EQ(doc.kind, RegFileKind::Regedit4);
  EXPECT_EQ(ValueOp(doc, "Path").value, (RegValue{kRegExpandSz, StringToRegData("%Sys%\\a")}));
  EXPECT_EQ(ValueOp(doc, "List").value,
            (RegValue{kRegMultiSz, U16(std::u16string(u"a\0\u00E9\0\0", 5))}));
  // Bytes that are not UTF-8 are Windows-1252 characters.
  EXPECT_EQ(ValueOp(doc, "Latin1").value,
            (RegValue{kRegExpandSz, U16(std::u16string(u"\u00E9\0", 2))}));
  EXPECT_EQ(ValueOp(doc, "Text").value, (RegValue{kRegSz, StringToRegData("A\r\n")}));
  // Other hex(N) data are raw bytes under either header.
  EXPECT_EQ(ValueOp(doc, "Raw").value, (RegValue{kRegLink, {0x41, 0}}));
  EXPECT_EQ(ValueOp(doc, "s").value, (RegValue{kRegSz, StringToRegData("\xC3\xA9t\xC3\xA9")}));
  // ...read in their 4-byte form, as a backup written from them holds them.
  EXPECT_EQ(doc.operations.at(6).path, "Env\xF0\x9F\x98\x80");
  EXPECT_EQ(ValueOp(doc, "\xF0\x9F\x98\x80").value,
            (RegValue{kRegSz, StringToRegData("\xF0\x9F\x98\x80")}));
}

TEST(RegReader, EightBitTextThatIsNotUtf8IsWindows1252) {
  const RegDocument doc =
      ParseRegFile("REGEDIT4\r\n[HKEY_USERS\\.DEFAULT]\r\n\"\x80\"=\"caf\xE9\"\r\n");
  const RegOperation& op = doc.operations.at(1);
  EXPECT_EQ(op.name, "\xE2\x82\xAC");
  EXPECT_EQ(op.value, (RegValue{kRegSz, StringToRegData("caf\xC3\xA9")}));
  EXPECT_EQ(doc.operations[0].root, kUsers);
  EXPECT_EQ(doc.operations[0].path, ".DEFAULT");
}

TEST(RegReader, KnowsEveryRootByItsFullAndShortName) {
  const struct {
    const char* name;
    RootHandle root;
  } cases[] = {{"HKEY_CLASSES_ROOT", kClassesRoot},
               {"HKCR", kClassesRoot},
               {"HKEY_CURRENT_USER", kCurrentUser},
               {"hkcu", kCurrentUser},
               {"HKEY_LOCAL_MACHINE", kLocalMachine},
               {"HKLM", kLocalMachine},
               {"HKEY_USERS", kUsers},
               {"HKU", kUsers},
               {"HKEY_CURRENT_CONFIG", kCurrentConfig},
               {"HKCC", kCurrentConfig},
               {"HKEY_DYN_DATA", kDynData},
               {"HKEY_PERFORMANCE_DATA", kPerformanceData}};
  for (const auto& c : cases) {
    const RegDocument doc =
        ParseRegFile(std::string("REGEDIT4\n[") + c.name + "\\A\\\\B\\]\n[" + c.name + "]\n");
    SCOPED_TRACE(c.name);
    EXPECT_EQ(doc.operations.at(0).root, c.root);
    EXPECT_EQ(doc.operations[0].path, "A\\B");
    EXPECT_EQ(doc.operations.at(1).path, "");  // values on the root key itself
  }
}

TEST(RegReader, KeyNameMayHoldBrackets) {
  const RegDocument doc = ParseRegFile("REGEDIT4\n[HKCU\\a]b[c]  \n");
  EXPECT_EQ(doc.operations.at(0).path, "a]b[c");
}

TEST(RegReader, RejectsMalformedInputNamingTheLineAndWhatWasExpected) {
  const struct {
    std::string text;
    int line;
    const char* expected;
  } cases[] = {
      {"", 1, "expected the header"},
      {"REGEDIT5\n[HKCU\\a]\n", 1, "expected the header"},
      {"\n"
       "REGEDIT4\n",
       1, "expected the header"},
      {"REGEDIT4\n[HKEY_NOWHERE\\a]\n", 2, "unknown root key \"HKEY_NOWHERE\""},
      {"REGEDIT4\n[\\a]\n", 2, "unknown root key"},
      {"REGEDIT4\n[HKCU\\a\n", 2, "expected ']'"},
      {"REGEDIT4\n[-HKEY_LOCAL_MACHINE]\n", 2, "a whole root key cannot be deleted"},
      {"REGEDIT4\n[-HKLM\\]\n", 2, "a whole root key cannot be deleted"},
      {"REGEDIT4\n\"a\"=\"b\"\n", 2, "expected a key line"},
      {"REGEDIT4\n[-HKCU\\a]\n\"a\"=\"b\"\n", 3, "a value cannot follow a key deletion"},
      {"REGEDIT4\n[HKCU\\a]\n\"a\"=\"b\n", 3, "not terminated"},
      {"REGEDIT4\n[HKCU\\a]\n\"a=\"b\"\n", 3, "expected '='"},
      {"REGEDIT4\n[HKCU\\a]\n\"a\"=\"b\"c\"\n", 3, "unexpected text after the closing"},
      {"REGEDIT4\n[HKCU\\a]\n\"a\"=\"b\\q\"\n", 3, "unknown escape"},
      {"REGEDIT4\n[HKCU\\a]\n\"a\"=hex:0\n", 3, "two hex digits"},
      {"REGEDIT4\n[HKCU\\a]\n\"a\"=hex:00,1\n", 3, "two hex digits after ','"},
      {"REGEDIT4\n[HKCU\\a]\n\"a\"=hex:001\n", 3, "expected ','"},
      {"REGEDIT4\n[HKCU\\a]\n\"a\"=hex:00,\n", 3, "two hex digits after ','"},
      {"REGEDIT4\n[HKCU\\a]\n\"a\"=hex:zz\n", 3, "two hex digits"},
      {"REGEDIT4\n[HKCU\\a]\n\"a\"=hex:00,\\\n  01,\\\n  0g\n", 5, "two hex digits"},
      {"REGEDIT4\n[HKCU\\a]\n\"a\"=hex:00,\\\n  01,\\\n", 4, "the file ends inside a value"},
      {"REGEDIT4\n[HKCU\\a]\n\"a\"=hex(xyz):00\n", 3, "after \"hex(\""},
      {"REGEDIT4\n[HKCU\\a]\n\"a\"=hex(123456789):00\n", 3, "after \"hex(\""},
      {"REGEDIT4\n[HKCU\\a]\n\"a\"=hex(2)00\n", 3, "after \"hex(\""},
      {"REGEDIT4\n[HKCU\\a]\n\"a\"=dword:\n", 3, "1 to 8 hex digits"},
      {"REGEDIT4\n[HKCU\\a]\n\"a\"=dword:123456789\n", 3, "1 to 8 hex digits"},
      {"REGEDIT4\n[HKCU\\a]\n\"a\"=dword:12 34\n", 3, "1 to 8 hex digits"},
      {"REGEDIT4\n[HKCU\\a]\n\"a\"=dword:-1\n", 3, "1 to 8 hex digits"},
      {"REGEDIT4\n[HKCU\\a]\n\"a\"=-x\n", 3, "unexpected text after '-'"},
      {"REGEDIT4\n[HKCU\\a]\n\"a\"=qword:1\n", 3, "expected the value's data"},
      {"REGEDIT4\n[HKCU\\a]\n\"a\"=\n", 3, "expected the value's data"},
      {"REGEDIT4\n[HKCU\\a]\nsomething\n", 3, "expected a key line"},
      {"REGEDIT4\n[HKCU\\a]\n\"a\"=\"b\0c\"\n"s, 3, "NUL"},
      {Utf16File("REGEDIT4\r\n[HKCU\\a]\r\n\"x\"=\"y\"\r\n") + "\x41", 4,
       "ends in the middle of a character"},
      {Utf16File("REGEDIT4\r\n\r\n\0"s), 3, "NUL"},
      {"\xFE\xFF\0R"s, 1, "big-endian"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      ParseRegFile(c.text);
      ADD_FAILURE() << "accepted";
    } catch (const RegFileError& error) {
      EXPECT_EQ(error.Line(), c.line) << error.what();
      EXPECT_NE(error.Reason().find(c.expected), std::string::npos) << error.what();
      EXPECT_EQ(std::string(error.what()).rfind("Line " + std::to_string(c.line) + ": ", 0), 0u);
    }
  }
}

TEST(RegReader, EveryReaderRefusesKeysDeeperThanWindowsAllowsNamingTheLine) {
  const auto path = [](std::size_t levels, std::string_view separator) {
    std::string text = "k";
    for (std::size_t i = 1; i < levels; ++i)
      text.append(separator).push_back('k');
    return text;
  };
  // Each reader gets a file whose line 3 names a key `levels` deep and tells what became of
  // it: empty when the key was read, else the message for the user.
  const struct {
    const char* reader;
    std::function<std::string(std::size_t levels)> read;
    const char* line;
  } readers[] = {
      {"Wine registry file",
       [&](std::size_t levels) -> std::string {
         ManualClock clock;
         const auto file = WineRegistryFile::Parse(
             "WINE REGISTRY Version 2\n\n[" + path(levels, "\\\\") + "] 0\n\"v\"=\"x\"\n",
             "user.reg", clock);
         if (!file->FullyUnderstood()) return file->Problems().front();
         return file->KeyExists(path(levels, "\\")) ? "" : "not read";
       },
       "user.reg:3: "},
      {".reg file",
       [&](std::size_t levels) -> std::string {
         try {
           const RegDocument doc = ParseRegFile("REGEDIT4\n\n[HKCU\\" + path(levels, "\\") + "]\n");
           return doc.operations.at(0).path == path(levels, "\\") ? "" : "not read";
         } catch (const RegFileError& error) {
           return std::string(error.what());
         }
       },
       "Line 3: "},
      {"settings file",
       [&](std::size_t levels) -> std::string {
         testsupport::ScratchFolder scratch;
         const UserPaths paths(scratch.Path() / "config", scratch.Path() / "data");
         testsupport::WriteAll(paths.SettingsFile(),
                               "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Zentrix\\" +
                                   path(levels - 2, "\\") + "]\n");
         const auto store = SettingsStore::Open(paths);
         if (!store->Warnings().empty()) return store->Warnings().front();
         return store->Store().KeyExists("Software\\Zentrix\\" + path(levels - 2, "\\"))
                    ? ""
                    : "not read";
       },
       "line 3: "},
      {"document applied to a store",
       [&](std::size_t levels) -> std::string {
         MemoryTarget target;
         RegDocument doc;
         doc.operations.push_back(
             {RegOperation::Kind::SelectKey, 3, kCurrentUser, path(levels, "\\"), "", {}});
         try {
           ApplyRegDocument(doc, target);
           return target.User().KeyExists(path(levels, "\\")) ? "" : "not read";
         } catch (const RegistryError& error) {
           return std::string(error.what());
         }
       },
       "Line 3: "},
  };
  for (const auto& c : readers) {
    SCOPED_TRACE(c.reader);
    EXPECT_EQ(c.read(kMaxKeyDepth), "");
    const std::string refused = c.read(kMaxKeyDepth + 1);
    EXPECT_NE(refused.find(c.line), std::string::npos) << refused;
    EXPECT_NE(refused.find("513"), std::string::npos) << refused;
    EXPECT_NE(refused.find("512"), std::string::npos) << refused;
  }
}

}  // namespace
}  // namespace ordrex
