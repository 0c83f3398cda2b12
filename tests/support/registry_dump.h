#pragma once
// The whole content of a registry store as text, one line per key and per value (type and
// hex bytes), so tests can compare two registries exactly or check that one did not change.

#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_store.h"
#include "platform/target.h"

namespace ordrex::testsupport {

enum class DumpOrder { kEnumeration, kSorted };
// The names in the order Windows lists them (case-insensitive).
std::vector<std::string> SortedNames(std::vector<std::string> names);

// Keys and values in the store's enumeration order, or sorted by name (where only the content
// matters: a key put back after a deletion comes last in creation order).
std::string DumpStore(const RegistryStore& store, const std::string& path = {},
                      DumpOrder order = DumpOrder::kEnumeration);
// Every root of a target that it has, in handle order.
std::string DumpRoots(RegistryRoots& roots, DumpOrder order = DumpOrder::kEnumeration);

// UTF-16LE bytes of the code units as they are (lone surrogates and NULs included), for
// value data that UTF-8 text cannot spell.
Bytes U16(std::u16string_view text);
// Creates the key when needed and sets the value.
void Put(RegistryStore& store, const std::string& key, const std::string& name, RegValue value);

}  // namespace ordrex::testsupport
