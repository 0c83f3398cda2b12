// The base block of a hive or transaction log: the first sector says what the file is, which
// write it last completed, and how large its hive bins are.

#include <cerrno>
#include <cstring>
#include <fstream>

#include "platform/hive/hive_store.h"
#include "platform/text.h"

namespace ordrex {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kBaseBlockSize = 4096;
constexpr std::size_t kChecksummedSize = 0x1FC;  // the checksum follows the first 127 dwords
constexpr std::size_t kBinAlignment = 4096;
constexpr std::uint32_t kHiveFileType = 0;

std::uint32_t Dword(const unsigned char* bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
         static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
         static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

bool ChecksumMatches(const unsigned char* block) {
  std::uint32_t sum = 0;
  for (std::size_t at = 0; at < kChecksummedSize; at += 4)
    sum ^= Dword(block, at);
  // Windows never stores 0 or all ones as a checksum.
  if (sum == 0) sum = 1;
  if (sum == 0xFFFFFFFF) sum = 0xFFFFFFFE;
  return sum == Dword(block, kChecksummedSize);
}

struct BaseBlock {
  std::uintmax_t fileSize = 0;
  std::size_t read = 0;  // bytes of the base block present in the file
  unsigned char bytes[kBaseBlockSize] = {};
};

// Reads up to a whole base block. Throws TargetError when the file cannot be read.
void ReadBaseBlock(const fs::path& file, BaseBlock& block) {
  std::error_code error;
  if (!fs::is_regular_file(file, error)) {
    throw TargetError(file.string() + ": " +
                      (fs::exists(file, error) ? "not a registry hive file" : "no such file"));
  }
  block.fileSize = fs::file_size(file, error);
  std::ifstream in(file, std::ios::binary);
  if (error || !in) {
    throw TargetError(file.string() + ": cannot be read: " + std::strerror(errno));
  }
  in.read(reinterpret_cast<char*>(block.bytes), kBaseBlockSize);
  block.read = static_cast<std::size_t>(in.gcount());
  if (in.bad()) throw TargetError(file.string() + ": cannot be read: " + std::strerror(errno));
}

HiveHeader Decode(const unsigned char* bytes) {
  HiveHeader header;
  header.primarySequence = Dword(bytes, 0x04);
  header.secondarySequence = Dword(bytes, 0x08);
  header.lastWritten = static_cast<std::int64_t>(
      static_cast<std::uint64_t>(Dword(bytes, 0x10)) << 32 | Dword(bytes, 0x0C));
  header.majorVersion = Dword(bytes, 0x14);
  header.minorVersion = Dword(bytes, 0x18);
  header.fileType = Dword(bytes, 0x1C);
  header.rootCell = Dword(bytes, 0x24);
  header.binsSize = Dword(bytes, 0x28);
  return header;
}

bool IsTransactionLogOf(const std::string& hiveName, const std::string& name) {
  return SameText(name, hiveName + ".LOG1") || SameText(name, hiveName + ".LOG2");
}

}  // namespace

HiveHeader ReadHiveHeader(const fs::path& file) {
  BaseBlock block;
  ReadBaseBlock(file, block);
  const std::string name = file.string();
  if (block.read < 4 || std::memcmp(block.bytes, "regf", 4) != 0) {
    throw TargetError(name + ": not a registry hive file");
  }
  if (block.read < kBaseBlockSize) {
    throw TargetError(name + ": damaged hive: the file ends inside its base block");
  }
  if (!ChecksumMatches(block.bytes)) {
    throw TargetError(name + ": damaged hive: the base block's checksum does not match");
  }
  const HiveHeader header = Decode(block.bytes);
  if (header.majorVersion != 1 || header.minorVersion < 2 || header.minorVersion > 6) {
    throw TargetError(name + ": not a registry hive file (format version " +
                      std::to_string(header.majorVersion) + "." +
                      std::to_string(header.minorVersion) + ")");
  }
  if (header.fileType != kHiveFileType) {
    throw TargetError(name + ": not a registry hive file (a transaction log)");
  }
  if (header.binsSize == 0 || header.binsSize % kBinAlignment != 0 ||
      header.rootCell >= header.binsSize) {
    throw TargetError(name + ": damaged hive: the base block gives impossible sizes");
  }
  if (block.fileSize < kBaseBlockSize + std::uintmax_t{header.binsSize}) {
    throw TargetError(name + ": damaged hive: the file is cut off (" +
                      std::to_string(block.fileSize) + " bytes of " +
                      std::to_string(kBaseBlockSize + std::uintmax_t{header.binsSize}) + ")");
  }
  return header;
}

std::string HiveDirtyReason(const fs::path& file, const HiveHeader& header) {
  if (!header.SequencesMatch()) {
    return file.string() + " was not shut down cleanly (its sequence numbers " +
           std::to_string(header.primarySequence) + " and " +
           std::to_string(header.secondarySequence) +
           " differ): writing it would lose the changes that only Windows can replay";
  }
  const std::string hiveName = file.filename().string();
  std::error_code error;
  for (fs::directory_iterator it(file.parent_path().empty() ? "." : file.parent_path(), error), end;
       !error && it != end; it.increment(error)) {
    if (!IsTransactionLogOf(hiveName, it->path().filename().string())) continue;
    // A log whose base block is cut off or damaged holds nothing Windows would replay.
    BaseBlock log;
    try {
      ReadBaseBlock(it->path(), log);
    } catch (const TargetError&) {
      continue;
    }
    if (log.read < kChecksummedSize + 4 || std::memcmp(log.bytes, "regf", 4) != 0 ||
        !ChecksumMatches(log.bytes)) {
      continue;
    }
    const HiveHeader logHeader = Decode(log.bytes);
    if (logHeader.primarySequence > header.secondarySequence) {
      return it->path().string() + " holds changes newer than " + file.string() +
             " (sequence number " + std::to_string(logHeader.primarySequence) + " after " +
             std::to_string(header.secondarySequence) +
             "): writing the hive would lose them, and only Windows can replay them";
    }
  }
  return {};
}

}  // namespace ordrex
