#include "platform/memory_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

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

TEST(MemoryStore, RemovalsKeepLookupsAndOrderAsKeysGrowAndShrink) {
  // Large keys are looked up through an index that every removal must keep right, and a
  // removal must never reorder the siblings left (saved files keep their order).
  MemoryStore store;
  store.CreateKey("k");
  std::vector<std::string> names;  // subkeys of "k" and values of "k" alike, in order
  const auto name = [](int i) { return "Name" + std::to_string(i); };
  struct Step {
    bool add;
    int from, to, every;  // [from, to) in steps of `every`
    bool readWhole;       // the names listed after the step (which closes the gaps)
  };
  // Growth past the index's threshold and its resizes, removals that leave gaps, names added
  // among the gaps, removals that leave fewer entries than gaps, names removed earlier added
  // again (last), the key emptied.
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
        // Removed in another letter case; a second removal finds nothing.
        EXPECT_EQ(store.DeleteKey("K\\NAME" + std::to_string(i)), at != names.end()) << i;
        EXPECT_EQ(store.DeleteValue("k", "nAME" + std::to_string(i)), at != names.end()) << i;
        EXPECT_FALSE(store.DeleteValue("k", name(i))) << i;
        if (at != names.end()) names.erase(at);
      }
    }
    // Looked up before the lists are read whole, while the gaps are still there.
    for (int i = 0; i < 300; ++i) {
      const bool kept = std::find(names.begin(), names.end(), name(i)) != names.end();
      ASSERT_EQ(store.KeyExists("k\\name" + std::to_string(i)), kept) << i;
      ASSERT_EQ(store.QueryValue("k", "NAME" + std::to_string(i)),
                kept ? std::optional(Sz(std::to_string(i))) : std::nullopt)
          << i;
    }
    if (!step.readWhole) continue;
    EXPECT_EQ(store.SubkeyNames("k"), names);
    EXPECT_EQ(store.ValueNames("k"), names);
  }
  EXPECT_TRUE(names.empty());
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
