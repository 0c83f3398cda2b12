#include "platform/registry_views.h"

#include <algorithm>
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
  if (store == nullptr) throw RegistryError("Keys cannot be created at the top of " + rootName_);
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
  if (store == nullptr) throw RegistryError("Values cannot be stored at the top of " + rootName_);
  store->SetValue(rest, name, std::move(value));
}

bool MountStore::DeleteValue(std::string_view path, std::string_view name) {
  auto [store, rest] = Resolve(path);
  return store != nullptr && store->DeleteValue(rest, name);
}

std::string MountStore::WriteBlocker() const {
  for (const auto& mount : mounts_) {
    if (std::string blocker = mount.second->WriteBlocker(); !blocker.empty()) return blocker;
  }
  return {};
}

// --- GraftStore -----------------------------------------------------------------------------

void GraftStore::Graft(std::string_view at, RegistryStore& store, std::string target) {
  std::vector<std::string> parts;
  for (std::string_view part : SplitKeyPath(at))
    parts.emplace_back(part);
  grafts_.push_back({std::move(parts), &store, std::move(target)});
}

GraftStore::Resolved GraftStore::Resolve(std::string_view path) const {
  const auto parts = SplitKeyPath(path);
  for (const GraftPoint& graft : grafts_) {
    if (parts.size() < graft.at.size() ||
        !std::equal(graft.at.begin(), graft.at.end(), parts.begin(), SameText)) {
      continue;
    }
    std::string inner = graft.target;
    for (std::size_t i = graft.at.size(); i < parts.size(); ++i)
      inner = JoinKeyPath(inner, parts[i]);
    return {graft.store, std::move(inner), parts.size() == graft.at.size()};
  }
  return {&base_, std::string(path), false};
}

bool GraftStore::KeyExists(std::string_view path) const {
  const Resolved where = Resolve(path);
  return where.store->KeyExists(where.path);
}

void GraftStore::CreateKey(std::string_view path) {
  const Resolved where = Resolve(path);
  where.store->CreateKey(where.path);
}

bool GraftStore::DeleteKey(std::string_view path) {
  const Resolved where = Resolve(path);
  if (where.graftPoint) return false;
  return where.store->DeleteKey(where.path);
}

std::vector<std::string> GraftStore::SubkeyNames(std::string_view path) const {
  const Resolved where = Resolve(path);
  std::vector<std::string> names = where.store->SubkeyNames(where.path);
  const auto parts = SplitKeyPath(path);
  for (const GraftPoint& graft : grafts_) {
    if (graft.at.size() != parts.size() + 1 ||
        !std::equal(parts.begin(), parts.end(), graft.at.begin(), SameText) ||
        !graft.store->KeyExists(graft.target)) {
      continue;
    }
    const std::string& name = graft.at.back();
    const bool listed = std::any_of(names.begin(), names.end(), [&](const std::string& known) {
      return SameText(known, name);
    });
    if (!listed) names.push_back(name);
  }
  return names;
}

std::vector<std::string> GraftStore::ValueNames(std::string_view path) const {
  const Resolved where = Resolve(path);
  return where.store->ValueNames(where.path);
}

std::optional<RegValue> GraftStore::QueryValue(std::string_view path, std::string_view name) const {
  const Resolved where = Resolve(path);
  return where.store->QueryValue(where.path, name);
}

void GraftStore::SetValue(std::string_view path, std::string_view name, RegValue value) {
  const Resolved where = Resolve(path);
  where.store->SetValue(where.path, name, std::move(value));
}

bool GraftStore::DeleteValue(std::string_view path, std::string_view name) {
  const Resolved where = Resolve(path);
  return where.store->DeleteValue(where.path, name);
}

std::string GraftStore::WriteBlocker() const {
  std::string blocker = base_.WriteBlocker();
  for (const GraftPoint& graft : grafts_) {
    if (!blocker.empty()) break;
    blocker = graft.store->WriteBlocker();
  }
  return blocker;
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
