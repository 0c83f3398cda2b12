// Backup files in the registry editor's format: written, named, read back, and taken by regedit.

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <tuple>

#include "backup/backup_file.h"
#include "backup/reg_apply.h"
#include "backup/reg_reader.h"
#include "backup/reg_writer.h"
#include "platform/clock.h"
#include "platform/text.h"
#include "platform/wine/wine_registry_file.h"
#include "support/fresh_prefix.h"
#include "support/registry_dump.h"

namespace ordrex {
namespace {

using namespace testsupport;
using namespace std::string_literals;
namespace fs = std::filesystem;

// Flags of a value that some peers cannot carry.
constexpr unsigned kNoRegedit4 = 1;  // odd-length string data: REGEDIT4 holds a byte per character
constexpr unsigned kNotForWine = 2;  // Wine's regedit terminates strings, refuses NUL in a name
constexpr unsigned kNonAscii = 4;    // Wine reads REGEDIT4 files in its ANSI code page, we UTF-8

struct ValueCase {
  std::string name;
  RegValue value;
  std::string v5 = {};  // the lines under the 5.00 header, joined by '\n'; "" when not checked
  std::string r4 = {};  // under REGEDIT4 when they differ
  unsigned flags = 0;
};

RegValue Str(const std::string& text, std::uint32_t type = kRegSz) {
  return RegValue{type, StringToRegData(text)};
}

std::string Rep(std::string_view piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i)
    out += piece;
  return out;
}

Bytes Counting(int size) {
  Bytes bytes;
  for (int i = 0; i < size; ++i)
    bytes.push_back(static_cast<std::uint8_t>(i));
  return bytes;
}

const std::vector<ValueCase>& Cases() {
  static const std::vector<ValueCase> cases = {
      {"", Str("C:\\Program Files\\x.exe"), R"(@="C:\\Program Files\\x.exe")"},
      {"a\\b \"q\"", Str("say \"hi\" \\ back"), R"("a\\b \"q\""="say \"hi\" \\ back")"},
      {"line\r\nbreak", Str("in the name"), R"("line\r\nbreak"="in the name")"},
      {"nul\0name"s, Str(""), R"("nul\0name"="")", "", kNotForWine},
      {"=", Str("="), R"("="="=")"},
      {"semi;colon", Str("; no comment"), R"("semi;colon"="; no comment")"},
      {"na\xC3\xAFve \xE2\x82\xAC", Str("caf\xC3\xA9"),
       "\"na\xC3\xAFve \xE2\x82\xAC\"=\"caf\xC3\xA9\"", "", kNonAscii},
      {"sz empty", Str(""), R"("sz empty"="")"},
      // Strings the quoted form cannot carry exactly are written as hex(1).
      {"no bytes", RegValue{kRegSz, {}}, R"("no bytes"=hex(1):)"},
      {"crlf", Str("a\r\nb"), R"("crlf"=hex(1):61,00,0D,00,0A,00,62,00,00,00)",
       R"("crlf"=hex(1):61,0D,0A,62,00)"},
      {"after nul", RegValue{kRegSz, {'a', 0, 0, 0, 'b', 0, 0, 0}},
       R"("after nul"=hex(1):61,00,00,00,62,00,00,00)", R"("after nul"=hex(1):61,00,62,00)"},
      {"no nul", RegValue{kRegSz, {'a', 0}}, R"("no nul"=hex(1):61,00)", R"("no nul"=hex(1):61)",
       kNotForWine},
      {"sz odd", RegValue{kRegSz, {'a', 0, 'b'}}, "", "", kNoRegedit4 | kNotForWine},
      // Surrogates travel both ways, paired or alone (the last two in the wrong order).
      {"sz unicode",
       RegValue{kRegSz,
                U16(std::u16string(u"\u00E9\u20AC\u4E2D \xD83D\xDE00 \xD800 x\xDC00\xD800\0", 14))},
       "", "", kNonAscii},
      // UTF-16 units under 5.00, UTF-8 bytes under REGEDIT4. A wrapped line never splits a unit.
      {"p", Str("%SystemRoot%\\a", kRegExpandSz),
       "\"p\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6D,00,52,00,6F,00,6F,00,74,00,\\\n"
       "  25,00,5C,00,61,00,00,00",
       "\"p\"=hex(2):25,53,79,73,74,65,6D,52,6F,6F,74,25,5C,61,00"},
      {"e", Str("\xC3\xA9", kRegExpandSz), R"("e"=hex(2):E9,00,00,00)", R"("e"=hex(2):C3,A9,00)",
       kNonAscii},
      {"PPP", Str(std::string(30, 'a'), kRegExpandSz),
       "\"PPP\"=hex(2):" + Rep("61,00,", 11) + "\\\n  " + Rep("61,00,", 13) + "\\\n  " +
           Rep("61,00,", 6) + "00,00",
       "\"PPP\"=hex(2):" + Rep("61,", 21) + "\\\n  " + Rep("61,", 9) + "00"},
      {"expand empty", Str("", kRegExpandSz), R"("expand empty"=hex(2):00,00)",
       R"("expand empty"=hex(2):00)"},
      {"expand odd", RegValue{kRegExpandSz, {'a', 0, 'b'}}, "", "", kNoRegedit4 | kNotForWine},
      {"multi", RegValue{kRegMultiSz, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}},
       R"("multi"=hex(7):61,00,00,00,62,00,00,00,00,00)", R"("multi"=hex(7):61,00,62,00,00)"},
      {"multi empty", RegValue{kRegMultiSz, {0, 0}}, R"("multi empty"=hex(7):00,00)",
       R"("multi empty"=hex(7):00)"},
      {"multi \xD0\xB4", RegValue{kRegMultiSz, U16(std::u16string(u"\u0434\0\u4E2D\0\0", 5))}, "",
       "", kNonAscii},
      {"multi odd", RegValue{kRegMultiSz, {0}}, "", "", kNoRegedit4 | kNotForWine},
      {"BinaryValue", RegValue{kRegBinary, Counting(40)},
       "\"BinaryValue\"=hex:00,01,02,03,04,05,06,07,08,09,0A,0B,0C,0D,0E,0F,10,11,12,13,\\\n"
       "  14,15,16,17,18,19,1A,1B,1C,1D,1E,1F,20,21,22,23,24,25,26,27"},
      {"b", RegValue{kRegBinary, Bytes(100, 0xAB)},
       "\"b\"=hex:" + Rep("AB,", 23) + Rep("\\\n  " + Rep("AB,", 25), 3) + "\\\n  AB,AB"},
      {"binary empty", RegValue{kRegBinary, {}}, R"("binary empty"=hex:)"},
      {"n", RegValue{kRegDword, {0xFF, 0, 0, 0}}, R"("n"=dword:000000FF)"},
      {"dword short", RegValue{kRegDword, {1, 2, 3}}, R"("dword short"=hex(4):01,02,03)"},
      {"big endian", RegValue{kRegDwordBigEndian, {0x12, 0x34, 0x56, 0x78}},
       R"("big endian"=hex(5):12,34,56,78)"},
      {"link", RegValue{kRegLink, U16(u"\\Registry\\Machine\\X")}},
      {"qword", RegValue{kRegQword, {1, 2, 3, 4, 5, 6, 7, 0x80}},
       R"("qword"=hex(b):01,02,03,04,05,06,07,80)"},
      {"none data", RegValue{kRegNone, {9, 8}}, R"("none data"=hex(0):09,08)"},
      {"custom", RegValue{0xFFFF0012u, U16(u"\\x")}, R"("custom"=hex(ffff0012):5C,00,78,00)"},
  };
  return cases;
}

