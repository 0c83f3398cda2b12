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

void NameIndex::EraseSlot(std::size_t slot) {
  const std::size_t mask = slots_.size() - 1;
  std::size_t hole = slot;
  for (std::size_t i = (hole + 1) & mask; slots_[i] != 0; i = (i + 1) & mask) {
    // An entry may move into the hole only if its probe passes the hole on its way from its
    // home slot to where it sits: its home is not in (hole, i], counted around the end.
    const std::size_t home = static_cast<std::uint32_t>(slots_[i] >> 32) & mask;
    const bool homeAfterHole = hole <= i ? (home > hole && home <= i) : (home > hole || home <= i);
    if (homeAfterHole) continue;
    slots_[hole] = slots_[i];
    hole = i;
  }
  slots_[hole] = 0;
  --size_;
}

std::vector<bool> NameIndex::Compact(std::size_t count) {
  std::vector<bool> kept(count, false);
  for (std::uint64_t slot : slots_) {
    if (slot != 0) kept[PositionIn(slot)] = true;
  }
  std::vector<std::uint32_t> renumbered(count);
  std::uint32_t next = 0;
  for (std::size_t i = 0; i < count; ++i) {
    renumbered[i] = next;
    if (kept[i]) ++next;
  }
  for (std::uint64_t& slot : slots_) {
    if (slot == 0) continue;
    slot = (slot & ~std::uint64_t{0xFFFFFFFF}) | (renumbered[PositionIn(slot)] + 1);
  }
  return kept;
}

}  // namespace ordrex
