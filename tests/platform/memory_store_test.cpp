#include "platform/memory_store.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace ordrex {
namespace {

RegValue Sz(const std::string& text) {
  return RegValue{kRegSz, StringToRegData(text)};
}

TEST(MemoryStore, NamesIgnoreCaseKeepTheirCaseAndCreationOrder) {
  MemoryStore store;
  store.CreateKey("Beta");
  store.CreateKey("alpha");
  store.CreateKey("\xC3\x84rger");  // Ärger
  store.CreateKey("ALPHA\\Child");
  store.CreateKey("\xC3\xA4RGER");  // the same key in other case
  EXPECT_EQ(store.SubkeyNames(""), (std::vector<std::string>{"Beta", "alpha", "\xC3\x84rger"}));
  EXPECT_TRUE(store.KeyExists("Alpha\\CHILD"));

  store.CreateKey("k");
  store.SetValue("k", "Zeta", Sz("1"));
  store.SetValue("k", "", Sz("default"));
  store.SetValue("k", "a", Sz("2"));
  store.SetValue("k", "ZETA", Sz("3"));  // replaces the data, keeps the name's case and place
  EXPECT_EQ(store.ValueNames("k"), (std::vector<std::string>{"Zeta", "", "a"}));
  EXPECT_EQ(store.QueryValue("K", "zeta"), Sz("3"));
}

TEST(MemoryStore, ManyChildrenStayFoundAfterRemovals) {
  // Large keys are looked up through an index that every removal must keep right.
  MemoryStore store;
  for (int i = 0; i < 40; ++i) {
    store.CreateKey("Key" + std::to_string(i));
    store.CreateKey("v");
    store.SetValue("v", "Name" + std::to_string(i), Sz(std::to_string(i)));
  }
  for (int i = 0; i < 40; i += 3) {
    EXPECT_TRUE(store.DeleteKey("KEY" + std::to_string(i)));
    EXPECT_TRUE(store.DeleteValue("v", "NAME" + std::to_string(i)));
  }
  for (int i = 0; i < 40; ++i) {
    const bool kept = i % 3 != 0;
    EXPECT_EQ(store.KeyExists("key" + std::to_string(i)), kept) << i;
    EXPECT_EQ(store.QueryValue("v", "name" + std::to_string(i)).has_value(), kept) << i;
    if (kept) {
      EXPECT_EQ(store.QueryValue("v", "name" + std::to_string(i)), Sz(std::to_string(i)));
    }
  }
  store.CreateKey("key0");
  EXPECT_EQ(store.SubkeyNames("").back(), "key0");
  EXPECT_EQ(store.SubkeyNames("").size(), 28u);  // 26 kept, "v", the new one
}

TEST(MemoryStore, ThousandsOfChildrenAreFoundInAnyLetterCase) {
  // Enough names to grow the index many times over, with non-ASCII letters that fold too.
  MemoryStore store;
  store.CreateKey("k");
  for (int i = 0; i < 5000; ++i) {
    store.CreateKey("k\\{\xC3\x84" + std::to_string(i) + "-\xD0\x96}");  // Ä, Ж
    store.SetValue("k", "V\xC3\x84" + std::to_string(i), Sz(std::to_string(i)));
  }
  for (int i = 0; i < 5000; i += 7) {
    EXPECT_TRUE(store.KeyExists("K\\{\xC3\xA4" + std::to_string(i) + "-\xD0\xB6}")) << i;
    EXPECT_EQ(store.QueryValue("k", "v\xC3\xA4" + std::to_string(i)), Sz(std::to_string(i)));
  }
  EXPECT_FALSE(
      store.KeyExists("k\\{\xC3\x84"
                      "5000-\xD0\x96}"));
  EXPECT_FALSE(
      store.KeyExists("k\\{\xC3\x84"
                      "12-\xD0\x96"));  // a prefix of a name
  EXPECT_FALSE(store.QueryValue("k", "V\xC3\x84").has_value());
  // Creating a name that exists in another case adds nothing.
  store.CreateKey(
      "K\\{\xC3\xA4"
      "42-\xD0\xB6}");
  EXPECT_EQ(store.SubkeyNames("k").size(), 5000u);
}

TEST(MemoryStore, KeysAndValuesThatDoNotExist) {
  MemoryStore store;
  EXPECT_TRUE(store.KeyExists(""));
  EXPECT_FALSE(store.KeyExists("a"));
  EXPECT_THROW(store.SetValue("a", "x", Sz("1")), RegistryError);
  EXPECT_FALSE(store.DeleteValue("a", "x"));
  EXPECT_FALSE(store.DeleteKey("a"));
  EXPECT_FALSE(store.DeleteKey(""));  // never the root
  EXPECT_TRUE(store.SubkeyNames("a").empty());
  store.CreateKey("a\\\\b\\");
  EXPECT_TRUE(store.KeyExists("a\\b"));
  EXPECT_TRUE(store.DeleteKey("A"));
  EXPECT_FALSE(store.KeyExists("a\\b"));
}

TEST(MemoryStore, DataIsKeptExactly) {
  MemoryStore store;
  store.CreateKey("k");
  const RegValue odd{0xFFFF0012u, {0x00, 0xFF, 0x01}};
  store.SetValue("k", "odd", odd);
  store.SetValue("k", "empty", RegValue{kRegBinary, {}});
  EXPECT_EQ(store.QueryValue("k", "odd"), odd);
  EXPECT_EQ(store.QueryValue("k", "empty"), (RegValue{kRegBinary, {}}));
  // An unnamed value without data, then data replaced by longer and shorter data, in a key
  // large enough to be looked up through its index.
  store.SetValue("k", "", RegValue{kRegNone, {}});
  for (int i = 0; i < 20; ++i)
    store.SetValue("k", "Value" + std::to_string(i), Sz(std::to_string(i)));
  EXPECT_EQ(store.QueryValue("k", ""), (RegValue{kRegNone, {}}));
  store.SetValue("k", "VALUE7", Sz("a much longer text than before"));
  store.SetValue("k", "", odd);
  store.SetValue("k", "value7", RegValue{kRegDword, {1, 2, 3, 4}});
  EXPECT_EQ(store.QueryValue("k", ""), odd);
  EXPECT_EQ(store.QueryValue("k", "Value7"), (RegValue{kRegDword, {1, 2, 3, 4}}));
  EXPECT_EQ(store.ValueNames("k").size(), 23u);
  EXPECT_EQ(store.ValueNames("k")[2], "");
  EXPECT_EQ(store.ValueNames("k")[10], "Value7");
}

}  // namespace
}  // namespace ordrex
