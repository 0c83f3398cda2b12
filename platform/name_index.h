#pragma once
// Positions in a list of named entries (a key's subkeys or values) by case-insensitive name.
// A loaded registry has keys with hundreds of thousands of subkeys (CLSID), looked up millions
// of times in a scan: one flat array of slots keeps a lookup to a hash and, usually, one name
// comparison, and costs 16 bytes or less per entry instead of a hash node and a string copy.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ordrex {

class NameIndex {
 public:
  // The hash of a name's folded form; names that differ only in letter case hash alike.
  static std::uint32_t HashOf(std::string_view name);

  void Reserve(std::size_t count);
  // Records that the entry at `position` has a name of this hash. Positions must stay valid
  // until the index is dropped or compacted.
  void Insert(std::uint32_t hash, std::size_t position);
  // The number of entries recorded.
  std::size_t Size() const { return size_; }

  // The position of the entry named `name`, or npos. `nameAt(position)` gives an entry's name.
  template <typename NameAt>
  std::size_t Find(std::string_view name, NameAt nameAt) const;
  // Forgets the entry named `name` and returns its position (npos when there is none). The
  // other entries keep their positions: the list leaves a gap until it compacts.
  template <typename NameAt>
  std::size_t Erase(std::string_view name, NameAt nameAt);

  // For a list of `count` positions with gaps where entries were erased: renumbers the
  // entries as they stand once the gaps are closed, order kept, and returns which of the
  // old positions hold an entry.
  std::vector<bool> Compact(std::size_t count);

  static constexpr std::size_t npos = static_cast<std::size_t>(-1);

 private:
  // Whether the candidate folds to the text the last HashOf folded.
  static bool MatchesLastHashed(std::string_view candidate);
  // The slot of the entry named `name`, or npos.
  template <typename NameAt>
  std::size_t FindSlot(std::string_view name, NameAt nameAt) const;
  // Empties a slot, moving later slots of its probe run back so that every entry stays
  // reachable from its hash without markers of erased slots.
  void EraseSlot(std::size_t slot);
  static std::size_t PositionIn(std::uint64_t slot) { return static_cast<std::uint32_t>(slot) - 1; }

  // Each slot: the hash in the high half, position + 1 in the low half; 0 is empty.
  std::vector<std::uint64_t> slots_;
  std::size_t size_ = 0;
};

template <typename NameAt>
std::size_t NameIndex::FindSlot(std::string_view name, NameAt nameAt) const {
  if (slots_.empty()) return npos;
  const std::uint32_t hash = HashOf(name);
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    const std::uint64_t slot = slots_[i];
    if (slot == 0) return npos;
    if (static_cast<std::uint32_t>(slot >> 32) != hash) continue;
    if (MatchesLastHashed(nameAt(PositionIn(slot)))) return i;
  }
}

template <typename NameAt>
std::size_t NameIndex::Find(std::string_view name, NameAt nameAt) const {
  const std::size_t slot = FindSlot(name, nameAt);
  return slot == npos ? npos : PositionIn(slots_[slot]);
}

template <typename NameAt>
std::size_t NameIndex::Erase(std::string_view name, NameAt nameAt) {
  const std::size_t slot = FindSlot(name, nameAt);
  if (slot == npos) return npos;
  const std::size_t position = PositionIn(slots_[slot]);
  EraseSlot(slot);
  return position;
}

}  // namespace ordrex
