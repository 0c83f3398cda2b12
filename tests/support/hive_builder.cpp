#include "support/hive_builder.h"

#include <array>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "support/fresh_prefix.h"
#include "support/process.h"

namespace ordrex::testsupport {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kBaseBlockSize = 4096;
constexpr std::size_t kBinSize = 4096;
constexpr std::size_t kChecksumOffset = 0x1FC;

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

// The base block every hive and log starts with.
std::string BaseBlock(std::uint32_t primary, std::uint32_t secondary, std::uint32_t fileType) {
  std::string bytes(kBaseBlockSize, '\0');
  std::memcpy(bytes.data(), "regf", 4);
  Put32(bytes, 0x04, primary);
  Put32(bytes, 0x08, secondary);
  Put32(bytes, 0x0C, 0xD53E8000);  // last written: 2000-01-01
  Put32(bytes, 0x10, 0x01BF53EB);
  Put32(bytes, 0x14, 1);  // version 1.5
  Put32(bytes, 0x18, 5);
  Put32(bytes, 0x1C, fileType);
  Put32(bytes, 0x20, 1);     // format: direct memory load
  Put32(bytes, 0x24, 0x20);  // root cell
  Put32(bytes, 0x28, kBinSize);
  Put32(bytes, 0x2C, 1);  // clustering factor
  PutChecksum(bytes);
  return bytes;
}

// S-1-5-32-544 (Administrators).
constexpr std::array<std::uint8_t, 16> kAdministrators = {1,  2, 0, 0, 0,  0, 0, 5,
                                                          32, 0, 0, 0, 32, 2, 0, 0};

// A self-relative security descriptor: owner and group Administrators, a DACL that gives
// them full access to the key.
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

// The first hive bin: the root key, its security cell and one free cell.
std::string FirstBin() {
  std::string bin(kBinSize, '\0');
  std::memcpy(bin.data(), "hbin", 4);
  Put32(bin, 0x04, 0);
  Put32(bin, 0x08, kBinSize);

  constexpr std::size_t kRoot = 0x20, kRootSize = 0x58, kSecurity = kRoot + kRootSize;
  Put32(bin, kRoot, static_cast<std::uint32_t>(-static_cast<std::int32_t>(kRootSize)));
  std::memcpy(bin.data() + kRoot + 4, "nk", 2);
  Put16(bin, kRoot + 0x06, 0x2C);        // root, not deletable, compressed name
  Put32(bin, kRoot + 0x20, 0xFFFFFFFF);  // no subkey list
  Put32(bin, kRoot + 0x24, 0xFFFFFFFF);  // no volatile subkey list
  Put32(bin, kRoot + 0x2C, 0xFFFFFFFF);  // no value list
  Put32(bin, kRoot + 0x30, kSecurity);
  Put32(bin, kRoot + 0x34, 0xFFFFFFFF);  // no class name
  Put16(bin, kRoot + 0x4C, 4);
  std::memcpy(bin.data() + kRoot + 0x50, "ROOT", 4);

  const std::string sd = SecurityDescriptor();
  const std::size_t securitySize = (24 + sd.size() + 7) / 8 * 8;
  Put32(bin, kSecurity, static_cast<std::uint32_t>(-static_cast<std::int32_t>(securitySize)));
  std::memcpy(bin.data() + kSecurity + 4, "sk", 2);
  Put32(bin, kSecurity + 0x08, kSecurity);  // the only security cell: its own neighbours
  Put32(bin, kSecurity + 0x0C, kSecurity);
  Put32(bin, kSecurity + 0x10, 1);  // referenced by the root
  Put32(bin, kSecurity + 0x14, static_cast<std::uint32_t>(sd.size()));
  std::memcpy(bin.data() + kSecurity + 0x18, sd.data(), sd.size());

  const std::size_t freeCell = kSecurity + securitySize;
  Put32(bin, freeCell, static_cast<std::uint32_t>(kBinSize - freeCell));
  return bin;
}

ProcessResult RunHivexregedit(const std::vector<std::string>& args) {
  std::vector<std::string> argv{"hivexregedit"};
  argv.insert(argv.end(), args.begin(), args.end());
  // Its output is UTF-8 either way; declared so, Perl does not warn about wide characters.
  return RunProcess(argv, {{"PERL_UNICODE", "SO"}});
}

}  // namespace

bool HivexregeditAvailable() {
  return ProgramOnPath("hivexregedit");
}

void WriteEmptyHive(const fs::path& file, const EmptyHiveOptions& options) {
  WriteAll(file, BaseBlock(options.primarySequence, options.secondarySequence, 0) + FirstBin());
}

void WriteTransactionLog(const fs::path& file, std::uint32_t sequence) {
  WriteAll(file, BaseBlock(sequence, sequence, 6).substr(0, 512));
}

void SetHiveSequences(const fs::path& file, std::uint32_t primary, std::uint32_t secondary) {
  std::string bytes = ReadAll(file);
  if (bytes.size() < kBaseBlockSize) throw std::runtime_error(file.string() + ": too short");
  Put32(bytes, 0x04, primary);
  Put32(bytes, 0x08, secondary);
  PutChecksum(bytes);
  WriteAll(file, bytes);
}

void MergeIntoHive(const fs::path& file, const std::string& regText, const std::string& prefix) {
  const fs::path regFile = file.string() + ".merge.reg";
  WriteAll(regFile, "Windows Registry Editor Version 5.00\n\n" + regText + "\n");
  const ProcessResult result =
      RunHivexregedit({"--merge", "--prefix", prefix, file.string(), regFile.string()});
  fs::remove(regFile);
  if (result.exitCode != 0) {
    throw std::runtime_error("hivexregedit --merge failed for " + file.string() + ": " +
                             result.output);
  }
}

void MakeHive(const fs::path& file, const std::string& regText, const std::string& prefix) {
  WriteEmptyHive(file);
  if (!regText.empty()) MergeIntoHive(file, regText, prefix);
}

std::string ExportHive(const fs::path& file, const std::string& prefix) {
  const ProcessResult result =
      RunHivexregedit({"--export", "--prefix", prefix, file.string(), "\\"});
  if (result.exitCode != 0) {
    throw std::runtime_error("hivexregedit --export failed for " + file.string() + ": " +
                             result.output);
  }
  return result.output;
}

}  // namespace ordrex::testsupport
