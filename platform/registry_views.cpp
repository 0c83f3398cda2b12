#include "platform/registry_views.h"

#include <unordered_set>

#include "platform/text.h"

namespace ordrex {

// --- SubtreeStore ---------------------------------------------------------------------------

bool SubtreeStore::KeyExists(std::string_view path) const {
  return base_.KeyExists(Full(path));
}
void SubtreeStore::CreateKey(std::string_view path) {
  base_.CreateKey(Full(path));
}
bool SubtreeStore::DeleteKey(std::string_view path) {
  if (SplitKeyPath(path).empty()) return false;  // never the subtree's own root
  return base_.DeleteKey(Full(path));
}
std::vector<std::string> SubtreeStore::SubkeyNames(std::string_view path) const {
  return base_.SubkeyNames(Full(path));
}
std::vector<std::string> SubtreeStore::ValueNames(std::string_view path) const {
  return base_.ValueNames(Full(path));
}
std::optional<RegValue> SubtreeStore::QueryValue(std::string_view path,
                                                 std::string_view name) const {
  return base_.QueryValue(Full(path), name);
}
void SubtreeStore::SetValue(std::string_view path, std::string_view name, RegValue value) {
  base_.SetValue(Full(path), name, std::move(value));
}
bool SubtreeStore::DeleteValue(std::string_view path, std::string_view name) {
  return base_.DeleteValue(Full(path), name);
}

// --- MountStore -----------------------------------------------------------------------------

std::pair<RegistryStore*, std::string> MountStore::Resolve(std::string_view path) const {
  const auto parts = SplitKeyPath(path);
  if (parts.empty()) return {nullptr, {}};
  for (const auto& [name, store] : mounts_) {
    if (SameText(name, parts.front())) {
      std::string rest;
      for (std::size_t i = 1; i < parts.size(); ++i)
        rest = JoinKeyPath(rest, parts[i]);
      return {store, rest};
    }
  }
  return {nullptr, {}};
}

bool MountStore::KeyExists(std::string_view path) const {
  if (SplitKeyPath(path).empty()) return true;
  auto [store, rest] = Resolve(path);
  return store != nullptr && store->KeyExists(rest);
}

void MountStore::CreateKey(std::string_view path) {
  auto [store, rest] = Resolve(path);
  if (store == nullptr) throw RegistryError("Keys cannot be created at the top of HKEY_USERS");
  store->CreateKey(rest);
}

bool MountStore::DeleteKey(std::string_view path) {
  auto [store, rest] = Resolve(path);
  if (store == nullptr || SplitKeyPath(rest).empty()) return false;  // never a mounted root
  return store->DeleteKey(rest);
}

std::vector<std::string> MountStore::SubkeyNames(std::string_view path) const {
  if (SplitKeyPath(path).empty()) {
    std::vector<std::string> names;
    for (const auto& mount : mounts_)
      names.push_back(mount.first);
    return names;
  }
  auto [store, rest] = Resolve(path);
  return store == nullptr ? std::vector<std::string>{} : store->SubkeyNames(rest);
}

std::vector<std::string> MountStore::ValueNames(std::string_view path) const {
  auto [store, rest] = Resolve(path);
  return store == nullptr ? std::vector<std::string>{} : store->ValueNames(rest);
}

std::optional<RegValue> MountStore::QueryValue(std::string_view path, std::string_view name) const {
  auto [store, rest] = Resolve(path);
  return store == nullptr ? std::nullopt : store->QueryValue(rest, name);
}

void MountStore::SetValue(std::string_view path, std::string_view name, RegValue value) {
  auto [store, rest] = Resolve(path);
  if (store == nullptr) throw RegistryError("Values cannot be stored at the top of HKEY_USERS");
  store->SetValue(rest, name, std::move(value));
}

bool MountStore::DeleteValue(std::string_view path, std::string_view name) {
  auto [store, rest] = Resolve(path);
  return store != nullptr && store->DeleteValue(rest, name);
}

// --- MergedClassesStore ---------------------------------------------------------------------

bool MergedClassesStore::InUser(std::string_view path) const {
  return user_ != nullptr && user_->KeyExists(JoinKeyPath(userPrefix_, path));
}

std::pair<RegistryStore*, std::string> MergedClassesStore::Visible(std::string_view path) const {
  if (InUser(path)) return {user_, JoinKeyPath(userPrefix_, path)};
  return {&machine_, JoinKeyPath(machinePrefix_, path)};
}

bool MergedClassesStore::KeyExists(std::string_view path) const {
  return InUser(path) || machine_.KeyExists(JoinKeyPath(machinePrefix_, path));
}

void MergedClassesStore::CreateKey(std::string_view path) {
  if (KeyExists(path)) return;
  // A new key goes where its nearest existing ancestor is seen, so that it stays visible below
  // a key that only the user has; otherwise to the machine's branch.
  const auto parts = SplitKeyPath(path);
  std::string ancestor;
  bool userOnly = false;
  for (std::string_view part : parts) {
    const std::string next = JoinKeyPath(ancestor, part);
    if (!KeyExists(next)) break;
    ancestor = next;
    userOnly = InUser(next) && !machine_.KeyExists(JoinKeyPath(machinePrefix_, next));
  }
  if (userOnly) {
    user_->CreateKey(JoinKeyPath(userPrefix_, path));
  } else {
    machine_.CreateKey(JoinKeyPath(machinePrefix_, path));
  }
}

bool MergedClassesStore::DeleteKey(std::string_view path) {
  if (SplitKeyPath(path).empty()) return false;
  auto [store, full] = Visible(path);
  return store->DeleteKey(full);
}

std::vector<std::string> MergedClassesStore::SubkeyNames(std::string_view path) const {
  std::vector<std::string> names;
  std::unordered_set<std::string> seen;
  if (InUser(path)) {
    names = user_->SubkeyNames(JoinKeyPath(userPrefix_, path));
    for (const auto& name : names)
      seen.insert(FoldCase(name));
  }
  for (auto& name : machine_.SubkeyNames(JoinKeyPath(machinePrefix_, path))) {
    if (seen.empty() || !seen.contains(FoldCase(name))) names.push_back(std::move(name));
  }
  return names;
}

std::vector<std::string> MergedClassesStore::ValueNames(std::string_view path) const {
  auto [store, full] = Visible(path);
  return store->ValueNames(full);
}

std::optional<RegValue> MergedClassesStore::QueryValue(std::string_view path,
                                                       std::string_view name) const {
  auto [store, full] = Visible(path);
  return store->QueryValue(full, name);
}

void MergedClassesStore::SetValue(std::string_view path, std::string_view name, RegValue value) {
  auto [store, full] = Visible(path);
  store->SetValue(full, name, std::move(value));
}

bool MergedClassesStore::DeleteValue(std::string_view path, std::string_view name) {
  auto [store, full] = Visible(path);
  return store->DeleteValue(full, name);
}

std::string MergedClassesStore::WriteBlocker() const {
  std::string blocker = machine_.WriteBlocker();
  if (blocker.empty() && user_ != nullptr) blocker = user_->WriteBlocker();
  return blocker;
}

}  // namespace ordrex
