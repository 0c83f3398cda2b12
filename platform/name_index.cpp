#include "platform/name_index.h"

#include <functional>
#include <limits>
#include <stdexcept>

#include "platform/text.h"

namespace ordrex {

namespace {

// Folding goes into buffers kept per thread: a new string per lookup would cost more than the
// lookup itself.
std::string& FoldBuffer(int which) {
  thread_local std::string buffers[2];
  return buffers[which];
}

}  // namespace

std::uint32_t NameIndex::HashOf(std::string_view name) {
  std::string& folded = FoldBuffer(0);
  FoldCaseInto(folded, name);
  const std::size_t hash = std::hash<std::string_view>{}(folded);
  return static_cast<std::uint32_t>(hash ^ (hash >> 32));
}

bool NameIndex::MatchesLastHashed(std::string_view candidate) {
  std::string& folded = FoldBuffer(1);
  FoldCaseInto(folded, candidate);
  return folded == FoldBuffer(0);
}

void NameIndex::Reserve(std::size_t count) {
  std::size_t capacity = 16;
  while (capacity * 3 < count * 4)
    capacity *= 2;
  if (capacity <= slots_.size()) return;
  std::vector<std::uint64_t> old = std::move(slots_);
  slots_.assign(capacity, 0);
  const std::size_t mask = capacity - 1;
  for (std::uint64_t slot : old) {
    if (slot == 0) continue;
    std::size_t i = static_cast<std::uint32_t>(slot >> 32) & mask;
    while (slots_[i] != 0)
      i = (i + 1) & mask;
    slots_[i] = slot;
  }
}

void NameIndex::Insert(std::uint32_t hash, std::size_t position) {
  if (position >= std::numeric_limits<std::uint32_t>::max()) {
    throw std::length_error("too many entries in one registry key");
  }
  // At most three quarters full: probes stay short (the hashes in the slots make a probe a
  // read of 8 bytes) and always end at an empty slot.
  if ((size_ + 1) * 4 > slots_.size() * 3) Reserve((size_ + 1) * 3 / 2);
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = hash & mask;
  while (slots_[i] != 0)
    i = (i + 1) & mask;
  slots_[i] = (static_cast<std::uint64_t>(hash) << 32) | (position + 1);
  ++size_;
}

}  // namespace ordrex
