#include "platform/key_tree.h"

#include <stdexcept>

#include "platform/text.h"

namespace ordrex {

ShortText& ShortText::operator=(std::string_view text) {
  if (text.size() > kMaxSize) throw std::length_error("text too long for a ShortText");
  std::copy(text.begin(), text.end(), chars_.begin());
  size_ = static_cast<std::uint8_t>(text.size());
  return *this;
}

KeyNode::NameIndex* KeyNode::ChildIndex() const {
  if (!indexes_ || !indexes_->children) return nullptr;
  return &*indexes_->children;
}

KeyNode::NameIndex* KeyNode::ValueIndex() const {
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
    index->reserve(children_.size() * 2);
    for (std::size_t i = 0; i < children_.size(); ++i)
      index->emplace(FoldCase(children_[i]->Name()), i);
  }
  const auto hit = index->find(FoldCase(name));
  return hit == index->end() ? nullptr : children_[hit->second].get();
}

KeyNode& KeyNode::GetOrAddChild(std::string_view name) {
  if (KeyNode* existing = FindChild(name)) return *existing;
  return AppendNewChild(std::string(name));
}

KeyNode& KeyNode::AppendNewChild(std::string name) {
  children_.push_back(std::make_unique<KeyNode>(std::move(name), this));
  if (NameIndex* index = ChildIndex())
    index->emplace(FoldCase(children_.back()->Name()), children_.size() - 1);
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

const NamedValue* KeyNode::FindValue(std::string_view name) const {
  if (values_.size() < kIndexThreshold) {
    for (const auto& value : values_) {
      if (SameText(value.name, name)) return &value;
    }
    return nullptr;
  }
  NameIndex* index = ValueIndex();
  if (index == nullptr) {
    if (!indexes_) indexes_ = std::make_unique<Indexes>();
    index = &indexes_->values.emplace();
    index->reserve(values_.size() * 2);
    for (std::size_t i = 0; i < values_.size(); ++i)
      index->emplace(FoldCase(values_[i].name), i);
  }
  const auto hit = index->find(FoldCase(name));
  return hit == index->end() ? nullptr : &values_[hit->second];
}

void KeyNode::SetValue(std::string_view name, RegValue value) {
  if (const NamedValue* existing = FindValue(name)) {
    const_cast<NamedValue*>(existing)->value = std::move(value);
    return;
  }
  AppendNewValue(std::string(name), std::move(value));
}

void KeyNode::AppendNewValue(std::string name, RegValue value) {
  values_.push_back(NamedValue{std::move(name), std::move(value)});
  if (NameIndex* index = ValueIndex())
    index->emplace(FoldCase(values_.back().name), values_.size() - 1);
}

void KeyNode::AppendNewValues(std::vector<NamedValue>& values) {
  // Exactly as many as needed for a new key; a key read twice grows as usual.
  if (values_.empty()) values_.reserve(values.size());
  for (NamedValue& value : values)
    AppendNewValue(std::move(value.name), std::move(value.value));
  values.clear();
}

bool KeyNode::RemoveValue(std::string_view name) {
  for (auto it = values_.begin(); it != values_.end(); ++it) {
    if (SameText(it->name, name)) {
      values_.erase(it);
      DropValueIndex();
      return true;
    }
  }
  return false;
}

}  // namespace ordrex
