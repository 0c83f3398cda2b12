#pragma once
// A registry store held entirely in memory. File-based stores derive from it: they fill the
// tree when they load, learn of every change through KeyChanged, and write the tree back.

#include <memory>

#include "platform/key_tree.h"
#include "platform/registry_store.h"

namespace ordrex {

class MemoryStore : public RegistryStore {
 public:
  MemoryStore();
  ~MemoryStore() override;

  bool KeyExists(std::string_view path) const override;
  void CreateKey(std::string_view path) override;
  bool DeleteKey(std::string_view path) override;
  std::vector<std::string> SubkeyNames(std::string_view path) const override;
  std::vector<std::string> ValueNames(std::string_view path) const override;
  std::optional<RegValue> QueryValue(std::string_view path, std::string_view name) const override;
  void SetValue(std::string_view path, std::string_view name, RegValue value) override;
  bool DeleteValue(std::string_view path, std::string_view name) override;

  KeyNode& Root() { return *root_; }
  const KeyNode& Root() const { return *root_; }
  // The node at path, or nullptr. Symbolic links are never descended through.
  KeyNode* FindKey(std::string_view path) const;

 protected:
  // Called after a key's own values or list of subkeys changed, or after it was created.
  virtual void KeyChanged(KeyNode& /*node*/) {}
  // Throws RegistryError with WriteBlocker()'s text when writes are refused.
  void CheckWritable() const;

 private:
  std::unique_ptr<KeyNode> root_;
};

}  // namespace ordrex