// The table's values (but those with an excluded flag) and a few keys below key.
void Fill(RegistryStore& store, const std::string& key, unsigned excluded) {
  for (const ValueCase& c : Cases()) {
    if ((c.flags & excluded) == 0) Put(store, key, c.name, c.value);
  }
  Put(store, key + "\\Sub key [1]", "x", RegValue{kRegDword, {1, 0, 0, 0}});
  if ((excluded & kNonAscii) == 0) {
    Put(store, key + "\\Sub key [1]\\\xC3\x9C" + "ber", "", Str("deep"));
  }
  store.CreateKey(key + "\\Empty");
}

std::string Joined(const TBackupLines& lines) {
  std::string out;
  for (const std::string& line : lines)
    out += (out.empty() ? "" : "\n") + line;
  return out;
}

TEST(RegWriter, ValueLinesUnderEachHeader) {
  MemoryTarget target;
  TRegistry reg(target, kLocalMachine);
  ASSERT_TRUE(reg.OpenKey("\\Software\\Test", true));
  for (const ValueCase& c : Cases()) {
    if (c.v5.empty()) continue;
    reg.WriteRawValue(c.name, c.value);
    for (const bool win2000 : {true, false}) {
      TBackupLines lines{BackupHeader(win2000)};
      ExportRegistryValue(reg, c.name, lines);
      lines.erase(lines.begin());
      EXPECT_EQ(Joined(lines), win2000 || c.r4.empty() ? c.v5 : c.r4) << BackupHeader(win2000);
    }
  }
}

