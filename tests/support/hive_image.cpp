#include "support/hive_image.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "platform/text.h"

namespace ordrex::testsupport {

namespace {

constexpr std::size_t kBaseBlockSize = 4096;
constexpr std::size_t kBinSize = 4096;
constexpr std::size_t kBinHeaderSize = 0x20;
constexpr std::size_t kChecksumOffset = 0x1FC;
constexpr std::size_t kMaxUnsegmented = 16344;
constexpr std::size_t kListChunk = 500;  // subkeys per list below an index root
constexpr std::uint32_t kNone = 0xFFFFFFFF;
constexpr std::uint32_t kTimestampLow = 0xD53E8000, kTimestampHigh = 0x01BF53EB;  // 2000-01-01

void Put16(std::string& bytes, std::size_t at, std::uint16_t value) {
  bytes[at] = static_cast<char>(value & 0xFF);
  bytes[at + 1] = static_cast<char>(value >> 8);
}

void Put32(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i)
    bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint32_t Get32(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i)
    value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

void PutChecksum(std::string& bytes) {
  std::uint32_t sum = 0;
  for (std::size_t at = 0; at < kChecksumOffset; at += 4)
    sum ^= Get32(bytes, at);
  Put32(bytes, kChecksumOffset, sum);
}

// S-1-5-32-544 (Administrators).
constexpr std::array<std::uint8_t, 16> kAdministrators = {1,  2, 0, 0, 0,  0, 0, 5,
                                                          32, 0, 0, 0, 32, 2, 0, 0};

// A self-relative security descriptor: owner and group Administrators, a DACL that gives them
// full access to the key.
std::string SecurityDescriptor() {
  std::string sd(84, '\0');
  sd[0] = 1;             // revision
  Put16(sd, 2, 0x8004);  // self-relative, DACL present
  Put32(sd, 4, 20);      // owner
  Put32(sd, 8, 36);      // group
  Put32(sd, 16, 52);     // DACL
  std::memcpy(sd.data() + 20, kAdministrators.data(), 16);
  std::memcpy(sd.data() + 36, kAdministrators.data(), 16);
  sd[52] = 2;                 // ACL revision
  Put16(sd, 54, 32);          // ACL size
  Put16(sd, 56, 1);           // one ACE
  Put16(sd, 62, 24);          // ACCESS_ALLOWED_ACE of 24 bytes
  Put32(sd, 64, 0x000F003F);  // KEY_ALL_ACCESS
  std::memcpy(sd.data() + 68, kAdministrators.data(), 16);
  return sd;
}

// A name as stored: Latin-1 bytes ("compressed") when every character fits, else UTF-16LE.
struct StoredName {
  std::string bytes;
  bool compressed;
};

StoredName Store(std::string_view name) {
  const std::u16string units = Utf8ToUtf16(name);
  StoredName stored{{},
                    std::all_of(units.begin(), units.end(), [](char16_t c) { return c < 256; })};
  for (const char16_t c : units) {
    stored.bytes += static_cast<char>(c & 0xFF);
    if (!stored.compressed) stored.bytes += static_cast<char>(c >> 8);
  }
  return stored;
}

std::uint32_t NameHash(std::string_view name) {
  std::uint32_t hash = 0;
  for (const char16_t c : Utf8ToUtf16(name))
    hash = hash * 37 + static_cast<std::uint32_t>(c < 0xD800 ? UpperChar(c) : c);
  return hash;
}

// The hive bins, filled cell after cell; a cell never crosses into the next bin.
class Bins {
 public:
  // A used cell of at least `size` bytes (its size field included); returns its offset.
  std::uint32_t Allocate(std::size_t size) {
    size = (size + 7) / 8 * 8;
    if (binEnd_ - bytes_.size() < size) {
      CloseBin();
      const std::size_t binSize =
          std::max(kBinSize, (size + kBinHeaderSize + kBinSize - 1) / kBinSize * kBinSize);
      const std::size_t start = bytes_.size();
      bytes_.resize(start + binSize, '\0');
      std::memcpy(bytes_.data() + start, "hbin", 4);
      Put32(bytes_, start + 4, static_cast<std::uint32_t>(start));
      Put32(bytes_, start + 8, static_cast<std::uint32_t>(binSize));
      binEnd_ = bytes_.size();
      bytes_.resize(start + kBinHeaderSize);
    }
    const std::size_t at = bytes_.size();
    bytes_.resize(at + size, '\0');
    Put32(bytes_, at, static_cast<std::uint32_t>(-static_cast<std::int32_t>(size)));
    return static_cast<std::uint32_t>(at);
  }

