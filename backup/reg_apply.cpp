#include "backup/reg_apply.h"

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/key_tree.h"

namespace ordrex {

namespace {

struct KeySnapshot {
  std::string path;
  std::vector<NamedValue> values;
};
// A key and everything below it, each parent before its children.
using TreeSnapshot = std::vector<KeySnapshot>;

TreeSnapshot TakeSnapshot(const RegistryStore& store, const std::string& path) {
  TreeSnapshot snapshot;
  for (std::string& keyPath : KeyTreePaths(store, path)) {
    KeySnapshot& key = snapshot.emplace_back(KeySnapshot{std::move(keyPath), {}});
    for (const std::string& name : store.ValueNames(key.path)) {
      if (auto value = store.QueryValue(key.path, name)) key.values.push_back({name, *value});
    }
  }
  return snapshot;
}

void RestoreSnapshot(RegistryStore& store, const TreeSnapshot& snapshot) {
  for (const KeySnapshot& key : snapshot) {
    store.CreateKey(key.path);
    for (const NamedValue& value : key.values)
      store.SetValue(key.path, value.name, value.value);
  }
}

// What was there before each change, so that a failure halfway can put it back.
class UndoJournal {
 public:
  void ValueChanged(RegistryStore& store, const std::string& path, const std::string& name,
                    std::optional<RegValue> before) {
    entries_.push_back({Entry::Value, &store, path, name, std::move(before), {}});
  }
  void KeyCreated(RegistryStore& store, const std::string& path) {
    entries_.push_back({Entry::Created, &store, path, {}, std::nullopt, {}});
  }
  void KeyDeleted(RegistryStore& store, const std::string& path, TreeSnapshot snapshot) {
    entries_.push_back({Entry::Deleted, &store, path, {}, std::nullopt, std::move(snapshot)});
  }

  // Returns false when some change could not be taken back.
  bool Undo() noexcept {
    bool complete = true;
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
      try {
        switch (it->kind) {
          case Entry::Value:
            if (it->before) {
              it->store->SetValue(it->path, it->name, *it->before);
            } else {
              it->store->DeleteValue(it->path, it->name);
            }
            break;
          case Entry::Created:
            DeleteKeyTree(*it->store, it->path);
            break;
          case Entry::Deleted:
            RestoreSnapshot(*it->store, it->snapshot);
            break;
        }
      } catch (...) {
        complete = false;
      }
    }
    entries_.clear();
    return complete;
  }

 private:
  struct Entry {
    enum Kind { Value, Created, Deleted } kind;
    RegistryStore* store;
    std::string path;
    std::string name;
    std::optional<RegValue> before;
    TreeSnapshot snapshot;
  };
  std::vector<Entry> entries_;
};

// The first component of path that does not exist yet, or nothing when the key exists.
std::optional<std::string> FirstMissingKey(const RegistryStore& store, const std::string& path) {
  std::string partial;
  for (std::string_view part : SplitKeyPath(path)) {
    partial = JoinKeyPath(partial, part);
    if (!store.KeyExists(partial)) return partial;
  }
  return std::nullopt;
}

void ApplyOperation(const RegOperation& op, RegistryStore& store, UndoJournal& journal,
                    RegApplyCounts& counts) {
  switch (op.kind) {
    case RegOperation::Kind::SelectKey:
      if (auto missing = FirstMissingKey(store, op.path)) {
        store.CreateKey(op.path);
        journal.KeyCreated(store, *missing);
      }
      ++counts.keysSelected;
      break;
    case RegOperation::Kind::DeleteKey:
      if (store.KeyExists(op.path)) {
        TreeSnapshot snapshot = TakeSnapshot(store, op.path);
        if (DeleteKeyTree(store, op.path)) ++counts.keysDeleted;
        journal.KeyDeleted(store, op.path, std::move(snapshot));
      }
      break;
    case RegOperation::Kind::SetValue: {
      auto before = store.QueryValue(op.path, op.name);
      store.SetValue(op.path, op.name, op.value);
      journal.ValueChanged(store, op.path, op.name, std::move(before));
      ++counts.valuesSet;
      break;
    }
    case RegOperation::Kind::DeleteValue:
      if (auto before = store.QueryValue(op.path, op.name)) {
        if (store.DeleteValue(op.path, op.name)) ++counts.valuesDeleted;
        journal.ValueChanged(store, op.path, op.name, std::move(before));
      }
      break;
  }
}

}  // namespace

RegApplyCounts ApplyRegDocument(const RegDocument& document, RegistryRoots& roots) {
  std::vector<RegistryStore*> stores;
  stores.reserve(document.operations.size());
  std::set<RegistryStore*> distinct;
  for (const RegOperation& op : document.operations) {
    RegistryStore* store = roots.Root(op.root);
    if (store == nullptr) {
      throw RegFileError(op.line, RootKeyName(op.root) + " does not exist on this system");
    }
    stores.push_back(store);
    distinct.insert(store);
  }
  for (const RegistryStore* store : distinct) {
    const std::string blocker = store->WriteBlocker();
    if (!blocker.empty()) throw RegistryError(blocker);
  }

  RegApplyCounts counts;
  UndoJournal journal;
  std::size_t index = 0;
  try {
    for (; index < document.operations.size(); ++index) {
      ApplyOperation(document.operations[index], *stores[index], journal, counts);
    }
  } catch (const std::exception& error) {
    const bool undone = journal.Undo();
    throw RegistryError(
        "Line " + std::to_string(document.operations[index].line) + ": " + error.what() +
        (undone ? "; nothing was changed" : "; some changes made before could not be taken back"));
  }
  return counts;
}

RegApplyCounts ApplyRegFile(std::string_view bytes, RegistryRoots& roots) {
  return ApplyRegDocument(ParseRegFile(bytes), roots);
}

}  // namespace ordrex
