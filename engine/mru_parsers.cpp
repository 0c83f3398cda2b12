#include "engine/mru_parsers.h"

#include <string_view>

#include "engine/path_checks.h"
#include "platform/text.h"

namespace ordrex {
namespace {

// Converts UTF-16LE units [from, from + 2 * count) of the data.
std::string UnitsToText(std::span<const std::uint8_t> data, std::size_t from, std::size_t count) {
  return Utf16LeBytesToUtf8(data.data() + from, count * 2);
}

// A read position that never passes the end of the data, however far it is moved.
class Cursor {
 public:
  explicit Cursor(std::span<const std::uint8_t> data) : data_(data) {}

  std::size_t Position() const { return pos_; }
  void MoveTo(std::size_t pos) { pos_ = pos < data_.size() ? pos : data_.size(); }
  void Skip(std::size_t count) {
    MoveTo(count < data_.size() - pos_ ? pos_ + count : data_.size());
  }

  // Skips zero bytes, then takes 16-bit units up to a zero unit; leaves the position after it.
  std::string ReadUtf16() {
    SkipZeroBytes();
    const std::size_t start = pos_;
    std::size_t units = 0;
    while (data_.size() - pos_ >= 2) {
      const bool zero = data_[pos_] == 0 && data_[pos_ + 1] == 0;
      pos_ += 2;
      if (zero) return UnitsToText(data_, start, units);
      ++units;
    }
    // The string ran into the end of the data; an odd last byte is no unit.
    pos_ = data_.size();
    return UnitsToText(data_, start, units);
  }

  // Skips zero bytes, then takes bytes up to a zero byte; leaves the position after it.
  std::string ReadEightBit() {
    SkipZeroBytes();
    const std::size_t start = pos_;
    while (pos_ < data_.size() && data_[pos_] != 0)
      ++pos_;
    std::string_view raw(reinterpret_cast<const char*>(data_.data() + start), pos_ - start);
    if (pos_ < data_.size()) ++pos_;
    // 8.3 names are written in the system's 8-bit code page.
    return IsValidUtf8(raw) ? std::string(raw) : Cp1252ToUtf8(raw);
  }

 private:
  void SkipZeroBytes() {
    while (pos_ < data_.size() && data_[pos_] == 0)
      ++pos_;
  }

  std::span<const std::uint8_t> data_;
  std::size_t pos_ = 0;
};

}  // namespace

LastVisitedEntry ParseLastVisitedEntry(std::span<const std::uint8_t> data) {
  LastVisitedEntry entry;
  const std::size_t units = data.size() / 2;
  std::size_t split = units;  // index of the first zero unit
  for (std::size_t i = 0; i < units; ++i) {
    if (data[2 * i] == 0 && data[2 * i + 1] == 0) {
      split = i;
      break;
    }
  }
  entry.program = UnitsToText(data, 0, split);
  if (split + 1 < units) {
    std::size_t end = split + 1;
    while (end < units && !(data[2 * end] == 0 && data[2 * end + 1] == 0))
      ++end;
    entry.folder = UnitsToText(data, 2 * (split + 1), end - split - 1);
  }
  return entry;
}

RecentDocsEntry ParseRecentDocsEntry(std::span<const std::uint8_t> data) {
  RecentDocsEntry entry;
  if (data.size() < 4) return entry;
  Cursor cursor(data);
  entry.displayName = cursor.ReadUtf16();
  cursor.Skip(14);
  const std::size_t shortNameAt = cursor.Position();
  entry.shortName = cursor.ReadEightBit();
  if (UpperCase(ExtractFileExt(entry.shortName)) != ".LNK") {
    // Entries written by Unicode shells keep this name in UTF-16.
    cursor.MoveTo(shortNameAt);
    entry.shortName = cursor.ReadUtf16();
  }
  cursor.Skip(20);
  entry.linkFileName = cursor.ReadUtf16();
  return entry;
}

}  // namespace ordrex