  // The rest of the last bin becomes one free cell.
  std::string Finish() {
    CloseBin();
    return std::move(bytes_);
  }

  std::string& Bytes() { return bytes_; }

 private:
  void CloseBin() {
    const std::size_t rest = binEnd_ - bytes_.size();
    if (rest == 0) return;
    const std::size_t at = bytes_.size();
    bytes_.resize(binEnd_, '\0');
    Put32(bytes_, at, static_cast<std::uint32_t>(rest));
  }

  std::string bytes_;
  std::size_t binEnd_ = 0;
};

class Writer {
 public:
  std::string Write(const KeyNode& root) {
    const std::uint32_t rootCell = KeyCell(root, 0, true);
    const std::string sd = SecurityDescriptor();
    security_ = bins_.Allocate(0x18 + sd.size());
    std::string& b = bins_.Bytes();
    std::memcpy(b.data() + security_ + 4, "sk", 2);
    Put32(b, security_ + 0x08, security_);  // the only security cell: its own neighbours
    Put32(b, security_ + 0x0C, security_);
    Put32(b, security_ + 0x14, static_cast<std::uint32_t>(sd.size()));
    std::memcpy(b.data() + security_ + 0x18, sd.data(), sd.size());

    // Each key's nk cell exists before its values and subkeys are written.
    std::vector<std::pair<const KeyNode*, std::uint32_t>> pending{{&root, rootCell}};
    std::uint32_t keys = 0;
    while (!pending.empty()) {
      const auto [key, cell] = pending.back();
      pending.pop_back();
      ++keys;
      Put32(bins_.Bytes(), cell + 0x30, security_);
      Values(*key, cell);
      Subkeys(*key, cell, pending);
    }
    Put32(bins_.Bytes(), security_ + 0x10, keys);
    return bins_.Finish();
  }

 private:
  std::uint32_t KeyCell(const KeyNode& key, std::uint32_t parent, bool root) {
    const StoredName name = Store(root ? "ROOT" : key.Name());
    const std::uint32_t cell = bins_.Allocate(0x50 + name.bytes.size());
    std::string& b = bins_.Bytes();
    std::memcpy(b.data() + cell + 4, "nk", 2);
    Put16(b, cell + 0x06,
          static_cast<std::uint16_t>((root ? 0x0C : 0) | (name.compressed ? 0x20 : 0)));
    Put32(b, cell + 0x08, kTimestampLow);
    Put32(b, cell + 0x0C, kTimestampHigh);
    Put32(b, cell + 0x14, parent);
    Put32(b, cell + 0x20, kNone);
    Put32(b, cell + 0x24, kNone);
    Put32(b, cell + 0x2C, kNone);
    Put32(b, cell + 0x34, kNone);
    Put16(b, cell + 0x4C, static_cast<std::uint16_t>(name.bytes.size()));
    std::memcpy(b.data() + cell + 0x50, name.bytes.data(), name.bytes.size());
    return cell;
  }

  std::uint32_t DataCell(const std::uint8_t* data, std::size_t size) {
    const std::uint32_t cell = bins_.Allocate(4 + size);
    std::memcpy(bins_.Bytes().data() + cell + 4, data, size);
    return cell;
  }

  // Data past 16,344 bytes: a "db" cell, its list of segments, the segments.
  std::uint32_t SegmentedCell(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint32_t> segments;
    for (std::size_t at = 0; at < size; at += kMaxUnsegmented)
      segments.push_back(DataCell(data + at, std::min(kMaxUnsegmented, size - at)));
    const std::uint32_t list = bins_.Allocate(4 + 4 * segments.size());
    for (std::size_t i = 0; i < segments.size(); ++i)
      Put32(bins_.Bytes(), list + 4 + 4 * i, segments[i]);
    const std::uint32_t cell = bins_.Allocate(12);
    std::string& b = bins_.Bytes();
    std::memcpy(b.data() + cell + 4, "db", 2);
    Put16(b, cell + 6, static_cast<std::uint16_t>(segments.size()));
    Put32(b, cell + 8, list);
    return cell;
  }

