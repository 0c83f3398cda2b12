#pragma once
// Stores that present other stores: a subtree of a store as a root of its own, several stores
// side by side under one root (HKEY_USERS), and the merged HKEY_CLASSES_ROOT.

#include <string>
#include <utility>
#include <vector>

#include "platform/registry_store.h"

namespace ordrex {

// A key of another store seen as a root (HKEY_CURRENT_CONFIG is a key of HKEY_LOCAL_MACHINE).
class SubtreeStore : public RegistryStore {
 public:
  SubtreeStore(RegistryStore& base, std::string prefix) : base_(base), prefix_(std::move(prefix)) {}

  bool KeyExists(std::string_view path) const override;
  void CreateKey(std::string_view path) override;
  bool DeleteKey(std::string_view path) override;
  std::vector<std::string> SubkeyNames(std::string_view path) const override;
  std::vector<std::string> ValueNames(std::string_view path) const override;
  std::optional<RegValue> QueryValue(std::string_view path, std::string_view name) const override;
  void SetValue(std::string_view path, std::string_view name, RegValue value) override;
  bool DeleteValue(std::string_view path, std::string_view name) override;
  std::string WriteBlocker() const override { return base_.WriteBlocker(); }

 private:
  std::string Full(std::string_view path) const { return JoinKeyPath(prefix_, path); }
  RegistryStore& base_;
  std::string prefix_;
};

// Stores mounted as the first-level keys of an otherwise empty root (HKEY_USERS\.DEFAULT and
// HKEY_USERS\<user's SID>; HKEY_LOCAL_MACHINE\SOFTWARE and \SYSTEM of an offline system). The
// root itself holds nothing and cannot be changed.
class MountStore : public RegistryStore {
 public:
  explicit MountStore(std::string rootName = "HKEY_USERS") : rootName_(std::move(rootName)) {}
  void Mount(std::string name, RegistryStore& store) {
    mounts_.emplace_back(std::move(name), &store);
  }

  bool KeyExists(std::string_view path) const override;
  void CreateKey(std::string_view path) override;
  bool DeleteKey(std::string_view path) override;
  std::vector<std::string> SubkeyNames(std::string_view path) const override;
  std::vector<std::string> ValueNames(std::string_view path) const override;
  std::optional<RegValue> QueryValue(std::string_view path, std::string_view name) const override;
  void SetValue(std::string_view path, std::string_view name, RegValue value) override;
  bool DeleteValue(std::string_view path, std::string_view name) override;
  // The first reason any mounted store gives.
  std::string WriteBlocker() const override;

 private:
  // The mounted store and the path inside it; nullptr for the root or an unknown name.
  std::pair<RegistryStore*, std::string> Resolve(std::string_view path) const;
  std::string rootName_;
  std::vector<std::pair<std::string, RegistryStore*>> mounts_;
};

// A store with keys of other stores shown at given paths, as Windows shows links and hives
// loaded below a key: SYSTEM's CurrentControlSet is the control set Select\Current names, and
// a user's Software\Classes is the user's UsrClass.dat. A grafted key hides whatever the base
// store holds at its path; it is listed among its parent's subkeys and is never deleted itself.
class GraftStore : public RegistryStore {
 public:
  explicit GraftStore(RegistryStore& base) : base_(base) {}
  // Shows the key `target` of `store` as the key `at` of this store.
  void Graft(std::string_view at, RegistryStore& store, std::string target);

  bool KeyExists(std::string_view path) const override;
  void CreateKey(std::string_view path) override;
  bool DeleteKey(std::string_view path) override;
  std::vector<std::string> SubkeyNames(std::string_view path) const override;
  std::vector<std::string> ValueNames(std::string_view path) const override;
  std::optional<RegValue> QueryValue(std::string_view path, std::string_view name) const override;
  void SetValue(std::string_view path, std::string_view name, RegValue value) override;
  bool DeleteValue(std::string_view path, std::string_view name) override;
  // The first reason the base or a grafted store gives.
  std::string WriteBlocker() const override;

 private:
  struct GraftPoint {
    std::vector<std::string> at;
    RegistryStore* store;
    std::string target;
  };
  struct Resolved {
    RegistryStore* store;
    std::string path;
    bool graftPoint;  // the path is a graft point itself
  };
  Resolved Resolve(std::string_view path) const;

  RegistryStore& base_;
  std::vector<GraftPoint> grafts_;
};

// HKEY_CLASSES_ROOT: the user's Software\Classes laid over the machine's. A key present in
// both reads from the user's copy; enumeration lists the union; a write or delete acts on the
// copy a read would see; new keys go to the machine's branch.
class MergedClassesStore : public RegistryStore {
 public:
  MergedClassesStore(RegistryStore* user, std::string userPrefix, RegistryStore& machine,
                     std::string machinePrefix)
      : user_(user),
        userPrefix_(std::move(userPrefix)),
        machine_(machine),
        machinePrefix_(std::move(machinePrefix)) {}

  bool KeyExists(std::string_view path) const override;
  void CreateKey(std::string_view path) override;
  bool DeleteKey(std::string_view path) override;
  std::vector<std::string> SubkeyNames(std::string_view path) const override;
  std::vector<std::string> ValueNames(std::string_view path) const override;
  std::optional<RegValue> QueryValue(std::string_view path, std::string_view name) const override;
  void SetValue(std::string_view path, std::string_view name, RegValue value) override;
  bool DeleteValue(std::string_view path, std::string_view name) override;
  std::string WriteBlocker() const override;

 private:
  bool InUser(std::string_view path) const;
  // The store and full path a read of this key would use.
  std::pair<RegistryStore*, std::string> Visible(std::string_view path) const;

  RegistryStore* user_;
  std::string userPrefix_;
  RegistryStore& machine_;
  std::string machinePrefix_;
};

}  // namespace ordrex
