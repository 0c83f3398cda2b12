#include "platform/key_tree.h"

#include <cstring>
#include <limits>
#include <stdexcept>

#include "platform/text.h"

namespace ordrex {

ShortText& ShortText::operator=(std::string_view text) {
  if (text.size() > kMaxSize) throw std::length_error("text too long for a ShortText");
  std::copy(text.begin(), text.end(), chars_.begin());
  size_ = static_cast<std::uint8_t>(text.size());
  return *this;
}

StoredValue::StoredValue(std::string_view name, std::uint32_t type, const std::uint8_t* data,
                         std::size_t size)
    : type_(type) {
  constexpr std::size_t kLimit = std::numeric_limits<std::uint32_t>::max();
  if (name.size() >= kLimit || size >= kLimit - name.size()) {
    throw std::length_error("registry value too large");
  }
  nameSize_ = static_cast<std::uint32_t>(name.size());
  dataSize_ = static_cast<std::uint32_t>(size);
  if (name.empty() && size == 0) return;
  block_.reset(new std::uint8_t[name.size() + size]);
  if (!name.empty()) std::memcpy(block_.get(), name.data(), name.size());
  if (size > 0) std::memcpy(block_.get() + name.size(), data, size);
}

KeyNode::~KeyNode() {
  // Takes the subtree apart one node at a time: destroying children from their parent's
  // destructor would nest as deep as the tree.
  if (children_.empty()) return;
  std::vector<std::unique_ptr<KeyNode>> pending = std::move(children_);
  while (!pending.empty()) {
    std::unique_ptr<KeyNode> node = std::move(pending.back());
    pending.pop_back();
    for (auto& child : node->children_)
      pending.push_back(std::move(child));
    node->children_.clear();
  }
}

NameIndex* KeyNode::ChildIndex() const {
  if (!indexes_ || !indexes_->children) return nullptr;
  return &*indexes_->children;
}

NameIndex* KeyNode::ValueIndex() const {
  if (!indexes_ || !indexes_->values) return nullptr;
  return &*indexes_->values;
}

void KeyNode::DropChildIndex() const {
  if (indexes_) indexes_->children.reset();
}

void KeyNode::DropValueIndex() const {
  if (indexes_) indexes_->values.reset();
}

KeyNode* KeyNode::FindChild(std::string_view name) const {
  if (children_.size() < kIndexThreshold) {
    for (const auto& child : children_) {
      if (SameText(child->Name(), name)) return child.get();
    }
    return nullptr;
  }
  NameIndex* index = ChildIndex();
  if (index == nullptr) {
    if (!indexes_) indexes_ = std::make_unique<Indexes>();
    index = &indexes_->children.emplace();
    index->Reserve(children_.size());
    for (std::size_t i = 0; i < children_.size(); ++i)
      index->Insert(NameIndex::HashOf(children_[i]->Name()), i);
  }
  const std::size_t hit =
      index->Find(name, [this](std::size_t i) -> std::string_view { return children_[i]->Name(); });
  return hit == NameIndex::npos ? nullptr : children_[hit].get();
}

KeyNode& KeyNode::GetOrAddChild(std::string_view name) {
  if (KeyNode* existing = FindChild(name)) return *existing;
  return AppendNewChild(std::string(name));
}

KeyNode& KeyNode::AppendNewChild(std::string name) {
  children_.push_back(std::make_unique<KeyNode>(std::move(name), this));
  if (NameIndex* index = ChildIndex())
    index->Insert(NameIndex::HashOf(children_.back()->Name()), children_.size() - 1);
  return *children_.back();
}

bool KeyNode::RemoveChild(std::string_view name) {
  for (auto it = children_.begin(); it != children_.end(); ++it) {
    if (SameText((*it)->Name(), name)) {
      children_.erase(it);
      DropChildIndex();
      return true;
    }
  }
  return false;
}

const StoredValue* KeyNode::FindValue(std::string_view name) const {
  if (values_.size() < kIndexThreshold) {
    for (const auto& value : values_) {
      if (SameText(value.Name(), name)) return &value;
    }
    return nullptr;
  }
  NameIndex* index = ValueIndex();
  if (index == nullptr) {
    if (!indexes_) indexes_ = std::make_unique<Indexes>();
    index = &indexes_->values.emplace();
    index->Reserve(values_.size());
    for (std::size_t i = 0; i < values_.size(); ++i)
      index->Insert(NameIndex::HashOf(values_[i].Name()), i);
  }
  const std::size_t hit = index->Find(name, [this](std::size_t i) { return values_[i].Name(); });
  return hit == NameIndex::npos ? nullptr : &values_[hit];
}

void KeyNode::SetValue(std::string_view name, const RegValue& value) {
  if (const StoredValue* existing = FindValue(name)) {
    *const_cast<StoredValue*>(existing) = StoredValue(existing->Name(), value);
    return;
  }
  AppendNewValue(StoredValue(name, value));
}

void KeyNode::SetValue(StoredValue value) {
  if (const StoredValue* existing = FindValue(value.Name())) {
    *const_cast<StoredValue*>(existing) =
        StoredValue(existing->Name(), value.Type(), value.Data(), value.DataSize());
    return;
  }
  AppendNewValue(std::move(value));
}

void KeyNode::AppendNewValue(StoredValue value) {
  values_.push_back(std::move(value));
  if (NameIndex* index = ValueIndex())
    index->Insert(NameIndex::HashOf(values_.back().Name()), values_.size() - 1);
}

void KeyNode::AppendNewValues(std::vector<StoredValue>& values) {
  // Exactly as many as needed for a new key; a key read twice grows as usual.
  if (values_.empty()) values_.reserve(values.size());
  for (StoredValue& value : values)
    AppendNewValue(std::move(value));
  values.clear();
}

bool KeyNode::RemoveValue(std::string_view name) {
  for (auto it = values_.begin(); it != values_.end(); ++it) {
    if (SameText(it->Name(), name)) {
      values_.erase(it);
      DropValueIndex();
      return true;
    }
  }
  return false;
}

}  // namespace ordrex