  void Values(const KeyNode& key, std::uint32_t keyCell) {
    const auto& values = key.Values();
    if (values.empty()) return;
    std::vector<std::uint32_t> cells;
    for (const StoredValue& value : values) {
      const StoredName name = Store(value.Name());
      const std::uint32_t cell = bins_.Allocate(0x18 + name.bytes.size());
      std::uint32_t size = static_cast<std::uint32_t>(value.DataSize());
      std::uint32_t data = 0;
      if (size <= 4) {
        std::string inlined(4, '\0');
        std::memcpy(inlined.data(), value.Data(), size);
        data = Get32(inlined, 0);
        size |= 0x80000000;
      } else {
        data = size > kMaxUnsegmented ? SegmentedCell(value.Data(), size)
                                      : DataCell(value.Data(), size);
      }
      std::string& b = bins_.Bytes();
      std::memcpy(b.data() + cell + 4, "vk", 2);
      Put16(b, cell + 0x06, static_cast<std::uint16_t>(name.bytes.size()));
      Put32(b, cell + 0x08, size);
      Put32(b, cell + 0x0C, data);
      Put32(b, cell + 0x10, value.Type());
      Put16(b, cell + 0x14, name.compressed ? 1 : 0);
      std::memcpy(b.data() + cell + 0x18, name.bytes.data(), name.bytes.size());
      cells.push_back(cell);
    }
    const std::uint32_t list = bins_.Allocate(4 + 4 * cells.size());
    for (std::size_t i = 0; i < cells.size(); ++i)
      Put32(bins_.Bytes(), list + 4 + 4 * i, cells[i]);
    Put32(bins_.Bytes(), keyCell + 0x28, static_cast<std::uint32_t>(cells.size()));
    Put32(bins_.Bytes(), keyCell + 0x2C, list);
  }

  // An "lh" list of the given subkeys.
  std::uint32_t HashList(const std::vector<std::pair<std::string, std::uint32_t>>& keys,
                         std::size_t from, std::size_t to) {
    const std::uint32_t list = bins_.Allocate(8 + 8 * (to - from));
    std::string& b = bins_.Bytes();
    std::memcpy(b.data() + list + 4, "lh", 2);
    Put16(b, list + 6, static_cast<std::uint16_t>(to - from));
    for (std::size_t i = from; i < to; ++i) {
      Put32(b, list + 8 + 8 * (i - from), keys[i].second);
      Put32(b, list + 12 + 8 * (i - from), NameHash(keys[i].first));
    }
    return list;
  }

  void Subkeys(const KeyNode& key, std::uint32_t keyCell,
               std::vector<std::pair<const KeyNode*, std::uint32_t>>& pending) {
    const auto& children = key.Children();
    if (children.empty()) return;
    // Windows keeps subkey lists sorted by their names in upper case.
    std::vector<std::pair<std::string, std::uint32_t>> sorted;
    for (const auto& child : children) {
      const std::uint32_t cell = KeyCell(*child, keyCell, false);
      sorted.emplace_back(UpperCase(child->Name()), cell);
      pending.emplace_back(child.get(), cell);
    }
    std::sort(sorted.begin(), sorted.end());
    std::uint32_t list = 0;
    if (sorted.size() <= kListChunk) {
      list = HashList(sorted, 0, sorted.size());
    } else {
      std::vector<std::uint32_t> parts;
      for (std::size_t at = 0; at < sorted.size(); at += kListChunk)
        parts.push_back(HashList(sorted, at, std::min(sorted.size(), at + kListChunk)));
      list = bins_.Allocate(8 + 4 * parts.size());
      std::string& b = bins_.Bytes();
      std::memcpy(b.data() + list + 4, "ri", 2);
      Put16(b, list + 6, static_cast<std::uint16_t>(parts.size()));
      for (std::size_t i = 0; i < parts.size(); ++i)
        Put32(b, list + 8 + 4 * i, parts[i]);
    }
    Put32(bins_.Bytes(), keyCell + 0x18, static_cast<std::uint32_t>(sorted.size()));
    Put32(bins_.Bytes(), keyCell + 0x20, list);
  }

  Bins bins_;
  std::uint32_t security_ = 0;
};

}  // namespace

std::string HiveImage(const KeyNode& root, const HiveImageOptions& options) {
  const std::string bins = Writer().Write(root);
  std::string image(kBaseBlockSize, '\0');
  std::memcpy(image.data(), "regf", 4);
  Put32(image, 0x0C, kTimestampLow);
  Put32(image, 0x10, kTimestampHigh);
  Put32(image, 0x14, 1);  // version 1.5
  Put32(image, 0x18, 5);
  Put32(image, 0x1C, options.fileType);
  Put32(image, 0x20, 1);               // format: direct memory load
  Put32(image, 0x24, kBinHeaderSize);  // the root key is the first cell
  Put32(image, 0x28, static_cast<std::uint32_t>(bins.size()));
  Put32(image, 0x2C, 1);  // clustering factor
  SetSequences(image, options.primarySequence, options.secondarySequence);
  return image + bins;
}

void SetSequences(std::string& image, std::uint32_t primary, std::uint32_t secondary) {
  Put32(image, 0x04, primary);
  Put32(image, 0x08, secondary);
  PutChecksum(image);
}

}  // namespace ordrex::testsupport
