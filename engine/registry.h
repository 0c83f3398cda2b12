#pragma once
// The registry accessor every reader and writer of registry data goes through. One object per
// operation or run, at most one open key at a time. Paths beginning with a backslash start at
// the root; others start at the open key (or the root when none is open); a trailing backslash
// is ignored. Text is UTF-8; the stores keep Windows' own UTF-16 data.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_types.h"
#include "platform/target.h"

namespace ordrex {

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

// The kind a raw registry type is read as.
TRegDataType DataTypeOfRegType(std::uint32_t type);

class TRegistry {
 public:
  explicit TRegistry(RegistryRoots& roots) : roots_(&roots) {}
  TRegistry(RegistryRoots& roots, RootHandle root) : roots_(&roots), rootKey_(root) {}
  ~TRegistry() { CloseKey(); }
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  RootHandle RootKey() const { return rootKey_; }
  void SetRootKey(RootHandle root);  // closes the open key first

  bool OpenKey(std::string_view path, bool canCreate);
  void CloseKey();
  bool KeyExists(std::string_view path) const;
  bool HasCurrentKey() const { return open_; }
  // Path of the open key as the caller named it; for diagnostic texts only.
  const std::string& CurrentPath() const { return currentPath_; }

  bool ValueExists(std::string_view name) const;
  TRegDataType GetDataType(std::string_view name) const;
  // The value's raw registry type number (REG_MULTI_SZ, REG_QWORD ...), if it exists.
  std::optional<std::uint32_t> GetRegType(std::string_view name) const;
  // Bytes of the data; text counts as its UTF-8 length plus the terminating zero. -1 if absent.
  int GetDataSize(std::string_view name) const;

  std::string ReadString(std::string_view name) const;
  std::int32_t ReadInteger(std::string_view name) const;
  bool ReadBool(std::string_view name) const { return ReadInteger(name) != 0; }
  // Copies binary (or other non-text, non-integer) data; returns the bytes copied.
  int ReadBinaryData(std::string_view name, void* buffer, int bufferSize) const;
  double ReadDateTime(std::string_view name) const { return ReadEightByteDouble(name); }
  double ReadFloat(std::string_view name) const { return ReadEightByteDouble(name); }
  // The value exactly as stored, whatever its type.
  std::optional<RegValue> ReadRawValue(std::string_view name) const;

  void WriteString(std::string_view name, std::string_view text);
  void WriteExpandString(std::string_view name, std::string_view text);
  void WriteInteger(std::string_view name, std::int32_t value);
  void WriteBool(std::string_view name, bool value) { WriteInteger(name, value ? 1 : 0); }
  void WriteBinaryData(std::string_view name, const void* buffer, int size);
  void WriteDateTime(std::string_view name, double value) { WriteEightByteDouble(name, value); }
  void WriteFloat(std::string_view name, double value) { WriteEightByteDouble(name, value); }
  void WriteRawValue(std::string_view name, RegValue value);

  std::vector<std::string> GetKeyNames() const;
  std::vector<std::string> GetValueNames() const;

  // Deletes the key and everything below it. Refuses an empty path or a bare "\" (no caller
  // may ever delete a whole root). Never throws.
  bool DeleteKey(std::string_view path);
  bool DeleteValue(std::string_view name);
  void RenameValue(std::string_view oldName, std::string_view newName);

 private:
  struct Resolved {
    RegistryStore* store = nullptr;
    std::string storePath;
    std::string currentPath;
  };
  Resolved Resolve(std::string_view path) const;
  RegistryStore& OpenStore() const;  // throws when no key is open
  std::optional<RegValue> Query(std::string_view name) const;
  void Put(std::string_view name, RegValue value);
  double ReadEightByteDouble(std::string_view name) const;
  void WriteEightByteDouble(std::string_view name, double value);

  RegistryRoots* roots_;
  RootHandle rootKey_ = kCurrentUser;
  bool open_ = false;
  RegistryStore* openStore_ = nullptr;
  std::string openStorePath_;
  std::string currentPath_;
};

}  // namespace ordrex
