#include "platform/text.h"

#include <gtest/gtest.h>

namespace ordrex {
namespace {

TEST(Text, RegistryStringDataEightBitTextAndCaseFolding) {
  EXPECT_EQ(StringToRegData("a\xC3\xA9"), (Bytes{'a', 0, 0xE9, 0, 0, 0}));
  EXPECT_EQ(StringToRegData(""), (Bytes{0, 0}));
  EXPECT_EQ(RegDataToString({'a', 0, 0, 0, 'b', 0}), "a");
  EXPECT_EQ(RegDataToString({'a', 0, 'b'}), "a");  // an odd last byte is no character
  EXPECT_EQ(RegDataToString({}), "");
  EXPECT_EQ(Utf16LeBytesToUtf8(Bytes{'x', 0, 0, 0}.data(), 4), std::string("x\0", 2));
  // 8-bit text: UTF-8 checked, Windows-1252 converted.
  EXPECT_FALSE(IsValidUtf8("caf\xE9"));
  EXPECT_FALSE(IsValidUtf8("\xC3"));
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));  // overlong
  EXPECT_TRUE(IsValidUtf8("\xEF\xBF\xBD"));
  EXPECT_EQ(Cp1252ToUtf8("caf\xE9 \x80 \x9F"), "caf\xC3\xA9 \xE2\x82\xAC \xC5\xB8");
  // Comparisons without case fold Unicode letters.
  EXPECT_TRUE(SameText("\xC3\x84RGER", "\xC3\xA4rger"));
  EXPECT_TRUE(SameText("\xD0\x9F\xD0\xA0", "\xD0\xBF\xD1\x80"));  // ПР / пр
  EXPECT_FALSE(SameText("a", "ab"));
  EXPECT_LT(CompareText("ab", "ABC"), 0);
  EXPECT_EQ(FindText("C:\\Program FILES\\x", "files"), 11u);
  EXPECT_EQ(ReplaceAllText("a;B;ab;b", "b", "x"), "a;x;ax;x");
  EXPECT_EQ(FindText("abc", ""), std::string::npos);
}

}  // namespace
}  // namespace ordrex
