#include "engine/records.h"

#include "platform/text.h"

namespace ordrex {

const std::string* TFixingList::Solution() const {
  if (Solutions == nullptr || SolutionIndex < 0 ||
      static_cast<std::size_t>(SolutionIndex) >= Solutions->size()) {
    return nullptr;
  }
  return &(*Solutions)[static_cast<std::size_t>(SolutionIndex)];
}

int TErrorFiles::IndexOf(std::string_view name) const {
  const auto hit = index_.find(FoldCase(name));
  return hit == index_.end() ? -1 : static_cast<int>(hit->second);
}

int TErrorFiles::Add(std::string_view name) {
  if (IndexOf(name) >= 0) return -1;
  items_.push_back(TErrorFile{std::string(name), {}});
  index_.emplace(FoldCase(name), items_.size() - 1);
  return static_cast<int>(items_.size()) - 1;
}

void TErrorFiles::Clear() {
  while (!items_.empty())
    items_.pop_back();
  index_.clear();
}

std::string BareFileName(std::string_view path) {
  const std::size_t cut = path.find_last_of("\\:");
  return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

}  // namespace ordrex
