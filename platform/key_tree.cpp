#include "platform/key_tree.h"

#include "platform/text.h"

namespace ordrex {

void KeyNode::RebuildChildIndex() const {
  childIndex_ = std::make_unique<std::unordered_map<std::string, std::size_t>>();
  childIndex_->reserve(children_.size() * 2);
  for (std::size_t i = 0; i < children_.size(); ++i) {
    childIndex_->emplace(FoldCase(children_[i]->Name()), i);
  }
}

void KeyNode::RebuildValueIndex() const {
  valueIndex_ = std::make_unique<std::unordered_map<std::string, std::size_t>>();
  valueIndex_->reserve(values_.size() * 2);
  for (std::size_t i = 0; i < values_.size(); ++i) {
    valueIndex_->emplace(FoldCase(values_[i].name), i);
  }
}

KeyNode* KeyNode::FindChild(std::string_view name) const {
  if (children_.size() < kIndexThreshold) {
    for (const auto& child : children_) {
      if (SameText(child->Name(), name)) return child.get();
    }
    return nullptr;
  }
  if (!childIndex_) RebuildChildIndex();
  const auto hit = childIndex_->find(FoldCase(name));
  return hit == childIndex_->end() ? nullptr : children_[hit->second].get();
}

KeyNode& KeyNode::GetOrAddChild(std::string_view name) {
  if (KeyNode* existing = FindChild(name)) return *existing;
  children_.push_back(std::make_unique<KeyNode>(std::string(name), this));
  if (childIndex_) childIndex_->emplace(FoldCase(name), children_.size() - 1);
  return *children_.back();
}

KeyNode& KeyNode::AppendNewChild(std::string name) {
  children_.push_back(std::make_unique<KeyNode>(std::move(name), this));
  if (childIndex_) childIndex_->emplace(FoldCase(children_.back()->Name()), children_.size() - 1);
  return *children_.back();
}

bool KeyNode::RemoveChild(std::string_view name) {
  for (auto it = children_.begin(); it != children_.end(); ++it) {
    if (SameText((*it)->Name(), name)) {
      children_.erase(it);
      childIndex_.reset();
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
  if (!valueIndex_) RebuildValueIndex();
  const auto hit = valueIndex_->find(FoldCase(name));
  return hit == valueIndex_->end() ? nullptr : &values_[hit->second];
}

void KeyNode::SetValue(std::string_view name, RegValue value) {
  if (const NamedValue* existing = FindValue(name)) {
    const_cast<NamedValue*>(existing)->value = std::move(value);
    return;
  }
  values_.push_back(NamedValue{std::string(name), std::move(value)});
  if (valueIndex_) valueIndex_->emplace(FoldCase(name), values_.size() - 1);
}

void KeyNode::AppendNewValue(std::string name, RegValue value) {
  values_.push_back(NamedValue{std::move(name), std::move(value)});
  if (valueIndex_) valueIndex_->emplace(FoldCase(values_.back().name), values_.size() - 1);
}

bool KeyNode::RemoveValue(std::string_view name) {
  for (auto it = values_.begin(); it != values_.end(); ++it) {
    if (SameText(it->name, name)) {
      values_.erase(it);
      valueIndex_.reset();
      return true;
    }
  }
  return false;
}

}  // namespace ordrex