TEST(RegWriter, KeyTreeListsValuesThenEachSubkeyDepthFirstAndNothingThatIsNotThere) {
  MemoryTarget target;
  Put(target.User(), "Software\\P", "v", Str("1"));
  Put(target.User(), "Software\\P\\First", "a", RegValue{kRegDword, {1, 0, 0, 0}});
  Put(target.User(), "Software\\P\\Second", "b", RegValue{kRegDword, {2, 0, 0, 0}});
  TBackupLines lines{BackupHeader(true)};
  EXPECT_TRUE(ExportRegistryKey(target, kCurrentUser, "\\Software\\P\\", lines));
  EXPECT_EQ(lines,
            (TBackupLines{"Windows Registry Editor Version 5.00", "",
                          "[HKEY_CURRENT_USER\\Software\\P]", "\"v\"=\"1\"", "",
                          "[HKEY_CURRENT_USER\\Software\\P\\First]", "\"a\"=dword:00000001", "",
                          "[HKEY_CURRENT_USER\\Software\\P\\Second]", "\"b\"=dword:00000002"}));
  // Nothing is written for what is not there, and never a whole root.
  TRegistry reg(target, kCurrentUser);
  ASSERT_TRUE(reg.OpenKey("\\Software", true));
  reg.WriteString("x", "y");
  lines.clear();
  ExportRegistryValue(reg, "nothing", lines);
  ExportRegistryValue(reg, "", lines);  // a default value that is not set
  EXPECT_TRUE(lines.empty());
  reg.CloseKey();
  ExportRegistryValue(reg, "x", lines);  // no key open
  EXPECT_TRUE(lines.empty());
  for (const char* path : {"", "\\", "\\\\"}) {
    EXPECT_FALSE(ExportRegistryKey(target, kCurrentUser, path, lines)) << path;
    EXPECT_TRUE(lines.empty());
  }
  // A key that is not there gives its key line only.
  EXPECT_TRUE(ExportRegistryKey(target, kLocalMachine, "Software\\Nowhere", lines));
  EXPECT_EQ(lines, (TBackupLines{"", "[HKEY_LOCAL_MACHINE\\Software\\Nowhere]"}));
}

TEST(RegRoundTrip, EveryValueComesBackFromASavedBackupUnderBothHeaders) {
  ScratchFolder scratch;
  for (const bool win2000 : {true, false}) {
    SCOPED_TRACE(BackupHeader(win2000));
    MemoryTarget source;
    Fill(source.User(), "Software\\RoundTrip", win2000 ? 0 : kNoRegedit4);
    TBackupLines lines{BackupHeader(win2000)};
    ASSERT_TRUE(ExportRegistryKey(source, kCurrentUser, "Software\\RoundTrip", lines));
    const auto file = SaveBackupFile(lines, scratch.Path(), std::chrono::system_clock::now());
    MemoryTarget copy;
    ApplyRegFile(ReadAll(file), copy);
    EXPECT_EQ(DumpStore(copy.User(), "Software\\RoundTrip"),
              DumpStore(source.User(), "Software\\RoundTrip"));
  }
}

std::chrono::system_clock::time_point LocalTime(int year, int month, int day, int hour,
                                                int minute) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = 30;
  tm.tm_isdst = -1;
  return std::chrono::system_clock::from_time_t(std::mktime(&tm));
}

TEST(BackupFileName, TwelveHourClockWithLeadingZeros) {
  EXPECT_EQ(BackupFileName(LocalTime(2024, 3, 7, 21, 5)), "03-07-2024(09-05PM).reg");
  EXPECT_EQ(BackupFileStem(LocalTime(2024, 11, 23, 0, 30)), "11-23-2024(12-30AM)");
  EXPECT_EQ(BackupFileStem(LocalTime(2025, 1, 1, 12, 0)), "01-01-2025(12-00PM)");
}

TEST(BackupFileEncoding, Version5IsUtf16WithByteOrderMarkAndCrLf) {
  EXPECT_EQ(
      EncodeBackupFile(
          {"Windows Registry Editor Version 5.00", "", "\"caf\xC3\xA9\"=\"\xF0\x9F\x98\x80\""}),
      U16(u"\uFEFFWindows Registry Editor Version 5.00\r\n\r\n\"caf\u00E9\"=\"\U0001F600\"\r\n"));
}

