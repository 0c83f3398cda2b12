#pragma once
// The in-memory tree of keys and values that backs the memory store and every file-based store
// (Wine registry files load into it and save from it). Children and values keep creation
// order; lookups by name are case-insensitive and indexed once a key grows large.

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/name_index.h"
#include "platform/registry_types.h"

namespace ordrex {

struct NamedValue {
  std::string name;
  RegValue value;
};

// A value as the tree keeps it: its name and data in one allocation of their exact size. A
// loaded registry holds hundreds of thousands of values, mostly a few dozen bytes each, so a
// name string and a data vector apiece would cost more than the values themselves.
class StoredValue {
 public:
  // Throws std::length_error for a name or data of 4 GiB or more.
  StoredValue(std::string_view name, std::uint32_t type, const std::uint8_t* data,
              std::size_t size);
  StoredValue(std::string_view name, const RegValue& value)
      : StoredValue(name, value.type, value.data.data(), value.data.size()) {}

  std::string_view Name() const { return {reinterpret_cast<const char*>(block_.get()), nameSize_}; }
  std::uint32_t Type() const { return type_; }
  const std::uint8_t* Data() const { return block_.get() + nameSize_; }
  std::size_t DataSize() const { return dataSize_; }
  RegValue ToRegValue() const { return RegValue{type_, Bytes(Data(), Data() + dataSize_)}; }

 private:
  std::unique_ptr<std::uint8_t[]> block_;  // the name (UTF-8), then the data
  std::uint32_t type_;
  std::uint32_t nameSize_;
  std::uint32_t dataSize_;
};

// A short text kept inside the node itself: a loaded registry has hundreds of thousands of
// keys, and a heap string each would cost more than the text.
class ShortText {
 public:
  static constexpr std::size_t kMaxSize = 16;
  ShortText() = default;
  // Throws std::length_error for text longer than kMaxSize.
  ShortText& operator=(std::string_view text);
  std::string_view View() const { return {chars_.data(), size_}; }
  bool empty() const { return size_ == 0; }
  friend bool operator==(const ShortText& a, std::string_view b) { return a.View() == b; }

 private:
  std::array<char, kMaxSize> chars_{};
  std::uint8_t size_ = 0;
};

// What file formats keep about a key beyond its name, values and subkeys.
struct KeyMetadata {
  std::int64_t modified = 0;               // Unix seconds
  std::unique_ptr<std::string> className;  // Wine's "#class=" text (decoded); rare
  ShortText timeText;                      // Wine's "#time=" text as read, kept verbatim
  bool link = false;                       // a symbolic link: never descended into
  bool changed = false;                    // touched since load
};

class KeyNode {
 public:
  explicit KeyNode(std::string name, KeyNode* parent = nullptr)
      : name_(std::move(name)), parent_(parent) {}
  ~KeyNode();
  KeyNode(const KeyNode&) = delete;
  KeyNode& operator=(const KeyNode&) = delete;

  const std::string& Name() const { return name_; }
  KeyNode* Parent() const { return parent_; }
  KeyMetadata& Meta() { return meta_; }
  const KeyMetadata& Meta() const { return meta_; }

  const std::vector<std::unique_ptr<KeyNode>>& Children() const;
  KeyNode* FindChild(std::string_view name) const;
  // Returns the existing child of that name, or a new one appended last.
  KeyNode& GetOrAddChild(std::string_view name);
  bool RemoveChild(std::string_view name);
  // Appends a child without looking for one of the same name. Only for loaders that know the
  // name is new (for example because their input is sorted): two children of one name would
  // break lookups.
  KeyNode& AppendNewChild(std::string name);

  const std::vector<StoredValue>& Values() const;
  const StoredValue* FindValue(std::string_view name) const;
  // Replaces the data of an existing value (keeping its name's case) or appends a new one.
  void SetValue(std::string_view name, const RegValue& value);
  void SetValue(StoredValue value);
  bool RemoveValue(std::string_view name);
  // Appends a value without looking for one of the same name; the same caution as
  // AppendNewChild.
  void AppendNewValue(StoredValue value);
  // Moves all of `values` in at once (the same caution), growing the list only once; `values`
  // is left empty with its capacity, to be filled again by a loader.
  void AppendNewValues(std::vector<StoredValue>& values);

  // Reorders children and values (file stores sort them the way their format expects).
  template <typename Less>
  void SortChildren(Less less);
  template <typename Less>
  void SortValues(Less less);

 private:
  static constexpr std::size_t kIndexThreshold = 12;
  // Positions by name; built for a large key when it is first searched. A removal from a
  // large key erases the name from the index and leaves a gap (its entry destroyed) instead
  // of shifting every entry after it; the gaps close, order kept, when they outnumber the
  // entries or before the list is read as a whole. A small key has no index and no gaps.
  // Held behind one pointer: most keys are small and never need it.
  struct Indexes {
    std::optional<NameIndex> children;
    std::optional<NameIndex> values;
  };
  // The list's index, built when the list is large enough; nullptr for a small list.
  NameIndex* ChildIndex() const;
  NameIndex* ValueIndex() const;
  void DropChildIndex() const;
  void DropValueIndex() const;
  void CloseChildGaps() const;
  void CloseValueGaps() const;

  std::string name_;
  KeyNode* parent_;
  KeyMetadata meta_;
  // Mutable for the gaps that reads close.
  mutable std::vector<std::unique_ptr<KeyNode>> children_;
  mutable std::vector<StoredValue> values_;
  mutable std::unique_ptr<Indexes> indexes_;
};

template <typename Less>
void KeyNode::SortChildren(Less less) {
  CloseChildGaps();
  std::stable_sort(children_.begin(), children_.end(),
                   [&](const auto& a, const auto& b) { return less(a->Name(), b->Name()); });
  DropChildIndex();
}

template <typename Less>
void KeyNode::SortValues(Less less) {
  CloseValueGaps();
  std::stable_sort(values_.begin(), values_.end(),
                   [&](const auto& a, const auto& b) { return less(a.Name(), b.Name()); });
  DropValueIndex();
}

}  // namespace ordrex
