#pragma once
// The whole content of a registry store as text, one line per key and per value (type and
// hex bytes), so tests can compare two registries exactly or check that one did not change.

#include <string>

#include "platform/registry_store.h"
#include "platform/target.h"

namespace ordrex::testsupport {

enum class DumpOrder { kEnumeration, kSorted };

// Keys and values in the store's enumeration order, or sorted by name (where only the content
// matters: a key put back after a deletion comes last in creation order).
std::string DumpStore(const RegistryStore& store, const std::string& path = {},
                      DumpOrder order = DumpOrder::kEnumeration);
// Every root of a target that it has, in handle order.
std::string DumpRoots(RegistryRoots& roots, DumpOrder order = DumpOrder::kEnumeration);

}  // namespace ordrex::testsupport