TEST(BackupFileSave, NeverReplacesAnEarlierBackup) {
  ScratchFolder scratch;
  const fs::path folder = scratch.Path() / "deep" / "Backup";
  const auto when = LocalTime(2024, 3, 7, 21, 5);
  // REGEDIT4 files stay 8-bit, their text UTF-8.
  const TBackupLines first{"REGEDIT4", "", "[HKEY_CURRENT_USER\\A]", "\"a\"=\"\xC3\xA9\""};
  const TBackupLines second{"REGEDIT4", "", "[HKEY_CURRENT_USER\\B]"};
  const fs::path a = SaveBackupFile(first, folder, when);
  const fs::path b = SaveBackupFile(second, folder, when);
  const fs::path c = SaveBackupFile(second, folder, when);
  EXPECT_EQ(a, folder / "03-07-2024(09-05PM).reg");
  EXPECT_EQ(b, folder / "03-07-2024(09-05PM) (2).reg");
  EXPECT_EQ(c, folder / "03-07-2024(09-05PM) (3).reg");
  EXPECT_EQ(ReadAll(a), "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"a\"=\"\xC3\xA9\"\r\n");
  EXPECT_EQ(ReadAll(b), "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\B]\r\n");
  // Nothing else is left in the folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 3);
}

std::string WindowsPath(const std::filesystem::path& path) {
  std::string text = "Z:" + path.string();
  std::replace(text.begin(), text.end(), '/', '\\');
  return text;
}

TEST(RegPeerWine, RegeditImportsOurBackupsValueForValue) {
  const auto fresh = FreshWinePrefix();
  if (!fresh) GTEST_SKIP() << kWineMissing;
  PrefixCopy prefix(*fresh);
  ScratchFolder scratch;
  const EnvironmentChanges env = WineEnvironment(prefix.Path());
  const std::string v5 = "Software\\OrdrexPeer\\Version5";
  const std::string r4 = "Software\\OrdrexPeer\\Regedit4";
  MemoryTarget source;
  for (const auto& [win2000, key] : {std::pair{true, v5}, std::pair{false, r4}}) {
    const unsigned excluded = kNotForWine | (win2000 ? 0u : kNoRegedit4 | kNonAscii);
    Fill(source.User(), key, excluded);
    Fill(source.Machine(), key, excluded);
    TBackupLines lines{BackupHeader(win2000)};
    ASSERT_TRUE(ExportRegistryKey(source, kCurrentUser, key, lines));
    ASSERT_TRUE(ExportRegistryKey(source, kLocalMachine, key, lines));
    const auto file = SaveBackupFile(lines, scratch.Path(), std::chrono::system_clock::now());
    const ProcessResult import = RunProcess({"wine", "regedit", "/S", WindowsPath(file)}, env);
    ASSERT_EQ(import.exitCode, 0) << import.output;
  }
  RunProcess({"wineserver", "-w"}, env);

  ManualClock clock;
  const auto user = WineRegistryFile::Load(prefix.Path() / "user.reg", clock);
  const auto machine = WineRegistryFile::Load(prefix.Path() / "system.reg", clock);
  ASSERT_TRUE(user->FullyUnderstood());
  ASSERT_TRUE(machine->FullyUnderstood());
  for (const std::string& key : {v5, r4}) {
    SCOPED_TRACE(key);
    EXPECT_EQ(DumpStore(*user, key, DumpOrder::kSorted),
              DumpStore(source.User(), key, DumpOrder::kSorted));
    EXPECT_EQ(DumpStore(*machine, key, DumpOrder::kSorted),
              DumpStore(source.Machine(), key, DumpOrder::kSorted));
  }
  StopWineserver(prefix.Path());
}

std::string Utf16File(std::string_view utf8) {
  const Bytes units = Utf8ToUtf16LeBytes(utf8);
  return std::string("\xFF\xFE") + std::string(units.begin(), units.end());
}

const RegOperation& ValueOp(const RegDocument& doc, std::string_view name) {
  for (const RegOperation& op : doc.operations) {
    if (op.kind == RegOperation::Kind::SetValue && op.name == name) return op;
  }
  throw std::runtime_error("no value " + std::string(name));
}

