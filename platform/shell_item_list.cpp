#include "platform/shell_item_list.h"

#include <optional>
#include <string_view>

#include "platform/text.h"

namespace ordrex {
namespace {

constexpr std::uint32_t kFileEntryExtension = 0xBEEF0004;

std::uint16_t U16(std::span<const std::uint8_t> d, std::size_t at) {
  return static_cast<std::uint16_t>(d[at] | (d[at + 1] << 8));
}
std::uint32_t U32(std::span<const std::uint8_t> d, std::size_t at) {
  return static_cast<std::uint32_t>(U16(d, at)) |
         (static_cast<std::uint32_t>(U16(d, at + 2)) << 16);
}

// An 8-bit string from at up to its NUL or the end of the item.
std::string EightBitString(std::span<const std::uint8_t> item, std::size_t at, std::size_t* end) {
  std::size_t pos = at;
  while (pos < item.size() && item[pos] != 0)
    ++pos;
  if (end != nullptr) *end = pos < item.size() ? pos + 1 : pos;
  std::string_view raw(reinterpret_cast<const char*>(item.data() + at), pos - at);
  return IsValidUtf8(raw) ? std::string(raw) : Cp1252ToUtf8(raw);
}

// A UTF-16 string from at up to its zero unit or the end of the item.
std::string Utf16String(std::span<const std::uint8_t> item, std::size_t at, std::size_t* end) {
  std::size_t pos = at;
  while (pos + 1 < item.size() && U16(item, pos) != 0)
    pos += 2;
  if (end != nullptr) *end = pos + 1 < item.size() ? pos + 2 : item.size();
  return Utf16LeBytesToUtf8(item.data() + at, pos - at);
}

// The long name kept in the extension block that follows the short name, if there is one.
std::optional<std::string> LongName(std::span<const std::uint8_t> item, std::size_t from) {
  if (from % 2 != 0) ++from;
  if (from + 8 > item.size()) return std::nullopt;
  const std::size_t size = U16(item, from);
  if (size < 8 || size > item.size() - from || U32(item, from + 4) != kFileEntryExtension) {
    return std::nullopt;
  }
  const std::span<const std::uint8_t> block = item.subspan(from, size);
  const std::uint16_t version = U16(block, 2);
  std::size_t at = 18;  // after size, version, signature and the two dates
  if (version >= 7) at += 2 + 8 + 8;
  if (version >= 3) at += 2;
  if (version >= 9) at += 4;
  if (version >= 8) at += 4;
  if (version < 3 || at >= block.size()) return std::nullopt;
  std::string name = Utf16String(block, at, nullptr);
  if (name.empty()) return std::nullopt;
  return name;
}

// A file or folder item: attributes, then the (short) name in 8-bit or UTF-16 characters.
std::string FileEntryName(std::span<const std::uint8_t> item) {
  constexpr std::size_t kNameAt = 14;
  if (item.size() <= kNameAt) return {};
  const bool unicode = (item[2] & 0x04) != 0;
  std::size_t end = 0;
  std::string name =
      unicode ? Utf16String(item, kNameAt, &end) : EightBitString(item, kNameAt, &end);
  if (std::optional<std::string> longName = LongName(item, end)) return *longName;
  return name;
}

}  // namespace

std::string PathFromShellItemList(std::span<const std::uint8_t> idList) {
  std::string path;
  bool haveVolume = false;
  std::size_t pos = 0;
  while (idList.size() - pos >= 2) {
    const std::size_t size = U16(idList, pos);
    if (size == 0) break;  // the terminating item
    if (size < 3 || size > idList.size() - pos) return {};
    const std::span<const std::uint8_t> item = idList.subspan(pos, size);
    pos += size;
    const std::uint8_t type = item[2];
    if (type == 0x1F) continue;  // a root folder such as "My Computer"
    if ((type & 0x70) == 0x20) {
      // A volume: its name such as "C:\" follows the type byte.
      path = EightBitString(item, 3, nullptr);
      if (path.size() < 2 || path[1] != ':') return {};
      haveVolume = true;
      continue;
    }
    if ((type & 0x70) == 0x30 && haveVolume) {
      const std::string name = FileEntryName(item);
      if (name.empty()) return {};
      if (!path.ends_with('\\')) path += '\\';
      path += name;
      continue;
    }
    return {};  // something other than a file-system path
  }
  return haveVolume ? path : std::string();
}

}  // namespace ordrex
