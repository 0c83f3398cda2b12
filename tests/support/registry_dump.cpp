#include "support/registry_dump.h"

#include <algorithm>
#include <cstdio>

#include "platform/target.h"
#include "platform/text.h"

namespace ordrex::testsupport {

std::vector<std::string> SortedNames(std::vector<std::string> names) {
  std::ranges::sort(names, [](const auto& a, const auto& b) { return CompareText(a, b) < 0; });
  return names;
}

namespace {

std::vector<std::string> Ordered(std::vector<std::string> names, DumpOrder order) {
  return order == DumpOrder::kSorted ? SortedNames(std::move(names)) : names;
}

}  // namespace

std::string DumpStore(const RegistryStore& store, const std::string& path, DumpOrder order) {
  std::string out = "[" + path + "]\n";
  for (const std::string& name : Ordered(store.ValueNames(path), order)) {
    const auto value = store.QueryValue(path, name);
    char type[16];
    std::snprintf(type, sizeof type, "%x", value ? value->type : 0xdeadu);
    out += "  \"" + name + "\" " + type + ":";
    if (value) {
      for (std::uint8_t byte : value->data) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02x", byte);
        out += hex;
      }
    }
    out += "\n";
  }
  for (const std::string& child : Ordered(store.SubkeyNames(path), order)) {
    out += DumpStore(store, JoinKeyPath(path, child), order);
  }
  return out;
}

std::string DumpRoots(RegistryRoots& roots, DumpOrder order) {
  std::string out;
  for (RootHandle root = kClassesRoot; root <= kDynData; ++root) {
    if (const RegistryStore* store = roots.Root(root)) {
      out += "=== " + RootKeyName(root) + "\n" + DumpStore(*store, {}, order);
    }
  }
  return out;
}

Bytes U16(std::u16string_view text) {
  Bytes out;
  for (char16_t unit : text) {
    out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    out.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return out;
}

void Put(RegistryStore& store, const std::string& key, const std::string& name, RegValue value) {
  store.CreateKey(key);
  store.SetValue(key, name, std::move(value));
}

}  // namespace ordrex::testsupport
