// Wine's registry files: every form read and written back byte for byte, damaged ones read-only.

#include "platform/wine/wine_registry_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>

#include "platform/text.h"
#include "platform/wine/wine_value_codec.h"
#include "support/fresh_prefix.h"
#include "support/registry_dump.h"

namespace ordrex {
namespace {

namespace fs = std::filesystem;
using testsupport::ReadAll;
using testsupport::ScratchFolder;
using testsupport::U16;

constexpr std::string_view kHeader =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n"
    "\n"
    "#arch=win64\n";

// 2030-01-01 00:00:00 UTC, far from every timestamp in the fixtures.
constexpr std::int64_t kNow = 1893456000;

class WineRegistryFileTest : public ::testing::Test {
 protected:
  WineRegistryFileTest()
      : clock_(std::chrono::system_clock::time_point(std::chrono::seconds(kNow))) {}

  std::unique_ptr<WineRegistryFile> Parse(std::string_view body) {
    return WineRegistryFile::Parse(std::string(kHeader) + std::string(body), "user.reg", clock_);
  }

  ManualClock clock_;
};

// A file as Wine writes it, with the cases that are easy to get wrong: implied keys, an empty
// leaf key, a class, a link, escapes in key and value names, every value form (strings without
// their final NUL as hex(1)), and hex wrapped once a line passes 76 characters (the name
// counts; continuation lines start at 2).
constexpr std::string_view kWineForm = R"(
[] 1700000000
#time=1da1a4d2e6d1800
@="root default"

[Control Panel\\International\\\xd83c\xdf0e] 1700000001
#time=1da1a4d2e6d1801

[Software\\A \[1\] "q"\\Empty] 1700000002
#time=1da1a4d2e6d1802

[Software\\Classed] 1700000004
#time=1da1a4d2e6d1804
#class="my \"class\""
@=hex(ffff0012):5c,00
"Bin"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\
  17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,2f,\
  30,31
"D"=dword:0000002a
"Empty"=hex:
"Esc"="\xe9 \x00e9F \xdc00 \a\b\t\n\v\f\r\e\18 a\0b \37 a[b]\"c\\"
"Expand"=str(2):"%SystemRoot%\\system32"
"Multi"=str(7):"a\0b\0"
"None"=hex(0):
"Q"=hex(b):01,02,03,04,05,06,07,08
"Quote\"d"="C:\\windows\\system32\\xaudio2_4.dll"
"Raw"=hex(7):72,00
"Short"=hex(4):01,02,03
"SzNoBytes"=hex(1):
"SzNoNul"=hex(1):61,00,00
"Unicode"="\x0430b \x430g \xd83c\xdf0e \0017"

[Software\\Classes\\Wow6432Node\\AppId] 1700000003
#time=1da1a4d2e6d1803
#link
"SymbolicLinkValue"=hex(6):5c,00,52,00,65,00,67,00,69,00,73,00,74,00,72,00,79,\
  00,5c,00,4d,00,61,00,63,00,68,00,69,00,6e,00,65,00
)";

TEST_F(WineRegistryFileTest, ReadsEveryFormAndWritesTheSameBytes) {
  const auto file = Parse(kWineForm);
  ASSERT_TRUE(file->FullyUnderstood()) << file->Problems().front();
  EXPECT_EQ(file->RelativeTo(), "REGISTRY\\User\\S-1-5-21-0-0-0-1000");
  EXPECT_EQ(file->Arch(), "win64");
  EXPECT_EQ(file->Header(), kHeader);
  EXPECT_EQ(file->Serialize(), std::string(kHeader) + std::string(kWineForm));
  EXPECT_FALSE(file->Changed());

  EXPECT_EQ(file->QueryValue("", ""), (RegValue{kRegSz, StringToRegData("root default")}));
  EXPECT_TRUE(file->KeyExists("Control Panel\\International\\\U0001F30E"));
  EXPECT_TRUE(file->KeyExists("software\\a [1] \"q\"\\empty"));
  const auto classed = "Software\\Classed";
  EXPECT_EQ(file->QueryValue(classed, "quote\"d"),
            (RegValue{kRegSz, StringToRegData("C:\\windows\\system32\\xaudio2_4.dll")}));
  EXPECT_EQ(file->QueryValue(classed, "Unicode"),
            (RegValue{kRegSz, StringToRegData("\xD0\xB0"
                                              "b \xD0\xB0"
                                              "g \xF0\x9F\x8C\x8E \x01"
                                              "7")}));
  // \x takes up to four digits, octal three: padded when such a digit follows.
  constexpr char16_t kEscaped[] =
      u"\u00e9 \u00e9F \xdc00 \a\b\t\n\v\f\r\x1b\x01"
      u"8 a\0b \x1f a[b]\"c\\";
  EXPECT_EQ(file->QueryValue(classed, "Esc"),
            (RegValue{kRegSz, U16({kEscaped, std::size(kEscaped)})}));
  EXPECT_EQ(file->QueryValue(classed, "Multi"),
            (RegValue{kRegMultiSz, Bytes{'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}}));
  EXPECT_EQ(file->QueryValue(classed, "D"), (RegValue{kRegDword, Bytes{42, 0, 0, 0}}));
  EXPECT_EQ(file->QueryValue(classed, "Raw"), (RegValue{kRegMultiSz, Bytes{'r', 0}}));
  EXPECT_EQ(file->QueryValue(classed, "Bin")->data.size(), 50u);
  ASSERT_TRUE(file->FindKey(classed)->Meta().className);
  EXPECT_EQ(*file->FindKey(classed)->Meta().className, "my \"class\"");
  // "Software", "Software\Classes" and the like exist although no line names them.
  EXPECT_EQ(file->KeyCount(), 10u);
}

// Repeats are merged (the last data wins, the first spelling of a name stays) and saved in Wine's
// order and forms; CR LF line ends, and text Wine would escape otherwise, are read too.
TEST_F(WineRegistryFileTest, RepeatedKeysAndValuesAreMergedAndSavedInOrder) {
  const auto crlf = WineRegistryFile::Parse(
      "WINE REGISTRY Version 2\r\n\r\n[Key] 1\r\n\"a\"=\"1\"\r\n\"b\"=\"2\"\r\n\r\n"
      "[KEY] 2\r\n\"A\"=\"3\"\r\n",
      "x.reg", clock_);
  ASSERT_TRUE(crlf->FullyUnderstood()) << crlf->Problems().front();
  EXPECT_EQ(crlf->SubkeyNames(""), std::vector<std::string>{"Key"});
  EXPECT_EQ(crlf->ValueNames("key"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(crlf->QueryValue("key", "a"), (RegValue{kRegSz, StringToRegData("3")}));
  EXPECT_EQ(crlf->Header(), "WINE REGISTRY Version 2\n");

  const auto file = Parse(
      "\n[K] 1\n\"b\"=\"1\"\n\"a\"=hex:01, 02 ,03,\\\n  04\n\"B\"=\"3\"\n\"c\"=dword:5\n"
      "\"c\"=dword:6\n\"d\"=\"\\\\\\x41 \xF0\x9F\x8C\x8E\"\n");
  ASSERT_TRUE(file->FullyUnderstood()) << file->Problems().front();
  EXPECT_EQ(file->ValueNames("K"), (std::vector<std::string>{"b", "a", "c", "d"}));
  EXPECT_EQ(file->QueryValue("K", "b"), (RegValue{kRegSz, StringToRegData("3")}));
  EXPECT_EQ(file->QueryValue("K", "a"), (RegValue{kRegBinary, Bytes{1, 2, 3, 4}}));
  EXPECT_EQ(file->Serialize(),
            std::string(kHeader) +
                "\n[K] 1\n\"a\"=hex:01,02,03,04\n\"b\"=\"3\"\n\"c\"=dword:00000006\n"
                "\"d\"=\"\\\\A \\xd83c\\xdf0e\"\n");
}

TEST_F(WineRegistryFileTest, ChangedKeysGetTheCurrentTimeAndUntouchedKeysKeepTheirs) {
  const auto file = Parse(kWineForm);
  file->SetValue("Software\\Classed", "D", RegValue{kRegDword, Bytes{1, 0, 0, 0}});
  EXPECT_TRUE(file->Changed());
  // 2030-01-01 as a FILETIME: (1893456000 + 11644473600) * 10^7.
  const std::string expected = ReplaceAllText(
      ReplaceAllText(std::string(kHeader) + std::string(kWineForm),
                     "] 1700000004\n#time=1da1a4d2e6d1804", "] 1893456000\n#time=1e0f6c0a005c000"),
      "dword:0000002a", "dword:00000001");
  EXPECT_EQ(file->Serialize(), expected);
}

TEST_F(WineRegistryFileTest, NewKeysAreSortedAtSaveAndImpliedKeysStayImplicit) {
  const auto file = Parse("\n[Top\\\\Zeta] 5\n#time=1\n");
  file->CreateKey("top\\beta\\leaf");
  file->CreateKey("Top\\alpha");
  EXPECT_THROW(file->SetValue("Top\\_under", "", RegValue{}), RegistryError);  // no such key
  EXPECT_FALSE(file->KeyExists("Top\\_under"));
  file->CreateKey("Top\\_under");
  file->SetValue("Top\\_under", "z", RegValue{kRegSz, StringToRegData("z")});
  file->SetValue("Top\\_under", "a", RegValue{kRegSz, StringToRegData("a")});

  const std::string text = file->Serialize();
  const auto at = [&](std::string_view needle) { return text.find(needle); };
  // "_" sorts before letters; "Top" and "Top\beta" have only subkeys and are not written.
  EXPECT_LT(at("[Top\\\\_under]"), at("[Top\\\\alpha]"));
  EXPECT_LT(at("[Top\\\\alpha]"), at("[Top\\\\beta\\\\leaf]"));
  EXPECT_LT(at("[Top\\\\beta\\\\leaf]"), at("[Top\\\\Zeta] 5\n#time=1\n"));
  EXPECT_LT(at("\"a\"=\"a\""), at("\"z\"=\"z\""));
  EXPECT_EQ(at("[Top]"), std::string::npos);
  EXPECT_EQ(at("[Top\\\\beta]"), std::string::npos);

  // Once its only subkey is gone, "beta" is an empty leaf and is written, with the new time.
  EXPECT_TRUE(file->DeleteKey("Top\\beta\\leaf"));
  EXPECT_NE(file->Serialize().find("[Top\\\\beta] 1893456000\n"), std::string::npos);
}

TEST_F(WineRegistryFileTest, SavesAtomicallyAndAnInterruptedSaveLeavesTheOldFile) {
  ScratchFolder folder;
  const fs::path path = folder.Path() / "user.reg";
  const std::string original = std::string(kHeader) + std::string(kWineForm);
  std::ofstream(path) << original;

  const auto file = WineRegistryFile::Load(path, clock_);
  FaultInjectingFileWriter failing;
  file->Save(failing);  // unchanged: nothing written
  EXPECT_EQ(failing.Attempts(), 0);
  file->CreateKey("Software\\New");
  file->SetValue("Software\\New", "v", RegValue{kRegSz, StringToRegData("w")});
  failing.FailAfter(0, FaultInjectingFileWriter::Fault::kBeforeRename);
  EXPECT_THROW(file->Save(failing), RegistryError);
  EXPECT_EQ(ReadAll(path), original);
  EXPECT_TRUE(file->Changed());

  AtomicFileWriter writer;
  file->Save(writer);
  EXPECT_FALSE(file->Changed());
  EXPECT_EQ(ReadAll(path), file->Serialize());
  EXPECT_THROW(WineRegistryFile::Load(folder.Path() / "missing.reg", clock_), RegistryError);
}

// Files are read in blocks of about a megabyte: lines that cross a block boundary, a line longer
// than a block, CR LF line ends and a missing final line end must come out the same as from text.
TEST_F(WineRegistryFileTest, LargeFilesReadInBlocksGiveTheSameTree) {
  std::string text(kHeader);
  text += "\n[Big] 1700000000\n#time=1da1a4d2e6d1800\n";
  for (int i = 0; text.size() < 2'500'000; ++i)
    text += "\"v" + std::to_string(1'000'000 + i) + "\"=\"" +
            std::string(50 + i % 70, static_cast<char>('a' + i % 26)) + "\"\n";
  text += "\"zlong\"=\"" + std::string(1'500'000, 'z') + "\"\n";
  ScratchFolder folder;
  const fs::path path = folder.Path() / "user.reg";
  std::ofstream(path, std::ios::binary) << text;
  const auto file = WineRegistryFile::Load(path, clock_);
  ASSERT_TRUE(file->FullyUnderstood()) << file->Problems().front();
  EXPECT_EQ(file->Serialize(), text);
  EXPECT_EQ(file->QueryValue("Big", "zlong")->data.size(), 2 * 1'500'001u);

  std::ofstream(path, std::ios::binary | std::ios::trunc) << ReplaceAllText(text, "\n", "\r\n");
  EXPECT_EQ(WineRegistryFile::Load(path, clock_)->Serialize(), text);

  text.pop_back();
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
  const auto cut = WineRegistryFile::Load(path, clock_);
  ASSERT_FALSE(cut->FullyUnderstood());
  const std::size_t lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
  EXPECT_EQ(
      cut->Problems().front().rfind(path.string() + ":" + std::to_string(lines + 1) + ": ", 0), 0u)
      << cut->Problems().front();
}

struct BadFile {
  const char* name;
  std::string text;
  std::size_t line;
  const char* expected;             // part of the problem text
  const char* stillRead = nullptr;  // a value (in key "Ok") that is read although the file is bad
};

std::string Body(std::string_view lines) {
  return std::string(kHeader) + std::string(lines);
}

// A bad line in key "Ok" (on line 7 unless it spans more), before a good value "c".
BadFile BadLine(const char* name, std::string_view lines, const char* expected,
                std::size_t line = 7) {
  return {name, Body("\n[Ok] 1\n" + std::string(lines) + "\"c\"=\"d\"\n"), line, expected, "c"};
}

class BadWineFile : public ::testing::TestWithParam<BadFile> {};

TEST_P(BadWineFile, IsReportedWithItsLineAndNeverWritten) {
  const BadFile& bad = GetParam();
  ScratchFolder folder;
  const fs::path path = folder.Path() / "system.reg";
  std::ofstream(path, std::ios::binary) << bad.text;
  ManualClock clock;
  const auto file = WineRegistryFile::Load(path, clock);

  ASSERT_FALSE(file->FullyUnderstood());
  const std::string first = file->Problems().front();
  EXPECT_TRUE(first.starts_with(path.string() + ":" + std::to_string(bad.line) + ": expected"))
      << first;
  EXPECT_NE(first.find(bad.expected), std::string::npos) << first;
  EXPECT_NE(file->WriteBlocker().find(path.string() + " was not fully understood: line " +
                                      std::to_string(bad.line)),
            std::string::npos)
      << file->WriteBlocker();
  EXPECT_TRUE(file->WriteBlocker().ends_with("; it is opened read-only"));
  if (bad.stillRead != nullptr) {
    EXPECT_TRUE(file->QueryValue("Ok", bad.stillRead).has_value()) << bad.stillRead;
  }

  EXPECT_THROW(file->CreateKey("New"), RegistryError);
  EXPECT_THROW(file->SetValue("Ok", "x", RegValue{}), RegistryError);
  EXPECT_THROW(file->DeleteValue("Ok", "c"), RegistryError);
  EXPECT_THROW(file->DeleteKey("Ok"), RegistryError);
  AtomicFileWriter writer;
  file->Save(writer);
  EXPECT_EQ(ReadAll(path), bad.text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadWineFile,
    ::testing::Values(
        BadFile{"WrongHeader", "WINE REGISTRY Version 3\n\n[Ok] 1\n\"a\"=\"b\"\n", 1,
                "\"WINE REGISTRY Version 2\" as the first line, found \"WINE REGISTRY Version 3\""},
        BadFile{"Empty", "", 1, "found an empty file"},
        BadFile{"UnknownArch", Body("#arch=arm64\n"), 5, "#arch=win32 or #arch=win64"},
        BadLine("UnparsableLine", "\"a\"=\"b\"\nthis is not a registry line\n",
                "a key line [...], a value", 8),
        BadLine("ValueWithoutEquals", "\"a\" \"b\"\n", "= after the value name"),
        BadLine("BadEscape", "\"a\"=\"C:\\Program Files\"\n", "a known escape, found \\P"),
        BadLine("HexEscapeWithoutDigits", "\"a\"=\"\\xq\"\n", "hex digits after \\x"),
        BadLine("BackslashEndsTheLine", "\"a\"=\"abc\\\n", "an escape after the backslash"),
        BadLine("NoClosingQuote", "\"a\"=\"open\n", "a closing \""),
        BadLine("OverlongUtf8", "\"a\"=\"\xC0\xAF\"\n", "expected UTF-8 text"),
        BadLine("OddHex", "\"a\"=hex:01,2,03\n", "two hex digits"),
        BadLine("OddHexOnAContinuationLine", "\"a\"=hex:01,02,\\\n  03,4\n", "two hex digits", 8),
        BadLine("BadDword", "\"a\"=dword:xyz\n", "dword:"),
        BadLine("UnknownKeyOption", "#volatile\n", "#time=, #class= or #link"),
        BadFile{"BadEscapeInKeyName", Body("\n[Ok\\\\\\q] 1\n\"a\"=\"b\"\n\n[Ok] 1\n\"c\"=\"d\"\n"),
                6, "in the key name", "c"},
        BadFile{"KeyLineWithoutBracket", Body("\n[Ok 1\n\"a\"=\"b\"\n"), 6, "closing ]"},
        BadFile{"TruncatedInALine", Body("\n[Ok] 1\n\"c\"=\"d\"\n\"a\"=\"unfinished"), 8,
                "the file stops in the middle of a line", "c"},
        BadFile{"TruncatedInWrappedHex", Body("\n[Ok] 1\n\"c\"=\"d\"\n\"a\"=hex:01,02,\\\n"), 8,
                "the file stops in the middle of a value", "c"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WineRegistryFileTest, ProblemsAreCappedAndCounted) {
  std::string text = "\n[Ok] 1\n";
  for (int i = 0; i < 150; ++i)
    text += "garbage\n";
  const auto file = Parse(text);
  const std::vector<std::string> problems = file->Problems();
  ASSERT_EQ(problems.size(), WineRegistryFile::kMaxProblems + 1);
  EXPECT_EQ(problems.back(), "user.reg: 50 more problems");
}

TEST(WineRegistryFileFreshPrefix, ReadingAndWritingWinesOwnFilesGivesTheSameBytes) {
  const auto prefix = testsupport::FreshWinePrefix();
  if (!prefix) GTEST_SKIP() << testsupport::kWineMissing;
  ManualClock clock;
  for (const char* name : {"system.reg", "user.reg", "userdef.reg"}) {
    const auto file = WineRegistryFile::Load(*prefix / name, clock);
    ASSERT_TRUE(file->FullyUnderstood()) << file->Problems().front();
    EXPECT_EQ(file->Serialize(), ReadAll(*prefix / name)) << name;
    EXPECT_TRUE(file->WriteBlocker().empty());
  }
  const auto machine = WineRegistryFile::Load(*prefix / "system.reg", clock);
  EXPECT_EQ(machine->RelativeTo(), "REGISTRY\\Machine");
  EXPECT_EQ(machine->QueryValue("Software\\Microsoft\\Windows NT\\CurrentVersion", "SystemRoot"),
            (RegValue{kRegSz, StringToRegData("C:\\windows")}));
  // The 32-bit view of the classes is a link: its target's subkeys are not listed twice.
  const std::string link = "Software\\Wow6432Node\\Classes";
  EXPECT_TRUE(machine->FindKey(link)->Meta().link);
  EXPECT_TRUE(machine->SubkeyNames(link).empty());
  EXPECT_FALSE(machine->KeyExists(link + "\\CLSID"));
  EXPECT_TRUE(machine->KeyExists("Software\\Classes\\CLSID"));
}

TEST(WineValueData, RejectsWhatIsNotCertain) {
  RegValue value;
  for (const char* text :
       {"dword:xyz", "dword:123456789", "hex:0,1", "hex:abc", "hex:0102", "hex:01,,02",
        "hex(zz):01", "hex(1:01", "str(4):\"a\"", "\"a\" trailing", "word:1", "hex:01 \\ 02"}) {
    WineTextError error;
    EXPECT_EQ(ParseWineValueData(text, value, error), HexLine::kBad) << text;
    EXPECT_FALSE(error.what.empty()) << text;
  }
}

// Names sort as Wine sorts them: lower-cased UTF-16 units, prefixes first. Times are written
// with the high part minimal and the low part padded.
TEST(WineTextForms, NameOrderAndTimes) {
  EXPECT_EQ(CompareWineNames("Foo", "fOO"), 0);
  EXPECT_LT(CompareWineNames("abc", "ABCD"), 0);
  EXPECT_GT(CompareWineNames("Z", "a"), 0);
  // Beyond the BMP: a surrogate (0xd83c) sorts before U+E000, unlike code point order.
  EXPECT_LT(CompareWineNames("\xF0\x9F\x8C\x8E", "\xEE\x80\x80"), 0);
  EXPECT_EQ(CompareWineNames("\xD0\x90", "\xD0\xB0"), 0);  // Cyrillic A and a
  EXPECT_EQ(WineTimeText(0x1dd857e15e9be00ull), "1dd857e15e9be00");
  EXPECT_EQ(WineTimeText(0x100000001ull), "100000001");
  EXPECT_EQ(WineTimeText(0x5ull), "000000005");
}

}  // namespace
}  // namespace ordrex
