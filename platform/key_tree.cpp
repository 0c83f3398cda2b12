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
    if (!node) continue;  // a gap left by a removal
    for (auto& child : node->children_)
      pending.push_back(std::move(child));
    node->children_.clear();
  }
}

namespace {

std::string_view NameOf(const std::unique_ptr<KeyNode>& child) {
  return child->Name();
}
std::string_view NameOf(const StoredValue& value) {
  return value.Name();
}

template <typename Entry>
auto NamesIn(const std::vector<Entry>& list) {
  return [&list](std::size_t position) { return NameOf(list[position]); };
}

// The list's index: the existing one, else a new one when the list is large enough.
template <typename Entry>
NameIndex* IndexFor(std::optional<NameIndex>& index, const std::vector<Entry>& list,
                    std::size_t threshold) {
  if (index) return &*index;
  if (list.size() < threshold) return nullptr;
  index.emplace().Reserve(list.size());
  for (std::size_t i = 0; i < list.size(); ++i)
    index->Insert(NameIndex::HashOf(NameOf(list[i])), i);
  return &*index;
}

template <typename Entry>
std::size_t PositionOf(const std::vector<Entry>& list, const NameIndex* index,
                       std::string_view name) {
  if (index != nullptr) return index->Find(name, NamesIn(list));
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (SameText(NameOf(list[i]), name)) return i;
  }
  return NameIndex::npos;
}

template <typename Entry>
void CloseGapsIn(std::vector<Entry>& list, NameIndex& index) {
  if (index.Size() == list.size()) return;
  const std::vector<bool> kept = index.Compact(list.size());
  std::size_t next = 0;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (!kept[i]) continue;
    if (i != next) list[next] = std::move(list[i]);
    ++next;
  }
  list.erase(list.begin() + static_cast<std::ptrdiff_t>(next), list.end());
}

// Removes the named entry: from a small list at once, from an indexed one by leaving a gap.
// `destroy` frees what the entry holds.
template <typename Entry, typename Destroy>
bool RemoveFrom(std::vector<Entry>& list, NameIndex* index, std::string_view name,
                Destroy destroy) {
  if (index == nullptr) {
    const std::size_t position = PositionOf(list, nullptr, name);
    if (position == NameIndex::npos) return false;
    list.erase(list.begin() + static_cast<std::ptrdiff_t>(position));
    return true;
  }
  const std::size_t position = index->Erase(name, NamesIn(list));
  if (position == NameIndex::npos) return false;
  destroy(list[position]);
  // Compacting once the gaps outnumber the entries keeps a removal's cost constant on
  // average and the list at most twice its size.
  if (index->Size() * 2 < list.size()) CloseGapsIn(list, *index);
  return true;
}

}  // namespace

NameIndex* KeyNode::ChildIndex() const {
  if (!indexes_ && children_.size() < kIndexThreshold) return nullptr;
  if (!indexes_) indexes_ = std::make_unique<Indexes>();
  return IndexFor(indexes_->children, children_, kIndexThreshold);
}

NameIndex* KeyNode::ValueIndex() const {
  if (!indexes_ && values_.size() < kIndexThreshold) return nullptr;
  if (!indexes_) indexes_ = std::make_unique<Indexes>();
  return IndexFor(indexes_->values, values_, kIndexThreshold);
}

void KeyNode::DropChildIndex() const {
  if (indexes_) indexes_->children.reset();
}

void KeyNode::DropValueIndex() const {
  if (indexes_) indexes_->values.reset();
}

void KeyNode::CloseChildGaps() const {
  if (indexes_ && indexes_->children) CloseGapsIn(children_, *indexes_->children);
}

void KeyNode::CloseValueGaps() const {
  if (indexes_ && indexes_->values) CloseGapsIn(values_, *indexes_->values);
}

const std::vector<std::unique_ptr<KeyNode>>& KeyNode::Children() const {
  CloseChildGaps();
  return children_;
}

const std::vector<StoredValue>& KeyNode::Values() const {
  CloseValueGaps();
  return values_;
}

KeyNode* KeyNode::FindChild(std::string_view name) const {
  const std::size_t position = PositionOf(children_, ChildIndex(), name);
  return position == NameIndex::npos ? nullptr : children_[position].get();
}

KeyNode& KeyNode::GetOrAddChild(std::string_view name) {
  if (KeyNode* existing = FindChild(name)) return *existing;
  return AppendNewChild(std::string(name));
}

KeyNode& KeyNode::AppendNewChild(std::string name) {
  children_.push_back(std::make_unique<KeyNode>(std::move(name), this));
  if (indexes_ && indexes_->children)
    indexes_->children->Insert(NameIndex::HashOf(children_.back()->Name()), children_.size() - 1);
  return *children_.back();
}

bool KeyNode::RemoveChild(std::string_view name) {
  return RemoveFrom(children_, ChildIndex(), name,
                    [](std::unique_ptr<KeyNode>& child) { child.reset(); });
}

const StoredValue* KeyNode::FindValue(std::string_view name) const {
  const std::size_t position = PositionOf(values_, ValueIndex(), name);
  return position == NameIndex::npos ? nullptr : &values_[position];
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
  if (indexes_ && indexes_->values)
    indexes_->values->Insert(NameIndex::HashOf(values_.back().Name()), values_.size() - 1);
}

void KeyNode::AppendNewValues(std::vector<StoredValue>& values) {
  // Exactly as many as needed for a new key; a key read twice grows as usual.
  if (values_.empty()) values_.reserve(values.size());
  for (StoredValue& value : values)
    AppendNewValue(std::move(value));
  values.clear();
}

bool KeyNode::RemoveValue(std::string_view name) {
  return RemoveFrom(values_, ValueIndex(), name,
                    [](StoredValue& value) { value = StoredValue({}, 0, nullptr, 0); });
}

}  // namespace ordrex
