#pragma once
// One branch of a registry (a hive, a Wine registry file, a live root key). Paths are relative
// to the store's own root: key names joined by single backslashes, with no leading backslash;
// an empty path is the root itself. Empty components (a trailing or doubled backslash) are
// ignored. Names compare case-insensitively and keep the case they were created with.
//
// Implementations: the in-memory store, the Wine registry file store, hive files, the Windows
// API; views (the merged HKEY_CLASSES_ROOT, a subtree) wrap other stores.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_types.h"

namespace ordrex {

// Windows nests keys at most this many levels below a root key. A file that claims deeper
// keys is damaged or hostile: the readers refuse such keys and the stores do not create them,
// so that nothing read can be written to a file that its own reader (or a peer's) refuses.
inline constexpr std::size_t kMaxKeyDepth = 512;

class RegistryStore {
 public:
  virtual ~RegistryStore() = default;

  virtual bool KeyExists(std::string_view path) const = 0;
  // Creates the key and any missing parents. Throws RegistryError when writes are refused or
  // the key would lie deeper than kMaxKeyDepth.
  virtual void CreateKey(std::string_view path) = 0;
  // Deletes the key with everything below it; false when it does not exist. Never deletes the
  // store's root. Throws RegistryError when writes are refused.
  virtual bool DeleteKey(std::string_view path) = 0;

  // Names in the store's enumeration order; empty when the key does not exist.
  virtual std::vector<std::string> SubkeyNames(std::string_view path) const = 0;
  // The default value, when set, is listed as the empty name.
  virtual std::vector<std::string> ValueNames(std::string_view path) const = 0;

  virtual std::optional<RegValue> QueryValue(std::string_view path,
                                             std::string_view name) const = 0;
  // The key must exist. Throws RegistryError when it does not or writes are refused.
  virtual void SetValue(std::string_view path, std::string_view name, RegValue value) = 0;
  // False when the value (or key) does not exist. Throws RegistryError when writes are refused.
  virtual bool DeleteValue(std::string_view path, std::string_view name) = 0;

  // Non-empty when this store must not be changed, saying why (the text is shown to users).
  virtual std::string WriteBlocker() const { return {}; }
};

// Splits a store path into its non-empty components.
std::vector<std::string_view> SplitKeyPath(std::string_view path);
// The number of non-empty components, without splitting.
std::size_t KeyPathDepth(std::string_view path);
// Joins two store paths with one backslash (either may be empty).
std::string JoinKeyPath(std::string_view base, std::string_view child);

// The path of the key at `path` and of every key below it, each parent before its children and
// children in the store's order; empty when the key does not exist. Walks without recursing:
// a tree may be deeper than the call stack.
std::vector<std::string> KeyTreePaths(const RegistryStore& store, std::string_view path);
// Deletes the key with everything below it, the deepest keys first, so that stores whose
// delete removes only empty keys (the Windows API) work too. Returns what deleting the key
// itself returned.
bool DeleteKeyTree(RegistryStore& store, std::string_view path);

}  // namespace ordrex
