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
  // until the index is dropped (entries are only appended while it lives).
  void Insert(std::uint32_t hash, std::size_t position);

  // The position of the entry named `name`, or npos. `nameAt(position)` gives an entry's name.
  template <typename NameAt>
  std::size_t Find(std::string_view name, NameAt nameAt) const;

  static constexpr std::size_t npos = static_cast<std::size_t>(-1);

 private:
  // Whether the candidate folds to the text the last HashOf folded.
  static bool MatchesLastHashed(std::string_view candidate);

  // Each slot: the hash in the high half, position + 1 in the low half; 0 is empty.
  std::vector<std::uint64_t> slots_;
  std::size_t size_ = 0;
};

template <typename NameAt>
std::size_t NameIndex::Find(std::string_view name, NameAt nameAt) const {
  if (slots_.empty()) return npos;
  const std::uint32_t hash = HashOf(name);
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    const std::uint64_t slot = slots_[i];
    if (slot == 0) return npos;
    if (static_cast<std::uint32_t>(slot >> 32) != hash) continue;
    const std::size_t position = static_cast<std::uint32_t>(slot) - 1;
    if (MatchesLastHashed(nameAt(position))) return position;
  }
}

}  // namespace ordrex
