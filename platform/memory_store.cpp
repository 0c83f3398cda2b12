#include "platform/memory_store.h"

namespace ordrex {

std::vector<std::string_view> SplitKeyPath(std::string_view path) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

std::size_t KeyPathDepth(std::string_view path) {
  std::size_t depth = 0;
  bool inName = false;
  for (const char c : path) {
    if (c == '\\') {
      inName = false;
    } else if (!inName) {
      inName = true;
      ++depth;
    }
  }
  return depth;
}

std::string JoinKeyPath(std::string_view base, std::string_view child) {
  while (!base.empty() && base.back() == '\\')
    base.remove_suffix(1);
  while (!child.empty() && child.front() == '\\')
    child.remove_prefix(1);
  if (base.empty()) return std::string(child);
  if (child.empty()) return std::string(base);
  std::string out(base);
  out.push_back('\\');
  out.append(child);
  return out;
}

std::vector<std::string> KeyTreePaths(const RegistryStore& store, std::string_view path) {
  std::vector<std::string> paths;
  if (!store.KeyExists(path)) return paths;
  std::vector<std::string> pending{std::string(path)};
  while (!pending.empty()) {
    paths.push_back(std::move(pending.back()));
    pending.pop_back();
    const std::vector<std::string> children = store.SubkeyNames(paths.back());
    for (auto it = children.rbegin(); it != children.rend(); ++it)
      pending.push_back(JoinKeyPath(paths.back(), *it));
  }
  return paths;
}

bool DeleteKeyTree(RegistryStore& store, std::string_view path) {
  const std::vector<std::string> paths = KeyTreePaths(store, path);
  if (paths.empty()) return store.DeleteKey(path);
  // Every key comes after its parent in the list, so from the end each key goes after all of
  // its subkeys.
  for (std::size_t i = paths.size() - 1; i > 0; --i)
    store.DeleteKey(paths[i]);
  return store.DeleteKey(paths.front());
}

MemoryStore::MemoryStore() : root_(std::make_unique<KeyNode>(std::string())) {}
MemoryStore::~MemoryStore() = default;

void MemoryStore::CheckWritable() const {
  const std::string blocker = WriteBlocker();
  if (!blocker.empty()) throw RegistryError(blocker);
}

KeyNode* MemoryStore::FindKey(std::string_view path) const {
  // Walks the path's parts in place (as SplitKeyPath cuts them): lookups are the scan's most
  // frequent operation.
  KeyNode* node = root_.get();
  std::size_t start = 0;
  while (start < path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) {
      if (node->Meta().link) return nullptr;
      node = node->FindChild(path.substr(start, end - start));
      if (node == nullptr) return nullptr;
    }
    start = end + 1;
  }
  return node;
}

bool MemoryStore::KeyExists(std::string_view path) const {
  return FindKey(path) != nullptr;
}

void MemoryStore::CreateKey(std::string_view path) {
  CheckWritable();
  if (const std::size_t depth = KeyPathDepth(path); depth > kMaxKeyDepth) {
    throw RegistryError("Cannot create a key " + std::to_string(depth) +
                        " levels deep: keys nest at most " + std::to_string(kMaxKeyDepth) +
                        " levels");
  }
  KeyNode* node = root_.get();
  for (std::string_view part : SplitKeyPath(path)) {
    if (node->Meta().link) {
      throw RegistryError("Cannot create a key below the symbolic link " + node->Name());
    }
    KeyNode* child = node->FindChild(part);
    if (child == nullptr) {
      child = &node->GetOrAddChild(part);
      KeyChanged(*node);
      KeyChanged(*child);
    }
    node = child;
  }
}

bool MemoryStore::DeleteKey(std::string_view path) {
  CheckWritable();
  KeyNode* node = FindKey(path);
  if (node == nullptr || node->Parent() == nullptr) return false;
  KeyNode* parent = node->Parent();
  const std::string name = node->Name();
  parent->RemoveChild(name);
  KeyChanged(*parent);
  return true;
}

std::vector<std::string> MemoryStore::SubkeyNames(std::string_view path) const {
  std::vector<std::string> names;
  const KeyNode* node = FindKey(path);
  if (node == nullptr || node->Meta().link) return names;
  names.reserve(node->Children().size());
  for (const auto& child : node->Children())
    names.push_back(child->Name());
  return names;
}

std::vector<std::string> MemoryStore::ValueNames(std::string_view path) const {
  std::vector<std::string> names;
  const KeyNode* node = FindKey(path);
  if (node == nullptr) return names;
  names.reserve(node->Values().size());
  for (const auto& value : node->Values())
    names.emplace_back(value.Name());
  return names;
}

std::optional<RegValue> MemoryStore::QueryValue(std::string_view path,
                                                std::string_view name) const {
  const KeyNode* node = FindKey(path);
  if (node == nullptr) return std::nullopt;
  const StoredValue* value = node->FindValue(name);
  if (value == nullptr) return std::nullopt;
  return value->ToRegValue();
}

void MemoryStore::SetValue(std::string_view path, std::string_view name, RegValue value) {
  CheckWritable();
  KeyNode* node = FindKey(path);
  if (node == nullptr) throw RegistryError("The key " + std::string(path) + " does not exist");
  node->SetValue(name, value);
  KeyChanged(*node);
}

bool MemoryStore::DeleteValue(std::string_view path, std::string_view name) {
  CheckWritable();
  KeyNode* node = FindKey(path);
  if (node == nullptr || !node->RemoveValue(name)) return false;
  KeyChanged(*node);
  return true;
}

}  // namespace ordrex