// Text that is not UTF-8 is Windows-1252; surrogate pairs written as two sequences are joined.
TEST(RegReader, Regedit4TextThatIsNotUtf8IsWindows1252) {
  // LF line ends, no final line end, 8-bit text.
  const RegDocument doc = ParseRegFile(
      "REGEDIT4\n"
      "[HKEY_USERS\\.DEFAULT]\n"
      "\"\x80\"=\"caf\xE9\"\n"
      "\"Latin1\"=hex(2):e9,00\n"
      "\"Raw\"=hex(6):41,00\n"
      "[HKCU\\a]b[c]  ");
  EXPECT_EQ(doc.kind, RegFileKind::Regedit4);
  EXPECT_EQ(ValueOp(doc, "\xE2\x82\xAC").value, Str("caf\xC3\xA9"));
  EXPECT_EQ(ValueOp(doc, "Latin1").value,
            (RegValue{kRegExpandSz, U16(std::u16string(u"\u00E9\0", 2))}));
  // Other hex(N) data are raw bytes under either header.
  EXPECT_EQ(ValueOp(doc, "Raw").value, (RegValue{kRegLink, {0x41, 0}}));
  EXPECT_EQ(ValueOp(doc, "Raw").line, 5);          // what a failure to apply it names
  EXPECT_EQ(doc.operations.back().path, "a]b[c");  // a key name may hold brackets
  // U+1F600 as two 3-byte surrogate sequences in a key name, a value name and data, read in
  // their 4-byte form, as a backup written from them holds them.
  const RegDocument pairs = ParseRegFile(
      "REGEDIT4\n\n[HKCU\\Env\xED\xA0\xBD\xED\xB8\x80]\n"
      "\"\xED\xA0\xBD\xED\xB8\x80\"=\"\xED\xA0\xBD\xED\xB8\x80\"\n");
  ASSERT_EQ(pairs.operations.size(), 2u);
  EXPECT_EQ(pairs.operations[0].path, "Env\xF0\x9F\x98\x80");
  EXPECT_EQ(pairs.operations[1].name, "\xF0\x9F\x98\x80");
  EXPECT_EQ(pairs.operations[1].value, Str("\xF0\x9F\x98\x80"));
}

TEST(RegReader, KnowsEveryRootByItsFullAndShortName) {
  const std::tuple<const char*, const char*, RootHandle> cases[] = {
      {"HKEY_CLASSES_ROOT", "HKCR", kClassesRoot},
      {"HKEY_CURRENT_USER", "hkcu", kCurrentUser},
      {"HKEY_LOCAL_MACHINE", "HKLM", kLocalMachine},
      {"HKEY_USERS", "HKU", kUsers},
      {"HKEY_CURRENT_CONFIG", "HKCC", kCurrentConfig},
      {"HKEY_DYN_DATA", "HKEY_DYN_DATA", kDynData},
      {"HKEY_PERFORMANCE_DATA", "HKEY_PERFORMANCE_DATA", kPerformanceData}};
  for (const auto& [name, shortName, root] : cases) {
    SCOPED_TRACE(name);
    const RegDocument doc =
        ParseRegFile(std::string("REGEDIT4\n[") + name + "\\A\\\\B\\]\n[" + shortName + "]\n");
    EXPECT_EQ(doc.operations.at(0).root, root);
    EXPECT_EQ(doc.operations[0].path, "A\\B");
    EXPECT_EQ(doc.operations.at(1).root, root);
    EXPECT_EQ(doc.operations[1].path, "");  // values on the root key itself
  }
}

TEST(RegReader, RejectsMalformedInputNamingTheLineAndWhatWasExpected) {
  const struct {
    std::string text;
    int line;
    const char* expected;
  } cases[] = {
      {"", 1, "expected the header"},
      {"\nREGEDIT4\n", 1, "expected the header"},
      {"REGEDIT4\n[HKEY_NOWHERE\\a]\n", 2, "unknown root key \"HKEY_NOWHERE\""},
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
      {"REGEDIT4\n[HKCU\\a]\n\"a\"=hex:001\n", 3, "expected ','"},
      {"REGEDIT4\n[HKCU\\a]\n\"a\"=hex:00,\n", 3, "two hex digits after ','"},
      {"REGEDIT4\n[HKCU\\a]\n\"a\"=hex:00,\\\n  01,\\\n  0g\n", 5, "two hex digits"},
      {"REGEDIT4\n[HKCU\\a]\n\"a\"=hex:00,\\\n  01,\\\n", 4, "the file ends inside a value"},
      {"REGEDIT4\n[HKCU\\a]\n\"a\"=hex(xyz):00\n", 3, "after \"hex(\""},
      {"REGEDIT4\n[HKCU\\a]\n\"a\"=dword:\n", 3, "1 to 8 hex digits"},
      {"REGEDIT4\n[HKCU\\a]\n\"a\"=dword:123456789\n", 3, "1 to 8 hex digits"},
      {"REGEDIT4\n[HKCU\\a]\n\"a\"=-x\n", 3, "unexpected text after '-'"},
      {"REGEDIT4\n[HKCU\\a]\n\"a\"=qword:1\n", 3, "expected the value's data"},
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

}  // namespace
}  // namespace ordrex
