#include "platform/wine/wine_value_codec.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace ordrex {
namespace {

// Decodes a whole escaped string written between quotes.
std::u16string Decode(std::string_view quoted, std::string* error = nullptr) {
  std::size_t pos = 1;
  Bytes units;
  const WineTextError result = DecodeWineText(quoted, pos, '"', units);
  if (error != nullptr) *error = result.what;
  std::u16string out;
  for (std::size_t i = 0; i + 1 < units.size(); i += 2) {
    out.push_back(static_cast<char16_t>(units[i] | (units[i + 1] << 8)));
  }
  return out;
}

std::string Encode(std::u16string_view units, std::string_view special = "\"") {
  Bytes bytes;
  for (char16_t u : units) {
    bytes.push_back(static_cast<std::uint8_t>(u & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(u >> 8));
  }
  std::string out;
  AppendWineEscaped(out, bytes.data(), units.size(), special);
  return out;
}

std::string ValueLine(std::string_view name, std::uint32_t type, Bytes data) {
  std::string out;
  AppendWineValue(out, name, RegValue{type, std::move(data)});
  return out;
}

TEST(WineEscapes, DecodeStrictlyLeftToRightSoAnEscapedBackslashBeforeXIsNoHexEscape) {
  EXPECT_EQ(Decode(R"("C:\\windows\\system32\\xaudio2_4.dll")"),
            u"C:\\windows\\system32\\xaudio2_4.dll");
  EXPECT_EQ(Decode(R"("\\\x41")"), u"\\A");
}

TEST(WineEscapes, HexEscapesTakeUpToFourDigitsAndArePaddedWhenAHexDigitFollows) {
  EXPECT_EQ(Decode(R"("\x0430b")"), u"\u0430b");
  EXPECT_EQ(Decode(R"("\x430g")"), u"\u0430g");
  EXPECT_EQ(Decode(R"("\x430b")"), u"\u430b");
  EXPECT_EQ(Encode(u"\u0430b"), R"(\x0430b)");
  EXPECT_EQ(Encode(u"\u0430g"), R"(\x430g)");
  EXPECT_EQ(Encode(u"\u00e9"), R"(\xe9)");
  EXPECT_EQ(Encode(u"\u00e9F"), R"(\x00e9F)");
}

TEST(WineEscapes, SurrogatesAreEscapedOneUnitAtATime) {
  EXPECT_EQ(Encode(u"\U0001F30E"), R"(\xd83c\xdf0e)");
  EXPECT_EQ(Decode(R"("\xd83c\xdf0e")"), u"\U0001F30E");
  // Raw UTF-8 beyond the BMP becomes a surrogate pair, as in Wine's reader.
  EXPECT_EQ(Decode("\"\xF0\x9F\x8C\x8E\""), u"\U0001F30E");
  // A lone surrogate survives both ways.
  EXPECT_EQ(Encode(std::u16string(1, char16_t(0xDC00))), R"(\xdc00)");
}

TEST(WineEscapes, ControlCharactersUseCEscapesOrOctalPaddedBeforeAnOctalDigit) {
  EXPECT_EQ(Encode(u"\a\b\t\n\v\f\r\x1b"), R"(\a\b\t\n\v\f\r\e)");
  EXPECT_EQ(Encode(std::u16string(u"\x01"
                                  u"7")),
            R"(\0017)");
  EXPECT_EQ(Encode(std::u16string(u"\x01"
                                  u"8")),
            R"(\18)");
  EXPECT_EQ(Encode(std::u16string(u"a\0b", 3)), R"(a\0b)");
  EXPECT_EQ(Encode(std::u16string(u"\x1f")), R"(\37)");
  EXPECT_EQ(Decode(R"("\0017")"), std::u16string(u"\x01"
                                                 u"7"));
  EXPECT_EQ(Decode(R"("\37")"), std::u16string(u"\x1f"));
  EXPECT_EQ(Decode(R"("\e\t")"), std::u16string(u"\x1b\t"));
}

TEST(WineEscapes, BracketsAreEscapedInKeyNamesAndQuotesElsewhere) {
  EXPECT_EQ(Encode(u"a[b]\"c\\", "[]"), R"(a\[b\]"c\\)");
  EXPECT_EQ(Encode(u"a[b]\"c\\", "\""), R"(a[b]\"c\\)");
  std::string name;
  AppendWineEscapedName(name, "caf\xC3\xA9 [1]", "[]");
  EXPECT_EQ(name, R"(caf\xe9 \[1\])");
}

TEST(WineEscapes, WhatWineNeverWritesIsAnError) {
  std::string error;
  Decode(R"("C:\Program Files")", &error);
  EXPECT_NE(error.find("expected a known escape, found \\P"), std::string::npos) << error;
  Decode(R"("\xq")", &error);
  EXPECT_NE(error.find("hex digits after \\x"), std::string::npos) << error;
  Decode(R"("abc\)", &error);
  EXPECT_FALSE(error.empty());
  Decode(R"("no closing quote)", &error);
  EXPECT_NE(error.find("closing \""), std::string::npos) << error;
  Decode("\"bad \xFF byte\"", &error);
  EXPECT_NE(error.find("expected UTF-8 text, found the byte 0xff"), std::string::npos) << error;
  Decode("\"overlong \xC0\xAF\"", &error);
  EXPECT_NE(error.find("expected UTF-8 text"), std::string::npos) << error;
}

TEST(WineValueData, ReadsEveryForm) {
  RegValue value;
  WineTextError error;
  ASSERT_EQ(ParseWineValueData(R"("abc")", value, error), HexLine::kComplete);
  EXPECT_EQ(value, (RegValue{kRegSz, Bytes{'a', 0, 'b', 0, 'c', 0, 0, 0}}));
  ASSERT_EQ(ParseWineValueData(R"(str(2):"%a%")", value, error), HexLine::kComplete);
  EXPECT_EQ(value, (RegValue{kRegExpandSz, StringToRegData("%a%")}));
  ASSERT_EQ(ParseWineValueData(R"(str(7):"a\0b\0")", value, error), HexLine::kComplete);
  EXPECT_EQ(value, (RegValue{kRegMultiSz, Bytes{'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}}));
  ASSERT_EQ(ParseWineValueData("dword:4be5019a", value, error), HexLine::kComplete);
  EXPECT_EQ(value, (RegValue{kRegDword, Bytes{0x9a, 0x01, 0xe5, 0x4b}}));
  ASSERT_EQ(ParseWineValueData("dword:1", value, error), HexLine::kComplete);
  EXPECT_EQ(value, (RegValue{kRegDword, Bytes{1, 0, 0, 0}}));
  ASSERT_EQ(ParseWineValueData("hex:", value, error), HexLine::kComplete);
  EXPECT_EQ(value, (RegValue{kRegBinary, Bytes{}}));
  ASSERT_EQ(ParseWineValueData("hex(ffff0012):5c,00", value, error), HexLine::kComplete);
  EXPECT_EQ(value, (RegValue{0xffff0012u, Bytes{0x5c, 0}}));
  ASSERT_EQ(ParseWineValueData("hex(b):01, 02 ,03,\\", value, error), HexLine::kContinues);
  ASSERT_EQ(ParseWineHexLine("  04,05", value.data, error), HexLine::kComplete);
  EXPECT_EQ(value, (RegValue{kRegQword, Bytes{1, 2, 3, 4, 5}}));
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

TEST(WineValueWriter, ChoosesTheFormWineChooses) {
  EXPECT_EQ(ValueLine("", kRegSz, StringToRegData("dllfile")), "@=\"dllfile\"\n");
  EXPECT_EQ(ValueLine("Path", kRegExpandSz, StringToRegData("%SystemRoot%")),
            "\"Path\"=str(2):\"%SystemRoot%\"\n");
  EXPECT_EQ(ValueLine("Dll", kRegMultiSz, Bytes{'a', 0, 0, 0, 0, 0}), "\"Dll\"=str(7):\"a\\0\"\n");
  EXPECT_EQ(ValueLine("q\"", kRegSz, StringToRegData("say \"hi\"")),
            "\"q\\\"\"=\"say \\\"hi\\\"\"\n");
  // Strings without their final NUL, or of odd length, fall back to hex(N).
  EXPECT_EQ(ValueLine("H", kRegMultiSz, Bytes{'r', 0}), "\"H\"=hex(7):72,00\n");
  EXPECT_EQ(ValueLine("O", kRegSz, Bytes{'a', 0, 0}), "\"O\"=hex(1):61,00,00\n");
  EXPECT_EQ(ValueLine("E", kRegSz, Bytes{}), "\"E\"=hex(1):\n");
  EXPECT_EQ(ValueLine("D", kRegDword, Bytes{0x9a, 0x01, 0xe5, 0x4b}), "\"D\"=dword:4be5019a\n");
  EXPECT_EQ(ValueLine("D3", kRegDword, Bytes{1, 2, 3}), "\"D3\"=hex(4):01,02,03\n");
  EXPECT_EQ(ValueLine("B", kRegBinary, Bytes{0x21, 0x81}), "\"B\"=hex:21,81\n");
  EXPECT_EQ(ValueLine("N", kRegNone, Bytes{}), "\"N\"=hex(0):\n");
  EXPECT_EQ(ValueLine("", 0xffff0012u, Bytes{0x5c}), "@=hex(ffff0012):5c\n");
}

// "xx,xx,...,xx" with n bytes.
std::string HexRun(std::size_t n, std::string_view byte) {
  std::string out;
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0) out.push_back(',');
    out.append(byte);
  }
  return out;
}

TEST(WineValueWriter, WrapsHexOnceALinePassesSeventySixCharacters) {
  // "@=hex:" is 6 characters and each byte with its comma 3 more: the first line breaks after
  // 24 bytes (78 > 76), every further line (starting at 2) after 25 bytes.
  EXPECT_EQ(ValueLine("", kRegBinary, Bytes(60, 0xab)), "@=hex:" + HexRun(24, "ab") + ",\\\n  " +
                                                            HexRun(25, "ab") + ",\\\n  " +
                                                            HexRun(11, "ab") + "\n");
  // The name counts too: this is the first line of a link value in a fresh system.reg.
  const Bytes target = Utf8ToUtf16LeBytes("\\Registry\\Machine\\Software\\Classes");
  EXPECT_EQ(Split(ValueLine("SymbolicLinkValue", kRegLink, target), '\n')[0],
            "\"SymbolicLinkValue\"=hex(6):5c,00,52,00,65,00,67,00,69,00,73,00,74,00,72,00,79,\\");
}

TEST(WineNameOrder, LowerCasedUtf16UnitsWithPrefixesFirst) {
  EXPECT_EQ(CompareWineNames("Foo", "fOO"), 0);
  EXPECT_LT(CompareWineNames("abc", "ABCD"), 0);
  // Lower-casing puts "_" (0x5f) before letters, where upper-casing would put it after.
  EXPECT_LT(CompareWineNames("A_B", "ab"), 0);
  EXPECT_GT(CompareWineNames("Z", "a"), 0);
  // Beyond the BMP: a surrogate (0xd83c) sorts before U+E000, unlike code point order.
  EXPECT_LT(CompareWineNames("\xF0\x9F\x8C\x8E", "\xEE\x80\x80"), 0);
  EXPECT_EQ(CompareWineNames("\xD0\x90", "\xD0\xB0"), 0);  // Cyrillic A and a
}

TEST(WineTime, WritesHighPartMinimalAndLowPartPadded) {
  EXPECT_EQ(WineTimeText(0x1dd857e15e9be00ull), "1dd857e15e9be00");
  EXPECT_EQ(WineTimeText(0x100000001ull), "100000001");
  EXPECT_EQ(WineTimeText(0x5ull), "000000005");
}

}  // namespace
}  // namespace ordrex
